#include "support/BoardWindows.h"
#include "support/NotificationWatcher.h"

using namespace Qt::StringLiterals;

// What the window makes of a report: the status line, whether a balloon goes
// to the real notification service on the test's session bus and with which
// icon, how long it stays, and sounds through the real sound server. How the
// service shows a balloon is tested with the notifications themselves.
class TestReporting : public QObject, TBoardWindows {
  Q_OBJECT
  TNotificationWatcher FWatcher;

  qsizetype notifyCount() { return FWatcher.sync() ? FWatcher.notifies().size() : -1; }

private Q_SLOTS:
  void initTestCase() {
    QString error;
    QVERIFY2(FWatcher.start(&error), qPrintable(error));
    setUpBoard();
    createWindows();
    FForm->N9Click();
  }
  void cleanupTestCase() { tearDownBoard(); }
  void init() {
    FForm->TimerHideBallonTimer();
    FSettings->ChBBallonsOff->setChecked(false);
    FSettings->ChBSoundsUse->setChecked(false);
  }

  void balloonByKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("balloonsOff");
    QTest::addColumn<QString>("icon"); // the balloon's; "no balloon" when none is shown
    const QString none = u"no balloon"_s;
    QTest::newRow("0 has no icon") << 0 << u"a"_s << false << QString();
    QTest::newRow("1 information") << 1 << u"a"_s << false << u"dialog-information"_s;
    QTest::newRow("3 error") << 3 << u"a"_s << false << u"dialog-error"_s;
    QTest::newRow("5 keeps the icon before") << 5 << u"a"_s << false << u"dialog-warning"_s;
    QTest::newRow("kind -1") << -1 << u"Элемент 1 загружен."_s << false << none;
    QTest::newRow("empty text") << 1 << QString() << false << none;
    QTest::newRow("balloons off") << 3 << u"Ошибка"_s << true << none;
  }
  void balloonByKind() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, balloonsOff);
    QFETCH(QString, icon);
    FForm->ReportStatus(2, u"Обновление"_s, u"a warning before"_s);
    FForm->TimerHideBallon->stop();
    FSettings->ChBBallonsOff->setChecked(balloonsOff);
    const qsizetype shown = notifyCount();
    FForm->ReportStatus(kind, u"Обновление"_s, text);
    const bool balloon = icon != u"no balloon";
    QCOMPARE(notifyCount(), shown + (balloon ? 1 : 0));
    if (balloon)
      QCOMPARE(FWatcher.notifies().last().Icon, icon);
    QCOMPARE(FForm->statusText(), u' ' + text);
    QCOMPARE(FForm->TimerHideBallon->isActive(), balloon);
  }

  // The countdown starts afresh with every balloon shown, a repeat included;
  // the repeat comes only while the window stays on top.
  void hideTimerCountsFromTheLastBalloon() {
    const auto restarted = [this] { return FForm->TimerHideBallon->remainingTime() > 4700; };
    FForm->ReportStatus(1, u"T"_s, u"first"_s);
    QTest::qWait(700); // more than a coarse timer may be early or late by
    FForm->ReportStatus(2, u"T"_s, u"again"_s);
    QVERIFY(restarted());
    const qsizetype shown = notifyCount();
    QTest::qWait(700);
    FForm->RefreshBalloon();
    QCOMPARE(notifyCount(), shown);
    FForm->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    FForm->RefreshBalloon();
    FForm->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    QVERIFY(restarted());
    QCOMPARE(notifyCount(), shown + 1);
    const TNotificationWatcher::TNotify &again = FWatcher.notifies().last();
    QCOMPARE((QStringList{again.Summary, again.Body, again.Icon}),
             (QStringList{u"T"_s, u"again"_s, u"dialog-warning"_s}));
    QCOMPARE(again.ExpireTimeout, 5000);
    const qsizetype closes = FWatcher.closeCalls().size();
    FForm->TimerHideBallonTimer();
    QVERIFY(!FForm->TimerHideBallon->isActive());
    QVERIFY(FWatcher.sync());
    QCOMPARE(FWatcher.closeCalls().size(), closes + 1);
  }

  void sounds() {
    FSettings->ChBSoundsUse->setChecked(true); // "sounds off" succeeds without a sounds folder
    for (int i = -1; i <= 10; ++i)
      QVERIFY2(FForm->PlayEventSound(i), qPrintable(QString::number(i)));
    FSettings->ChBSoundsUse->setChecked(false);
    QVERIFY(!FForm->PlayEventSound(3)); // no sounds folder yet
    FData->copySounds();
    QVERIFY(!FForm->PlayEventSound(10));
    QVERIFY(!FForm->PlayEventSound(-1));
    QVERIFY(FForm->PlayEventSound(7)); // asynchronous
    QVERIFY(FForm->PlayEventSound(3)); // synchronous
  }
};

QTEST_MAIN(TestReporting)
#include "tst_Reporting.moc"
