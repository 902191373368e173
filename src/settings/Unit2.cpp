#include "settings/Unit2.h"

#include "components/KivGroupBox.h"
#include "components/KivTabControl.h"
#include "persist/KivTextResIni.h"
#include "platform/Autostart.h"
#include "platform/TextFile.h"
#include "settings/FeedChooser.h"
#include "settings/RSSItem.h"
#include "settings/SettingsHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

template <typename W> W *named(W *widget, const QString &name) {
  widget->setObjectName(name);
  return widget;
}

QLabel *labelFor(QWidget *buddy, const QString &text, QWidget *parent) {
  auto *label = new QLabel(text, parent);
  label->setBuddy(buddy);
  buddy->setAccessibleName(text.trimmed());
  return label;
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent) {
  return named(new QPushButton(caption, parent), name);
}

QComboBox *choiceList(const QString &name, const QStringList &choices, int choice,
                      QWidget *parent) {
  auto *list = named(new QComboBox(parent), name);
  list->addItems(choices);
  list->setCurrentIndex(choice);
  // As narrow as the longest choice allows, whatever the theme's arrow takes.
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  list->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return list;
}

QCheckBox *checkBox(const QString &name, const QString &caption, QWidget *parent) {
  auto *box = named(new QCheckBox(caption, parent), name);
  box->setAccessibleName(caption.trimmed());
  return box;
}

// A frame captioned in the program's blue. The palette would hand the blue on
// to every label inside, so those keep the theme's text colours, group by group
// (a disabled label must still look disabled).
TKivGroupBox *groupBox(const QString &name, const QString &caption, QWidget *parent) {
  auto *box = named(new TKivGroupBox(parent), name);
  box->setCaption(caption);
  box->setColorSimpleFrame(KivSystemColor::BtnShadow);
  return box;
}

void colourCaption(TKivGroupBox *box) {
  const QPalette theme = box->palette();
  QPalette blue = theme;
  blue.setColor(QPalette::WindowText, QColor(0x00, 0x80, 0xC0));
  box->setPalette(blue);
  for (QWidget *child : box->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
    QPalette own = child->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      own.setColor(group, QPalette::WindowText, theme.color(group, QPalette::WindowText));
    child->setPalette(own);
  }
}

} // namespace

TFormSetting::TFormSetting(TSettingsHost *host, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), FHost(host) {
  setObjectName(u"FormSetting"_s);
  setWindowTitle(u"  Настройки"_s);
  QFont designFont = QApplication::font();
  designFont.setPointSize(8);
  setFont(designFont);
  buildLayout();
  buildPersistence();
  connectHandlers();
  FormCreate();
}

TFormSetting::~TFormSetting() {
  if (FHost)
    FHost->attachFormSetting(nullptr);
  // An open question goes first, while its answer could still reach a whole window.
  qDeleteAll(findChildren<QMessageBox *>(Qt::FindDirectChildrenOnly));
  ClearFeedRows();
}

void TFormSetting::buildLayout() {
  KivTabControl1 = named(new TKivTabControl(this), u"KivTabControl1"_s);
  KivTabControl1->setTabsPosition(etpLeft);
  KivTabControl1->setTabsStyle(etsRectangular);
  KivTabControl1->setAlignment(Qt::AlignLeft);
  KivTabControl1->setHotTrack(true); // also lets the arrow keys switch pages
  KivTabControl1->setAccessibleName(u"Разделы настроек"_s);
  buildSitesPage();
  buildSettingsPage();

  auto *Panel1 = named(new QFrame(this), u"Panel1"_s);
  Panel1->setFixedHeight(40);
  BImportOPML = button(u"BImportOPML"_s, u"Импорт OPML…"_s, Panel1);
  BImportOPML->setToolTip(u"Взять сайты и ленты из файла OPML другой программы чтения"_s);
  BExportOPML = button(u"BExportOPML"_s, u"Экспорт OPML…"_s, Panel1);
  BExportOPML->setToolTip(u"Сохранить сайты и ленты в файл OPML для другой программы чтения"_s);
  Button1 = button(u"Button1"_s, u"Закрыть"_s, Panel1);
  auto *bottom = new QHBoxLayout(Panel1);
  bottom->addWidget(BImportOPML);
  bottom->addWidget(BExportOPML);
  bottom->addStretch(1);
  bottom->addWidget(Button1);

  auto *window = new QVBoxLayout(this);
  window->setContentsMargins(0, 0, 0, 0);
  window->setSpacing(0);
  window->addWidget(KivTabControl1, 1);
  window->addWidget(Panel1);
}

