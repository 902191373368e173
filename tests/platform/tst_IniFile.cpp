#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray cp(const QString &text) {
  return TCodepage::toCp1251(text);
}

// As the Windows program leaves it, plus what hand editing adds: mixed case,
// quotes, blanks, a comment, junk lines, duplicates and one LF-only line.
QByteArray windowsFile() {
  return cp(u"stray=before any section\r\n"
            u"[Item_0]\r\n"
            u"Title=\"Архив\"\r\n"
            u"; title=comment\r\n"
            u"junk line without equals\r\n"
            u"  00_Name  =  Москва  \r\n"
            u"00_url='http://a.example/rss'\r\n"
            u"quoted=\"only one\r\n"
            u"mixed=\"a'\r\n"
            u"inner=a \"b\" c\r\n"
            u"equals=a=b\r\n"
            u"empty=\r\n"
            u"nbsp=\u00A0x\u00A0\r\n"
            u"lfonly=yes\n"
            u"title=second key loses\r\n"
            u"\r\n"
            u"  [ Раздел ] trailing\r\n"
            u"ключ=значение\r\n"
            u"\r\n"
            u"[item_0]\r\n"
            u"title=second section loses\r\n"
            u"only_in_second=x\r\n"
            u"[empty]\r\n"
            u"[blank]\r\n"
            u"\r\n"_s);
}
} // namespace

class TestIniFile : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;
  QString FName;

