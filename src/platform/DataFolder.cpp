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

QString perUserFolder() {
  const QString folder =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Vornix";
  QDir().mkpath(folder);
  return folder;
}

} // namespace

QString TDataFolder::sharedFolderFor(const QString &executableFolder) {
  const QString shared = QDir::cleanPath(executableFolder + u"/../share/vornix");
  return QFileInfo(shared).isDir() ? shared : QString();
}

// An installed program must not write beside itself even where it could (as
// root, or installed in the user's own prefix): the folder belongs to the
// package.
QString TDataFolder::defaultPathFor(const QString &executableFolder) {
  if (sharedFolderFor(executableFolder).isEmpty() && QFileInfo(executableFolder).isWritable())
    return executableFolder;
  return perUserFolder();
}

QString TDataFolder::path() {
  if (overridePath().isEmpty())
    overridePath() = defaultPathFor(QCoreApplication::applicationDirPath());
  return overridePath();
}

QString TDataFolder::file(const QString &relative) {
  return path() + u'/' + relative;
}

QString TDataFolder::resource(const QString &relative) {
  const QString own = file(relative);
  if (QFileInfo::exists(own))
    return own;
  const QString shared = sharedFolderFor(QCoreApplication::applicationDirPath());
  return shared.isEmpty() ? own : shared + u'/' + relative;
}

void TDataFolder::setPath(const QString &path) {
  overridePath() = path.endsWith(u'/') && path.size() > 1 ? path.chopped(1) : path;
}
