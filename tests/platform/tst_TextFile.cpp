#include "platform/Codepage.h"
#include "platform/IniFile.h"
#include "platform/TextFile.h"
#include "support/FileBytes.h"
#include "support/GoldenFile.h"

#include <QDebug>
#include <QDir>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Quoted and escaped as Qt's debug output does it, with the no-break space
// spelt out too, so that blanks, quotes and line ends can be told apart.
QString quoted(const QString &text) {
  QString out;
  QDebug(&out).nospace() << text;
  return out.replace(u'\u00a0', u"\\u00a0"_s);
}

// A row per tests/data/ini/<folder>/<case><sidecar>, giving its path without the suffix.
void addCases(const QString &folder, const QString &sidecar) {
  QTest::addColumn<QString>("stem");
  const QDir dir(QStringLiteral(VORNIX_TEST_DATA "/ini/") + folder);
  for (const QString &name : dir.entryList({u'*' + sidecar}, QDir::Files))
    QTest::newRow(qPrintable(name.chopped(sidecar.size())))
        << dir.filePath(name.chopped(sidecar.size()));
}

// The key's value, <none> when it reads as missing.
QString valueOf(const TIniFile &ini, const QString &section, const QString &key) {
  const QString value = ini.ReadString(section, key, u"\uFFFF"_s);
  return value == u"\uFFFF"_s ? u"<none>"_s : quoted(value);
}

// Whether the section exists and has keys, then its keys in order with their values.
QString sectionDump(const TIniFile &ini, const QString &section) {
  QString dump = u"section %1 %2, %3\n"_s.arg(
      quoted(section), ini.SectionExists(section) ? u"exists"_s : u"missing"_s,
      ini.SectionHasKeys(section) ? u"has keys"_s : u"no keys"_s);
  for (const QString &key : ini.ReadSection(section))
    dump += u"  %1 = %2\n"_s.arg(quoted(key), valueOf(ini, section, key));
  return dump;
}

} // namespace

// Windows-1251, the code page of every file the program keeps, and those files:
// plain text and INI.
class TestTextFile : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;

