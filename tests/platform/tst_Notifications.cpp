#include "platform/Notifications.h"
#include "support/ChildRun.h"
#include "support/NotificationWatcher.h"

#include <QApplication>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TBalloonIcon)

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

  void showReachesService_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TBalloonIcon>("icon");
    QTest::addColumn<QString>("iconName");
    QTest::addColumn<QString>("body"); // as the service must get it
    const auto row = [](const char *name, const char *title, const char *text, TBalloonIcon icon,
                        const char *iconName, const char *body) {
      QTest::newRow(name) << QString::fromUtf8(title) << QString::fromUtf8(text) << icon
                          << QString::fromUtf8(iconName) << QString::fromUtf8(body);
    };
    using enum TBalloonIcon;
    row("information", "Vornix", "3 new items", Information, "dialog-information", "3 new items");
    row("warning", "Vornix", "Feed is empty", Warning, "dialog-warning", "Feed is empty");
    row("error", "Vornix", "No connection", Error, "dialog-error", "No connection");
    row("no icon", "Vornix", "Plain message", None, "", "Plain message");
    row("lines joined by CR", "Vornix", "first\rsecond\r\nthird", Information, "dialog-information",
        "first\nsecond\nthird");
    // dunst takes markup in the body, so feed text must reach it escaped; the
    // summary is plain text by definition and goes as it is.
    row("markup characters", "R&D <jobs>", "C++ & <Qt> > 5", Information, "dialog-information",
        "C++ &amp; &lt;Qt&gt; &gt; 5");
    row("cyrillic", "Вакансии", "Новых: 2", Information, "dialog-information", "Новых: 2");
  }
  void showReachesService() {
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(TBalloonIcon, icon);
    QFETCH(QString, iconName);
    QFETCH(QString, body);
    TNotifications notifications(nullptr);
    QVERIFY(notifications.show(title, text, icon, 5000));
    const TNotificationWatcher::TNotify sent = lastNotify();
    notifications.hide();
    QCOMPARE((QStringList{sent.AppName, sent.Icon, sent.Summary, sent.Body}),
             (QStringList{u"Vornix"_s, iconName, title, body}));
    QCOMPARE((QList<int>{int(sent.ReplacesId), sent.Urgency, sent.ExpireTimeout}),
             (QList<int>{0, 1, 5000}));
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

  void noBusMeansNoBalloon() {
    QVERIFY(RunSelfAsChild(u"--without-bus"_s, u"DBUS_SESSION_BUS_ADDRESS"_s,
                           u"unix:path=/nonexistent/vornix-no-bus"_s));
  }
};

TEST_MAIN_WITH_CHILDREN(QApplication, tst_Notifications, {{"--without-bus", showWithoutBus}})
#include "tst_Notifications.moc"
