#include "tray/TrayHost.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSystemTrayIcon>

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
// A bus that does not answer within this must not freeze the window.
constexpr int kBusTimeoutMs = 1000;

QVariant firstReply(QDBusConnection &bus, const QDBusMessage &call) {
  const QDBusMessage reply = bus.call(call, QDBus::Block, kBusTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return {};
  return reply.arguments().constFirst();
}

bool hostRegistered() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected())
    return false;
  QDBusMessage hasOwner = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
  hasOwner << kWatcher;
  if (!firstReply(bus, hasOwner).toBool())
    return false;
  QDBusMessage get = QDBusMessage::createMethodCall(
      kWatcher, QStringLiteral("/StatusNotifierWatcher"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
  return firstReply(bus, get).value<QDBusVariant>().variant().toBool();
}

} // namespace

TTrayMode TTrayHost::mode() {
  if (!QSystemTrayIcon::isSystemTrayAvailable())
    return TTrayMode::None;
  return isStatusNotifier() ? TTrayMode::StatusNotifier : TTrayMode::XEmbed;
}

bool TTrayHost::isStatusNotifier() {
  static const bool statusNotifier = hostRegistered();
  return statusNotifier;
}
