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

// Empties a menu whose own items may be the ones being chosen right now: they
// are taken out at once and deleted once the choice is over.
inline void ClearMenuLater(QMenu *menu) {
  const QList<QAction *> items = menu->actions();
  for (QAction *item : items) {
    menu->removeAction(item);
    if (item->parent() == menu)
      item->deleteLater();
  }
}
