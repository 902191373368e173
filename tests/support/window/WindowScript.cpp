#include "support/window/WindowScript.h"

#include "components/KivTabSet.h"
#include "components/URLLbl.h"
#include "feeds/FeedWatch.h"
#include "platform/Codepage.h"
#include "platform/Connectivity.h"
#include "support/GoldenFile.h"
#include "support/ScriptDump.h"
#include "zentara/Advertising.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kPanelPath = "/_vx_advertising/advertising_show.php";

QString onOff(const QWidget *w) {
  return w->isEnabled() ? QString() : u" (off)"_s;
}

// Every item in order, "-" for a separator, a submenu in brackets, a ticked
// item starred, the default one marked "!" and a disabled one "(off)".
QString menuTree(const QWidget *menu) {
  const auto *asMenu = qobject_cast<const QMenu *>(menu);
  QStringList items;
  for (const QAction *a : menu->actions())
    items << (asMenu && asMenu->defaultAction() == a ? u"!"_s : QString()) +
                 (a->isChecked() ? u"*"_s : QString()) + (a->isSeparator() ? u"-"_s : a->text()) +
                 (a->isEnabled() ? u""_s : u" (off)"_s) +
                 (a->menu() ? u'[' + menuTree(a->menu()) + u']' : QString());
  return items.join(u'|');
}

// The message box on screen, if any.
QString shownMessage() {
  for (QWidget *widget : QApplication::topLevelWidgets())
    if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
      return box->text();
  return {};
}

} // namespace

void TWindowScript::closeWindows() {
  FChecks.reset();
  FForm.reset();
  FSettings.reset();
}

QString TWindowScript::masked(QString text) const {
  static const QRegularExpression archiveDate(u"\\d+ \\w+ \\d{4} \\d\\d:\\d\\d:\\d\\d"_s);
  return text.replace(u"127.0.0.1:%1"_s.arg(FServer->port()), u"SERVER"_s)
      .replace(u"localhost:%1"_s.arg(FServer->port()), u"OTHERHOST"_s)
      .replace(FData->path(), u"<data>"_s)
      .replace(archiveDate, u"<date>"_s);
}

void TWindowScript::writeIni(const QString &name, const QString &lines) {
  put(FData->file(name),
      TCodepage::toCp1251(QString(QString(lines).replace(u'|', u"\r\n"_s) + u"\r\n"_s)));
}

// "Site: Name=address, ... | Site: ..." after the archive, as "vxs.ini".
void TWindowScript::writeSites(const QString &boards) {
  QString ini = u"[item_0]|title=Архив|00_name=Архив сообщений|00_url=vx_arhive.xml"_s;
  const QStringList sites = boards.split(u'|', Qt::SkipEmptyParts);
  for (int i = 0; i < sites.size(); ++i) {
    ini += u"|[item_%1]|title=%2"_s.arg(i + 1).arg(sites[i].section(u':', 0, 0).trimmed());
    const QStringList feeds = sites[i].section(u':', 1).split(u',', Qt::SkipEmptyParts);
    for (int j = 0; j < feeds.size(); ++j)
      ini += u"|%1%2_name=%3|%1%2_url=%4"_s.arg(i + 1).arg(j).arg(
          feeds[j].section(u'=', 0, 0).trimmed(),
          feeds[j]
              .section(u'=', 1)
              .trimmed()
              .replace(u"OTHERHOST"_s, u"localhost:%1"_s.arg(FServer->port()))
              .replace(u"SERVER"_s, u"127.0.0.1:%1"_s.arg(FServer->port())));
  }
  writeIni(u"vxs.ini"_s, ini);
}

