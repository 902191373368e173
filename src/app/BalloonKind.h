#pragma once

#include "reader/Outcomes.h"
#include "tray/Notifications.h"

// The icon a balloon of a reported kind shows.
inline TBalloonIcon BalloonIconForKind(TStatusKind kind) {
  switch (kind) {
  case TStatusKind::Information:
    return TBalloonIcon::Information;
  case TStatusKind::Warning:
    return TBalloonIcon::Warning;
  case TStatusKind::Error:
    return TBalloonIcon::Error;
  default:
    return TBalloonIcon::None;
  }
}
