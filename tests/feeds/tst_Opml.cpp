#include "feeds/Opml.h"
#include "support/GoldenFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestOpml : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // Exports as the readers people come from write them, and files that are no
  // OPML or are built to harm: each dumped as its title and feeds (path, name,
  // address), or refused with a reason.
  void read_data() { addGoldenRows(u"opml/read"_s); }
  void read() {
    QFETCH(QString, input);
    const TOpmlReadResult r = ReadOpml(contentOf(input));
    QString dump = r.ok ? u"title: "_s + Quoted(r.document.title) : u"error: "_s + Quoted(r.error);
    for (const TOpmlFeed &f : r.document.feeds)
      dump += u'\n' + Quoted(f.folders.join(u" / "_s)) + u' ' + Quoted(f.name) + u' ' +
              Quoted(f.address);
    compareWithGolden(input, dump + u'\n');
  }

  void caps_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    QByteArray feeds = "<opml><body>";
    for (int i = 0; i < kOpmlMaxFeeds; ++i)
      feeds += "<outline xmlUrl=\"https://x.example.org/" + QByteArray::number(i) + "\"/>";
    QTest::newRow("feeds up to the cap") << feeds + "</body></opml>" << u"10000 feeds"_s;
    QTest::newRow("a feed over the cap")
        << feeds + "<outline xmlUrl=\"x\"/></body></opml>"
        << u"В файле OPML больше 10000 лент: такой список не импортируется"_s;
    QTest::newRow("over the size")
        << QByteArray(kOpmlMaxBytes + 1, ' ') << u"Файл больше 10 МБ: это не список лент"_s;
  }
  void caps() {
    QFETCH(QByteArray, bytes);
    const TOpmlReadResult r = ReadOpml(bytes);
    QTEST(r.ok ? u"%1 feeds"_s.arg(r.document.feeds.size()) : r.error, "outcome");
  }

  // What other readers import. That what is read is written and read back the
  // same is the fuzzer's invariant, held over its seeds and opml/read by
  // feeds.FuzzCorpus.
  void write() {
    const QList<TOpmlFolder> folders{
        {u"Биржи & <конкурсы> \"все\""_s,
         {{u"Проекты 'IT'"_s, u"https://x.example.org/rss?a=1&b=<2>"_s},
          {u"Two\nlines\tand a tab"_s, u"https://x.example.org/2"_s},
          {u"\u0001"_s, u"https://x.example.org/unwritable-name"_s}}},
        {u" "_s, {{u"At the top"_s, u"https://top.example.org/"_s}}},
        {u"Empty"_s, {}},
        {u"Bell\u0007 and \uFFFF"_s, {{QString(), u"https://x.example.org/nameless"_s}}}};
    compareWithGolden(QStringLiteral(VORNIX_TEST_DATA "/opml/written.opml"),
                      QString::fromUtf8(WriteOpml(u"Vornix <&>"_s, folders)));
  }
};

QTEST_GUILESS_MAIN(TestOpml)
#include "tst_Opml.moc"
