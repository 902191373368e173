#include "platform/Shell.h"
#include "support/FileBytes.h"

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

private Q_SLOTS:
  void initTestCase() {
    const QString script = FBin.filePath(u"xdg-open"_s);
    put(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + FBin.filePath(u"log"_s).toUtf8() + "'\n");
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
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
    const auto opened = [this] {
      QStringList lines =
          QString::fromUtf8(contentOf(FBin.filePath(u"log"_s))).split(u'\n', Qt::SkipEmptyParts);
      lines.sort();
      return lines;
    };
    QTRY_COMPARE_WITH_TIMEOUT(opened(),
                              (QStringList{u"https://a.example/p?q=a%20b%7Cc&d=50%25"_s,
                                           u"https://example.org/job?id=7"_s,
                                           u"mailto:hr@example.org?subject=C++%20job"_s}),
                              10000);
  }
};

QTEST_MAIN(TestShell)
#include "tst_Shell.moc"
