#include "platform/EventSound.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

// Plays through the real PulseAudio server of scripts/with-desktop, whose null
// sink reports the end of a sound up to two seconds late: the tests assert
// order and lower bounds, never exact times.
class tst_EventSound : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase();
  void playSyncReturnsAfterTheSound_data();
  void playSyncReturnsAfterTheSound();
  void eventSoundsPlay_data();
  void eventSoundsPlay();
  void playAsyncReturnsWhileSounding();
  void nextAsyncCutsOffThePrevious();
  void destroyingStopsAsyncSound();
  void badFileFails_data();
  void badFileFails();
  void noSoundServerFails();

private:
  QString tone(const QString &name, double seconds);

  QTemporaryDir FDir;
};

namespace {

constexpr int Rate = 44100;

void putLe16(QByteArray &out, quint16 v) {
  char b[2];
  qToLittleEndian(v, b);
  out.append(b, 2);
}

void putLe32(QByteArray &out, quint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}

// A 16-bit mono WAV holding a quiet sine, faded at both ends.
QByteArray sineWav(double seconds, double frequency = 660) {
  const quint32 frames = quint32(seconds * Rate);
  QByteArray pcm;
  pcm.reserve(int(frames * 2));
  const quint32 fade = qMin<quint32>(frames / 2, Rate / 100);
  for (quint32 i = 0; i < frames; ++i) {
    double gain = 0.2;
    if (i < fade)
      gain *= double(i) / fade;
    else if (frames - i < fade)
      gain *= double(frames - i) / fade;
    const double sample = gain * std::sin(2 * M_PI * frequency * i / Rate);
    putLe16(pcm, quint16(qint16(std::lround(sample * 32767))));
  }
  QByteArray wav("RIFF");
  putLe32(wav, quint32(36 + pcm.size()));
  wav += "WAVEfmt ";
  putLe32(wav, 16);
  putLe16(wav, 1); // PCM
  putLe16(wav, 1); // mono
  putLe32(wav, Rate);
  putLe32(wav, Rate * 2);
  putLe16(wav, 2);
  putLe16(wav, 16);
  wav += "data";
  putLe32(wav, quint32(pcm.size()));
  return wav + pcm;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct TWavFormat {
  quint16 Channels = 0;
  quint32 Rate = 0;
  quint16 Bits = 0;
  qint64 DurationMs = -1;
};

// Reads the format and the length of the data chunk from a WAV file's header.
TWavFormat wavFormat(const QString &path) {
  QFile file(path);
  TWavFormat format;
  if (!file.open(QIODevice::ReadOnly))
    return format;
  const QByteArray bytes = file.readAll();
  if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
    return format;
  quint32 byteRate = 0;
  for (qsizetype at = 12; at + 8 <= bytes.size();) {
    const QByteArray id = bytes.mid(at, 4);
    const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
    const char *body = bytes.constData() + at + 8;
    if (id == "fmt " && size >= 16 && at + 8 + 16 <= bytes.size()) {
      format.Channels = qFromLittleEndian<quint16>(body + 2);
      format.Rate = qFromLittleEndian<quint32>(body + 4);
      byteRate = qFromLittleEndian<quint32>(body + 8);
      format.Bits = qFromLittleEndian<quint16>(body + 14);
    } else if (id == "data" && byteRate > 0) {
      format.DurationMs = qint64(size) * 1000 / byteRate;
      break;
    }
    at += 8 + size + (size & 1);
  }
  return format;
}

QString pactl(const QStringList &args) {
  QProcess process;
  process.start(u"pactl"_s, args);
  if (!process.waitForFinished(10000) || process.exitCode() != 0)
    return u"<pactl failed>"_s;
  return QString::fromUtf8(process.readAllStandardOutput());
}

int sinkInputCount() {
  const QString list = pactl({u"list"_s, u"short"_s, u"sink-inputs"_s});
  if (list.startsWith(u'<'))
    return -1;
  return int(list.split(u'\n', Qt::SkipEmptyParts).size());
}

QString sinkInputs() {
  return pactl({u"list"_s, u"sink-inputs"_s});
}

// Child mode: PULSE_SERVER points at a socket that does not exist.
int runWithoutServer() {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"tone.wav"_s);
  if (!dir.isValid() || !writeFile(path, sineWav(0.3)))
    return 2;
  TEventSound sound;
  int failures = 0;
  if (sound.playSync(path)) {
    std::fprintf(stderr, "without a server: playSync() claims success\n");
    ++failures;
  }
  if (sound.playAsync(path)) {
    std::fprintf(stderr, "without a server: playAsync() claims success\n");
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}

} // namespace

void tst_EventSound::initTestCase() {
  QVERIFY2(!qEnvironmentVariableIsEmpty("PULSE_SERVER") && sinkInputCount() == 0,
           "no idle PulseAudio server: run under scripts/with-desktop");
  QVERIFY(FDir.isValid());
}

QString tst_EventSound::tone(const QString &name, double seconds) {
  QString path = FDir.filePath(name);
  if (!writeFile(path, sineWav(seconds)))
    return {};
  return path;
}

void tst_EventSound::playSyncReturnsAfterTheSound_data() {
  QTest::addColumn<double>("seconds");
  // Short enough to be over before the server has confirmed the start.
  QTest::newRow("10 ms") << 0.01;
  QTest::newRow("0.3 s") << 0.3;
  QTest::newRow("1.2 s") << 1.2;
}

void tst_EventSound::playSyncReturnsAfterTheSound() {
  QFETCH(double, seconds);
  const QString path = tone(u"sync-%1.wav"_s.arg(seconds), seconds);
  QVERIFY(!path.isEmpty());
  const qint64 durationMs = wavFormat(path).DurationMs;
  QVERIFY(durationMs >= 0);

  TEventSound sound;
  QElapsedTimer timer;
  timer.start();
  QVERIFY(sound.playSync(path));
  QVERIFY2(timer.elapsed() >= durationMs,
           qPrintable(u"returned after %1 ms"_s.arg(timer.elapsed())));
  QCOMPARE(sinkInputCount(), 0);
}

void tst_EventSound::eventSoundsPlay_data() {
  QTest::addColumn<QString>("path");
  const QDir sounds(QStringLiteral(VORNIX_SOURCE_DIR "/resources/sounds"));
  for (const char *name : {"noconnect", "error", "warning", "update", "zenshow", "add", "del",
                           "itemok", "itemfail", "itemempty"})
    QTest::newRow(name) << sounds.filePath(QLatin1String(name) + u".wav"_s);
}

void tst_EventSound::eventSoundsPlay() {
  QFETCH(QString, path);
  const TWavFormat format = wavFormat(path);
  QCOMPARE(format.Channels, quint16(1));
  QCOMPARE(format.Rate, quint32(Rate));
  QCOMPARE(format.Bits, quint16(16));
  // An event sound is a short cue, not a tune.
  QVERIFY2(format.DurationMs >= 150 && format.DurationMs <= 800,
           qPrintable(u"%1 ms"_s.arg(format.DurationMs)));

  TEventSound sound;
  QElapsedTimer timer;
  timer.start();
  QVERIFY(sound.playSync(path));
  QVERIFY(timer.elapsed() >= format.DurationMs);
}

void tst_EventSound::playAsyncReturnsWhileSounding() {
  const QString path = tone(u"async.wav"_s, 1.5);
  QVERIFY(!path.isEmpty());
  TEventSound sound;
  QVERIFY(sound.playAsync(path));
  // Still sounding after the call has returned...
  QCOMPARE(sinkInputCount(), 1);
  // ...and it plays out on its own.
  QTRY_COMPARE_WITH_TIMEOUT(sinkInputCount(), 0, 8000);
}

void tst_EventSound::nextAsyncCutsOffThePrevious() {
  const QString first = tone(u"first.wav"_s, 4);
  const QString second = tone(u"second.wav"_s, 4);
  QVERIFY(!first.isEmpty() && !second.isEmpty());
  TEventSound sound;
  QVERIFY(sound.playAsync(first));
  QCOMPARE(sinkInputCount(), 1);
  QVERIFY(sound.playAsync(second));
  QTRY_COMPARE(sinkInputCount(), 1);
  const QString playing = sinkInputs();
  QVERIFY2(playing.contains(second) && !playing.contains(first), qPrintable(playing));

  // A failed start still cuts off what was playing.
  QVERIFY(!sound.playAsync(FDir.filePath(u"missing.wav"_s)));
  QTRY_COMPARE(sinkInputCount(), 0);
}

void tst_EventSound::destroyingStopsAsyncSound() {
  const QString path = tone(u"long.wav"_s, 5);
  QVERIFY(!path.isEmpty());
  auto sound = std::make_unique<TEventSound>();
  QVERIFY(sound->playAsync(path));
  QCOMPARE(sinkInputCount(), 1);
  sound.reset();
  QTRY_COMPARE_WITH_TIMEOUT(sinkInputCount(), 0, 3000);
}

void tst_EventSound::badFileFails_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("create");

