#pragma once

#include <QString>

// The folder that holds everything the program keeps. An installed program
// (its shipped files in share/vornix beside its bin folder) keeps the user's
// files in the per-user data folder, $XDG_DATA_HOME/Vornix; one run from its
// own folder keeps them there when it may write to it, else in the per-user
// folder too.
class TDataFolder {
public:
  static QString path();                        // no trailing slash
  static QString file(const QString &relative); // path() + "/" + relative
  // A file the program ships, such as a sound or the default side-panel
  // page: the user's own copy in the data folder when there is one (it may
  // replace a sound), else the installed one.
  static QString resource(const QString &relative);
  static void setPath(const QString &path); // for tests; empty restores the default

  // The rules, for an executable in the given folder.
  static QString sharedFolderFor(const QString &executableFolder); // empty: not installed
  static QString defaultPathFor(const QString &executableFolder);
};
