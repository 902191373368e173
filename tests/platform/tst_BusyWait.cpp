#include "platform/BusyWait.h"
#include "platform/TerminationSignals.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

struct TPaintCount : QObject {
  int paints = 0;
  bool eventFilter(QObject *, QEvent *event) override {
    paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
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
    QPushButton button(QStringLiteral("Далее>"));
    int clicks = 0, ticks = 0;
    connect(&button, &QPushButton::clicked, this, [&clicks] { ++clicks; });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    TPaintCount painted;
    button.installEventFilter(&painted);
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start(5);
    QElapsedTimer clock;
    clock.start();
    bool clicked = false;
    QVERIFY(TBusyWait::until([&] {
      if (!std::exchange(clicked, true)) {
        QTest::mouseClick(button.windowHandle(), Qt::LeftButton, {}, button.rect().center());
        button.update();
      }
      return painted.paints > 0 && clock.elapsed() > 100;
    }));
    QCOMPARE(clicks, 0);
    QCOMPARE(ticks, 0);
    QVERIFY(!TBusyWait::active());
    QTRY_COMPARE(clicks, 1);
    QTRY_VERIFY(ticks > 0);
  }

  void signalsArriveOnTheEventLoop_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
  }
  void signalsArriveOnTheEventLoop() {
    QFETCH(int, number);
    TTerminationSignals watcher;
    QSignalSpy spy(&watcher, &TTerminationSignals::received);
    QCOMPARE(::raise(number), 0); // the process survives: the handler took it
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.first().first().toInt(), number);
  }
};

QTEST_MAIN(TestBusyWait)
#include "tst_BusyWait.moc"
