#include "platform/Autostart.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/FileBytes.h"
#include "support/TempDataFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Starting at login: the entry the settings window writes, and the box that
// shows whether it is there.
class TestAutostart : public QObject {
  Q_OBJECT
  QTemporaryDir FConfig;

private Q_SLOTS:
  void initTestCase() { qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8()); }

  // The executable's path as the session must read it back from Exec.
  void execQuoting_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << u"/usr/bin/vx"_s << u"Exec=\"/usr/bin/vx\" --hidden"_s;
    QTest::newRow("spaces") << u"/home/a b/vx"_s << u"Exec=\"/home/a b/vx\" --hidden"_s;
    QTest::newRow("reserved characters")
        << u"/opt/\"$x`\\/vx"_s << u"Exec=\"/opt/\\\\\"\\\\$x\\\\`\\\\\\\\/vx\" --hidden"_s;
    QTest::newRow("a field code look-alike")
        << u"/opt/100%u/vx"_s << u"Exec=\"/opt/100%%u/vx\" --hidden"_s;
  }
  void execQuoting() {
    QFETCH(QString, executable);
    QFETCH(QString, exec);
    QVERIFY2(TAutostart::entryText(executable).split(u'\n').contains(exec),
             qPrintable(TAutostart::entryText(executable)));
  }

  void theBoxWritesAndRemovesTheEntry() {
    TTempDataFolder data;
    auto settings = std::make_unique<TFormSetting>();
    QVERIFY(!Control<QCheckBox>(settings.get(), "ChBAutostart")->isChecked());
    Control<QCheckBox>(settings.get(), "ChBAutostart")->click();
    QVERIFY(TAutostart::enabled());
    QVERIFY(contentOf(TAutostart::entryFile()).contains(" --hidden\n"));
    Control<QCheckBox>(settings.get(), "ChBAutostart")->click();
    QVERIFY(!QFileInfo::exists(TAutostart::entryFile()));
    // Made elsewhere (a session's own settings): the box says so when shown.
    put(TAutostart::entryFile(), TAutostart::entryText(u"/usr/bin/vx"_s).toUtf8());
    settings->show();
    QVERIFY(Control<QCheckBox>(settings.get(), "ChBAutostart")->isChecked());
    // Nothing of it goes to the settings file, which the Windows program reads too.
    Control<QComboBox>(settings.get(), "CBTimeOut")->setCurrentIndex(0);
    QVERIFY(!contentOf(data.file(u"vxss.ini"_s)).contains("Autostart"));
  }
};

QTEST_MAIN(TestAutostart)
#include "tst_Autostart.moc"
