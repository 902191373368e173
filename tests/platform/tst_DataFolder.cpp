#include "platform/DataFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Where the user's files go, for a program run from its own folder and for
// an installed one.
class TestDataFolder : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void dataFolder() {
    const QTemporaryDir root;
    const auto at = [&root](const QString &path) { return root.filePath(path); };
    qputenv("XDG_DATA_HOME", at(u"home/.local/share"_s).toUtf8());
    QVERIFY(QDir().mkpath(at(u"usr/bin"_s)) && QDir().mkpath(at(u"usr/share/vornix/sounds"_s)) &&
            QDir().mkpath(at(u"portable"_s)));
    QCOMPARE(TDataFolder::defaultPathFor(at(u"portable"_s)), at(u"portable"_s));
    QCOMPARE(TDataFolder::sharedFolderFor(at(u"portable"_s)), QString());
    // Writable here too, as every folder is for root.
    QCOMPARE(TDataFolder::defaultPathFor(at(u"usr/bin"_s)), at(u"home/.local/share/Vornix"_s));
    QVERIFY(QFileInfo(at(u"home/.local/share/Vornix"_s)).isDir());
    QCOMPARE(TDataFolder::sharedFolderFor(at(u"usr/bin"_s)), at(u"usr/share/vornix"_s));
  }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_DataFolder.moc"
