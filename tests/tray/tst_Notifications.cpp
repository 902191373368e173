#include "support/ChildRun.h"
#include "support/GoldenFile.h"
#include "support/NotificationWatcher.h"
#include "tray/Notifications.h"

#include <QApplication>
#include <QDebug>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Child scenario: the session bus address points nowhere, so there is no
// notification service and, without a tray icon, no way to show anything.
int showWithoutBus(const QByteArray &) {
  TNotifications notifications(nullptr);
  const bool shown =
      notifications.show(u"Vornix"_s, u"nobody hears this"_s, TBalloonIcon::Information, 5000);
  const uint id = notifications.currentId();
  notifications.hide();
  return TNotifications::serviceAvailable() || shown || id != 0;
}

// Child scenario, alone on its session's notification service: an alert
// balloon with an action and a status balloon, hidden; the action chosen.
int chooseAction(const QByteArray &) {
  TNotifications status(nullptr), alert(nullptr);
  QSignalSpy statusActions(&status, &TNotifications::actionInvoked);
  QSignalSpy alertActions(&alert, &TNotifications::actionInvoked);
  if (!status.show(u"Vornix"_s, u"status"_s, TBalloonIcon::Information, 10000) ||
      !alert.show(u"Новые проекты: B"_s, u"Бот"_s, TBalloonIcon::Information, 10000,
                  {u"default"_s, u"Показать"_s}) ||
      status.currentId() == alert.currentId())
    return 2;
  status.hide();
  if (QProcess::execute(u"dunstctl"_s, {u"action"_s, u"0"_s}) != 0)
    return 3;
  if (!QTest::qWaitFor([&] { return !alertActions.isEmpty(); }, 5000))
    return 4;
  return alertActions.size() == 1 && alertActions.first().first() == u"default"_s &&
                 statusActions.isEmpty()
             ? 0
             : 5;
}

} // namespace

// Runs against the real notification service (dunst) on the private session
// bus of scripts/with-desktop, and reads what reached it with dbus-monitor.
class tst_Notifications : public QObject {
  Q_OBJECT
  std::unique_ptr<TNotificationWatcher> FWatcher;

  // What the service got from the show() just made.
  TNotificationWatcher::TNotify lastNotify() {
    const qsizetype before = FWatcher->notifies().size();
    return FWatcher->sync() && FWatcher->notifies().size() > before
               ? FWatcher->notifies().last()
               : TNotificationWatcher::TNotify();
  }

  // Why the service closed `id`, once this process has heard of it too; 0 while it is up.
  uint closedReason(uint id, int timeoutMs = 5000) {
    uint reason = 0;
    if (!FWatcher->waitForClosed(id, timeoutMs, &reason))
      return 0;
    // A call on the program's own connection returns after the signal sent before it.
    TNotifications::serviceAvailable();
    QCoreApplication::processEvents();
    return reason;
  }

private Q_SLOTS:
  void initTestCase() {
    QVERIFY2(TNotifications::serviceAvailable(),
             "no notification service on the session bus: run under scripts/with-desktop");
    FWatcher = std::make_unique<TNotificationWatcher>();
    QString error;
    QVERIFY2(FWatcher->start(&error), qPrintable(error));
  }

  // Each line of tests/data/balloons/<file>, "icon|title|text" with \r and \n spelt
  // out, is shown; the dump beside it holds what reached the service. dunst takes
  // markup in the body, so feed text must reach it escaped; the summary is plain.
  void showReachesService_data() { addGoldenRows(u"balloons"_s); }
  void showReachesService() {
    QFETCH(QString, input);
    const QStringList icons{u"none"_s, u"information"_s, u"warning"_s, u"error"_s};
    QString dump;
    for (const QString &line :
         QString::fromUtf8(contentOf(input)).split(u'\n', Qt::SkipEmptyParts)) {
      const QStringList field = line.split(u'|');
      TNotifications notifications(nullptr);
      QVERIFY(notifications.show(
          field.value(1), field.value(2).replace(u"\\r"_s, u"\r"_s).replace(u"\\n"_s, u"\n"_s),
          TBalloonIcon(icons.indexOf(field.value(0))), 5000));
      const TNotificationWatcher::TNotify sent = lastNotify();
      notifications.hide();
      QDebug(&dump).nospace() << "app " << sent.AppName << ", icon " << sent.Icon << ", summary "
                              << sent.Summary << ", body " << sent.Body << ", replaces "
                              << sent.ReplacesId << ", urgency " << sent.Urgency << ", expires "
                              << sent.ExpireTimeout << "\n";
    }
    compareWithGolden(input, dump);
  }

