// The window's state between runs, "vx.ini": where it stood and how large it
// was, the tab, the filter, and whether the side panel was shown. Read once
// at the first show, written once a move or resize has ended and on close.
#include "app/Unit1.h"
#include "app/WindowPlacement.h"
#include "components/KivGroupBox.h"
#include "components/KivTabSet.h"
#include "persist/KivTextResIni.h"
#include "platform/TextFile.h"
#include "settings/Unit2.h"
#include "zentara/Advertising.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A stored coordinate when its text is a number. Zero and negative ones are
// places like any other: the left or top edge, a monitor left of or above
// the main one.
std::optional<int> storedCoordinate(const QString &text) {
  bool number = false;
  const int value = text.trimmed().toInt(&number);
  return number ? std::optional<int>(value) : std::nullopt;
}

} // namespace

void TForm1::buildStateFile() {
  KivTextResIni1 = new TKivTextResIni(this);
  KivTextResIni1->setObjectName(u"KivTextResIni1"_s);
  KivTextResIni1->ListIncludeName = {u"lft"_s,   u"lfl"_s,        u"lfw"_s,        u"lfh"_s,
                                     u"lti"_s,   u"lzenv"_s,      u"EditFilter"_s, u"ChBFiltered"_s};
  KivTextResIni1->ListPropertyControl = {u"Caption"_s, u"Text"_s, u"Checked"_s};
  KivTextResIni1->ListSkipName = {u"SiteTitle"_s};
  KivTextResIni1->OnAfterExecute = [this](TKivTextResIni *, bool) {
    KivTextResIni1AfterExecute();
  };
  KivTextResIni1->OnUseReadVal = &TForm1::KivTextResIni1UseReadVal;
}

void TForm1::FormShow() {
  if (FDestroying || !FStartingOrClosing)
    return;
  FStartingOrClosing = false;
  syncWatch();
  if (QFileInfo::exists(KivTextResIni1->FileName())) {
    KivTextResIni1->ActionText = TActionText::atRead;
    KivTextResIni1->Execute();
  }
  // The first refresh (a download, a sound) waits until the window has been
  // painted, so that starting never looks frozen.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (FDestroying || FStartingOrClosing)
          return;
        const int shown = KivTabSet1->TabIndex();
        const int t = StrToIntSafe(lti->text());
        if (t > 0 && t < KivTabSet1->TabsList().count())
          KivTabSet1->setTabIndex(t);
        // The settings window starts on the site the user last read.
        if (FFormSetting && FFormSetting->sites().count() > KivTabSet1->TabIndex())
          FFormSetting->selectSite(KivTabSet1->TabIndex());
        // A tab chosen before this show was never loaded; one just restored was.
        if (KivTabSet1->TabIndex() == shown)
          KivTabSet1Changed(shown);
      },
      Qt::QueuedConnection);
  syncZentaraTimer();
}

// An empty stored value never overwrites a control.
void TForm1::KivTextResIni1UseReadVal(QObject *, const QString &, const QVariant &Value,
                                      bool &UseVal) {
  UseVal = !Value.toString().isEmpty();
}

void TForm1::KivTextResIni1AfterExecute() {
  if (KivTextResIni1->ActionText != TActionText::atRead)
    return;
  ChBFiltered->setText(u"Фильтр"_s);
  ChBFiltered->setEnabled(!EditFilter->text().isEmpty());
  FilterText = EditFilter->text();
  const QString shown = lzenv->text().trimmed();
  EGBScrollBoxAdvertising->setVisible(shown.compare(u"true", Qt::CaseInsensitive) == 0 ||
                                      StrToIntSafe(shown) != 0);
  layoutSidePanel();
  restorePlace();
  // The saved tab is selected once the window has been painted (FormShow).
  ScrollBoxAdvertising->ClearZentaraPanel();
  KivXPSpeedButton1Click(KivTextResIni1);
}

// Position is the frame's, as pos() and move() see it; size is the window's
// own, and only a positive one is taken.
void TForm1::restorePlace() {
  QPoint position = pos();
  QSize size = this->size();
  if (const auto v = storedCoordinate(lft->text()))
    position.setY(*v);
  if (const auto v = storedCoordinate(lfl->text()))
    position.setX(*v);
  if (const int v = StrToIntSafe(lfw->text()); v > 0)
    size.setWidth(std::max(v, minimumWidth()));
  if (const int v = StrToIntSafe(lfh->text()); v > 0)
    size.setHeight(std::max(v, minimumHeight()));
  // A place saved on a monitor that is gone would leave the window where
  // nobody can reach it.
  QList<QRect> screens;
  for (const QScreen *screen : QGuiApplication::screens())
    screens.append(screen->geometry());
  if (!TitleBarReachable(QRect(position, size), screens))
    position = FirstStartPlace(QGuiApplication::primaryScreen()->geometry(), size);
  move(position);
  resize(size);
}

void TForm1::SavePosition() {
  lft->setText(QString::number(y()));
  lfl->setText(QString::number(x()));
  lfw->setText(QString::number(width()));
  lfh->setText(QString::number(height()));
  lzenv->setText(zentaraPanelVisible() ? u"-1"_s : u"0"_s);
  KivTextResIni1->ActionText = TActionText::atWrite;
  KivTextResIni1->Execute();
}

// The window system reports a drag of the frame as a burst of moves and
// resizes; the place is saved once the burst is over.
void TForm1::moveEvent(QMoveEvent *event) {
  QMainWindow::moveEvent(event);
  if (!FStartingOrClosing && event->spontaneous())
    FSavePositionTimer->start();
}

void TForm1::resizeEvent(QResizeEvent *event) {
  QMainWindow::resizeEvent(event);
  if (!FStartingOrClosing && event->spontaneous())
    FSavePositionTimer->start();
}
