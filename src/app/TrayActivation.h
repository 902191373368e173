#pragma once

#include "tray/TrayHost.h"

#include <QSystemTrayIcon>

enum class TTrayAction { Nothing, BringForward, Toggle };

// What an activation of the tray icon does to the main window. A double-click
// toggles it; a single click only brings forward a window that is already
// shown, so that the first click of a double-click never flashes a hidden one.
// A StatusNotifierItem host reports no double-click, so there the single
// activation is the toggle.
TTrayAction TrayActivationAction(TTrayMode mode, QSystemTrayIcon::ActivationReason reason,
                                 bool windowShown);
