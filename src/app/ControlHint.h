#pragma once

#include <QString>
#include <QWidget>

// Hints show as tooltips and, through status tips, in the status line, and
// assistive technologies read them as the control's description.
inline void SetControlHint(QWidget *widget, const QString &hint) {
  widget->setToolTip(hint);
  widget->setStatusTip(hint);
  widget->setAccessibleDescription(hint);
}
