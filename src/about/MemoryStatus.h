#pragma once

#include <QByteArrayView>
#include <QLocale>
#include <QStringList>

#include <optional>

// The machine's physical memory as the kernel reports it in /proc/meminfo.
// A figure the report does not give, or gives in a form that makes no sense,
// is absent rather than guessed.
struct TMemoryStatus {
  std::optional<qint64> TotalKB;  // all physical memory, in KB
  std::optional<int> LoadPercent; // the share not available to programs, 0 to 100

  // From the text of /proc/meminfo.
  static TMemoryStatus fromMemInfo(QByteArrayView text);
  // This machine's, now. Both figures absent when /proc/meminfo cannot be read.
  static TMemoryStatus current();
};

// "Физической памяти: 2 097 152 KB" (digits grouped as `locale` groups them)
// and "Используется памяти: 42 %"; a figure that is absent reads "—".
QStringList MemoryLines(const TMemoryStatus &memory, const QLocale &locale = QLocale::system());
