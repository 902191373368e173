#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The executable's version record: named text fields such as "ProductName"
// and "FileVersion". Keys are matched without regard to letter case, so
// "OriginalFileName" finds the field stored as "OriginalFilename".
class TVersionRecord {
public:
  // Replaces the field stored under `key` (in any case), or adds it.
  void setValue(const QString &key, const QString &value);
  // Nothing when the record has no such field.
  std::optional<QString> value(const QString &key) const;

  // The record compiled into this program. The file version is the build's
  // project version; the file name is the running executable's own.
  static TVersionRecord program();

private:
  QList<std::pair<QString, QString>> FFields; // in the order added
};
