#include "platform/Notifications.h"
#include "support/ChildRun.h"
#include "support/NotificationWatcher.h"

#include <QApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TBalloonIcon)

// Runs against the real notification service (dunst) on the private session
// bus of scripts/with-desktop, and reads what reached it with dbus-monitor.
class tst_Notifications : public QObject {
  Q_OBJECT

public Q_SLOTS:
  void recordClosed(uint id, uint reason) {
    Q_UNUSED(reason);
    FClosedSeen.append(id);
  }

private Q_SLOTS:
  void initTestCase();
  void showReachesService_data();
  void showReachesService();
  void secondShowReplacesFirst();
  void hideClosesBalloon();
  void expiredBalloonIsNotReplaced();
  void anotherBalloonClosingLeavesOursAlone();
  void noBusMeansNoBalloon();

private:
  TNotificationWatcher::TNotify lastNotify();

  std::unique_ptr<TNotificationWatcher> FWatcher;
  QList<uint> FClosedSeen;
};

namespace {

int displayedCount() {
  QProcess dunstctl;
  dunstctl.start(QStringLiteral("dunstctl"),
                 {QStringLiteral("count"), QStringLiteral("displayed")});
  if (!dunstctl.waitForFinished(5000) || dunstctl.exitCode() != 0)
    return -1;
  bool ok = false;
  const int count = dunstctl.readAllStandardOutput().trimmed().toInt(&ok);
  return ok ? count : -1;
}

// Child mode: the session bus address points nowhere, so there is no
// notification service and, without a tray icon, no way to show anything.
int runWithoutBus() {
  int failures = 0;
  auto check = [&](bool ok, const char *what) {
    if (!ok) {
      std::fprintf(stderr, "without a bus: %s\n", what);
      ++failures;
    }
  };
  check(!TNotifications::serviceAvailable(), "serviceAvailable() is true");
  TNotifications notifications(nullptr);
  check(!notifications.show(QStringLiteral("Vornix"), QStringLiteral("nobody hears this"),
                            TBalloonIcon::Information, 5000),
        "show() claims success");
  check(notifications.currentId() == 0, "currentId() is not 0");
  notifications.hide();
  return failures == 0 ? 0 : 1;
}

} // namespace

void tst_Notifications::initTestCase() {
  QVERIFY2(TNotifications::serviceAvailable(),
           "no notification service on the session bus: run under scripts/with-desktop");
  FWatcher = std::make_unique<TNotificationWatcher>();
  QString error;
  QVERIFY2(FWatcher->start(&error), qPrintable(error));
  QVERIFY(QDBusConnection::sessionBus().connect(QStringLiteral("org.freedesktop.Notifications"),
                                                QStringLiteral("/org/freedesktop/Notifications"),
                                                QStringLiteral("org.freedesktop.Notifications"),
                                                QStringLiteral("NotificationClosed"), this,
                                                SLOT(recordClosed(uint, uint))));
}

TNotificationWatcher::TNotify tst_Notifications::lastNotify() {
  const qsizetype before = FWatcher->notifies().size();
  if (!FWatcher->sync() || FWatcher->notifies().size() == before)
    return {};
  return FWatcher->notifies().constLast();
}

void tst_Notifications::showReachesService_data() {
  QTest::addColumn<QString>("title");
  QTest::addColumn<QString>("text");
  QTest::addColumn<TBalloonIcon>("icon");
  QTest::addColumn<QString>("iconName");
  QTest::addColumn<QString>("body");

  QTest::newRow("information") << u"Vornix"_s << u"3 new items"_s << TBalloonIcon::Information
                               << u"dialog-information"_s << u"3 new items"_s;
  QTest::newRow("warning") << u"Vornix"_s << u"Feed is empty"_s << TBalloonIcon::Warning
                           << u"dialog-warning"_s << u"Feed is empty"_s;
  QTest::newRow("error") << u"Vornix"_s << u"No connection"_s << TBalloonIcon::Error
                         << u"dialog-error"_s << u"No connection"_s;
  QTest::newRow("no icon") << u"Vornix"_s << u"Plain message"_s << TBalloonIcon::None << QString()
                           << u"Plain message"_s;
  QTest::newRow("lines joined by CR")
      << u"Vornix"_s << u"first line\rsecond line\r\nthird line"_s << TBalloonIcon::Information
      << u"dialog-information"_s << u"first line\nsecond line\nthird line"_s;
  // dunst takes markup in the body, so feed text must reach it escaped; the
  // summary is plain text by definition and goes as it is.
  QTest::newRow("markup characters")
      << u"R&D <jobs>"_s << u"C++ & <Qt> > 5"_s << TBalloonIcon::Information
      << u"dialog-information"_s << u"C++ &amp; &lt;Qt&gt; &gt; 5"_s;
  QTest::newRow("cyrillic") << u"Вакансии"_s << u"Новых: 2"_s << TBalloonIcon::Information
                            << u"dialog-information"_s << u"Новых: 2"_s;
}

