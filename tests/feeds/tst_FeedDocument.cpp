#include "feeds/FeedDocument.h"
#include "feeds/FeedWalk.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
const QString Data = QStringLiteral(VORNIX_TEST_DATA "/feeds/");
const QString BoardLink = u"https://freelance.example.org/projects/"_s;
const QString Link103 = u"\n        https://freelance.example.org/projects/103\n      "_s;

QByteArray readAll(const QString &fileName) {
  QFile f(fileName);
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

// Every text the reader handed over, header and items.
QStringList allTexts(const TFeedContent &c) {
  QStringList texts{c.title, c.link, c.lastBuildDate};
  for (const TFeedItem &i : c.items)
    texts << i.rawLink << i.title << i.link << i.description << i.pubDate << i.dcDate << i.category
          << i.comments;
  return texts;
}

TItemFilter containing(const QString &word) {
  if (word.isNull())
    return {};
  return [word](const QString &text) { return text.contains(word); };
}
} // namespace

class TestFeedDocument : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  TTestHttpServer FServer;

  TFeedParseResult parseFile(const QString &name) { return ParseFeed(readAll(Data + name)); }

private Q_SLOTS:
  void initTestCase() {
    QVERIFY(FDir.isValid());
    QVERIFY(FServer.start());
    writeFile(FDir.filePath(u"secret.txt"_s), "VX-SECRET-MARKER");
    writeFile(FDir.filePath(u"secret.dtd"_s), "<!ENTITY leak \"VX-SECRET-MARKER\">");
    writeFile(FDir.filePath(u"broken.xml"_s), readAll(Data + u"utf8-board.xml"_s).left(900));
  }

  void header_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("rootHasChildren");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("lastBuildDate");
    QTest::addColumn<int>("items");
    QTest::newRow("utf-8") << u"utf8-board.xml"_s << true
                           << u" Freelance Board & Co — new projects "_s
                           << u"https://freelance.example.org/"_s
                           << u"Mon, 03 Jun 2024 09:15:00 +0300"_s << 5;
    QTest::newRow("windows-1251") << u"cp1251-board.xml"_s << true << u"Биржа фриланса — проекты"_s
                                  << u"https://birzha.example.ru/"_s
                                  << u"Пн, 03 июн 2024 10:00:00 +0300"_s << 3;
    QTest::newRow("byte 0x98") << u"cp1251-0x98.xml"_s << true << u"Биржа фриланса"_s
                               << u"https://birzha.example.ru/"_s
                               << u"Mon, 03 Jun 2024 11:00:00 +0300"_s << 1;
    QTest::newRow("koi8-r") << u"koi8r-board.xml"_s << true << u"Старая биржа (KOI8-R)"_s
                            << u"https://koi.example.ru/"_s << u"Sun, 02 Jun 2024 18:00:00 +0300"_s
                            << 2;
    QTest::newRow("latin-1") << u"latin1-board.xml"_s << true << u"Bourse des freelances"_s
                             << u"https://emplois.example.org/"_s
                             << u"Mon, 03 Jun 2024 07:00:00 +0200"_s << 1;
    QTest::newRow("utf-8 bom") << u"utf8-bom.xml"_s << true << u"Биржа фриланса (UTF-8, BOM)"_s
                               << u"https://bom.example.ru/"_s
                               << u"Mon, 03 Jun 2024 12:00:00 +0300"_s << 1;
    QTest::newRow("rdf items beside channel")
        << u"rdf-board.xml"_s << true << u"Freelance Board (RSS 1.0)"_s
        << u"https://rdf.example.org/"_s << QString() << 0;
    QTest::newRow("atom") << u"atom-board.xml"_s << true << QString() << QString() << QString()
                          << 0;
    QTest::newRow("items outside channel")
        << u"no-channel-items.xml"_s << true << u"Freelance Board (broken export)"_s
        << u"https://broken.example.org/"_s << u"Mon, 03 Jun 2024 05:00:00 +0000"_s << 0;
    QTest::newRow("root only") << u"root-only.xml"_s << false << QString() << QString() << QString()
                               << 0;
    QTest::newRow("empty channel")
        << u"empty-channel.xml"_s << true << QString() << QString() << QString() << 0;
  }
  void header() {
    QFETCH(QString, file);
    const TFeedParseResult r = parseFile(file);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QTEST(r.content->rootHasChildren, "rootHasChildren");
    QTEST(r.content->title, "title");
    QTEST(r.content->link, "link");
    QTEST(r.content->lastBuildDate, "lastBuildDate");
    QTEST(int(r.content->items.size()), "items");
  }

  void items_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");
    // title|link|description (normalised)|raw link|pubDate|dc:date|category|comments
    QTest::addColumn<QString>("fields");
    const QString board = u"utf8-board.xml"_s;
    QTest::newRow("html in cdata after blank text")
        << board << 0
        << u"Landing page for a bakery — \"Sweet Bun\" & Co|@101|Need a one-page site for a "
           u"small bakery.\r\nBudget: 500 USD\r\nDeadline: 2 weeks\r\nOpen the project|@101|"
           u"Mon, 03 Jun 2024 09:10:00 +0300||Web design|@101#comments"_s.replace(u'@', BoardLink);
    QTest::newRow("no code in 1251, dc:date")
        << board << 1
        << u"? Translate a price list into Chinese (?\?)|@102|Two pages, 1 200 words.\r\nNative "
           u"speakers only & no machine translation.|@102||2024-06-03T08:40:00+03:00|"
           u"Translation|@102#comments"_s.replace(u'@', BoardLink);
    QTest::newRow("link with line breaks")
        << board << 2
        << u"Fix a WordPress plugin (PHP 8)|@103|The plugin stopped working after the update."
           u"\r\nPlease send your rate.|^|Mon, 03 Jun 2024 08:05:00 +0300||Programming|"
           u"@103#comments"_s.replace(u'@', BoardLink)
               .replace(u'^', Link103);
    QTest::newRow("escaped markup, blank lines")
        << board << 3
        << u"Logo & brand book|@104|A logo for a coffee shop.\r\nThree drafts, then one "
           u"revision.|@104|Sun, 02 Jun 2024 22:30:00 +0300|||"_s.replace(u'@', BoardLink);
    QTest::newRow("element in title, no description")
        << board << 4
        << u"|@105||@105|Sun, 02 Jun 2024 21:00:00 +0300||Data entry|"_s.replace(u'@', BoardLink);
    QTest::newRow("windows-1251 cdata")
        << u"cp1251-board.xml"_s << 0
        << u"Разработка сайта-визитки «Ёлочка»|@2001|Нужен сайт для ёлочного базара.Бюджет: "
           u"15 000 руб. (около 150 €)|@2001|Mon, 03 Jun 2024 09:55:00 +0300||Сайты под ключ|"
           u"@2001#отзывы"_s.replace(u'@', u"https://birzha.example.ru/projects/"_s);
    QTest::newRow("windows-1251, reference without code")
        << u"cp1251-board.xml"_s << 2
        << u"Набор текста с 20 сканов ? 60 стр.|@2003|Оплата сразу.\r\nПишите в личку.|@2003|"
           u"Mon, 03 Jun 2024 08:10:00 +0300||Набор текста|"_s.replace(
               u'@', u"https://birzha.example.ru/projects/"_s);
    QTest::newRow("byte 0x98") << u"cp1251-0x98.xml"_s << 0
                               << u"Проект \u0098 с символом 0x98|@|Текст после него тоже "
                                  u"читается.|@||||"_s.replace(
                                      u'@', u"https://birzha.example.ru/projects/2010"_s);
    QTest::newRow("koi8-r") << u"koi8r-board.xml"_s << 1
                            << u"Настройка сервера ? под ключ|@|Debian, nginx.|@||||"_s.replace(
                                   u'@', u"https://koi.example.ru/job?id=32"_s);
    QTest::newRow("latin-1")
        << u"latin1-board.xml"_s << 0
        << u"R?sum? © 2024 : traduction ±5 pages, 20 °C, ? journ?e|@|Caf? « M?ller » &ndash; ? "
           u"Z?rich.|@|Mon, 03 Jun 2024 06:30:00 +0200||Traduction|"_s.replace(
               u'@', u"https://emplois.example.org/offre/77"_s);
  }
  void items() {
    QFETCH(QString, file);
    QFETCH(int, index);
    QFETCH(QString, fields);
    const TFeedParseResult r = parseFile(file);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QVERIFY(index < r.content->items.size());
    const TFeedItem &i = r.content->items.at(index);
    QCOMPARE((QStringList{i.title, i.link, i.description, i.rawLink, i.pubDate, i.dcDate,
                          i.category, i.comments}),
             fields.split(u'|'));
  }

  // An element's text is its first child node, text or CDATA; blank text
  // between markup does not count as a node.
  void elementText_data() {
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QString>("comments");
    QTest::newRow("kept raw") << QByteArray("<comments>  a  b </comments>") << u"  a  b "_s;
    QTest::newRow("entities") << QByteArray("<comments>a &amp; b &#x41;&lt;</comments>")
                              << u"a & b A<"_s;
    QTest::newRow("line ends") << QByteArray("<comments>a\r\nb\rc&#13;\nd</comments>")
                               << u"a\nb\nc\r\nd"_s;
    QTest::newRow("blank before cdata")
        << QByteArray("<comments>\n   <![CDATA[x]]>\n</comments>") << u"x"_s;
    QTest::newRow("text after cdata")
        << QByteArray("<comments><![CDATA[x]]> tail</comments>") << u"x"_s;
    QTest::newRow("text before cdata")
        << QByteArray("<comments>head <![CDATA[x]]></comments>") << u"head "_s;
    QTest::newRow("element first")
        << QByteArray("<comments><a href=\"u\">z</a> tail</comments>") << QString();
    QTest::newRow("text before element")
        << QByteArray("<comments>pre<b>x</b>post</comments>") << u"pre"_s;
    QTest::newRow("empty element") << QByteArray("<comments/>") << QString();
    QTest::newRow("missing") << QByteArray("<title>t</title>") << QString();
    QTest::newRow("first of two") << QByteArray("<comments>1</comments><comments>2</comments>")
                                  << u"1"_s;
    QTest::newRow("name is case-sensitive") << QByteArray("<Comments>x</Comments>") << QString();
    QTest::newRow("nested is not a child")
        << QByteArray("<source><comments>x</comments></source>") << QString();
  }
  void elementText() {
    QFETCH(QByteArray, item);
    const TFeedParseResult r = ParseFeed(feed("<item>" + item + "</item>"));
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.content->items.size(), 1);
    QTEST(r.content->items.at(0).comments, "comments");
  }

  void documentShape_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("rootHasChildren");
    QTest::addColumn<QString>("titles"); // channel title, then each item's
    QTest::newRow("only exact 'item'")
        << feed("<item><title>1</title></item><Item><title>2</title></Item>"
                "<ITEM><title>3</title></ITEM><x:item xmlns:x=\"u\"><title>4</title></x:item>"
                "<!-- <item><title>5</title></item> --><image><item><title>6</title></item></image>"
                "<item><title>7</title></item>")
        << true << u"Board|1|7"_s;
    QTest::newRow("first channel")
        << QByteArray("<rss><!-- c --><meta/>\n<channel><title>A</title><item><title>1</title>"
                      "</item></channel><channel><title>B</title><item><title>2</title></item>"
                      "</channel></rss>")
        << true << u"A|1"_s;
    QTest::newRow("channel is case-sensitive")
        << QByteArray("<rss><Channel><title>A</title><item><title>1</title></item></Channel></rss>")
        << true << u""_s;
    QTest::newRow("blank root") << QByteArray("<rss version=\"2.0\">\n  \n</rss>") << false
                                << u""_s;
    QTest::newRow("empty item") << feed("<item/>") << true << u"Board|"_s;
  }
  void documentShape() {
    QFETCH(QByteArray, xml);
    const TFeedParseResult r = ParseFeed(xml);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QTEST(r.content->rootHasChildren, "rootHasChildren");
    QStringList titles{r.content->title};
    for (const TFeedItem &i : r.content->items)
      titles << i.title;
    QTEST(titles.join(u'|'), "titles");
  }

  void encodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("title");
    const QString text = u"Ёлка — №1 ✓"_s;
    const QString expected = u"Ёлка — №1 ?"_s;
    const QByteArray body = "<rss><channel><item><title>%</title></item></channel></rss>";
    const auto utf16 = [&](bool le) {
      QString doc = QString::fromLatin1(body).replace(u'%', text);
      QByteArray out = le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
      for (QChar c : doc) {
        const char bytes[2] = {char(c.unicode() & 0xFF), char(c.unicode() >> 8)};
        out.append(bytes[le ? 0 : 1]).append(bytes[le ? 1 : 0]);
      }
      return out;
    };
    const QByteArray cp = QByteArray(body).replace('%', "\xA8\xEB\xEA\xE0 \x97 \xB9\x31 ?");
    QTest::newRow("utf-16le bom") << utf16(true) << expected;
    QTest::newRow("utf-16be bom") << utf16(false) << expected;
    QTest::newRow("no declaration is utf-8")
        << QByteArray(body).replace('%', text.toUtf8()) << expected;
    QTest::newRow("upper case name, single quotes")
        << "<?xml version='1.0' encoding='WINDOWS-1251'?>" + cp << expected;
    QTest::newRow("bom and declaration")
        << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>" +
               QByteArray(body).replace('%', text.toUtf8())
        << expected;
  }
  void encodings() {
    QFETCH(QByteArray, bytes);
    const TFeedParseResult r = ParseFeed(bytes);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.content->items.size(), 1);
    QTEST(r.content->items.at(0).title, "title");
  }

  // Bytes no reader may trust: each is refused with the parser's message or
  // read without loading anything from outside, and never brings the program down.
  void badInput_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("allowed");
    const QList<int> error{TFeedParseResult::ParseError};
    const QList<int> safe{TFeedParseResult::Ok, TFeedParseResult::ParseError};
    const QByteArray secret = QUrl::fromLocalFile(FDir.filePath(u"secret.txt"_s)).toEncoded();
    const QByteArray secretDtd = QUrl::fromLocalFile(FDir.filePath(u"secret.dtd"_s)).toEncoded();
    const QByteArray http = FServer.url("/x").toUtf8();

    QTest::newRow("not xml") << QByteArray("Service temporarily unavailable\n") << error;
    QTest::newRow("truncated") << feed("<item><title>Cut").left(60) << error;
    QTest::newRow("html entity") << feed("<item><title>a&nbsp;b</title></item>") << error;
    QTest::newRow("nul inside") << QByteArray("<rss><channel><title>a\0b</title></channel></rss>",
                                              48)
                                << error;
    QTest::newRow("unknown encoding")
        << "<?xml version=\"1.0\" encoding=\"x-unknown\"?>" + feed("<item/>") << error;
    QTest::newRow("1251 bytes declared utf-8")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
               feed("<item><title>\xCF\xF0\xEE\xE5\xEA\xF2</title></item>")
        << error;
    QTest::newRow("1251 bytes undeclared")
        << feed("<item><title>\xCF\xF0\xEE\xE5\xEA\xF2</title></item>") << error;
    QTest::newRow("empty") << QByteArray() << error;
    QByteArray deep = "<rss><channel>";
    for (int i = 0; i < 10000; ++i)
      deep += "<d>";
    QTest::newRow("10000 deep") << deep << error;
    QByteArray noise(4096, '\0');
    QRandomGenerator rng(1251);
    for (int i = 0; i < noise.size(); i += 3)
      noise[i] = char(rng.bounded(256));
    QTest::newRow("binary") << noise << error;

    QTest::newRow("external entity, passwd")
        << feed("<item><title>&x;</title><link>a&x;</link></item>",
                "<!DOCTYPE rss [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>")
        << safe;
    QTest::newRow("external entity, file")
        << feed("<item><title>&x;</title><link>a&x;</link></item>",
                "<!DOCTYPE rss [<!ENTITY x SYSTEM \"" + secret + "\">]>")
        << safe;
    QTest::newRow("external parameter entity")
        << feed("<item><title>&leak;</title><link>a&leak;</link></item>",
                "<!DOCTYPE rss [<!ENTITY % p SYSTEM \"" + secretDtd + "\"> %p;]>")
        << safe;
    QTest::newRow("external dtd") << feed("<item><title>&leak;</title></item>",
                                          "<!DOCTYPE rss SYSTEM \"" + secretDtd + "\">")
                                  << safe;
    QTest::newRow("network dtd and entity")
        << feed("<item><title>&x;</title><link>a&x;</link></item>",
                "<!DOCTYPE rss SYSTEM \"" + http + ".dtd\" [<!ENTITY x SYSTEM \"" + http +
                    ".txt\">]>")
        << safe;
    QTest::newRow("xinclude")
        << feed("<item><title><xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"" +
                secret + "\" parse=\"text\"/></title></item>")
        << safe;
    QByteArray laughs = "<!DOCTYPE rss [<!ENTITY l0 \"lollollollollollollollollollol\">";
    for (int i = 1; i < 10; ++i)
      laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" +
                QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    laughs += "]>";
    QTest::newRow("billion laughs")
        << feed("<item><title>&l9;</title><link>&l9;</link><description>&l9;</description></item>",
                laughs)
        << safe;
    const QByteArray big = "<!DOCTYPE rss [<!ENTITY b \"" + QByteArray(20000, 'b') + "\">]>";
    QTest::newRow("quadratic blowup")
        << feed("<item><title>" + QByteArray("&b;").repeated(50000) + "</title></item>", big)
        << safe;
  }
  void badInput() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, allowed);
    const TFeedParseResult r = ParseFeed(bytes);
    QVERIFY2(allowed.contains(r.status),
             qPrintable(u"status %1: "_s.arg(int(r.status)) + r.message));
    if (r.status == TFeedParseResult::ParseError)
      QVERIFY(!r.message.trimmed().isEmpty());
    if (r.status != TFeedParseResult::Ok)
      return;
    QVERIFY(r.content);
    for (const QString &text : allTexts(*r.content)) {
      QVERIFY2(!text.contains(u"root:"_s) && !text.contains(u"VX-SECRET"_s), qPrintable(text));
      QVERIFY2(text.size() <= 10 * 1024, qPrintable(text.left(80)));
    }
    QVERIFY(FServer.requests().isEmpty());
  }

  // A whole feed far larger than any board sends, to see that size alone
  // neither crashes the reader nor makes it refuse a valid document.
  void largeFeed() {
    const QByteArray item = "<item><title>Project %1</title><link>https://example.org/p/%1</link>"
                            "<description><![CDATA[<p>" +
                            QByteArray("Some words of a long project text. ").repeated(12) +
                            "</p>]]></description><pubDate>Mon, 03 Jun 2024</pubDate></item>\n";
    QByteArray items;
    int count = 0;
    while (items.size() < 50 * 1024 * 1024)
      items += QByteArray(item).replace("%1", QByteArray::number(++count));
    QElapsedTimer timer;
    timer.start();
    const TFeedParseResult r = ParseFeed(feed(items));
    qInfo("%d items, %lld MB parsed in %lld ms", count, qlonglong(items.size() >> 20),
          qlonglong(timer.elapsed()));
    QVERIFY2(r.ok() || r.status == TFeedParseResult::ParseError, qPrintable(r.message));
    if (!r.ok())
      return;
    QCOMPARE(r.content->items.size(), count);
    QCOMPARE(r.content->items.last().link, u"https://example.org/p/%1"_s.arg(count));
  }

  void documentMissingFile() {
    TFeedDocument doc;
    doc.setFileName(FDir.filePath(u"nowhere.xml"_s));
    QVERIFY(!doc.fileExists());
    QCOMPARE(doc.activate().status, TFeedParseResult::OtherError);
    QVERIFY(!doc.isActive());
  }

  // The document reads the file as it is now, however it was replaced.
  void documentRereads_data() {
    QTest::addColumn<bool>("atomic");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("title"); // null: a parse error
    QTest::newRow("in place, longer")
        << false << feed("<item><title>Second one</title></item>") << u"Second one"_s;
    QTest::newRow("in place, same size")
        << false << feed("<item><title>Second</title></item>") << u"Second"_s;
    QTest::newRow("renamed over, same size")
        << true << feed("<item><title>Second</title></item>") << u"Second"_s;
    QTest::newRow("parse error") << false << QByteArray("<rss><channel>") << QString();
  }
  void documentRereads() {
    QFETCH(bool, atomic);
    QFETCH(QByteArray, second);
    QFETCH(QString, title);
    const QString name = FDir.filePath(u"reread.xml"_s);
    writeFile(name, feed("<item><title>First!</title></item>"));
    TFeedDocument doc;
    doc.setFileName(name);
    for (int pass = 0; pass < 2; ++pass) {
      QVERIFY(doc.activate().ok());
      QCOMPARE(doc.content().items.value(0).title, u"First!"_s);
      doc.deactivate();
    }
    if (atomic) {
      QSaveFile f(name);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(second);
      QVERIFY(f.commit());
    } else {
      writeFile(name, second);
    }
    const TFeedParseResult r = doc.activate();
    if (title.isNull()) {
      QCOMPARE(r.status, TFeedParseResult::ParseError);
      QVERIFY(!doc.isActive());
      writeFile(name, feed("<item><title>Fixed</title></item>"));
      title = u"Fixed"_s;
    }
    QVERIFY(doc.activate().ok());
    QCOMPARE(doc.content().items.value(0).title, title);
  }

  void walk_data() {
    QTest::addColumn<QString>("word"); // null: no filter
    QTest::addColumn<QStringList>("visible");
    const QStringList all{u"0:101"_s, u"1:102"_s, u"2:103"_s, u"3:104"_s, u"4:105"_s};
    QTest::newRow("no filter") << QString() << all;
    QTest::newRow("accept all") << u""_s << all;
    QTest::newRow("title") << u"Logo"_s << QStringList{u"0:104"_s};
    QTest::newRow("normalised link") << u"projects/103"_s << QStringList{u"0:103"_s};
    QTest::newRow("description") << u"Deadline"_s << QStringList{u"0:101"_s};
    QTest::newRow("positions skip hidden")
        << u"&"_s << QStringList{u"0:101"_s, u"1:102"_s, u"2:104"_s};
    QTest::newRow("text as 1251") << u"(?\?)"_s << QStringList{u"0:102"_s};
    QTest::newRow("markup title hidden") << u"Urgent"_s << QStringList();
    QTest::newRow("raw link not tested") << u"        https"_s << QStringList();
    QTest::newRow("no code in 1251") << u"中文"_s << QStringList();
  }
  void walk() {
    QFETCH(QString, word);
    const TFeedParseResult r = parseFile(u"utf8-board.xml"_s);
    QVERIFY(r.ok());
    QStringList visible;
    const int met = WalkFeedItems(*r.content, containing(word), [&](const TWalkItem &w) {
      visible << u"%1:%2"_s.arg(w.position).arg(w.item->link.right(3));
      return true;
    });
    QCOMPARE(met, 5);
    QTEST(visible, "visible");
  }

  void walkStopsAndTestsFieldsInOrder() {
    const TFeedParseResult r = ParseFeed(feed("<item><title>T1</title><link>L1</link>"
                                              "<description>D1</description></item>"
                                              "<item><title>T2</title><link>L2</link>"
                                              "<description>D2</description></item>"
                                              "<item><title>T3</title></item>"));
    QVERIFY(r.ok());
    QStringList asked;
    const auto filter = [&](const QString &text) {
      asked << text;
      return text == u"L1"_s || text == u"T3"_s;
    };
    QStringList visited;
    WalkFeedItems(*r.content, filter, [&](const TWalkItem &w) {
      visited << w.item->title;
      return true;
    });
    QCOMPARE(asked, (QStringList{u"T1"_s, u"L1"_s, u"T2"_s, u"L2"_s, u"D2"_s, u"T3"_s}));
    QCOMPARE(visited, (QStringList{u"T1"_s, u"T3"_s}));

    visited.clear();
    WalkFeedItems(*r.content, {}, [&](const TWalkItem &w) {
      visited << w.item->title;
      return w.position < 1;
    });
    QCOMPARE(visited, (QStringList{u"T1"_s, u"T2"_s}));
  }

  void findItemPosition_data() {
    QTest::addColumn<QString>("file"); // empty: no file name
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("position");
    const QString board = Data + u"utf8-board.xml"_s;
    QTest::newRow("first") << board << BoardLink + u"101"_s << QString() << 0;
    QTest::newRow("last") << board << BoardLink + u"105"_s << QString() << 4;
    QTest::newRow("trimmed link") << board << BoardLink + u"103"_s << QString() << -1;
    QTest::newRow("raw link") << board << Link103 << QString() << 2;
    QTest::newRow("case-sensitive") << board << BoardLink.toUpper() + u"101"_s << QString() << -1;
    QTest::newRow("among visible") << board << BoardLink + u"104"_s << u"&"_s << 2;
    QTest::newRow("filtered out") << board << BoardLink + u"101"_s << u"Logo"_s << -1;
    QTest::newRow("items outside channel")
        << Data + u"no-channel-items.xml"_s << u"https://broken.example.org/task/1"_s << QString()
        << -1;
    QTest::newRow("missing file") << FDir.filePath(u"missing.xml"_s) << BoardLink + u"101"_s
                                  << QString() << -1;
    QTest::newRow("parse error") << FDir.filePath(u"broken.xml"_s) << BoardLink + u"101"_s
                                 << QString() << -1;
    QTest::newRow("no file name") << QString() << BoardLink + u"101"_s << QString() << -1;
  }
  void findItemPosition() {
    QFETCH(QString, file);
    QFETCH(QString, link);
    QFETCH(QString, word);
    TFeedDocument doc;
    if (!file.isEmpty())
      doc.setFileName(file);
    QTEST(FindItemPosition(doc, link, containing(word)), "position");
    QVERIFY(!doc.isActive());
  }

  void feedFileName_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("relative");
    QTest::newRow("slash") << u"https://x.org/rss/projects.xml"_s << 3 << u"xml/3projects.xml"_s;
    QTest::newRow("trailing slash") << u"https://x.org/rss/"_s << 1 << u"xml/1"_s;
    QTest::newRow("archive") << u"vx_arhive.xml"_s << 0 << u"xml/0vx_arhive.xml"_s;
    QTest::newRow("backslash last") << u"https://x.org/a\\b.xml"_s << 2 << u"xml/2b.xml"_s;
    QTest::newRow("colon last") << u"https://x.org/rss.php?c=web:design"_s << 4 << u"xml/4design"_s;
    QTest::newRow("slash after colon") << u"http://x.org:8080/feed?x=a:b/c"_s << 5 << u"xml/5c"_s;
    QTest::newRow("host only") << u"https://birzha.example.ru"_s << 12
                               << u"xml/12birzha.example.ru"_s;
  }
  void feedFileName() {
    QFETCH(QString, address);
    QFETCH(int, tab);
    QFETCH(QString, relative);
    const TTempDataFolder folder;
    QCOMPARE(FeedFileName(tab, address), TDataFolder::file(relative));
  }
};

QTEST_GUILESS_MAIN(TestFeedDocument)
#include "tst_FeedDocument.moc"
