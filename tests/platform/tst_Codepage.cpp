#include "platform/Codepage.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCodepage : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void decodesEveryByteAsTheSystemTableDoes() {
    QStringDecoder system("windows-1251");
    QVERIFY(system.isValid());
    for (int b = 0; b < 256; ++b) {
      const char byte = char(b);
      const QString ours = TCodepage::fromCp1251(QByteArrayView(&byte, 1));
      QCOMPARE(ours.size(), 1);
      if (b == 0x98) {
        QCOMPARE(ours.at(0).unicode(), char16_t(0x0098));
        continue;
      }
      const QString theirs = system.decode(QByteArrayView(&byte, 1));
      QCOMPARE(ours, theirs);
    }
  }

  void roundTripsEveryByte() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
      all.append(char(b));
    QCOMPARE(TCodepage::toCp1251(TCodepage::fromCp1251(all)), all);
  }

  void encodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << u"Vornix 1.0"_s << QByteArray("Vornix 1.0");
    QTest::newRow("cyrillic") << u"Архив ёЁ"_s << QByteArray("\xC0\xF0\xF5\xE8\xE2 \xB8\xA8");
    QTest::newRow("no code") << u"a€b→c😀d"_s
                             << QByteArray("a\x88"
                                           "b?c?d");
    QTest::newRow("lone surrogates") << u"a\xD83D b\xDE00"_s << QByteArray("a? b?");
    QTest::newRow("cjk") << u"日本"_s << QByteArray("??");
    QTest::newRow("nbsp and numero") << u"\u00A0№"_s << QByteArray("\xA0\xB9");
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
