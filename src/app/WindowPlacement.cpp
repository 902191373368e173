#include "app/WindowPlacement.h"

namespace {

// The strip a title bar takes, and how much of it must show for the user to
// get hold of it.
constexpr int kTitleBarHeight = 24;
constexpr int kGripWidth = 48;
constexpr int kGripHeight = 12;

} // namespace

QPoint FirstStartPlace(const QRect &screen, const QSize &frame) {
  return {screen.x() + screen.width() - frame.width() - 50,
          screen.y() + screen.height() - frame.height() - 100};
}

bool TitleBarReachable(const QRect &frame, const QList<QRect> &screens) {
  const QRect titleBar(frame.topLeft(), QSize(frame.width(), kTitleBarHeight));
  for (const QRect &screen : screens) {
    const QRect shown = titleBar.intersected(screen);
    if (shown.width() >= std::min(kGripWidth, frame.width()) && shown.height() >= kGripHeight)
      return true;
  }
  return false;
}
