#pragma once

#include "feeds/WatchCheck.h"

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QTimer;

// One feed the watch looks at, and the site that lists it. The way back to
// the site goes by the address: positions shift when a site is deleted.
struct TWatchedFeed {
  QString address; // with its scheme, as it is downloaded
  QString siteTitle;
};

// The background watch: every feed of the list checked once per interval, the
// checks spread evenly over it, one at a time, on a thread of its own. The GUI
// thread never waits for a check: results come back as `checked`, from a timer
// tick, so that none is handled inside one of the window's own waits (those
// hold timers back). Destroying the watch cuts off a check under way and gives
// the thread a short while to end; one that outstays it is left to finish on
// its own, with nobody told.
class TFeedWatch : public QObject {
  Q_OBJECT
public:
  explicit TFeedWatch(QObject *parent = nullptr);
  ~TFeedWatch() override;

  // The rotation goes on where it was; feeds no longer listed are not checked.
  void setFeeds(QList<TWatchedFeed> feeds);
  const QList<TWatchedFeed> &feeds() const { return FFeeds; }
  void setInterval(std::chrono::milliseconds interval);
  // Off, no check starts and none under way is reported.
  void setActive(bool on);
  bool isActive() const { return FActive; }
  // For closing: the check under way is cut off and none follows.
  void stop();

  // The time between two checks: the interval shared out among the feeds.
  std::chrono::milliseconds spacing() const;

Q_SIGNALS:
  void checked(const TWatchedFeed &feed, const TWatchResult &result);

private:
  struct TShared;

  void startNext();
  bool startThread();
  void deliver(const TWatchedFeed &feed, const TWatchResult &result);
  void handOn();
  void reschedule();

  std::shared_ptr<TShared> FShared;
  QTimer *FTick;
  QTimer *FHandOn; // at zero delay: ticks wait until the window's waits are over
  QList<TWatchedFeed> FFeeds;
  QList<QPair<TWatchedFeed, TWatchResult>> FResults;
  std::chrono::milliseconds FInterval{30 * 60 * 1000};
  qsizetype FNext = 0;
  bool FActive = false;
  bool FChecking = false;
  bool FStopped = false;
  bool FThreadStarted = false;
};
