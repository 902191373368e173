#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QSystemTrayIcon;

enum class TBalloonIcon { None, Information, Warning, Error };

// Desktop balloons through org.freedesktop.Notifications, called directly so
// that a new balloon replaces the one shown and the shown one can be closed.
// When no notification service is on the session bus, falls back to the tray
// icon's own messages (which can be neither replaced nor closed).
class TNotifications : public QObject {
  Q_OBJECT
public:
  explicit TNotifications(QSystemTrayIcon *fallback, QObject *parent = nullptr);

  // Shows a balloon, replacing the one this object showed last. Returns false
  // when neither the service nor the fallback could show it. `actions` are
  // key and label pairs, as the service takes them; the key "default" is a
  // click on the balloon itself, the only one the tray's own message offers.
  bool show(const QString &title, const QString &text, TBalloonIcon icon, int timeoutMs,
            const QStringList &actions = {});
  // Removes the balloon this object showed last, if any.
  void hide();

  // The id the service gave the balloon shown last, 0 when none is up.
  uint currentId() const { return FCurrentId; }
  static bool serviceAvailable();

Q_SIGNALS:
  // The user chose an action of the balloon this object showed last.
  void actionInvoked(const QString &key);

private Q_SLOTS:
  void onNotificationClosed(uint id, uint reason);
  void onActionInvoked(uint id, const QString &key);

private:
  bool showThroughService(const QString &title, const QString &text, TBalloonIcon icon,
                          int timeoutMs, const QStringList &actions);
  void onTrayMessageClicked();

  bool bodyTakesMarkup();

  QSystemTrayIcon *FFallback;
  uint FCurrentId = 0;
  bool FTrayDefaultAction = false; // the tray message shown last offers "default"
  // Asked once per notification service, not once per balloon.
  std::optional<bool> FBodyMarkup;
};
