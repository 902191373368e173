#pragma once

#include <QString>

class QObject;

// What the status line shows. An outcome the program reports stays until the
// next one. A control's hint stands in for it while the pointer is on that
// control, and only when the pointer has come onto it from elsewhere: Qt sends
// a control's hint again as the pointer comes back from the control's own
// pop-up (the jump list, a menu), and an empty one whenever the pointer leaves
// a control; neither may wipe the outcome the user just caused.
class TStatusLine {
public:
  // An outcome: always shown.
  void report(const QString &text);
  // A hint as Qt sends it: the control it belongs to, an empty tip when the
  // pointer left the control, and whether it left for a pop-up.
  void hint(const QObject *source, const QString &tip, bool toPopup);
  const QString &text() const { return FShown; }

private:
  QString FOutcome;
  QString FShown;
  const QObject *FHintSource = nullptr; // the control whose hint came last
};