void tst_Notifications::showReachesService() {
  QFETCH(QString, title);
  QFETCH(QString, text);
  QFETCH(TBalloonIcon, icon);
  QFETCH(QString, iconName);
  QFETCH(QString, body);

  TNotifications notifications(nullptr);
  QVERIFY(notifications.show(title, text, icon, 5000));
  QVERIFY(notifications.currentId() != 0);

  const TNotificationWatcher::TNotify sent = lastNotify();
  notifications.hide();
  QCOMPARE(sent.AppName, u"Vornix"_s);
  QCOMPARE(sent.ReplacesId, 0u);
  QCOMPARE(sent.Icon, iconName);
  QCOMPARE(sent.Summary, title);
  QCOMPARE(sent.Body, body);
  QCOMPARE(sent.Urgency, 1);
  QCOMPARE(sent.ExpireTimeout, 5000);
}

void tst_Notifications::secondShowReplacesFirst() {
  TNotifications notifications(nullptr);
  QVERIFY(notifications.show(u"Vornix"_s, u"first balloon"_s, TBalloonIcon::Information, 5000));
  const uint first = notifications.currentId();
  QVERIFY(notifications.show(u"Vornix"_s, u"second balloon"_s, TBalloonIcon::Warning, 5000));

  QCOMPARE(notifications.currentId(), first);
  const TNotificationWatcher::TNotify sent = lastNotify();
  QCOMPARE(sent.Body, u"second balloon"_s);
  QCOMPARE(sent.ReplacesId, first);
  QTRY_COMPARE(displayedCount(), 1);

  notifications.hide();
  QTRY_COMPARE(displayedCount(), 0);
}

void tst_Notifications::hideClosesBalloon() {
  TNotifications notifications(nullptr);
  QVERIFY(notifications.show(u"Vornix"_s, u"to be hidden"_s, TBalloonIcon::Information, 5000));
  const uint id = notifications.currentId();
  QTRY_COMPARE(displayedCount(), 1);

  notifications.hide();
  QCOMPARE(notifications.currentId(), 0u);
  uint reason = 0;
  QVERIFY(FWatcher->waitForClosed(id, 5000, &reason));
  QCOMPARE(reason, 3u); // closed by a call to CloseNotification
  QTRY_COMPARE(displayedCount(), 0);

  // Nothing is up any more: a second hide must not close somebody else's
  // balloon that the service may have given the same id meanwhile.
  QVERIFY(FWatcher->sync());
  const qsizetype closeCalls = FWatcher->closeCalls().size();
  notifications.hide();
  QVERIFY(FWatcher->sync());
  QCOMPARE(FWatcher->closeCalls().size(), closeCalls);
}

void tst_Notifications::expiredBalloonIsNotReplaced() {
  TNotifications notifications(nullptr);
  QVERIFY(notifications.show(u"Vornix"_s, u"short-lived"_s, TBalloonIcon::Information, 300));
  const uint expired = notifications.currentId();
  uint reason = 0;
  QVERIFY(FWatcher->waitForClosed(expired, 10000, &reason));
  QCOMPARE(reason, 1u); // expired
  QTRY_COMPARE(notifications.currentId(), 0u);

  QVERIFY(notifications.show(u"Vornix"_s, u"after expiry"_s, TBalloonIcon::Information, 5000));
  const TNotificationWatcher::TNotify sent = lastNotify();
  QCOMPARE(sent.Body, u"after expiry"_s);
  QCOMPARE(sent.ReplacesId, 0u);
  QVERIFY(notifications.currentId() != expired);
  QTRY_COMPARE(displayedCount(), 1);
  notifications.hide();
}

void tst_Notifications::anotherBalloonClosingLeavesOursAlone() {
  // The service tells every balloon's closing to the connection that showed
  // it, and both objects share the program's connection.
  TNotifications ours(nullptr);
  TNotifications theirs(nullptr);
  QVERIFY(ours.show(u"Vornix"_s, u"ours"_s, TBalloonIcon::Information, 5000));
  QVERIFY(theirs.show(u"Vornix"_s, u"theirs"_s, TBalloonIcon::Information, 5000));
  const uint ourId = ours.currentId();
  const uint theirId = theirs.currentId();
  QVERIFY(ourId != theirId);

  theirs.hide();
  QTRY_VERIFY(FClosedSeen.contains(theirId));
  QTest::qWait(100); // let every receiver of that signal have it
  QCOMPARE(ours.currentId(), ourId);

  ours.hide();
  uint reason = 0;
  QVERIFY(FWatcher->waitForClosed(ourId, 5000, &reason));
  QCOMPARE(reason, 3u);
}

void tst_Notifications::noBusMeansNoBalloon() {
  QVERIFY(RunSelfAsChild(u"--without-bus"_s, u"DBUS_SESSION_BUS_ADDRESS"_s,
                         u"unix:path=/nonexistent/vornix-no-bus"_s));
}

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  if (argc > 1 && qstrcmp(argv[1], "--without-bus") == 0)
    return runWithoutBus();
  tst_Notifications test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "tst_Notifications.moc"
