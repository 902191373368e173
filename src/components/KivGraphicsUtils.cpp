#include "components/KivGraphicsUtils.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

TKivMessageHandler &messageHandler() {
  static TKivMessageHandler handler;
  return handler;
}

void showWarningBox(const QString &message, QWidget *owner) {
  // Without a widget application (a console tool, a GUI-less test) there is
  // nothing to show a box on; the log is the only place left.
  if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
    qWarning().noquote() << message;
    return;
  }
  QWidget *parent = owner ? owner->window() : QApplication::activeWindow();
  QMessageBox::warning(parent, QApplication::applicationDisplayName(), message);
}

bool isShare(double value) {
  return value >= 0.0 && value <= 1.0; // false for NaN too
}

template <typename T> bool store(T &field, const T &value) {
  if (field == value)
    return false;
  field = value;
  return true;
}

QPalette paletteOf(const QWidget *owner) {
  return owner ? owner->palette() : QApplication::palette();
}

QColor rgbOf(const TKivColor &color, const QPalette &palette) {
  return color.resolve(palette).toRgb();
}

// Leaves the caller's painter exactly as it came, and turns antialiasing off
// because a blended edge pixel would not be any step's colour.
class AliasedPainting {
public:
  explicit AliasedPainting(QPainter &painter) : FPainter(painter) {
    FPainter.save();
    FPainter.setRenderHint(QPainter::Antialiasing, false);
  }
  ~AliasedPainting() { FPainter.restore(); }
  AliasedPainting(const AliasedPainting &) = delete;
  AliasedPainting &operator=(const AliasedPainting &) = delete;

private:
  QPainter &FPainter;
};

// ---- Linear fills -------------------------------------------------------

enum class Axis { Rows, Columns };

int extentAlong(const QRect &rect, Axis axis) {
  return axis == Axis::Rows ? rect.height() : rect.width();
}

// Line i of the fill, shortened by `inset` at both ends.
void paintLine(QPainter &canvas, const QRect &rect, Axis axis, int i, int inset,
               const QColor &color) {
  if (axis == Axis::Rows) {
    const int length = rect.width() - 2 * inset;
    if (length > 0)
      canvas.fillRect(QRect(rect.left() + inset, rect.top() + i, length, 1), color);
    return;
  }
  const int length = rect.height() - 2 * inset;
  if (length > 0)
    canvas.fillRect(QRect(rect.left() + i, rect.top() + inset, 1, length), color);
}

void paintTwoColourLines(QPainter &canvas, const QRect &rect, Axis axis, int radius,
                         const QColor &first, const QColor &last) {
  const int extent = extentAlong(rect, axis);
  const int steps = extent - 1;
  if (steps <= 0)
    return;
  for (int i = 0; i < extent; ++i)
    paintLine(canvas, rect, axis, i, RoundedInset(radius, i, extent),
              InterpolateColor(first, last, i, steps));
}

// ---- Rings ----------------------------------------------------------------

// Qt's aliased ellipses and rounded rectangles are neither symmetric nor held
// to their bounding box (the outline pen spills a pixel to one side or the
// other depending on the size), so rings are rasterised here, row by row, on
// whole logical pixels: a ring then covers exactly its box at every device
// pixel ratio and the next ring inside leaves no seam.
struct RingShape {
  bool oval = false;
  int radius = 0; // corner radius of an oval
};

int ringCount(const QRect &rect) {
  return (std::min(rect.height(), rect.width()) - 1) / 2;
}

// How far row `row` of a width x height shape whose corners are quarter
// ellipses with radii rx, ry starts from the left edge. The curve is taken at
// the row's edge nearest the middle, so the middle rows reach both sides, and a
// pixel belongs to the row when its centre lies inside the curve; every row
// keeps at least its central pixel or two, so the shape reaches top and bottom.
int cornerInset(int row, int width, int height, double rx, double ry) {
  const int fromEnd = std::min(row, height - 1 - row);
  const double dy = ry - (fromEnd + 1);
  if (dy <= 0.0)
    return 0;
  const double half = rx * std::sqrt(1.0 - (dy / ry) * (dy / ry));
  const int inset = static_cast<int>(std::ceil(rx - half - 0.5 - 1e-9));
  return std::clamp(inset, 0, (width - 1) / 2);
}

