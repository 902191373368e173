// Start-up benchmark: time from exec of vx to its main window's first paint,
// and resident memory once it has settled. Run under a desktop session
// (scripts/bench does that); vx reports its first paint on the
// "vornix.startup" logging category.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

qint64 realtimeMicros() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

qint64 residentKiB(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly))
    return -1;
  static const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
  const auto match = rss.match(QString::fromLatin1(status.readAll()));
  return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

struct TRun {
  double shownMs = -1;
  double idleMiB = -1;
};

TRun runOnce(const QString &folder) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vornix.startup.info=true"));
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setWorkingDirectory(folder);
  process.setProgram(folder + QStringLiteral("/vx"));
  const qint64 start = realtimeMicros();
  process.start();
  TRun run;
  static const QRegularExpression shown(QStringLiteral("first paint at (\\d+)"));
  QByteArray log;
  while (process.waitForReadyRead(10000)) {
    log += process.readAll();
    const auto match = shown.match(QString::fromLatin1(log));
    if (match.hasMatch()) {
      run.shownMs = double(match.captured(1).toLongLong() - start) / 1000.0;
      break;
    }
  }
  QThread::sleep(3); // idle: timers armed, nothing to do
  run.idleMiB = double(residentKiB(process.processId())) / 1024.0;
  process.terminate();
  if (!process.waitForFinished(5000))
    process.kill();
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
  const QString vx = QStringLiteral(VORNIX_VX);
  QTemporaryDir folder;
  QFile::copy(vx, folder.filePath(QStringLiteral("vx")));
  QFile(folder.filePath(QStringLiteral("vx"))).setPermissions(QFile::ExeOwner | QFile::ReadOwner);

  std::vector<double> shown, idle;
  for (int i = 0; i < runs; ++i) {
    const TRun run = runOnce(folder.path());
    if (run.shownMs < 0) {
      std::fprintf(stderr, "run %d: vx never reported its first paint\n", i + 1);
      return 1;
    }
    shown.push_back(run.shownMs);
    idle.push_back(run.idleMiB);
    std::printf("run %2d: shown after %7.1f ms, idle resident %6.1f MiB\n", i + 1, run.shownMs,
                run.idleMiB);
  }
  std::printf("median of %d runs: shown after %.1f ms (target < 150), idle resident %.1f MiB "
              "(target < 45)\n",
              runs, median(shown), median(idle));
  return 0;
}
