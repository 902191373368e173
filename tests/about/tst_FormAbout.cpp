#include "about/About.h"
#include "about/AboutLines.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestFormAbout : public QObject {
  Q_OBJECT

  static void row(const char *name, const QByteArray &memInfo, const QString &total,
                  const QString &load) {
    QTest::newRow(name) << memInfo << total << load;
  }

private Q_SLOTS:
  void memoryLines_data() {
    QTest::addColumn<QByteArray>("memInfo");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("load");
    row("over 4 GB", "MemTotal:  24683784 kB\nMemFree: 1 kB\nMemAvailable:  12000000 kB\n",
        u"24,683,784 KB"_s, u"51 %"_s);
    row("rounded down", "MemTotal: 3 kB\nMemAvailable: 1 kB", u"3 KB"_s, u"66 %"_s);
    row("all in use", "MemAvailable: 0 kB\nMemTotal: 1000 kB\n", u"1,000 KB"_s, u"100 %"_s);
    row("no MemAvailable", "MemTotal: 1000 kB\nMemFree: 10 kB\n", u"1,000 KB"_s, u"—"_s);
    row("available above total", "MemTotal: 10 kB\nMemAvailable: 11 kB", u"10 KB"_s, u"—"_s);
    row("zero total", "MemTotal: 0 kB\nMemAvailable: 0 kB\n", u"—"_s, u"—"_s);
    row("garbage", QByteArray("\xff\xfe\0:::\n\n:kB", 12), u"—"_s, u"—"_s);
    row("other unit", "MemTotal: 1000 MB\n", u"—"_s, u"—"_s);
    row("beyond 64 bits", "MemTotal: 99999999999999999999 kB\n", u"—"_s, u"—"_s);
    row("percent would overflow", "MemTotal: 9000000000000000000 kB\nMemAvailable: 0 kB\n", u"—"_s,
        u"—"_s);
    row("name as a prefix", "MemTotalX: 1000 kB\n", u"—"_s, u"—"_s);
  }
  void memoryLines() {
    QFETCH(QByteArray, memInfo);
    QFETCH(QString, total);
    QFETCH(QString, load);
    QCOMPARE(MemoryLines(TMemoryStatus::fromMemInfo(memInfo), QLocale::c()),
             QStringList({u"Физической памяти: "_s + total, u"Используется памяти: "_s + load}));
  }

  void groupSeparator() {
    QCOMPARE(MemoryLines({2097152, 0}, QLocale(QLocale::Russian)),
             QStringList(
                 {u"Физической памяти: 2\u00a0097\u00a0152 KB"_s, u"Используется памяти: 0 %"_s}));
  }

  void programLines() {
    QCOMPARE(AboutLines(TVersionRecord::program(), {8000000, 75}, QLocale::c()),
             QStringList({u"Название продукта: Vornix"_s, u"Версия продукта: 2.0.0.0"_s,
                          u"Имя файла: tst_FormAbout"_s, u"Описание файла: Vornix"_s,
                          u"Версия файла: 2.0.1.1"_s, u"Внутреннее имя: Vornix"_s, QString(),
                          u"Физической памяти: 8,000,000 KB"_s, u"Используется памяти: 75 %"_s}));
  }

  // Set in the reverse of the shown order; only fields that say something are listed, as stored.
  void blankFieldsLeftOut() {
    TVersionRecord record;
    record.setValue(u"Comments"_s, u"\x01\t \x1f"_s);
    record.setValue(u"LegalTrademarks"_s, QString());
    record.setValue(u"FileVersion"_s, u"\t1.2 "_s);
    record.setValue(u"CompanyName"_s, u"\u00a0"_s); // not a control character
    QCOMPARE(AboutLines(record, {}, QLocale::c()).first(3),
             QStringList({u"Компания: \u00a0"_s, u"Версия файла: \t1.2 "_s, QString()}));
  }

  void keyLookupIgnoresCase() {
    TVersionRecord record;
    record.setValue(u"OriginalFilename"_s, u"first"_s);
    record.setValue(u"originalFILENAME"_s, u"vx"_s); // the same field
    QCOMPARE(record.value(u"OriginalFileName"_s), u"vx"_s);
    QCOMPARE(record.value(u"OriginalFile"_s), std::nullopt);
  }

  void windowShowsThisMachine() {
    QPointer<TFormAbout> form = TFormAbout::ShowModal(nullptr);
    QCOMPARE(form->windowModality(), Qt::ApplicationModal);
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTRY_VERIFY(form->Button1->hasFocus());

    QFile file(u"/proc/meminfo"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString memInfo = QString::fromLatin1(file.readAll());
    const auto figure = [&](const QString &name) {
      const QRegularExpression line(u"^"_s + name + u":\\s+(\\d+) kB$"_s,
                                    QRegularExpression::MultilineOption);
      return line.match(memInfo).captured(1).toLongLong();
    };
    const qint64 total = figure(u"MemTotal"_s), used = total - figure(u"MemAvailable"_s);

    QStringList lines;
    for (int i = 0; i < form->ListBox1->count(); ++i)
      lines << form->ListBox1->item(i)->text();
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines.first(7), AboutLines(TVersionRecord::program(), {}).first(7));
    QVERIFY2(lines.at(7).startsWith(u"Физической памяти: "_s), qPrintable(lines.at(7)));
    QCOMPARE(QString(lines.at(7)).remove(QRegularExpression(u"\\D"_s)).toLongLong(), total);
    const auto load = QRegularExpression(u"^Используется памяти: (\\d+) %$"_s).match(lines.at(8));
    QVERIFY2(load.hasMatch(), qPrintable(lines.at(8)));
    // Memory is taken and given back between the window's reading and ours.
    QVERIFY(qAbs(load.captured(1).toInt() - used * 100 / total) <= 3);
    QTest::keyClick(form->ListBox1, Qt::Key_Escape);
    QTRY_VERIFY(form.isNull());
  }

  void closeButton() {
    QWidget owner;
    owner.show();
    QPointer<TFormAbout> form = TFormAbout::ShowModal(&owner);
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    QTRY_VERIFY(form.isNull());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
  }

  // A line wider than the list scrolls into view, up to 6 pixels past its end.
  void wideLineScrolls() {
    QPointer<TFormAbout> form = TFormAbout::ShowModal(nullptr);
    const QString wide = u"Комментарий: "_s + QString(60, u'ж');
    form->ShowLines({u"short"_s, wide, QString()});
    QListWidget *list = form->ListBox1;
    const int extent = QFontMetrics(list->font()).horizontalAdvance(wide) + 6;
    QVERIFY(extent > list->viewport()->width());
    QTRY_COMPARE(list->horizontalScrollBar()->maximum() + list->viewport()->width(), extent);
    form->close();
    QTRY_VERIFY(form.isNull());
  }
};

QTEST_MAIN(TestFormAbout)
#include "tst_FormAbout.moc"
