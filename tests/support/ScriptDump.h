#pragma once

#include "support/FileBytes.h"

#include <QDir>
#include <QDirIterator>
#include <QStringList>

#include <functional>
#include <map>

// What the dumps of scripted tests share: one line per text, and only what
// changed since the step before.
inline QString Flat(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral(" / "))
      .replace(u'\r', QStringLiteral(" / "))
      .replace(u'\n', QStringLiteral(" / "));
}

// The lines of `now` that differ from the same lines of the step before.
inline QStringList ChangedLines(const QStringList &now, QStringList &before) {
  QStringList changed;
  for (qsizetype i = 0; i < now.size(); ++i)
    if (now.at(i) != before.value(i))
      changed << now.at(i);
  before = now;
  return changed;
}

// Every file of a folder written, changed or removed since the last look,
// as "file <name>: <size> bytes" and what `describe` adds (": <text>").
class TFolderChanges {
public:
  using TDescribe = std::function<QString(const QString &name, const QByteArray &bytes)>;
  QStringList look(const QString &folder, const TDescribe &describe) {
    std::map<QString, QByteArray> now;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
      const QString path = it.next();
      now[QDir(folder).relativeFilePath(path)] = contentOf(path);
    }
    QStringList lines;
    for (const auto &[name, bytes] : now)
      if (const auto before = FFiles.find(name); before == FFiles.end() || before->second != bytes)
        if (const QString told = describe(name, bytes); !told.isNull())
          lines << QStringLiteral("file %1: %2 bytes").arg(name).arg(bytes.size()) + told;
    for (const auto &[name, bytes] : FFiles)
      if (!now.contains(name) && !describe(name, {}).isNull())
        lines << QStringLiteral("file %1: removed").arg(name);
    FFiles = std::move(now);
    return lines;
  }

private:
  std::map<QString, QByteArray> FFiles;
};
