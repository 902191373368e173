#include "about/MemoryStatus.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// Far beyond any machine (an exbibyte), low enough that the percentage
// arithmetic below cannot overflow on a corrupt figure.
constexpr qint64 kMaxPlausibleKB = qint64(1) << 50;

// The figure of a "Name:   12345 kB" line; nothing when the line is missing,
// repeated or not a count of kilobytes.
std::optional<qint64> kilobytes(const QByteArray &text, const QByteArray &name) {
  std::optional<qint64> found;
  for (const QByteArray &line : text.split('\n')) {
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || line.left(colon) != name)
      continue;
    const QList<QByteArray> words = line.mid(colon + 1).simplified().split(' ');
    bool ok = false;
    const qint64 value = words.size() == 2 && words.at(1) == "kB" ? words.at(0).toLongLong(&ok) : 0;
    if (found || !ok || value < 0 || value > kMaxPlausibleKB)
      return std::nullopt;
    found = value;
  }
  return found;
}

} // namespace

TMemoryStatus TMemoryStatus::fromMemInfo(QByteArrayView text) {
  const QByteArray report = text.toByteArray();
  TMemoryStatus status;
  const auto total = kilobytes(report, "MemTotal");
  if (!total || *total == 0)
    return status;
  status.TotalKB = total;
  // MemAvailable is the kernel's own estimate of what programs can still get
  // without swapping; free memory alone would count the page cache as used.
  const auto available = kilobytes(report, "MemAvailable");
  if (available && *available <= *total)
    status.LoadPercent = static_cast<int>((*total - *available) * 100 / *total);
  return status;
}

TMemoryStatus TMemoryStatus::current() {
  QFile file(u"/proc/meminfo"_s);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  // The file reports a size of 0; readAll() reads on to its end regardless.
  return fromMemInfo(file.readAll());
}

QStringList MemoryLines(const TMemoryStatus &memory, const QLocale &locale) {
  QLocale grouping = locale;
  // The C locale leaves out group separators by default; these figures always have them.
  grouping.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  const QString unknown = u"—"_s;
  return {u"Физической памяти: "_s +
              (memory.TotalKB ? grouping.toString(*memory.TotalKB) + u" KB"_s : unknown),
          u"Используется памяти: "_s +
              (memory.LoadPercent ? QString::number(*memory.LoadPercent) + u" %"_s : unknown)};
}
