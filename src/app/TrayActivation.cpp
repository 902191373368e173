#include "app/TrayActivation.h"

TTrayAction TrayActivationAction(TTrayMode mode, QSystemTrayIcon::ActivationReason reason,
                                 bool windowShown) {
  switch (reason) {
  case QSystemTrayIcon::DoubleClick:
    return TTrayAction::Toggle;
  case QSystemTrayIcon::Trigger:
    if (mode == TTrayMode::StatusNotifier)
      return TTrayAction::Toggle;
    return windowShown ? TTrayAction::BringForward : TTrayAction::Nothing;
  case QSystemTrayIcon::Context:
  case QSystemTrayIcon::MiddleClick:
  case QSystemTrayIcon::Unknown:
    break;
  }
  return TTrayAction::Nothing;
}
