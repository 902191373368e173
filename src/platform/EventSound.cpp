#include "platform/EventSound.h"

#include "platform/BusyWait.h"
#include "platform/LazyLibraries.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t NoSound = 0;
constexpr int Pending = 1; // no ca error code is positive

// A synchronous sound may run this much longer than its file says: the sound
// server reports the end late (a null sink, as in a headless session, up to
// two seconds late).
constexpr int GraceMs = 3000;
// libcanberra starts a sound within milliseconds; a call still under way after
// this long has hung in a sound server that stopped answering, and the sounds
// after it fail at once instead of each waiting out its grace.
constexpr milliseconds HungCallLimit{1500};
// How long an asynchronous start is waited for.
constexpr int StartLimitMs = 2000;
// How often the worker looks whether a sound someone waits for still plays.
// The pulse backend can let a sound finish inside ca_context_play_full() and
// then never call the finish callback; twice not playing counts as the end.
constexpr milliseconds PollInterval{200};

struct TCommand {
  enum TKind { Play, Cancel, Quit } kind = Quit;
  std::uint32_t id = NoSound;
  QByteArray path;
};

// The two answers a caller waits for: the sound started, the sound ended.
struct TPlay {
  int started = Pending;
  int finished = Pending;
};

quint32 littleEndian(const QByteArray &bytes, qsizetype at) {
  return qFromLittleEndian<quint32>(bytes.constData() + at);
}

} // namespace

struct TEventSound::TShared {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::deque<TCommand> Commands;
  std::map<std::uint32_t, TPlay> Plays; // only the sounds a caller waits for
  std::optional<Clock::time_point> CallSince;
  bool Ended = false;
  std::thread Worker;

  void post(TCommand command) {
    {
      const std::lock_guard lock(Mutex);
      Commands.push_back(std::move(command));
    }
    Changed.notify_all();
  }

  // The worker has quit, or hangs inside libcanberra.
  bool unusable() {
    const std::lock_guard lock(Mutex);
    return Ended || (CallSince && Clock::now() - *CallSince > HungCallLimit);
  }

  void expect(std::uint32_t id) {
    const std::lock_guard lock(Mutex);
    Plays[id] = TPlay();
  }

  TPlay answer(std::uint32_t id) {
    const std::lock_guard lock(Mutex);
    const auto it = Plays.find(id);
    return it == Plays.end() ? TPlay() : it->second;
  }

  void forget(std::uint32_t id) {
    const std::lock_guard lock(Mutex);
    Plays.erase(id);
  }

  // Called on libcanberra's own thread, or on the worker inside ca_* calls.
  static void onFinished(ca_context *, std::uint32_t id, int errorCode, void *userdata) {
    auto *self = static_cast<TShared *>(userdata);
    {
      const std::lock_guard lock(self->Mutex);
      const auto it = self->Plays.find(id);
      if (it == self->Plays.end())
        return;
      if (it->second.started == Pending)
        it->second.started = CA_SUCCESS;
      it->second.finished = errorCode;
    }
    TBusyWait::wake();
  }
};

namespace {

// The thread that makes every libcanberra call. It never holds the shared
// mutex inside a ca_* call: the backend may run the finish callback there.
class TSoundWorker {
public:
  explicit TSoundWorker(std::shared_ptr<TEventSound::TShared> shared)
      : FShared(std::move(shared)) {}

  void run() {
    openContext();
    for (TCommand command = next(); command.kind != TCommand::Quit; command = next())
      execute(command);
    if (FContext)
      call([&] { return FCa->context_destroy(FContext); });
    {
      const std::lock_guard lock(FShared->Mutex);
      FShared->Ended = true;
    }
    FShared->Changed.notify_all();
  }

private:
  template <typename F> int call(F f) {
    setCallSince(Clock::now());
    const int result = f();
    setCallSince(std::nullopt);
    return result;
  }

  void setCallSince(std::optional<Clock::time_point> since) {
    const std::lock_guard lock(FShared->Mutex);
    FShared->CallSince = since;
  }

