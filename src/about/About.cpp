#include "about/About.h"

#include "about/AboutLines.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr QSize kClientSize{245, 236};
constexpr int kBorder = 16;
constexpr int kPanelHeight = 41;
constexpr int kItemHeight = 13;
// Room beside the widest line for the margins the list draws around its text.
constexpr int kExtentMargin = 6;

} // namespace

TFormAbout::TFormAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  setObjectName(u"FormAbout"_s);
  setWindowTitle(u" О программе"_s);
  setAttribute(Qt::WA_DeleteOnClose);
  QFont designFont = QApplication::font();
  designFont.setPointSize(8);
  setFont(designFont);
  buildLayout();
  FormCreate();
}

TFormAbout *TFormAbout::ShowModal(QWidget *owner) {
  auto *form = new TFormAbout(owner);
  // Not exec(): a nested event loop would keep the caller's handler (and
  // whatever called it) on the stack until the window closes.
  form->setWindowModality(Qt::ApplicationModal);
  form->centreOnScreen();
  form->show();
  return form;
}

void TFormAbout::buildLayout() {
  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(u"ListBox1"_s);
  ListBox1->setAccessibleName(u"Сведения о программе"_s);
  ListBox1->setFrameShape(QFrame::NoFrame);
  ListBox1->setUniformItemSizes(true);
  ListBox1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  QPalette windowColoured = ListBox1->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    windowColoured.setBrush(group, QPalette::Base, windowColoured.brush(group, QPalette::Window));
  ListBox1->setPalette(windowColoured);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(u"Panel1"_s);
  Panel1->setFixedHeight(kPanelHeight);
  Button1 = new QPushButton(u"Закрыть"_s, Panel1);
  Button1->setObjectName(u"Button1"_s);
  Button1->setMinimumSize(75, 25);
  auto *bottom = new QHBoxLayout(Panel1);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addStretch(1);
  bottom->addWidget(Button1);
  connect(Button1, &QPushButton::clicked, this, &TFormAbout::Button1Click);

  auto *window = new QVBoxLayout(this);
  window->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
  window->setSpacing(0);
  window->addWidget(ListBox1, 1);
  window->addWidget(Panel1);
  setFixedSize(kClientSize.expandedTo(window->minimumSize()));
}

void TFormAbout::FormCreate() {
  ShowLines(AboutLines(TVersionRecord::program(), TMemoryStatus::current()));
}

void TFormAbout::ShowLines(const QStringList &lines) {
  ListBox1->clear();
  const QFontMetrics metrics(ListBox1->font());
  int widest = 0;
  for (const QString &line : lines)
    widest = std::max(widest, metrics.horizontalAdvance(line));
  // The list's horizontal scroll range is its content width, and the content
  // is as wide as its widest item: giving every item the width of the widest
  // line plus the margin makes that line scrollable into view, no further.
  const QSize itemSize(widest + kExtentMargin, std::max(kItemHeight, metrics.height()));
  for (const QString &line : lines) {
    auto *item = new QListWidgetItem(line, ListBox1);
    item->setSizeHint(itemSize);
  }
}

void TFormAbout::Button1Click() {
  close();
}

void TFormAbout::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  Button1->setFocus();
}

void TFormAbout::centreOnScreen() {
  const QScreen *screen =
      parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen)
    setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
}
