#include "feeds/FeedDocument.h"
#include "feeds/FeedWalk.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
const QString BoardLink = u"https://freelance.example.org/projects/"_s;
const QString Link103 = u"\n        https://freelance.example.org/projects/103\n      "_s;

QByteArray dataFile(const char *name) {
  QFile f(QString(QStringLiteral(VORNIX_TEST_DATA "/feeds/") + QLatin1StringView(name)));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &fileName, const QByteArray &bytes) {
  QFile f(fileName);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray feed(const QByteArray &items, const QByteArray &prolog = {}) {
  return prolog + "<rss version=\"2.0\"><channel><title>Board</title>" + items + "</channel></rss>";
}

} // namespace

class TestFeedDocument : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  TTestHttpServer FServer;

private Q_SLOTS:
  void initTestCase() {
    QVERIFY(FDir.isValid());
    QVERIFY(FServer.start());
    writeFile(FDir.filePath(u"secret.txt"_s), "VX-SECRET-MARKER");
    writeFile(FDir.filePath(u"secret.dtd"_s), "<!ENTITY x \"VX-SECRET-MARKER\">");
  }

  // Index -1: the channel header, title|link|lastBuildDate|item count, or "-" for a bare root.
  // Else that item's title|raw link|link|description|pubDate|dc:date|category|comments, or the
  // first few of them.
  void parse_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");
    const QByteArray board = dataFile("utf8-board.xml");
    const auto item = [](const QByteArray &inner) { return feed("<item>" + inner + "</item>"); };
    QTest::newRow("utf-8 header") << board << -1
                                  << u" Freelance Board & Co — new projects |https://freelance."
                                     u"example.org/|Mon, 03 Jun 2024 09:15:00 +0300|5"_s;
    QTest::newRow("utf-8 bom header") << dataFile("utf8-bom.xml") << -1
                                      << u"Биржа фриланса (UTF-8, BOM)|https://bom.example.ru/|"
                                         u"Mon, 03 Jun 2024 12:00:00 +0300|1"_s;
    QTest::newRow("rdf items beside channel")
        << dataFile("rdf-board.xml") << -1
        << u"Freelance Board (RSS 1.0)|https://rdf.example.org/||0"_s;
    QTest::newRow("atom") << dataFile("atom-board.xml") << -1 << u"|||0"_s;
    QTest::newRow("items outside channel")
        << dataFile("no-channel-items.xml") << -1
        << u"Freelance Board (broken export)|https://broken.example.org/|"
           u"Mon, 03 Jun 2024 05:00:00 +0000|0"_s;
    QTest::newRow("root only, blank") << QByteArray("<rss>\n  \n</rss>") << -1 << u"-"_s;
    QTest::newRow("only exact 'item'")
        << feed("<item/><Item/><ITEM/><x:item xmlns:x=\"u\"/><!-- <item/> --><image><item/></image>"
                "<item/>")
        << -1 << u"Board|||2"_s;
    QTest::newRow("first channel, case-sensitive")
        << QByteArray("<rss><!-- c --><Channel><title>X</title></Channel>\n<channel><title>A"
                      "</title><item/></channel><channel><item/></channel></rss>")
        << -1 << u"A|||1"_s;

    QTest::newRow("cdata after blank text, entities")
        << board << 0
        << u"Landing page for a bakery — \"Sweet Bun\" & Co|@101|@101|Need a one-page site for a "
           u"small bakery.\r\nBudget: 500 USD\r\nDeadline: 2 weeks\r\nOpen the project|"
           u"Mon, 03 Jun 2024 09:10:00 +0300||Web design|@101#comments"_s.replace(u'@', BoardLink);
    QTest::newRow("no code in 1251, dc:date")
        << board << 1
        << u"? Translate a price list into Chinese (?\?)|@102|@102|Two pages, 1 200 words.\r\n"
           u"Native speakers only & no machine translation.||2024-06-03T08:40:00+03:00|"
           u"Translation|@102#comments"_s.replace(u'@', BoardLink);
    QTest::newRow("raw link") << board << 2
                              << u"Fix a WordPress plugin (PHP 8)|"_s + Link103 + u"|"_s +
                                     BoardLink + u"103"_s;
    QTest::newRow("windows-1251")
        << dataFile("cp1251-board.xml") << 0
        << u"Разработка сайта-визитки «Ёлочка»|@2001|@2001|Нужен сайт для ёлочного базара.Бюджет: "
           u"15 000 руб. (около 150 €)|Mon, 03 Jun 2024 09:55:00 +0300||Сайты под ключ|"
           u"@2001#отзывы"_s.replace(u'@', u"https://birzha.example.ru/projects/"_s);
    QTest::newRow("byte 0x98") << dataFile("cp1251-0x98.xml") << 0
                               << u"Проект \u0098 с символом 0x98"_s;
    QTest::newRow("koi8-r") << dataFile("koi8r-board.xml") << 1
                            << u"Настройка сервера ? под ключ"_s;
    QTest::newRow("latin-1") << dataFile("latin1-board.xml") << 0
                             << u"R?sum? © 2024 : traduction ±5 pages, 20 °C, ? journ?e"_s;
    const QString text = QString::fromUtf8(item("<title>Ёлка — №1 ✓</title>"));
    const auto utf16 = [&](QStringConverter::Encoding e) {
      return QByteArray(QStringEncoder(e, QStringConverter::Flag::WriteBom).encode(text));
    };
    QTest::newRow("utf-16le bom") << utf16(QStringConverter::Utf16LE) << 0 << u"Ёлка — №1 ?"_s;
    QTest::newRow("utf-16be bom") << utf16(QStringConverter::Utf16BE) << 0 << u"Ёлка — №1 ?"_s;
    QTest::newRow("upper case name, single quotes")
        << "<?xml version='1.0' encoding='WINDOWS-1251'?>" +
               item("<title>\xA8\xEB\xEA\xE0 \x97 \xB9\x31 ?</title>")
        << 0 << u"Ёлка — №1 ?"_s;

    // An element's text is its first child node, text or CDATA, kept raw; blank
    // text between markup does not count as a node.
    QTest::newRow("raw, line ends")
        << item("<link>  a\r\nb\rc&#13;\n </link>") << 0 << u"|  a\nb\nc\r\n "_s;
    QTest::newRow("blank, cdata, text")
        << item("<link>\n   <![CDATA[x]]> tail</link>") << 0 << u"|x"_s;
    QTest::newRow("element first") << item("<link><a>z</a> tail</link>") << 0 << u"|"_s;
    QTest::newRow("case-sensitive, nested")
        << item("<Link>x</Link><source><link>y</link></source>") << 0 << u"|"_s;
  }
  void parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, index);
    QFETCH(QString, expected);
    const TFeedParseResult r = ParseFeed(bytes);
    QVERIFY2(r.ok(), qPrintable(r.message));
    const TFeedContent &c = *r.content;
    if (index < 0) {
      const QStringList header{c.title, c.link, c.lastBuildDate, QString::number(c.items.size())};
      QCOMPARE(c.rootHasChildren ? header.join(u'|') : u"-"_s, expected);
      return;
    }
    QVERIFY(index < c.items.size());
    const TFeedItem &i = c.items.at(index);
    const QStringList fields = expected.split(u'|');
    QCOMPARE((QStringList{i.title(), i.rawLink(), i.link(), i.description(),
                          i.raw(TFeedItem::PubDate), i.raw(TFeedItem::DcDate),
                          i.raw(TFeedItem::Category), i.raw(TFeedItem::Comments)})
                 .first(fields.size()),
             fields);
  }

  // Bytes no reader may trust: each is refused with the parser's message or
  // read without loading anything from outside, and never brings the program down.
  void badInput_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("mayParse");
    const QByteArray secret = QUrl::fromLocalFile(FDir.filePath(u"secret.txt"_s)).toEncoded();
    const QByteArray dtd = QUrl::fromLocalFile(FDir.filePath(u"secret.dtd"_s)).toEncoded();
    const QByteArray http = FServer.url("/x").toUtf8();
    const auto doctype = [](const QByteArray &declaration) {
      return feed("<item><title>&x;</title><link>a&x;</link></item>",
                  "<!DOCTYPE rss " + declaration + ">");
    };
    QTest::newRow("not xml") << QByteArray("Service temporarily unavailable\n") << false;
    QTest::newRow("truncated") << feed("<item><title>Cut").left(60) << false;
    QTest::newRow("html entity") << feed("<item><title>a&nbsp;b</title></item>") << false;
    QTest::newRow("unknown encoding")
        << "<?xml version=\"1.0\" encoding=\"x-unknown\"?>" + feed({}) << false;
    QTest::newRow("1251 bytes, no declaration")
        << feed("<item><title>\xCF\xF0\xEE\xE5\xEA\xF2</title></item>") << false;
    QTest::newRow("empty") << QByteArray() << false;
    quint32 noise[1024];
    QRandomGenerator(1251).fillRange(noise);
    QTest::newRow("binary") << QByteArray(reinterpret_cast<const char *>(noise), sizeof noise)
                            << false;
    QTest::newRow("10000 deep") << feed(QByteArray("<d>").repeated(10000) +
                                        QByteArray("</d>").repeated(10000))
                                << true;
    QTest::newRow("external entity") << doctype("[<!ENTITY x SYSTEM \"" + secret + "\">]") << true;
    QTest::newRow("external parameter entity")
        << doctype("[<!ENTITY % p SYSTEM \"" + dtd + "\"> %p;]") << true;
    QTest::newRow("external dtd") << doctype("SYSTEM \"" + dtd + "\"") << true;
    QTest::newRow("network dtd and entity")
        << doctype("SYSTEM \"" + http + ".dtd\" [<!ENTITY x SYSTEM \"" + http + ".txt\">]") << true;
    QTest::newRow("xinclude")
        << feed("<item><title><xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"" +
                secret + "\" parse=\"text\"/></title></item>")
        << true;
    QByteArray laughs = "[<!ENTITY l0 \"lollollollollollollollollollol\">";
    for (int i = 1; i < 10; ++i)
      laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" +
                QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    QTest::newRow("billion laughs") << doctype(laughs + "<!ENTITY x \"&l9;&l9;\">]") << true;
    QTest::newRow("quadratic blowup")
        << feed("<item><title>" + QByteArray("&b;").repeated(50000) + "</title></item>",
                "<!DOCTYPE rss [<!ENTITY b \"" + QByteArray(20000, 'b') + "\">]>")
        << true;
  }
  void badInput() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, mayParse);
    const TFeedParseResult r = ParseFeed(bytes);
    QVERIFY2(r.status == TFeedParseResult::ParseError ? !r.message.trimmed().isEmpty()
                                                      : mayParse && r.ok(),
             qPrintable(r.message));
    QVERIFY(FServer.requests().isEmpty());
    if (!r.ok())
      return;
    for (const TFeedItem &i : r.content->items) {
      for (const QString &text : {i.title(), i.rawLink()})
        QVERIFY2(!text.contains(u"VX-SECRET"_s) && text.size() <= 10 * 1024, qPrintable(text));
    }
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
    QCOMPARE(state(), u"2 "_s); // missing
    writeFile(name, feed("<item><title>First!</title></item>"));
    QCOMPARE(state(), u"0 First!"_s);
    writeFile(name, feed("<item><title>Second one</title></item>"));
    QCOMPARE(state(), u"0 Second one"_s);
    QSaveFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(feed("<item><title>Renamed it</title></item>"));
    QVERIFY(f.commit());
    QCOMPARE(state(), u"0 Renamed it"_s);
    writeFile(name, "<rss><channel><item>");
    QCOMPARE(state(), u"1 "_s);
    QCOMPARE(FindItemPosition(doc, QString(), {}), -1);
  }

  void walk() {
    const TFeedParseResult r = ParseFeed(
        feed("<item><title>T1</title><link> L1\n</link><description>D1</description></item>"
             "<item><title>T2</title><link>L2</link><description>D2</description></item>"
             "<item><title>T3</title></item><item><title>T4</title></item><item><title>T5</title>"
             "</item>"));
    QVERIFY(r.ok());
    QStringList asked, visited;
    const auto filter = [&](const QString &text) {
      asked << text;
      return u"L1 D2 T4 T5"_s.split(u' ').contains(text);
    };
    WalkFeedItems(*r.content, filter, [&](const TWalkItem &w) {
      visited << u"%1:%2"_s.arg(w.position).arg(w.item->title());
      return w.position < 2;
    });
    QCOMPARE(asked.join(u' '), u"T1 L1 T2 L2 D2 T3   T4"_s);
    QCOMPARE(visited.join(u' '), u"0:T1 1:T2 2:T4"_s);
  }

  void findItemPosition_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("position");
    QTest::newRow("raw link") << Link103 << QString() << 2;
    QTest::newRow("normalised link") << BoardLink + u"103"_s << QString() << -1;
    QTest::newRow("among visible") << BoardLink + u"104"_s << u"&"_s << 2;
    QTest::newRow("filtered out") << BoardLink + u"101"_s << u"Logo"_s << -1;
  }
  void findItemPosition() {
    QFETCH(QString, link);
    QFETCH(QString, word);
    TFeedDocument doc;
    doc.setFileName(QStringLiteral(VORNIX_TEST_DATA "/feeds/utf8-board.xml"));
    const auto filter = [&](const QString &text) { return text.contains(word); };
    QTEST(FindItemPosition(doc, link, word.isNull() ? TItemFilter() : filter), "position");
    QVERIFY(!doc.isActive());
  }

  void feedFileName_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name"); // after "xml/" and the tab index
    QTest::newRow("slash") << u"https://x.org/rss/projects.xml"_s << u"projects.xml"_s;
    QTest::newRow("trailing slash") << u"https://x.org/rss/"_s << QString();
    QTest::newRow("no separator") << u"vx_arhive.xml"_s << u"vx_arhive.xml"_s;
    QTest::newRow("backslash last") << u"https://x.org/a\\b.xml"_s << u"b.xml"_s;
    QTest::newRow("colon last") << u"https://x.org/rss.php?c=web:design"_s << u"design"_s;
    QTest::newRow("slash after colon") << u"http://x.org:8080/feed?x=a:b/c"_s << u"c"_s;
  }
  void feedFileName() {
    QFETCH(QString, address);
    QFETCH(QString, name);
    const TTempDataFolder folder;
    QCOMPARE(FeedFileName(12, address), TDataFolder::file(u"xml/12"_s + name));
  }
};

QTEST_GUILESS_MAIN(TestFeedDocument)
#include "tst_FeedDocument.moc"
