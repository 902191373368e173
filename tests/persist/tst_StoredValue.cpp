#include "persist/StoredValue.h"
#include "platform/IniFile.h"
#include "support/FileBytes.h"

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

  // `key` null: not scrambled. `stored`: the INI line's text, or the side
  // file's bytes (ending in CR LF) when the value spills.
  void encode_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("stored");
    const QString x1024(1024, u'x'), plain;
    QTest::newRow("space") << plain << u"a b"_s << QByteArray("a<\"32\">b");
    QTest::newRow("line break") << plain << u"x\r\ny"_s << QByteArray("x<\"13\"><\"10\">y");
    QTest::newRow("1024 stays") << plain << x1024 << QByteArray(1024, 'x');
    QTest::newRow("1025 spills") << plain << x1024 + u'x' << QByteArray(1025, 'x') + "\r\n";
    QTest::newRow("escapes count")
        << plain << x1024.left(1020) + u' ' << QByteArray(1020, 'x') + "<\"32\">\r\n";
    QTest::newRow("crypt") << u"mint cloak"_s << u"ab"_s << QByteArray("206203\r\n");
    QTest::newRow("crypt after escapes")
        << u"k"_s << u" "_s << QByteArray("167141158157141169\r\n");
    QTest::newRow("largest sum") << u"я"_s << u"я"_s << QByteArray("510\r\n");
    QTest::newRow("crypt without key") << u""_s << u"a b"_s << QByteArray("a<\"32\">b\r\n");
    QTest::newRow("like a reference")
        << plain << u"file::137825"_s << QByteArray("file::137825\r\n");
    QTest::newRow("quoted") << plain << u"\"word\""_s << QByteArray("\"word\"\r\n");
    QTest::newRow("tab at the end") << plain << u"a\t"_s << QByteArray("a\t\r\n");
  }
  void encode() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString naming = QString::fromLatin1(QTest::currentDataTag());
    const QString side = QDir(FFolder).filePath(SideFileName(naming) + u".txt"_s);
    QString stored, back;
    QVERIFY(EncodeStoredValue(naming, value, options(!key.isNull(), key), stored));
    const bool spilled = stored == u"file::"_s + SideFileName(naming);
    QTEST(spilled ? contentOf(side) : stored.toUtf8(), "stored");
    QCOMPARE(QDir(FFolder).entryList(QDir::Files).size(), spilled ? 1 : 0);
    QVERIFY(DecodeStoredValue(stored, options(!key.isNull(), key), back));
    QCOMPARE(back, value);
  }

  // `file` is put where the reference leads (a folder there when it is
  // "<folder>"); `value` null: decoding fails.
  void decode_data() {
    QTest::addColumn<bool>("crypt");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");
    const QByteArray none, outside = "never read";
    QTest::newRow("side file lines joined")
        << false << u"file::137825"_s << QByteArray("part one\r\npart<\"32\">two\r\n")
        << u"part onepart two"_s;
    QTest::newRow("missing side file") << false << u"file::404"_s << none << u""_s;
    QTest::newRow("reference is case-sensitive")
        << false << u"File::137825"_s << outside << u"File::137825"_s;
    QTest::newRow("parent folder") << false << u"file::../outside"_s << outside << u""_s;
    QTest::newRow("absolute") << false << u"file::"_s + FRoot.filePath(u"outside"_s) << outside
                              << u""_s;
    QTest::newRow("backslash") << false << u"file::..\\outside"_s << outside << u""_s;
    QTest::newRow("no name") << false << u"file::"_s << outside << u""_s;
    QTest::newRow("unreadable") << false << u"file::137825"_s << QByteArray("<folder>")
                                << QString();
    QTest::newRow("crypt, plain number") << true << u"120"_s << none << QString(QChar(120 - 'm'));
    QTest::newRow("crypt, below zero wraps")
        << true << u"000"_s << none << QString(QChar(0x201C)); // byte 0x93
    QTest::newRow("crypt, tail dropped") << true << u"20620320"_s << none << u"ab"_s;
    QTest::newRow("crypt, not a number") << true << u"12x"_s << none << QString();
  }
  void decode() {
    QFETCH(bool, crypt);
    QFETCH(QString, stored);
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    const QString at = QDir(FFolder).filePath(stored.mid(6) + u".txt"_s);
    if (file == "<folder>")
      QVERIFY(QDir().mkpath(at));
    else if (!file.isEmpty())
      put(at, file);
    QString decoded, error;
    QCOMPARE(DecodeStoredValue(stored, options(crypt), decoded, &error), !value.isNull());
    QCOMPARE(error.isEmpty(), !value.isNull());
    if (!value.isNull())
      QCOMPARE(decoded, value);
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
