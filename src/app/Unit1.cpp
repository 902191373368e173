#include "app/Unit1.h"

#include "app/ControlHint.h"
#include "app/MenuItems.h"
#include "app/RSSViewItem.h"
#include "app/StatusTips.h"
#include "app/TrayAnimation.h"
#include "app/WindowPlacement.h"
#include "components/KivGroupBox.h"
#include "components/KivSiteTabsLook.h"
#include "components/KivTabSet.h"
#include "components/URLLbl.h"
#include "feeds/ArchiveTemplates.h"
#include "feeds/FeedWatch.h"
#include "persist/Components.h"
#include "persist/KivTextResIni.h"
#include "platform/Connectivity.h"
#include "platform/DataFolder.h"
#include "platform/EventSound.h"
#include "platform/ProgramSite.h"
#include "platform/TextFile.h"
#include "settings/Unit2.h"
#include "zentara/Advertising.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kMinWidthWithPanel = 670;
constexpr int kMinWidthWithoutPanel = 510;

template <typename W> W *named(W *widget, const char *name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel *hiddenLabel(const char *name, const char *caption, QWidget *parent) {
  auto *label = named(new QLabel(QString::fromLatin1(caption), parent), name);
  label->hide();
  return label;
}

int scaledPointSize(const QFont &font, double factor) {
  return static_cast<int>(std::nearbyint(font.pointSizeF() * factor)); // halves to even
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent, Qt::Tool) {
  setObjectName(QStringLiteral("Form1"));
  QFont designFont = QApplication::font();
  designFont.setPointSize(8);
  setFont(designFont);
  setMinimumSize(kMinWidthWithoutPanel, 300);
  FEventSound = std::make_unique<TEventSound>();
  buildReader();
  buildLayout();
  buildMenus();
  buildTray();
  buildTimers();
  buildWatch();
  buildStateFile();
  bindNavigation();
  FormCreate();
}

TForm1::~TForm1() {
  FDestroying = true;
  if (FFormSetting)
    FFormSetting->setHost(nullptr);
}

// The reader waits through the window: transfers run aside while it paints,
// sounds play to the end unless closing cuts them short.
void TForm1::buildReader() {
  TReaderHooks hooks;
  hooks.transfer = [this](const QString &address, const QString &file, TDownloadPurpose purpose) {
    return transfer(address, file, purpose);
  };
  hooks.connected = &TConnectivity::isConnected;
  hooks.closing = [this] { return FDestroying; };
  hooks.shown = [this] { return shownOnScreen(); };
  hooks.options = [this] { return readerOptions(); };
  FReader = new TReader(
      std::move(hooks),
      BuildArchiveTemplate(QApplication::applicationDisplayName(), ProgramPageAddress()),
      BuildArchiveItemTemplate(), this);
  connect(FReader, &TReader::statusReported, this, &TForm1::ReportStatus);
  connect(FReader, &TReader::statusCleared, this, [this] { setStatusLine(QString()); });
  connect(FReader, &TReader::soundRequested, this, &TForm1::PlayEventSound);
  connect(FReader, &TReader::viewChanged, this, &TForm1::render);
  connect(FReader, &TReader::intervalRestarted, this, [this] { Timer1->start(); });
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
  return navigationEvent(watched, event) || sidePanelEvent(watched, event) ||
         QMainWindow::eventFilter(watched, event);
}

void TForm1::buildLayout() {
  StatusBar1 = named(new QStatusBar(this), "StatusBar1");
  StatusBar1Text = named(new QLabel(StatusBar1), "StatusBar1Text");
  StatusBar1Text->setTextFormat(Qt::PlainText);
  StatusBar1Text->setAccessibleDescription(QStringLiteral("Строка состояния"));
  StatusBar1->addWidget(StatusBar1Text, 1);
  setStatusBar(StatusBar1);
  connect(new TStatusTips(this), &TStatusTips::tip, this,
          [this](const QObject *source, const QString &tip, bool toPopup) {
            FStatusLine.hint(source, tip.isEmpty() ? tip : u' ' + tip, toPopup);
            showStatusLine();
          });

  auto *central = new QWidget(this);
  auto *row = new QHBoxLayout(central);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  buildSiteTabs(central);
  auto *tabColumn = new QVBoxLayout(KivTabSet1);
  tabColumn->setContentsMargins(0, 0, 0, 0);
  tabColumn->setSpacing(0);
  lft = hiddenLabel("lft", "0", KivTabSet1);
  lfl = hiddenLabel("lfl", "0", KivTabSet1);
  lfw = hiddenLabel("lfw", "670", KivTabSet1);
  lfh = hiddenLabel("lfh", "300", KivTabSet1);
  lti = hiddenLabel("lti", "0", KivTabSet1);
  lzenv = hiddenLabel("lzenv", "-1", KivTabSet1);

  ScrollBox1 = named(new QFrame(KivTabSet1), "ScrollBox1");
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  tabColumn->addWidget(ScrollBox1, 1);
  buildFeedArea();

  buildSidePanel();
  row->addWidget(KivTabSet1, 1);
  row->addWidget(Panel1);
  setCentralWidget(central);
}

void TForm1::buildSiteTabs(QWidget *parent) {
  KivTabSet1 = named(new TKivTabSet(parent), "KivTabSet1");
  KivTabSet1->setAccessibleName(QStringLiteral("Сайты"));
  KivTabSet1->setMinimumWidth(480); // KivTabSet1CanResize
  ApplySiteTabsLook(*KivTabSet1);
  KivTabSet1->TabsList().Add(QStringLiteral("Архив")); // selects it
  KivTabSet1->OnDrawTitle = [this](TKivCustomTabSet *sender, const QRect &rect, bool focused,
                                   bool selected, TKivTitleFont &font, QString &text, int flags,
                                   bool &canDraw) {
    KivTabSet1DrawTitle(sender, rect, focused, selected, font, text, flags, canDraw);
  };
  KivTabSet1->OnChanged = [this](TKivCustomTabSet *, int index) { KivTabSet1Changed(index); };
}

// New matches are marked in the drawing alone: the tab's text is what the
// site menus copy.
void TForm1::KivTabSet1DrawTitle(TKivCustomTabSet *Sender, const QRect &aRect, bool, bool aSelected,
                                 TKivTitleFont &aFont, QString &, int, bool &) {
  SiteTabsTitleFont(aSelected, aFont);
  if (Sender && siteHasNewMatches(Sender->tabAt(aRect.center()))) {
    aFont.Font.setUnderline(true);
    aFont.Color = QColor(0xC0, 0x00, 0x00);
  }
}

void TForm1::buildFeedArea() {
  auto *column = new QVBoxLayout(ScrollBox1);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  Panel2 = named(new QFrame(ScrollBox1), "Panel2");
  Panel2->setFrameShape(QFrame::NoFrame);
  Panel2->setAccessibleName(QStringLiteral("Лента"));
  auto *header = new QVBoxLayout(Panel2);
  header->setContentsMargins(8, 4, 8, 2);
  header->setSpacing(1);
  column->addWidget(Panel2);
  auto *bevel = new QFrame(ScrollBox1);
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  column->addWidget(bevel);

  ScrollBox2 = named(new QScrollArea(ScrollBox1), "ScrollBox2");
  ScrollBox2->setFrameShape(QFrame::NoFrame);
  ScrollBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox2->setWidgetResizable(true);
  ScrollBox2->setBackgroundRole(QPalette::Base);
  column->addWidget(ScrollBox2, 1);

  buildFilterBar();
  column->addWidget(Panel3);
}

void TForm1::buildFilterBar() {
  Panel3 = named(new QFrame(ScrollBox1), "Panel3");
  Panel3->setFrameShape(QFrame::StyledPanel);
  Panel3->setFrameShadow(QFrame::Raised);
  auto *bar = new QHBoxLayout(Panel3);
  bar->setContentsMargins(4, 4, 4, 4);

  EditFilter = named(new QLineEdit(Panel3), "EditFilter");
  SetControlHint(EditFilter, QStringLiteral("Введите ключевые слова через пробел"));
  EditFilter->setAccessibleName(QStringLiteral("Ключевые слова"));
  ChBFiltered = named(new QCheckBox(QStringLiteral("Фильтр"), Panel3), "ChBFiltered");
  ChBFiltered->setEnabled(false);
  Button3 = named(new QPushButton(QStringLiteral("Удалить"), Panel3), "Button3");
  Button2 = named(new QPushButton(QStringLiteral("<Назад"), Panel3), "Button2");
  CBFastTransition = named(new QComboBox(Panel3), "CBFastTransition");
  SetControlHint(CBFastTransition, QStringLiteral("Быстрый переход"));
  CBFastTransition->setAccessibleName(QStringLiteral("Быстрый переход"));
  Button1 = named(new QPushButton(QStringLiteral("Далее>"), Panel3), "Button1");
  for (QPushButton *b : {Button3, Button2, Button1})
    b->setEnabled(false);

  bar->addWidget(EditFilter, 1);
  bar->addWidget(ChBFiltered);
  bar->addSpacing(8);
  bar->addWidget(Button3);
  bar->addWidget(Button2);
  bar->addWidget(CBFastTransition);
  bar->addWidget(Button1);
}

// Panel1 is laid out by its resize handlers: the button strip on the left,
// the framed panel filling the rest.
void TForm1::buildSidePanel() {
  Panel1 = named(new QFrame, "Panel1");
  Panel1->installEventFilter(this);

  Panel4 = named(new QFrame(Panel1), "Panel4");
  Panel4->setFixedWidth(10);
  Panel4->installEventFilter(this);
  Panel1->setFixedWidth(Panel4->width() + kZentaraPanelWidth);
  KivXPSpeedButton1 = named(new QToolButton(Panel4), "KivXPSpeedButton1");
  KivXPSpeedButton1->setFixedSize(10, 40);
  KivXPSpeedButton1->setAutoRaise(true);
  KivXPSpeedButton1->setAccessibleName(QStringLiteral("Zentara"));
  KivXPSpeedButton1->installEventFilter(this);
  connect(KivXPSpeedButton1, &QToolButton::clicked, this,
          [this] { KivXPSpeedButton1Click(KivXPSpeedButton1); });

  EGBScrollBoxAdvertising = named(new TKivGroupBox(Panel1), "EGBScrollBoxAdvertising");
  EGBScrollBoxAdvertising->setCaption(QStringLiteral(" Zentara "));
  EGBScrollBoxAdvertising->setCtl3D(false);
  EGBScrollBoxAdvertising->setRadius(0);
  EGBScrollBoxAdvertising->setColorSimpleFrame(KivSystemColor::BtnShadow);
  QPalette green = EGBScrollBoxAdvertising->palette();
  green.setColor(QPalette::WindowText, QColor(0x00, 0x80, 0x00));
  EGBScrollBoxAdvertising->setPalette(green);
  auto *inside = new QVBoxLayout(EGBScrollBoxAdvertising);
  inside->setContentsMargins(0, 0, 0, 0);
  ScrollBoxAdvertising =
      named(new TScrollBoxAdvertising(EGBScrollBoxAdvertising), "ScrollBoxAdvertising");
  ScrollBoxAdvertising->setAccessibleName(QStringLiteral("Zentara"));
  // Only the frame's caption is green; the page is in the window-text colour.
  QPalette text = ScrollBoxAdvertising->palette();
  text.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
  ScrollBoxAdvertising->setPalette(text);
  inside->addWidget(ScrollBoxAdvertising);
  syncSidePanelButton();
}

void TForm1::buildMenus() {
  QMenuBar *bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  N1 = named(bar->addMenu(QStringLiteral("Файл")), "N1");
  N13 = named(N1->addAction(QStringLiteral("Скрыть")), "N13");
  named(N1->addSeparator(), "N14");
  N4 = named(N1->addAction(QStringLiteral("Выход")), "N4");
  N17 = named(bar->addMenu(QStringLiteral("Источник")), "N17");
  N3 = named(bar->addMenu(QStringLiteral("Категория")), "N3");
  N2 = named(bar->addAction(QStringLiteral("Настройки")), "N2");
  N15 = named(bar->addMenu(QStringLiteral("Справка")), "N15");
  N16 = named(N15->addAction(QStringLiteral("Сайт программы")), "N16");
  named(N15->addSeparator(), "N18");
  N19 = named(N15->addAction(QStringLiteral("О программе")), "N19");
  N17->setEnabled(false);
  N3->setEnabled(false);

  OnChosen(N13, this, [this] { N9Click(); });
  OnChosen(N4, this, [this] { N4Click(); });
  OnChosen(N2, this, [this] { N2Click(); });
  OnChosen(N19, this, [this] { N19Click(); });
  OnChosen(N16, this, [this] { N16Click(); });
}

void TForm1::buildTray() {
  TrayIcon1 =
      named(new QSystemTrayIcon(QIcon(QStringLiteral(":/vornix/vornix.png")), this), "TrayIcon1");
  TrayIcon1->setToolTip(QApplication::applicationDisplayName());
  KivPopupMenu1 = named(new QMenu(this), "KivPopupMenu1");
  N9 = named(KivPopupMenu1->addAction(QStringLiteral("Показать")), "N9");
  QFont bold = N9->font();
  bold.setBold(true);
  N9->setFont(bold);
  KivPopupMenu1->setDefaultAction(N9);
  named(KivPopupMenu1->addSeparator(), "N10");
  N7 = named(KivPopupMenu1->addAction(QStringLiteral("Настройки")), "N7");
  named(KivPopupMenu1->addSeparator(), "N11");
  N6 = named(new QMenu(QStringLiteral("Сайт"), KivPopupMenu1), "N6");
  N6Action = KivPopupMenu1->addMenu(N6);
  N5 = named(new QMenu(QStringLiteral("Категория"), KivPopupMenu1), "N5");
  N5Action = KivPopupMenu1->addMenu(N5);
  named(KivPopupMenu1->addSeparator(), "N12");
  N8 = named(KivPopupMenu1->addAction(QStringLiteral("Выход")), "N8");
  N6Action->setEnabled(false);
  N5Action->setEnabled(false);
  TrayIcon1->setContextMenu(KivPopupMenu1);

  OnChosen(N9, this, [this] { N9Click(); });
  OnChosen(N7, this, [this] { N2Click(); });
  OnChosen(N8, this, [this] { N4Click(); });
  connect(KivPopupMenu1, &QMenu::aboutToShow, this, &TForm1::KivPopupMenu1Popup);
  // A StatusNotifierItem host activates the icon through the bus, and waits.
  connect(TrayIcon1, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            TBusyWait::later(this, [this, reason] { TrayIcon1Activated(reason); });
          });
  FNotifications = new TNotifications(TrayIcon1, this);
  FTrayAnimation = new TTrayAnimation(this);

  // A tray can come and go while the program runs (a panel restarted, a
  // desktop changed); Qt tells of neither.
  FTrayCheckTimer = new QTimer(this);
  FTrayCheckTimer->setInterval(5000);
  connect(FTrayCheckTimer, &QTimer::timeout, this, &TForm1::CheckTray);
  FTrayCheckTimer->start();
  CheckTray();
}

