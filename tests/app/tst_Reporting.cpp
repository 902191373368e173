#include "app/BalloonKind.h"
#include "app/Unit1.h"
#include "settings/Unit2.h"
#include "support/NotificationWatcher.h"
#include "support/TempDataFolder.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TBalloonIcon)

// Status line, balloons through the real notification service on the test's
// session bus, and sounds through the real sound server.
class TestReporting : public QObject {
  Q_OBJECT
  TTempDataFolder FData;
  std::unique_ptr<TNotificationWatcher> FWatcher;
  std::unique_ptr<TFormSetting> FSettings;
  std::unique_ptr<TForm1> FForm;

  qsizetype notifyCount() {
    if (!FWatcher->sync())
      return -1;
    return FWatcher->notifies().size();
  }

private Q_SLOTS:
  void initTestCase() {
    FWatcher = std::make_unique<TNotificationWatcher>();
    QString error;
    QVERIFY2(FWatcher->start(&error), qPrintable(error));
    FSettings = std::make_unique<TFormSetting>();
    FForm = std::make_unique<TForm1>();
    FForm->setFormSetting(FSettings.get());
    FForm->N9Click();
  }
  void cleanupTestCase() {
    FForm.reset();
    FWatcher.reset();
  }
  void init() {
    FForm->TimerHideBallonTimer();
    FSettings->ChBBallonsOff->setChecked(false);
    FSettings->ChBSoundsUse->setChecked(false);
  }

  void iconByKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<TBalloonIcon>("previous");
    QTest::addColumn<TBalloonIcon>("icon");
    QTest::newRow("0 none") << 0 << TBalloonIcon::Error << TBalloonIcon::None;
    QTest::newRow("1 information") << 1 << TBalloonIcon::None << TBalloonIcon::Information;
    QTest::newRow("2 warning") << 2 << TBalloonIcon::None << TBalloonIcon::Warning;
    QTest::newRow("3 error") << 3 << TBalloonIcon::None << TBalloonIcon::Error;
    QTest::newRow("7 keeps the previous") << 7 << TBalloonIcon::Warning << TBalloonIcon::Warning;
  }
  void iconByKind() {
    QFETCH(int, kind);
    QFETCH(TBalloonIcon, previous);
    QFETCH(TBalloonIcon, icon);
    QCOMPARE(BalloonIconForKind(kind, previous), icon);
  }

  void balloonsReachTheService_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("icon");
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("1") << 1 << u"dialog-information"_s;
    QTest::newRow("2") << 2 << u"dialog-warning"_s;
    QTest::newRow("3") << 3 << u"dialog-error"_s;
    QTest::newRow("5 keeps the error icon") << 5 << u"dialog-error"_s;
  }
  void balloonsReachTheService() {
    QFETCH(int, kind);
    QFETCH(QString, icon);
    const qsizetype before = notifyCount();
    FForm->ReportStatus(kind, u"Обновление"_s, u"http://x/rss\rОбновление выполнено."_s);
    QCOMPARE(notifyCount(), before + 1);
    const auto &n = FWatcher->notifies().last();
    QCOMPARE(n.Summary, u"Обновление"_s);
    QCOMPARE(n.Icon, icon);
    QVERIFY2(n.Body.contains(u"Обновление выполнено."_s), qPrintable(n.Body));
    QCOMPARE(n.ExpireTimeout, 5000);
    QCOMPARE(FForm->statusText(), u" http://x/rss\rОбновление выполнено."_s);
    QVERIFY(FForm->TimerHideBallon->isActive());
  }

  void statusOnlyWhenNoBalloonIsWanted_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("balloonsOff");
    QTest::newRow("kind -1") << -1 << u"Элемент 1 загружен."_s << false;
    QTest::newRow("empty text") << 1 << QString() << false;
    QTest::newRow("balloons off") << 3 << u"Ошибка"_s << true;
  }
  void statusOnlyWhenNoBalloonIsWanted() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, balloonsOff);
    FSettings->ChBBallonsOff->setChecked(balloonsOff);
    const qsizetype before = notifyCount();
    FForm->ReportStatus(kind, u"Документ"_s, text);
    QCOMPARE(notifyCount(), before);
    QCOMPARE(FForm->statusText(), u' ' + text);
    QVERIFY(!FForm->TimerHideBallon->isActive());
  }

  void secondReportReplacesTheFirstForAFullTimeOut() {
    FForm->ReportStatus(1, u"A"_s, u"first"_s);
    QVERIFY(notifyCount() > 0);
    const uint firstReplaces = FWatcher->notifies().last().ReplacesId;
    QTest::qWait(300);
    FForm->ReportStatus(2, u"B"_s, u"second"_s);
    QVERIFY(notifyCount() > 0);
    const auto &second = FWatcher->notifies().last();
    QVERIFY(second.ReplacesId != 0);
    QVERIFY(second.ReplacesId != firstReplaces || firstReplaces != 0);
    QVERIFY(FForm->TimerHideBallon->remainingTime() > 4700);
  }

  void hideTimerClosesTheBalloon() {
    FForm->ReportStatus(1, u"A"_s, u"shown"_s);
    QVERIFY(notifyCount() > 0);
    const qsizetype closesBefore = FWatcher->closeCalls().size();
    FForm->TimerHideBallonTimer();
    QVERIFY(FWatcher->sync());
    QCOMPARE(FWatcher->closeCalls().size(), closesBefore + 1);
    QVERIFY(!FForm->TimerHideBallon->isActive());
    FForm->TimerHideBallonTimer(); // nothing up: nothing to close
    QVERIFY(FWatcher->sync());
    QCOMPARE(FWatcher->closeCalls().size(), closesBefore + 1);
  }

  void refreshShowsTheBalloonAgainOnlyWhenOnTop() {
    FForm->ReportStatus(2, u"T"_s, u"again"_s);
    qsizetype before = notifyCount();
    FForm->RefreshBalloon();
    QCOMPARE(notifyCount(), before);
    FForm->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    FForm->RefreshBalloon();
    QCOMPARE(notifyCount(), before + 1);
    QCOMPARE(FWatcher->notifies().last().Body, u"again"_s);
    QCOMPARE(FWatcher->notifies().last().Icon, u"dialog-warning"_s);
    FForm->setWindowFlag(Qt::WindowStaysOnTopHint, false);
  }

  void soundsOffIsSuccessForEveryIndex() {
    FSettings->ChBSoundsUse->setChecked(true);
    for (int i = -1; i <= 10; ++i)
      QVERIFY2(FForm->PlayEventSound(i), qPrintable(QString::number(i)));
  }

  void soundsNeedAKnownIndexAndTheirFile() {
    QVERIFY(!FForm->PlayEventSound(3)); // no sounds folder yet
    FData.copySounds();
    QVERIFY(!FForm->PlayEventSound(10));
    QVERIFY(!FForm->PlayEventSound(-1));
    QVERIFY(FForm->PlayEventSound(7)); // asynchronous
    QVERIFY(FForm->PlayEventSound(3)); // synchronous
  }
};

QTEST_MAIN(TestReporting)
#include "tst_Reporting.moc"
