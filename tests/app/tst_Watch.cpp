#include "feeds/FeedWatch.h"
#include "support/BoardWindows.h"
#include "support/ChildRun.h"
#include "support/NotificationWatcher.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

TTestResponse feedWithTag(const QStringList &titles, const QByteArray &etag) {
  TTestResponse response = TTestResponse::ok(FeedOf(titles), "application/rss+xml");
  response.headers = {{"ETag", etag}};
  return response;
}

} // namespace

// The background watch of the real window over three boards on 127.0.0.1
// ("Gamma" through "localhost", a host of its own), whose feeds gain items
// between checks; alerts read back from the real notification service.
class TestWatch : public QObject, public TBoardWindows {
  Q_OBJECT
  TNotificationWatcher FWatcher;
  std::unique_ptr<QSignalSpy> FChecks;
  QStringList FSounds;

  static constexpr int kFeeds = 4;

  QString gamma(QByteArrayView path) const {
    return FServer->url(path).replace(u"127.0.0.1"_s, u"localhost"_s);
  }
  void writeBoards(const QString &extraAlpha = {}) {
    writeCatalogue(u"[item_1]\r\ntitle=Alpha\r\n10_name=Qt\r\n10_url=%1\r\n11_name=Web\r\n"
                   u"11_url=%2\r\n%5[item_2]\r\ntitle=Beta\r\n20_name=All\r\n20_url=%3\r\n"
                   u"[item_3]\r\ntitle=Gamma\r\n30_name=All\r\n30_url=%4\r\n"_s.arg(
                       FServer->url("/a1"), FServer->url("/a2"), FServer->url("/b1"), gamma("/g1"),
                       extraAlpha));
  }
  // The program as it starts: balloons and sounds on, the filter on "qt",
  // in the tray, watching four times a second.
  void start() {
    FForm.reset();
    FSettings.reset();
    createWindows();
    setting("ChBBallonsOff", false);
    setting("ChBSoundsUse", false);
    QTest::keyClicks(Control<QLineEdit>(FForm.get(), "EditFilter"), u"qt"_s);
    Control<QCheckBox>(FForm.get(), "ChBFiltered")->setChecked(true);
    FForm->setTrayProbe([] { return TTrayMode::XEmbed; });
    FForm->StartHidden();
    FForm->feedWatch()->setInterval(std::chrono::milliseconds(250));
    FChecks = std::make_unique<QSignalSpy>(FForm->feedWatch(), &TFeedWatch::checked);
    FSounds.clear();
    connect(FForm.get(), &TForm1::eventSoundRequested, FForm.get(),
            [this](TEventSoundId id) { FSounds << QString::number(int(id)); });
  }
  // Every feed checked once more after this call. A check may be under way
  // as it is made, on what the server said before: one more covers it.
  void setting(const char *box, bool on) { Control<QCheckBox>(FSettings.get(), box)->setChecked(on); }
  TKivTabSet *tabs() const { return Control<TKivTabSet>(FForm.get(), "KivTabSet1"); }
  void checkAll(int feeds = kFeeds) {
    const qsizetype target = FChecks->size() + feeds + 1;
    QVERIFY(QTest::qWaitFor([&] { return FChecks->size() >= target; }, 20000));
  }
  // The alert balloons shown since `from`, as "<title>|<text>".
  QStringList alertsSince(qsizetype from) {
    if (!FWatcher.sync())
      return {u"no sync"_s};
    QStringList alerts;
    for (const auto &notify : FWatcher.notifies().mid(from)) {
      if (notify.Summary.startsWith(u"Новые проекты"_s))
        alerts << notify.Summary + u'|' + notify.Body;
    }
    return alerts;
  }
  qsizetype notifies() { return FWatcher.sync() ? FWatcher.notifies().size() : -1; }
  void serveFirstItems() {
    FServer->route("/a1", TTestResponse::ok(FeedOf({u"qt-old"_s})));
    FServer->route("/a2", TTestResponse::ok(FeedOf({u"web-old"_s})));
    FServer->route("/b1", TTestResponse::ok(FeedOf({u"qt-b0"_s})));
    FServer->route("/g1", feedWithTag({u"qt-g0"_s}, "\"g0\""));
  }

