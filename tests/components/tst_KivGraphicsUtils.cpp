#include "components/KivGraphicsUtils.h"

#include <QPainter>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

using Check = std::function<void()>;
Q_DECLARE_METATYPE(Check)

namespace {

constexpr QRgb Sentinel = 0xFF123456;
constexpr int Margin = 2; // around the filled rectangle, to catch painting outside it

template <typename Gradient>
QImage paint(const Gradient &gradient, QSize size, bool swap = false, qreal ratio = 1) {
  QImage image((size + QSize(2 * Margin, 2 * Margin)) * ratio, QImage::Format_RGB32);
  image.fill(Sentinel);
  image.setDevicePixelRatio(ratio);
  QPainter painter(&image);
  const QRect rect(QPoint(Margin, Margin), size);
  if constexpr (std::is_same_v<Gradient, TGradientCustom>)
    FillGradient(painter, rect, gradient, swap);
  else
    FillGradient3(painter, rect, gradient);
  return image;
}

// A pixel of a rendered fill, in the rectangle's own logical coordinates.
QColor at(const QImage &image, QPoint p) {
  return image.pixel(p + QPoint(Margin, Margin));
}

// White to silver, as by default.
TGradientCustom two(TFillDirection mode, int radius = 2, bool use = true) {
  TGradientCustom g;
  g.setGradientMode(mode);
  g.setRadius(quint16(radius));
  g.setGradientUse(use);
  return g;
}

// Start 0A141E, middle C86432, end 00FF80; MiddleTop 0.25, MiddleWidth 0.1.
TThreeColorsGradientCustom three(TFillDirection mode, bool use = true) {
  TThreeColorsGradientCustom g;
  g.setGradientMode(mode);
  g.setGradientUse(use);
  g.setColorStart(QColor(0x0A, 0x14, 0x1E));
  g.setColorMiddle(QColor(0xC8, 0x64, 0x32));
  g.setColorEnd(QColor(0x00, 0xFF, 0x80));
  return g;
}

// Line `line` of a fill 40 pixels across and 100 along must cover exactly
// [inset, 40 - inset) in the colour. The start is the owner's button colour,
// white. Solid fills are also swapped: neither the mode nor the swap may
// change them.
Check line(TFillDirection mode, int radius, int line, int inset, QRgb rgb, bool use = true) {
  return [=] {
    QWidget owner; // resolves the desktop colour: white, unlike the application's
    owner.setPalette(QPalette(Qt::white));
    TGradientCustom g = two(mode, radius, use);
    g.setOwner(&owner);
    g.setColorStart(KivSystemColor::BtnFace);
    const bool rows = !use || mode == fdTopToBottom || mode == fdBottomToTop;
    const QImage r = paint(g, rows ? QSize(40, 100) : QSize(100, 40), !use);
    for (int k = -Margin; k < 40 + Margin; ++k) {
      const bool inside = k >= inset && k < 40 - inset;
      QCOMPARE(at(r, rows ? QPoint(k, line) : QPoint(line, k)), QColor(inside ? rgb : Sentinel));
    }
  };
}

template <typename Gradient>
Check colours(const Gradient &g, QSize size, QList<QPoint> points, QString names,
              bool swap = false) {
  return [=] {
    const QImage image = paint(g, size, swap);
    QStringList actual;
    for (const QPoint &p : points)
      actual << at(image, p).name();
    QCOMPARE(actual.join(u' '), names);
  };
}

// At a device pixel ratio of 2 each logical pixel must become a 2 x 2 block of
// the same colour (no seams between lines or rings), with nothing outside the
// rectangle. Fills too thin for a gradient paint nothing at all.
Check doubled(TFillDirection mode, QSize size, bool painted) {
  return [=] {
    const QImage single = paint(two(mode, 5), size), twice = paint(two(mode, 5), size, false, 2);
    const QRect inside(QPoint(2 * Margin, 2 * Margin), size * 2);
    bool any = false;
    for (int y = 0; y < twice.height(); ++y)
      for (int x = 0; x < twice.width(); ++x) {
        QCOMPARE(twice.pixel(x, y), single.pixel(x / 2, y / 2));
        QVERIFY(inside.contains(x, y) || twice.pixel(x, y) == Sentinel);
        any = any || twice.pixel(x, y) != Sentinel;
      }
    QCOMPARE(any, painted);
  };
}

// A share out of range is reported and replaced by the fallback, which must
// not merely keep the old value 0.6.
Check share(bool middleTop, double value, double stored, const QString &message) {
  return [=] {
    QStringList messages;
    SetKivMessageHandler([&](const QString &m) { messages << m; });
    TThreeColorsGradientCustom g;
    g.setMiddleTop(0.6);
    g.setMiddleWidth(0.6);
    middleTop ? g.setMiddleTop(value) : g.setMiddleWidth(value);
    SetKivMessageHandler(nullptr);
    QCOMPARE(middleTop ? g.MiddleTop() : g.MiddleWidth(), stored);
    QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
  };
}

struct PaintCounter : QWidget {
  int paints = 0;
  void paintEvent(QPaintEvent *) override { ++paints; }
};

// Whether a change to the settings repaints their owner.
Check repaint(std::function<void(QWidget *owner)> change, bool repaints) {
  return [=] {
    PaintCounter owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QTRY_VERIFY(owner.paints > 0);
    QCoreApplication::processEvents();
    const int before = owner.paints;
    change(&owner);
    QTest::qWait(50);
    QCOMPARE(owner.paints > before, repaints);
  };
}

} // namespace

