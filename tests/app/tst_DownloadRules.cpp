#include "app/DownloadRules.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDownloadRules : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void freshness_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<qint64>("ageMs"); // now - modified; negative: modified in the future
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("fresh");
    const QString feed = u"/data/xml/1rss.xml"_s;
    QTest::newRow("2 min old, 5 min interval") << feed << qint64(2 * 60000) << 5 << true;
    QTest::newRow("exactly the interval") << feed << qint64(5 * 60000) << 5 << true;
    QTest::newRow("1 ms past the interval") << feed << qint64(5 * 60000 + 1) << 5 << false;
    QTest::newRow("future within interval") << feed << qint64(-2 * 60000) << 5 << true;
    QTest::newRow("future beyond interval") << feed << qint64(-6 * 60000) << 5 << false;
    QTest::newRow("side panel page never fresh")
        << u"/data/html/zentara.html"_s << qint64(0) << 30 << false;
    QTest::newRow("zero date is stale") << feed << qint64(4'000'000'000'000) << 240 << false;
  }
  void freshness() {
    QFETCH(QString, fileName);
    QFETCH(qint64, ageMs);
    QFETCH(int, minutes);
    QFETCH(bool, fresh);
    const QDateTime now(QDate(2026, 12, 6), QTime(12, 0));
    QCOMPARE(IsFreshCopy(fileName, now.addMSecs(-ageMs), now, minutes), fresh);
  }

  void freshForAddress_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("copyAgeMin");   // -1: no copy, only a record
    QTest::addColumn<QString>("recorded"); // null: no record
    QTest::addColumn<QString>("asked");
    QTest::addColumn<bool>("fresh");
    const QString web = u"http://x.org/web/rss.xml"_s;
    const QString design = u"http://x.org/design/rss.xml"_s;
    const QString feed = u"1rss.xml"_s;
    QTest::newRow("recorded address") << feed << 2 << web << web << true;
    QTest::newRow("other address") << feed << 2 << web << design << false;
    QTest::newRow("no record") << feed << 2 << QString() << web << false;
    QTest::newRow("no record, empty address") << feed << 2 << QString() << QString() << false;
    QTest::newRow("recorded but stale") << feed << 10 << web << web << false;
    QTest::newRow("record without a copy") << feed << -1 << web << web << false;
    QTest::newRow("path differs in case")
        << feed << 2 << web << u"http://x.org/Web/rss.xml"_s << false;
    QTest::newRow("asked is a prefix of recorded") << feed << 2 << web + u"?all"_s << web << false;
    QTest::newRow("cyrillic address")
        << u"3вакансии"_s << 2 << u"http://x.org/вакансии"_s << u"http://x.org/вакансии"_s << true;
    QTest::newRow("side panel page") << u"zentara.html"_s << 0 << web << web << false;
  }
  void freshForAddress() {
    QFETCH(QString, name);
    QFETCH(int, copyAgeMin);
    QFETCH(QString, recorded);
    QFETCH(QString, asked);
    QFETCH(bool, fresh);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    const QDateTime now = QDateTime::currentDateTime();
    if (copyAgeMin != -1) {
      QFile copy(path);
      QVERIFY(copy.open(QIODevice::WriteOnly));
      QVERIFY(copy.setFileTime(now.addSecs(-60 * copyAgeMin), QFileDevice::FileModificationTime));
    }
    if (!recorded.isNull()) {
      // A longer earlier record must not leave its tail behind.
      QVERIFY(RecordSource(path, u"http://an.earlier.example/address/much/longer"_s));
      QVERIFY(RecordSource(path, recorded));
      QCOMPARE(RecordedSource(path), recorded);
    }
    QCOMPARE(IsFreshFor(path, asked, now, 5), fresh);
  }

  void scheme_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("fetched");
    QTest::newRow("bare") << u"example.org/rss.xml"_s << u"http://example.org/rss.xml"_s;
    QTest::newRow("bare with port") << u"localhost:8080/rss"_s << u"http://localhost:8080/rss"_s;
    QTest::newRow("http") << u"http://example.org/rss"_s << u"http://example.org/rss"_s;
    QTest::newRow("https") << u"https://example.org/rss"_s << u"https://example.org/rss"_s;
    QTest::newRow("capitals kept") << u"HTTPS://Example.org/RSS"_s << u"HTTPS://Example.org/RSS"_s;
    QTest::newRow("mixed case http") << u"Http://x.org/"_s << u"Http://x.org/"_s;
    QTest::newRow("http inside query") << u"x.org/?u=http://y"_s << u"http://x.org/?u=http://y"_s;
    QTest::newRow("blanks around") << u"  https://x.org/rss \t"_s << u"https://x.org/rss"_s;
    QTest::newRow("other scheme left alone") << u"ftp://x.org/rss"_s << u"ftp://x.org/rss"_s;
  }
  void scheme() {
    QFETCH(QString, url);
    QFETCH(QString, fetched);
    QCOMPARE(WithHttpScheme(url), fetched);
  }

  void fileModified() {
    QCOMPARE(GetFileModified(u"/nonexistent/file"_s), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    QTemporaryDir dir;
    QFile f(dir.filePath(u"x"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QDateTime stamp(QDate(2026, 1, 2), QTime(3, 4, 5));
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    f.close();
    QCOMPARE(GetFileModified(f.fileName()), stamp);
  }
};

QTEST_GUILESS_MAIN(TestDownloadRules)
#include "tst_DownloadRules.moc"