private Q_SLOTS:
  void init() {
    FName = FDir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u".ini"_s);
    QFile::remove(FName);
  }

  void writesFromScratchInWindows1251WithCrLf() {
    TIniFile ini(FName);
    QCOMPARE(ini.ReadString(u"item_0"_s, u"title"_s, u"none"_s), u"none"_s);
    QVERIFY(ini.ReadSections().isEmpty());
    QVERIFY(!QFile::exists(FName));
    QVERIFY(ini.WriteString(u"item_0"_s, u"title"_s, u"Архив"_s));
    QVERIFY(ini.WriteString(u"item_1"_s, u"title"_s, u"Работа"_s));
    QVERIFY(ini.WriteString(u"item_1"_s, u"10_name"_s, u"Вакансии"_s));
    QVERIFY(ini.WriteString(u"item_1"_s, u"10_url"_s, u"http://x.example/rss"_s));
    QCOMPARE(contentOf(FName), QByteArray("[item_0]\r\n"
                                          "title=\xC0\xF0\xF5\xE8\xE2\r\n"
                                          "[item_1]\r\n"
                                          "title=\xD0\xE0\xE1\xEE\xF2\xE0\r\n"
                                          "10_name=\xC2\xE0\xEA\xE0\xED\xF1\xE8\xE8\r\n"
                                          "10_url=http://x.example/rss\r\n"));
    QVERIFY(ini.errorString().isEmpty());
  }

  void readsAFileWrittenOnWindows_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString none = u"<none>"_s;
    QTest::newRow("double quotes removed") << u"item_0"_s << u"title"_s << u"Архив"_s;
    QTest::newRow("single quotes removed")
        << u"ITEM_0"_s << u"00_URL"_s << u"http://a.example/rss"_s;
    QTest::newRow("blanks trimmed") << u"item_0"_s << u"00_name"_s << u"Москва"_s;
    QTest::newRow("unmatched quote kept") << u"item_0"_s << u"quoted"_s << u"\"only one"_s;
    QTest::newRow("mixed quotes kept") << u"item_0"_s << u"mixed"_s << u"\"a'"_s;
    QTest::newRow("inner quotes kept") << u"item_0"_s << u"inner"_s << u"a \"b\" c"_s;
    QTest::newRow("first equals splits") << u"item_0"_s << u"equals"_s << u"a=b"_s;
    QTest::newRow("empty value is not fallback") << u"item_0"_s << u"empty"_s << QString();
    QTest::newRow("no-break space kept") << u"item_0"_s << u"nbsp"_s << u"\u00A0x\u00A0"_s;
    QTest::newRow("lf-only line") << u"item_0"_s << u"lfonly"_s << u"yes"_s;
    QTest::newRow("comment is no key") << u"item_0"_s << u"; title"_s << none;
    QTest::newRow("junk is no key") << u"item_0"_s << u"junk line without equals"_s << none;
    QTest::newRow("before any section") << QString() << u"stray"_s << none;
    QTest::newRow("first section wins") << u"item_0"_s << u"only_in_second"_s << none;
    QTest::newRow("cyrillic names ignore case") << u"РАЗДЕЛ"_s << u"КЛЮЧ"_s << u"значение"_s;
    QTest::newRow("missing section") << u"item_9"_s << u"title"_s << none;
    QTest::newRow("key of other section") << u"Раздел"_s << u"title"_s << none;
  }
  void readsAFileWrittenOnWindows() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    put(FName, windowsFile());
    QCOMPARE(TIniFile(FName).ReadString(section, key, u"<none>"_s), value);
  }

  void listsSectionsAndKeysOnce() {
    put(FName, windowsFile());
    const TIniFile ini(FName);
    QCOMPARE(ini.ReadSections(), QStringList({u"Item_0"_s, u"Раздел"_s, u"empty"_s, u"blank"_s}));
    QCOMPARE(ini.ReadSection(u"item_0"_s),
             QStringList({u"Title"_s, u"00_Name"_s, u"00_url"_s, u"quoted"_s, u"mixed"_s,
                          u"inner"_s, u"equals"_s, u"empty"_s, u"nbsp"_s, u"lfonly"_s}));
    QVERIFY(ini.SectionExists(u"EMPTY"_s));
    QVERIFY(!ini.SectionHasKeys(u"empty"_s));
    QVERIFY(ini.SectionHasKeys(u"раздел"_s));
    QVERIFY(!ini.SectionExists(u"item_1"_s));
    QVERIFY(ini.ReadSection(u"item_1"_s).isEmpty());
  }

  void editsKeepOtherLinesByteForByte_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    const QByteArray three =
        "; head\n[a]\r\nx=1\r\n\r\n[B]\r\nJunk\r\nY = \"2\"\r\nz=3\n\r\n[c]\r\nw=4";
    QTest::newRow("replace keeps key spelling and the rest")
        << three << u"write"_s << u"b"_s << u"y"_s << u"new"_s
        << QByteArray("; head\n[a]\r\nx=1\r\n\r\n[B]\r\nJunk\r\nY=new\r\nz=3\n\r\n[c]\r\nw=4");
    QTest::newRow("replace keeps the lf ending")
        << three << u"write"_s << u"B"_s << u"Z"_s << u"9"_s
        << QByteArray("; head\n[a]\r\nx=1\r\n\r\n[B]\r\nJunk\r\nY = \"2\"\r\nz=9\n\r\n[c]\r\nw=4");
    QTest::newRow("new key before trailing blank lines")
        << three << u"write"_s << u"A"_s << u"n"_s << u"v"_s
        << QByteArray("; head\n[a]\r\nx=1\r\nn=v\r\n\r\n[B]\r\nJunk\r\nY = \"2\"\r\nz=3\n\r\n"
                      "[c]\r\nw=4");
    QTest::newRow("new key after an unterminated last line")
        << three << u"write"_s << u"c"_s << u"n"_s << u"v"_s << three + QByteArray("\r\nn=v\r\n");
    QTest::newRow("new key in a section holding only blank lines")
        << QByteArray("[a]\r\n\r\n[b]\r\n") << u"write"_s << u"a"_s << u"k"_s << u"v"_s
        << QByteArray("[a]\r\nk=v\r\n\r\n[b]\r\n");
    QTest::newRow("new section after an unterminated last line")
        << three << u"write"_s << u"d"_s << u"k"_s << u"v"_s
        << three + QByteArray("\r\n[d]\r\nk=v\r\n");
    QTest::newRow("new section in an lf file")
        << QByteArray("[a]\nx=1\n") << u"write"_s << u"d"_s << u"k"_s << u"v"_s
        << QByteArray("[a]\nx=1\n[d]\r\nk=v\r\n");
    QTest::newRow("value written as given")
        << QByteArray("[a]\r\n") << u"write"_s << u"a"_s << u"k"_s << u" \"q\" "_s
        << QByteArray("[a]\r\nk= \"q\" \r\n");
    QTest::newRow("character outside windows-1251 becomes ?")
        << QByteArray() << u"write"_s << u"a"_s << u"k"_s << u"я€\u4E2D"_s
        << QByteArray("[a]\r\nk=\xFF\x88?\r\n");
    QTest::newRow("first duplicate key replaced")
        << QByteArray("[a]\r\nk=1\r\n[A]\r\nk=2\r\nK=3\r\n") << u"write"_s << u"a"_s << u"k"_s
        << u"0"_s << QByteArray("[a]\r\nk=0\r\n[A]\r\nk=2\r\nK=3\r\n");
    QTest::newRow("erase a middle section")
        << three << u"erase"_s << u"B"_s << QString() << QString()
        << QByteArray("; head\n[a]\r\nx=1\r\n\r\n[c]\r\nw=4");
    QTest::newRow("erase the last section")
        << three << u"erase"_s << u"C"_s << QString() << QString()
        << QByteArray("; head\n[a]\r\nx=1\r\n\r\n[B]\r\nJunk\r\nY = \"2\"\r\nz=3\n\r\n");
    QTest::newRow("erase a missing section")
        << three << u"erase"_s << u"x"_s << QString() << QString() << three;
    QTest::newRow("erase the first duplicate only")
        << QByteArray("[s]\r\nk=1\r\n[S]\r\nk=2\r\n") << u"erase"_s << u"s"_s << QString()
        << QString() << QByteArray("[S]\r\nk=2\r\n");
    QTest::newRow("delete a key")
        << three << u"delete"_s << u"b"_s << u"Y"_s << QString()
        << QByteArray("; head\n[a]\r\nx=1\r\n\r\n[B]\r\nJunk\r\nz=3\n\r\n[c]\r\nw=4");
    QTest::newRow("delete a missing key")
        << three << u"delete"_s << u"b"_s << u"Junk"_s << QString() << three;
    QTest::newRow("delete a cyrillic key")
        << cp(u"[Сайт]\r\nИмя=1\r\nx=2\r\n"_s) << u"delete"_s << u"сайт"_s << u"имя"_s << QString()
        << cp(u"[Сайт]\r\nx=2\r\n"_s);
  }
  void editsKeepOtherLinesByteForByte() {
    QFETCH(QByteArray, before);
    QFETCH(QString, operation);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    put(FName, before);
    TIniFile ini(FName);
    bool ok = false;
    if (operation == u"write"_s)
      ok = ini.WriteString(section, key, value);
    else if (operation == u"erase"_s)
      ok = ini.EraseSection(section);
    else
      ok = ini.DeleteKey(section, key);
    QVERIFY(ok);
    QCOMPARE(contentOf(FName), after);
  }

  void writesReadBackTheFileFirst() {
    TIniFile first(FName);
    TIniFile second(FName);
    QVERIFY(first.WriteString(u"a"_s, u"k"_s, u"1"_s));
    QVERIFY(second.WriteString(u"a"_s, u"j"_s, u"2"_s));
    QVERIFY(first.WriteString(u"b"_s, u"k"_s, u"3"_s));
    QCOMPARE(contentOf(FName), QByteArray("[a]\r\nk=1\r\nj=2\r\n[b]\r\nk=3\r\n"));
  }

  void anUpdateReachesTheDiskInOneWrite() {
    put(FName, "[old]\r\nk=1\r\n");
    TIniFile ini(FName);
    QVERIFY(ini.BeginUpdate());
    QVERIFY(ini.EraseSection(u"old"_s));
    QVERIFY(ini.WriteString(u"new"_s, u"k"_s, u"2"_s));
    QCOMPARE(ini.ReadString(u"new"_s, u"k"_s), u"2"_s);         // reads see the pending changes
    QCOMPARE(contentOf(FName), QByteArray("[old]\r\nk=1\r\n")); // the disk does not yet
    QVERIFY(ini.EndUpdate());
    QCOMPARE(contentOf(FName), QByteArray("[new]\r\nk=2\r\n"));
  }

  void removalsDoNotCreateTheFile() {
    TIniFile ini(FName);
    QVERIFY(ini.EraseSection(u"a"_s));
    QVERIFY(ini.DeleteKey(u"a"_s, u"k"_s));
    QVERIFY(!QFile::exists(FName));
  }

  void writeBelowARegularFileFails() {
    put(FName, "not a folder");
    const QString inside = FName + u"/vxs.ini"_s;
    TIniFile ini(inside);
    QVERIFY(!ini.WriteString(u"a"_s, u"k"_s, u"v"_s));
    QCOMPARE(ini.errorString(), u"Unable to write to "_s + inside);
    QCOMPARE(contentOf(FName), QByteArray("not a folder"));
  }

  void refusedWriteLeavesTheFileIntact_data() {
    QTest::addColumn<bool>("lockFile");
    QTest::addColumn<bool>("lockFolder");
    QTest::newRow("read-only file") << true << false;
    QTest::newRow("read-only folder") << false << true;
  }
  void refusedWriteLeavesTheFileIntact() {
    QFETCH(bool, lockFile);
    QFETCH(bool, lockFolder);
    const QString folder = FDir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString name = folder + u"/vxs.ini"_s;
    QVERIFY(QDir().mkpath(folder));
    put(name, "[a]\r\nk=1\r\n");
    const auto rw = QFile::ReadOwner | QFile::WriteOwner;
    QFile::setPermissions(name, lockFile ? QFile::ReadOwner : rw);
    QFile::setPermissions(folder, (lockFolder ? QFile::ReadOwner : rw) | QFile::ExeOwner);
    QFile probe(lockFile ? name : folder + u"/probe"_s);
    const bool bypassed = probe.open(QIODevice::Append);
    TIniFile ini(name);
    const bool ok = bypassed || ini.WriteString(u"a"_s, u"k"_s, u"2"_s);
    QFile::setPermissions(folder, rw | QFile::ExeOwner);
    QFile::setPermissions(name, rw);
    if (bypassed)
      QSKIP("permissions do not bind this user (root); writeBelowARegularFileFails covers refusal");
    QVERIFY(!ok);
    QCOMPARE(ini.errorString(), u"Unable to write to "_s + name);
    QCOMPARE(contentOf(name), QByteArray("[a]\r\nk=1\r\n"));
    QVERIFY(ini.WriteString(u"a"_s, u"k"_s, u"2"_s));
    QVERIFY(ini.errorString().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_IniFile.moc"
