#include "components/KivGraphicsUtils.h"

#include <QPainter>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

using Change = std::function<void(QWidget *owner)>;
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(TThreeColorsGradientCustom)

namespace {

constexpr QRgb Sentinel = 0xFF123456;
constexpr int Margin = 2; // around the filled rectangle, to catch painting outside it
using Two = TKivGradientCustom;
using Three = TKivThreeColorsGradientCustom;

// A pixel of a rendered fill, in the rectangle's own logical coordinates.
QColor at(const QImage &image, QPoint p) {
  return image.pixel(p + QPoint(Margin, Margin));
}

// The fill, rendered into a sentinel-filled image.
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

struct PaintCounter : QWidget {
  int paints = 0;
  void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

class TestKivGraphicsUtils : public QObject {
  Q_OBJECT

  QStringList FMessages;

private Q_SLOTS:
  void init() {
    FMessages.clear();
    SetKivMessageHandler([this](const QString &message) { FMessages << message; });
  }

  void shadeColor_data() {
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("amount");
    QTest::addColumn<bool>("lighten");
    QTest::addColumn<QColor>("expected");
    const QColor c(0x00, 0x80, 0xFF);
    QTest::newRow("lighten 100") << c << 100 << true << QColor(0x64, 0xB2, 0xFF);
    QTest::newRow("darken rounds")
        << QColor(0x01, 0xFE, 0x80) << 128 << false << QColor(0x00, 0x7F, 0x40);
    QTest::newRow("darken 255") << c << 255 << false << QColor(Qt::black);
    QTest::newRow("lighten wraps") << c << 300 << true << QColor(0x2C, 0x15, 0xFF);
  }
  void shadeColor() {
    QFETCH(QColor, color);
    QFETCH(int, amount);
    QFETCH(bool, lighten);
    QTEST(ShadeColor(color, amount, lighten), "expected");
  }

  // Line `line` of a fill 40 pixels across and 100 along must cover exactly
  // [inset, 40 - inset). The start is the owner's button colour, white. Solid
  // fills are also swapped: neither the mode nor the swap may change them.
  void linearLine_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("use");
    QTest::addColumn<int>("radius");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("inset");
    QTest::addColumn<QColor>("color");
    const int down = fdTopToBottom, up = fdBottomToTop, left = fdRightToLeft;
    QTest::newRow("row 50") << down << true << 2 << 50 << 0 << QColor(0xE0E0E0);
    QTest::newRow("r4 row 0") << down << true << 4 << 0 << 2 << QColor(Qt::white);
    QTest::newRow("r10 row 1, upwards") << up << true << 10 << 1 << 4 << QColor(0xC0C0C0);
    QTest::newRow("r10 last row") << down << true << 10 << 99 << 8 << QColor(0xC0C0C0);
    QTest::newRow("r10 column 2, leftwards") << left << true << 10 << 2 << 4 << QColor(0xC1C1C1);
    QTest::newRow("solid row 0") << left << false << 4 << 0 << 2 << QColor(Qt::white);
    QTest::newRow("solid row 50") << left << false << 4 << 50 << 0 << QColor(Qt::white);
  }
  void linearLine() {
    QFETCH(int, mode);
    QFETCH(bool, use);
    QFETCH(int, line);
    QFETCH(int, inset);
    QFETCH(QColor, color);
    QFETCH(int, radius);
    QWidget owner; // resolves the desktop colour: white, unlike the application's
    owner.setPalette(QPalette(Qt::white));
    TGradientCustom g = two(TFillDirection(mode), radius, use);
    g.setOwner(&owner);
    g.setColorStart(KivSystemColor::BtnFace);
    const bool rows = !use || mode == fdTopToBottom || mode == fdBottomToTop;
    const QImage r = paint(g, rows ? QSize(40, 100) : QSize(100, 40), !use);
    for (int k = -Margin; k < 40 + Margin; ++k) {
      const QPoint p = rows ? QPoint(k, line) : QPoint(line, k);
      const bool inside = k >= inset && k < 40 - inset;
      QCOMPARE(at(r, p), inside ? color : QColor(Sentinel));
    }
  }

  void directions_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("swap");
    QTest::addColumn<QPoint>("whiteAt");
    QTest::addColumn<QPoint>("silverAt");
    const auto add = [](const char *name, TFillDirection mode, QPoint start, QPoint end) {
      QTest::addRow("%s", name) << int(mode) << false << start << end;
      QTest::addRow("%s, swapped", name) << int(mode) << true << end << start;
    };
    add("down", fdTopToBottom, {5, 0}, {5, 7});
    add("up", fdBottomToTop, {5, 7}, {5, 0});
    add("right", fdLeftToRight, {0, 4}, {9, 4});
    add("left", fdRightToLeft, {9, 4}, {0, 4});
    add("ellipse", fdEllipse, {4, 4}, {0, 4});
    add("oval", fdOval, {4, 4}, {0, 4});
  }
  void directions() {
    QFETCH(int, mode);
    QFETCH(bool, swap);
    QFETCH(QPoint, whiteAt);
    QFETCH(QPoint, silverAt);
    const QImage r = paint(two(TFillDirection(mode)), QSize(10, 8), swap);
    QCOMPARE(at(r, whiteAt), QColor(Qt::white));
    QCOMPARE(at(r, silverAt), QColor(0xC0, 0xC0, 0xC0));
  }

