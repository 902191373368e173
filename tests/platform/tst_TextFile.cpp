#include "platform/Codepage.h"
#include "platform/TextFile.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTextFile : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;

private Q_SLOTS:
  void ensureFileCreatesMissingFoldersAndKeepsContent() {
    const QString name = FDir.filePath(QStringLiteral("a/b/c/file.txt"));
    EnsureFile(name);
    QCOMPARE(contentOf(name), QByteArray());
    put(name, "kept");
    EnsureFile(name);
    QCOMPARE(contentOf(name), QByteArray("kept"));
  }

  void writeReplacesContentInWindows1251() {
    const QString name = FDir.filePath(QStringLiteral("w/text.txt"));
    WriteTextFile(name, u"длинный старый текст\r\n"_s);
    WriteTextFile(name, u"Да"_s);
    QCOMPARE(contentOf(name), QByteArray("\xC4\xE0"));
    WriteTextFile(name, QString());
    QCOMPARE(contentOf(name), QByteArray());
  }

  void readEndsEveryLineWithCrLf_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("no final break") << QByteArray("one") << u"one\r\n"_s;
    QTest::newRow("lf") << QByteArray("a\nb\n") << u"a\r\nb\r\n"_s;
    QTest::newRow("crlf") << QByteArray("a\r\nb") << u"a\r\nb\r\n"_s;
    QTest::newRow("lone cr") << QByteArray("a\rb") << u"a\r\nb\r\n"_s;
    QTest::newRow("empty lines") << QByteArray("\n\na") << u"\r\n\r\na\r\n"_s;
    QTest::newRow("cyrillic") << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2") << u"Привет\r\n"_s;
  }
  void readEndsEveryLineWithCrLf() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString name = FDir.filePath(QStringLiteral("read.txt"));
    put(name, bytes);
    QCOMPARE(ReadTextFile(name), text);
  }

  void readCreatesAMissingFileEmpty() {
    const QString name = FDir.filePath(QStringLiteral("new/missing.txt"));
    QCOMPARE(ReadTextFile(name), QString());
    QVERIFY(QFile::exists(name));
  }

  void strToIntSafe_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("number") << u"670"_s << 670;
    QTest::newRow("negative") << u"-1"_s << -1;
    QTest::newRow("plus") << u"+5"_s << 5;
    QTest::newRow("leading blanks") << u"  12"_s << 12;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("word") << u"True"_s << 0;
    QTest::newRow("trailing text") << u"12px"_s << 0;
    QTest::newRow("fraction") << u"1.5"_s << 0;
    QTest::newRow("too large") << u"2147483648"_s << 0;
    QTest::newRow("smallest") << u"-2147483648"_s << int(-2147483648LL);
  }
  void strToIntSafe() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(StrToIntSafe(text), value);
  }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_TextFile.moc"
