#include "feeds/FeedWatch.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

Q_LOGGING_CATEGORY(lcWatch, "vornix.watch")

namespace {
// How long closing waits for a check that was cut off to end.
constexpr auto kStopGrace = std::chrono::seconds(2);
} // namespace

// What the watch and its thread share. The thread owns a reference, so a
// thread left to finish on its own never touches freed memory; `owner` is
// cleared, under the mutex, before the watch goes.
struct TFeedWatch::TShared {
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<TWatchedFeed> job;
  bool stopping = false;
  bool finished = true; // until a thread runs
  TFeedWatch *owner = nullptr;
  TWatchChecker checker;

  void run() {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return stopping || job; });
      if (stopping)
        break;
      const TWatchedFeed feed = *std::exchange(job, std::nullopt);
      lock.unlock();
      const TWatchResult result = checker.check(feed.address, QDateTime::currentDateTimeUtc());
      lock.lock();
      // Posted while the owner cannot go; an event posted to an object that
      // is then deleted is dropped with it.
      if (TFeedWatch *to = owner)
        QMetaObject::invokeMethod(
            to, [to, feed, result] { to->deliver(feed, result); }, Qt::QueuedConnection);
    }
    finished = true;
    changed.notify_all();
  }
};

TFeedWatch::TFeedWatch(QObject *parent)
    : QObject(parent), FShared(std::make_shared<TShared>()), FTick(new QTimer(this)),
      FHandOn(new QTimer(this)) {
  FShared->owner = this;
  connect(FTick, &QTimer::timeout, this, &TFeedWatch::startNext);
  FHandOn->setSingleShot(true);
  FHandOn->setInterval(0);
  connect(FHandOn, &QTimer::timeout, this, &TFeedWatch::handOn);
}

// The thread comes with the first check: a watch that is off, or has
// nothing to watch, costs no thread.
bool TFeedWatch::startThread() {
  if (FThreadStarted)
    return true;
  FShared->finished = false;
  try {
    std::thread([shared = FShared] { shared->run(); }).detach();
  } catch (const std::system_error &error) {
    qCWarning(lcWatch) << "cannot start the watch's thread:" << error.what();
    FStopped = true;
    FShared->finished = true;
    return false;
  }
  FThreadStarted = true;
  return true;
}

TFeedWatch::~TFeedWatch() {
  stop();
  std::unique_lock lock(FShared->mutex);
  FShared->owner = nullptr;
  if (!FShared->changed.wait_for(lock, kStopGrace, [this] { return FShared->finished; }))
    qCWarning(lcWatch) << "a check outstayed closing; it is left to end on its own";
}

void TFeedWatch::stop() {
  FStopped = true;
  FTick->stop();
  FShared->checker.abort();
  {
    const std::lock_guard lock(FShared->mutex);
    FShared->stopping = true;
  }
  FShared->changed.notify_all();
}

void TFeedWatch::setFeeds(QList<TWatchedFeed> feeds) {
  FFeeds = std::move(feeds);
  reschedule();
}

void TFeedWatch::setInterval(std::chrono::milliseconds interval) {
  FInterval = std::max(interval, std::chrono::milliseconds(1));
  reschedule();
}

void TFeedWatch::setActive(bool on) {
  FActive = on;
  if (!on)
    FResults.clear();
  reschedule();
}

std::chrono::milliseconds TFeedWatch::spacing() const {
  const auto share = FInterval / std::max<qsizetype>(FFeeds.size(), 1);
  return std::max<std::chrono::milliseconds>(share, std::chrono::milliseconds(1));
}

// A change of spacing starts the countdown afresh; with nothing to watch, or
// the watch off, it stops.
void TFeedWatch::reschedule() {
  if (FStopped || !FActive || FFeeds.isEmpty()) {
    FTick->stop();
    return;
  }
  if (FTick->isActive() && FTick->intervalAsDuration() == spacing())
    return;
  FTick->start(spacing());
}

// A check that outlasts its share of the interval delays the rest: the
// rotation waits for it instead of queueing transfers behind it.
void TFeedWatch::startNext() {
  if (FChecking || FStopped || FFeeds.isEmpty() || !startThread())
    return;
  FNext %= FFeeds.size();
  {
    const std::lock_guard lock(FShared->mutex);
    FShared->job = FFeeds.at(FNext++);
  }
  FChecking = true;
  FShared->changed.notify_all();
}

void TFeedWatch::deliver(const TWatchedFeed &feed, const TWatchResult &result) {
  if (!FActive || FStopped) {
    FChecking = false;
    return;
  }
  FResults.append({feed, result});
  FHandOn->start();
}

// The next check starts only once this one is handled, so results never
// pile up while the window is busy.
void TFeedWatch::handOn() {
  const auto results = std::exchange(FResults, {});
  FChecking = false;
  for (const auto &[feed, result] : results) {
    if (!FActive || FStopped)
      return;
    // Not the user's concern: the next check tries again.
    if (result.status == TWatchResult::Failed)
      qCInfo(lcWatch).noquote() << feed.address << "not checked:" << result.error;
    Q_EMIT checked(feed, result);
  }
}
