#pragma once

// What must hold for the INI reader whatever bytes the file holds. Shared by
// the libFuzzer target and the test that replays its corpus, so that a seed
// the fuzzer keeps is checked the same way in the sanitised test build.
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QPair>

#include <optional>

namespace IniFileInvariants {

using namespace Qt::StringLiterals;
using TValues = QMap<QPair<QString, QString>, QString>;

// A value never spans lines, so a read can never return this as a value.
inline const QString kMissing = u"\n"_s;
// Every lookup parses the whole file again, as every Windows read does: caps
// keep a large input of one-line sections from taking seconds per run.
constexpr qsizetype kMaxSections = 16;
constexpr qsizetype kMaxValues = 24;

inline const QString kNewSection = u"VornixFuzzSection"_s;
inline const QString kNewKey = u"VornixFuzzKey"_s;
// Windows-1251 text with the characters that mean something elsewhere in a
// line. No ']': the line of a key the file spells "[a" would then read as a
// section header.
inline const QString kValue = u"=значение; \"1\" [x"_s;

// Every section and key the reader lists must be found again by its name.
inline QString readAll(const TIniFile &ini, TValues &values) {
  const QStringList sections = ini.ReadSections();
  for (const QString &section : sections.first(qMin(sections.size(), kMaxSections))) {
    if (!ini.SectionExists(section))
      return u"listed section not found: "_s + section;
    const QStringList keys = ini.ReadSection(section);
    if (keys.isEmpty() == ini.SectionHasKeys(section))
      return u"SectionHasKeys disagrees with ReadSection: "_s + section;
    for (const QString &key : keys) {
      if (values.size() == kMaxValues)
        return {};
      const QString value = ini.ReadString(section, key, kMissing);
      if (value == kMissing)
        return u"listed key not found: "_s + section + u'/' + key;
      values.insert({section, key}, value);
    }
  }
  return {};
}

// Every value read before an edit reads the same after it.
inline QString unchanged(const TIniFile &ini, const TValues &before, const QString &step) {
  for (auto it = before.cbegin(); it != before.cend(); ++it)
    if (ini.ReadString(it.key().first, it.key().second, kMissing) != it.value())
      return step + u" changed "_s + it.key().first + u'/' + it.key().second;
  return {};
}

inline bool sameName(const QString &a, const QString &b) {
  return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

struct TEdit {
  QString section;
  QString key;
};

// A replaced key, a new key in an existing section and a new section.
inline QList<TEdit> editsFor(const TIniFile &ini) {
  QList<TEdit> edits;
  const QStringList sections = ini.ReadSections();
  if (!sections.isEmpty()) {
    const QStringList keys = ini.ReadSection(sections.front());
    if (!keys.isEmpty())
      edits.append({sections.front(), keys.front()});
    edits.append({sections.front(), kNewKey});
  }
  edits.append({kNewSection, kNewKey});
  return edits;
}

inline bool putFile(const QString &fileName, const QByteArray &bytes) {
  QFile::remove(fileName);
  if (bytes.isEmpty())
    return true; // an empty input stands for a file that is not there
  QFile file(fileName);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray bytesOf(const QString &fileName) {
  QFile file(fileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString writeAndRead(TIniFile &ini, TValues &values, const QList<TEdit> &edits) {
  for (const TEdit &edit : edits) {
    if (!ini.WriteString(edit.section, edit.key, kValue))
      return u"write refused: "_s + ini.errorString();
    if (ini.ReadString(edit.section, edit.key, kMissing) != kValue)
      return u"written value does not read back: "_s + edit.section + u'/' + edit.key;
    for (auto it = values.begin(); it != values.end(); ++it)
      if (sameName(it.key().first, edit.section) && sameName(it.key().second, edit.key))
        it.value() = kValue;
  }
  // A disturbed value stays disturbed through later writes: one look at the
  // end finds it.
  return unchanged(ini, values, u"writing"_s);
}

// The new key and section go again, and what was there before reads as it did.
inline QString undo(TIniFile &ini, const TValues &values, bool hadKey, bool hadSection,
                    const std::optional<QString> &firstSection) {
  if (firstSection && !hadKey) {
    if (!ini.DeleteKey(*firstSection, kNewKey))
      return u"delete refused: "_s + ini.errorString();
    if (ini.ReadString(*firstSection, kNewKey, kMissing) != kMissing)
      return u"deleted key still reads"_s;
  }
  if (!hadSection) {
    if (!ini.EraseSection(kNewSection))
      return u"erase refused: "_s + ini.errorString();
    if (ini.SectionExists(kNewSection))
      return u"erased section still exists"_s;
  }
  return unchanged(ini, values, u"undoing"_s);
}

// Erasing a section leaves every other section as it was.
inline QString eraseOne(TIniFile &ini, TValues values, const QString &section) {
  if (!ini.EraseSection(section))
    return u"erase refused: "_s + ini.errorString();
  values.removeIf([&](const auto &entry) { return sameName(entry.key().first, section); });
  return unchanged(ini, values, u"erasing "_s + section);
}

// Empty when every invariant holds, else what broke. `folder` is an existing
// folder the check may fill.
inline QString Check(const QByteArray &bytes, const QString &folder) {
  const QString fileName = QDir(folder).filePath(u"fuzz.ini"_s);
  const QString batchName = QDir(folder).filePath(u"batch.ini"_s);
  if (!putFile(fileName, bytes) || !putFile(batchName, bytes))
    return u"cannot write the input to "_s + folder;
  TIniFile ini(fileName);
  TValues values;
  if (QString broken = readAll(ini, values); !broken.isEmpty())
    return broken;

  const QList<TEdit> edits = editsFor(ini);
  // "[]" names a section too: its name is empty, not missing.
  const std::optional<QString> firstSection =
      edits.size() > 1 ? std::optional(edits.front().section) : std::nullopt;
  const bool hadKey = firstSection && ini.ReadString(*firstSection, kNewKey, kMissing) != kMissing;
  const bool hadSection = ini.SectionExists(kNewSection);
  if (QString broken = writeAndRead(ini, values, edits); !broken.isEmpty())
    return broken;

  // The same edits gathered into one update leave the same bytes behind.
  TIniFile batch(batchName);
  if (!batch.BeginUpdate())
    return u"BeginUpdate refused"_s;
  for (const TEdit &edit : edits)
    batch.WriteString(edit.section, edit.key, kValue);
  if (!batch.EndUpdate() || bytesOf(batchName) != bytesOf(fileName))
    return u"an update wrote other bytes than single writes"_s;

  if (QString broken = undo(ini, values, hadKey, hadSection, firstSection); !broken.isEmpty())
    return broken;
  return firstSection ? eraseOne(ini, values, *firstSection) : QString();
}

} // namespace IniFileInvariants
