#include "tray/Notifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace {

constexpr QLatin1String Service("org.freedesktop.Notifications");
constexpr QLatin1String Path("/org/freedesktop/Notifications");
constexpr QLatin1String Interface("org.freedesktop.Notifications");

// A notification service that hangs must not freeze the window for the
// default 25 seconds of a D-Bus call.
constexpr int CallTimeoutMs = 2000;

// The property of the tray icon that names the object whose message it shows.
constexpr const char *TrayOwner = "vornixBalloonOwner";

// Every balloon goes out with normal urgency. Servers keep critical
// notifications up until the user dismisses them (GNOME Shell, dunst's stock
// rules), and a balloon here is a passing message with a time-out whatever its
// icon.
constexpr uchar NormalUrgency = 1;

QDBusMessage callService(const QString &method, const QVariantList &args = {}) {
  QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, method);
  call.setArguments(args);
  return QDBusConnection::sessionBus().call(call, QDBus::Block, CallTimeoutMs);
}

bool callBus(const QString &method, const QVariantList &args, QVariant *result) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
      QStringLiteral("org.freedesktop.DBus"), method);
  call.setArguments(args);
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, CallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return false;
  *result = reply.arguments().constFirst();
  return true;
}

QString iconName(TBalloonIcon icon) {
  switch (icon) {
  case TBalloonIcon::Information:
    return QStringLiteral("dialog-information");
  case TBalloonIcon::Warning:
    return QStringLiteral("dialog-warning");
  case TBalloonIcon::Error:
    return QStringLiteral("dialog-error");
  case TBalloonIcon::None:
    break;
  }
  return {};
}

QSystemTrayIcon::MessageIcon trayIcon(TBalloonIcon icon) {
  switch (icon) {
  case TBalloonIcon::Information:
    return QSystemTrayIcon::Information;
  case TBalloonIcon::Warning:
    return QSystemTrayIcon::Warning;
  case TBalloonIcon::Error:
    return QSystemTrayIcon::Critical;
  case TBalloonIcon::None:
    break;
  }
  return QSystemTrayIcon::NoIcon;
}

// The program joins the lines of its messages with a bare CR, which
// notification servers do not break on.
QString withLineFeeds(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// A server that understands markup in the body would read feed text such as
// "C++ & <Qt>" as broken markup and show nothing or garbage; one that does
// not must get the text as it is, or the user would see "&amp;".
bool serviceTakesBodyMarkup() {
  const QDBusMessage reply = callService(QStringLiteral("GetCapabilities"));
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return false;
  return reply.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
}

QString escapeMarkup(const QString &text) {
  QString escaped;
  escaped.reserve(text.size());
  for (const QChar c : text) {
    if (c == QLatin1Char('&'))
      escaped += QLatin1String("&amp;");
    else if (c == QLatin1Char('<'))
      escaped += QLatin1String("&lt;");
    else if (c == QLatin1Char('>'))
      escaped += QLatin1String("&gt;");
    else
      escaped += c;
  }
  return escaped;
}

} // namespace

TNotifications::TNotifications(QSystemTrayIcon *fallback, QObject *parent)
    : QObject(parent), FFallback(fallback) {
  QDBusConnection::sessionBus().connect(Service, Path, Interface,
                                        QStringLiteral("NotificationClosed"), this,
                                        SLOT(onNotificationClosed(uint, uint)));
  QDBusConnection::sessionBus().connect(Service, Path, Interface, QStringLiteral("ActionInvoked"),
                                        this, SLOT(onActionInvoked(uint, QString)));
  if (FFallback)
    connect(FFallback, &QSystemTrayIcon::messageClicked, this,
            &TNotifications::onTrayMessageClicked);
  // A restarted or replaced service may understand markup differently, and
  // knows nothing of the balloon shown before.
  auto *watcher = new QDBusServiceWatcher(Service, QDBusConnection::sessionBus(),
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
    FBodyMarkup.reset();
    FCurrentId = 0;
  });
}

bool TNotifications::bodyTakesMarkup() {
  if (!FBodyMarkup)
    FBodyMarkup = serviceTakesBodyMarkup();
  return *FBodyMarkup;
}

bool TNotifications::serviceAvailable() {
  if (!QDBusConnection::sessionBus().isConnected())
    return false;
  QVariant result;
  if (callBus(QStringLiteral("NameHasOwner"), {QString(Service)}, &result) && result.toBool())
    return true;
  // Not running yet, but the bus starts it at the first call.
  return callBus(QStringLiteral("ListActivatableNames"), {}, &result) &&
         result.toStringList().contains(QString(Service));
}

bool TNotifications::show(const QString &title, const QString &text, TBalloonIcon icon,
                          int timeoutMs, const QStringList &actions) {
  // Without a service on the bus the call fails at once, so there is no need
  // to ask the bus first.
  if (showThroughService(title, text, icon, timeoutMs, actions))
    return true;
  // No service, or it failed to answer: the tray icon's own message is better
  // than none, though it can be neither replaced nor closed.
  FCurrentId = 0;
  if (!FFallback || !FFallback->isVisible())
    return false;
  FFallback->showMessage(title, withLineFeeds(text), trayIcon(icon), timeoutMs);
  // The tray icon is shared: its next click belongs to whoever showed last.
  FFallback->setProperty(TrayOwner, QVariant::fromValue(static_cast<QObject *>(this)));
  FTrayDefaultAction = actions.contains(QStringLiteral("default"));
  return true;
}

bool TNotifications::showThroughService(const QString &title, const QString &text,
                                        TBalloonIcon icon, int timeoutMs,
                                        const QStringList &actions) {
  QString body = withLineFeeds(text);
  if (bodyTakesMarkup())
    body = escapeMarkup(body);
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue(NormalUrgency));
  const QDBusMessage reply =
      callService(QStringLiteral("Notify"), {QStringLiteral("Vornix"), FCurrentId, iconName(icon),
                                             title, body, actions, hints, timeoutMs});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return false;
  FCurrentId = reply.arguments().constFirst().toUInt();
  return FCurrentId != 0;
}

void TNotifications::hide() {
  if (FCurrentId == 0)
    return;
  const uint id = FCurrentId;
  FCurrentId = 0;
  callService(QStringLiteral("CloseNotification"), {id});
}

void TNotifications::onNotificationClosed(uint id, uint reason) {
  Q_UNUSED(reason);
  // Replacing an id the service has already closed would, on some servers,
  // update nothing and show nothing.
  if (id == FCurrentId)
    FCurrentId = 0;
}

void TNotifications::onActionInvoked(uint id, const QString &key) {
  if (id != 0 && id == FCurrentId)
    Q_EMIT actionInvoked(key);
}

void TNotifications::onTrayMessageClicked() {
  if (FTrayDefaultAction && FFallback->property(TrayOwner).value<QObject *>() == this)
    Q_EMIT actionInvoked(QStringLiteral("default"));
}
