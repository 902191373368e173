#include "support/GoldenFile.h"
#include "support/SmallDisk.h"
#include "support/window/WindowScript.h"

#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

// Every writer on a full disk, driven by the scripts in
// tests/data/mainwindow/fulldisk: no file changes, and each failure is told as
// the program tells it (or not at all, where a failed save is silent), never
// as a success.
class TestFullDisk : public QObject {
  Q_OBJECT
  TNotificationWatcher FWatcher;

private Q_SLOTS:
  void initTestCase() { TWindowScript::prepare(FWatcher); }

  void script_data() { addGoldenRows(u"mainwindow/fulldisk"_s); }
  void script() {
    QFETCH(QString, input);
    TWindowScript script(FWatcher);
    script.begin();
    std::optional<TSmallDisk> disk;
    if (QString why; !disk.emplace().mount(script.data().path(), u"256k"_s, &why))
      QSKIP(qPrintable(u"SKIPPED, not passed: a small tmpfs could not be mounted: "_s + why));
    script.ownStep = [&disk](const QString &line) {
      if (line != u"fill-disk")
        return false;
      [&] { QVERIFY2(disk->fill(), "the small disk could not be filled"); }();
      return true;
    };
    script.run(input);
  }
};

QTEST_MAIN(TestFullDisk)
#include "tst_FullDisk.moc"
