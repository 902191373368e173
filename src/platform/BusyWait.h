#pragma once

#include <QDeadlineTimer>
#include <QMetaObject>

#include <functional>

class QObject;

// How the GUI thread waits for work done elsewhere (a transfer, a sound)
// without freezing. While it waits, the windows repaint, the accessibility
// and session buses get their answers and a close request is delivered. User
// input and timer ticks are held back until the wait is over: clicks, keys and
// the wheel then arrive in the order given, and timers that fell due tick. So
// the program still does one thing at a time, in the order it always did.
class TBusyWait {
public:
  // Waits until `done` returns true (true) or the deadline passes (false).
  // `done` is asked on the GUI thread after each round of events and after
  // each wake().
  static bool until(const std::function<bool()> &done,
                    QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
  // One round of the same events, without waiting.
  static void pump();
  // Thread-safe: tells a waiting GUI thread to ask its condition again.
  static void wake();
  // Inside until() or pump().
  static bool active();

  // Runs `work` from the event loop, and never inside a wait: what a caller
  // on the session bus asks for (a menu item, a balloon's action) is answered
  // at once and done afterwards, in the order asked. Dropped if `context` goes
  // first.
  static void later(QObject *context, std::function<void()> work);
  // Calls `work` whenever an outermost wait begins, while `context` lives:
  // what moves on timer ticks (an animation) stands still through a wait, and
  // must end rather than be left standing.
  static QMetaObject::Connection onWaitBegins(QObject *context, std::function<void()> work);

  // Runs `work` on a thread of its own while the GUI thread waits. When `stop`
  // turns true first, `abort` is called (it must make the work end soon) and
  // the work is given a short while to end; work that outstays it is left to
  // finish on its own, so it must own everything it touches. True when the work
  // ran to its end without being stopped.
  static bool runAside(std::function<void()> work, const std::function<bool()> &stop,
                       const std::function<void()> &abort);
};
