#include "feeds/Archive.h"
#include "feeds/ArchiveTemplates.h"
#include "feeds/FeedDocument.h"
#include "feeds/TextNormalisation.h"
#include "platform/Codepage.h"

#include <QDateTime>
#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kApp = u"Vornix"_s;
const QString kTemplate = BuildArchiveTemplate(kApp, u"https://vornix.example.org/vx/"_s);
const QString kItemTemplate = BuildArchiveItemTemplate();

// The view as showing an item shows it: every field normalised.
TArchiveItem viewOf(const QStringList &texts) {
  const auto at = [&](int i) { return NormaliseText(texts.value(i)); };
  return {at(0), at(1), at(2), at(3), at(4), at(5)};
}

// What the view shows for each archived item when the archive is read.
QList<TArchiveItem> readBack(const QString &content) {
  const TFeedParseResult parsed = ParseFeed(TCodepage::toCp1251(content));
  if (!parsed.ok())
    return {};
  QList<TArchiveItem> items;
  for (const TFeedItem &i : parsed.content->items)
    items.append({i.title(), i.link(), NormaliseText(i.raw(TFeedItem::PubDate)),
                  NormaliseText(i.raw(TFeedItem::Category)), i.description(),
                  NormaliseText(i.raw(TFeedItem::Comments))});
  return items;
}

QString describe(const TArchiveItem &item) {
  return QStringList{item.title,    item.link,        item.pubDate,
                     item.category, item.description, item.comments}
      .join(u" | ");
}

// The archive as the next edit finds it: every line followed by CR LF.
QString asReadFromFile(const QString &content) {
  QString text = content;
  text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\r\n"_s);
  return text.endsWith(u"\r\n"_s) || text.isEmpty() ? text : text + u"\r\n"_s;
}

// Pieces that meet every rule of normalisation, escaping and placeholder
// filling, all in the Windows-1251 repertoire.
const QStringList kPieces{u"a"_s,
                          u"Ж"_s,
                          u"я"_s,
                          u" "_s,
                          u"  "_s,
                          u"\t"_s,
                          u"\r"_s,
                          u"\n"_s,
                          u"\r\n"_s,
                          u"<"_s,
                          u">"_s,
                          u"&"_s,
                          u"amp;"_s,
                          u"lt;"_s,
                          u"gt;"_s,
                          u"quot;"_s,
                          u"nbsp;"_s,
                          u"#160;"_s,
                          u"#13;"_s,
                          u"]]>"_s,
                          u"]]"_s,
                          u"<br>"_s,
                          u"< br / >"_s,
                          u"<![CDATA["_s,
                          u"aivx_link"_s,
                          u"AIVX_TITLE"_s,
                          u"<avxnewitems></avxnewitems>"_s,
                          u"<lastBuildDate>"_s,
                          u"</item>"_s,
                          u"<item>"_s,
                          u"\""_s,
                          u"'"_s,
                          u"/"_s,
                          u"\u00A0"_s,
                          u"Vornix archive"_s,
                          u"https://b.example/p?id=1&x=2"_s};

QString randomText(QRandomGenerator &random) {
  QString text;
  for (int n = int(random.bounded(12)); n > 0; --n)
    text += kPieces.at(int(random.bounded(kPieces.size())));
  return text;
}

} // namespace

