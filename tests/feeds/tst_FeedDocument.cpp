#include "feeds/FeedDiscovery.h"
#include "feeds/FeedDocument.h"
#include "feeds/FeedWalk.h"
#include "support/GoldenFile.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QUrl>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray feed(const QByteArray &items) {
  return "<rss version=\"2.0\"><channel><title>Board</title>" + items + "</channel></rss>";
}

// The header as written, then each item's fields as the program takes them:
// normalised where they are shown, raw where they are not.
QString dumpOf(const TFeedParseResult &r) {
  static const QStringList statuses{u"ok"_s, u"parse error"_s, u"other error"_s, u"web page"_s};
  if (!r.ok())
    return u"status: %1\nmessage: %2\n"_s.arg(statuses[r.status], Quoted(r.message));
  static const QStringList formats{u"unknown"_s, u"rss"_s, u"rdf"_s, u"atom"_s, u"json feed"_s};
  const TFeedContent &c = *r.content;
  QString dump = u"status: ok%1\nformat: %2\nroot has children: %3\ntitle: %4\nlink: %5\n"
                 u"lastBuildDate: %6\nitems: %7\n"_s.arg(
                     r.recovered ? u", recovered"_s : QString(), formats[int(c.format)],
                     c.rootHasChildren ? u"yes"_s : u"no"_s, Quoted(c.title), Quoted(c.link),
                     Quoted(c.lastBuildDate), QString::number(c.items.size()));
  for (qsizetype n = 0; n < c.items.size(); ++n) {
    const TFeedItem &i = c.items.at(n);
    dump +=
        u"\nitem %1\n  title: %2\n  link: %3\n  raw link: %4\n  description: %5\n  pubDate: %6\n"
        u"  dc:date: %7\n  category: %8\n  comments: %9\n  id: %10\n"_s.arg(
            QString::number(n), Quoted(i.title()), Quoted(i.link()), Quoted(i.rawLink()),
            Quoted(i.description()), Quoted(i.raw(TFeedItem::PubDate)),
            Quoted(i.raw(TFeedItem::DcDate)), Quoted(i.raw(TFeedItem::Category)),
            Quoted(i.raw(TFeedItem::Comments)), Quoted(i.raw(TFeedItem::Id)));
  }
  return dump;
}

} // namespace

class TestFeedDocument : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  TTestHttpServer FServer;

