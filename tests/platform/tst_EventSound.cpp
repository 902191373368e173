#include "platform/EventSound.h"
#include "support/ChildRun.h"
#include "support/FileBytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Rate = 44100;
constexpr int HeaderSize = 44;
const QString Sounds = QStringLiteral(VORNIX_SOURCE_DIR "/resources/sounds/");

QByteArray littleEndian(quint32 value, int bytes) {
  QByteArray out;
  for (int i = 0; i < bytes; ++i)
    out += char(value >> (8 * i));
  return out;
}

// The canonical header of a 16-bit mono PCM WAV file with that much sample data.
QByteArray wavHeader(quint32 dataBytes) {
  return "RIFF" + littleEndian(36 + dataBytes, 4) + "WAVEfmt " + littleEndian(16, 4) +
         littleEndian(1, 2) + littleEndian(1, 2) + littleEndian(Rate, 4) +
         littleEndian(Rate * 2, 4) + littleEndian(2, 2) + littleEndian(16, 2) + "data" +
         littleEndian(dataBytes, 4);
}

QByteArray silentWav(double seconds) {
  const QByteArray pcm(qsizetype(seconds * Rate) * 2, '\0');
  return wavHeader(quint32(pcm.size())) + pcm;
}

qint64 durationMs(const QByteArray &wav) {
  return (wav.size() - HeaderSize) * 1000 / (Rate * 2);
}

QString sinkInputs(bool verbose = false) {
  QProcess pactl;
  pactl.start(u"pactl"_s, verbose ? QStringList{u"list"_s, u"sink-inputs"_s}
                                  : QStringList{u"list"_s, u"short"_s, u"sink-inputs"_s});
  if (!pactl.waitForFinished(10000) || pactl.exitCode() != 0)
    return u"<pactl failed>"_s;
  return QString::fromUtf8(pactl.readAllStandardOutput());
}

int sinkInputCount() {
  const QString list = sinkInputs();
  return list.startsWith(u'<') ? -1 : int(list.count(u'\n'));
}

// Child scenario: PULSE_SERVER points at a server of the parent's own, which
// this stops halfway. A sound that cannot end, and the closing after it, must
// still return.
int playWithStoppedServer(const QByteArray &serverPid) {
  const QString path = Sounds + u"update.wav"_s;
  auto sound = std::make_unique<TEventSound>();
  if (!sound->playSync(path))
    return 1; // the server was not usable in the first place
  ::kill(pid_t(serverPid.toLongLong()), SIGSTOP);
  const bool played = sound->playSync(path), started = sound->playAsync(path);
  sound.reset();
  ::kill(pid_t(serverPid.toLongLong()), SIGCONT);
  return !played && !started ? 0 : 2;
}

// Child scenario, with PULSE_SERVER pointing at a socket that does not exist.
int playWithoutServer(const QByteArray &) {
  TEventSound sound;
  const QString path = Sounds + u"update.wav"_s;
  return !sound.playSync(path) && !sound.playAsync(path) ? 0 : 1;
}

} // namespace

// The PulseAudio null sink of scripts/with-desktop reports the end of a sound up
// to two seconds late: the tests assert order and lower bounds, never exact times.
class tst_EventSound : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  QString tone(const QString &name, double seconds) {
    put(FDir.filePath(name), silentWav(seconds));
    return FDir.filePath(name);
  }