  // New items on the server and the alerts they raise.
  void alert(const QByteArray &path, const QStringList &items, const QStringList &expected,
             int feeds = kFeeds) {
    FServer->route(path, TTestResponse::ok(FeedOf(items)));
    const qsizetype before = notifies();
    checkAll(feeds);
    QCOMPARE(alertsSince(before), expected);
  }
  // The alert's balloon chosen: its default action, through the service.
  void chooseBalloon() {
    FEvents.clear();
    QCOMPARE(QProcess::execute(u"dunstctl"_s, {u"action"_s, u"0"_s}), 0);
    QVERIFY(QTest::qWaitFor([&] { return FForm->shownOnScreen() && !FEvents.isEmpty(); }, 10000));
  }

private Q_SLOTS:
  void initTestCase() {
    QString error;
    QVERIFY2(FWatcher.start(&error), qPrintable(error));
  }
  void init() {
    setUpBoard();
    serveFirstItems();
    writeBoards();
  }
  void cleanup() {
    FChecks.reset();
    tearDownBoard();
  }

  // A first check alerts nothing; then each check's matching new items, and
  // only those, make one balloon per feed, once, with "itemok.wav"; a feed
  // asked whether it changed answers 304 and keeps its copy; the tray and the
  // tabs count them.
  void alertsNameNewMatchesOnce() {
    start();
    const qsizetype before = notifies();
    checkAll();
    QCOMPARE(alertsSince(before), QStringList());
    FServer->route("/a1", TTestResponse::ok(FeedOf({u"qt-new"_s, u"php-new"_s, u"qt-old"_s})));
    FServer->route("/b1", TTestResponse::ok(FeedOf(
                              {u"qt-b1"_s, u"qt-b2"_s, u"qt-b3"_s, u"qt-b4"_s, u"qt-b0"_s})));
    const QByteArray gammaCopy = contentOf(TWatchChecker::copyFileName(gamma("/g1")));
    FServer->route("/g1", TTestResponse::error(304));
    const qsizetype seenFrom = notifies();
    FSounds.clear(); // the refresh on screen has had its own
    checkAll();
    checkAll();
    QStringList alerts = alertsSince(seenFrom);
    alerts.sort();
    QCOMPARE(alerts, QStringList({u"Новые проекты: Alpha|qt-new"_s,
                                  u"Новые проекты: Beta|qt-b1\nqt-b2\nqt-b3\nи ещё 1"_s}));
    QCOMPARE(FSounds, QStringList({u"7"_s, u"7"_s}));
    QCOMPARE(contentOf(TWatchChecker::copyFileName(gamma("/g1"))), gammaCopy);
    const QList<TTestRequest> asked = FServer->requests();
    const auto lastOfGamma = std::find_if(asked.rbegin(), asked.rend(),
                                          [](const TTestRequest &r) { return r.path == "/g1"; });
    QCOMPARE(lastOfGamma->header("If-None-Match"), QByteArray("\"g0\""));
    QCOMPARE(FForm->newMatches(), 5);
    QVERIFY(Control<QSystemTrayIcon>(FForm.get(), "TrayIcon1")
                ->toolTip()
                .endsWith(u"Новых проектов: 5"_s));
    QCOMPARE(QList<bool>({FForm->siteHasNewMatches(1), FForm->siteHasNewMatches(2),
                          FForm->siteHasNewMatches(3)}),
             QList<bool>({true, true, false}));
    // The mark is drawn, not written into the tab's text.
    for (const int tab : {1, 3}) {
      TKivTitleFont font{FForm->font(), Qt::black};
      QString text = tabs()->TabsList().strings(tab);
      bool canDraw = true;
      tabs()->OnDrawTitle(tabs(), tabs()->titleRect(tab), false, false, font, text, 0, canDraw);
      QCOMPARE(font.Font.underline(), tab == 1);
      QCOMPARE(text, tabs()->TabsList().strings(tab));
    }
    // Seen by the user: the count goes, and the tab of the site on screen.
    FForm->N9Click();
    QCOMPARE(FForm->newMatches(), 0);
    tabs()->setTabIndex(2);
    QCOMPARE(FForm->siteHasNewMatches(2), false);
    QCOMPARE(FForm->siteHasNewMatches(1), true);
  }

