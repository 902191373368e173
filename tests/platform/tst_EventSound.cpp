#include "platform/EventSound.h"
#include "support/ChildRun.h"
#include "support/FileBytes.h"
#include "support/GoldenFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Rate = 44100;
constexpr int HeaderSize = 44;
const QString Sounds = QStringLiteral(VORNIX_SOURCE_DIR "/resources/sounds/");

// The canonical header of a 16-bit mono PCM WAV file at 44.1 kHz with that much sample data.
QByteArray wavHeader(quint32 dataBytes) {
  QByteArray header("RIFF----WAVEfmt \x10\0\0\0\1\0\1\0\x44\xAC\0\0\x88\x58\1\0\2\0\x10\0data----",
                    44);
  qToLittleEndian(36 + dataBytes, header.data() + 4);
  qToLittleEndian(dataBytes, header.data() + 40);
  return header;
}

QByteArray silentWav(double seconds) {
  const QByteArray pcm(qsizetype(seconds * Rate) * 2, '\0');
  return wavHeader(quint32(pcm.size())) + pcm;
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

  // The program's own sounds are short and plain PCM.
  void eventSoundsAreShortWavs() {
    for (const char *name : {"noconnect", "error", "warning", "update", "zenshow", "add", "del",
                             "itemok", "itemfail", "itemempty"}) {
      const QByteArray wav = contentOf(Sounds + QString::fromLatin1(name) + u".wav"_s);
      const qint64 ms = (wav.size() - HeaderSize) * 1000 / (Rate * 2);
      QCOMPARE(wav.left(HeaderSize), wavHeader(quint32(wav.size() - HeaderSize)));
      QVERIFY2(ms >= 150 && ms <= 800,
               qPrintable(u"%1: %2 ms"_s.arg(QLatin1StringView(name)).arg(ms)));
    }
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

  // Each file in tests/data/sounds, its length read from the header, then played
  // synchronously: a sound returns once over and no sooner, a file that is no sound
  // fails at once, asynchronously too. The dump beside it holds length and outcome.
  void playSyncKeepsToTheHeader_data() { addGoldenRows(u"sounds"_s); }
  void playSyncKeepsToTheHeader() {
    QFETCH(QString, input);
    const qint64 ms = TEventSound::durationMs(input);
    // header-* files are only measured: a sound server need not play them.
    if (QFileInfo(input).fileName().startsWith(u"header-"_s))
      return compareWithGolden(input, u"%1 ms\n"_s.arg(ms));
    TEventSound sound;
    QElapsedTimer timer;
    timer.start();
    const bool played = sound.playSync(input);
    QVERIFY2(timer.elapsed() >= ms, qPrintable(u"after %1 ms"_s.arg(timer.elapsed())));
    QVERIFY(ms >= 0 || !sound.playAsync(input));
    QCOMPARE(sinkInputCount(), 0);
    compareWithGolden(input, u"%1 ms, %2\n"_s.arg(ms).arg(played ? u"played"_s : u"failed"_s));
  }

  // A server of its own, which the child stops (the one the other tests use must go on
  // playing), and none at all.
  void stoppedOrMissingSoundServerCannotHang() {
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
    QVERIFY(RunSelfAsChild(u"--without-server"_s, u"PULSE_SERVER"_s,
                           u"unix:/nonexistent/vornix-no-pulse/native"_s));
  }
};

TEST_MAIN_WITH_CHILDREN(QCoreApplication, tst_EventSound,
                        {{"--stopped-server", playWithStoppedServer},
                         {"--without-server", playWithoutServer}})
#include "tst_EventSound.moc"