class TestArchive : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // Whatever the view holds, adding gives a well-formed archive that reads
  // back as exactly the view's values, knows the item as a duplicate, and
  // lets removal take out that item and nothing else.
  void anyViewSurvivesTheArchive() {
    QRandomGenerator random(20261206);
    for (int round = 0; round < 1500; ++round) {
      QStringList first, second;
      for (int f = 0; f < 6; ++f) {
        first << randomText(random);
        second << randomText(random);
      }
      const TArchiveItem a = viewOf(first);
      TArchiveItem b = viewOf(second);
      b.link += u"/b"_s; // distinct links, or the second is a duplicate
      QString content = kTemplate;
      QCOMPARE(AddToArchive(content, kItemTemplate, a, kApp, u"06.12.2026 9:00:00"_s),
               TArchiveAddition::Added);
      content = asReadFromFile(content);
      QCOMPARE(AddToArchive(content, kItemTemplate, b, kApp, u"06.12.2026 9:01:00"_s),
               TArchiveAddition::Added);
      const QList<TArchiveItem> both = readBack(content);
      QVERIFY2(both.size() == 2, qPrintable(content));
      QVERIFY2(describe(both.at(0)) == describe(a),
               qPrintable(describe(both.at(0)) + u"\n"_s + describe(a) + u"\n"_s + content));
      QVERIFY2(describe(both.at(1)) == describe(b), qPrintable(content));

      QString again = content;
      QCOMPARE(AddToArchive(again, kItemTemplate, a, kApp, u"-"_s), TArchiveAddition::Duplicate);
      QCOMPARE(again, content);

      content = asReadFromFile(content);
      QVERIFY2(RemoveFromArchive(content, kItemTemplate, a), qPrintable(content));
      const QList<TArchiveItem> rest = readBack(content);
      QVERIFY2(rest.size() == 1 && describe(rest.at(0)) == describe(b), qPrintable(content));
      QVERIFY(RemoveFromArchive(content, kItemTemplate, b));
      QVERIFY(readBack(content).isEmpty());
      QVERIFY(ParseFeed(TCodepage::toCp1251(content)).ok());
    }
  }

  void plainValuesKeepTheirEverydayForm_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("asText");
    QTest::addColumn<QString>("asCData");
    QTest::newRow("plain") << u"Вёрстка сайта"_s << u"Вёрстка сайта"_s
                           << u"<![CDATA[Вёрстка сайта]]>"_s;
    QTest::newRow("two lines") << u"a\r\nb"_s << u"a\r\nb"_s << u"<![CDATA[a\r\nb]]>"_s;
    QTest::newRow("empty") << QString() << QString() << u"<![CDATA[]]>"_s;
    QTest::newRow("query string") << u"https://b.example/?a=1&b=2"_s
                                  << u"https://b.example/?a=1&amp;b=2"_s
                                  << u"<![CDATA[https://b.example/?a=1&b=2]]>"_s;
    QTest::newRow("markup that came from entities")
        << u"<b>bold</b>"_s << u"&amp;lt;b&amp;gt;bold&amp;lt;/b&amp;gt;"_s
        << u"&amp;lt;b&amp;gt;bold&amp;lt;/b&amp;gt;"_s;
    QTest::newRow("end of CDATA") << u"a]]>b"_s << u"a]]&amp;gt;b"_s << u"a]]&amp;gt;b"_s;
    QTest::newRow("doubled break")
        << u"a\r\n\r\nb"_s << u"a\r\n&lt;&gt;\r\nb"_s << u"a\r\n&lt;&gt;\r\nb"_s;
    QTest::newRow("break from a CR") << u"a\r\r\nb"_s << u"a&#13;\r\nb"_s << u"a&#13;\r\nb"_s;
  }
  void plainValuesKeepTheirEverydayForm() {
    QFETCH(QString, value);
    QFETCH(QString, asText);
    QFETCH(QString, asCData);
    QCOMPARE(ArchiveTextValue(value), asText);
    QCOMPARE(ArchiveCDataValue(value), asCData);
  }

  void placeholdersAreFilledOnce() {
    TArchiveItem item{u"aivx_link AIVX_DESCRIPTION"_s,
                      u"https://b.example/1"_s,
                      u"d"_s,
                      u"c"_s,
                      u"text"_s,
                      QString()};
    QCOMPARE(ArchiveItemText(kItemTemplate, item),
             u"<item><title><![CDATA[aivx_link AIVX_DESCRIPTION]]></title>"
             u"<link>https://b.example/1</link><pubDate>d</pubDate>"
             u"<category><![CDATA[c]]></category><description><![CDATA[text]]></description>"
             u"<comments></comments></item><avxnewitems></avxnewitems>"_s);
  }

  // Hand-edited archives: the item still goes after the last one, and a date
  // without both of its tags is left alone instead of cutting into the file.
  void handEditedArchives_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QString item = ArchiveItemText(kItemTemplate, {u"T"_s, u"L"_s, {}, {}, {}, {}});
    QTest::newRow("both tags") << u"<rss><channel><lastBuildDate>old</lastBuildDate>"
                                  u"<avxnewitems></avxnewitems></channel></rss>"_s
                               << u"<rss><channel><lastBuildDate>NOW</lastBuildDate>"_s + item +
                                      u"</channel></rss>"_s;
    QTest::newRow("no closing tag")
        << u"<rss><channel><lastBuildDate>old<avxnewitems></avxnewitems></channel></rss>"_s
        << u"<rss><channel><lastBuildDate>old"_s + item + u"</channel></rss>"_s;
    QTest::newRow("no opening tag")
        << u"<rss><channel>old</lastBuildDate><avxnewitems></avxnewitems></channel></rss>"_s
        << u"<rss><channel>old</lastBuildDate>"_s + item + u"</channel></rss>"_s;
    QTest::newRow("no marker") << u"<rss><channel><title>Vornix ARCHIVE</title></channel></rss>"_s
                               << u"<rss><channel><title>Vornix архив</title>"_s + item +
                                      u"</channel></rss>"_s;
    QTest::newRow("date tags only inside an item")
        << u"<rss><channel><item><title><![CDATA[<lastBuildDate>x</lastBuildDate>]]></title>"
           u"</item><avxnewitems></avxnewitems></channel></rss>"_s
        << u"<rss><channel><item><title><![CDATA[<lastBuildDate>x</lastBuildDate>]]></title>"
           u"</item>"_s +
               item + u"</channel></rss>"_s;
  }
  void handEditedArchives() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    QString content = before;
    QCOMPARE(AddToArchive(content, kItemTemplate, {u"T"_s, u"L"_s, {}, {}, {}, {}}, kApp, u"NOW"_s),
             TArchiveAddition::Added);
    QCOMPARE(content, after);
  }

  void noPlaceForAnItem() {
    QString content = u"not an archive"_s;
    QCOMPARE(AddToArchive(content, kItemTemplate, {}, kApp, u"NOW"_s), TArchiveAddition::NoPlace);
    QCOMPARE(content, u"not an archive"_s);
  }

  void removingWhatIsNotThereChangesNothing() {
    QString content = kTemplate;
    QVERIFY(!RemoveFromArchive(content, kItemTemplate, {u"T"_s, u"L"_s, {}, {}, {}, {}}));
    QCOMPARE(content, kTemplate);
  }

  void channelDate_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");
    const QDate day(2026, 12, 6);
    QTest::newRow("afternoon") << QDateTime(day, QTime(15, 4, 5)) << u"06.12.2026 15:04:05"_s;
    QTest::newRow("midnight") << QDateTime(day, QTime(0, 0)) << u"06.12.2026"_s;
  }
  void channelDate() {
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QCOMPARE(ArchiveDate(when, QLocale(QLocale::Russian, QLocale::Russia)), text);
  }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_Archive.moc"
