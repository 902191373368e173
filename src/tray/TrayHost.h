#pragma once

// The kinds of tray a desktop can offer to QSystemTrayIcon.
enum class TTrayMode {
  None,           // no tray: the window lives on the taskbar
  XEmbed,         // an icon window embedded in a tray panel
  StatusNotifier, // an item over D-Bus, drawn by a StatusNotifierItem host
};

// Which kind of tray the desktop offers to QSystemTrayIcon.
class TTrayHost {
public:
  // What the desktop offers now. A tray that comes or goes later changes the
  // answer; the kind of a tray that is there does not (see isStatusNotifier).
  static TTrayMode mode();
  // True when the icon goes to a StatusNotifierItem host over D-Bus. Such
  // hosts never report a double-click, so a single activation has to stand in
  // for it there. Qt makes this choice once, as the first tray icon is made,
  // and so does this: the first answer is kept for the life of the process.
  static bool isStatusNotifier();
};
