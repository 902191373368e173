#include "../../fuzz/IniFileInvariants.h"
#include "../../fuzz/StoredValueInvariants.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Replays the INI and stored-value fuzzers' seeds (for the INI reader also the
// INI files of its own tests) under the sanitised build, holding each to the
// fuzzer's invariants.
class TestIniFuzzCorpus : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void replay_data() {
    QTest::addColumn<QString>("fileName");
    for (const QString &folder :
         {u"fuzz/IniFile"_s, u"ini/read"_s, u"ini/edit"_s, u"fuzz/StoredValue"_s}) {
      const QDir dir(QStringLiteral(VORNIX_TEST_DATA "/") + folder);
      const QFileInfoList files = dir.entryInfoList(QDir::Files);
      QVERIFY2(!files.isEmpty(), qPrintable(folder));
      for (const QFileInfo &info : files)
        if (folder.startsWith(u"fuzz"_s) || info.suffix() == u"ini"_s)
          QTest::newRow(qPrintable(folder + u'/' + info.fileName())) << info.filePath();
    }
  }
  void replay() {
    QFETCH(QString, fileName);
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QByteArray bytes = contentOf(fileName);
    const QString broken = fileName.contains(u"/StoredValue/"_s)
                               ? StoredValueInvariants::Check(bytes, folder.path())
                               : IniFileInvariants::Check(bytes, folder.path());
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
  }
};

QTEST_GUILESS_MAIN(TestIniFuzzCorpus)
#include "tst_IniFuzzCorpus.moc"
