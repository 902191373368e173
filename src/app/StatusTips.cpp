#include "app/StatusTips.h"

#include <QApplication>
#include <QStatusTipEvent>
#include <QWidget>

TStatusTips::TStatusTips(QWidget *window) : QObject(window), FWindow(window) {
  QCoreApplication::instance()->installEventFilter(this);
}

bool TStatusTips::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() != QEvent::StatusTip || !watched->isWidgetType() ||
      static_cast<QWidget *>(watched)->window() != FWindow)
    return false;
  Q_EMIT tip(watched, static_cast<QStatusTipEvent *>(event)->tip(),
             QApplication::activePopupWidget() != nullptr);
  return true;
}
