#include "platform/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString &overridePath() {
  static QString path;
  return path;
}

QString defaultPath() {
  const QString exeDir = QCoreApplication::applicationDirPath();
  if (QFileInfo(exeDir).isWritable())
    return exeDir;
  // Installed read-only (e.g. under /usr): keep the user's files in their own folder.
  const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(own);
  return own;
}
} // namespace

QString TDataFolder::path() {
  if (overridePath().isEmpty())
    overridePath() = defaultPath();
  return overridePath();
}

QString TDataFolder::file(const QString &relative) {
  return path() + u'/' + relative;
}

void TDataFolder::setPath(const QString &path) {
  overridePath() = path.endsWith(u'/') && path.size() > 1 ? path.chopped(1) : path;
}
