#include "feeds/SeenItems.h"
#include "platform/DataFolder.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kAddress = u"https://board.example.org/rss?cat=1"_s;

// Items named by number: a link when positive, a guid alone (titles alike)
// from 10000 up, a title alone when negative.
TFeedContent feedOf(const QList<int> &items) {
  QByteArray xml = "<rss version=\"2.0\"><channel><title>B</title>";
  for (const int n : items) {
    const QByteArray number = QByteArray::number(qAbs(n));
    if (n >= 10000)
      xml += "<item><title>t</title><guid isPermaLink=\"false\">" + number + "</guid></item>";
    else if (n > 0)
      xml += "<item><title>t</title><link>https://board.example.org/p/" + number + "</link></item>";
    else
      xml += "<item><title>Без ссылки " + number + "</title></item>";
  }
  const TFeedParseResult parsed = ParseFeed(xml + "</channel></rss>");
  return parsed.ok() ? *parsed.content : TFeedContent();
}

QList<int> range(int from, int to) {
  QList<int> numbers;
  for (int n = from; n <= to; ++n)
    numbers.append(n);
  return numbers;
}

// The new items' numbers, after a check saved and read back as a restart would.
QList<int> check(const QList<int> &items) {
  TSeenItems seen(kAddress);
  seen.load();
  const QList<qsizetype> positions = seen.takeNew(feedOf(items));
  if (!seen.save())
    return {-9999};
  QList<int> fresh;
  for (const qsizetype at : positions)
    fresh.append(items[at]);
  return fresh;
}

} // namespace

class TestSeenItems : public QObject {
  Q_OBJECT
  QTemporaryDir FData;

private Q_SLOTS:
  void init() {
    TDataFolder::setPath(FData.path());
    QDir(FData.filePath(u"xml"_s)).removeRecursively();
  }

  // Each row is a sequence of checks of one address, each with the new items
  // it must find.
  void newItems_data() {
    QTest::addColumn<QList<QList<int>>>("checks");
    QTest::addColumn<QList<QList<int>>>("fresh");
    QTest::newRow("first check finds nothing")
        << QList<QList<int>>{{1, 2, 3}} << QList<QList<int>>{{}};
    QTest::newRow("new on top, in feed order")
        << QList<QList<int>>{{1, 2}, {4, 3, 1, 2}, {4, 3, 1, 2}}
        << QList<QList<int>>{{}, {4, 3}, {}};
    QTest::newRow("an empty first feed still counts as checked")
        << QList<QList<int>>{{}, {1}} << QList<QList<int>>{{}, {1}};
    QTest::newRow("without a link, by title; twice in a feed, once")
        << QList<QList<int>>{{-1}, {-1, -2, 5, 5, -2}} << QList<QList<int>>{{}, {-2, 5}};
    QTest::newRow("without a link, by guid before title")
        << QList<QList<int>>{{10001}, {10002, 10001, -1}} << QList<QList<int>>{{}, {10002, -1}};
    QTest::newRow("an item that leaves and comes back is not new")
        << QList<QList<int>>{{1, 2}, {2}, {1, 2}} << QList<QList<int>>{{}, {}, {}};
    // 1..1500 seen, then 1501..2500: the 500 oldest unlisted keys are dropped.
    QTest::newRow("bounded, the longest unlisted dropped")
        << QList<QList<int>>{range(1, 1500), range(1501, 2500), {500, 501, 2500}}
        << QList<QList<int>>{{}, range(1501, 2500), {500}};
    QTest::newRow("a feed longer than the bound")
        << QList<QList<int>>{range(1, 2100), range(1, 2100)}
        << QList<QList<int>>{{}, range(1, 100)};
  }
  void newItems() {
    QFETCH(QList<QList<int>>, checks);
    QFETCH(QList<QList<int>>, fresh);
    for (qsizetype i = 0; i < checks.size(); ++i)
      QCOMPARE(check(checks[i]), fresh[i]);
    TSeenItems seen(kAddress);
    seen.load();
    QVERIFY(seen.keys().size() <= TSeenItems::kMaxSeen);
  }

  // Addresses keep their own sets; a file that is not this address's, or is
  // not there, starts afresh rather than alerting on the whole feed.
  void keptPerAddress() {
    check({1});
    TSeenItems other(kAddress + u"&cat=2"_s);
    other.load();
    QVERIFY(!other.checkedBefore());
    QVERIFY(other.takeNew(feedOf({1, 2})).isEmpty());

    put(TSeenItems::fileName(kAddress),
        "https://elsewhere.example/\nhttps://board.example.org/p/1\n");
    QCOMPARE(check({1, 2}), QList<int>());
    QCOMPARE(check({1, 2, 3}), QList<int>{3});
    QCOMPARE(contentOf(TSeenItems::fileName(kAddress)),
             kAddress.toUtf8() + "\nhttps://board.example.org/p/1\nhttps://board.example.org/p/2\n"
                                 "https://board.example.org/p/3\n");
  }
};

QTEST_GUILESS_MAIN(TestSeenItems)
#include "tst_SeenItems.moc"
