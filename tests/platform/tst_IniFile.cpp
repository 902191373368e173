#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString utf8(const char *text) {
  return QString::fromUtf8(text);
}

// As the Windows program leaves it, plus what hand editing adds: mixed case,
// quotes, blanks, a comment, junk lines, duplicates and one LF-only line.
const QByteArray WindowsFile = TCodepage::toCp1251(
    u"stray=before any section\r\n"
    u"[Item_0]\r\nTitle=\"Архив\"\r\n; title=comment\r\njunk line without equals\r\n"
    u"  00_Name  =  Москва  \r\n00_url='http://a.example/rss'\r\n"
    u"quoted=\"only one\r\nmixed=\"a'\r\ninner=a \"b\" c\r\nequals=a=b\r\nempty=\r\n"
    u"nbsp=\u00A0x\u00A0\r\nlfonly=yes\ntitle=second key loses\r\n\r\n"
    u"  [ Раздел ] trailing\r\nключ=значение\r\n\r\n"
    u"[item_0]\r\ntitle=second section loses\r\nonly_in_second=x\r\n"
    u"[empty]\r\n[blank]\r\n\r\n"_s);

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

  void aMissingFileStaysMissingUntilWritten() {
    TIniFile ini(FName);
    QCOMPARE(ini.ReadString(u"item_0"_s, u"title"_s, u"none"_s), u"none"_s);
    QVERIFY(ini.ReadSections().isEmpty());
    QVERIFY(ini.EraseSection(u"item_0"_s));
    QVERIFY(ini.DeleteKey(u"item_0"_s, u"title"_s));
    QVERIFY(!QFile::exists(FName));
  }

  void readsAFileWrittenOnWindows_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // null: the fallback
    const auto row = [](const char *name, const char *section, const char *key, QString value) {
      QTest::newRow(name) << utf8(section) << utf8(key) << value;
    };
    row("double quotes removed", "item_0", "title", u"Архив"_s);
    row("single quotes removed", "ITEM_0", "00_URL", u"http://a.example/rss"_s);
    row("blanks trimmed", "item_0", "00_name", u"Москва"_s);
    row("unmatched quote kept", "item_0", "quoted", u"\"only one"_s);
    row("mixed quotes kept", "item_0", "mixed", u"\"a'"_s);
    row("inner quotes kept", "item_0", "inner", u"a \"b\" c"_s);
    row("first equals splits", "item_0", "equals", u"a=b"_s);
    row("empty value is not fallback", "item_0", "empty", u""_s);
    row("no-break space kept", "item_0", "nbsp", u"\u00A0x\u00A0"_s);
    row("lf-only line", "item_0", "lfonly", u"yes"_s);
    row("comment is no key", "item_0", "; title", {});
    row("junk is no key", "item_0", "junk line without equals", {});
    row("before any section", "", "stray", {});
    row("first section wins", "item_0", "only_in_second", {});
    row("cyrillic names ignore case", "РАЗДЕЛ", "КЛЮЧ", u"значение"_s);
    row("missing section", "item_9", "title", {});
    row("key of other section", "Раздел", "title", {});
  }
  void readsAFileWrittenOnWindows() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    put(FName, WindowsFile);
    const QString read = TIniFile(FName).ReadString(section, key, u"<none>"_s);
    QCOMPARE(read, value.isNull() ? u"<none>"_s : value);
  }

  void listsSectionsAndKeysOnce() {
    put(FName, WindowsFile);
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
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QStringList>("edit");  // write|erase|delete, section, key, value
    QTest::addColumn<QByteArray>("after");
    const auto row = [](const char *name, const QByteArray &before, const char *edit,
                        const QByteArray &after) {
      QTest::newRow(name) << before << utf8(edit).split(u'|') << after;
    };
    const QByteArray three = "; head\n[a]\r\nx=1\r\n\r\n[B]\r\nJunk\r\nY = \"2\"\n\r\n[c]\r\nw=4";
    const auto edited = [&](const char *from, const char *to) {
      return QByteArray(three).replace(from, to);
    };
    row("replace keeps key spelling and line end", three, "write|b|y|new",
        edited("Y = \"2\"", "Y=new"));
    row("new key before trailing blank lines", three, "write|A|n|v",
        edited("x=1\r\n", "x=1\r\nn=v\r\n"));
    row("new key after an unterminated last line", three, "write|c|n|v", three + "\r\nn=v\r\n");
    row("new key in a section holding only blank lines", "[a]\r\n\r\n[b]\r\n", "write|a|k|v",
        "[a]\r\nk=v\r\n\r\n[b]\r\n");
    row("new section after an unterminated last line", three, "write|d|k|v",
        three + "\r\n[d]\r\nk=v\r\n");
    row("new section in an lf file", "[a]\nx=1\n", "write|d|k|v", "[a]\nx=1\n[d]\r\nk=v\r\n");
    row("value written as given", "[a]\r\n", "write|a|k| \"q\" ", "[a]\r\nk= \"q\" \r\n");
    row("new file, character outside windows-1251 becomes ?", {}, "write|a|k|я€\u4E2D",
        "[a]\r\nk=\xFF\x88?\r\n");
    row("first duplicate key replaced", "[a]\r\nk=1\r\n[A]\r\nk=2\r\nK=3\r\n", "write|a|k|0",
        "[a]\r\nk=0\r\n[A]\r\nk=2\r\nK=3\r\n");
    row("erase a middle section", three, "erase|B", edited("[B]\r\nJunk\r\nY = \"2\"\n\r\n", ""));
    row("erase the last section", three, "erase|C", edited("[c]\r\nw=4", ""));
    row("erase a missing section", three, "erase|x", three);
    row("erase the first duplicate only", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "erase|s",
        "[S]\r\nk=2\r\n");
    row("delete a key", three, "delete|b|Y", edited("Y = \"2\"\n", ""));
    row("delete a missing key", three, "delete|b|Junk", three);
    row("delete a cyrillic key", TCodepage::toCp1251(u"[Сайт]\r\nИмя=1\r\nx=2\r\n"_s),
        "delete|сайт|имя", TCodepage::toCp1251(u"[Сайт]\r\nx=2\r\n"_s));
  }
  void editsKeepOtherLinesByteForByte() {
    QFETCH(QByteArray, before);
    QFETCH(QStringList, edit);
    QFETCH(QByteArray, after);
    if (!before.isNull())
      put(FName, before);
    TIniFile ini(FName);
    const QString operation = edit.value(0), section = edit.value(1), key = edit.value(2);
    QVERIFY(operation == u"write"_s   ? ini.WriteString(section, key, edit.value(3))
            : operation == u"erase"_s ? ini.EraseSection(section)
                                      : ini.DeleteKey(section, key));
    QVERIFY(ini.errorString().isEmpty());
    QCOMPARE(contentOf(FName), after);
  }

  // Every write reads the file back first, and an update holds its writes back
  // until it ends, though reads see them meanwhile.
  void writesMeetOnDisk() {
    put(FName, "[old]\r\nk=1\r\n");
    TIniFile first(FName), second(FName);
    QVERIFY(first.BeginUpdate());
    QVERIFY(first.EraseSection(u"old"_s));
    QVERIFY(first.WriteString(u"new"_s, u"k"_s, u"2"_s));
    QCOMPARE(first.ReadString(u"new"_s, u"k"_s), u"2"_s);
    QCOMPARE(contentOf(FName), QByteArray("[old]\r\nk=1\r\n"));
    QVERIFY(first.EndUpdate());
    QCOMPARE(contentOf(FName), QByteArray("[new]\r\nk=2\r\n"));
    QVERIFY(second.WriteString(u"new"_s, u"j"_s, u"3"_s));
    QVERIFY(first.WriteString(u"b"_s, u"k"_s, u"4"_s));
    QCOMPARE(contentOf(FName), QByteArray("[new]\r\nk=2\r\nj=3\r\n[b]\r\nk=4\r\n"));
  }

  void refusedWriteLeavesTheFileIntact_data() {
    QTest::addColumn<QString>("target"); // beside vxs.ini
    QTest::addColumn<bool>("lockFile");
    QTest::addColumn<bool>("lockFolder");
    QTest::newRow("below a regular file") << u"vxs.ini/vxs.ini"_s << false << false;
    QTest::newRow("read-only file") << u"vxs.ini"_s << true << false;
    QTest::newRow("read-only folder") << u"vxs.ini"_s << false << true;
  }
  void refusedWriteLeavesTheFileIntact() {
    QFETCH(QString, target);
    QFETCH(bool, lockFile);
    QFETCH(bool, lockFolder);
    const QString folder = FDir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString kept = folder + u"/vxs.ini"_s, name = folder + u'/' + target;
    QVERIFY(QDir().mkpath(folder));
    put(kept, "[a]\r\nk=1\r\n");
    const auto rw = QFile::ReadOwner | QFile::WriteOwner;
    QFile::setPermissions(kept, lockFile ? QFile::ReadOwner : rw);
    QFile::setPermissions(folder, (lockFolder ? QFile::ReadOwner : rw) | QFile::ExeOwner);
    QFile probe(lockFile ? kept : folder + u"/probe"_s);
    const bool bypassed = (lockFile || lockFolder) && probe.open(QIODevice::Append);
    TIniFile ini(name);
    const bool ok = bypassed || ini.WriteString(u"a"_s, u"k"_s, u"2"_s);
    QFile::setPermissions(folder, rw | QFile::ExeOwner);
    QFile::setPermissions(kept, rw);
    if (bypassed)
      QSKIP("permissions do not bind this user (root); the regular file's row covers refusal");
    QVERIFY(!ok);
    QCOMPARE(ini.errorString(), u"Unable to write to "_s + name);
    QCOMPARE(contentOf(kept), QByteArray("[a]\r\nk=1\r\n"));
    // Once the obstacle has gone, the next write succeeds and forgets the error.
    QVERIFY(QFile::remove(kept) && QDir().mkpath(QFileInfo(name).path()));
    QVERIFY(ini.WriteString(u"a"_s, u"k"_s, u"2"_s));
    QVERIFY(ini.errorString().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_IniFile.moc"
