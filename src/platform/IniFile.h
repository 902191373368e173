#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// An INI file with the semantics of the Windows private-profile functions:
// section and key names compared without regard to case, text in
// Windows-1251, CR LF line ends, the file created by the first write, and
// every write reaching the disk at once. Every write replaces the whole file
// atomically, so a crash or a refused write never leaves half a file.
// A file written by the Windows program reads back unchanged.
class TIniFile {
public:
  explicit TIniFile(const QString &fileName);

  QString fileName() const { return FFileName; }

  // The value, or `fallback` when the section or key is missing. Surrounding
  // blanks are trimmed and one pair of matching quotes around the value is
  // removed, as Windows does.
  QString ReadString(const QString &section, const QString &key,
                     const QString &fallback = QString()) const;
  bool SectionExists(const QString &section) const;
  // Whether the section holds at least one key.
  bool SectionHasKeys(const QString &section) const;
  QStringList ReadSections() const;
  QStringList ReadSection(const QString &section) const; // key names in file order

  // Each returns false when the file could not be written; errorString() then
  // reads "Unable to write to <path>".
  bool WriteString(const QString &section, const QString &key, const QString &value);
  bool EraseSection(const QString &section);
  bool DeleteKey(const QString &section, const QString &key);
  QString errorString() const { return FError; }

  // Gathers the writes that follow into one replacement of the file, made by
  // EndUpdate: a crash between them can then never leave some of a related
  // set of changes on disk without the others. Reads in between see them.
  // The file is read and parsed once for all of them, so many reads too are
  // best made inside an update that writes nothing.
  bool BeginUpdate();
  bool EndUpdate();

private:
  bool Store(const QByteArray &content);
  bool Fail();

  struct TPending;
  struct TPendingDeleter {
    void operator()(TPending *pending) const;
  };
  template <typename Edit> bool Change(Edit edit);
  template <typename Visit> auto Read(Visit visit) const;
  QByteArray Content(bool *readable) const;

  QString FFileName;
  QString FError;
  std::unique_ptr<TPending, TPendingDeleter> FPending;
};
