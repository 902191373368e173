#include "platform/Shell.h"
#include "support/FileBytes.h"
#include "support/GoldenFile.h"

#include <QDebug>
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

  // Each line of tests/data/addresses/<file> (the last one empty) is asked whether it
  // may be opened, then opened: links as careless boards write them still open, mended.
  // The dump beside it holds the answers, then what reached xdg-open; each goes to its
  // own, so they may log in any order and are sorted.
  void opensOnlySafeAddresses_data() { addGoldenRows(u"addresses"_s); }
  void opensOnlySafeAddresses() {
    QFETCH(QString, input);
    put(FBin.filePath(u"log"_s), {}); // this file's openings only
    QString dump;
    qsizetype opened = 0;
    for (const QString &address : QString::fromUtf8(contentOf(input)).split(u'\n')) {
      const bool openable = TShell::isOpenable(QUrl(address)), open = TShell::openUrl(address);
      opened += open ? 1 : 0;
      QDebug(&dump).nospace() << address << (openable ? " openable" : " refused")
                              << (open ? ", opened\n" : ", not opened\n");
    }
    const auto log = [this] {
      QStringList lines =
          QString::fromUtf8(contentOf(FBin.filePath(u"log"_s))).split(u'\n', Qt::SkipEmptyParts);
      lines.sort();
      return lines;
    };
    QTRY_COMPARE_WITH_TIMEOUT(log().size(), opened, 10000);
    compareWithGolden(input, dump + log().join(u'\n') + u'\n');
  }
};

QTEST_MAIN(TestShell)
#include "tst_Shell.moc"
