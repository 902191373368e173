// The background watch as the window presents it: the alert balloon, the
// count in the tray icon's tooltip, the marks on the site tabs, and the way
// from a balloon to its item.
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/FeedWatch.h"
#include "platform/BusyWait.h"
#include "settings/Unit2.h"

#include <QApplication>

using namespace Qt::StringLiterals;

namespace {

constexpr int kAlertTimeoutMs = 10000;

} // namespace

void TForm1::buildWatch() {
  FFeedWatch = new TFeedWatch(this);
  connect(FFeedWatch, &TFeedWatch::checked, FReader, &TReader::watchChecked);
  connect(FReader, &TReader::watchMarksChanged, this, &TForm1::syncWatchMarks);
  connect(FReader, &TReader::alertRaised, this, &TForm1::showAlert);
  // An alert has a balloon of its own, which no status message replaces or hides.
  FWatchNotifications = new TNotifications(TrayIcon1, this);
  connect(FWatchNotifications, &TNotifications::actionInvoked, this, [this](const QString &key) {
    // The bus is heard during the window's own waits too: the way to the item
    // starts once they are over.
    if (key == u"default"_s)
      TBusyWait::later(this, [this] { ShowAlertedItem(); });
  });
}

void TForm1::applyWatch(bool on) {
  FWatchOn = on;
  syncWatch();
}

// The watch starts with the first show's work and ends with closing.
void TForm1::syncWatch() {
  FFeedWatch->setActive(FWatchOn && !FStartingOrClosing && !FDestroying);
}

void TForm1::syncWatchedFeeds() {
  FFeedWatch->setFeeds(FReader->watchedFeeds(FFormSetting ? &FFormSetting->sites() : nullptr));
}

void TForm1::showAlert(const QString &title, const QString &text) {
  if (!balloonsOff())
    FWatchNotifications->show(title, text, TBalloonIcon::Information, kAlertTimeoutMs,
                              {u"default"_s, u"Показать"_s});
}

void TForm1::syncWatchMarks() {
  const QString name = QApplication::applicationDisplayName();
  const int matches = FReader->newMatches();
  TrayIcon1->setToolTip(matches == 0 ? name : u"%1\nНовых проектов: %2"_s.arg(name).arg(matches));
  KivTabSet1->invalidate();
}

// The balloon's way back: the window on the site and category of the alert,
// at its first item. The show may wait and end with the window closed.
void TForm1::ShowAlertedItem() {
  BringForward();
  if (!FDestroying)
    FReader->followAlert();
}
