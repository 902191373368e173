// Whether the desktop has a tray, and what the main window is made as because
// of it: a tool window that hides to the tray, or an ordinary window with a
// taskbar entry when there is nowhere else to find it.
#include "app/Unit1.h"

#include <QTimer>

void TForm1::setTrayProbe(std::function<TTrayMode()> probe) {
  FTrayProbe = std::move(probe);
  CheckTray();
}

void TForm1::CheckTray() {
  if (!FDestroying && FTrayProbe)
    applyTrayMode(FTrayProbe());
}

void TForm1::applyTrayMode(TTrayMode mode) {
  if (FDestroying || mode == FTrayMode)
    return;
  const bool hadTray = FTrayMode != TTrayMode::None;
  const bool wasMinimised = isVisible() && isMinimized();
  FTrayMode = mode;
  if (hadTray == (mode != TTrayMode::None))
    return;
  setToolWindow(mode != TTrayMode::None);
  // A window hidden to a tray that has gone would be out of reach. Before the
  // first show the program entry shows it, and while closing nothing does.
  if (mode == TTrayMode::None && isHidden() && !FStartingOrClosing)
    N9Click();
  // A window minimised to the taskbar goes to the tray that has come.
  if (wasMinimised) {
    syncShowHideCaption();
    syncZentaraTimer();
  }
}

// Changing the window's type makes a new native window, hidden; it is put
// back where it was, as it was.
void TForm1::setToolWindow(bool tool) {
  const QPoint place = pos();
  const QSize size = this->size();
  const bool shown = shownOnScreen();
  Qt::WindowFlags flags = tool ? Qt::Tool : Qt::Window;
  flags.setFlag(Qt::WindowStaysOnTopHint, windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  // Left minimised, the native window would map itself again the moment the
  // state is cleared, hidden or not; clearing it first keeps a hidden window hidden.
  if (isMinimized())
    setWindowState(windowState() & ~Qt::WindowMinimized);
  setWindowFlags(flags);
  move(place);
  resize(size);
  if (shown)
    show();
}

// Started at login: the window stays in the tray, but everything its first
// show does (the saved state, the tabs, the first refresh) happens now. The
// tray may come up a little after the program; a window nobody could reach
// is shown once the wait is over.
void TForm1::StartHidden(std::chrono::milliseconds trayWait) {
  FormShow();
  if (FTrayMode != TTrayMode::None || FDestroying)
    return;
  const QDeadlineTimer deadline(trayWait);
  auto *wait = new QTimer(this);
  wait->setInterval(std::min<std::chrono::milliseconds>(trayWait, std::chrono::milliseconds(500)));
  connect(wait, &QTimer::timeout, this, [this, wait, deadline] {
    CheckTray();
    if (FDestroying || FTrayMode != TTrayMode::None || !isHidden()) {
      wait->deleteLater();
    } else if (deadline.hasExpired()) {
      wait->deleteLater();
      N9Click();
    }
  });
  wait->start();
}
