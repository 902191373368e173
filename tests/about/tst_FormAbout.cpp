#include "about/About.h"
#include "about/AboutLines.h"
#include "support/GoldenFile.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestFormAbout : public QObject {
  Q_OBJECT

private Q_SLOTS:
  // Each /proc/meminfo in tests/data/meminfo gives the two lines in <file>.expected.
  void memoryLines_data() { addGoldenRows(u"meminfo"_s); }
  void memoryLines() {
    QFETCH(QString, input);
    const TMemoryStatus memory = TMemoryStatus::fromMemInfo(contentOf(input));
    compareWithGolden(input, MemoryLines(memory, QLocale::c()).join(u'\n'));
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

    QStringList lines;
    for (int i = 0; i < form->ListBox1->count(); ++i)
      lines << form->ListBox1->item(i)->text();
    // Memory is taken and given back between the window's reading and ours: the load may move.
    const QStringList now = AboutLines(TVersionRecord::program(), TMemoryStatus::current());
    QCOMPARE(lines.first(8), now.first(8));
    QVERIFY2(lines.at(7).contains(QRegularExpression(u"\\d KB$"_s)), qPrintable(lines.at(7)));
    QVERIFY2(lines.at(8).contains(QRegularExpression(u"^Используется памяти: \\d+ %$"_s)),
             qPrintable(lines.at(8)));
    QCOMPARE(lines.size(), 9);
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
