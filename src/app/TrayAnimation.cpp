#include "app/TrayAnimation.h"

#include "platform/BusyWait.h"

#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDurationMs = 180;
constexpr int kPenWidth = 2;

int tween(int from, int to, double progress) {
  return from + static_cast<int>(std::lround((to - from) * progress));
}

} // namespace

QRect TweenRect(const QRect &from, const QRect &to, double progress) {
  const double p = std::clamp(progress, 0.0, 1.0);
  return QRect(QPoint(tween(from.left(), to.left(), p), tween(from.top(), to.top(), p)),
               QPoint(tween(from.right(), to.right(), p), tween(from.bottom(), to.bottom(), p)));
}

// A tooltip-type window bypasses the window manager: no frame, no taskbar
// entry, no focus, and it is stacked above the window it flies to.
TTrayAnimation::TTrayAnimation(QWidget *owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                         Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      FAnimation(new QVariantAnimation(this)) {
  setObjectName(QStringLiteral("TrayAnimation"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  FAnimation->setDuration(kDurationMs);
  FAnimation->setStartValue(0.0);
  FAnimation->setEndValue(1.0);
  connect(FAnimation, &QVariantAnimation::valueChanged, this,
          [this](const QVariant &value) { step(value.toDouble()); });
  connect(FAnimation, &QVariantAnimation::finished, this, &QWidget::hide);
  // A wait holds the ticks that move the frame: it would stand still on
  // screen, an empty box far from both ends, for as long as the wait lasts.
  TBusyWait::onWaitBegins(this, [this] { stop(); });
}

void TTrayAnimation::fly(const QRect &from, const QRect &to) {
  FAnimation->stop();
  FFrom = from;
  FTo = to;
  step(0.0);
  show();
  FAnimation->start();
}

void TTrayAnimation::stop() {
  FAnimation->stop();
  hide();
}

bool TTrayAnimation::isFlying() const {
  return FAnimation->state() == QAbstractAnimation::Running;
}

// Only the outline is part of the window (a mask, not translucency), so the
// frame looks the same with or without a compositing manager.
void TTrayAnimation::step(double progress) {
  const QRect rect = TweenRect(FFrom, FTo, progress);
  setGeometry(rect);
  const QRect inside = QRect(QPoint(), rect.size()).adjusted(kPenWidth, kPenWidth, -kPenWidth,
                                                              -kPenWidth);
  setMask(QRegion(QRect(QPoint(), rect.size())).subtracted(QRegion(inside)));
}

void TTrayAnimation::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Highlight));
}
