#include "feeds/SeenItems.h"
#include "platform/DataFolder.h"
#include "support/GoldenFile.h"

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

  void newItems_data() { addGoldenRows(u"seenitems"_s); }
  // A check of one address a line, its items' numbers ("a..b" a run of them, "-" none); the
  // dump names the new ones.
  void newItems() {
    QFETCH(QString, input);
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      QList<int> items;
      for (const QString &word : line.split(u' ', Qt::SkipEmptyParts))
        for (int n = word.section(u".."_s, 0, 0).toInt();
             word != u"-" && n <= word.section(u".."_s, -1).toInt(); ++n)
          items.append(n);
      QStringList fresh;
      for (const int n : check(items))
        fresh << QString::number(n);
      dump += line + u"\n  new: "_s + fresh.join(u' ') + u'\n';
    }
    TSeenItems seen(kAddress);
    seen.load();
    QVERIFY(seen.keys().size() <= TSeenItems::kMaxSeen);
    compareWithGolden(input, dump);
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
