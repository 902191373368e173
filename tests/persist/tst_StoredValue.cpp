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

  // Each line of a file in tests/data/storedvalue but comments: itself, then its fields ("|"
  // apart, percent escapes).
  static QList<QStringList> cases(const QString &file) {
    QList<QStringList> lines;
    for (const QByteArray &line : contentOf(file).split('\n'))
      if (!line.isEmpty() && !line.startsWith('#')) {
        QStringList fields{QString::fromUtf8(line)};
        for (const QByteArray &field : line.split('|'))
          fields << QString::fromUtf8(QByteArray::fromPercentEncoding(field));
        lines << fields;
      }
    return lines;
  }
  // Percent escapes for what a dump line would hide.
  static QString escaped(const QString &text) {
    QString out;
    for (const QChar c : text)
      out += c.unicode() < 0x20 || c == u'%'
                 ? u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0')
                 : QString(c);
    return out;
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

  void encode_data() { addGoldenRows(u"storedvalue/encode"_s); }
  void encode() {
    QFETCH(QString, input);
    QString dump;
    for (const QStringList &c : cases(input)) {
      const TStoredValueOptions scheme{c[1] != u"-", c[1], FFolder};
      const QString naming = u"Form1key"_s + c[0];
      QString stored, back;
      QVERIFY(QDir(FFolder).removeRecursively() && QDir().mkpath(FFolder));
      QVERIFY(EncodeStoredValue(naming, c[2], scheme, stored));
      const bool spilled = stored == u"file::"_s + SideFileName(naming);
      dump += c[0] + (spilled ? u"\n  side file "_s + escaped(QString::fromUtf8(contentOf(
                                                         FFolder + u'/' + stored.mid(6) + u".txt")))
                              : u"\n  line "_s + escaped(stored)) + u'\n';
      QCOMPARE(QDir(FFolder).entryList(QDir::Files).size(), spilled ? 1 : 0);
      QVERIFY(DecodeStoredValue(stored, scheme, back));
      QCOMPARE(back, c[2]);
    }
    compareWithGolden(input, dump);
  }

  void decode_data() { addGoldenRows(u"storedvalue/decode"_s); }
  void decode() {
    QFETCH(QString, input);
    QString dump;
    for (const QStringList &c : cases(input)) {
      const QString stored = QString(c[2]).replace(u"@ROOT@"_s, FRoot.path());
      const QString at = QDir(FFolder).filePath(stored.mid(6) + u".txt"_s);
      QVERIFY(QDir(FFolder).removeRecursively() && QDir().mkpath(FFolder));
      if (c[3] == u"<folder>")
        QVERIFY(QDir().mkpath(at));
      else if (!c[3].isEmpty())
        put(at, c[3].toUtf8());
      QString decoded, error;
      const bool read = DecodeStoredValue(stored, options(c[1] == u"1"), decoded, &error);
      QCOMPARE(error.isEmpty(), read);
      dump += c[0] + (read ? u"\n  reads "_s + escaped(decoded) : u"\n  fails"_s) + u'\n';
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
