#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>

// Watches the session bus with dbus-monitor and records what this process (not
// the tests running beside it) sends to the notification service, and what the
// service answers, as the service itself saw it.
class TNotificationWatcher {
public:
  struct TNotify {
    QString AppName;
    uint ReplacesId = 0;
    QString Icon;
    QString Summary;
    QString Body;
    int Urgency = -1; // -1: no urgency hint
    int ExpireTimeout = 0;
  };
  struct TClosed {
    uint Id = 0;
    uint Reason = 0;
  };

  TNotificationWatcher() = default;
  ~TNotificationWatcher();
  TNotificationWatcher(const TNotificationWatcher &) = delete;
  TNotificationWatcher &operator=(const TNotificationWatcher &) = delete;

  // Starts dbus-monitor and returns once it is receiving; false with a reason
  // in *error otherwise.
  bool start(QString *error);
  // Returns once every message sent to the service before the call has been
  // recorded. dbus-monitor prints a message's last line only when the next one
  // comes, so this sends one more (a harmless GetServerInformation).
  bool sync();
  // Syncs until the service has closed `id`; its reason in *reason.
  bool waitForClosed(uint id, int timeoutMs, uint *reason);

  const QList<TNotify> &notifies() const { return FNotifies; }
  const QList<uint> &closeCalls() const { return FCloseCalls; }
  const QList<TClosed> &closed() const { return FClosed; }

private:
  void parse(const QString &message);

  QProcess FMonitor;
  QString FSender; // this process's name on the bus, as the monitor prints it
  QByteArray FPending;
  QList<TNotify> FNotifies;
  QList<uint> FCloseCalls;
  QList<TClosed> FClosed;
};
