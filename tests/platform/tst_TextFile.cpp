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
  return value == u"\uFFFF"_s ? u"<none>"_s : Quoted(value);
}

// Whether the section exists and has keys, then its keys in order with their values.
QString sectionDump(const TIniFile &ini, const QString &section) {
  QString dump = u"section %1 %2, %3\n"_s.arg(
      Quoted(section), ini.SectionExists(section) ? u"exists"_s : u"missing"_s,
      ini.SectionHasKeys(section) ? u"has keys"_s : u"no keys"_s);
  for (const QString &key : ini.ReadSection(section))
    dump += u"  %1 = %2\n"_s.arg(Quoted(key), valueOf(ini, section, key));
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
    for (const QString &line : ScriptLines(stem + u".lookups"_s)) {
      const QString section = line.section(u'|', 0, 0), key = line.section(u'|', 1);
      dump += u"lookup "_s +
              (line.contains(u'|')
                   ? u"%1 %2 = %3\n"_s.arg(Quoted(section), Quoted(key), valueOf(ini, section, key))
                   : sectionDump(ini, section));
    }
    compareWithGolden(stem + u".ini"_s, dump);
  }

  // Each ini/edit/<case>.edit holds edits made in turn to a copy of <case>.ini (no file when
  // there is none): "write|section|key|value", "erase|section", "delete|section|key",
  // "begin" and "end" of an update, "second|" before one made through another TIniFile of
  // the file, "block" and "unblock", the file moved to where its folder should be and back.
  // "read|section|key" and "file" dump the value and the bytes so far, as <case>.ini.expected
  // ends with the file's bytes, a quoted line per line ("<missing>": still none), so that
  // every line end and byte is spelt out; a refused edit dumps its error.
  void editsKeepOtherLinesByteForByte_data() { addCases(u"edit"_s, u".edit"_s); }
  void editsKeepOtherLinesByteForByte() {
    QFETCH(QString, stem);
    const QString folder = FDir.filePath(QString::fromLatin1(QTest::currentDataTag())),
                  name = folder + u"/vx.ini"_s, aside = folder + u".aside"_s;
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!QFile::exists(stem + u".ini"_s) || QFile::copy(stem + u".ini"_s, name));
    TIniFile first(name), second(name);
    QString dump;
    const auto file = [&](const QString &heading) {
      dump += heading;
      for (const QByteArray &line : contentOf(name).split('\n'))
        dump += Quoted(TCodepage::fromCp1251(line)) + u'\n';
    };
    for (const QString &line : ScriptLines(stem + u".edit"_s)) {
      QStringList edit = line.split(u'|');
      TIniFile &ini = edit.first() == u"second" ? (edit.removeFirst(), second) : first;
      const QString operation = edit.value(0), section = edit.value(1), key = edit.value(2);
      if (operation == u"read")
        dump += line + u" = "_s + Quoted(ini.ReadString(section, key)) + u'\n';
      else if (operation == u"file")
        file(line + u":\n"_s);
      else if (operation == u"block")
        QVERIFY(QFile::rename(name, aside) && QDir(folder).removeRecursively() &&
                QFile::rename(aside, folder));
      else if (operation == u"unblock")
        QVERIFY(QFile::rename(folder, aside) && QDir().mkpath(folder) &&
                QFile::rename(aside, name));
      else if (!(operation == u"write"   ? ini.WriteString(section, key, edit.value(3))
                 : operation == u"erase" ? ini.EraseSection(section)
                 : operation == u"begin" ? ini.BeginUpdate()
                 : operation == u"end"   ? ini.EndUpdate()
                                         : ini.DeleteKey(section, key)))
        dump += line + u": "_s + ini.errorString().replace(folder, u"<folder>"_s) + u'\n';
      else
        QVERIFY(ini.errorString().isEmpty());
    }
    file({});
    compareWithGolden(stem + u".ini"_s, dump);
  }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_TextFile.moc"
