#include "platform/BusyWait.h"
#include "platform/TerminationSignals.h"

#include <QElapsedTimer>
#include <QRasterWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

// A bare window of the window system's, as the platform layer knows no widgets.
struct TClickWindow : QRasterWindow {
  int clicks = 0, paints = 0;
  void mouseReleaseEvent(QMouseEvent *) override { ++clicks; }
  void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

// What reaches the GUI thread's event loop: input and timers held back while it
// waits, and the termination signals.
class TestBusyWait : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // A click and a timer's ticks that fall due during the wait come after it;
  // the window paints meanwhile.
  void inputAndTimersWaitWhilePaintingGoesOn() {
    TClickWindow window;
    int ticks = 0;
    window.resize(80, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start(5);
    QElapsedTimer clock;
    clock.start();
    bool clicked = false;
    QVERIFY(TBusyWait::until([&] {
      if (!std::exchange(clicked, true)) {
        window.paints = 0;
        QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(40, 15));
        window.resize(90, 30); // exposed again by the window system
      }
      return window.paints > 0 && clock.elapsed() > 100;
    }));
    QCOMPARE(window.clicks, 0);
    QCOMPARE(ticks, 0);
    QVERIFY(!TBusyWait::active());
    QTRY_COMPARE(window.clicks, 1);
    QTRY_VERIFY(ticks > 0);
  }

  void signalsArriveOnTheEventLoop() {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
      TTerminationSignals watcher;
      QSignalSpy spy(&watcher, &TTerminationSignals::received);
      QCOMPARE(::raise(number), 0); // the process survives: the handler took it
      QVERIFY(spy.wait(5000));
      QCOMPARE(spy.first().first().toInt(), number);
    }
  }
};

QTEST_MAIN(TestBusyWait)
#include "tst_BusyWait.moc"
