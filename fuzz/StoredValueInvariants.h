#pragma once

// What must hold for stored-value decoding whatever an INI line or a side file
// holds. Shared by the libFuzzer target and the test that replays its corpus.
//
// An input is a flags byte (bit 0: scrambled), then up to three fields split
// by byte 0xFF, which UTF-8 never uses: the scrambling key, the INI line's
// text (both UTF-8, so that characters without a Windows-1251 code are
// reachable) and the bytes of a side file named "side".
#include "persist/StoredValue.h"
#include "platform/Codepage.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>

namespace StoredValueInvariants {

using namespace Qt::StringLiterals;

inline const QString kSideName = u"side"_s;
inline const QByteArray kOutside = "outside the data folder";

struct TInput {
  bool crypt = false;
  QString key;
  QString stored;
  QByteArray side;
};

inline TInput inputOf(const QByteArray &bytes) {
  TInput input;
  if (bytes.isEmpty())
    return input;
  input.crypt = bytes.front() & 1;
  const QList<QByteArray> fields = bytes.sliced(1).split('\xFF');
  input.key = QString::fromUtf8(fields.value(0));
  input.stored = QString::fromUtf8(fields.value(1));
  input.side = fields.value(2);
  return input;
}

inline bool putFile(const QString &fileName, const QByteArray &bytes) {
  QFile file(fileName);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A data folder holding only the side file, inside a folder whose own files
// must never be read through a reference.
inline bool prepare(const QString &root, const TInput &input) {
  QDir data(QDir(root).filePath(u"data"_s));
  if (!data.removeRecursively() || !QDir().mkpath(data.path()))
    return false;
  for (const QString &name : {u"outside"_s, u"side"_s, u"data"_s}) {
    const QString fileName = QDir(root).filePath(name + u".txt"_s);
    if (!QFile::exists(fileName) && !putFile(fileName, kOutside))
      return false;
  }
  return putFile(data.filePath(kSideName + u".txt"_s), input.side);
}

// A value read back and saved again, through a real INI line and side file,
// reads the same, bar the characters Windows-1251 has no code for.
inline QString resave(const QString &value, const QString &naming,
                      const TStoredValueOptions &options) {
  const QString sideName = SideFileName(naming);
  if (!IsSafeSideFileName(sideName))
    return u"a side-file name of our own is refused: "_s + sideName;
  QString stored, error;
  if (!EncodeStoredValue(naming, value, options, stored, &error))
    return u"encoding failed: "_s + error;
  if (stored.startsWith(u"file::"_s) && stored != u"file::"_s + sideName)
    return u"a reference to another side file: "_s + stored;
  TIniFile ini(QDir(options.Folder).filePath(u"vx.ini"_s));
  if (!ini.WriteString(u"Form1"_s, u"Value"_s, stored))
    return ini.errorString();
  QString back;
  if (!DecodeStoredValue(ini.ReadString(u"Form1"_s, u"Value"_s), options, back, &error))
    return u"decoding what was encoded failed: "_s + error;
  if (back != TCodepage::fromCp1251(TCodepage::toCp1251(value)))
    return u"a saved value reads back changed"_s;
  return {};
}

// Empty when every invariant holds, else what broke. `root` is an existing
// folder the check may fill.
inline QString Check(const QByteArray &bytes, const QString &root) {
  const TInput input = inputOf(bytes);
  if (!prepare(root, input))
    return u"cannot prepare the data folder in "_s + root;
  const TStoredValueOptions options{input.crypt, input.key, QDir(root).filePath(u"data"_s)};

  QString value, error;
  const bool decoded = DecodeStoredValue(input.stored, options, value, &error);
  if (decoded != error.isEmpty())
    return u"success and error text disagree: "_s + error;
  if (!decoded)
    return {};
  // Only "side" exists in the data folder: any other reference that yields
  // text has been led outside it.
  const bool reference = input.stored.startsWith(u"file::"_s);
  if (!input.crypt && reference && input.stored != u"file::"_s + kSideName && !value.isEmpty())
    return u"a reference read outside the data folder: "_s + input.stored;
  return resave(value, u"Form1"_s + input.key, options);
}

} // namespace StoredValueInvariants
