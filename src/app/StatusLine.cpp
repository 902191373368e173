#include "app/StatusLine.h"

void TStatusLine::report(const QString &text) {
  FOutcome = text;
  FShown = text;
}

void TStatusLine::hint(const QObject *source, const QString &tip, bool toPopup) {
  if (tip.isEmpty()) {
    // The pointer left the control; into the control's own pop-up it is still
    // on that control.
    if (!toPopup)
      FHintSource = nullptr;
    FShown = FOutcome;
    return;
  }
  if (source == FHintSource)
    return;
  FHintSource = source;
  FShown = tip;
}
