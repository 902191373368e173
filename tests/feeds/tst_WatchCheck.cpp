#include "feeds/SeenItems.h"
#include "feeds/WatchCheck.h"
#include "platform/DataFolder.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray feedOf(const QList<int> &items) {
  QByteArray xml = "<rss version=\"2.0\"><channel><title>B</title>";
  for (const int n : items)
    xml += "<item><title>Проект " + QByteArray::number(n) +
           "</title><link>https://board.example.org/p/" + QByteArray::number(n) + "</link></item>";
  return xml + "</channel></rss>";
}

// The same board as Atom (entries known by their links) and as JSON Feed.
QByteArray atomOf(const QList<int> &items) {
  QByteArray xml =
      "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"https://board.example.org/\">";
  for (const int n : items)
    xml += "<entry><title>Проект " + QByteArray::number(n) + "</title><link href=\"p/" +
           QByteArray::number(n) + "\"/><id>urn:" + QByteArray::number(n) + "</id></entry>";
  return xml + "</feed>";
}

QByteArray jsonOf(const QList<int> &items) {
  QByteArrayList entries;
  for (const int n : items)
    entries << R"({"id":"urn:)" + QByteArray::number(n) + R"(","title":"Проект )" +
                   QByteArray::number(n) + R"(","url":"https://board.example.org/p/)" +
                   QByteArray::number(n) + "\"}";
  return R"({"version":"https://jsonfeed.org/version/1.1","items":[)" + entries.join(',') + "]}";
}

TTestResponse answer(int status, const QByteArray &body, const TTestHeaders &headers) {
  TTestResponse response = TTestResponse::error(status, body);
  response.headers += headers;
  return response;
}

} // namespace

// One address checked again and again as the watch does, against a real
// server: what each answer leaves and which items it names as new.
class TestWatchCheck : public QObject {
  Q_OBJECT
  QTemporaryDir FData;
  TTestHttpServer FServer;

private Q_SLOTS:
  void initTestCase() {
    TDataFolder::setPath(FData.path());
    QVERIFY(FServer.start());
  }

  void aSequenceOfChecks_data() {
    QTest::addColumn<TTestResponse>("response"); // null status: the server is not asked
    QTest::addColumn<int>("after");              // seconds since the first check
    QTest::addColumn<int>("status");
    QTest::addColumn<QList<int>>("fresh");
    QTest::addColumn<QByteArray>("asked"); // the request's If-None-Match
    const TTestHeaders etagA{{"ETag", "\"a\""}};
    QTest::newRow("first: all seen") << answer(200, feedOf({1, 2}), etagA) << 0
                                     << int(TWatchResult::Checked) << QList<int>() << QByteArray();
    QTest::newRow("unchanged: 304")
        << answer(304, {}, etagA) << 60 << int(TWatchResult::NotModified) << QList<int>()
        << QByteArray("\"a\"");
    QTest::newRow("two new, one gone")
        << answer(200, feedOf({4, 3, 2}), {{"ETag", "\"b\""}}) << 120 << int(TWatchResult::Checked)
        << QList<int>{4, 3} << QByteArray("\"a\"");
    QTest::newRow("too many requests")
        << answer(429, "slow down", {{"Retry-After", "600"}}) << 180 << int(TWatchResult::Failed)
        << QList<int>() << QByteArray("\"b\"");
    QTest::newRow("left alone meanwhile")
        << TTestResponse{} << 779 << int(TWatchResult::Deferred) << QList<int>() << QByteArray();
    QTest::newRow("broken off, nothing lost") <<
        [] {
          TTestResponse cut = answer(200, feedOf({9, 8, 7}), {});
          cut.breakAfter = 30;
          return cut;
        }() << 780 << int(TWatchResult::Failed)
                                              << QList<int>() << QByteArray("\"b\"");
    QTest::newRow("a feed without items forgets nothing")
        << answer(200, "<rss><channel><title>maintenance</title></channel></rss>", {}) << 800
        << int(TWatchResult::Checked) << QList<int>() << QByteArray("\"b\"");
    QTest::newRow("without validators, asked in full")
        << answer(200, feedOf({5, 4, 3, 2, 1}), {}) << 840 << int(TWatchResult::Checked)
        << QList<int>{5} << QByteArray();
    QTest::newRow("the board turns to Atom")
        << answer(200, atomOf({6, 5, 4}), {}) << 900 << int(TWatchResult::Checked) << QList<int>{6}
        << QByteArray();
    QTest::newRow("and to JSON Feed")
        << answer(200, jsonOf({7, 6, 5}), {}) << 960 << int(TWatchResult::Checked) << QList<int>{7}
        << QByteArray();
    QTest::newRow("undeclared KOI8-R, as the server says")
        << answer(200, QStringEncoder("KOI8-R").encode(QString::fromUtf8(feedOf({8, 7}))),
                  {{"Content-Type", "application/rss+xml; Charset=\"KOI8-R\""}})
        << 1020 << int(TWatchResult::Checked) << QList<int>{8} << QByteArray();
  }
  void aSequenceOfChecks() {
    static TWatchChecker checker; // the rows run in order against one checker
    QFETCH(TTestResponse, response);
    QFETCH(int, after);
    QFETCH(int, status);
    QFETCH(QList<int>, fresh);
    QFETCH(QByteArray, asked);
    const QString address = FServer.url("/rss?cat=1");
    FServer.reset();
    FServer.route("/rss", response);
    const QDateTime start(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
    const QByteArray before = contentOf(TWatchChecker::copyFileName(address));
    const TWatchResult result = checker.check(address, start.addSecs(after));
    QCOMPARE(int(result.status), status);
    QList<int> named;
    for (const TFeedItem &item : result.fresh) {
      QVERIFY2(item.title().startsWith(u"Проект "_s), qPrintable(item.title()));
      named.append(item.title().sliced(7).toInt());
    }
    QCOMPARE(named, fresh);
    if (status == TWatchResult::Deferred) {
      QVERIFY(FServer.requests().isEmpty());
      return;
    }
    QCOMPARE(FServer.requests().size(), 1);
    QCOMPARE(FServer.requests().first().header("If-None-Match"), asked);
    QVERIFY(FServer.requests().first().header("Accept-Encoding").contains("deflate"));
    // The copy is what the server last sent whole.
    QCOMPARE(contentOf(TWatchChecker::copyFileName(address)),
             status == TWatchResult::Checked ? response.body : before);
  }

  // Items that could not be marked seen must be fetched again in full, or a
  // 304 would leave them unannounced.
  void unsavedSeenItemsAskAgainInFull() {
    const QString address = FServer.url("/other");
    QVERIFY(QDir().mkpath(TSeenItems::fileName(address))); // a folder cannot be replaced
    FServer.reset();
    FServer.route("/other", answer(200, feedOf({1}), {{"ETag", "\"a\""}}));
    TWatchChecker checker;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QCOMPARE(int(checker.check(address, now).status), int(TWatchResult::Failed));
    QVERIFY(QDir(TSeenItems::fileName(address)).removeRecursively());
    QCOMPARE(int(checker.check(address, now).status), int(TWatchResult::Checked));
    QCOMPARE(FServer.requests().last().header("If-None-Match"), QByteArray());
  }
};

QTEST_GUILESS_MAIN(TestWatchCheck)
#include "tst_WatchCheck.moc"
