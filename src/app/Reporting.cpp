#include "app/BalloonKind.h"
#include "app/EventSounds.h"
#include "app/Unit1.h"
#include "platform/DataFolder.h"
#include "platform/EventSound.h"
#include "settings/Unit2.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

namespace {
constexpr int kBalloonTimeoutMs = 5000;
}

bool TForm1::balloonsOff() const {
  return FFormSetting && FFormSetting->balloonsOff();
}

bool TForm1::soundsOff() const {
  return FFormSetting && FFormSetting->soundsOff();
}

void TForm1::ReportStatus(int kind, const QString &title, const QString &text) {
  if (FDestroying)
    return;
  setStatusLine(u' ' + text);
  Q_EMIT statusReported(kind, title, text);
  if (balloonsOff() || kind < 0 || text.isEmpty())
    return;
  FBalloonIcon = BalloonIconForKind(kind, FBalloonIcon);
  FBalloonTitle = title;
  FBalloonText = text;
  FNotifications->show(FBalloonTitle, FBalloonText, FBalloonIcon, kBalloonTimeoutMs);
  TimerHideBallon->setInterval(kBalloonTimeoutMs);
  TimerHideBallon->start(); // a countdown already running starts afresh
}

void TForm1::TimerHideBallonTimer() {
  if (!TimerHideBallon->isActive())
    return;
  TimerHideBallon->stop();
  HideBalloon();
}

void TForm1::HideBalloon() {
  if (FDestroying)
    return;
  FNotifications->hide();
  TimerHideBallon->stop();
}

void TForm1::RefreshBalloon() {
  if (!(windowFlags() & Qt::WindowStaysOnTopHint) || !TimerHideBallon->isActive())
    return;
  FNotifications->show(FBalloonTitle, FBalloonText, FBalloonIcon, kBalloonTimeoutMs);
  RestartTimer(TimerHideBallon, false);
}

bool TForm1::PlayEventSound(int index) {
  if (FDestroying)
    return true;
  Q_EMIT eventSoundRequested(index);
  if (soundsOff())
    return true;
  if (index < 0 || index >= kEventSoundCount)
    return false;
  const TEventSoundEntry &entry = kEventSounds[index];
  const QString path = TDataFolder::resource(u"sounds/" + QString::fromLatin1(entry.fileName));
  if (!QFileInfo::exists(path))
    return false;
  if (entry.asynchronous)
    return FEventSound->playAsync(path);
  // A close request during the sound cuts it short.
  return FEventSound->playSync(path, [this] { return FDestroying; });
}
