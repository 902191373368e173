#pragma once

#include <QString>

// Starting at login the freedesktop way: an entry in
// $XDG_CONFIG_HOME/autostart that the session starts. Whether the program
// starts at login is whether the entry is there, so nothing else records it.
class TAutostart {
public:
  static QString entryFile();
  static bool enabled();
  // Writes the entry (atomically) or removes it; false when the file system
  // refused, and then the state is as it was.
  static bool setEnabled(bool on);
  // The entry that starts this executable in the tray, without its window.
  static QString entryText(const QString &executable);
};
