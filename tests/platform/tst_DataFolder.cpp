#include "platform/DataFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Where the user's files go, for a program run from its own folder and for
// an installed one.
class TestDataFolder : public QObject {
  Q_OBJECT
  QTemporaryDir FRoot;

private Q_SLOTS:
  void initTestCase() {
    qputenv("XDG_DATA_HOME", FRoot.filePath(u"home/.local/share"_s).toUtf8());
    QVERIFY(QDir().mkpath(FRoot.filePath(u"usr/bin"_s)));
    QVERIFY(QDir().mkpath(FRoot.filePath(u"usr/share/vornix/sounds"_s)));
    QVERIFY(QDir().mkpath(FRoot.filePath(u"portable"_s)));
  }

  void dataFolder_data() {
    QTest::addColumn<QString>("executableFolder");
    QTest::addColumn<QString>("dataFolder");
    QTest::addColumn<QString>("shared");
    QTest::newRow("run from its own folder") << u"portable"_s << u"portable"_s << QString();
    // Writable here too, as every folder is for root.
    QTest::newRow("installed") << u"usr/bin"_s << u"home/.local/share/Vornix"_s
                               << u"usr/share/vornix"_s;
  }
  void dataFolder() {
    QFETCH(QString, executableFolder);
    QFETCH(QString, dataFolder);
    QFETCH(QString, shared);
    const QString exe = FRoot.filePath(executableFolder);
    QCOMPARE(TDataFolder::defaultPathFor(exe), FRoot.filePath(dataFolder));
    QVERIFY(QFileInfo(FRoot.filePath(dataFolder)).isDir());
    QCOMPARE(TDataFolder::sharedFolderFor(exe), shared.isEmpty() ? shared : FRoot.filePath(shared));
  }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_DataFolder.moc"