void paintRing(QPainter &canvas, const QRect &rect, int i, RingShape shape, const QColor &color) {
  const QRect box = rect.adjusted(i, i, -i, -i);
  const int w = box.width();
  const int h = box.height();
  const double rx = shape.oval ? std::min<double>(shape.radius, w / 2.0) : w / 2.0;
  const double ry = shape.oval ? std::min<double>(shape.radius, h / 2.0) : h / 2.0;
  // Rows with the same inset are one rectangle: the straight middle of an oval
  // is then a single fill.
  int runStart = 0;
  int runInset = cornerInset(0, w, h, rx, ry);
  for (int row = 1; row <= h; ++row) {
    const int inset = row < h ? cornerInset(row, w, h, rx, ry) : -1;
    if (inset == runInset)
      continue;
    canvas.fillRect(
        QRect(box.left() + runInset, box.top() + runStart, w - 2 * runInset, row - runStart),
        color);
    runStart = row;
    runInset = inset;
  }
}

RingShape ringShapeOf(TFillDirection mode, int radius) {
  return {mode == fdOval, radius};
}

// ---- Three colours --------------------------------------------------------

bool isRing(TFillDirection mode) {
  return mode == fdEllipse || mode == fdOval;
}

bool isReversed(TFillDirection mode) {
  return mode == fdBottomToTop || mode == fdRightToLeft || isRing(mode);
}

Axis axisOf(TFillDirection mode) {
  return mode == fdLeftToRight || mode == fdRightToLeft ? Axis::Columns : Axis::Rows;
}

// The colour of each line of a three-colour fill, asked for in order from the
// first line: the solid band and the degenerate last gradient repeat the
// previous line's colour.
class ThreeColourRamp {
public:
  ThreeColourRamp(const QColor &first, const QColor &middle, const QColor &last, int a, int b,
                  int lastLine)
      : FFirst(first), FMiddle(middle), FLast(last), FA(a), FB(b), FTail(lastLine - a - b),
        FCurrent(first) {}

  QColor next(int i) {
    if (i <= FA)
      FCurrent = InterpolateColor(FFirst, FMiddle, i, FA);
    else if (i >= FA + FB && FTail > 0)
      FCurrent = InterpolateColor(FMiddle, FLast, i - FA - FB, FTail);
    return FCurrent;
  }

private:
  QColor FFirst, FMiddle, FLast;
  int FA, FB, FTail;
  QColor FCurrent;
};

// The first gradient's length a and the band's length b, both in lines (or
// rings, which only reach half way and so take half of each).
std::pair<int, int> bandLengths(int extent, double middleTop, double middleWidth, bool rings) {
  const double divisor = rings ? 2.0 : 1.0;
  const double first = extent * middleTop;
  const int a = static_cast<int>(std::trunc(first / divisor));
  const int b = static_cast<int>(std::trunc((extent - first) * middleWidth / divisor));
  return {a, b};
}

} // namespace

// ---- Messages -------------------------------------------------------------

void SetKivMessageHandler(TKivMessageHandler handler) {
  messageHandler() = std::move(handler);
}

void ShowKivMessage(const QString &message, QWidget *owner) {
  if (const TKivMessageHandler &handler = messageHandler())
    handler(message);
  else
    showWarningBox(message, owner);
}

// ---- Settings ------------------------------------------------------------

void TKivGradientSettings::setRadius(quint16 radius) {
  if (store(FRadius, radius))
    changed();
}

void TKivGradientSettings::setGradientUse(bool use) {
  if (store(FGradientUse, use))
    changed();
}

void TKivGradientSettings::setGradientMode(TFillDirection mode) {
  if (store(FGradientMode, mode))
    changed();
}

void TKivGradientSettings::setColorStart(const TKivColor &color) {
  if (store(FColorStart, color))
    changed();
}

void TKivGradientSettings::setColorEnd(const TKivColor &color) {
  if (store(FColorEnd, color))
    changed();
}

QPalette TKivGradientSettings::palette() const {
  return paletteOf(FOwner);
}

void TKivGradientSettings::changed() {
  if (FOwner)
    FOwner->update();
}

void TThreeColorsGradientCustom::setColorMiddle(const TKivColor &color) {
  if (store(FColorMiddle, color))
    changed();
}

void TThreeColorsGradientCustom::setMiddleTop(double share) {
  if (!isShare(share)) {
    ShowKivMessage(u"Значение MiddleTop может быть от 0 до 1"_s, owner());
    share = 0.25;
  }
  if (store(FMiddleTop, share))
    changed();
}

void TThreeColorsGradientCustom::setMiddleWidth(double share) {
  if (!isShare(share)) {
    ShowKivMessage(u"Значение MiddleWidth может быть от 0 до 1"_s, owner());
    share = 0.0;
  }
  if (store(FMiddleWidth, share))
    changed();
}