  void openContext() {
    FCa = CanberraApi();
    if (!FCa || call([&] { return FCa->context_create(&FContext); }) != CA_SUCCESS) {
      FContext = nullptr;
      return;
    }
    call([&] {
      return FCa->context_change_props(FContext, CA_PROP_APPLICATION_NAME, "Vornix",
                                       CA_PROP_APPLICATION_ID, "vornix", nullptr);
    });
  }

  // The next command; between commands, the poll of the sounds waited for.
  TCommand next() {
    for (;;) {
      {
        std::unique_lock lock(FShared->Mutex);
        if (FShared->Changed.wait_for(lock, PollInterval,
                                      [&] { return !FShared->Commands.empty(); })) {
          TCommand command = std::move(FShared->Commands.front());
          FShared->Commands.pop_front();
          return command;
        }
      }
      poll();
    }
  }

  void execute(const TCommand &command) {
    if (command.kind == TCommand::Cancel) {
      if (FContext)
        call([&] { return FCa->context_cancel(FContext, command.id); });
      return;
    }
    const int result = FContext ? call([&] { return play(command); }) : CA_ERROR_NOTAVAILABLE;
    {
      const std::lock_guard lock(FShared->Mutex);
      const auto it = FShared->Plays.find(command.id);
      if (it != FShared->Plays.end() && it->second.started == Pending) {
        it->second.started = result;
        if (result != CA_SUCCESS)
          it->second.finished = result;
      }
    }
    TBusyWait::wake();
  }

