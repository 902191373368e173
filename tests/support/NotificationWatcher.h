#pragma once

#include <QProcess>

#include <map>

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

  TNotificationWatcher() = default;
  ~TNotificationWatcher() {
    FMonitor.kill();
    FMonitor.waitForFinished(2000);
  }
  Q_DISABLE_COPY_MOVE(TNotificationWatcher)

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

private:
  qsizetype readUntil(const char *marker); // where it starts in FPending; -1 if it never came
  void parse(const QString &message);

  QProcess FMonitor;
  QString FSender; // this process's name on the bus, as the monitor prints it
  QByteArray FPending;
  QList<TNotify> FNotifies;
  QList<uint> FCloseCalls;
  std::map<uint, uint> FClosed; // the reason for each id, as the service first gave it
};