// ---- Arithmetic -----------------------------------------------------------

int InterpolateChannel(int a, int b, int i, int n) {
  if (n == 0)
    return a;
  return a + (b - a) * i / n; // integer division truncates towards zero
}

QColor InterpolateColor(const QColor &from, const QColor &to, int i, int n) {
  if (n == 0)
    return from;
  const auto channel = [&](int a, int b) {
    return std::clamp(InterpolateChannel(a, b, i, n), 0, 255);
  };
  return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                channel(from.blue(), to.blue()));
}

int RoundedInset(int radius, int i, int extent) {
  if (radius <= 0)
    return 0;
  // The quirks below (one and two pixels less on the two outermost lines, and
  // the far end overriding the near one on short fills) are what the rounded
  // ends have always looked like; they are kept on purpose.
  const auto insetAt = [radius](int line) {
    const double offset = radius - line;
    const double rise = std::sqrt(std::abs(double(radius) * radius - offset * offset));
    int d = static_cast<int>(std::trunc(radius - rise));
    if (line == 1)
      d -= 1;
    else if (line == 0)
      d -= 2;
    return d;
  };
  int d = 0;
  if (i < radius)
    d = insetAt(i);
  const int j = extent - 1 - i;
  if (j < radius)
    d = insetAt(j);
  return std::clamp(d, 0, radius);
}

QColor ShadeColor(const QColor &color, int amount, bool lighten) {
  const auto shade = [amount, lighten](int x) {
    const long change =
        lighten ? std::lround((1.0 - x / 255.0) * amount) : -std::lround(amount * x / 255.0);
    return static_cast<int>((x + change) & 0xFF);
  };
  const QColor rgb = color.toRgb();
  return QColor(shade(rgb.red()), shade(rgb.green()), shade(rgb.blue()));
}

// ---- Fills ----------------------------------------------------------------

void FillGradient(QPainter &canvas, const QRect &rect, const TGradientCustom &gradient, bool swap) {
  if (rect.isEmpty())
    return;
  const QPalette palette = gradient.palette();
  QColor start = rgbOf(gradient.ColorStart(), palette);
  QColor end = rgbOf(gradient.ColorEnd(), palette);
  const int radius = gradient.Radius();
  const AliasedPainting scope(canvas);

  if (!gradient.GradientUse()) {
    paintTwoColourLines(canvas, rect, Axis::Rows, radius, start, start);
    return;
  }
  if (swap)
    std::swap(start, end);

  switch (const TFillDirection mode = gradient.GradientMode()) {
  case fdTopToBottom:
  case fdLeftToRight:
    paintTwoColourLines(canvas, rect, axisOf(mode), radius, start, end);
    return;
  case fdBottomToTop:
  case fdRightToLeft:
    paintTwoColourLines(canvas, rect, axisOf(mode), radius, end, start);
    return;
  case fdEllipse:
  case fdOval: {
    const int rings = ringCount(rect);
    for (int i = 0; rings > 0 && i <= rings; ++i)
      paintRing(canvas, rect, i, ringShapeOf(mode, radius), InterpolateColor(end, start, i, rings));
    return;
  }
  }
}

void FillGradient3(QPainter &canvas, const QRect &rect,
                   const TThreeColorsGradientCustom &gradient) {
  if (rect.isEmpty())
    return;
  const QPalette palette = gradient.palette();
  const QColor start = rgbOf(gradient.ColorStart(), palette);
  const bool use = gradient.GradientUse();
  const QColor middle = use ? rgbOf(gradient.ColorMiddle(), palette) : start;
  const QColor end = use ? rgbOf(gradient.ColorEnd(), palette) : start;
  const TFillDirection mode = use ? gradient.GradientMode() : fdTopToBottom;
  const AliasedPainting scope(canvas);

  const bool rings = isRing(mode);
  const Axis axis = axisOf(mode);
  const auto [a, b] =
      bandLengths(extentAlong(rect, axis), gradient.MiddleTop(), gradient.MiddleWidth(), rings);
  const int lastLine = rings ? ringCount(rect) : extentAlong(rect, axis) - 1;
  ThreeColourRamp ramp(isReversed(mode) ? end : start, middle, isReversed(mode) ? start : end, a, b,
                       lastLine);

  for (int i = 0; i <= lastLine; ++i) {
    const QColor color = ramp.next(i);
    if (rings)
      paintRing(canvas, rect, i, ringShapeOf(mode, gradient.Radius()), color);
    else
      paintLine(canvas, rect, axis, i, RoundedInset(gradient.Radius(), i, lastLine + 1), color);
  }
}
