#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the window opens at a first start: near the bottom right corner of
// the whole screen, clear of the edge by 50 pixels and of the bottom by 100.
QPoint FirstStartPlace(const QRect &screen, const QSize &frame);

// Whether a window whose frame stands at `frame` can still be grabbed by its
// title bar: some screen shows a usable piece of its top strip. A place
// saved on a monitor that has since gone fails this.
bool TitleBarReachable(const QRect &frame, const QList<QRect> &screens);
