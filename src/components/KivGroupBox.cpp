#include "components/KivGroupBox.h"

#include "components/KivGroupBoxAccessible.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace {
// The caption is plain text on one line: an '&' is shown, not taken as a mnemonic.
constexpr int CaptionFlags = Qt::TextSingleLine | Qt::TextIncludeTrailingSpaces | Qt::AlignLeft |
                             Qt::AlignTop | Qt::TextDontClip;

Qt::Alignment horizontalPart(Qt::Alignment alignment) {
  if (alignment & Qt::AlignRight)
    return Qt::AlignRight;
  if (alignment & Qt::AlignHCenter)
    return Qt::AlignHCenter;
  return Qt::AlignLeft;
}
} // namespace

int KivGroupBoxCaptionLeft(int width, int captionWidth, int radius, Qt::Alignment alignment,
                           bool rightToLeft) {
  const int gap = radius + 8;
  if (rightToLeft || (alignment & Qt::AlignRight))
    return width - captionWidth - gap;
  if (alignment & Qt::AlignHCenter)
    return (width - captionWidth) / 2;
  return gap;
}

QMargins KivGroupBoxClientMargins(int captionHeight, bool hasCaption, bool ctl3D) {
  const int inset = ctl3D ? 2 : 1;
  return {inset, inset + (hasCaption ? captionHeight : 0), inset, inset};
}

int KivGroupBoxFrameTop(int captionHeight, bool hasCaption) {
  return hasCaption ? captionHeight / 2 - 1 : 0;
}

TKivGroupBox::TKivGroupBox(QWidget *parent) : QWidget(parent) {
  TKivGroupBoxAccessible::install();
  // Every pixel is painted, the parent's colour included, so Qt need not
  // clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  updateClientArea();
}

void TKivGroupBox::setCaption(const QString &caption) {
  if (caption == FCaption)
    return;
  FCaption = caption;
  updateClientArea();
  updateGeometry();
  update();
  QAccessibleEvent event(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void TKivGroupBox::setAlignment(Qt::Alignment alignment) {
  alignment = horizontalPart(alignment);
  if (alignment == FAlignment)
    return;
  FAlignment = alignment;
  update();
}

void TKivGroupBox::setRadius(int radius) {
  radius = qMax(0, radius);
  if (radius == FRadius)
    return;
  FRadius = radius;
  updateGeometry();
  update();
}

void TKivGroupBox::setColorSimpleFrame(const TKivColor &color) {
  if (color == FColorSimpleFrame)
    return;
  FColorSimpleFrame = color;
  update();
}

void TKivGroupBox::setCtl3D(bool ctl3D) {
  if (ctl3D == FCtl3D)
    return;
  FCtl3D = ctl3D;
  updateClientArea();
  update();
}

QSize TKivGroupBox::sizeHint() const {
  return QWidget::sizeHint().expandedTo(frameMinimumSize());
}

QSize TKivGroupBox::minimumSizeHint() const {
  return QWidget::minimumSizeHint().expandedTo(frameMinimumSize());
}

// Room for both rounded corners and for the caption with its gap on either
// side, so that no alignment lets it run into a corner.
QSize TKivGroupBox::frameMinimumSize() const {
  const QMargins margins = contentsMargins();
  const bool hasCaption = !FCaption.isEmpty();
  int width = qMax(margins.left() + margins.right(), 2 * FRadius);
  if (hasCaption)
    width = qMax(width, captionExtent().width() + 2 * (FRadius + 8));
  const int height = qMax(margins.top() + margins.bottom(),
                          KivGroupBoxFrameTop(captionHeight(), hasCaption) + 2 * FRadius);
  return {width, height};
}

int TKivGroupBox::captionHeight() const {
  return fontMetrics().height();
}

QSize TKivGroupBox::captionExtent() const {
  return fontMetrics().size(CaptionFlags, FCaption);
}

QColor TKivGroupBox::parentColor() const {
  const QWidget *under = parentWidget() ? parentWidget() : this;
  return under->palette().color(under->backgroundRole());
}

// Layouts and contentsRect() follow the contents margins, so controls keep
// clear of the caption line and of the frame's one or two pixel lines.
void TKivGroupBox::updateClientArea() {
  setContentsMargins(KivGroupBoxClientMargins(captionHeight(), !FCaption.isEmpty(), FCtl3D));
}

void TKivGroupBox::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
  case QEvent::EnabledChange:
    followOwnEnabled();
    break;
  case QEvent::FontChange:
    updateClientArea();
    break;
  case QEvent::ParentChange:
  case QEvent::LayoutDirectionChange:
    update();
    break;
  default:
    break;
  }
}

