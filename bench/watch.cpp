// Background watch benchmark: 50 categories on 127.0.0.1, checked back to
// back by the real window's watch, every check finding its feed changed and
// 25 new items that match the filter, so each one downloads, reads, saves its
// seen set and raises an alert balloon (the worst case; real boards mostly
// answer 304). Run it through scripts/bench, under the headless desktop.
//
// Targets, each met or not: the CPU the watch costs at a 5-minute interval
// (50 checks per 300 s, from the measured CPU per check of the whole process,
// the local server's answers included) under 1% of one core; resident memory
// growth under 1 MB over 1,000 checks (after 100 to warm up); and the GUI
// thread never kept from its event loop more than 16 ms (the longest gap
// between two turns of it, measured in a second run).
#include "Measure.h"
#include "WatchWindow.h"
#include "app/Unit1.h"
#include "feeds/FeedWatch.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/TestHttpServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kSites = 10;
constexpr int kCategories = 5;
constexpr int kItems = 25;
constexpr int kWarmUp = 100;
constexpr int kChecks = 1000;
constexpr int kGapChecks = 200;

QByteArray path(int site, int category) {
  return "/s" + QByteArray::number(site) + "/c" + QByteArray::number(category);
}

QByteArray feedFor(const QByteArray &where, int version) {
  QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
                    "<title>Биржа</title><link>https://board.example.org/</link>\n";
  for (int i = 0; i < kItems; ++i) {
    const QByteArray id = where + '-' + QByteArray::number(version) + '-' + QByteArray::number(i);
    feed += "<item><title>Проект " + id +
            ": приложение на C++/Qt</title><link>https://board.example.org/projects" + id +
            "</link><description><![CDATA[<p>Требуется разработчик, заказ " + id +
            ".</p>]]></description><pubDate>Sun, 06 Dec 2026 09:00:00 +0300</pubDate></item>\n";
  }
  return feed + "</channel></rss>\n";
}

bool writeCatalogue(const QString &folder, const TTestHttpServer &server) {
  QByteArray ini = "[item_0]\r\ntitle=\xC0\xF0\xF5\xE8\xE2\r\n00_url=vx_arhive.xml\r\n";
  for (int s = 1; s <= kSites; ++s) {
    ini += "[item_" + QByteArray::number(s) + "]\r\ntitle=Board " + QByteArray::number(s) + "\r\n";
    for (int c = 0; c < kCategories; ++c) {
      const QByteArray key = QByteArray::number(s) + QByteArray::number(c);
      ini += key + "_name=C" + QByteArray::number(c) + "\r\n" + key +
             "_url=" + server.url(path(s, c)).toUtf8() + "\r\n";
    }
  }
  QFile catalogue(QDir(folder).filePath(QStringLiteral("vxs.ini")));
  return catalogue.open(QIODevice::WriteOnly) && catalogue.write(ini) == ini.size();
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QTemporaryDir folder;
  PrepareWatchRun(folder);
  TTestHttpServer server;
  if (!server.start() || !writeCatalogue(folder.path(), server))
    return 1;
  // Every feed changes after each check of it: every check finds news.
  int version = 0;
  const auto serveAll = [&] {
    server.reset();
    ++version;
    for (int s = 1; s <= kSites; ++s)
      for (int c = 0; c < kCategories; ++c)
        server.route(path(s, c), TTestResponse::ok(feedFor(path(s, c), version)));
  };
  serveAll();

  TForm1 form;
  TFormSetting settings(&form);
  ShowFiltered(form, settings, QStringLiteral("проект"));
  TFeedWatch &watch = *form.feedWatch();
  if (watch.feeds().size() != kSites * kCategories)
    return 1;

  int checks = 0, failed = 0;
  QObject::connect(&watch, &TFeedWatch::checked, &app,
                   [&](const TWatchedFeed &, const TWatchResult &result) {
                     failed += result.status != TWatchResult::Checked || result.fresh.isEmpty();
                     ++checks;
                     if (checks % (kSites * kCategories) == 0)
                       serveAll();
                   });
  // A loop of its own: quitting the application would close the window.
  const auto runChecks = [&](int count) {
    const int until = checks + count;
    QEventLoop loop;
    QTimer stop;
    QObject::connect(&stop, &QTimer::timeout, &loop, [&] {
      if (checks >= until)
        loop.quit();
    });
    stop.start(1);
    loop.exec();
  };
  // Back to back: the interval shared out among 50 feeds is one millisecond.
  watch.setInterval(std::chrono::milliseconds(kSites * kCategories));
  const int firstRound = kSites * kCategories; // marks everything seen, alerts nothing
  runChecks(firstRound + kWarmUp);
  const qint64 rssBefore = residentKiB();
  const double cpuBefore = cpuSeconds();
  QElapsedTimer clock;
  clock.start();
  failed = 0;
  runChecks(kChecks);
  const double cpuPerCheck = (cpuSeconds() - cpuBefore) / kChecks;
  const double wallPerCheck = clock.nsecsElapsed() / 1e9 / kChecks;
  const qint64 growth = residentKiB() - rssBefore;

  // The longest time between two turns of the event loop while checks run.
  double longestGapMs = 0;
  QElapsedTimer turns;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout, &app, [&] {
    if (turns.isValid())
      longestGapMs = std::max(longestGapMs, turns.nsecsElapsed() / 1e6);
    turns.start();
  });
  beat.start(0);
  runChecks(kGapChecks);
  beat.stop();

  const double cpuPercent = cpuPerCheck * (kSites * kCategories) / 300.0 * 100.0;
  const bool cpuMet = cpuPercent < 1.0, rssMet = growth < 1024, gapMet = longestGapMs <= 16.0;
  std::printf("%d checks of %d feeds, %d new matching items each (%.1f KB feeds); "
              "%d found nothing new\n",
              kChecks, kSites * kCategories, kItems, feedFor(path(1, 1), 1).size() / 1e3, failed);
  std::printf("per check: %.2f ms CPU (whole process), %.2f ms wall\n", cpuPerCheck * 1e3,
              wallPerCheck * 1e3);
  std::printf("CPU at a 5-minute interval: %.4f%% of one core (target < 1%%): %s\n", cpuPercent,
              cpuMet ? "met" : "NOT met");
  std::printf("resident growth over %d checks: %lld kB (target < 1024 kB): %s\n", kChecks,
              static_cast<long long>(growth), rssMet ? "met" : "NOT met");
  std::printf("longest GUI gap over %d checks: %.1f ms (target <= 16 ms): %s\n", kGapChecks,
              longestGapMs, gapMet ? "met" : "NOT met");
  return failed == 0 && cpuMet && rssMet && gapMet ? 0 : 2;
}
