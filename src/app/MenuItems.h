#pragma once

#include <QAction>
#include <QMenu>
#include <QString>

// A checkable item owned by `menu`, carrying its position in `tag`. The site
// and category menus are not exclusive groups: their handlers set and clear
// the ticks themselves.
inline QAction *AddTickableItem(QMenu *menu, const QString &caption, int tag, bool ticked) {
  QAction *item = menu->addAction(caption);
  item->setCheckable(true);
  item->setData(tag);
  item->setChecked(ticked);
  return item;
}
