#pragma once

// Which kind of tray the desktop offers to QSystemTrayIcon.
class TTrayHost {
public:
  // True when the icon goes to a StatusNotifierItem host over D-Bus. Such
  // hosts never report a double-click, so a single activation has to stand in
  // for it there.
  static bool isStatusNotifier();
};
