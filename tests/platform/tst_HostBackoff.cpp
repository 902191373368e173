#include "platform/HostBackoff.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// A refusal is a status and a Retry-After (negative: none), at a number of
// seconds from the start; a probe asks, at a number of seconds, whether the
// host may be asked.
struct TStep {
  qint64 at = 0;
  long status = 0; // 0: a probe, not an answer
  qint64 retryAfter = -1;
  bool mayAsk = true; // for a probe
};
Q_DECLARE_METATYPE(QList<TStep>)

class TestHostBackoff : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void pauses_data() {
    QTest::addColumn<QList<TStep>>("steps");
    const auto probe = [](qint64 at, bool may) { return TStep{at, 0, -1, may}; };
    QTest::newRow("Retry-After honoured")
        << QList<TStep>{{0, 429, 90}, probe(89, false), probe(90, true)};
    QTest::newRow("Retry-After capped at a day")
        << QList<TStep>{{0, 503, 10 * 86400}, probe(86399, false), probe(86400, true)};
    QTest::newRow("without one, doubling to an hour") << QList<TStep>{
        {0, 429},          probe(59, false),   {60, 429},        probe(179, false), {180, 429},
        probe(419, false), probe(420, true),   {1000, 429},      {2000, 429},       {3000, 429},
        {4000, 429},       probe(7599, false), probe(7600, true)};
    QTest::newRow("an answer ends the run")
        << QList<TStep>{{0, 429}, {60, 429}, {180, 200}, {181, 429}, probe(241, true)};
    QTest::newRow("other errors are no refusal") << QList<TStep>{{0, 500, 600}, probe(1, true)};
  }
  void pauses() {
    QFETCH(QList<TStep>, steps);
    const QDateTime start(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
    const QString host = THostBackoff::hostOf(u"https://Board.Example.org:8443/rss?x=1"_s);
    QCOMPARE(host, u"board.example.org"_s);
    THostBackoff backoff;
    for (const TStep &step : std::as_const(steps)) {
      const QDateTime now = start.addSecs(step.at);
      if (step.status == 0)
        QVERIFY2(backoff.mayAsk(host, now) == step.mayAsk, qPrintable(QString::number(step.at)));
      else if (THostBackoff::isRefusal(step.status))
        backoff.refused(host, step.retryAfter, now);
      else
        backoff.answered(host);
    }
    QVERIFY(backoff.mayAsk(u"other.example.org"_s, start));
  }
};

QTEST_GUILESS_MAIN(TestHostBackoff)
#include "tst_HostBackoff.moc"