  // What a check saw stays seen across a restart; a category added since
  // starts as seen at its own first check.
  void restartsAndNewCategoriesAlertNothingOld() {
    start();
    checkAll();
    FServer->route("/a3", TTestResponse::ok(FeedOf({u"qt-a3"_s})));
    writeBoards(u"12_name=New\r\n12_url=%1\r\n"_s.arg(FServer->url("/a3")));
    const qsizetype before = notifies();
    start();
    checkAll(kFeeds + 1);
    QCOMPARE(alertsSince(before), QStringList());
    alert("/a3", {u"qt-a3-new"_s, u"qt-a3"_s}, {u"Новые проекты: Alpha|qt-a3-new"_s}, kFeeds + 1);
  }

  // With the box unticked nothing is checked; with balloons off an alert
  // shows none, and is still counted.
  void settingsAreHonoured() {
    start();
    setting("ChBWatchAll", false);
    const qsizetype asked = FServer->requests().size();
    QTest::qWait(600);
    QCOMPARE(FServer->requests().size(), asked);
    setting("ChBWatchAll", true);
    setting("ChBBallonsOff", true);
    // Every change of a setting applies the interval the settings give.
    FForm->feedWatch()->setInterval(std::chrono::milliseconds(250));
    checkAll();
    alert("/b1", {u"qt-b9"_s, u"qt-b0"_s}, {});
    QCOMPARE(FForm->newMatches(), 1);
  }

  // The balloon's own action, through the service, shows the window on the
  // site and category of the alert, at its item. In a desktop session of its own: dunstctl picks a
  // balloon by its place on screen, where balloons other tests left up would
  // stand first.
  void balloonShowsItsItem() {
    if (!qEnvironmentVariableIsSet("VORNIX_OWN_DESKTOP")) {
      QProcess run;
      run.setProcessChannelMode(QProcess::ForwardedChannels);
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert(u"VORNIX_OWN_DESKTOP"_s, u"1"_s);
      run.setProcessEnvironment(environment);
      run.start(QStringLiteral(VORNIX_SOURCE_DIR "/scripts/with-desktop"),
                {QCoreApplication::applicationFilePath(), u"balloonShowsItsItem"_s});
      QVERIFY(run.waitForFinished(90000));
      QCOMPARE(run.exitCode(), 0);
      return;
    }
    start();
    checkAll();
    FForm->N9Click();
    tabs()->setTabIndex(1); // Alpha's "Qt" read
    Control<QMenu>(FForm.get(), "N3")->actions().value(1)->trigger(); // then its "Web"
    QCoreApplication::processEvents();
    FForm->N9Click();
    QCOMPARE(QProcess::execute(u"dunstctl"_s, {u"close-all"_s}), 0); // the refreshes' balloons
    alert("/a2", {u"web-old"_s, u"qt-web-new"_s}, {u"Новые проекты: Alpha|qt-web-new"_s});
    chooseBalloon();
    QCOMPARE(shownTitle(), u"qt-web-new"_s);
    QCOMPARE(FForm->view().tab, 1);
    QCOMPARE(FForm->view().category, 1);
    QCOMPARE(FForm->newMatches(), 0);
  }
};

QTEST_MAIN(TestWatch)
#include "tst_Watch.moc"
