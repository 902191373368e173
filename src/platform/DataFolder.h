#pragma once

#include <QString>

// The folder that holds everything the program keeps: the executable's own
// folder when it is writable, else the user's application data folder.
class TDataFolder {
public:
  static QString path();                        // no trailing slash
  static QString file(const QString &relative); // path() + "/" + relative
  static void setPath(const QString &path);     // for tests; empty restores the default
};
