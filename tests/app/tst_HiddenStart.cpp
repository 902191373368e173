#include "support/BoardWindows.h"

#include <QLabel>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// Started at login with --hidden: the first show's work without the window,
// which shows only when no tray has come to hold it.
class TestHiddenStart : public QObject, TBoardWindows {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase() { QApplication::setApplicationDisplayName(u"Vornix"_s); }
  void init() { setUpBoard(); }
  void cleanup() { tearDownBoard(); }

  void toTheTrayOrShown_data() {
    QTest::addColumn<int>("trayAfterMs"); // negative: never
    QTest::addColumn<bool>("shown");
    QTest::newRow("a tray from the start") << 0 << false;
    QTest::newRow("a tray a moment later") << 150 << false;
    QTest::newRow("no tray") << -1 << true;
  }
  void toTheTrayOrShown() {
    QFETCH(int, trayAfterMs);
    QFETCH(bool, shown);
    FServer->route("/jobs", TTestResponse::ok(FeedOf({u"alpha"_s})));
    writeCatalogue(
        u"[item_1]\r\ntitle=Web\r\n10_name=Jobs\r\n10_url=%1\r\n"_s.arg(FServer->url("/jobs")));
    put(FData->file(u"vx.ini"_s), "[Form1]\r\nTForm1_Form1_TLabel_lti_Caption=1\r\n");
    createWindows();
    TTrayMode tray = trayAfterMs == 0 ? TTrayMode::XEmbed : TTrayMode::None;
    FForm->setTrayProbe([&tray] { return tray; });
    if (trayAfterMs > 0)
      QTimer::singleShot(trayAfterMs, [&tray] { tray = TTrayMode::XEmbed; });
    FForm->StartHidden(600ms);
    // The saved tab is chosen and refreshed, window or not.
    QTRY_COMPARE(requestsFor("/jobs"), 1);
    QCOMPARE(FForm->view().tab, 1);
    if (shown) {
      QTRY_VERIFY_WITH_TIMEOUT(FForm->isVisible(), 3000);
    } else {
      QTest::qWait(1500);
      QVERIFY(!FForm->isVisible());
    }
    QCOMPARE(FForm->trayMode() != TTrayMode::None, !shown);
  }
};

QTEST_MAIN(TestHiddenStart)
#include "tst_HiddenStart.moc"
