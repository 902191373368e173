#include "platform/TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>

bool TTrayHost::isStatusNotifier() {
  const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcher))
    return false;
  QDBusInterface iface(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
  return iface.property("IsStatusNotifierHostRegistered").toBool();
}