  int play(const TCommand &command) {
    ca_proplist *props = nullptr;
    if (FCa->proplist_create(&props) != CA_SUCCESS)
      return CA_ERROR_OOM;
    FCa->proplist_sets(props, CA_PROP_MEDIA_FILENAME, command.path.constData());
    FCa->proplist_sets(props, CA_PROP_MEDIA_ROLE, "event");
    // The user may replace a sound file at any time; a cached copy in the
    // sound server would go on playing the old one.
    FCa->proplist_sets(props, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    const int result = FCa->context_play_full(FContext, command.id, props,
                                              &TEventSound::TShared::onFinished, FShared.get());
    FCa->proplist_destroy(props);
    return result;
  }

  void poll() {
    std::vector<std::uint32_t> playing;
    {
      const std::lock_guard lock(FShared->Mutex);
      for (const auto &[id, play] : FShared->Plays) {
        if (play.started == CA_SUCCESS && play.finished == Pending)
          playing.push_back(id);
      }
    }
    std::erase_if(FSilent, [&playing](std::uint32_t id) {
      return std::find(playing.begin(), playing.end(), id) == playing.end();
    });
    for (const std::uint32_t id : playing) {
      int stillPlaying = 1;
      call([&] { return FCa->context_playing(FContext, id, &stillPlaying); });
      if (stillPlaying != 0) {
        FSilent.erase(id);
      } else if (!FSilent.insert(id).second) {
        markEnded(id);
      }
    }
  }

  void markEnded(std::uint32_t id) {
    FSilent.erase(id);
    {
      const std::lock_guard lock(FShared->Mutex);
      const auto it = FShared->Plays.find(id);
      if (it != FShared->Plays.end() && it->second.finished == Pending)
        it->second.finished = CA_SUCCESS;
    }
    TBusyWait::wake();
  }

  std::shared_ptr<TEventSound::TShared> FShared;
  const TCanberraApi *FCa = nullptr;
  ca_context *FContext = nullptr;
  std::set<std::uint32_t> FSilent; // found not playing once
};

} // namespace

TEventSound::TEventSound() : d(std::make_shared<TShared>()) {}

// The worker, and the sound server's client with it, comes with the first
// sound: many sessions never play one.
void TEventSound::startWorker() {
  if (d->Worker.joinable() || d->unusable())
    return;
  try {
    d->Worker = std::thread([shared = d] { TSoundWorker(shared).run(); });
  } catch (const std::system_error &) {
    const std::lock_guard lock(d->Mutex);
    d->Ended = true;
  }
}

TEventSound::~TEventSound() {
  if (!d->Worker.joinable())
    return;
  {
    const std::lock_guard lock(d->Mutex);
    d->Commands.clear();
  }
  d->post(TCommand());
  std::unique_lock lock(d->Mutex);
  const bool ended = d->Changed.wait_for(lock, milliseconds(GraceMs), [&] { return d->Ended; });
  lock.unlock();
  // A worker hung in a stopped sound server is left behind; it owns its state.
  if (ended)
    d->Worker.join();
  else
    d->Worker.detach();
}

// Cuts off the asynchronous sound still playing, as any later sound does, and
// hands this one to the worker; NoSound when it cannot be played.
std::uint32_t TEventSound::start(const QString &fileName) {
  if (FAsyncId != NoSound)
    cancel(std::exchange(FAsyncId, NoSound));
  if (fileName.isEmpty() || !QFileInfo(fileName).isFile())
    return NoSound;
  startWorker();
  if (d->unusable())
    return NoSound;
  if (++FLastId == NoSound)
    ++FLastId;
  d->expect(FLastId);
  d->post(
      TCommand{TCommand::Play, FLastId, QFile::encodeName(QFileInfo(fileName).absoluteFilePath())});
  return FLastId;
}

void TEventSound::cancel(std::uint32_t id) {
  d->post(TCommand{TCommand::Cancel, id, {}});
}

namespace {

// The worker's answer about a sound, once `answered` or `interrupted` holds or
// the deadline has passed.
TPlay awaitAnswer(TEventSound::TShared &shared, std::uint32_t id,
                  const std::function<bool(const TPlay &)> &answered,
                  const std::function<bool()> &interrupted, QDeadlineTimer deadline) {
  TPlay answer;
  TBusyWait::until(
      [&] {
        answer = shared.answer(id);
        return answered(answer) || (interrupted && interrupted());
      },
      deadline);
  shared.forget(id);
  return answer;
}

} // namespace

bool TEventSound::playSync(const QString &fileName, const std::function<bool()> &interrupted) {
  const std::uint32_t id = start(fileName);
  if (id == NoSound)
    return false;
  const QDeadlineTimer deadline(std::max<qint64>(0, durationMs(fileName)) + GraceMs);
  const TPlay answer = awaitAnswer(
      *d, id, [](const TPlay &play) { return play.finished != Pending; }, interrupted, deadline);
  if (answer.finished == Pending)
    cancel(id);
  return answer.finished == CA_SUCCESS;
}

bool TEventSound::playAsync(const QString &fileName) {
  const std::uint32_t id = start(fileName);
  if (id == NoSound)
    return false;
  const TPlay answer = awaitAnswer(
      *d, id, [](const TPlay &play) { return play.started != Pending; }, {},
      QDeadlineTimer(StartLimitMs));
  if (answer.started == Pending)
    cancel(id); // it must not start later, unasked
  if (answer.started != CA_SUCCESS)
    return false;
  FAsyncId = id;
  return true;
}

qint64 TEventSound::durationMs(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return -1;
  const QByteArray riff = file.read(12);
  if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
    return -1;
  quint32 bytesPerSecond = 0;
  for (;;) {
    const QByteArray chunk = file.read(8);
    if (chunk.size() < 8)
      return -1;
    const quint32 size = littleEndian(chunk, 4);
    if (chunk.startsWith("data")) {
      if (bytesPerSecond == 0)
        return -1;
      // A header may promise more than the file holds; only what is there plays.
      const qint64 present = std::min<qint64>(size, file.size() - file.pos());
      return present * 1000 / bytesPerSecond;
    }
    const qint64 next = file.pos() + size + (size & 1);
    if (chunk.startsWith("fmt ")) {
      const QByteArray format = file.read(16);
      if (format.size() < 16)
        return -1;
      bytesPerSecond = littleEndian(format, 8);
    }
    if (!file.seek(next))
      return -1;
  }
}