  // 100 rows: start to middle over 0..25, the middle band 26..31, middle to end
  // over 32..99. Columns are 100 wide; rings are those of a 100 x 60 fill.
  void threeColours_data() {
    QTest::addColumn<TThreeColorsGradientCustom>("gradient");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");
    const auto down = three(fdTopToBottom), ellipse = three(fdEllipse);
    QTest::newRow("row 24") << down << 24 << u"#c06031"_s;
    QTest::newRow("row 25") << down << 25 << u"#c86432"_s;
    QTest::newRow("row 32") << down << 32 << u"#c86432"_s;
    QTest::newRow("row 33") << down << 33 << u"#c66633"_s;
    QTest::newRow("row 99") << down << 99 << u"#00ff80"_s;
    QTest::newRow("upwards row 33") << three(fdBottomToTop) << 33 << u"#c66332"_s;
    QTest::newRow("column 33") << three(fdLeftToRight) << 33 << u"#c66633"_s;
    // a = 7 and b = 2 rings, both halved from the height; rings 0..29.
    QTest::newRow("ring 9") << ellipse << 9 << u"#c86432"_s;
    QTest::newRow("ring 10") << ellipse << 10 << u"#bf6031"_s;
    QTest::newRow("solid") << three(fdEllipse, false) << 0 << u"#0a141e"_s;
  }
  void threeColours() {
    QFETCH(TThreeColorsGradientCustom, gradient);
    QFETCH(int, line);
    const TFillDirection mode = gradient.GradientMode();
    const bool rows = mode == fdTopToBottom || mode == fdBottomToTop;
    const QSize size = rows ? QSize(10, 100) : mode < fdEllipse ? QSize(100, 10) : QSize(100, 60);
    const QImage r = paint(gradient, size);
    QTEST(at(r, rows ? QPoint(5, line) : QPoint(line, size.height() / 2)).name(), "expected");
  }

  // At a device pixel ratio of 2 each logical pixel must become a 2 x 2 block of
  // the same colour (no seams between lines or rings), with nothing outside the
  // rectangle. Fills too thin for a gradient paint nothing at all.
  void rasterisation_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("painted");
    QTest::newRow("columns") << int(fdRightToLeft) << QSize(37, 23) << true;
    QTest::newRow("oval") << int(fdOval) << QSize(37, 23) << true;
    QTest::newRow("one row") << int(fdTopToBottom) << QSize(10, 1) << false;
    QTest::newRow("one column, leftwards") << int(fdRightToLeft) << QSize(1, 10) << false;
    QTest::newRow("flat ellipse") << int(fdEllipse) << QSize(10, 2) << false;
    QTest::newRow("empty") << int(fdOval) << QSize(0, 10) << false;
  }
  void rasterisation() {
    QFETCH(int, mode);
    QFETCH(QSize, size);
    const QImage single = paint(two(TFillDirection(mode), 5), size);
    const QImage twice = paint(two(TFillDirection(mode), 5), size, false, 2);
    const QRect inside(QPoint(2 * Margin, 2 * Margin), size * 2);
    bool painted = false;
    for (int y = 0; y < twice.height(); ++y)
      for (int x = 0; x < twice.width(); ++x) {
        QCOMPARE(twice.pixel(x, y), single.pixel(x / 2, y / 2));
        QVERIFY(inside.contains(x, y) || twice.pixel(x, y) == Sentinel);
        painted = painted || twice.pixel(x, y) != Sentinel;
      }
    QTEST(painted, "painted");
  }

  void ranges_data() {
    QTest::addColumn<bool>("middleTop");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("message");
    const QString top = u"Значение MiddleTop может быть от 0 до 1"_s;
    const QString width = u"Значение MiddleWidth может быть от 0 до 1"_s;
    QTest::newRow("top 1.5") << true << 1.5 << 0.25 << top;
    QTest::newRow("top NaN") << true << qQNaN() << 0.25 << top;
    QTest::newRow("top 1") << true << 1.0 << 1.0 << QString();
    QTest::newRow("width negative") << false << -1.0 << 0.0 << width;
  }
  void ranges() {
    QFETCH(bool, middleTop);
    QFETCH(double, value);
    QFETCH(QString, message);
    TThreeColorsGradientCustom g;
    g.setMiddleTop(0.6); // the fallback replaces the value, not merely keeps the old one
    g.setMiddleWidth(0.6);
    middleTop ? g.setMiddleTop(value) : g.setMiddleWidth(value);
    QTEST(middleTop ? g.MiddleTop() : g.MiddleWidth(), "stored");
    QCOMPARE(FMessages, message.isEmpty() ? QStringList() : QStringList{message});
  }

  void ownerRepaint_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("repaints");
    QTest::newRow("radius") << Change([](QWidget *o) { Two(o).setRadius(5); }) << true;
    QTest::newRow("same radius") << Change([](QWidget *o) { Two(o).setRadius(2); }) << false;
    QTest::newRow("three: width") << Change([](QWidget *o) { Three(o).setMiddleWidth(1); }) << true;
  }
  void ownerRepaint() {
    QFETCH(Change, change);
    PaintCounter owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QTRY_VERIFY(owner.paints > 0);
    QCoreApplication::processEvents();
    const int before = owner.paints;
    change(&owner);
    QTest::qWait(50);
    QTEST(owner.paints > before, "repaints");
  }
};

QTEST_MAIN(TestKivGraphicsUtils)
#include "tst_KivGraphicsUtils.moc"
