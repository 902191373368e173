#include "app/TrayAnimation.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "components/URLLbl.h"
#include "platform/BusyWait.h"
#include "platform/Codepage.h"
#include "platform/Connectivity.h"
#include "tray/TrayHost.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/FeedBuilder.h"
#include "support/FileBytes.h"
#include "support/GoldenFile.h"
#include "support/NotificationWatcher.h"
#include "support/QuietWindows.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"
#include "zentara/Advertising.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kPanelPath = "/_vx_advertising/advertising_show.php";

QString flat(QString text) {
  return text.replace(u"\r\n"_s, u" / "_s).replace(u'\r', u" / "_s).replace(u'\n', u" / "_s);
}

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
                 (a->isChecked() ? u"*"_s : QString()) +
                 (a->isSeparator() ? u"-"_s : a->text()) + (a->isEnabled() ? u""_s : u" (off)"_s) +
                 (a->menu() ? u'[' + menuTree(a->menu()) + u']' : QString());
  return items.join(u'|');
}

} // namespace

// The main window driven by scripts in tests/data/mainwindow/window, a step a line, as a
// user drives it: clicks, keys, menus, the settings window's controls, against feeds and the
// side panel's page on 127.0.0.1. After each step the dump gives the controls that changed
// (place, tabs, menus, header, item, bar, status line, side panel, timers), the reports and
// sounds, the balloons the real notification service was sent, the requests served and the
// files written.
class TestMainWindow : public QObject {
  Q_OBJECT
  std::unique_ptr<TTempDataFolder> FData;
  std::unique_ptr<TTestHttpServer> FServer;
  std::unique_ptr<TFormSetting> FSettings;
  std::unique_ptr<TForm1> FForm;
  TNotificationWatcher FWatcher;
  qsizetype FNotifies = 0, FRequests = 0;
  QStringList FLog, FLastView;
  std::map<QString, QByteArray> FFiles;
  TTrayMode FTray = TTrayMode::XEmbed;

  QString masked(QString text) const {
    static const QRegularExpression archiveDate(u"\\d+ \\w+ \\d{4} \\d\\d:\\d\\d:\\d\\d"_s);
    return text.replace(u"127.0.0.1:%1"_s.arg(FServer->port()), u"SERVER"_s)
        .replace(FData->path(), u"<data>"_s)
        .replace(archiveDate, u"<date>"_s);
  }
  template <typename T = QWidget> T *w(const char *name) const {
    return Control<T>(FForm.get(), name);
  }
  template <typename T = QWidget> T *s(const QString &name) const {
    return Control<T>(FSettings.get(), qPrintable(name));
  }

  void writeIni(const QString &name, const QString &lines) {
    put(FData->file(name), TCodepage::toCp1251(QString(QString(lines).replace(u'|', u"\r\n"_s) + u"\r\n"_s)));
  }
  // "Site: Name=address, ... | Site: ..." after the archive, as "vxs.ini".
  void writeSites(const QString &spec) {
    QString ini = u"[item_0]|title=Архив|00_name=Архив сообщений|00_url=vx_arhive.xml"_s;
    const QStringList sites = spec.split(u'|', Qt::SkipEmptyParts);
    for (int i = 0; i < sites.size(); ++i) {
      ini += u"|[item_%1]|title=%2"_s.arg(i + 1).arg(sites[i].section(u':', 0, 0).trimmed());
      const QStringList feeds = sites[i].section(u':', 1).split(u',', Qt::SkipEmptyParts);
      for (int j = 0; j < feeds.size(); ++j)
        ini += u"|%1%2_name=%3|%1%2_url=%4"_s.arg(i + 1).arg(j).arg(
            feeds[j].section(u'=', 0, 0).trimmed(),
            feeds[j].section(u'=', 1).trimmed().replace(u"SERVER"_s,
                                                        u"127.0.0.1:%1"_s.arg(FServer->port())));
    }
    writeIni(u"vxs.ini"_s, ini);
  }

  void open(bool loud) {
    FTray = TTrayMode::XEmbed;
    FForm.reset();
    FSettings.reset();
    CreateQuietWindows(FSettings, FForm);
    if (loud)
      s<QCheckBox>(u"ChBBallonsOff"_s)->setChecked(false);
    FForm->setTrayProbe([this] { return FTray; });
    connect(FForm.get(), &TForm1::statusReported, this,
            [this](TStatusKind kind, const QString &title, const QString &text) {
              FLog << u"status %1 %2: %3"_s.arg(int(kind)).arg(title, flat(text));
            });
    connect(FForm.get(), &TForm1::eventSoundRequested, this,
            [this](TEventSoundId id) { FLog << u"sound %1"_s.arg(int(id)); });
  }

