#include "app/TrayAnimation.h"
#include "platform/BusyWait.h"
#include "support/GoldenFile.h"
#include "support/window/WindowScript.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

// The main window driven by the scripts in tests/data/mainwindow/window; what
// only a real clock can tell stays in code below.
class TestMainWindow : public QObject {
  Q_OBJECT
  TNotificationWatcher FWatcher;
  std::unique_ptr<TWindowScript> FScript;

  // Shown on "Web" with three items; loud: with balloons.
  TWindowScript &onWeb(bool loud = false) {
    FScript = std::make_unique<TWindowScript>(FWatcher);
    FScript->begin();
    for (const QString &line :
         {u"sites Web: Jobs=SERVER/jobs"_s, u"serve /jobs feed alpha beta gamma"_s,
          loud ? u"open loud"_s : u"open"_s, u"show"_s, u"tab 1"_s})
      FScript->step(line);
    FScript->takeLog();
    return *FScript;
  }
  QTimer *timer(const char *name) const { return FScript->w<QTimer>(name); }

private Q_SLOTS:
  void initTestCase() { TWindowScript::prepare(FWatcher); }
  void cleanup() { FScript.reset(); }

  void script_data() { addGoldenRows(u"mainwindow/window"_s); }
  void script() {
    QFETCH(QString, input);
    FScript = std::make_unique<TWindowScript>(FWatcher);
    FScript->run(input);
  }

  // The filter waits for half a second without a key, once for the three
  // keys; releasing a letter with Shift held changes nothing, releasing Shift
  // does, as the window system reports it: with Shift still down.
  void filterWaitsForAPauseInTyping() {
    TWindowScript &s = onWeb();
    auto *edit = s.w<QLineEdit>("EditFilter");
    QTest::keyClicks(edit, u"gam"_s);
    QElapsedTimer sinceLastKey;
    sinceLastKey.start();
    s.w<QCheckBox>("ChBFiltered")->setChecked(true); // ticked without a click: no refresh yet
    QVERIFY(s.takeLog().isEmpty() && timer("Timer2")->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!timer("Timer2")->isActive(), 3000);
    QVERIFY(sinceLastKey.elapsed() >= 500);
    QCOMPARE(s.takeLog().count(u"status -1 Документ: Файл загружен."_s), 1);
    QCOMPARE(s.form().view().item.title, u"gamma"_s);
    edit->setText(u"gamm"_s);
    QKeyEvent letterWithShift(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, u"A"_s);
    QApplication::sendEvent(edit, &letterWithShift);
    QVERIFY(!timer("Timer2")->isActive());
    QKeyEvent shift(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(edit, &shift);
    QVERIFY(timer("Timer2")->isActive());
  }

  // The countdown starts afresh with every balloon shown, a repeat included;
  // the repeat comes only for a window on top that the user brings forward,
  // and a choice takes the balloon down.
  void balloonCountdown() {
    TWindowScript &s = onWeb(true);
    QTimer *hide = timer("TimerHideBallon");
    hide->setTimerType(Qt::PreciseTimer); // a coarse one may tell 5% less
    const auto restarted = [hide] { return hide->remainingTime() > 4700; };
    QTest::qWait(700);
    s.step(u"click Button1"_s); // a silent outcome: no balloon, no new countdown
    QVERIFY(hide->isActive() && !restarted());
    s.step(u"click Button3"_s); // archived: a balloon
    QVERIFY(restarted());
    QVERIFY(FWatcher.sync());
    const qsizetype shown = FWatcher.notifies().size();
    QTest::qWait(700);
    s.form().applyStayOnTop(true);
    QWidget other; // another program's window takes the focus
    other.show();
    other.activateWindow();
    QTRY_VERIFY(!s.form().isActiveWindow());
    s.step(u"way click"_s);
    QTRY_VERIFY(s.form().isActiveWindow());
    QVERIFY(restarted());
    QVERIFY(FWatcher.sync());
    QCOMPARE(FWatcher.notifies().size(), shown + 1);
    QCOMPARE(FWatcher.notifies().last().ExpireTimeout, 5000);
    s.step(u"click Button3"_s); // a duplicate: a balloon again
    const qsizetype closes = FWatcher.closeCalls().size();
    s.step(u"tab 0"_s);
    QVERIFY(FWatcher.sync());
    QCOMPARE(FWatcher.closeCalls().size(), closes + 1);
  }

  // The first fetch comes three seconds after the window shows, and the page
  // is fetched only while the window and the panel can be seen.
  void panelFetchedOnlyWhileSeen() {
    TWindowScript &s = onWeb();
    s.step(u"serve panel page Новости Проект"_s);
    const auto fetches = [&s] {
      const QList<TTestRequest> asked = s.server().requests();
      return int(std::count_if(asked.begin(), asked.end(), [](const TTestRequest &r) {
        return r.path == "/_vx_advertising/advertising_show.php";
      }));
    };
    QTRY_COMPARE_WITH_TIMEOUT(fetches(), 1, 10000);
    s.step(u"way N9"_s); // to the tray
    QVERIFY(!timer("TimerAdvertisingShow")->isActive());
    s.step(u"way N9"_s);
    QVERIFY(timer("TimerAdvertisingShow")->isActive());
    for (const char *step : {"click KivXPSpeedButton1", "way N9", "way N9"})
      s.step(QString::fromLatin1(step));
    QVERIFY(!timer("TimerAdvertisingShow")->isActive());
    QCOMPARE(fetches(), 1);
  }

  // The frame goes on its own without taking the focus, ends when a wait holds
  // its ticks, and a window closed mid-flight takes it along.
  void trayAnimationFlight() {
    TWindowScript &s = onWeb();
    const QRect icon(1200, 770, 24, 24), window(-10, 100, 670, 300);
    auto *frame = new TTrayAnimation(&s.form());
    frame->fly(icon, window);
    QVERIFY(frame->isVisible() && frame->isFlying() && !frame->isActiveWindow());
    QTRY_VERIFY(!frame->isVisible());
    QCOMPARE(frame->geometry(), window);
    frame->fly(window, icon);
    TBusyWait::until([] { return false; }, QDeadlineTimer(20));
    QVERIFY(!frame->isVisible());
    frame->fly(window, icon);
    FScript.reset();
    QTest::qWait(250); // an animation outliving its frame would fail here
  }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