void TForm1::buildTimers() {
  auto makeTimer = [this](const char *name, int interval) {
    auto *timer = named(new QTimer(this), name);
    timer->setInterval(interval);
    return timer;
  };
  Timer1 = makeTimer("Timer1", 30 * 60000 + 5000);
  Timer2 = makeTimer("Timer2", 500);
  TimerAdvertisingShow = makeTimer("TimerAdvertisingShow", 3000);
  bindTimer(TimerAdvertisingShow, &TForm1::TimerAdvertisingShowTimer);
  TimerHideBallon = makeTimer("TimerHideBallon", 5000);
  bindTimer(TimerHideBallon, &TForm1::TimerHideBallonTimer);

  // Window moves and resizes arrive in bursts while the user drags the frame;
  // the position is saved once the burst is over.
  FSavePositionTimer = new QTimer(this);
  FSavePositionTimer->setSingleShot(true);
  FSavePositionTimer->setInterval(300);
  connect(FSavePositionTimer, &QTimer::timeout, this, &TForm1::SavePosition);

  // Minimising hides to the tray once the window system has settled the
  // state; showing the window again before then must cancel that hide.
  FMinimiseToTrayTimer = new QTimer(this);
  FMinimiseToTrayTimer->setSingleShot(true);
  FMinimiseToTrayTimer->setInterval(0);
  connect(FMinimiseToTrayTimer, &QTimer::timeout, this, [this] {
    if (isVisible())
      N9Click();
  });
}

