#include "platform/TextFile.h"
#include "support/FileBytes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTextFile : public QObject {
  Q_OBJECT
  QTemporaryDir FDir;

private Q_SLOTS:
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
  }

  void readEndsEveryLineWithCrLf_data() {
    QTest::addColumn<QByteArray>("bytes"); // null: no file, which the read creates empty
    QTest::addColumn<QString>("text");
    QTest::newRow("missing") << QByteArray() << QString();
    QTest::newRow("empty") << QByteArray("") << QString();
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
    const QString name = FDir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    if (!bytes.isNull())
      put(name, bytes);
    QCOMPARE(ReadTextFile(name), text);
    QCOMPARE(contentOf(name), bytes); // empty, not missing, when there was none
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