void TFormSetting::buildSitesPage() {
  auto *page = new TKivTabPage(KivTabControl1, u"Сайты"_s);
  CBSites = named(new QComboBox(page), u"CBSites"_s);
  CBSites->setAccessibleName(u"Сайт"_s);
  KivGroupBox1 = groupBox(u"KivGroupBox1"_s, u" Сайт "_s, page);
  auto *pageColumn = new QVBoxLayout(page);
  pageColumn->setContentsMargins(4, 4, 4, 4);
  pageColumn->addWidget(CBSites);
  pageColumn->addWidget(KivGroupBox1, 1); // the feed rows get the height the window gains
  LStatus = named(new QLabel(page), u"LStatus"_s);
  LStatus->setTextFormat(Qt::PlainText); // it quotes addresses and files
  LStatus->setWordWrap(true);
  LStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  LStatus->hide();
  pageColumn->addWidget(LStatus);

  LESiteName = named(new QLineEdit(KivGroupBox1), u"LESiteName"_s);
  QLabel *siteNameLabel = labelFor(LESiteName, u"Наименование"_s, KivGroupBox1);
  LESiteName->setAccessibleName(u"Наименование сайта"_s);
  Label1 = named(new QLabel(u"RSS ленты"_s, KivGroupBox1), u"Label1"_s);
  Label2 = named(new QLabel(u"Наименование"_s, KivGroupBox1), u"Label2"_s);
  Label2->setFixedWidth(TRSSItem::NameWidth + TRSSItem::Spacing);
  Label3 = named(new QLabel(u"URL"_s, KivGroupBox1), u"Label3"_s);

  ScrollBox1 = named(new QScrollArea(KivGroupBox1), u"ScrollBox1"_s);
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setWidgetResizable(true);
  ScrollBox1->setMinimumHeight(72);
  ScrollBox1->setAccessibleName(u"RSS ленты"_s);
  auto *rows = new QWidget;
  FRows = new QVBoxLayout(rows);
  FRows->setContentsMargins(0, 0, 0, 0);
  FRows->setSpacing(TRSSItem::Spacing);
  FRows->addStretch(1); // rows stack from the top
  ScrollBox1->setWidget(rows);

  Button3 = button(u"Button3"_s, u"Новый"_s, KivGroupBox1);
  Button4 = button(u"Button4"_s, u"Добавить RSS"_s, KivGroupBox1);
  Button2 = button(u"Button2"_s, u"Сохранить"_s, KivGroupBox1);
  Button2->setEnabled(false);
  Button6 = button(u"Button6"_s, u"Удалить"_s, KivGroupBox1);
  Button6->setEnabled(false);

  auto *box = new QVBoxLayout(KivGroupBox1);
  box->addWidget(siteNameLabel);
  box->addWidget(LESiteName);
  box->addWidget(Label1);
  auto *headings = new QHBoxLayout;
  headings->addWidget(Label2);
  headings->addWidget(Label3, 1);
  box->addLayout(headings);
  box->addWidget(ScrollBox1, 1);
  auto *buttons = new QHBoxLayout;
  for (QPushButton *b : {Button3, Button4, Button2, Button6})
    buttons->addWidget(b);
  buttons->addStretch(1);
  box->addLayout(buttons);
  colourCaption(KivGroupBox1);
}

// The seven controls are created in the order they stand on the page: the
// settings file lists its keys in that order.
void TFormSetting::buildSettingsPage() {
  auto *page = new TKivTabPage(KivTabControl1, u"Настройки"_s);
  KivGroupBox2 = groupBox(u"KivGroupBox2"_s, u" Настройки программы "_s, page);
  auto *pageColumn = new QVBoxLayout(page);
  pageColumn->setContentsMargins(4, 4, 4, 4);
  pageColumn->addWidget(KivGroupBox2);
  pageColumn->addStretch(1);

  QWidget *box = KivGroupBox2;
  auto *grid = new QGridLayout(box);
  int row = 0;
  const auto addChoice = [&](QComboBox *list, const QString &caption) {
    grid->addWidget(list, row, 0);
    grid->addWidget(labelFor(list, caption, box), row++, 1);
  };
  const auto addCheck = [&](QCheckBox *check) { grid->addWidget(check, row++, 0, 1, 2); };
  CBTimeOut =
      choiceList(u"CBTimeOut"_s, {u"1"_s,  u"2"_s,  u"3"_s,  u"4"_s,   u"5"_s,   u"10"_s, u"15"_s,
                                  u"20"_s, u"25"_s, u"30"_s, u"35"_s,  u"40"_s,  u"45"_s, u"50"_s,
                                  u"55"_s, u"60"_s, u"90"_s, u"120"_s, u"180"_s, u"240"_s},
                 9, box);
  addChoice(CBTimeOut, u"Таймаут обновлений (минуты)"_s);
  ChBStayOnTop = checkBox(u"ChBStayOnTop"_s, u"  Поверх других окон"_s, box);
  addCheck(ChBStayOnTop);
  ChBStoreXMLItemPos =
      checkBox(u"ChBStoreXMLItemPos"_s, u"  Сохранять позицию после обновления данных "_s, box);
  addCheck(ChBStoreXMLItemPos);
  CBFilterAssociation = choiceList(u"CBFilterAssociation"_s, {u"И"_s, u"ИЛИ"_s}, 0, box);
  addChoice(CBFilterAssociation, u"Объединение поисковых слов"_s);
  CBAlphaBlend = choiceList(u"CBAlphaBlend"_s,
                            {u"0"_s, u"10"_s, u"20"_s, u"30"_s, u"40"_s, u"50"_s, u"60"_s, u"70"_s,
                             u"80"_s, u"90"_s, u"100"_s},
                            2, box);
  addChoice(CBAlphaBlend, u"Прозрачность %"_s);
  ChBBallonsOff = checkBox(u"ChBBallonsOff"_s, u" Отключить всплывающие сообщения"_s, box);
  addCheck(ChBBallonsOff);
  ChBSoundsUse = checkBox(u"ChBSoundsUse"_s, u" Отключить звуки"_s, box);
  addCheck(ChBSoundsUse);
  ChBWatchAll = checkBox(u"ChBWatchAll"_s, u" Следить за всеми сайтами"_s, box);
  ChBWatchAll->setChecked(true);
  addCheck(ChBWatchAll);
  // Not one of the settings file's: the autostart entry itself is the record.
  ChBAutostart = checkBox(u"ChBAutostart"_s, u" Запускать при входе в систему"_s, box);
  addCheck(ChBAutostart);
  grid->setColumnStretch(1, 1);
  colourCaption(KivGroupBox2);
}