  // A balloon that expired is not replaced, the next one is, and one hidden
  // is closed once.
  void balloonExpiresIsReplacedAndCloses() {
    TNotifications notifications(nullptr);
    QVERIFY(notifications.show(u"Vornix"_s, u"short-lived"_s, TBalloonIcon::Information, 300));
    const uint expired = notifications.currentId();
    QCOMPARE(closedReason(expired, 10000), 1u); // expired
    QCOMPARE(notifications.currentId(), 0u);

    QVERIFY(notifications.show(u"Vornix"_s, u"first"_s, TBalloonIcon::Information, 5000));
    TNotificationWatcher::TNotify sent = lastNotify();
    QCOMPARE(sent.Body, u"first"_s);
    QCOMPARE(sent.ReplacesId, 0u);
    const uint id = notifications.currentId();
    QVERIFY(id != expired);
    QVERIFY(notifications.show(u"Vornix"_s, u"second"_s, TBalloonIcon::Warning, 5000));
    QCOMPARE(notifications.currentId(), id);
    sent = lastNotify();
    QCOMPARE(sent.Body, u"second"_s);
    QCOMPARE(sent.ReplacesId, id);

    notifications.hide();
    QCOMPARE(notifications.currentId(), 0u);
    QCOMPARE(closedReason(id), 3u); // closed by a call to CloseNotification
    // Nothing is up any more: a second hide must not close somebody else's
    // balloon that the service may have given the same id meanwhile.
    const qsizetype closeCalls = FWatcher->closeCalls().size();
    notifications.hide();
    QVERIFY(FWatcher->sync());
    QCOMPARE(FWatcher->closeCalls().size(), closeCalls);
  }

  // The service tells every balloon's closing to the connection that showed
  // it, and both objects share the program's connection.
  void anotherBalloonClosingLeavesOursAlone() {
    TNotifications ours(nullptr), theirs(nullptr);
    QVERIFY(ours.show(u"Vornix"_s, u"ours"_s, TBalloonIcon::Information, 5000));
    QVERIFY(theirs.show(u"Vornix"_s, u"theirs"_s, TBalloonIcon::Information, 5000));
    const uint ourId = ours.currentId(), theirId = theirs.currentId();
    QVERIFY(ourId != theirId);
    theirs.hide();
    QCOMPARE(closedReason(theirId), 3u);
    QCOMPARE(ours.currentId(), ourId);
    ours.hide();
    QCOMPARE(closedReason(ourId), 3u);
  }

  // An action chosen on a balloon (through dunstctl, as a click would)
  // reaches the object that showed it, and no other. In a desktop session of
  // its own: dunstctl picks a balloon by its place on screen, where balloons
  // other tests left up would stand first.
  void actionReachesItsOwnBalloon() {
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QStringLiteral(VORNIX_SOURCE_DIR "/scripts/with-desktop"),
              {u"--no-tray"_s, QCoreApplication::applicationFilePath(), u"--choose-action"_s});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 0);
  }

  void noBusMeansNoBalloon() {
    QVERIFY(RunSelfAsChild(u"--without-bus"_s, u"DBUS_SESSION_BUS_ADDRESS"_s,
                           u"unix:path=/nonexistent/vornix-no-bus"_s));
  }
};

TEST_MAIN_WITH_CHILDREN(QApplication, tst_Notifications,
                        {{"--without-bus", showWithoutBus}, {"--choose-action", chooseAction}})
#include "tst_Notifications.moc"
