#include "NotificationWatcher.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTest>

bool TNotificationWatcher::start(QString *error) {
  FSender = QStringLiteral("sender=") + QDBusConnection::sessionBus().baseService() + u' ';
  FMonitor.setProcessChannelMode(QProcess::SeparateChannels);
  FMonitor.start(
      QStringLiteral("dbus-monitor"),
      {QStringLiteral("--session"), QStringLiteral("interface='org.freedesktop.Notifications'")});
  if (!FMonitor.waitForStarted(5000)) {
    *error = QStringLiteral("dbus-monitor did not start: ") + FMonitor.errorString();
    return false;
  }
  // It reports losing its own name once it has become a monitor; only from
  // then on does it see other connections' messages.
  if (readUntil("member=NameLost") < 0) {
    *error = QStringLiteral("dbus-monitor is not monitoring: ") +
             QString::fromLocal8Bit(FMonitor.readAllStandardError());
    return false;
  }
  FPending.clear();
  return true;
}

qsizetype TNotificationWatcher::readUntil(const char *marker) {
  const QDeadlineTimer deadline(5000);
  qsizetype at = -1;
  while ((at = FPending.indexOf(marker)) < 0 && !deadline.hasExpired() &&
         FMonitor.state() != QProcess::NotRunning) {
    FMonitor.waitForReadyRead(100);
    FPending += FMonitor.readAllStandardOutput();
  }
  return at;
}

bool TNotificationWatcher::sync() {
  QProcess probe;
  probe.start(QStringLiteral("dbus-send"),
              {QStringLiteral("--session"), QStringLiteral("--print-reply"),
               QStringLiteral("--reply-timeout=2000"),
               QStringLiteral("--dest=org.freedesktop.Notifications"),
               QStringLiteral("/org/freedesktop/Notifications"),
               QStringLiteral("org.freedesktop.Notifications.GetServerInformation")});
  if (!probe.waitForFinished(5000) || probe.exitStatus() != QProcess::NormalExit ||
      probe.exitCode() != 0)
    return false;
  const qsizetype at = readUntil("member=GetServerInformation");
  if (at < 0)
    return false;
  // Everything in front of the probe is complete; the probe itself has no
  // arguments, so what follows its header line starts a new message.
  const QString complete = QString::fromUtf8(FPending.left(FPending.lastIndexOf('\n', at) + 1));
  const qsizetype lineEnd = FPending.indexOf('\n', at);
  FPending.remove(0, lineEnd < 0 ? FPending.size() : lineEnd + 1);
  // dbus-monitor starts every message on a new line with its kind; the lines
  // of a string argument that holds line breaks are printed as they are.
  static const QRegularExpression MessageStart(
      QStringLiteral("^(?=(?:method call|method return|signal|error) time=)"),
      QRegularExpression::MultilineOption);
  for (const QString &message : complete.split(MessageStart, Qt::SkipEmptyParts))
    parse(message.endsWith(QLatin1Char('\n')) ? message.chopped(1) : message);
  return true;
}

bool TNotificationWatcher::waitForClosed(uint id, int timeoutMs, uint *reason) {
  const QDeadlineTimer deadline(timeoutMs);
  while (sync()) {
    if (const auto closed = FClosed.find(id); closed != FClosed.end()) {
      *reason = closed->second;
      return true;
    }
    if (deadline.hasExpired())
      return false;
    QTest::qWait(50);
  }
  return false;
}

void TNotificationWatcher::parse(const QString &message) {
  // The test's own texts hold no `"` followed by a line break, so a lazy match
  // up to the next argument line is unambiguous.
  static const QRegularExpression NotifyArgs(
      QStringLiteral(
          "\\n   string \"(.*?)\"\\n   uint32 (\\d+)\\n   string \"(.*?)\"\\n"
          "   string \"(.*?)\"\\n   string \"(.*?)\"\\n   array \\[\\n(?:.*?\\n)??   \\]\\n"
          "   array \\[\\n(.*?)   \\]\\n   int32 (-?\\d+)"),
      QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression UrgencyHint(
      QStringLiteral("string \"urgency\"\\n\\s*variant\\s+byte (\\d+)"));
  static const QRegularExpression TwoUints(
      QStringLiteral("\\n   uint32 (\\d+)(?:\\n   uint32 (\\d+))?"));

  const qsizetype headerEnd = message.indexOf(QLatin1Char('\n'));
  const QString header = message.left(headerEnd);
  const QString args = headerEnd < 0 ? QString() : message.mid(headerEnd);
  const bool call = header.startsWith(u"method call");
  if (call && !header.contains(FSender))
    return;
  if (call && header.contains(QLatin1String("member=Notify"))) {
    const QRegularExpressionMatch m = NotifyArgs.match(args);
    const QRegularExpressionMatch urgency = UrgencyHint.match(m.captured(6));
    if (m.hasMatch())
      FNotifies.append({m.captured(1), m.captured(2).toUInt(), m.captured(3), m.captured(4),
                        m.captured(5), urgency.hasMatch() ? urgency.captured(1).toInt() : -1,
                        m.captured(7).toInt()});
  } else if (const QRegularExpressionMatch m = TwoUints.match(args); m.hasMatch()) {
    if (header.contains(QLatin1String("member=CloseNotification")))
      FCloseCalls.append(m.captured(1).toUInt());
    else if (header.contains(QLatin1String("member=NotificationClosed")) && m.hasCaptured(2))
      FClosed.emplace(m.captured(1).toUInt(), m.captured(2).toUInt());
  }
}
