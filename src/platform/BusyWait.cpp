#include "platform/BusyWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

Q_LOGGING_CATEGORY(lcBusyWait, "vornix.busywait")

namespace {

using std::chrono::milliseconds;

// The longest the GUI thread sleeps between two rounds of events: what arrives
// meanwhile (an expose, a repaint, a close request) waits at most this long.
constexpr milliseconds Slice{10};
// How long aborted work may take to end before it is left to itself.
constexpr int AbortGraceMs = 2000;

// Timers are left for after the wait. User input is not excluded here: the
// window system counts a close request as user input and would hold it back
// with the rest, so TInputHold takes the input aside instead.
constexpr QEventLoop::ProcessEventsFlags RoundFlags = QEventLoop::X11ExcludeTimers;

std::mutex gWakeMutex;
std::condition_variable gWoken;
bool gWakePending = false; // guarded by gWakeMutex
int gDepth = 0;            // GUI thread only

bool isUserInput(QEvent::Type type) {
  switch (type) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseMove:
  case QEvent::KeyPress:
  case QEvent::KeyRelease:
  case QEvent::Wheel:
  case QEvent::ContextMenu:
  case QEvent::TouchBegin:
  case QEvent::TouchUpdate:
  case QEvent::TouchEnd:
  case QEvent::TouchCancel:
  case QEvent::TabletPress:
  case QEvent::TabletMove:
  case QEvent::TabletRelease:
  case QEvent::NativeGesture:
    return true;
  default:
    return false;
  }
}

// Holds back the user input that arrives during a wait and hands it on, in
// order, once the wait is over, as a window blocked in a long call gets its
// queued input afterwards. It takes events as the window system hands them to
// a window, before any widget has seen them, so that they reach the widgets
// later exactly as they would have then.
class TInputHold : public QObject {
public:
  using QObject::QObject;

  void replayLater() {
    if (!FHeld.empty())
      QMetaObject::invokeMethod(this, &TInputHold::replay, Qt::QueuedConnection);
  }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    const QEvent::Type type = event->type();
    // A key press is first offered as a shortcut, which would act at once;
    // claiming the key keeps it for the widget it is held for.
    if (type == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    if (!watched->isWindowType() || !isUserInput(type))
      return false;
    // Of a run of moves only the last one matters.
    if (type == QEvent::MouseMove && !FHeld.empty() && FHeld.back().first == watched &&
        FHeld.back().second->type() == QEvent::MouseMove)
      FHeld.pop_back();
    FHeld.emplace_back(watched, event->clone());
    return true;
  }

private:
  // Runs from the event loop, never from inside a wait: input must not start
  // a handler in the middle of the one that waits.
  void replay() {
    if (gDepth > 0)
      return; // the wait under way asks again when it ends
    auto held = std::exchange(FHeld, {});
    for (auto &[receiver, event] : held) {
      if (receiver)
        QCoreApplication::sendEvent(receiver, event.get());
    }
  }

  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> FHeld;
};

// Tells those who asked that a wait begins.
class TWaitAnnouncer : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;
Q_SIGNALS:
  void waitBegins();
};

TWaitAnnouncer *announcer() {
  static QPointer<TWaitAnnouncer> announcer;
  if (!announcer && QCoreApplication::instance())
    announcer = new TWaitAnnouncer(QCoreApplication::instance());
  return announcer;
}

TInputHold *inputHold() {
  static QPointer<TInputHold> hold;
  if (!hold && QCoreApplication::instance())
    hold = new TInputHold(QCoreApplication::instance());
  return hold;
}

// Marks the time the GUI thread spends waiting; the outermost wait takes the
// input aside.
class TWaitScope {
public:
  TWaitScope() {
    if (gDepth++ == 0) {
      if (TInputHold *hold = inputHold())
        QCoreApplication::instance()->installEventFilter(hold);
      if (TWaitAnnouncer *waits = announcer())
        Q_EMIT waits->waitBegins();
    }
  }
  ~TWaitScope() {
    if (--gDepth == 0) {
      if (TInputHold *hold = inputHold()) {
        QCoreApplication::instance()->removeEventFilter(hold);
        hold->replayLater();
      }
    }
  }
  TWaitScope(const TWaitScope &) = delete;
  TWaitScope &operator=(const TWaitScope &) = delete;
};

void sleepUntilWoken(const QDeadlineTimer &deadline) {
  milliseconds wait = Slice;
  if (!deadline.isForever())
    wait = std::min(wait, milliseconds(std::max<qint64>(0, deadline.remainingTime())));
  std::unique_lock lock(gWakeMutex);
  gWoken.wait_for(lock, wait, [] { return gWakePending; });
  gWakePending = false;
}

} // namespace

bool TBusyWait::until(const std::function<bool()> &done, QDeadlineTimer deadline) {
  const TWaitScope scope;
  for (;;) {
    QCoreApplication::processEvents(RoundFlags);
    if (done())
      return true;
    if (deadline.hasExpired())
      return false;
    sleepUntilWoken(deadline);
  }
}

void TBusyWait::pump() {
  const TWaitScope scope;
  QCoreApplication::processEvents(RoundFlags);
}

void TBusyWait::wake() {
  {
    const std::lock_guard lock(gWakeMutex);
    gWakePending = true;
  }
  gWoken.notify_all();
}

bool TBusyWait::active() {
  return gDepth > 0;
}

// A zero-interval timer, unlike a queued call, is held back with the other
// timers while a wait runs.
void TBusyWait::later(QObject *context, std::function<void()> work) {
  auto *timer = new QTimer(context);
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, context, [timer, work = std::move(work)] {
    timer->deleteLater();
    work();
  });
  timer->start(0);
}

QMetaObject::Connection TBusyWait::onWaitBegins(QObject *context, std::function<void()> work) {
  TWaitAnnouncer *waits = announcer();
  return waits ? QObject::connect(waits, &TWaitAnnouncer::waitBegins, context, std::move(work))
               : QMetaObject::Connection();
}

bool TBusyWait::runAside(std::function<void()> work, const std::function<bool()> &stop,
                         const std::function<void()> &abort) {
  struct TJob {
    std::function<void()> work;
    std::atomic<bool> done{false};
  };
  auto job = std::make_shared<TJob>();
  job->work = std::move(work);
  std::thread worker;
  try {
    worker = std::thread([job] {
      job->work();
      job->done = true;
      wake();
    });
  } catch (const std::system_error &error) {
    qCWarning(lcBusyWait) << "cannot start a worker thread:" << error.what();
    return false;
  }
  const auto finished = [&job] { return job->done.load(); };
  bool stopped = false;
  until([&] { return finished() || (stopped = stop()); });
  if (stopped && !finished()) {
    abort();
    until(finished, QDeadlineTimer(AbortGraceMs));
  }
  if (!finished()) {
    qCWarning(lcBusyWait) << "aborted work did not end in time; left to finish on its own";
    worker.detach();
    return false;
  }
  worker.join();
  return !stopped;
}

#include "BusyWait.moc"
