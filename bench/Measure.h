#pragma once

#include <QElapsedTimer>

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