  QByteArray noise(4096, Qt::Uninitialized);
  QRandomGenerator generator(1251);
  for (char &c : noise)
    c = char(generator.bounded(256));

  QTest::newRow("missing") << u"missing.wav"_s << QByteArray() << false;
  QTest::newRow("empty") << u"empty.wav"_s << QByteArray() << true;
  QTest::newRow("random bytes") << u"noise.wav"_s << noise << true;
  QTest::newRow("text") << u"text.wav"_s << QByteArray("not a sound\r\n") << true;
  QTest::newRow("header only") << u"header.wav"_s << sineWav(0.5).left(20) << true;
  QTest::newRow("folder") << u"folder.wav"_s << QByteArray() << false;
}

void tst_EventSound::badFileFails() {
  QFETCH(QString, name);
  QFETCH(QByteArray, bytes);
  QFETCH(bool, create);
  const QString path = FDir.filePath(name);
  if (create)
    QVERIFY(writeFile(path, bytes));
  if (QTest::currentDataTag() == QByteArrayLiteral("folder"))
    QVERIFY(QDir(FDir.path()).mkpath(name));

  TEventSound sound;
  QVERIFY(!sound.playSync(path));
  QVERIFY(!sound.playAsync(path));
  QCOMPARE(sinkInputCount(), 0);
}

void tst_EventSound::noSoundServerFails() {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(u"PULSE_SERVER"_s, u"unix:/nonexistent/vornix-no-pulse/native"_s);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedChannels);
  child.start(QCoreApplication::applicationFilePath(), {u"--without-server"_s});
  QVERIFY(child.waitForFinished(30000));
  QCOMPARE(child.exitStatus(), QProcess::NormalExit);
  QCOMPARE(child.exitCode(), 0);
}

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && qstrcmp(argv[1], "--without-server") == 0)
    return runWithoutServer();
  tst_EventSound test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "tst_EventSound.moc"
