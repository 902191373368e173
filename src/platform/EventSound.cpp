#include "platform/EventSound.h"

#include <QFile>
#include <QFileInfo>

#include <canberra.h>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

namespace {

constexpr std::uint32_t NoSound = 0;

// How often a synchronous play looks whether its sound is still playing. The
// pulse backend can let a sound finish inside ca_context_play_full() and then
// never call the finish callback, so waiting for the callback alone could
// hang; the poll catches that case.
constexpr auto PollInterval = std::chrono::milliseconds(200);
// After the backend says a sound is no longer playing, its callback may still
// be on its way (it is called after the sound leaves the backend's list).
constexpr auto LateCallbackGrace = std::chrono::milliseconds(100);

} // namespace

struct TEventSound::TPrivate {
  ca_context *Context = nullptr;
  std::uint32_t LastId = NoSound;
  std::uint32_t AsyncId = NoSound;

  // Results of synchronous plays, filled in by the finish callback on
  // libcanberra's thread. Only ids a caller is waiting for are entered.
  std::mutex Mutex;
  std::condition_variable Finished;
  std::map<std::uint32_t, int> Results;

  static constexpr int Pending = 1; // no ca error code is positive

  TPrivate() {
    if (ca_context_create(&Context) != CA_SUCCESS) {
      Context = nullptr;
      return;
    }
    ca_context_change_props(Context, CA_PROP_APPLICATION_NAME, "Vornix", CA_PROP_APPLICATION_ID,
                            "vornix", nullptr);
  }

  ~TPrivate() {
    // Destroying the context stops libcanberra's thread and runs the
    // callbacks of sounds still playing before it returns, so no callback
    // can reach this object once its members go.
    if (Context)
      ca_context_destroy(Context);
  }

  std::uint32_t nextId() {
    if (++LastId == NoSound)
      ++LastId;
    return LastId;
  }

  static void onFinished(ca_context *, std::uint32_t id, int errorCode, void *userdata) {
    auto *self = static_cast<TPrivate *>(userdata);
    {
      std::lock_guard lock(self->Mutex);
      auto it = self->Results.find(id);
      if (it == self->Results.end())
        return; // an asynchronous sound: nobody waits for it
      it->second = errorCode;
    }
    self->Finished.notify_all();
  }

  // ca_* calls must never be made with Mutex held: the backend may run the
  // finish callback on the calling thread (cancel) while holding its own locks.
  int play(std::uint32_t id, const QString &fileName) {
    ca_proplist *props = nullptr;
    if (ca_proplist_create(&props) != CA_SUCCESS)
      return CA_ERROR_OOM;
    const QByteArray path = QFile::encodeName(QFileInfo(fileName).absoluteFilePath());
    ca_proplist_sets(props, CA_PROP_MEDIA_FILENAME, path.constData());
    ca_proplist_sets(props, CA_PROP_MEDIA_ROLE, "event");
    // The user may replace a sound file at any time; a cached copy in the
    // sound server would go on playing the old one.
    ca_proplist_sets(props, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    const int result = ca_context_play_full(Context, id, props, &TPrivate::onFinished, this);
    ca_proplist_destroy(props);
    return result;
  }

  bool stillPlaying(std::uint32_t id) {
    int playing = 0;
    if (ca_context_playing(Context, id, &playing) != CA_SUCCESS)
      return false;
    return playing != 0;
  }

  int waitFor(std::uint32_t id) {
    std::unique_lock lock(Mutex);
    for (;;) {
      if (Finished.wait_for(lock, PollInterval, [&] { return Results[id] != Pending; }))
        break;
      lock.unlock();
      const bool playing = stillPlaying(id);
      lock.lock();
      if (!playing) {
        // Either the callback is about to arrive, or the sound ended inside
        // play_full (which then reported success) and none will come.
        if (!Finished.wait_for(lock, LateCallbackGrace, [&] { return Results[id] != Pending; }))
          Results[id] = CA_SUCCESS;
        break;
      }
    }
    const int result = Results[id];
    Results.erase(id);
    return result;
  }
};

TEventSound::TEventSound() : d(std::make_unique<TPrivate>()) {}

TEventSound::~TEventSound() = default;

bool TEventSound::playSync(const QString &fileName) {
  if (!d->Context || fileName.isEmpty() || !QFileInfo(fileName).isFile())
    return false;
  const std::uint32_t id = d->nextId();
  {
    std::lock_guard lock(d->Mutex);
    d->Results[id] = TPrivate::Pending;
  }
  if (d->play(id, fileName) != CA_SUCCESS) {
    // A failed start never calls back, but drop the entry under the lock in
    // case a backend does.
    std::lock_guard lock(d->Mutex);
    d->Results.erase(id);
    return false;
  }
  return d->waitFor(id) == CA_SUCCESS;
}

bool TEventSound::playAsync(const QString &fileName) {
  if (!d->Context)
    return false;
  // Like PlaySound, a new asynchronous sound cuts off the previous one, even
  // when the new one then fails to start.
  if (d->AsyncId != NoSound) {
    ca_context_cancel(d->Context, d->AsyncId);
    d->AsyncId = NoSound;
  }
  if (fileName.isEmpty() || !QFileInfo(fileName).isFile())
    return false;
  const std::uint32_t id = d->nextId();
  if (d->play(id, fileName) != CA_SUCCESS)
    return false;
  d->AsyncId = id;
  return true;
}
