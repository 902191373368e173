#include "feeds/Opml.h"
#include "platform/Codepage.h"
#include "settings/CatalogueTransfer.h"
#include "settings/SiteCatalogue.h"
#include "support/GoldenFile.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestCatalogueTransfer : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  const QString FFile = FDir.filePath(u"vxs.ini"_s);
  const QString FData = QStringLiteral(VORNIX_TEST_DATA "/opml/import/");

  // Each site as "<title>: <names> | <addresses>", both lists comma-separated.
  static QString describe(const TSiteCatalogue &sites) {
    QString dump;
    for (int i = 0; i < sites.count(); ++i)
      dump += sites.title(i) + u": "_s + sites.record(i)->RSSNames.join(u',') + u" | "_s +
              sites.record(i)->RSSURLs.join(u',') + u'\n';
    return dump;
  }

private Q_SLOTS:
  // Each import of imports.txt: its outcome, the sites after it, the catalogue
  // file as written (a Windows-1251 file with CR LF line ends, as the program
  // writes it) and what an export of the sites says. Site 1's record, which
  // merge.opml extends, stays the same object, and a catalogue built from
  // nothing comes back the same from its export.
  void import() {
    QFile big(FDir.filePath(u"big.opml"_s));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(kOpmlMaxBytes + 1));
    QString dump;
    for (const QString &line : ScriptLines(FData + u"imports.txt"_s)) {
      const QStringList f = PercentFields(QString(line).replace(u"@DIR@"_s, FDir.path()));
      QFile::remove(FFile);
      if (f[1] != u"-"_s)
        put(FFile, TCodepage::toCp1251(
                       QString::fromUtf8(contentOf(FData + f[1])).replace(u"\n"_s, u"\r\n"_s)));
      TSiteCatalogue sites, again;
      ReadSites(sites, FFile);
      const TRSSItemData *first = sites.count() > 1 ? sites.record(1) : nullptr;
      const QByteArray before = contentOf(FFile);
      QString message, exported;
      const bool ok =
          ImportOpmlFile(sites, QDir(FData).filePath(f[0]), f.value(2, FFile), &message);
      ExportOpmlFile(sites, f.value(3, FDir.filePath(u"out.opml"_s)), &exported);
      QVERIFY(!first || sites.record(1) == first);
      AddArchiveSite(again);
      ImportOpml(again, ReadOpml(ExportOpml(sites)).document);
      QVERIFY(f[1] != u"-"_s || describe(again) == describe(sites));
      const QByteArray after = contentOf(FFile);
      dump += u"== %1\n%2: %3\n%4written: %5\nexport: %6\n\n"_s
                  .arg(line, ok ? u"true"_s : u"false"_s, message, describe(sites),
                       after == before ? u"unchanged"_s
                                       : u'\n' + TCodepage::fromCp1251(after).remove(u'\r'),
                       exported)
                  .replace(FDir.path(), u"@DIR@"_s);
    }
    compareWithGolden(FData + u"imports.txt"_s, dump);
  }
};

QTEST_GUILESS_MAIN(TestCatalogueTransfer)
#include "tst_CatalogueTransfer.moc"
