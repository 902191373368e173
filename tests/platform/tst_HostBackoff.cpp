#include "platform/HostBackoff.h"
#include "support/GoldenFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestHostBackoff : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // Each line of tests/data/backoff/<file> is, at a number of seconds from the start, an
  // answer, "<s> <status> [<Retry-After>]", or a probe, "<s> ?", whose line in the dump
  // beside it says whether the host may be asked then.
  void pauses_data() { addGoldenRows(u"backoff"_s); }
  void pauses() {
    QFETCH(QString, input);
    const QDateTime start(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
    const QString host = THostBackoff::hostOf(u"https://Board.Example.org:8443/rss?x=1"_s);
    QCOMPARE(host, u"board.example.org"_s);
    THostBackoff backoff;
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      const QStringList word = line.split(u' ');
      const QDateTime now = start.addSecs(word.value(0).toLongLong());
      if (word.value(1) == u"?")
        dump += line + (backoff.mayAsk(host, now) ? u" may ask\n"_s : u" waits\n"_s);
      else if (THostBackoff::isRefusal(word.value(1).toLong()))
        backoff.refused(host, word.value(2, u"-1"_s).toLongLong(), now);
      else
        backoff.answered(host);
    }
    QVERIFY(backoff.mayAsk(u"other.example.org"_s, start));
    compareWithGolden(input, dump);
  }
};

QTEST_GUILESS_MAIN(TestHostBackoff)
#include "tst_HostBackoff.moc"
