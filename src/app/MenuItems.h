#pragma once

#include "platform/BusyWait.h"

#include <QAction>
#include <QMenu>
#include <QString>

#include <utility>

// Calls `handler` when the item is chosen, from the event loop: a menu is also
// chosen through the session bus (a screen reader, a tray host that draws the
// menu itself), and that caller waits for its answer, which must not wait for
// a refresh.
template <typename Handler> void OnChosen(QAction *item, QObject *receiver, Handler handler) {
  QObject::connect(item, &QAction::triggered, receiver, [receiver, handler = std::move(handler)] {
    TBusyWait::later(receiver, handler);
  });
}

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
