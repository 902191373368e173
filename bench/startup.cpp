// Start-up benchmark: vx beside a bare Qt window with a tray icon
// (bench_bare), run in turns so that both meet the same machine. Each run is a
// first start in a new folder, timed from exec to the window's first paint;
// its memory is the proportional set size of the process and its children,
// once settled (before the side panel's first fetch, 3 s after the show) and
// again once the panel has shown its page (here the page vx ships with: the
// fetch goes to a port nobody listens on). Run under a desktop session
// (scripts/bench does that).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <tuple>

namespace {

qint64 realtimeMicros() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

qint64 procField(const QString &file, const char *field) {
  QFile status(file);
  if (!status.open(QIODevice::ReadOnly))
    return 0;
  const QRegularExpression line(QString::fromLatin1(field) + QStringLiteral(":\\s+(\\d+) kB"));
  const auto match = line.match(QString::fromLatin1(status.readAll()));
  return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

QList<qint64> withChildren(qint64 pid) {
  QList<qint64> tree{pid};
  for (int i = 0; i < tree.size(); ++i) {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tree[i]));
    if (children.open(QIODevice::ReadOnly))
      for (const QByteArray &child : children.readAll().split(' '))
        if (!child.trimmed().isEmpty())
          tree << child.trimmed().toLongLong();
  }
  return tree;
}

struct TRun {
  double shownMs = -1;
  double pssMiB = -1;
  double rssMiB = -1;
  double panelPssMiB = -1;
};

// The process tree's PSS and RSS in MiB.
std::pair<double, double> memoryMiB(qint64 root) {
  qint64 pss = 0, rss = 0;
  for (const qint64 pid : withChildren(root)) {
    pss += procField(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss");
    rss += procField(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS");
  }
  return {double(pss) / 1024.0, double(rss) / 1024.0};
}

TRun runOnce(const QString &program) {
  QTemporaryDir folder;
  const QString copy = folder.filePath(QFileInfo(program).fileName());
  QFile::copy(program, copy);
  QFile(copy).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
  QFile::copy(QStringLiteral(VORNIX_PANEL_PAGE), folder.filePath(QStringLiteral("defaultvx.html")));
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vornix.startup.info=true"));
  env.insert(QStringLiteral("VORNIX_ZENTARA_URL"), QStringLiteral("http://127.0.0.1:1/panel"));
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setWorkingDirectory(folder.path());
  process.setProgram(copy);
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
  QThread::msleep(2500); // settled: timers armed, nothing to do
  std::tie(run.pssMiB, run.rssMiB) = memoryMiB(process.processId());
  QThread::sleep(3);
  run.panelPssMiB = memoryMiB(process.processId()).first;
  process.terminate();
  if (!process.waitForFinished(5000))
    process.kill();
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

struct TSeries {
  const char *name;
  QString program;
  std::vector<double> shown, pss, rss, panelPss;
};

} // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
  TSeries vx{"vx", QStringLiteral(VORNIX_VX), {}, {}, {}, {}};
  TSeries bare{"bare", QStringLiteral(VORNIX_BARE), {}, {}, {}, {}};
  for (int i = 0; i < runs; ++i) {
    // Who goes first alternates, so that neither always meets a warmer cache.
    for (TSeries *series : i % 2 ? std::array{&bare, &vx} : std::array{&vx, &bare}) {
      const TRun run = runOnce(series->program);
      if (run.shownMs < 0) {
        std::fprintf(stderr, "run %d: %s never reported its first paint\n", i + 1, series->name);
        return 1;
      }
      series->shown.push_back(run.shownMs);
      series->pss.push_back(run.pssMiB);
      series->rss.push_back(run.rssMiB);
      series->panelPss.push_back(run.panelPssMiB);
      std::printf("run %2d %-4s: shown after %6.1f ms, settled PSS %5.1f MiB (RSS %5.1f), "
                  "with the panel %5.1f MiB\n",
                  i + 1, series->name, run.shownMs, run.pssMiB, run.rssMiB, run.panelPssMiB);
    }
  }
  const double shownRatio = median(vx.shown) / median(bare.shown);
  const double pssRatio = median(vx.pss) / median(bare.pss);
  const double panelRatio = median(vx.panelPss) / median(bare.panelPss);
  std::printf("medians of %d runs:\n", runs);
  for (const TSeries *series : {&bare, &vx})
    std::printf(
        "  %-4s shown after %6.1f ms, PSS %5.1f MiB (RSS %5.1f), with the panel %5.1f MiB\n",
        series->name, median(series->shown), median(series->pss), median(series->rss),
        median(series->panelPss));
  std::printf("  vx/bare: shown %.2fx (target <= 1.20), PSS %.2fx, with the panel %.2fx (target "
              "<= 1.30)\n",
              shownRatio, pssRatio, panelRatio);
  return 0;
}
