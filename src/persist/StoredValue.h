#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How a persisted value is kept in an INI line: line breaks and spaces
// escaped, optionally scrambled, and spilled into a side file beside the INI
// file when scrambled or longer than an INI line should hold.
struct TStoredValueOptions {
  bool Crypt = false;
  QString CryptKey;
  QString Folder; // where the side files lie: the INI file's folder
};

// Values whose escaped text is longer than this go to a side file.
constexpr int kStoredValueSpillLimit = 1024;

QString EscapeStoredValue(const QString &value);
QString UnescapeStoredValue(const QString &stored);

// The text for the INI line. `namingText` (section name followed by the key)
// names the side file. False, with `error` set, when a side file could not be
// written.
bool EncodeStoredValue(const QString &namingText, const QString &value,
                       const TStoredValueOptions &options, QString &stored,
                       QString *error = nullptr);
// The value behind an INI line's text. False, with `error` set, when a side
// file could not be read or scrambled text is not made of numbers.
bool DecodeStoredValue(const QString &stored, const TStoredValueOptions &options, QString &value,
                       QString *error = nullptr);

QString ScrambleValue(const QString &text, const QString &key);
// Nothing when a group of three digits is not a number.
std::optional<QString> UnscrambleValue(const QString &text, const QString &key);

// The Windows program's side-file number of a naming text (its Windows-1251 bytes).
qint32 SideFileNumber(const QString &namingText);
// The name (without ".txt") under which this program keeps a side file: the
// side-file number, then a tag from the whole naming text, so that naming
// texts with equal numbers never share a file.
QString SideFileName(const QString &namingText);
// Whether a side-file name read from an INI line stays inside the INI file's
// folder.
bool IsSafeSideFileName(const QString &name);
