#include "platform/Autostart.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/GoldenFile.h"
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

  void execQuoting_data() { addGoldenRows(u"autostart"_s); }
  // Each line an executable's path; the dump gives the entry's Exec line for it.
  void execQuoting() {
    QFETCH(QString, input);
    QString dump;
    for (const QString &path : ScriptLines(input))
      for (const QString &line : TAutostart::entryText(path).split(u'\n'))
        if (line.startsWith(u"Exec="))
          dump += path + u"\n  "_s + line + u'\n';
    compareWithGolden(input, dump);
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
