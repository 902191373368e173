#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "settings/SiteCatalogue.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct TFeed {
  QString name;
  QString url;
  bool operator==(const TFeed &) const = default;
};

QList<TFeed> feedsOf(const TRSSItemData *record) {
  QList<TFeed> feeds;
  for (qsizetype j = 0; record && j < record->RSSURLs.size(); ++j)
    feeds.append({record->RSSNames.at(j), record->RSSURLs.at(j)});
  return feeds;
}

QStringList titlesOf(const TSiteCatalogue &sites) {
  QStringList titles;
  for (int i = 0; i < sites.count(); ++i)
    titles.append(sites.title(i));
  return titles;
}

} // namespace

class TestSiteCatalogue : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  QString FFile;

  void writeFile(const QString &text) {
    QFile file(FFile);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(TCodepage::toCp1251(QString(text).replace(u"\n"_s, u"\r\n"_s)));
  }
  QString fileText() const {
    QFile file(FFile);
    return file.open(QIODevice::ReadOnly) ? TCodepage::fromCp1251(file.readAll()) : QString();
  }

private Q_SLOTS:
  void init() {
    FFile = FDir.filePath(u"vxs.ini"_s);
    QFile::remove(FFile);
  }

  void firstStartWritesTheArchive() {
    TSiteCatalogue sites;
    QVERIFY(LoadSites(sites, FFile));
    QCOMPARE(titlesOf(sites), QStringList{u"Архив"_s});
    QCOMPARE(feedsOf(sites.record(0)), (QList<TFeed>{{u"Архив сообщений"_s, u"vx_arhive.xml"_s}}));
    QFile file(FFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), TCodepage::toCp1251(u"[item_0]\r\ntitle=Архив\r\n00_name=Архив "
                                                 u"сообщений\r\n00_url=vx_arhive.xml\r\n"_s));
  }

  void archiveIsPutFirstAndSitesRenumbered_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("item_0 missing") << u"[item_1]\ntitle=Board\n10_url=https://b.example/rss\n"_s
                                    << QStringList{u"Архив"_s, u"Board"_s};
    QTest::newRow("item_0 renamed")
        << u"[item_0]\ntitle=архив\n00_url=vx_arhive.xml\n[item_1]\ntitle=Board\n"_s
        << QStringList{u"Архив"_s, u"архив"_s, u"Board"_s};
  }
  void archiveIsPutFirstAndSitesRenumbered() {
    QFETCH(QString, file);
    QFETCH(QStringList, titles);
    writeFile(file);
    TSiteCatalogue sites;
    QVERIFY(LoadSites(sites, FFile));
    QCOMPARE(titlesOf(sites), titles);
    const TIniFile ini(FFile); // rewritten at once with the new numbering
    QCOMPARE(ini.ReadString(u"item_0"_s, u"title"_s), u"Архив"_s);
    QCOMPARE(ini.ReadString(u"item_%1"_s.arg(titles.size() - 1), u"title"_s), titles.last());
    QVERIFY(!ini.SectionExists(u"item_%1"_s.arg(titles.size())));
  }

  void gapsCloseUpAndEveryFeedIsRead() {
    QString text = u"[item_0]\ntitle=Архив\n00_name=Архив сообщений\n00_url=vx_arhive.xml\n"
                   u"[item_5]\ntitle=Only a title\n"
                   u"[item_7]\ntitle=Gappy\n70_name=first\n70_url=u0\n73_name=second\n73_url=u3\n"
                   u"75_name=\n75_url=\n"
                   u"[item_9]\n; nothing but a comment\n"_s;
    // A site with 52 feeds, and sites up to item_52: none of them is lost.
    text += u"[item_10]\ntitle=Many feeds\n"_s;
    for (int j = 0; j < 52; ++j)
      text += u"10%1_name=feed %1\n10%1_url=https://m.example/%1\n"_s.arg(j);
    for (int i = 11; i <= 52; ++i)
      text += u"[item_%1]\ntitle=Site %1\n"_s.arg(i);
    writeFile(text);
    TSiteCatalogue sites;
    QVERIFY(LoadSites(sites, FFile));
    QCOMPARE(sites.count(), 1 + 3 + 42);
    QCOMPARE(sites.title(1), u"Only a title"_s);
    QVERIFY(sites.record(1)->RSSURLs.isEmpty());
    QCOMPARE(feedsOf(sites.record(2)),
             (QList<TFeed>{{u"first"_s, u"u0"_s}, {u"second"_s, u"u3"_s}}));
    QCOMPARE(sites.record(3)->RSSURLs.size(), 52);
    QCOMPARE(sites.record(3)->RSSURLs.last(), u"https://m.example/51"_s);
    QCOMPARE(sites.title(45), u"Site 52"_s);
  }

  void longTextsAreCut() {
    TRSSItemData record;
    AppendFeed(record, u"n"_s.repeated(300), u"u"_s.repeated(256));
    AppendFeed(record, QString(), QString());
    AppendFeed(record, QString(), u"only an address"_s);
    QCOMPARE(record.RSSNames.size(), 2);
    QCOMPARE(record.RSSNames.first().size(), 255);
    QCOMPARE(record.RSSURLs.first().size(), 255);
    QCOMPARE(record.RSSNames.last(), QString());
  }

  void deleteFeed_data() {
    QTest::addColumn<int>("j");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("middle") << 1 << QStringList{u"a"_s, u"c"_s};
    QTest::newRow("last") << 2 << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("first is never removed") << 0 << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("past the end") << 3 << QStringList{u"a"_s, u"b"_s, u"c"_s};
  }
  void deleteFeed() {
    QFETCH(int, j);
    QFETCH(QStringList, left);
    TRSSItemData record;
    for (const QString &name : {u"a"_s, u"b"_s, u"c"_s})
      AppendFeed(record, name, u"url-"_s + name);
    DeleteFeed(record, j);
    QCOMPARE(record.RSSNames, left);
    QCOMPARE(record.RSSURLs.size(), left.size());
    QCOMPARE(record.RSSURLs.last(), u"url-"_s + left.last());
  }

  void savingAfterADeletionErasesStaleSections() {
    TSiteCatalogue sites;
    QVERIFY(LoadSites(sites, FFile));
    for (int i = 1; i <= 60; ++i)
      AppendFeed(*sites.append(u"Site %1"_s.arg(i)), u"feed"_s,
                 u"https://s%1.example/rss"_s.arg(i));
    QVERIFY(SaveSites(sites, FFile));
    sites.remove(1);
    for (int i = 0; i < 10; ++i)
      sites.remove(sites.count() - 1);
    QVERIFY(SaveSites(sites, FFile));
    const TIniFile ini(FFile);
    QCOMPARE(ini.ReadString(u"item_1"_s, u"title"_s), u"Site 2"_s);
    QCOMPARE(ini.ReadString(u"item_1"_s, u"10_url"_s), u"https://s2.example/rss"_s);
    QCOMPARE(ini.ReadSections().size(), 50);
    TSiteCatalogue again;
    QVERIFY(LoadSites(again, FFile));
    QCOMPARE(titlesOf(again), titlesOf(sites));
  }

  void refusedWriteIsReported() {
    // A regular file where the folder should be: no one can write below it.
    const QString blocked = FDir.filePath(u"not-a-folder"_s);
    QFile(blocked).open(QIODevice::WriteOnly);
    const QString path = blocked + u"/vxs.ini"_s;
    TSiteCatalogue sites;
    QString error;
    QVERIFY(!LoadSites(sites, path, &error));
    QCOMPARE(error, u"Unable to write to "_s + path);
    QCOMPARE(titlesOf(sites), QStringList{u"Архив"_s}); // the list itself is whole
  }
};

QTEST_GUILESS_MAIN(TestSiteCatalogue)
#include "tst_SiteCatalogue.moc"
