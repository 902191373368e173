#pragma once

#include <QString>

#include <iterator>

// The event sounds in the "sounds" folder, by index. Asynchronous sounds
// return at once and are cut off by the next one; synchronous ones hold the
// window until they have played.
struct TEventSoundEntry {
  const char *fileName;
  bool asynchronous;
};

inline constexpr TEventSoundEntry kEventSounds[] = {
    {"noconnect.wav", true},  {"error.wav", false},   {"warning.wav", false},
    {"update.wav", false},    {"zenshow.wav", false}, {"add.wav", true},
    {"del.wav", true},        {"itemok.wav", true},   {"itemfail.wav", false},
    {"itemempty.wav", false},
};
inline constexpr int kEventSoundCount = int(std::size(kEventSounds));
