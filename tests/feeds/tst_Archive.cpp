#include "feeds/Archive.h"
#include "feeds/ArchiveTemplates.h"
#include "feeds/FeedDocument.h"
#include "feeds/TextNormalisation.h"
#include "platform/Codepage.h"
#include "support/GoldenFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kApp = u"Vornix"_s;
const QString kTemplate = BuildArchiveTemplate(kApp, u"https://vornix.example.org/vx/"_s);
const QString kItemTemplate = BuildArchiveItemTemplate();

// What the view shows of each archived item when the archive is read back.
QStringList readBack(const QString &content) {
  const TFeedParseResult parsed = ParseFeed(TCodepage::toCp1251(content));
  QStringList items;
  for (const TFeedItem &i : parsed.ok() ? parsed.content->items : QList<TFeedItem>())
    items << QStringList({i.title(), i.link(), NormaliseText(i.raw(TFeedItem::PubDate)),
                          NormaliseText(i.raw(TFeedItem::Category)), i.description(),
                          NormaliseText(i.raw(TFeedItem::Comments))})
                 .join(u" | ");
  return items;
}

// The archive as the next edit finds it: every line followed by CR LF.
QString asReadFromFile(QString text) {
  text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\r\n"_s);
  return text.endsWith(u"\r\n"_s) || text.isEmpty() ? text : text + u"\r\n"_s;
}

// Pieces ("|" apart, blanks %-encoded) that meet every rule of normalisation, escaping, filling.
const QStringList kPieces =
    QUrl::fromPercentEncoding(
        contentOf(QStringLiteral(VORNIX_TEST_DATA "/pieces/archive.txt")).replace('\n', ""))
        .split(u'|');

} // namespace

class TestArchive : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // Whatever the view holds, the archive stays well-formed, reads back as exactly the
  // view's values, knows a duplicate, and lets removal take out that item only, once.
  void anyViewSurvivesTheArchive() {
    QRandomGenerator random(20261206);
    for (int round = 0; round < 1500; ++round) {
      QStringList views[2]; // as the view holds items: every field normalised
      for (int f = 0; f < 6; ++f)
        for (QStringList &view : views) {
          QString text;
          for (int n = int(random.bounded(12)); n > 0; --n)
            text += kPieces.at(int(random.bounded(kPieces.size())));
          view << NormaliseText(text);
        }
      views[1][1] += u"/b"_s; // distinct links, or the second is a duplicate
      const auto item = [](auto &v) { return TArchiveItem{v[0], v[1], v[2], v[3], v[4], v[5]}; };
      const TArchiveItem a = item(views[0]), b = item(views[1]);
      QString content = kTemplate;
      QCOMPARE(AddToArchive(content, kItemTemplate, a, kApp, u"06.12.2026 9:00:00"_s),
               TArchiveAddition::Added);
      content = asReadFromFile(content);
      QCOMPARE(AddToArchive(content, kItemTemplate, b, kApp, u"06.12.2026 9:01:00\u202FPM"_s),
               TArchiveAddition::Added);
      QCOMPARE(TCodepage::fromCp1251(TCodepage::toCp1251(content)),
               content); // no character becomes "?"
      QCOMPARE(readBack(content), (QStringList{views[0].join(u" | "), views[1].join(u" | ")}));

      QString again = content;
      QCOMPARE(AddToArchive(again, kItemTemplate, a, kApp, u"-"_s), TArchiveAddition::Duplicate);
      QCOMPARE(again, content);

      content = asReadFromFile(content);
      QVERIFY2(RemoveFromArchive(content, kItemTemplate, a), qPrintable(content));
      QCOMPARE(readBack(content), QStringList{views[1].join(u" | ")});
      again = content;
      QVERIFY(!RemoveFromArchive(again, kItemTemplate, a));
      QCOMPARE(again, content);
      QVERIFY(RemoveFromArchive(content, kItemTemplate, b));
      QVERIFY(readBack(content).isEmpty());
      QVERIFY(ParseFeed(TCodepage::toCp1251(content)).ok());
    }
  }

  // Each archive in tests/data/archive, edited by hand, gets an item after the last one,
  // in the everyday form the Windows program wrote (texts in CDATA, addresses as text),
  // a date that lacks a tag left alone: the result must be <file>.expected beside it.
  void handEditedArchives_data() { addGoldenRows(u"archive"_s); }
  void handEditedArchives() {
    QFETCH(QString, input);
    QString content = QString::fromUtf8(contentOf(input));
    const QString query = u"https://b.example/?a=1&b=2"_s;
    const TArchiveItem item{u"Вёрстка\r\nсайта"_s, query, {}, {}, query, u"a\r\nb"_s};
    QCOMPARE(AddToArchive(content, kItemTemplate, item, kApp, u"NOW"_s), TArchiveAddition::Added);
    compareWithGolden(input, content);
  }

  void noPlaceForAnItemAndChannelDate() {
    QString content = u"not an archive"_s;
    QCOMPARE(AddToArchive(content, kItemTemplate, {}, kApp, u"NOW"_s), TArchiveAddition::NoPlace);
    QCOMPARE(content, u"not an archive"_s);
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QDate day(2026, 12, 6);
    QCOMPARE(ArchiveDate(QDateTime(day, QTime(15, 4, 5)), russian), u"06.12.2026 15:04:05"_s);
    QCOMPARE(ArchiveDate(QDateTime(day, QTime(0, 0)), russian), u"06.12.2026"_s);
  }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_Archive.moc"
