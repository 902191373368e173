#include "components/URLLbl.h"
#include "support/GoldenFile.h"
#include "zentara/Advertising.h"

#include <QScrollBar>
#include <QtTest>

using namespace Qt::StringLiterals;

// The panel's labels as they are shown: colour, font and alignment, and how
// the column scrolls.
class TestAdvertising : public QObject {
  Q_OBJECT

  std::unique_ptr<TScrollBoxAdvertising> FBox;

  QString look(const TURLLabel *label) const {
    const QFont font = label->font();
    return u"%1 %2 %3pt%4%5 %6"_s.arg(
        label->text(), label->palette().color(QPalette::WindowText).name(),
        QString::number(font.pointSize()), font.italic() ? u" italic"_s : QString(),
        font.bold() ? u" bold"_s : QString(),
        label->alignment() & Qt::AlignRight  ? u"right"_s
        : label->alignment() & Qt::AlignLeft ? u"left"_s
                                             : u"center"_s);
  }

private Q_SLOTS:
  void init() {
    FBox = std::make_unique<TScrollBoxAdvertising>();
    QFont font = FBox->font();
    font.setPointSize(8);
    FBox->setFont(font);
    FBox->resize(160, 120);
    FBox->show();
    FBox->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FBox.get()));
  }
  void cleanup() { FBox.reset(); }

  // Each label of a page in tests/data/zentara/looks, a line each: "<caption> <colour>
  // <size> [italic] [bold] <alignment>", "text" for the palette's text colour.
  void labelLooks_data() { addGoldenRows(u"zentara/looks"_s); }
  void labelLooks() {
    QFETCH(QString, input);
    FBox->RenderZentaraPage(QString::fromUtf8(contentOf(input)), 8);
    QStringList looks;
    for (const TURLLabel *label : FBox->labels())
      looks << look(label).replace(QPalette().color(QPalette::WindowText).name(), u"text"_s);
    compareWithGolden(input, looks.join(u'\n'));
  }

  void aNewPageReplacesTheOld() {
    FBox->RenderZentaraPage(u"<a>1</a><a>2</a><a>3</a>"_s, 8);
    FBox->RenderZentaraPage(u"<a>4</a>"_s, 8);
    QCOMPARE(FBox->labels().size(), 2);
    QCOMPARE(FBox->labels().first()->text(), u"4"_s);
    FBox->ClearZentaraPanel();
    QVERIFY(FBox->labels().isEmpty());
  }

  // A notch scrolls by four pixels; a touchpad's small steps add up to the
  // same; a click on a label gives the panel the keyboard focus.
  void wheelAndFocus() {
    QString page;
    for (int n = 0; n < 60; ++n)
      page += u"<a href='https://a.example/%1'>Проект номер %1</a>"_s.arg(n);
    FBox->RenderZentaraPage(page, 8);
    QScrollBar *bar = FBox->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 100);
    const auto turn = [this](int angle) {
      QWheelEvent wheel(QPointF(20, 20), FBox->mapToGlobal(QPointF(20, 20)), {}, {0, angle},
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(FBox->viewport(), &wheel);
    };
    turn(-120);
    QCOMPARE(bar->value(), 4);
    for (int n = 0; n < 4; ++n)
      turn(-30);
    QCOMPARE(bar->value(), 8);
    turn(360);
    QCOMPARE(bar->value(), 0);

    FBox->clearFocus();
    TURLLabel *plain = FBox->labels().last();
    QTest::mouseClick(plain, Qt::LeftButton);
    QTRY_VERIFY(FBox->hasFocus());
  }
};

QTEST_MAIN(TestAdvertising)
#include "tst_Advertising.moc"
