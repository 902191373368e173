#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// Plays WAV files through libcanberra (and so through the desktop's sound
// server). Every libcanberra call is made on a worker thread of its own: a
// sound server that has stopped answering blocks libcanberra inside its
// calls, and it must never block the window with it.
class TEventSound {
public:
  TEventSound();
  // Never waits on the sound server for longer than the grace of a sound.
  ~TEventSound();
  TEventSound(const TEventSound &) = delete;
  TEventSound &operator=(const TEventSound &) = delete;

  // Cuts off an asynchronous sound still playing, plays this one and returns
  // when it has ended, the GUI thread waiting as TBusyWait does. It returns at
  // the latest after the file's own duration and a grace, cancelling a sound
  // still playing then, and at once when `interrupted` turns true. False on a
  // real failure: a missing or corrupt file, no sound server, not over in time.
  bool playSync(const QString &fileName, const std::function<bool()> &interrupted = {});
  // Cuts off the previous asynchronous sound, starts this one and returns once
  // it has started; false when it could not be started.
  bool playAsync(const QString &fileName);

  // The playing time a WAV file's header announces, in milliseconds; -1 when
  // the header cannot be read.
  static qint64 durationMs(const QString &fileName);

  // What the caller and the worker thread share; opaque outside the source.
  struct TShared;

private:
  void startWorker();
  std::uint32_t start(const QString &fileName);
  void cancel(std::uint32_t id);

  std::shared_ptr<TShared> d;
  std::uint32_t FLastId = 0;
  std::uint32_t FAsyncId = 0;
};
