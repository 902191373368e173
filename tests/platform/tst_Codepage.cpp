#include "platform/Codepage.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCodepage : public QObject {
  Q_OBJECT
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
  }

  void encodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    // The round trip above covers every character the table holds.
    QTest::newRow("no code") << u"a€b→c😀d"_s
                             << QByteArray("a\x88"
                                           "b?c?d");
    QTest::newRow("lone surrogates") << u"a\xD83D b\xDE00"_s << QByteArray("a? b?");
    QTest::newRow("empty") << QString() << QByteArray();
  }
  void encodes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TCodepage::toCp1251(text), bytes);
  }
};

QTEST_GUILESS_MAIN(TestCodepage)
#include "tst_Codepage.moc"