void TFormSetting::connectHandlers() {
  connect(CBSites, &QComboBox::currentIndexChanged, this, &TFormSetting::CBSitesChange);
  connect(LESiteName, &QLineEdit::textEdited, this, &TFormSetting::LESiteNameChange);
  connect(Button3, &QPushButton::clicked, this, &TFormSetting::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TFormSetting::Button4Click);
  connect(Button2, &QPushButton::clicked, this, &TFormSetting::Button2Click);
  connect(Button6, &QPushButton::clicked, this, &TFormSetting::Button6Click);
  connect(Button1, &QPushButton::clicked, this, &QWidget::hide);
  connect(BImportOPML, &QPushButton::clicked, this, &TFormSetting::BImportOPMLClick);
  connect(BExportOPML, &QPushButton::clicked, this, &TFormSetting::BExportOPMLClick);
  for (QComboBox *list : {CBTimeOut, CBFilterAssociation, CBAlphaBlend})
    connect(list, &QComboBox::currentIndexChanged, this, &TFormSetting::CBTimeOutChange);
  for (QCheckBox *check :
       {ChBStayOnTop, ChBStoreXMLItemPos, ChBBallonsOff, ChBSoundsUse, ChBWatchAll})
    connect(check, &QCheckBox::toggled, this, &TFormSetting::CBTimeOutChange);
  connect(ChBAutostart, &QCheckBox::clicked, this, &TFormSetting::ChBAutostartClick);
}

// A refusal leaves the box showing what is true, and says so.
void TFormSetting::ChBAutostartClick(bool on) {
  if (TAutostart::setEnabled(on))
    return;
  showAutostart();
  auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                              (on ? u"Не удалось включить запуск при входе в систему:\n"_s
                                  : u"Не удалось отключить запуск при входе в систему:\n"_s) +
                                  QDir::toNativeSeparators(TAutostart::entryFile()),
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  box->open();
}

// The entry may come or go behind the program's back (a session manager's
// own settings), so the box is set from it whenever the window shows.
void TFormSetting::showAutostart() {
  const QSignalBlocker quiet(ChBAutostart);
  ChBAutostart->setChecked(TAutostart::enabled());
}

void TFormSetting::FormCreate() {
  if (FHost)
    FHost->attachFormSetting(this);
  resize(429, 330);
  if (const QScreen *desktop = screen())
    move(desktop->availableGeometry().center() - rect().center());
  KivTabControl1->setTabIndex(0);
  readSettings();
  showAutostart();
  LoadSites();
  if (CBSites->count() > 0 && CBSites->currentIndex() < 0) {
    selectQuietly(0);
    CBSitesChange();
  }
  if (FHost)
    FHost->RebuildSiteTabs();
}

int TFormSetting::updateMinutes() const {
  return StrToIntSafe(CBTimeOut->currentText());
}

bool TFormSetting::balloonsOff() const {
  return ChBBallonsOff->isChecked();
}

bool TFormSetting::soundsOff() const {
  return ChBSoundsUse->isChecked();
}

bool TFormSetting::watchAll() const {
  return ChBWatchAll->isChecked();
}

bool TFormSetting::keepItemPosition() const {
  return ChBStoreXMLItemPos->isChecked();
}

bool TFormSetting::filterUsesOr() const {
  return CBFilterAssociation->currentIndex() == 1;
}

// A fresh look at the window starts with nothing to save; unsaved edits stay
// in the controls until another site is chosen.
void TFormSetting::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  fillEditor();
  if (!event->spontaneous() && !(FHost && FHost->destroying()))
    Button2->setEnabled(false);
  showAutostart();
}

// A choice still open goes with the window, and the save it held goes on.
void TFormSetting::hideEvent(QHideEvent *event) {
  QWidget::hideEvent(event);
  if (auto *chooser = findChild<TFeedChooser *>(QString(), Qt::FindDirectChildrenOnly))
    chooser->reject();
}

void TFormSetting::keyPressEvent(QKeyEvent *event) {
  // Esc works as "Закрыть": the window is only hidden, never destroyed.
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QWidget::keyPressEvent(event);
}
