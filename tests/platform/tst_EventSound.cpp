#include "platform/EventSound.h"
#include "support/ChildRun.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Rate = 44100;
constexpr int HeaderSize = 44;

// The canonical header of a 16-bit mono PCM WAV file with that much sample data.
QByteArray wavHeader(quint32 dataBytes) {
  QByteArray header;
  QDataStream out(&header, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out.writeRawData("RIFF", 4);
  out << quint32(36 + dataBytes);
  out.writeRawData("WAVEfmt ", 8);
  out << quint32(16) << quint16(1) << quint16(1) << quint32(Rate) << quint32(Rate * 2) << quint16(2)
      << quint16(16);
  out.writeRawData("data", 4);
  out << dataBytes;
  return header;
}

QByteArray silentWav(double seconds) {
  const QByteArray pcm(qsizetype(seconds * Rate) * 2, '\0');
  return wavHeader(quint32(pcm.size())) + pcm;
}

qint64 durationMs(const QByteArray &wav) {
  return (wav.size() - HeaderSize) * 1000 / (Rate * 2);
}

QByteArray readAll(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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

// Child mode: PULSE_SERVER points at a server of the parent's own, which this
// stops halfway. A sound that cannot end, and the closing after it, must
// still return.
int runWithStoppedServer(pid_t server) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"tone.wav"_s);
  auto sound = std::make_unique<TEventSound>();
  if (!writeFile(path, silentWav(0.3)) || !sound->playSync(path))
    return 1; // the server was not usable in the first place
  ::kill(server, SIGSTOP);
  const bool played = sound->playSync(path);
  const bool started = sound->playAsync(path);
  sound.reset();
  ::kill(server, SIGCONT);
  return !played && !started ? 0 : 2;
}

// Child mode, with PULSE_SERVER pointing at a socket that does not exist.
int runWithoutServer() {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"tone.wav"_s);
  TEventSound sound;
  return writeFile(path, silentWav(0.3)) && !sound.playSync(path) && !sound.playAsync(path) ? 0 : 1;
}

} // namespace

// The PulseAudio null sink of scripts/with-desktop reports the end of a sound up
// to two seconds late: the tests assert order and lower bounds, never exact times.
class tst_EventSound : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  QString tone(const QString &name, double seconds) {
    const QString path = FDir.filePath(name);
    return writeFile(path, silentWav(seconds)) ? path : QString();
  }

private Q_SLOTS:
  void initTestCase() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("PULSE_SERVER") && sinkInputCount() == 0,
             "no idle PulseAudio server: run under scripts/with-desktop");
    QVERIFY(FDir.isValid());
  }

  void eventSoundsAreShortWavs_data() {
    QTest::addColumn<QString>("name");
    for (const char *name : {"noconnect", "error", "warning", "update", "zenshow", "add", "del",
                             "itemok", "itemfail", "itemempty"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }
  void eventSoundsAreShortWavs() {
    QFETCH(QString, name);
    const QByteArray wav =
        readAll(QStringLiteral(VORNIX_SOURCE_DIR "/resources/sounds/") + name + u".wav"_s);
    QVERIFY(wav.size() > HeaderSize);
    QCOMPARE(wav.left(HeaderSize), wavHeader(quint32(wav.size() - HeaderSize)));
    QVERIFY2(durationMs(wav) >= 150 && durationMs(wav) <= 800,
             qPrintable(u"%1 ms"_s.arg(durationMs(wav))));
  }

  void playSyncReturnsAfterTheSound_data() {
    QTest::addColumn<QString>("path");
    // Over before the server has confirmed the start.
    QTest::newRow("10 ms tone") << tone(u"short.wav"_s, 0.01);
    QTest::newRow("event sound") << QStringLiteral(VORNIX_SOURCE_DIR
                                                   "/resources/sounds/update.wav");
  }
  void playSyncReturnsAfterTheSound() {
    QFETCH(QString, path);
    const qint64 expected = durationMs(readAll(path));
    QVERIFY(expected >= 0);
    TEventSound sound;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(sound.playSync(path));
    QVERIFY2(timer.elapsed() >= expected, qPrintable(u"after %1 ms"_s.arg(timer.elapsed())));
    QCOMPARE(sinkInputCount(), 0);
  }

  void playAsyncCutsOffThePrevious() {
    const QString first = tone(u"first.wav"_s, 4), second = tone(u"second.wav"_s, 4);
    QVERIFY(!first.isEmpty() && !second.isEmpty());
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

  void badFileFails_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // null: nothing is written

    QTest::newRow("missing") << u"missing.wav"_s << QByteArray();
    QTest::newRow("folder") << u"."_s << QByteArray();
    QTest::newRow("empty") << u"empty.wav"_s << QByteArray("");
    QTest::newRow("text") << u"text.wav"_s << QByteArray("not a sound\r\n");
    QTest::newRow("header only") << u"header.wav"_s << wavHeader(Rate).left(20);
  }
  void badFileFails() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = FDir.filePath(name);
    if (!bytes.isNull())
      QVERIFY(writeFile(path, bytes));
    TEventSound sound;
    QVERIFY(!sound.playSync(path));
    QVERIFY(!sound.playAsync(path));
    QCOMPARE(sinkInputCount(), 0);
  }

  void durationComesFromTheHeader_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("ms");
    const QByteArray half = silentWav(0.5);
    QTest::newRow("canonical") << half << qint64(500);
    // A list chunk of odd size, padded, between the format and the samples.
    QTest::newRow("chunk before the samples")
        << half.left(36) + QByteArray("LIST\3\0\0\0abc\0", 12) + half.mid(36) << qint64(500);
    QTest::newRow("shorter than announced")
        << wavHeader(Rate * 2) + QByteArray(Rate, '\0') << qint64(500);
    QTest::newRow("no format") << half.left(12) + half.mid(36) << qint64(-1);
    QTest::newRow("not a sound") << QByteArray("not a sound\r\n") << qint64(-1);
  }
  void durationComesFromTheHeader() {
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, ms);
    const QString path = FDir.filePath(u"header.wav"_s);
    QVERIFY(writeFile(path, bytes));
    QCOMPARE(TEventSound::durationMs(path), ms);
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
    const auto stop = qScopeGuard([&server] {
      ::kill(pid_t(server.processId()), SIGCONT);
      server.kill();
      server.waitForFinished();
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
    QVERIFY(RunSelfAsChild(u"--stopped-server=%1"_s.arg(server.processId()), u"PULSE_SERVER"_s,
                           u"unix:"_s + socket));
  }

  void noSoundServerFails() {
    QVERIFY(RunSelfAsChild(u"--without-server"_s, u"PULSE_SERVER"_s,
                           u"unix:/nonexistent/vornix-no-pulse/native"_s));
  }
};

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && qstrcmp(argv[1], "--without-server") == 0)
    return runWithoutServer();
  if (argc > 1 && QByteArray(argv[1]).startsWith("--stopped-server="))
    return runWithStoppedServer(pid_t(QByteArray(argv[1]).mid(17).toLongLong()));
  tst_EventSound test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "tst_EventSound.moc"