private Q_SLOTS:
  void decodesEveryByteAsTheSystemTableDoesAndBack() {
    QStringDecoder system("windows-1251");
    QVERIFY(system.isValid());
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
      all.append(char(b));
      // 0x98 is unassigned; it becomes U+0098 so that it survives the way back.
      QCOMPARE(TCodepage::fromCp1251(all.right(1)),
               b == 0x98 ? QString(QChar(0x98)) : system.decode(all.right(1)));
    }
    QCOMPARE(TCodepage::toCp1251(TCodepage::fromCp1251(all)), all);
    // The round trip covers every character the table holds; the rest become "?".
    QCOMPARE(TCodepage::toCp1251(u"a€b→c😀d"_s), QByteArray("a\x88") + "b?c?d");
    QCOMPARE(TCodepage::toCp1251(u"a\xD83D b\xDE00"_s), QByteArray("a? b?"));
    QCOMPARE(TCodepage::toCp1251(QString()), QByteArray());
  }

  void ensureKeepsAndWriteReplacesContent() {
    const QString ensured = FDir.filePath(u"a/b/c/file.txt"_s),
                  written = FDir.filePath(u"w/t.txt"_s);
    EnsureFile(ensured);
    QCOMPARE(contentOf(ensured), QByteArray());
    put(ensured, "kept");
    EnsureFile(ensured);
    QCOMPARE(contentOf(ensured), QByteArray("kept"));
    WriteTextFile(written, u"длинный старый текст\r\n"_s);
    WriteTextFile(written, u"Да"_s);
    QCOMPARE(contentOf(written), QByteArray("\xC4\xE0"));
    WriteTextFile(written, QString());
    QCOMPARE(contentOf(written), QByteArray());
    // A missing file reads as empty, and is created so.
    const QString missing = FDir.filePath(u"missing.txt"_s);
    QCOMPARE(ReadTextFile(missing), QString());
    QCOMPARE(contentOf(missing), QByteArray());
  }

  // Each file in tests/data/text-files reads as the dump beside it, and stays as it was.
  void readEndsEveryLineWithCrLf_data() { addGoldenRows(u"text-files"_s); }
  void readEndsEveryLineWithCrLf() {
    QFETCH(QString, input);
    const QString copy = FDir.filePath(QFileInfo(input).fileName());
    QVERIFY(QFile::copy(input, copy));
    QString dump;
    QDebug(&dump).nospace() << ReadTextFile(copy) << "\n";
    QCOMPARE(contentOf(copy), contentOf(input));
    compareWithGolden(input, dump);
  }

  // Each line of tests/data/numbers/<file>, the last one empty, with its value beside it.
  void strToIntSafe_data() { addGoldenRows(u"numbers"_s); }
  void strToIntSafe() {
    QFETCH(QString, input);
    QString dump;
    for (const QString &text : QString::fromUtf8(contentOf(input)).split(u'\n'))
      QDebug(&dump).nospace() << text << " " << StrToIntSafe(text) << "\n";
    compareWithGolden(input, dump);
  }

  // Each ini/read/<case>.lookups names what to ask <case>.ini (no file when there is
  // none) besides every section in order (see sectionDump): "section|key", that key's
  // value, or "section", that section. <case>.ini.expected holds the whole dump.
  void readsAsWindowsDoes_data() { addCases(u"read"_s, u".lookups"_s); }
  void readsAsWindowsDoes() {
    QFETCH(QString, stem);
    const TIniFile ini(stem + u".ini"_s);
    QString dump;
    for (const QString &section : ini.ReadSections())
      dump += sectionDump(ini, section);
    for (const QString &line :
         QString::fromUtf8(contentOf(stem + u".lookups"_s)).split(u'\n', Qt::SkipEmptyParts)) {
      const QString section = line.section(u'|', 0, 0), key = line.section(u'|', 1);
      dump += u"lookup "_s +
              (line.contains(u'|')
                   ? u"%1 %2 = %3\n"_s.arg(quoted(section), quoted(key), valueOf(ini, section, key))
                   : sectionDump(ini, section));
    }
    compareWithGolden(stem + u".ini"_s, dump);
  }

  // Each ini/edit/<case>.edit holds one edit, "write|section|key|value", "erase|section"
  // or "delete|section|key", made to a copy of <case>.ini (no file when there is none);
  // <case>.ini.expected holds the file's bytes afterwards, a quoted line per line
  // ("<missing>": still none), so that every line end and byte is spelt out.
  void editsKeepOtherLinesByteForByte_data() { addCases(u"edit"_s, u".edit"_s); }
  void editsKeepOtherLinesByteForByte() {
    QFETCH(QString, stem);
    const QString name = FDir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".ini"_s);
    QVERIFY(!QFile::exists(stem + u".ini"_s) || QFile::copy(stem + u".ini"_s, name));
    const QStringList edit =
        QString::fromUtf8(contentOf(stem + u".edit"_s)).section(u'\n', 0, 0).split(u'|');
    TIniFile ini(name);
    const QString operation = edit.value(0), section = edit.value(1), key = edit.value(2);
    QVERIFY(operation == u"write"_s   ? ini.WriteString(section, key, edit.value(3))
            : operation == u"erase"_s ? ini.EraseSection(section)
                                      : ini.DeleteKey(section, key));
    QVERIFY(ini.errorString().isEmpty());
    QString dump;
    for (const QByteArray &line : contentOf(name).split('\n'))
      dump += quoted(TCodepage::fromCp1251(line)) + u'\n';
    compareWithGolden(stem + u".ini"_s, dump);
  }

  // Every write reads the file back first, and an update holds its writes back
  // until it ends, though reads see them meanwhile.
  void writesMeetOnDisk() {
    const QString name = FDir.filePath(u"writes.ini"_s);
    put(name, "[old]\r\nk=1\r\n");
    TIniFile first(name), second(name);
    QVERIFY(first.BeginUpdate());
    QVERIFY(first.EraseSection(u"old"_s));
    QVERIFY(first.WriteString(u"new"_s, u"k"_s, u"2"_s));
    QCOMPARE(first.ReadString(u"new"_s, u"k"_s), u"2"_s);
    QCOMPARE(contentOf(name), QByteArray("[old]\r\nk=1\r\n"));
    QVERIFY(first.EndUpdate());
    QCOMPARE(contentOf(name), QByteArray("[new]\r\nk=2\r\n"));
    QVERIFY(second.WriteString(u"new"_s, u"j"_s, u"3"_s));
    QVERIFY(first.WriteString(u"b"_s, u"k"_s, u"4"_s));
    QCOMPARE(contentOf(name), QByteArray("[new]\r\nk=2\r\nj=3\r\n[b]\r\nk=4\r\n"));
  }

  // A regular file where the folder should be refuses the write and stays as it
  // was; once it has gone, the next write succeeds and forgets the error.
  void refusedWriteLeavesTheFileIntact() {
    const QString blocker = FDir.filePath(u"blocker"_s), name = blocker + u"/vxs.ini"_s;
    put(blocker, "[a]\r\nk=1\r\n");
    TIniFile ini(name);
    QVERIFY(!ini.WriteString(u"a"_s, u"k"_s, u"2"_s));
    QCOMPARE(ini.errorString(), u"Unable to write to "_s + name);
    QCOMPARE(contentOf(blocker), QByteArray("[a]\r\nk=1\r\n"));
    QVERIFY(QFile::remove(blocker) && QDir().mkpath(blocker));
    QVERIFY(ini.WriteString(u"a"_s, u"k"_s, u"2"_s));
    QVERIFY(ini.errorString().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_TextFile.moc"
