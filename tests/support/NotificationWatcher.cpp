#include "NotificationWatcher.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

namespace {

constexpr char ProbeHeader[] = "member=GetServerInformation";

bool probe() {
  QProcess send;
  send.start(QStringLiteral("dbus-send"),
             {QStringLiteral("--session"), QStringLiteral("--print-reply"),
              QStringLiteral("--reply-timeout=2000"),
              QStringLiteral("--dest=org.freedesktop.Notifications"),
              QStringLiteral("/org/freedesktop/Notifications"),
              QStringLiteral("org.freedesktop.Notifications.GetServerInformation")});
  return send.waitForFinished(5000) && send.exitStatus() == QProcess::NormalExit &&
         send.exitCode() == 0;
}

} // namespace

TNotificationWatcher::~TNotificationWatcher() {
  if (FMonitor.state() != QProcess::NotRunning) {
    FMonitor.kill();
    FMonitor.waitForFinished(2000);
  }
}

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
  QDeadlineTimer deadline(5000);
  while (!FPending.contains("member=NameLost")) {
    if (deadline.hasExpired() || FMonitor.state() == QProcess::NotRunning) {
      *error = QStringLiteral("dbus-monitor is not monitoring: ") +
               QString::fromLocal8Bit(FMonitor.readAllStandardError());
      return false;
    }
    FMonitor.waitForReadyRead(100);
    FPending += FMonitor.readAllStandardOutput();
  }
  FPending.clear();
  return true;
}

bool TNotificationWatcher::sync() {
  if (!probe())
    return false;
  QDeadlineTimer deadline(5000);
  qsizetype at = -1;
  while ((at = FPending.indexOf(ProbeHeader)) < 0) {
    if (deadline.hasExpired() || FMonitor.state() == QProcess::NotRunning)
      return false;
    FMonitor.waitForReadyRead(100);
    FPending += FMonitor.readAllStandardOutput();
  }
  // Everything in front of the probe is complete; the probe itself has no
  // arguments, so what follows its header line starts a new message.
  const qsizetype headerStart = FPending.lastIndexOf('\n', at) + 1;
  const QString complete = QString::fromUtf8(FPending.left(headerStart));
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
  QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    if (!sync())
      return false;
    for (const TClosed &closed : std::as_const(FClosed)) {
      if (closed.Id == id) {
        *reason = closed.Reason;
        return true;
      }
    }
    if (deadline.hasExpired())
      return false;
    QTest::qWait(50);
  }
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
  if (header.startsWith(u"method call") && !header.contains(FSender))
    return;
  if (header.contains(QLatin1String("member=Notify")) && header.startsWith(u"method call")) {
    const QRegularExpressionMatch m = NotifyArgs.match(args);
    if (!m.hasMatch())
      return;
    TNotify notify;
    notify.AppName = m.captured(1);
    notify.ReplacesId = m.captured(2).toUInt();
    notify.Icon = m.captured(3);
    notify.Summary = m.captured(4);
    notify.Body = m.captured(5);
    const QRegularExpressionMatch urgency = UrgencyHint.match(m.captured(6));
    if (urgency.hasMatch())
      notify.Urgency = urgency.captured(1).toInt();
    notify.ExpireTimeout = m.captured(7).toInt();
    FNotifies.append(notify);
  } else if (header.contains(QLatin1String("member=CloseNotification"))) {
    const QRegularExpressionMatch m = TwoUints.match(args);
    if (m.hasMatch())
      FCloseCalls.append(m.captured(1).toUInt());
  } else if (header.contains(QLatin1String("member=NotificationClosed"))) {
    const QRegularExpressionMatch m = TwoUints.match(args);
    if (m.hasMatch() && m.hasCaptured(2))
      FClosed.append({m.captured(1).toUInt(), m.captured(2).toUInt()});
  }
}