// Made as the program's entry makes them; quiet but for "loud" (ticked before
// the first show, so "vxss.ini" keeps them off only when a script writes it).
void TWindowScript::open(bool loud) {
  closeWindows();
  FForm = std::make_unique<TForm1>();
  FSettings = std::make_unique<TFormSetting>(FForm.get());
  for (const char *box : {"ChBBallonsOff", "ChBSoundsUse"})
    Control<QCheckBox>(FSettings.get(), box)->setChecked(!loud);
  FTray = TTrayMode::XEmbed;
  FForm->setTrayProbe([this] { return FTray; });
  QObject::connect(FForm.get(), &TForm1::statusReported, FForm.get(),
                   [this](TStatusKind kind, const QString &title, const QString &text) {
                     FLog << u"status %1 %2: %3"_s.arg(int(kind)).arg(title, Flat(text));
                   });
  QObject::connect(FForm.get(), &TForm1::eventSoundRequested, FForm.get(),
                   [this](TEventSoundId id) { FLog << u"sound %1"_s.arg(int(id)); });
  FChecks = std::make_unique<QSignalSpy>(FForm->feedWatch(), &TFeedWatch::checked);
}

void TWindowScript::step(const QString &line) {
  QStringList words = line.split(u' ', Qt::SkipEmptyParts);
  const QString op = words.takeFirst(), rest = line.section(u' ', 1);
  const int n = words.value(0).toInt(), m = words.value(1).toInt();
  if (ownStep(line)) {
  } else if (op == u"sites") {
    writeSites(rest);
  } else if (op == u"write") { // an INI file, "|" between its lines
    writeIni(words.value(0), line.section(u' ', 2));
  } else if (op == u"put") { // a page in Windows-1251, as the side panel's are
    const QString text = line.section(u' ', 2);
    put(FData->file(words.value(0)),
        words.value(0).endsWith(u".html"_s) ? TCodepage::toCp1251(text) : text.toUtf8());
  } else if (op == u"remove") {
    QVERIFY(QFile::remove(FData->file(rest)));
  } else if (op == u"age") { // a feed file made old enough to be fetched again
    QFile file(FData->file(rest));
    QVERIFY(file.open(QIODevice::ReadOnly) &&
            file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)),
                             QFileDevice::FileModificationTime));
  } else if (op == u"serve") { // "panel" for the side panel's page
    FServer->route(words.value(0) == u"panel" ? kPanelPath : words.value(0).toUtf8(),
                   ScriptAnswer(words.value(1), words.mid(2)));
  } else if (op == u"open") { // "loud": with balloons and sounds
    open(rest == u"loud");
  } else if (op == u"tray") { // the tray the window finds from now on
    FTray = rest == u"none"  ? TTrayMode::None
            : rest == u"sni" ? TTrayMode::StatusNotifier
                             : TTrayMode::XEmbed;
    FForm->setTrayProbe([this] { return FTray; });
  } else if (op == u"show") { // "Показать", then the first show's deferred refresh
    FForm->N9Click();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
    QCoreApplication::processEvents();
  } else if (op == u"hidden-start") { // at login; the tray comes after n ms (none: never)
    FTray = rest == u"0" ? TTrayMode::XEmbed : TTrayMode::None;
    FForm->setTrayProbe([this] { return FTray; });
    if (n > 0)
      QTimer::singleShot(n, FForm.get(), [this] { FTray = TTrayMode::XEmbed; });
    FForm->StartHidden(std::chrono::milliseconds(600));
  } else if (op == u"way") { // out of sight and back as a user goes; the window settles first
    if (rest == u"minimise")
      FForm->showMinimized();
    else if (rest == u"again")
      FForm->BringForward();
    else if (rest.startsWith(u'N'))
      w<QAction>(qPrintable(rest))->trigger();
    else // "click" or "double-click" on the tray icon
      Q_EMIT w<QSystemTrayIcon>("TrayIcon1")
          ->activated(rest == u"click" ? QSystemTrayIcon::Trigger : QSystemTrayIcon::DoubleClick);
    QCoreApplication::processEvents(); // the tray and the menus are answered from the event loop
    QTest::qWait(100);                 // and the window system answers in its own time
  } else if (op == u"wait") {
    QTest::qWait(n);
  } else if (op == u"close") {
    FForm->close();
  } else if (op == u"tab") {
    w<TKivTabSet>("KivTabSet1")->setTabIndex(n);
  } else if (op == u"menu") { // a menu by its name, its item by position
    w(qPrintable(words.value(0)))->actions().value(m)->trigger();
    QCoreApplication::processEvents(); // a choice is acted on from the event loop
  } else if (op == u"click") {
    QTest::mouseClick(w(qPrintable(rest)), Qt::LeftButton);
  } else if (op == u"jump") {
    Q_EMIT w<QComboBox>("CBFastTransition")->activated(n);
  } else if (op == u"filter-text") { // a word n times, set without typing
    w<QLineEdit>("EditFilter")->setText(QString(words.value(1) + u' ').repeated(n));
  } else if (op == u"type") {
    QTest::keyClicks(w<QLineEdit>("EditFilter"), rest);
  } else if (op == u"timer") { // a timer's tick, now
    QVERIFY(QMetaObject::invokeMethod(w<QTimer>(qPrintable(rest)), "timeout"));
  } else if (op == u"setting") { // a list's index, or a box ticked (1) or not (0)
    auto *control = Control<QObject>(FSettings.get(), qPrintable(words.value(0)));
    if (auto *list = qobject_cast<QComboBox *>(control))
      list->setCurrentIndex(m);
    else
      qobject_cast<QCheckBox *>(control)->setChecked(m == 1);
  } else if (op == u"rename-site") { // in the settings window, typed, then "Сохранить"
    Control<QComboBox>(FSettings.get(), "CBSites")->setCurrentIndex(n);
    Control<QLineEdit>(FSettings.get(), "LESiteName")->insert(line.section(u' ', 2));
    Control<QPushButton>(FSettings.get(), "Button2")->click();
  } else if (op == u"place") { // x y width height, as the window system reports a drag
    FForm->windowHandle()->setGeometry(n, m, words.value(2).toInt(), words.value(3).toInt());
    QTest::qWait(400);                      // the place is saved once the drag has ended
  } else if (op == u"move-to-right-edge") { // leaving a gap of n pixels
    const QRect screen = FForm->screen()->geometry();
    FForm->move(screen.right() + 1 - n - FForm->frameGeometry().width(), 40);
  } else if (op == u"hint") { // the pointer onto a control ("in") or off it
    QStatusTipEvent event(words.value(1) == u"in" ? w(qPrintable(words.value(0)))->statusTip()
                                                  : QString());
    QApplication::sendEvent(w(qPrintable(words.value(0))), &event);
  } else if (op == u"popup") { // the jump list's, "open" or "close"
    auto *jumps = w<QComboBox>("CBFastTransition");
    rest == u"open" ? jumps->showPopup() : jumps->hidePopup();
    QTRY_COMPARE(QApplication::activePopupWidget() != nullptr, rest == u"open");
  } else if (op == u"checks") { // n more checks, 4 a second; then the watch rests
    FForm->feedWatch()->setInterval(std::chrono::milliseconds(250));
    const qsizetype target = FChecks->size() + n;
    QVERIFY(QTest::qWaitFor([&] { return FChecks->size() >= target; }, 20000));
    FForm->feedWatch()->setInterval(std::chrono::hours(1));
    static_cast<void>(QTest::qWaitFor([&] { return FChecks->size() > target; }, 1000));
    FSortStep = true;
  } else if (op == u"sounds") { // the program's own, and a listener at the sound server
    QDir().mkpath(FData->file(u"sounds"_s));
    for (const QFileInfo &wav :
         QDir(QStringLiteral(VORNIX_SOURCE_DIR "/resources/sounds")).entryInfoList({u"*.wav"_s}))
      QFile::copy(wav.filePath(), FData->file(u"sounds/"_s + wav.fileName()));
    FSoundServer.start(u"pactl"_s, {u"subscribe"_s});
    QVERIFY(FSoundServer.waitForStarted());
  } else if (op == u"message-closed") {
    for (QWidget *widget : QApplication::topLevelWidgets())
      if (auto *box = qobject_cast<QMessageBox *>(widget))
        box->close();
  } else if (op == u"balloons-closed") {
    QCOMPARE(QProcess::execute(u"dunstctl"_s, {u"close-all"_s}), 0);
  } else if (op == u"balloon-chosen") { // the top balloon's own action, through the service
    QCOMPARE(QProcess::execute(u"dunstctl"_s, {u"action"_s, u"0"_s}), 0);
    QVERIFY(QTest::qWaitFor([&] { return FForm->shownOnScreen() && !FLog.isEmpty(); }, 10000));
    QTest::qWait(200);
  } else {
    QFAIL(qPrintable(u"unknown step: "_s + line));
  }
}