private Q_SLOTS:
  void initTestCase() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("PULSE_SERVER") && sinkInputCount() == 0,
             "no idle PulseAudio server: run under scripts/with-desktop");
  }

  void eventSoundsAreShortWavs_data() {
    QTest::addColumn<QString>("name");
    for (const char *name : {"noconnect", "error", "warning", "update", "zenshow", "add", "del",
                             "itemok", "itemfail", "itemempty"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }
  void eventSoundsAreShortWavs() {
    QFETCH(QString, name);
    const QByteArray wav = contentOf(Sounds + name + u".wav"_s);
    QCOMPARE(wav.left(HeaderSize), wavHeader(quint32(wav.size() - HeaderSize)));
    QVERIFY2(durationMs(wav) >= 150 && durationMs(wav) <= 800,
             qPrintable(u"%1 ms"_s.arg(durationMs(wav))));
  }

  void playAsyncCutsOffThePrevious() {
    const QString first = tone(u"first.wav"_s, 4), second = tone(u"second.wav"_s, 4);
    auto sound = std::make_unique<TEventSound>();
    QVERIFY(sound->playAsync(first));
    QCOMPARE(sinkInputCount(), 1); // returned while still sounding
    QVERIFY(sound->playAsync(second));
    QTRY_COMPARE(sinkInputCount(), 1);
    const QString playing = sinkInputs(true);
    QVERIFY2(playing.contains(second) && !playing.contains(first), qPrintable(playing));
    // A failed start still cuts off what was playing, and so does a
    // synchronous sound.
    QVERIFY(!sound->playAsync(FDir.filePath(u"missing.wav"_s)));
    QTRY_COMPARE(sinkInputCount(), 0);
    QVERIFY(sound->playAsync(first));
    QVERIFY(sound->playSync(tone(u"blip.wav"_s, 0.05)));
    QCOMPARE(sinkInputCount(), 0);
    // Destroying the player stops its sound.
    QVERIFY(sound->playAsync(first));
    QCOMPARE(sinkInputCount(), 1);
    sound.reset();
    QTRY_COMPARE_WITH_TIMEOUT(sinkInputCount(), 0, 3000);
  }

  // A sound played synchronously returns once over, and no sooner than its
  // header says; a file that is no sound fails at once.
  void playSyncKeepsToTheHeader_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("ms"); // negative: not a sound
    QTest::addColumn<bool>("play"); // false: only the header is read
    const auto row = [this](const char *name, const QByteArray &bytes, qint64 ms, bool play) {
      put(FDir.filePath(QString::fromLatin1(name)), bytes);
      QTest::newRow(name) << FDir.filePath(QString::fromLatin1(name)) << ms << play;
    };
    const QByteArray half = silentWav(0.5), update = contentOf(Sounds + u"update.wav"_s);
    row("10 ms, over before the server has confirmed the start", silentWav(0.01), 10, true);
    row("event sound", update, durationMs(update), true);
    // A list chunk of odd size, padded, between the format and the samples.
    row("chunk before the samples",
        half.left(36) + QByteArray("LIST\3\0\0\0abc\0", 12) + half.mid(36), 500, false);
    row("shorter than announced", wavHeader(Rate * 2) + QByteArray(Rate, '\0'), 500, false);
    row("no format", half.left(12) + half.mid(36), -1, true);
    row("empty", "", -1, true);
    row("text", "not a sound\r\n", -1, true);
    row("header only", wavHeader(Rate).left(20), -1, true);
    QTest::newRow("missing") << FDir.filePath(u"missing.wav"_s) << qint64(-1) << true;
    QTest::newRow("folder") << FDir.path() << qint64(-1) << true;
  }
  void playSyncKeepsToTheHeader() {
    QFETCH(QString, path);
    QFETCH(qint64, ms);
    QFETCH(bool, play);
    QCOMPARE(TEventSound::durationMs(path), ms);
    if (!play)
      return;
    TEventSound sound;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(sound.playSync(path), ms >= 0);
    QVERIFY2(timer.elapsed() >= ms, qPrintable(u"after %1 ms"_s.arg(timer.elapsed())));
    QVERIFY(ms >= 0 || !sound.playAsync(path));
    QCOMPARE(sinkInputCount(), 0);
  }

  // A server of its own, which the child stops: the one the other tests use
  // must go on playing.
  void stoppedSoundServerCannotHang() {
    QTemporaryDir runtime;
    const QString socket = runtime.filePath(u"native"_s);
    QProcess server;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    // Off the session bus, where the shared server holds the sound server's name.
    env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    env.remove(u"DISPLAY"_s);
    server.setProcessEnvironment(env);
    server.start(u"pulseaudio"_s,
                 {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"--use-pid-file=no"_s,
                  u"--load=module-native-protocol-unix socket=%1 auth-anonymous=1"_s.arg(socket),
                  u"--load=module-null-sink sink_name=nullsink"_s});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
    const bool ended = RunSelfAsChild(u"--stopped-server=%1"_s.arg(server.processId()),
                                      u"PULSE_SERVER"_s, u"unix:"_s + socket);
    server.kill();
    server.waitForFinished();
    QVERIFY(ended);
  }

  void noSoundServerFails() {
    QVERIFY(RunSelfAsChild(u"--without-server"_s, u"PULSE_SERVER"_s,
                           u"unix:/nonexistent/vornix-no-pulse/native"_s));
  }
};

TEST_MAIN_WITH_CHILDREN(QCoreApplication, tst_EventSound,
                        {{"--stopped-server", playWithStoppedServer},
                         {"--without-server", playWithoutServer}})
#include "tst_EventSound.moc"