// Qt also reports a change inherited from a disabled ancestor. Only the box's
// own Enabled is handed on, so that disabling and re-enabling the window
// around the box leaves a control that was disabled on its own disabled.
void TKivGroupBox::followOwnEnabled() {
  const bool own = !testAttribute(Qt::WA_ForceDisabled);
  if (own == FOwnEnabled)
    return;
  FOwnEnabled = own;
  const QObjectList controls = children();
  for (QObject *child : controls) {
    auto *control = qobject_cast<QWidget *>(child);
    if (control && !control->isWindow())
      control->setEnabled(own);
  }
}

void TKivGroupBox::paintEvent(QPaintEvent *) {
  QPainter canvas(this);
  canvas.setRenderHint(QPainter::Antialiasing, false);
  canvas.fillRect(rect(), parentColor());
  canvas.setBrush(palette().color(backgroundRole()));
  QRect frame = rect();
  frame.setTop(KivGroupBoxFrameTop(captionHeight(), !FCaption.isEmpty()));
  paintFrame(canvas, frame);
  if (!FCaption.isEmpty())
    paintCaption(canvas);
}

// Four outlines, each filled with the box's colour, leave an etched double
// line: dark then light on the top and left, light outermost on the right and
// bottom. The last outline only wipes the inner dark line off the top and left.
void TKivGroupBox::paintFrame(QPainter &canvas, const QRect &frame) const {
  if (!FCtl3D) {
    roundRect(canvas, frame, FColorSimpleFrame.resolve(palette()));
    return;
  }
  const QColor shadow = TKivColor(KivSystemColor::BtnShadow).resolve(palette());
  const QColor highlight = TKivColor(KivSystemColor::BtnHighlight).resolve(palette());
  roundRect(canvas, frame, shadow);
  roundRect(canvas, frame.adjusted(1, 1, 0, 0), highlight);
  roundRect(canvas, frame.adjusted(2, 2, -1, -1), shadow);
  roundRect(canvas, frame.adjusted(2, 2, -2, -2), palette().color(backgroundRole()));
}

// The outline covers exactly the pixels of `rect`. A pen one logical pixel
// wide stroked through the centres of the edge pixels stays crisp at any
// integer device pixel ratio: a cosmetic pen would thin the lines to hairlines
// with gaps between the dark and light ones on high-density screens.
void TKivGroupBox::roundRect(QPainter &canvas, const QRect &rect, const QColor &penColor) const {
  if (rect.width() < 1 || rect.height() < 1)
    return;
  QPen pen(penColor, 1);
  pen.setJoinStyle(Qt::MiterJoin);
  canvas.setPen(pen);
  canvas.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), FRadius, FRadius);
}

// The caption's background cuts the frame line behind it. Disabled, the
// caption is embossed: a light copy one pixel down and right under a dark one.
void TKivGroupBox::paintCaption(QPainter &canvas) const {
  const QSize extent = captionExtent();
  const int left = KivGroupBoxCaptionLeft(width(), extent.width(), FRadius, FAlignment,
                                          layoutDirection() == Qt::RightToLeft);
  const QRect area(QPoint(left, 0), extent);
  canvas.fillRect(area, palette().color(backgroundRole()));
  if (isEnabled()) {
    canvas.setPen(palette().color(foregroundRole()));
    canvas.drawText(area, CaptionFlags, FCaption);
    return;
  }
  canvas.setPen(TKivColor(KivSystemColor::BtnHighlight).resolve(palette()));
  canvas.drawText(area.translated(1, 1), CaptionFlags, FCaption);
  canvas.setPen(TKivColor(KivSystemColor::BtnShadow).resolve(palette()));
  canvas.drawText(area, CaptionFlags, FCaption);
}