void TForm1::bindTimer(QTimer *timer, void (TForm1::*handler)()) {
  FTickHandlers.insert(timer, [this, handler] { (this->*handler)(); });
  connect(timer, &QTimer::timeout, this, handler);
}

void TForm1::FormCreate() {
  setWindowTitle(u"  " + QApplication::applicationDisplayName());
  for (const char *folder : {"xml", "xslt", "html"})
    WriteTextFile(TDataFolder::file(QString::fromLatin1(folder) + u"/null.txt"), QString());
  FStartingOrClosing = true;

  applyWidthRule();
  resize(std::max(kMinWidthWithoutPanel, minimumWidth()), 300);
  move(FirstStartPlace(QGuiApplication::primaryScreen()->geometry(), size()));

  EditFilter->clear();
  CBFastTransition->clear();
  CBFastTransition->setEnabled(false);

  FeedTitleLabel = named(new TURLLabel(Panel2), "FeedTitleLabel");
  FeedTitleLabel->setWordWrap(false);
  QFont titleFont = Panel2->font();
  titleFont.setPointSize(scaledPointSize(Panel2->font(), 1.4));
  FeedTitleLabel->setFont(titleFont);
  FeedInfoLabel = named(new QLabel(Panel2), "FeedInfoLabel");
  FeedInfoLabel->setTextFormat(Qt::PlainText);
  QFont infoFont = Panel2->font();
  infoFont.setPointSize(scaledPointSize(Panel2->font(), 0.9));
  FeedInfoLabel->setFont(infoFont);
  QPalette grey = FeedInfoLabel->palette();
  grey.setColor(QPalette::WindowText, QColor(0x6A, 0x6A, 0x6A));
  FeedInfoLabel->setPalette(grey);
  Panel2->layout()->addWidget(FeedTitleLabel);
  Panel2->layout()->addWidget(FeedInfoLabel);

  ItemView = new TRSSViewItem(ScrollBox2);
  SetComponentOwner(ItemView, ScrollBox2);
  QFont itemTitleFont = ScrollBox2->font();
  itemTitleFont.setPointSize(scaledPointSize(ScrollBox2->font(), 1.2));
  ItemView->FViRSSTitle->setFont(itemTitleFont);
  ItemView->setContentsMargins(6, 2, 6, 2); // the scroll box's padding
  ItemView->setDescription(QString());      // no design-time text on screen
  ScrollBox2->setWidget(ItemView);

  KivTextResIni1->setFileName(TDataFolder::file(QStringLiteral("vx.ini")));
  TrayIcon1->setVisible(true);
  Panel4->setAutoFillBackground(true);
}