class TestKivGraphicsUtils : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void cases_data() {
    QTest::addColumn<Check>("check");
    const auto shade = [](QColor color, int amount, bool lighten, QColor expected) {
      return Check([=] { QCOMPARE(ShadeColor(color, amount, lighten), expected); });
    };
    const QColor c(0x00, 0x80, 0xFF);
    QTest::newRow("lighten 100") << shade(c, 100, true, QColor(0x64, 0xB2, 0xFF));
    QTest::newRow("darken rounds")
        << shade(QColor(1, 0xFE, 0x80), 128, false, QColor(0, 0x7F, 0x40));
    QTest::newRow("darken 255") << shade(c, 255, false, Qt::black);
    QTest::newRow("lighten wraps") << shade(c, 300, true, QColor(0x2C, 0x15, 0xFF));

    QTest::newRow("row 50") << line(fdTopToBottom, 2, 50, 0, 0xFFE0E0E0);
    QTest::newRow("r4 row 0") << line(fdTopToBottom, 4, 0, 2, 0xFFFFFFFF);
    QTest::newRow("r10 row 1, upwards") << line(fdBottomToTop, 10, 1, 4, 0xFFC0C0C0);
    QTest::newRow("r10 last row") << line(fdTopToBottom, 10, 99, 8, 0xFFC0C0C0);
    QTest::newRow("r10 column 2, leftwards") << line(fdRightToLeft, 10, 2, 4, 0xFFC1C1C1);
    QTest::newRow("solid row 0") << line(fdRightToLeft, 4, 0, 2, 0xFFFFFFFF, false);
    QTest::newRow("solid row 50") << line(fdRightToLeft, 4, 50, 0, 0xFFFFFFFF, false);

    // The start and the end of a 10 x 8 fill, swapped or not.
    const auto ends = [](const char *name, TFillDirection mode, QPoint start, QPoint end) {
      QTest::addRow("%s", name) << colours(two(mode), {10, 8}, {start, end}, u"#ffffff #c0c0c0"_s);
      QTest::addRow("%s, swapped", name)
          << colours(two(mode), {10, 8}, {start, end}, u"#c0c0c0 #ffffff"_s, true);
    };
    ends("down", fdTopToBottom, {5, 0}, {5, 7});
    ends("up", fdBottomToTop, {5, 7}, {5, 0});
    ends("right", fdLeftToRight, {0, 4}, {9, 4});
    ends("left", fdRightToLeft, {9, 4}, {0, 4});
    ends("ellipse", fdEllipse, {4, 4}, {0, 4});
    ends("oval", fdOval, {4, 4}, {0, 4});

    // 100 rows: start to middle over 0..25, the middle band 26..31, middle to
    // end over 32..99. Rings are those of a 100 x 60 fill: a = 7 and b = 2
    // rings, both halved from the height; rings 0..29.
    QTest::newRow("rows 24, 25, 32, 33, 99")
        << colours(three(fdTopToBottom), {10, 100}, {{5, 24}, {5, 25}, {5, 32}, {5, 33}, {5, 99}},
                   u"#c06031 #c86432 #c86432 #c66633 #00ff80"_s);
    QTest::newRow("upwards row 33")
        << colours(three(fdBottomToTop), {10, 100}, {{5, 33}}, u"#c66332"_s);
    QTest::newRow("column 33") << colours(three(fdLeftToRight), {100, 10}, {{33, 5}}, u"#c66633"_s);
    QTest::newRow("rings 9 and 10")
        << colours(three(fdEllipse), {100, 60}, {{9, 30}, {10, 30}}, u"#c86432 #bf6031"_s);
    QTest::newRow("solid") << colours(three(fdEllipse, false), {100, 60}, {{0, 30}}, u"#0a141e"_s);

    QTest::newRow("columns at 2x") << doubled(fdRightToLeft, {37, 23}, true);
    QTest::newRow("oval at 2x") << doubled(fdOval, {37, 23}, true);
    QTest::newRow("one row") << doubled(fdTopToBottom, {10, 1}, false);
    QTest::newRow("one column, leftwards") << doubled(fdRightToLeft, {1, 10}, false);
    QTest::newRow("flat ellipse") << doubled(fdEllipse, {10, 2}, false);
    QTest::newRow("empty") << doubled(fdOval, {0, 10}, false);

    const QString top = u"Значение MiddleTop может быть от 0 до 1"_s;
    QTest::newRow("top 1.5") << share(true, 1.5, 0.25, top);
    QTest::newRow("top NaN") << share(true, qQNaN(), 0.25, top);
    QTest::newRow("top 1") << share(true, 1.0, 1.0, QString());
    QTest::newRow("width negative")
        << share(false, -1.0, 0.0, u"Значение MiddleWidth может быть от 0 до 1"_s);

    QTest::newRow("radius") << repaint([](QWidget *o) { TKivGradientCustom(o).setRadius(5); },
                                       true);
    QTest::newRow("same radius") << repaint([](QWidget *o) { TKivGradientCustom(o).setRadius(2); },
                                            false);
    QTest::newRow("three: width") << repaint(
        [](QWidget *o) { TKivThreeColorsGradientCustom(o).setMiddleWidth(1); }, true);
  }
  void cases() {
    QFETCH(Check, check);
    check();
  }
};

QTEST_MAIN(TestKivGraphicsUtils)
#include "tst_KivGraphicsUtils.moc"