private Q_SLOTS:
  void initTestCase() { QVERIFY(FServer.start()); }

  void golden_data() { addGoldenRows(u"feeds"_s); }
  void golden() {
    QFETCH(QString, input);
    TFeedDocument doc;
    doc.setFileName(input);
    compareWithGolden(input, dumpOf(doc.activate()));
  }

  // Feeds in tests/data/hostile (@HERE@ is that folder, @SERVER@ this test's server): each is
  // refused with the parser's message or read without loading anything from outside, and none
  // brings the program down.
  void badInput_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QDir folder(QStringLiteral(VORNIX_TEST_DATA "/hostile"));
    for (const QFileInfo &f : folder.entryInfoList({u"*.xml"_s}, QDir::Files))
      QTest::newRow(qPrintable(f.fileName()))
          << contentOf(f.filePath())
                 .replace("@HERE@", QUrl::fromLocalFile(folder.path()).toEncoded())
                 .replace("@SERVER@", QUrl(FServer.url("/")).authority().toUtf8());
  }
  void badInput() {
    QFETCH(QByteArray, bytes);
    const TFeedParseResult r = ParseFeed(bytes);
    QVERIFY2(r.status == TFeedParseResult::ParseError ? !r.message.trimmed().isEmpty() : r.ok(),
             qPrintable(r.message));
    QVERIFY(FServer.requests().isEmpty());
    for (const TFeedItem &i : r.ok() ? r.content->items : QList<TFeedItem>())
      for (const QString &text : {i.title(), i.rawLink()})
        QVERIFY2(!text.contains(u"VX-SECRET"_s) && text.size() <= 10 * 1024, qPrintable(text));
  }

  // Size alone neither crashes the reader nor makes it refuse a valid feed.
  void largeFeed() {
    const QByteArray item = "<item><title>Project</title><description><![CDATA[<p>" +
                            QByteArray("Some words. ").repeated(40) +
                            "</p>]]></description></item>\n";
    const qsizetype count = (50 << 20) / item.size();
    const TFeedParseResult r = ParseFeed(feed(item.repeated(count)));
    QVERIFY2(r.ok() && r.content->items.size() == count, qPrintable(r.message));
  }

  // Activating reads the file as it is now, however it was replaced.
  void documentRereads() {
    const QString name = FDir.filePath(u"reread.xml"_s);
    TFeedDocument doc;
    doc.setFileName(name);
    const auto state = [&] { // status, then the first title while active
      const int status = doc.activate().status;
      return u"%1 %2"_s.arg(status).arg(doc.isActive() ? doc.content().items.value(0).title()
                                                       : QString());
    };
    const auto after = [&](const QByteArray &bytes) {
      put(name, bytes);
      return state();
    };
    QCOMPARE(state(), u"2 "_s); // missing
    QCOMPARE(after(feed("<item><title>First!</title></item>")), u"0 First!"_s);
    QCOMPARE(after(feed("<item><title>Second one</title></item>")), u"0 Second one"_s);
    QSaveFile f(name); // same size, new inode
    QVERIFY(f.open(QIODevice::WriteOnly) &&
            f.write(feed("<item><title>Renamed it</title></item>")) && f.commit());
    QCOMPARE(state(), u"0 Renamed it"_s);
    QCOMPARE(after("<rss><channel><item>"), u"1 "_s);
    QCOMPARE(FindItemPosition(doc, QString(), {}), -1); // not the item read before
  }

  void walk() {
    const TFeedParseResult r =
        ParseFeed(contentOf(QStringLiteral(VORNIX_TEST_DATA "/feeds/five-items.xml")));
    QVERIFY(r.ok());
    QStringList asked, visited;
    const auto filter = [&](const QString &text) {
      asked << text;
      return u"L1 D2 T4 T5"_s.split(u' ').contains(text);
    };
    const auto visit = [&](const TWalkItem &w) {
      visited << u"%1:%2"_s.arg(w.position).arg(w.item->title());
      return w.position < 2;
    };
    QCOMPARE(WalkFeedItems(*r.content, filter, visit), 4); // stopped at T4
    QCOMPARE(asked.join(u' '), u"T1 L1 T2 L2 D2 T3   T4"_s);
    QCOMPARE(visited.join(u' '), u"0:T1 1:T2 2:T4"_s);
  }

  void findItemPosition() { // item 2 of utf8-board.xml has its link on a line of its own
    const QString board = u"https://freelance.example.org/projects/"_s;
    TFeedDocument doc;
    doc.setFileName(QStringLiteral(VORNIX_TEST_DATA "/feeds/utf8-board.xml"));
    const auto at = [&](const QString &link, const QString &word = {}) {
      const auto filter = [&](const QString &text) { return text.contains(word); };
      const int position = FindItemPosition(doc, link, word.isNull() ? TItemFilter() : filter);
      return doc.isActive() ? -2 : position;
    };
    QCOMPARE(at(u"\n        "_s + board + u"103\n      "_s), 2); // the raw link
    QCOMPARE(at(board + u"103"_s), -1);
    QCOMPARE(at(board + u"104"_s, u"&"_s), 2); // among those shown
    QCOMPARE(at(board + u"101"_s, u"Logo"_s), -1);
  }

  void feedFileName_data() { addGoldenRows(u"feedfilenames"_s); }
  // Each line an address; the dump gives where in the data folder tab 12 keeps its copy.
  void feedFileName() {
    QFETCH(QString, input);
    const TTempDataFolder folder;
    QString dump;
    for (const QString &address : ScriptLines(input))
      dump += address + u"\n  "_s + FeedFileName(12, address).mid(folder.path().size()) + u'\n';
    compareWithGolden(input, dump);
  }

  void discovery_data() { addGoldenRows(u"discovery"_s); }
  // Each file as a board's server sends it, its charset record as its Content-Type: what an
  // address typed into the catalogue turns out to be, and the feeds a page names.
  void discovery() {
    QFETCH(QString, input);
    const QByteArray charset = contentOf(input + u".charset"_s);
    const TFeedDiscovery found = DiscoverFeeds(contentOf(input), "text/html; charset=" + charset,
                                               u"https://board.example/jobs/index.html"_s);
    QString dump = QStringList{u"feed"_s, u"page"_s, u"neither"_s}.at(found.kind) + u'\n';
    for (const TFeedLink &link : found.links)
      dump += u"%1 | %2 | %3\n"_s.arg(int(link.format)).arg(Quoted(link.title), link.address);
    compareWithGolden(input, dump);
  }
};

QTEST_GUILESS_MAIN(TestFeedDocument)
#include "tst_FeedDocument.moc"
