#include "support/ChildRun.h"
#include "support/GoldenFile.h"
#include "support/NotificationWatcher.h"
#include "tray/Notifications.h"

#include <QApplication>
#include <QDebug>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Child scenario: the session bus address points nowhere, so there is no
// notification service and, without a tray icon, no way to show anything.
int showWithoutBus(const QByteArray &) {
  TNotifications notifications(nullptr);
  return TNotifications::serviceAvailable() ||
         notifications.show(u"Vornix"_s, u"nobody hears this"_s, TBalloonIcon::Information, 5000) ||
         notifications.currentId() != 0;
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

private Q_SLOTS:
  void initTestCase() {
    QVERIFY2(TNotifications::serviceAvailable(),
             "no notification service on the session bus: run under scripts/with-desktop");
    FWatcher = std::make_unique<TNotificationWatcher>();
    QString error;
    QVERIFY2(FWatcher->start(&error), qPrintable(error));
  }

  // Each tests/data/balloons/<file> is a script: "<object> show icon|title|text|ms" (\r, \n
  // spelt out), "<object> hide", or "<object> closed", waiting until the service has closed
  // the object's last balloon. The dump holds per step what reached the service, why a
  // balloon closed and each object's balloon, ids numbered as they appear. dunst takes
  // markup in the body, so feed text must reach it escaped; the summary is plain.
  void scripts_data() { addGoldenRows(u"balloons"_s); }
  void scripts() {
    QFETCH(QString, input);
    const QStringList icons{u"none"_s, u"information"_s, u"warning"_s, u"error"_s};
    std::map<QString, TNotifications> objects;
    std::map<QString, uint> shown;
    std::map<uint, QString> names;
    const auto name = [&names](uint id) {
      return id == 0 ? u"0"_s : names.try_emplace(id, u"#%1"_s.arg(names.size() + 1)).first->second;
    };
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      const QString object = line.section(u' ', 0, 0), step = line.section(u' ', 1, 1);
      const QStringList field = line.section(u' ', 2).split(u'|');
      TNotifications &notifications = objects.try_emplace(object, nullptr).first->second;
      const qsizetype notifies = FWatcher->notifies().size(),
                      closes = FWatcher->closeCalls().size();
      uint reason = 0;
      if (step == u"show") {
        QVERIFY(notifications.show(
            field.value(1), field.value(2).replace(u"\\r"_s, u"\r"_s).replace(u"\\n"_s, u"\n"_s),
            TBalloonIcon(icons.indexOf(field.value(0))), field.value(3).toInt()));
        shown[object] = notifications.currentId();
      } else if (step == u"hide") {
        notifications.hide();
      } else {
        QVERIFY(FWatcher->waitForClosed(shown[object], 10000, &reason));
        // A call on the program's own connection returns after the signal sent before it.
        TNotifications::serviceAvailable();
        QCoreApplication::processEvents();
      }
      QVERIFY(FWatcher->sync());
      QDebug out(&dump);
      out.nospace() << line.toUtf8().constData() << ":";
      for (const auto &sent : FWatcher->notifies().sliced(notifies))
        out << " notify app " << sent.AppName << ", icon " << sent.Icon << ", summary "
            << sent.Summary << ", body " << sent.Body << ", replaces " << name(sent.ReplacesId)
            << ", urgency " << sent.Urgency << ", expires " << sent.ExpireTimeout << ";";
      for (const uint id : FWatcher->closeCalls().sliced(closes))
        out << " close " << name(id) << ";";
      if (reason != 0)
        out << " closed " << name(shown[object]) << " for reason " << reason << ";";
      for (const auto &[key, each] : objects)
        out << " " << key << " " << name(each.currentId());
      out << "\n";
    }
    compareWithGolden(input, dump);
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
