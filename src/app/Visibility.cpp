#include "about/About.h"
#include "app/MenuItems.h"
#include "platform/ProgramSite.h"
#include "app/TrayActivation.h"
#include "app/TrayAnimation.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "platform/Shell.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

#include <utility>

namespace {

// Long enough for any window manager to activate a window it has just mapped.
constexpr int kShowActivationMs = 1000;
// Long enough for the window system to report a state the window has just left.
constexpr int kMinimiseEchoMs = 250;

} // namespace

// With a tray the window hides to it; without one it minimises to the
// taskbar, the only place the user could find it again.
void TForm1::N9Click() {
  if (shownOnScreen())
    hideToTray();
  else
    showFromTray();
  if (FDestroying)
    return;
  syncShowHideCaption();
  syncZentaraTimer();
}

void TForm1::showFromTray() {
  FMinimiseToTrayTimer->stop();
  // The first show places the window only as it happens: a flight would
  // head for where it is not.
  if (const QRect icon = trayIconRect(); icon.isValid() && isHidden() && !FStartingOrClosing)
    FTrayAnimation->fly(icon, frameGeometry());
  FShowActivation.setRemainingTime(kShowActivationMs);
  // Only a window that went to the tray minimised can hear its old state again.
  if (std::exchange(FMinimisedToTray, false))
    FMinimiseEcho.setRemainingTime(kMinimiseEchoMs);
  showNormal();
  raise();
  activateWindow();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (FDestroying)
    return;
  RefreshBalloon();
}

void TForm1::hideToTray() {
  FShowActivation = QDeadlineTimer();
  if (FTrayMode == TTrayMode::None) {
    showMinimized();
    return;
  }
  if (const QRect icon = trayIconRect(); icon.isValid())
    FTrayAnimation->fly(frameGeometry(), icon);
  hide();
}

// An XEmbed tray tells where the icon is; a StatusNotifierItem host usually
// does not, and then the window appears and goes without a flight.
QRect TForm1::trayIconRect() const {
  return FTrayMode == TTrayMode::None ? QRect() : TrayIcon1->geometry();
}

void TForm1::syncShowHideCaption() {
  N9->setText(shownOnScreen() ? QStringLiteral("Скрыть") : QStringLiteral("Показать"));
}

void TForm1::N4Click() {
  close();
}

void TForm1::N2Click() {
  if (FDestroying || !FFormSetting)
    return;
  if (!FFormSetting->isVisible())
    FFormSetting->show();
  FFormSetting->raise();
  FFormSetting->activateWindow();
}

void TForm1::BringForward() {
  if (FDestroying)
    return;
  if (!shownOnScreen())
    N9Click();
  if (FDestroying)
    return;
  raise();
  activateWindow();
}

// The About window frees itself when it closes; nothing keeps a reference.
void TForm1::N19Click() {
  if (!FDestroying)
    TFormAbout::ShowModal(this);
}

void TForm1::N16Click() {
  TShell::openUrl(ProgramPageAddress());
}

void TForm1::TrayIcon1Activated(QSystemTrayIcon::ActivationReason reason) {
  if (FDestroying)
    return;
  switch (TrayActivationAction(FTrayMode, reason, shownOnScreen())) {
  case TTrayAction::Toggle:
    N9Click();
    break;
  case TTrayAction::BringForward:
    raise();
    activateWindow();
    break;
  case TTrayAction::Nothing:
    break;
  }
}

void TForm1::KivPopupMenu1Popup() {
  syncShowHideCaption();
}

void TForm1::changeEvent(QEvent *event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !FDestroying) {
    // The user bringing the window forward is the desktop's nearest thing
    // to a press on its title bar; a show from the tray refreshes on its own.
    if (FShowActivation.hasExpired())
      RefreshBalloon();
    FShowActivation = QDeadlineTimer();
  }
  if (event->type() != QEvent::WindowStateChange)
    return;
  if (FTrayMode == TTrayMode::None || !(windowState() & Qt::WindowMinimized)) {
    syncShowHideCaption();
    syncZentaraTimer();
    return;
  }
  // Minimising sends the window to the tray; there is no minimised state
  // with a taskbar button.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  // The first show's refresh runs inside the show, so a minimise the user
  // makes meanwhile arrives late too; only one right after the show is an echo.
  if (FMinimiseEcho.hasExpired()) {
    FMinimisedToTray = true;
    FMinimiseToTrayTimer->start();
  }
}
