#include "persist/StoredValue.h"
#include "platform/IniFile.h"
#include "support/GoldenFile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestStoredValue : public QObject {
  Q_OBJECT
  QTemporaryDir FRoot;
  QString FFolder = FRoot.filePath(u"data"_s); // inside the root, so that escaping it shows

  TStoredValueOptions options(bool crypt, const QString &key = u"mint cloak"_s) const {
    return {crypt, key, FFolder};
  }

private Q_SLOTS:
  void init() {
    QDir(FFolder).removeRecursively();
    QVERIFY(QDir().mkpath(FFolder));
  }

  void sideFileNumber() {
    QCOMPARE(SideFileNumber(u"abc"_s), 137825);                   // the first byte never counts
    QCOMPARE(SideFileNumber(u"яя"_s), 9435);                      // bytes unsigned
    QCOMPARE(SideFileNumber(u"0123456789abcdef"_s), -1914464137); // 16 bytes, sampled
    // Naming texts that differ only in bytes not sampled share a number.
    QCOMPARE(SideFileNumber(u"Form1TForm1_Form1_TLabel_lft_Caption"_s), 100525784);
    QCOMPARE(SideFileNumber(u"Form1TForm1_Form1_TLabel_lfh_Caption"_s), 100525784);
  }

  void values_data() { addGoldenRows(u"storedvalue"_s); }
  // Each line of "encode" is a value stored, then read back as it was; of "decode", a stored
  // text read. The files say how their fields ("|" apart, percent escapes) are read.
  void values() {
    QFETCH(QString, input);
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      const QStringList c =
          QStringList{line} + PercentFields(line).replaceInStrings(u"@ROOT@"_s, FRoot.path());
      QVERIFY(QDir(FFolder).removeRecursively() && QDir().mkpath(FFolder));
      QString stored = c[2], back, error;
      if (input.endsWith(u"/encode")) {
        const TStoredValueOptions scheme{c[1] != u"-", c[1], FFolder};
        const QString naming = u"Form1key"_s + c[0];
        QVERIFY(EncodeStoredValue(naming, c[2], scheme, stored));
        const bool spilled = stored == u"file::"_s + SideFileName(naming);
        const QString side = FFolder + u'/' + stored.mid(6) + u".txt";
        dump += c[0] +
                (spilled ? u"\n  side file "_s + PercentEscaped(QString::fromUtf8(contentOf(side)))
                         : u"\n  line "_s + PercentEscaped(stored)) +
                u'\n';
        QCOMPARE(QDir(FFolder).entryList(QDir::Files).size(), spilled ? 1 : 0);
        QVERIFY(DecodeStoredValue(stored, scheme, back));
        QCOMPARE(back, c[2]);
        continue;
      }
      const QString at = QDir(FFolder).filePath(stored.mid(6) + u".txt"_s);
      if (c[3] == u"<folder>")
        QVERIFY(QDir().mkpath(at));
      else if (!c[3].isEmpty())
        put(at, c[3].toUtf8());
      const bool read = DecodeStoredValue(stored, options(c[1] == u"1"), back, &error);
      QCOMPARE(error.isEmpty(), read);
      dump += c[0] + (read ? u"\n  reads "_s + PercentEscaped(back) : u"\n  fails"_s) + u'\n';
    }
    compareWithGolden(input, dump);
  }

  // Through an INI line, markers typed into a value read back as the characters
  // they stand for; everything else, quotes and blanks around it included, as it was.
  void roundTrip() {
    const QStringList pieces = {
        u"a"_s,  u"Я"_s,  u" "_s, u"\r\n"_s,          u"\n"_s,       u"\r"_s,       u"file::"_s,
        u"\""_s, u"\t"_s, u"1"_s, QString(600, u'w'), u"<\"32\">"_s, u"<\"13\">"_s, u"<\"10\">"_s};
    const QString meant = u" \r\n"_s; // what the last three pieces stand for
    QRandomGenerator random(20240611);
    TIniFile ini(FFolder + u"/vx.ini"_s);
    QVERIFY(ini.BeginUpdate());
    for (int n = 0; n < 200; ++n) {
      const bool crypt = n % 2;
      QString typed, read, stored, back;
      for (int length = random.bounded(6); length > 0; --length) {
        const qsizetype i = random.bounded(pieces.size());
        typed += pieces[i];
        read += i < pieces.size() - 3 ? pieces[i] : meant[i - pieces.size() + 3];
      }
      const QString naming = u"Form1key"_s + QString::number(n);
      QVERIFY(EncodeStoredValue(naming, typed, options(crypt), stored));
      QVERIFY(ini.WriteString(u"Form1"_s, naming, stored));
      QCOMPARE(ini.ReadSection(u"Form1"_s).size(), n + 1); // one line each
      QVERIFY(DecodeStoredValue(ini.ReadString(u"Form1"_s, naming), options(crypt), back));
      QCOMPARE(back, read);
    }
  }
};

QTEST_GUILESS_MAIN(TestStoredValue)
#include "tst_StoredValue.moc"
