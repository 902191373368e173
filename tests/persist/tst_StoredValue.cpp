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
  QString FFolder = FRoot.filePath(u"data"_s); // the INI file's folder, inside the root

  TStoredValueOptions options(bool crypt, const QString &key) const {
    return {crypt, key, FFolder};
  }
  QString sideFile(const QString &name) const { return FFolder + u'/' + name + u".txt"_s; }

private Q_SLOTS:
  void init() {
    QDir(FFolder).removeRecursively();
    QVERIFY(QDir().mkpath(FFolder));
  }

  void sideFileNumber_data() {
    QTest::addColumn<QString>("namingText");
    QTest::addColumn<int>("number");
    QTest::newRow("abc") << u"abc"_s << 137825;
    QTest::newRow("first byte never counts") << u"a"_s << 0;
    QTest::newRow("bytes unsigned") << u"яя"_s << 9435;
    QTest::newRow("16 bytes, sampled") << u"0123456789abcdef"_s << -1914464137;
    QTest::newRow("a key") << u"Form1TForm1_Form1_TEdit_EditFilter_Text"_s << -358683916;
    // Naming texts that differ only in bytes not sampled share a number.
    QTest::newRow("lft") << u"Form1TForm1_Form1_TLabel_lft_Caption"_s << 100525784;
    QTest::newRow("lfh") << u"Form1TForm1_Form1_TLabel_lfh_Caption"_s << 100525784;
  }
  void sideFileNumber() {
    QFETCH(QString, namingText);
    QTEST(SideFileNumber(namingText), "number");
  }

  // `side` is the side file's expected bytes, empty when the value stays in
  // the INI line as `stored`.
  void encode_data() {
    QTest::addColumn<bool>("crypt");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("side");
    const QString x1024(1024, u'x');
    QTest::newRow("space") << false << QString() << u"a b"_s << u"a<\"32\">b"_s << QByteArray();
    QTest::newRow("line break") << false << QString() << u"x\r\ny"_s << u"x<\"13\"><\"10\">y"_s
                                << QByteArray();
    QTest::newRow("1024 stays") << false << QString() << x1024 << x1024 << QByteArray();
    QTest::newRow("1025 spills") << false << QString() << x1024 + u'x' << QString()
                                 << QByteArray(1025, 'x') + "\r\n";
    QTest::newRow("escapes count") << false << QString() << x1024.left(1020) + u' ' << QString()
                                   << QByteArray(1020, 'x') + "<\"32\">\r\n";
    QTest::newRow("crypt") << true << u"mint cloak"_s << u"ab"_s << QString()
                           << QByteArray("206203\r\n");
    QTest::newRow("crypt after escapes")
        << true << u"k"_s << u" "_s << QString() << QByteArray("167141158157141169\r\n");
    QTest::newRow("largest sum") << true << u"я"_s << u"я"_s << QString() << QByteArray("510\r\n");
    QTest::newRow("crypt without key")
        << true << QString() << u"a b"_s << QString() << QByteArray("a<\"32\">b\r\n");
    QTest::newRow("like a reference")
        << false << QString() << u"file::137825"_s << QString() << QByteArray("file::137825\r\n");
    QTest::newRow("quoted") << false << QString() << u"\"word\""_s << QString()
                            << QByteArray("\"word\"\r\n");
    QTest::newRow("tab at the end")
        << false << QString() << u"a\t"_s << QString() << QByteArray("a\t\r\n");
  }
  void encode() {
    QFETCH(bool, crypt);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, side);
    const QString naming = QString::fromLatin1(QTest::currentDataTag());
    QString stored;
    QVERIFY(EncodeStoredValue(naming, value, options(crypt, key), stored));
    if (side.isEmpty()) {
      QTEST(stored, "stored");
      QCOMPARE(QDir(FFolder).entryList(QDir::Files), QStringList());
    } else {
      QCOMPARE(stored, u"file::"_s + SideFileName(naming));
      QCOMPARE(contentOf(sideFile(SideFileName(naming))), side);
    }
    QString back;
    QVERIFY(DecodeStoredValue(stored, options(crypt, key), back));
    QCOMPARE(back, value);
  }

  // `value` null: decoding fails. `file` is put as 137825.txt first, a
  // folder of that name when it is "<folder>".
  void decode_data() {
    QTest::addColumn<bool>("crypt");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");
    QTest::newRow("escapes") << false << u"a<\"32\">b<\"13\"><\"10\">c"_s << QByteArray()
                             << u"a b\r\nc"_s;
    QTest::newRow("side file lines joined")
        << false << u"file::137825"_s << QByteArray("part one\r\npart<\"32\">two\r\n")
        << u"part onepart two"_s;
    QTest::newRow("missing side file") << false << u"file::404"_s << QByteArray() << u""_s;
    QTest::newRow("reference is case-sensitive")
        << false << u"File::137825"_s << QByteArray("x") << u"File::137825"_s;
    QTest::newRow("outside the folder") << false << u"file::../outside"_s << QByteArray() << u""_s;
    QTest::newRow("backslash") << false << u"file::..\\outside"_s << QByteArray() << u""_s;
    QTest::newRow("no name") << false << u"file::"_s << QByteArray() << u""_s;
    QTest::newRow("unreadable") << false << u"file::137825"_s << QByteArray("<folder>")
                                << QString();
    QTest::newRow("crypt, plain number")
        << true << u"120"_s << QByteArray() << QString(QChar(120 - 'm'));
    QTest::newRow("crypt, below zero wraps")
        << true << u"000"_s << QByteArray() << QString(QChar(0x201C)); // byte 0x93
    QTest::newRow("crypt, tail dropped") << true << u"20620320"_s << QByteArray() << u"ab"_s;
    QTest::newRow("crypt, side file")
        << true << u"file::137825"_s << QByteArray("206\r\n203") << u"ab"_s;
    QTest::newRow("crypt, not a number") << true << u"12x"_s << QByteArray() << QString();
  }
  void decode() {
    QFETCH(bool, crypt);
    QFETCH(QString, stored);
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    put(FRoot.filePath(u"outside.txt"_s), "never read");
    if (file == "<folder>")
      QVERIFY(QDir().mkpath(sideFile(u"137825"_s)));
    else if (!file.isEmpty())
      put(sideFile(u"137825"_s), file);
    QString decoded = u"<untouched>"_s;
    QString error;
    QCOMPARE(DecodeStoredValue(stored, options(crypt, u"mint cloak"_s), decoded, &error),
             !value.isNull());
    QCOMPARE(error.isEmpty(), !value.isNull());
    if (!value.isNull())
      QCOMPARE(decoded, value);
  }

  // Through an INI line: markers typed into a value come back as the
  // characters they stand for; everything else comes back as it was, spilled
  // or not, scrambled or not, quotes and blanks around it included.
  void roundTrip_data() {
    QTest::addColumn<bool>("crypt");
    QTest::newRow("plain") << false;
    QTest::newRow("crypt") << true;
  }
  void roundTrip() {
    QFETCH(bool, crypt);
    struct TPiece {
      QString typed, read;
    };
    const QList<TPiece> pieces = {
        {u"a"_s, u"a"_s},           {u"Я"_s, u"Я"_s},
        {u" "_s, u" "_s},           {u"\r\n"_s, u"\r\n"_s},
        {u"\n"_s, u"\n"_s},         {u"\r"_s, u"\r"_s},
        {u"file::"_s, u"file::"_s}, {u"\""_s, u"\""_s},
        {u"\t"_s, u"\t"_s},         {u"<\"32\">"_s, u" "_s},
        {u"<\"13\">"_s, u"\r"_s},   {u"<\"10\">"_s, u"\n"_s},
        {u"1"_s, u"1"_s},           {QString(600, u'w'), QString(600, u'w')},
    };
    QRandomGenerator random(20240611);
    TIniFile ini(FFolder + u"/vx.ini"_s);
    QVERIFY(ini.BeginUpdate());
    for (int n = 0; n < 200; ++n) {
      QString typed, read;
      for (int length = random.bounded(6); length > 0; --length) {
        const TPiece &piece = pieces[random.bounded(pieces.size())];
        typed += piece.typed;
        read += piece.read;
      }
      const QString naming = u"Form1key"_s + QString::number(n);
      QString stored, back;
      QVERIFY(EncodeStoredValue(naming, typed, options(crypt, u"mint cloak"_s), stored));
      QVERIFY(ini.WriteString(u"Form1"_s, naming, stored));
      QCOMPARE(ini.ReadSection(u"Form1"_s).size(), n + 1); // one line each
      QVERIFY(DecodeStoredValue(ini.ReadString(u"Form1"_s, naming), options(crypt, u"mint cloak"_s),
                                back));
      QCOMPARE(back, read);
    }
  }
};

QTEST_GUILESS_MAIN(TestStoredValue)
#include "tst_StoredValue.moc"
