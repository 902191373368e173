#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <vector>

// Runs `step` `runs` times and returns the durations in microseconds, sorted,
// so that medians and percentiles can be read off directly.
inline std::vector<double> TimeRuns(int runs, const std::function<void()> &step) {
  std::vector<double> micros;
  micros.reserve(runs);
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    step();
    micros.push_back(timer.nsecsElapsed() / 1000.0);
  }
  std::sort(micros.begin(), micros.end());
  return micros;
}

// `percent` of the sorted durations lie at or below the value returned.
inline double Percentile(const std::vector<double> &sorted, int percent) {
  return sorted[std::min(sorted.size() - 1, sorted.size() * percent / 100)];
}

// This process's resident memory in KiB, or -1 when /proc cannot say.
inline qint64 residentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return -1;
  static const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
  const auto match = rss.match(QString::fromLatin1(status.readAll()));
  return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}
