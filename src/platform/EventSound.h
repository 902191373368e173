#pragma once

#include <QString>

#include <memory>

// Plays WAV files through libcanberra (and so through the desktop's sound
// server). One context for the program's life.
class TEventSound {
public:
  TEventSound();
  ~TEventSound();
  TEventSound(const TEventSound &) = delete;
  TEventSound &operator=(const TEventSound &) = delete;

  // Returns when the sound has ended; false on any error (missing or corrupt
  // file, no sound server).
  bool playSync(const QString &fileName);
  // Cuts off the previous asynchronous sound, starts this one and returns at
  // once; false when it could not be started.
  bool playAsync(const QString &fileName);

private:
  struct TPrivate;
  std::unique_ptr<TPrivate> d;
};