  void serve(const QStringList &words) {
    const QByteArray path = words.value(0) == u"panel" ? kPanelPath : words.value(0).toUtf8();
    const QString kind = words.value(1);
    if (kind == u"feed")
      return FServer->route(path, TTestResponse::ok(FeedOf(words.mid(2))));
    if (kind == u"page") // a side panel page: its title and one link, in Windows-1251
      return FServer->route(path, TTestResponse::ok(TCodepage::toCp1251(
                                      u"<html><head><title>%1</title></head><body><a href=\"https:"
                                      u"//example.org/\">%2</a></body></html>"_s.arg(
                                          words.value(2), words.value(3)))));
    if (kind == u"empty")
      return FServer->route(path, TTestResponse::ok({}));
    if (kind == u"big")
      return FServer->route(path, TTestResponse::ok(QByteArray(kZentaraMaxPageBytes + 1, 'a')));
    FServer->route(path, TTestResponse::error(words.value(2).toInt()));
  }

  void step(const QString &line) {
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    const QString op = words.takeFirst(), rest = line.section(u' ', 1);
    const int n = words.value(0).toInt(), m = words.value(1).toInt();
    if (op == u"sites") {
      writeSites(rest);
    } else if (op == u"write") { // an INI file, "|" between its lines
      writeIni(words.value(0), line.section(u' ', 2));
    } else if (op == u"put") { // a page in Windows-1251, as the side panel's are
      const QString text = line.section(u' ', 2);
      QDir().mkpath(QFileInfo(FData->file(words.value(0))).path());
      put(FData->file(words.value(0)),
          words.value(0).endsWith(u".html"_s) ? TCodepage::toCp1251(text) : text.toUtf8());
    } else if (op == u"remove") {
      QVERIFY(QFile::remove(FData->file(rest)));
    } else if (op == u"serve") {
      serve(words);
    } else if (op == u"open") { // "loud": with balloons
      open(rest == u"loud");
    } else if (op == u"tray") {
      FTray = rest == u"none" ? TTrayMode::None : TTrayMode::XEmbed;
      FForm->setTrayProbe([this] { return FTray; });
    } else if (op == u"show") { // "Показать", then the first show's deferred refresh
      FForm->N9Click();
      QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
      QCoreApplication::processEvents();
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
      QVERIFY(QMetaObject::invokeMethod(w<QComboBox>("CBFastTransition"), "activated",
                                        Q_ARG(int, n)));
    } else if (op == u"type") {
      QTest::keyClicks(w<QLineEdit>("EditFilter"), rest);
    } else if (op == u"timer") { // a timer's tick, now
      QVERIFY(QMetaObject::invokeMethod(FForm->findChild<QTimer *>(rest), "timeout"));
    } else if (op == u"setting") { // a list's index, or a box ticked (1) or not (0)
      if (auto *list = qobject_cast<QComboBox *>(s<QObject>(words.value(0))))
        list->setCurrentIndex(m);
      else
        s<QCheckBox>(words.value(0))->setChecked(m == 1);
    } else if (op == u"place") { // x y width height, as the window system reports a drag
      FForm->windowHandle()->setGeometry(n, m, words.value(2).toInt(), words.value(3).toInt());
      QTest::qWait(400); // the place is saved once the drag has ended
    } else if (op == u"move-to-right-edge") { // leaving a gap of n pixels
      const QRect screen = FForm->screen()->geometry();
      FForm->move(screen.right() + 1 - n - FForm->frameGeometry().width(), 40);
    } else {
      QFAIL(qPrintable(u"unknown step: "_s + line));
    }
  }

