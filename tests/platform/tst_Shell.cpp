#include "platform/Shell.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Opens addresses through the real QDesktopServices path, with an xdg-open of
// the test's own first on PATH that records what it was given.
class TestShell : public QObject {
  Q_OBJECT
  QTemporaryDir FBin;
  QString FLog;

  QStringList opened() {
    QFile log(FLog);
    if (!log.open(QIODevice::ReadOnly))
      return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }

private Q_SLOTS:
  void initTestCase() {
    FLog = FBin.filePath(u"opened.log"_s);
    QFile script(FBin.filePath(u"xdg-open"_s));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + FLog.toUtf8() + "'\n");
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    qputenv("PATH", FBin.path().toUtf8() + ':' + qgetenv("PATH"));
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
  }

  void schemes_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("openable");
    QTest::newRow("http") << u"http://example.org/job?id=1&x=2"_s << true;
    QTest::newRow("https upper") << u"HTTPS://Example.org/Path"_s << true;
    QTest::newRow("mailto") << u"mailto:hr@example.org"_s << true;
    QTest::newRow("file") << u"file:///etc/passwd"_s << false;
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << false;
    QTest::newRow("custom handler") << u"steam://run/1"_s << false;
    QTest::newRow("ftp") << u"ftp://example.org/"_s << false;
    QTest::newRow("no scheme") << u"example.org/page"_s << false;
    QTest::newRow("http without host") << u"http:///path"_s << false;
    QTest::newRow("empty mailto") << u"mailto:"_s << false;
    QTest::newRow("empty") << QString() << false;
  }
  void schemes() {
    QFETCH(QString, address);
    QFETCH(bool, openable);
    QCOMPARE(TShell::isOpenable(QUrl(address)), openable);
  }

  void handsOnlySafeAddressesToTheDesktop() {
    QVERIFY(!TShell::openUrl(u"file:///etc/passwd"_s));
    QVERIFY(!TShell::openUrl(u"javascript:alert(1)"_s));
    QVERIFY(TShell::openUrl(u"https://example.org/job?id=7"_s));
    // Links as careless boards write them still open, mended.
    QVERIFY(TShell::openUrl(u" https://a.example/p?q=a b|c&d=50% "_s));
    QVERIFY(TShell::openUrl(u"mailto:hr@example.org?subject=C++ job"_s));
    // Each goes to its own xdg-open, so they may log in any order.
    const auto sorted = [](QStringList list) {
      list.sort();
      return list;
    };
    QTRY_COMPARE_WITH_TIMEOUT(sorted(opened()),
                              (QStringList{u"https://a.example/p?q=a%20b%7Cc&d=50%25"_s,
                                           u"https://example.org/job?id=7"_s,
                                           u"mailto:hr@example.org?subject=C++%20job"_s}),
                              10000);
  }
};

QTEST_MAIN(TestShell)
#include "tst_Shell.moc"
