#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

class TestTerminationSignals : public QObject {
  Q_OBJECT
private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_TerminationSignals.moc"