QStringList TWindowScript::viewLines() const {
  if (!FForm || FForm->destroying())
    return {};
  auto *tabs = w<TKivTabSet>("KivTabSet1");
  QStringList strip, marks, unnamed;
  for (int i = 0; i < tabs->TabsList().count(); ++i) {
    strip << (i == tabs->TabIndex() ? u"*"_s : QString()) + tabs->TabsList().strings(i);
    TKivTitleFont font{FForm->font(), Qt::black};
    QString text = tabs->TabsList().strings(i);
    bool canDraw = true;
    tabs->OnDrawTitle(tabs, tabs->titleRect(i), false, false, font, text, 0, canDraw);
    if (font.Font.underline() || text != tabs->TabsList().strings(i))
      marks << text;
  }
  for (QWidget *control : FForm->findChildren<QWidget *>()) {
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
    const bool control_ =
        qobject_cast<QAbstractButton *>(control) || qobject_cast<QLineEdit *>(control) ||
        qobject_cast<QComboBox *>(control) || qobject_cast<TKivCustomTabSet *>(control);
    if (control->isVisible() && control_ && (!a || a->text(QAccessible::Name).isEmpty()))
      unnamed << control->objectName();
  }
  const auto *title = w<TURLLabel>("FeedTitleLabel");
  const auto *item = w<TURLLabel>("FViRSSTitle");
  const auto *category = w<QLabel>("FViRSSCategory");
  const auto *comments = w<TURLLabel>("FViRSSComments");
  const auto *jumps = w<QComboBox>("CBFastTransition");
  const auto *box = w<QCheckBox>("ChBFiltered");
  QStringList labels;
  for (const TURLLabel *label : w<TScrollBoxAdvertising>("ScrollBoxAdvertising")->labels())
    labels << label->text();
  const QRect place = FForm->geometry();
  const auto timer = [this](const char *name) -> QString {
    return QString::number(w<QTimer>(name)->interval()) +
           (w<QTimer>(name)->isActive() ? u" on"_s : u""_s);
  };
  QAccessibleInterface *status = QAccessible::queryAccessibleInterface(w("StatusBar1Text"));
  return {
      u"window: %1,%2 %3x%4%5%6 %7 opacity %8%9"_s.arg(place.x())
          .arg(place.y())
          .arg(place.width())
          .arg(place.height())
          .arg(FForm->shownOnScreen() ? u" shown"_s : u" away"_s)
          .arg(FForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? u" on top"_s : u""_s)
          .arg(FForm->windowTitle())
          .arg(qRound(FForm->windowOpacity() * 255))
          .arg(FForm->windowType() == Qt::Tool ? u", a tool window"_s : u""_s),
      u"tabs: %1; marked: %2; tray tip: %3"_s.arg(strip.join(u" | "_s), marks.join(u", "_s),
                                                  Flat(w<QSystemTrayIcon>("TrayIcon1")->toolTip())),
      u"menu: "_s + menuTree(FForm->menuBar()),
      u"tray: "_s + menuTree(w("KivPopupMenu1")),
      u"header: %1 <%2> | %3"_s.arg(title->text(), title->URL(),
                                    w<QLabel>("FeedInfoLabel")->text()),
      u"item: %1 <%2> | %3 | %4%5 | %6 <%7>%8 | %9"_s.arg(
          item->text(), item->URL(), w<QLabel>("FViRSSPubDate")->text(), category->text(),
          category->isHidden() ? u" (hidden)"_s : QString(), comments->text(), comments->URL(),
          comments->isHidden() ? u" (hidden)"_s : QString(),
          Flat(w<QTextEdit>("FViRSSDescription")->toPlainText())),
      u"bar: [%1] %2%3 | %4%5 | jump %6 of %7%8"_s.arg(
          w<QLineEdit>("EditFilter")->text().left(40), box->isChecked() ? u"[x] "_s : u"[ ] "_s,
          box->text() + onOff(box), w<QPushButton>("Button3")->text() + onOff(w("Button3")),
          u" | <" + onOff(w("Button2")) + u" | >" + onOff(w("Button1")),
          QString::number(jumps->currentIndex() + 1), QString::number(jumps->count()),
          onOff(jumps)),
      u"status: "_s + Flat(FForm->statusText()) + u" | read aloud: "_s +
          (status ? status->text(QAccessible::Name) : u"nothing"_s),
      u"panel: %1, width %2, %3 [%4]"_s.arg(
          FForm->zentaraPanelVisible() ? u"shown"_s : u"hidden"_s, QString::number(FForm->width()),
          w("KivXPSpeedButton1")->toolTip(), labels.join(u" | "_s)),
      u"timers: update %1, panel %2; settings window %3; unnamed controls: %4"_s.arg(
          timer("Timer1"), timer("TimerAdvertisingShow"),
          FSettings->isVisible() ? u"shown"_s : u"hidden"_s, unnamed.join(u' '))};
}

