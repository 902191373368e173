#include "app/BalloonKind.h"
#include "app/Unit1.h"
#include "platform/DataFolder.h"
#include "platform/EventSound.h"
#include "reader/EventSounds.h"
#include "settings/Unit2.h"

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

void TForm1::ReportStatus(TStatusKind kind, const QString &title, const QString &text) {
  if (FDestroying)
    return;
  setStatusLine(u' ' + text);
  Q_EMIT statusReported(kind, title, text);
  if (balloonsOff() || kind == TStatusKind::Silent || text.isEmpty())
    return;
  FBalloonIcon = BalloonIconForKind(kind);
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

bool TForm1::PlayEventSound(TEventSoundId sound) {
  if (FDestroying)
    return true;
  Q_EMIT eventSoundRequested(sound);
  if (soundsOff())
    return true;
  const TEventSoundEntry &entry = kEventSounds[int(sound)];
  const QString path = TDataFolder::resource(u"sounds/" + QString::fromLatin1(entry.fileName));
  if (!QFileInfo::exists(path))
    return false;
  if (entry.asynchronous)
    return FEventSound->playAsync(path);
  // A close request during the sound cuts it short.
  return FEventSound->playSync(path, [this] { return FDestroying; });
}