  QStringList viewLines() const {
    if (!FForm || FForm->destroying())
      return {};
    const auto *tabs = w<TKivTabSet>("KivTabSet1");
    QStringList strip;
    for (int i = 0; i < tabs->TabsList().count(); ++i)
      strip << (i == tabs->TabIndex() ? u"*"_s : QString()) + tabs->TabsList().strings(i);
    const auto *title = w<TURLLabel>("FeedTitleLabel");
    const auto *item = w<TURLLabel>("FViRSSTitle");
    const auto *category = w<QLabel>("FViRSSCategory");
    const auto *comments = w<TURLLabel>("FViRSSComments");
    const auto *jumps = w<QComboBox>("CBFastTransition");
    const auto *box = w<QCheckBox>("ChBFiltered");
    const auto *panel = w<TScrollBoxAdvertising>("ScrollBoxAdvertising");
    QStringList labels;
    for (const TURLLabel *label : panel->labels())
      labels << label->text();
    const QRect place = FForm->geometry();
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
        u"tabs: "_s + strip.join(u" | "_s),
        u"menu: "_s + menuTree(FForm->menuBar()),
        u"tray: "_s + menuTree(w("KivPopupMenu1")),
        u"header: %1 <%2> | %3"_s.arg(title->text(), title->URL(), w<QLabel>("FeedInfoLabel")->text()),
        u"item: %1 <%2> | %3 | %4%5 | %6 <%7>%8 | %9"_s.arg(
            item->text(), item->URL(), w<QLabel>("FViRSSPubDate")->text(), category->text(),
            category->isHidden() ? u" (hidden)"_s : QString(), comments->text(), comments->URL(),
            comments->isHidden() ? u" (hidden)"_s : QString(),
            flat(w<QTextEdit>("FViRSSDescription")->toPlainText())),
        u"bar: [%1] %2%3 | %4%5 | jump %6 of %7%8 | %9%10"_s.arg(
            w<QLineEdit>("EditFilter")->text(), box->isChecked() ? u"[x] "_s : u"[ ] "_s,
            box->text() + onOff(box), w<QPushButton>("Button3")->text() + onOff(w("Button3")),
            u" | <" + onOff(w("Button2")) + u" | >" + onOff(w("Button1")),
            QString::number(jumps->currentIndex() + 1), QString::number(jumps->count()),
            onOff(jumps), u"status:"_s, flat(FForm->statusText())),
        u"panel: %1, width %2, %3 [%4]"_s.arg(
            FForm->zentaraPanelVisible() ? u"shown"_s : u"hidden"_s,
            QString::number(FForm->width()), w("KivXPSpeedButton1")->toolTip(),
            labels.join(u" | "_s)),
        u"timers: update %1%2, panel %3%4"_s.arg(
            QString::number(FForm->findChild<QTimer *>(u"Timer1"_s)->interval()),
            FForm->findChild<QTimer *>(u"Timer1"_s)->isActive() ? u" on"_s : u""_s,
            QString::number(FForm->findChild<QTimer *>(u"TimerAdvertisingShow"_s)->interval()),
            FForm->findChild<QTimer *>(u"TimerAdvertisingShow"_s)->isActive() ? u" on"_s
                                                                              : u""_s),
        u"settings window: "_s + (FSettings->isVisible() ? u"shown"_s : u"hidden"_s)};
  }

  // The INI files in full, as bytes on disk; other files by size.
  QStringList fileChanges() {
    std::map<QString, QByteArray> now;
    QDirIterator it(FData->path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      if (!path.contains(u"/sounds/"_s))
        now[QDir(FData->path()).relativeFilePath(path)] = contentOf(path);
    }
    QStringList lines;
    for (const auto &[name, bytes] : now) {
      if (const auto before = FFiles.find(name); before != FFiles.end() && before->second == bytes)
        continue;
      lines << u"file %1: %2 bytes"_s.arg(name).arg(bytes.size());
      if (name.endsWith(u".ini"_s))
        lines.last() += u": "_s + masked(flat(TCodepage::fromCp1251(bytes)));
    }
    FFiles = std::move(now);
    return lines;
  }

  QString dump(const QString &line) {
    QStringList out{u"> "_s + line};
    for (const QString &entry : std::exchange(FLog, {}))
      out << u"  "_s + masked(entry);
    if (!FWatcher.sync())
      out << u"  the notification service did not answer"_s;
    for (const auto &n : FWatcher.notifies().mid(FNotifies))
      out << u"  balloon %1 %2: %3"_s.arg(n.Icon.isEmpty() ? u"-"_s : n.Icon, n.Summary,
                                          masked(flat(n.Body)));
    FNotifies = FWatcher.notifies().size();
    QStringList paths;
    const QList<TTestRequest> requests = FServer->requests();
    for (const TTestRequest &request : requests.mid(FRequests))
      paths << QString::fromUtf8(request.path);
    FRequests = requests.size();
    if (!paths.isEmpty())
      out << u"  requests: "_s + paths.join(u' ');
    const QStringList view = viewLines();
    for (int i = 0; i < view.size(); ++i)
      if (view.at(i) != FLastView.value(i))
        out << u"  "_s + masked(view.at(i));
    FLastView = view;
    for (const QString &change : fileChanges())
      out << u"  "_s + change;
    return out.join(u'\n');
  }


  // Two boards on the server, the windows made and shown on "Web".
  void openOnWeb(bool loud = false) {
    FData = std::make_unique<TTempDataFolder>();
    FServer = std::make_unique<TTestHttpServer>();
    QVERIFY(FServer->start());
    qputenv("VORNIX_ZENTARA_URL", FServer->url(kPanelPath).toUtf8());
    FServer->route("/jobs", TTestResponse::ok(FeedOf({u"alpha"_s, u"beta"_s, u"gamma"_s})));
    writeSites(u"Web: Jobs=SERVER/jobs"_s);
    open(loud);
    step(u"show"_s);
    step(u"tab 1"_s);
  }
  void closeAll() {
    FForm.reset();
    FSettings.reset();
    FServer.reset();
    FData.reset();
    FLog.clear();
  }
  QTimer *timer(const char *name) const { return w<QTimer>(name); }
  void activateTray(QSystemTrayIcon::ActivationReason reason) {
    Q_EMIT w<QSystemTrayIcon>("TrayIcon1")->activated(reason);
    QCoreApplication::processEvents(); // the tray is answered from the event loop
  }

