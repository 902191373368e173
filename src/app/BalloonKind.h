#pragma once

#include "tray/Notifications.h"

// The icon a balloon of a message kind shows. Kinds 0 to 3 choose none,
// information, warning and error; any other kind keeps the previous icon.
inline TBalloonIcon BalloonIconForKind(int kind, TBalloonIcon previous) {
  switch (kind) {
  case 0:
    return TBalloonIcon::None;
  case 1:
    return TBalloonIcon::Information;
  case 2:
    return TBalloonIcon::Warning;
  case 3:
    return TBalloonIcon::Error;
  default:
    return previous;
  }
}
