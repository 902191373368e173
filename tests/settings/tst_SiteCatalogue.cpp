#include "platform/Codepage.h"
#include "settings/SiteCatalogue.h"
#include "support/GoldenFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestSiteCatalogue : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  const QString FFile = FDir.filePath(u"vxs.ini"_s);

  // A catalogue file's bytes: Windows-1251 with CR LF line ends.
  static QByteArray bytesOf(const QString &text) {
    return TCodepage::toCp1251(QString(text).replace(u"\n"_s, u"\r\n"_s));
  }
  // Each site as "<title>: <names> | <addresses>", both lists comma-separated.
  static QStringList describe(const TSiteCatalogue &sites) {
    QStringList list;
    for (int i = 0; i < sites.count(); ++i)
      list << sites.title(i) + u": "_s + sites.record(i)->RSSNames.join(u',') + u" | "_s +
                  sites.record(i)->RSSURLs.join(u',');
    return list;
  }

private Q_SLOTS:
  void init() { QFile::remove(FFile); }

  void load_data() { addGoldenRows(u"sitecatalogue"_s); }
  // The archive first: the file's own item_0, or added and the file rewritten
  // renumbered. Gaps close, empty sections and feeds go, texts stop at 255. A
  // file in tests/data/sitecatalogue is the catalogue (none for *.absent); the
  // dump lists the sites, then the file as written.
  void load() {
    QFETCH(QString, input);
    const QByteArray before = bytesOf(QString::fromUtf8(contentOf(input)));
    if (!input.endsWith(u".absent"_s))
      put(FFile, before);
    TSiteCatalogue sites;
    QVERIFY(LoadSites(sites, FFile));
    const QByteArray after = contentOf(FFile);
    compareWithGolden(
        input, describe(sites).join(u'\n') + u"\nwritten:\n"_s +
                   (after == before ? u"unchanged"_s : TCodepage::fromCp1251(after).remove(u'\r')));
  }

  void deleteFeed_data() {
    QTest::addColumn<int>("j");
    QTest::addColumn<QString>("left"); // the names, then the addresses (the names in capitals)
    QTest::newRow("middle") << 1 << u"ac AC"_s;
    QTest::newRow("last") << 2 << u"ab AB"_s;
    QTest::newRow("first is never removed") << 0 << u"abc ABC"_s;
    QTest::newRow("past the end") << 3 << u"abc ABC"_s;
  }
  void deleteFeed() {
    QFETCH(int, j);
    TRSSItemData record;
    for (const QString &name : {u"a"_s, u"b"_s, u"c"_s})
      AppendFeed(record, name, name.toUpper());
    DeleteFeed(record, j);
    QTEST(QString(record.RSSNames.join(QString()) + u' ' + record.RSSURLs.join(QString())), "left");
  }

  // Past fifty sites and feeds all go back and forth; a shorter catalogue
  // erases every section a longer one left.
  void saveAndLoadAgain() {
    TSiteCatalogue sites, again;
    QVERIFY(LoadSites(sites, FFile));
    for (int i = 1; i <= 60; ++i)
      AppendFeed(*sites.append(u"Site %1"_s.arg(i)), u"feed"_s, u"https://s%1.example"_s.arg(i));
    for (int j = 1; j < 52; ++j)
      AppendFeed(*sites.record(49), u"feed %1"_s.arg(j), u"https://m.example/%1"_s.arg(j));
    QVERIFY(SaveSites(sites, FFile) && LoadSites(again, FFile));
    QCOMPARE(describe(again), describe(sites));
    sites.remove(1);
    for (int i = 0; i < 10; ++i)
      sites.remove(sites.count() - 1);
    QVERIFY(SaveSites(sites, FFile) && LoadSites(again, FFile));
    QCOMPARE(describe(again), describe(sites));
  }

  void refusedWriteIsReported() {
    const QString folder = FDir.filePath(u"folder"_s); // where the file should be
    TSiteCatalogue sites;
    QString error;
    QVERIFY(QDir().mkpath(folder) && !LoadSites(sites, folder, &error));
    QCOMPARE(error, u"Unable to write to "_s + folder);
    QCOMPARE(describe(sites), QStringList{u"Архив: Архив сообщений | vx_arhive.xml"_s}); // whole
  }
};

QTEST_GUILESS_MAIN(TestSiteCatalogue)
#include "tst_SiteCatalogue.moc"