void TForm1::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  syncShowHideCaption();
  FormShow();
  FReader->windowSeen();
}

void TForm1::hideEvent(QHideEvent *event) {
  QMainWindow::hideEvent(event);
  syncShowHideCaption();
}

void TForm1::closeEvent(QCloseEvent *event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
  FormClose();
}

bool TForm1::FormCloseQuery() {
  FStartingOrClosing = true;
  FReader->stop();
  syncWatch();
  FSavePositionTimer->stop();
  KivTextResIni1->ActionText = TActionText::atWrite;
  KivTextResIni1->Execute();
  return true;
}

void TForm1::FormClose() {
  FReader->clearView();
  delete FeedTitleLabel;
  FeedTitleLabel = nullptr;
  delete FeedInfoLabel;
  FeedInfoLabel = nullptr;
  delete ItemView;
  ItemView = nullptr;
  HideBalloon();
  FFeedWatch->stop();
  FDestroying = true;
  TrayIcon1->hide();
  // With a tray the window is a tool window, which Qt never counts as the
  // last one open, so the program quits by itself.
  // The quit is queued: a close that comes before the event loop runs (a
  // SIGTERM while the window is first shown) would otherwise be lost.
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
}

// Panel1 also holds the panel's show/hide button, so it never hides: the
// group box's visibility is the panel's on/off state.
bool TForm1::zentaraPanelVisible() const {
  return !EGBScrollBoxAdvertising->isHidden();
}

void TForm1::layoutSidePanel() {
  Panel1->setFixedWidth(Panel4->width() + (zentaraPanelVisible() ? kZentaraPanelWidth : 0));
  applyWidthRule();
}

void TForm1::applyWidthRule() {
  if (FDestroying)
    return;
  setMinimumWidth(zentaraPanelVisible() ? kMinWidthWithPanel : kMinWidthWithoutPanel);
}

void TForm1::setStatusLine(const QString &text) {
  FStatusLine.report(text);
  showStatusLine();
}

void TForm1::showStatusLine() {
  // Messages join their parts with carriage returns; the one-line status bar
  // shows them as spaces.
  QString shown = FStatusLine.text();
  shown.replace(u'\r', u' ').replace(u'\n', u' ');
  StatusBar1Text->setText(shown);
}

void TForm1::RestartTimer(QTimer *timer, bool fireNow) {
  if (FDestroying || timer == nullptr)
    return;
  if (fireNow) {
    if (const auto handler = FTickHandlers.value(timer))
      handler();
  }
  timer->start();
}

void TForm1::setTimerActive(QTimer *timer, bool active) {
  if (active && !timer->isActive())
    timer->start();
  else if (!active)
    timer->stop();
}
