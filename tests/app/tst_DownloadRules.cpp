#include "app/DownloadRules.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMinute = 60000;

struct TCopy {
  qint64 ageMs;     // now - modified; negative: modified in the future
  QString recorded; // null: no record
  QString asked;
  bool fresh;
  QString name = u"1rss.xml"_s;
};

} // namespace

Q_DECLARE_METATYPE(TCopy)

class TestDownloadRules : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // Fresh means: the copy is there, no further from now than the interval (5
  // minutes here) either way, and its record names exactly the address asked.
  void freshness_data() {
    QTest::addColumn<TCopy>("c");
    const QString web = u"http://x.org/web/rss.xml"_s, cyrillic = u"http://x.org/вакансии"_s;
    QTest::newRow("exactly the interval") << TCopy{5 * kMinute, web, web, true};
    QTest::newRow("1 ms past the interval") << TCopy{5 * kMinute + 1, web, web, false};
    QTest::newRow("future within the interval") << TCopy{-2 * kMinute, web, web, true};
    QTest::newRow("future beyond the interval") << TCopy{-6 * kMinute, web, web, false};
    QTest::newRow("no record, empty address") << TCopy{kMinute, {}, {}, false};
    QTest::newRow("path differs in case")
        << TCopy{kMinute, web, u"http://x.org/Web/rss.xml"_s, false};
    QTest::newRow("asked is a prefix of recorded") << TCopy{kMinute, web + u"?all"_s, web, false};
    QTest::newRow("cyrillic address") << TCopy{kMinute, cyrillic, cyrillic, true, u"3вакансии"_s};
  }
  void freshness() {
    QFETCH(TCopy, c);
    QTemporaryDir dir;
    const QString path = dir.filePath(c.name);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime modified = now.addMSecs(-c.ageMs);
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::WriteOnly));
    QVERIFY(copy.setFileTime(modified, QFileDevice::FileModificationTime));
    QCOMPARE(GetFileModified(path), modified);
    if (!c.recorded.isNull()) {
      // A longer earlier record must not leave its tail behind.
      QVERIFY(RecordSource(path, u"http://an.earlier.example/address/much/longer"_s));
      QVERIFY(RecordSource(path, c.recorded));
      QCOMPARE(RecordedSource(path), c.recorded);
    }
    QCOMPARE(IsFreshFor(path, c.asked, now, 5), c.fresh);
  }

  // What an unreadable file's time stands for is never fresh.
  void zeroDateIsStale() {
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    QCOMPARE(GetFileModified(u"/nonexistent/file"_s), zero);
    QVERIFY(!IsFreshCopy(u"/data/xml/1rss.xml"_s, zero, QDateTime::currentDateTime(), 240));
  }

  void scheme_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("fetched");
    QTest::newRow("bare with port") << u"localhost:8080/rss"_s << u"http://localhost:8080/rss"_s;
    QTest::newRow("capitals kept") << u"HTTPS://Example.org/RSS"_s << u"HTTPS://Example.org/RSS"_s;
    QTest::newRow("http inside query") << u"x.org/?u=http://y"_s << u"http://x.org/?u=http://y"_s;
    QTest::newRow("blanks around") << u"  https://x.org/rss \t"_s << u"https://x.org/rss"_s;
    QTest::newRow("other scheme left alone") << u"ftp://x.org/rss"_s << u"ftp://x.org/rss"_s;
  }
  void scheme() {
    QFETCH(QString, url);
    QFETCH(QString, fetched);
    QCOMPARE(WithHttpScheme(url), fetched);
  }
};

QTEST_GUILESS_MAIN(TestDownloadRules)
#include "tst_DownloadRules.moc"
