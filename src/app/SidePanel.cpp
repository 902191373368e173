// The side panel: its page fetched every quarter of an hour while the user
// can see it, the button that switches it off and on, and the width the
// window gives it.
#include "app/ControlHint.h"
#include "app/Unit1.h"
#include "components/KivGroupBox.h"
#include "platform/DataFolder.h"
#include "platform/ProgramSite.h"
#include "zentara/Advertising.h"

#include <QEvent>
#include <QFile>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPanelRefreshMs = 15 * 60 * 1000;
// A window whose right edge is this close to the screen's counts as docked there.
constexpr int kSnapDistance = 10;

QString readZentaraFile(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  return ZentaraPageText(file.read(kZentaraMaxPageBytes));
}

} // namespace

bool TForm1::sidePanelEvent(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Resize && watched == Panel1)
    Panel1Resize();
  else if (event->type() == QEvent::Resize && watched == Panel4)
    Panel4Resize();
  else if (event->type() == QEvent::Enter && watched == KivXPSpeedButton1)
    KivXPSpeedButton1MouseEnter();
  return false;
}

void TForm1::Panel1Resize() {
  const int strip = Panel4->width();
  Panel4->setGeometry(0, 0, strip, Panel1->height());
  EGBScrollBoxAdvertising->setGeometry(strip, 0, Panel1->width() - strip, Panel1->height());
}

void TForm1::Panel4Resize() {
  if (FDestroying)
    return;
  KivXPSpeedButton1->move(0, (Panel1->height() - KivXPSpeedButton1->height()) / 2);
}

void TForm1::TimerAdvertisingShowTimer() {
  if (FDestroying || !zentaraPanelVisible())
    return;
  TimerAdvertisingShow->setInterval(kPanelRefreshMs);
  LoadZentaraPage(ZentaraPageAddress());
}

// A failed fetch shows the page that ships with the program, never a copy
// left by an earlier fetch: that one may be months old.
void TForm1::LoadZentaraPage(const QString &url) {
  QString target = TDataFolder::file(u"html/zentara.html"_s);
  if (!DownloadFile(url, target, false, TDownloadPurpose::SidePanelPage))
    target = TDataFolder::resource(u"defaultvx.html"_s);
  if (FDestroying)
    return;
  const QString page = readZentaraFile(target);
  if (page.isEmpty()) {
    syncZentaraTimer();
    if (zentaraPanelVisible())
      ScrollBoxAdvertising->ClearZentaraPanel();
    return;
  }
  ScrollBoxAdvertising->RenderZentaraPage(page, font().pointSize());
  PlayEventSound(TEventSoundId::PanelShown);
}

// The button's own click switches the panel; the state file's reader calls
// it too, to lay the window out for the restored state.
void TForm1::KivXPSpeedButton1Click(QObject *Sender) {
  if (FDestroying)
    return;
  const bool byUser = Sender == KivXPSpeedButton1;
  if (byUser) {
    EGBScrollBoxAdvertising->setVisible(!zentaraPanelVisible());
    if (zentaraPanelVisible())
      layoutSidePanel();
    else
      narrowForHiddenPanel();
    update();
    SavePosition();
  }
  keepRightEdgeOnScreen();
  syncZentaraTimer();
  syncSidePanelButton();
  if (byUser && TimerAdvertisingShow->isActive())
    RestartTimer(TimerAdvertisingShow, true); // a panel just shown fetches at once
}

// The page is fetched only while someone can see it: the panel shown in a
// window that is neither hidden in the tray nor minimised.
void TForm1::syncZentaraTimer() {
  if (!FDestroying)
    setTimerActive(TimerAdvertisingShow, zentaraPanelVisible() && shownOnScreen());
}

void TForm1::KivXPSpeedButton1MouseEnter() {
  if (FDestroying)
    return;
  SetControlHint(KivXPSpeedButton1,
                 zentaraPanelVisible() ? u"Отключить \"Zentara\""_s : u"Включить \"Zentara\""_s);
}

void TForm1::syncSidePanelButton() {
  KivXPSpeedButton1MouseEnter();
  KivXPSpeedButton1->setArrowType(zentaraPanelVisible() ? Qt::RightArrow : Qt::LeftArrow);
}

int TForm1::screenRightEdge() const {
  const QRect area = screen()->geometry();
  return area.x() + area.width();
}

// The window gives the panel's width back; one docked at the right edge of
// the screen stays docked there.
void TForm1::narrowForHiddenPanel() {
  ScrollBoxAdvertising->ClearZentaraPanel();
  const QRect before = frameGeometry();
  const int wide = width();
  layoutSidePanel();
  resize(std::max(wide - kZentaraPanelWidth, minimumWidth()), height());
  const int narrowedFrame = before.width() - (wide - width());
  if (screenRightEdge() - (before.x() + before.width()) <= kSnapDistance)
    move(screenRightEdge() - narrowedFrame, before.y());
}

void TForm1::keepRightEdgeOnScreen() {
  const QRect frame = frameGeometry();
  if (frame.x() + frame.width() > screenRightEdge())
    move(screenRightEdge() - frame.width(), frame.y());
}
