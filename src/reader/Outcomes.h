#pragma once

// How an outcome is reported: kinds 0 to 3 show a balloon with no icon, an
// information, a warning or an error icon; a silent one only changes the
// status line.
enum class TStatusKind { Silent = -1, Plain = 0, Information = 1, Warning = 2, Error = 3 };

// The event sounds, numbered as the table of their files in EventSounds.h.
enum class TEventSoundId {
  NoConnection = 0,
  Error = 1,
  Warning = 2,
  Updated = 3,
  PanelShown = 4,
  Archived = 5,
  Unarchived = 6,
  ItemFound = 7,
  ItemMissing = 8,
  ListEmpty = 9,
};