QString TWindowScript::dump(const QString &line) {
  QStringList out{u"> "_s + line}, said = std::exchange(FLog, {});
  if (FWatcher.sync()) {
    for (const auto &n : FWatcher.notifies().mid(FNotifies))
      said << u"balloon %1 %2: %3"_s.arg(n.Icon.isEmpty() ? u"-"_s : n.Icon, n.Summary,
                                         Flat(n.Body));
    FNotifies = FWatcher.notifies().size();
  } else {
    said << u"the notification service did not answer"_s;
  }
  if (FSoundServer.state() == QProcess::Running && !FSoundServer.waitForReadyRead(500))
    said << u"the sound server heard nothing"_s;
  for (const QByteArray &event : FSoundServer.readAllStandardOutput().split('\n'))
    if (event.contains("'new' on sink-input"))
      said << u"the sound server plays a sound"_s;
  if (FSortStep)
    said.sort();
  for (const QString &entry : said)
    out << u"  "_s + masked(entry);
  QStringList paths = NewRequests(*FServer, FRequests);
  if (FSortStep) { // the watch's rounds: which feeds, not how often
    paths.sort();
    paths.removeDuplicates();
  }
  if (!paths.isEmpty())
    out << u"  requests: "_s + paths.join(u' ');
  // The INI files in full, as bytes on disk; others by size, but the sounds,
  // the full disk's filler and the watch's own files, named by the address
  // with the port in it.
  const QStringList changes =
      FFiles.look(FData->path(), [](const QString &name, const QByteArray &bytes) -> QString {
        if (name.startsWith(u"sounds/"_s) || name.contains(u"/watch/"_s) || name == u"filler"_s)
          return QString();
        return name.endsWith(u".ini"_s) ? u": "_s + Flat(TCodepage::fromCp1251(bytes)) : u""_s;
      });
  for (const QString &line : ChangedLines(viewLines(), FLastView) + changes)
    out << u"  "_s + masked(line);
  FSortStep = false;
  if (const QString message = shownMessage(); !message.isEmpty())
    out << u"  message: "_s + masked(message);
  return out.join(u'\n');
}

void TWindowScript::prepare(TNotificationWatcher &watcher) {
  QApplication::setApplicationDisplayName(u"Vornix"_s);
  QLoggingCategory::setFilterRules(u"vornix.download.warning=false"_s);
  QString error;
  QVERIFY2(watcher.start(&error), qPrintable(error));
}

void TWindowScript::begin() {
  closeWindows();
  FData = std::make_unique<TTempDataFolder>();
  FServer = std::make_unique<TTestHttpServer>();
  QVERIFY(FServer->start());
  qputenv("VORNIX_ZENTARA_URL", FServer->url(kPanelPath).toUtf8());
  TConnectivity::setProbe([] { return true; });
  QVERIFY(FWatcher.sync());
  FNotifies = FWatcher.notifies().size();
  FRequests = 0;
  FFiles = {};
  FLastView.clear();
  FLog.clear();
}

void TWindowScript::run(const QString &input) {
  if (!FData)
    begin();
  QStringList dumps;
  for (const QString &line : ScriptLines(input)) {
    step(line.trimmed());
    if (QTest::currentTestFailed())
      return;
    dumps << dump(line.trimmed());
  }
  closeWindows();
  compareWithGolden(input, dumps.join(u'\n') + u'\n');
}