private Q_SLOTS:
  void cleanup() { closeAll(); }
  void initTestCase() {
    QApplication::setApplicationDisplayName(u"Vornix"_s);
    QLoggingCategory::setFilterRules(u"vornix.download.warning=false"_s);
    QString error;
    QVERIFY2(FWatcher.start(&error), qPrintable(error));
  }

  void script_data() { addGoldenRows(u"mainwindow/window"_s); }
  void script() {
    QFETCH(QString, input);
    FData = std::make_unique<TTempDataFolder>();
    FServer = std::make_unique<TTestHttpServer>();
    QVERIFY(FServer->start());
    qputenv("VORNIX_ZENTARA_URL", FServer->url(kPanelPath).toUtf8());
    TConnectivity::setProbe([] { return true; });
    QVERIFY(FWatcher.sync());
    FNotifies = FWatcher.notifies().size();
    QStringList dumps;
    for (const QString &line : QString::fromUtf8(contentOf(input)).split(u'\n')) {
      if (line.trimmed().isEmpty() || line.startsWith(u'#'))
        continue;
      step(line.trimmed());
      dumps << dump(line.trimmed());
    }
    FForm.reset();
    FSettings.reset();
    FServer.reset();
    FData.reset();
    FFiles.clear();
    FLastView.clear();
    FRequests = 0;
    compareWithGolden(input, dumps.join(u'\n') + u'\n');
  }

  // Every way out of sight and back, the tray coming or going meanwhile: the window stays in
  // reach and returns where it was, as large, the caption following without the menu opening.
  // An empty "out" leaves it shown; an empty "back" expects the tray's going to show it.
  void showHideAndTheTray_data() {
    QTest::addColumn<QString>("ways"); // "<tray> <out> <tray after> <back>", "-" for none
    QTest::newRow("main menu, tray menu") << u"xembed N13 xembed N9"_s;
    QTest::newRow("minimise, run again") << u"xembed minimise xembed again"_s;
    QTest::newRow("no tray: Скрыть, Показать") << u"none N13 none N9"_s;
    QTest::newRow("no tray: minimise, run again") << u"none minimise none again"_s;
    QTest::newRow("shown, tray goes") << u"xembed - none -"_s;
    QTest::newRow("in the tray, tray goes") << u"xembed N9 none -"_s;
    QTest::newRow("minimised, tray comes") << u"none minimise xembed double-click"_s;
    QTest::newRow("double-click, SNI host comes, click") << u"xembed double-click sni click"_s;
  }
  void showHideAndTheTray() {
    QFETCH(QString, ways);
    const QStringList way = ways.split(u' ');
    const auto tray = [this](const QString &mode) {
      FTray = mode == u"none"  ? TTrayMode::None
              : mode == u"sni" ? TTrayMode::StatusNotifier
                               : TTrayMode::XEmbed;
      FForm->setTrayProbe([this] { return FTray; });
    };
    const auto enter = [this](const QString &how) {
      if (how == u"minimise")
        FForm->showMinimized();
      else if (how == u"again")
        FForm->BringForward();
      else if (how.startsWith(u'N'))
        w<QAction>(qPrintable(how))->trigger();
      else
        activateTray(how == u"click" ? QSystemTrayIcon::Trigger : QSystemTrayIcon::DoubleClick);
      QCoreApplication::processEvents();
    };
    const auto away = [this] {
      return FTray == TTrayMode::None ? FForm->isVisible() && FForm->isMinimized()
                                      : FForm->isHidden();
    };
    FData = std::make_unique<TTempDataFolder>();
    open(false);
    tray(way[0]);
    FForm->N9Click();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get())); // a window manager places it first
    FForm->setGeometry(FForm->geometry().translated(-40, -30).adjusted(0, 0, 30, 50));
    const QRect place = FForm->geometry();
    if (way[1] != u"-") {
      enter(way[1]);
      QTRY_VERIFY(away());
    }
    tray(way[2]);
    QCOMPARE(FForm->windowType(), FTray == TTrayMode::None ? Qt::Window : Qt::Tool);
    if (way[3] != u"-") {
      QTest::qWait(50); // a late echo of the old state must not bring the window back
      if (FTray != TTrayMode::StatusNotifier)
        activateTray(QSystemTrayIcon::Trigger); // the first click of a double-click: no flash
      QVERIFY(away());
      QCOMPARE(w<QAction>("N9")->text(), u"Показать"_s);
      enter(way[3]);
    }
    QVERIFY(FForm->shownOnScreen());
    QCOMPARE(FForm->geometry(), place);
    QCOMPARE(w<QAction>("N9")->text(), u"Скрыть"_s);
    closeAll();
  }

  // The filter waits for half a second without a key, once for the three keys;
  // releasing a letter with Shift held changes nothing, releasing Shift does.
  void filterRefreshesAfterAPauseInTyping() {
    openOnWeb();
    QTest::keyClicks(w<QLineEdit>("EditFilter"), u"gam"_s);
    QElapsedTimer sinceLastKey;
    sinceLastKey.start();
    w<QCheckBox>("ChBFiltered")->setChecked(true); // ticked without a click: no refresh yet
    FLog.clear();
    QVERIFY(timer("Timer2")->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!timer("Timer2")->isActive(), 3000);
    QVERIFY(sinceLastKey.elapsed() >= 500);
    QCOMPARE(FLog.count(u"status -1 Документ: Файл загружен."_s), 1);
    QCOMPARE(FForm->view().item.title, u"gamma"_s);
    w<QLineEdit>("EditFilter")->setText(u"gamm"_s);
    QKeyEvent letterWithShift(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, u"A"_s);
    QApplication::sendEvent(w("EditFilter"), &letterWithShift);
    QVERIFY(!timer("Timer2")->isActive());
    QKeyEvent shift(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(w("EditFilter"), &shift);
    QVERIFY(timer("Timer2")->isActive());
    closeAll();
  }

  // The countdown starts afresh with every balloon shown, a repeat included;
  // the repeat comes only while the window stays on top, and when the user
  // brings the window forward.
  void balloonCountdown() {
    openOnWeb(true);
    QTimer *hide = timer("TimerHideBallon");
    hide->setTimerType(Qt::PreciseTimer); // a coarse one may tell 5% less
    const auto restarted = [hide] { return hide->remainingTime() > 4700; };
    QTest::qWait(700);
    step(u"click Button1"_s); // a silent outcome: no balloon, no new countdown
    QVERIFY(hide->isActive() && !restarted());
    step(u"click Button3"_s); // archived: a balloon
    QVERIFY(restarted());
    QVERIFY(FWatcher.sync());
    const qsizetype shown = FWatcher.notifies().size();
    QTest::qWait(700);
    FForm->applyStayOnTop(true);
    QWidget other; // another program's window takes the focus
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!FForm->isActiveWindow());
    activateTray(QSystemTrayIcon::Trigger);
    QTRY_VERIFY(FForm->isActiveWindow());
    QVERIFY(restarted());
    QVERIFY(FWatcher.sync());
    QCOMPARE(FWatcher.notifies().size(), shown + 1);
    QCOMPARE(FWatcher.notifies().last().ExpireTimeout, 5000);
    step(u"click Button3"_s); // a duplicate: a balloon again
    const qsizetype closes = FWatcher.closeCalls().size();
    step(u"tab 0"_s); // a choice takes the balloon down
    QVERIFY(FWatcher.sync());
    QCOMPARE(FWatcher.closeCalls().size(), closes + 1);
    closeAll();
  }

  // The first fetch comes three seconds after the window shows, and the page
  // is fetched only while the window and the panel can be seen.
  void panelFetchedOnlyWhileSeen() {
    openOnWeb();
    FServer->route(kPanelPath, TTestResponse::ok("<a>Новости</a>"));
    const auto fetches = [this] {
      int count = 0;
      for (const TTestRequest &request : FServer->requests())
        count += request.path == kPanelPath ? 1 : 0;
      return count;
    };
    QTRY_COMPARE_WITH_TIMEOUT(fetches(), 1, 10000);
    FForm->N9Click(); // to the tray
    QVERIFY(!timer("TimerAdvertisingShow")->isActive());
    FForm->N9Click();
    QVERIFY(timer("TimerAdvertisingShow")->isActive());
    QTest::mouseClick(w("KivXPSpeedButton1"), Qt::LeftButton);
    FForm->N9Click();
    FForm->N9Click();
    QVERIFY(!timer("TimerAdvertisingShow")->isActive());
    QCOMPARE(fetches(), 1);
    closeAll();
  }

  // A control's hint shows as the pointer enters it and goes as it leaves,
  // also back from the control's own pop-up, never wiping an outcome; the
  // line reads to assistive technology as it shows, and every control has a name.
  void hintsAndNames() {
    openOnWeb();
    auto *jumpList = w<QComboBox>("CBFastTransition");
    const auto tip = [this](QWidget *control, bool enters) {
      QStatusTipEvent event(enters ? control->statusTip() : QString());
      QApplication::sendEvent(control, &event);
      return FForm->statusText();
    };
    QCOMPARE(tip(jumpList, true), u" Быстрый переход"_s);
    jumpList->showPopup();
    QTRY_VERIFY(QApplication::activePopupWidget());
    tip(jumpList, false);
    step(u"jump 2"_s);
    jumpList->hidePopup();
    QCOMPARE(tip(jumpList, true), u" Элемент 3 загружен."_s);
    QCOMPARE(tip(jumpList, false), u" Элемент 3 загружен."_s);
    QCOMPARE(tip(w("EditFilter"), true), u" Введите ключевые слова через пробел"_s);
    QCOMPARE(tip(w("EditFilter"), false), u" Элемент 3 загружен."_s);
    QAccessibleInterface *status = QAccessible::queryAccessibleInterface(w("StatusBar1Text"));
    QVERIFY(status);
    QCOMPARE(status->text(QAccessible::Name), u" Элемент 3 загружен."_s);
    for (QWidget *control : FForm->findChildren<QWidget *>()) {
      if (!control->isVisible() ||
          !(qobject_cast<QAbstractButton *>(control) || qobject_cast<QLineEdit *>(control) ||
            qobject_cast<QComboBox *>(control) || qobject_cast<TKivCustomTabSet *>(control)))
        continue;
      QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
      QVERIFY2(a && !a->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
    }
    // A clear button would empty the filter behind the key handling's back.
    QVERIFY(!w<QLineEdit>("EditFilter")->isClearButtonEnabled());
    closeAll();
  }

  // The frame goes on its own without taking the focus, ends when a wait holds
  // its ticks, and a window closed mid-flight takes it along.
  void trayAnimationFlight() {
    FData = std::make_unique<TTempDataFolder>();
    open(false);
    const QRect icon(1200, 770, 24, 24), window(-10, 100, 670, 300);
    auto *frame = new TTrayAnimation(FForm.get());
    frame->fly(icon, window);
    QVERIFY(frame->isVisible() && frame->isFlying() && !frame->isActiveWindow());
    QTRY_VERIFY(!frame->isVisible());
    QCOMPARE(frame->geometry(), window);
    frame->fly(window, icon);
    TBusyWait::until([] { return false; }, QDeadlineTimer(20));
    QVERIFY(!frame->isVisible());
    frame->fly(window, icon);
    FForm->close();
    closeAll();
    QTest::qWait(250); // an animation outliving its frame would fail here
  }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
