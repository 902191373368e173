// Soak benchmark at scale: 60 sites of 10 categories on 127.0.0.1, all of
// them watched in the background at a 5-minute interval for two simulated
// hours, the 24 rounds of 600 checks run back to back. As on real boards most
// answers say nothing new: half the feeds answer 304 to their ETag, a quarter
// to their Last-Modified, a quarter send the same body again; each round one
// feed in twenty gains one to three items, one item in eleven of them passing
// the filter, so that seen sets, copies, balloons and the tray's count move.
// A program that sits in the tray for weeks must stay flat: less than 1 MB of
// growth, in resident memory and in the anonymous pages of its PSS, from the
// end of the first round (every file written, caches warm) to the end.
// Run it through scripts/bench.
#include "Measure.h"
#include "WatchWindow.h"
#include "app/Unit1.h"
#include "feeds/FeedWatch.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/TestHttpServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSites = 60, kCategories = 10, kFeeds = kSites * kCategories;
constexpr int kRounds = 24, kMinutesPerRound = 5; // two hours
constexpr int kItems = 25;
constexpr int kAlertEvery = 11; // one item in so many has a title the filter lets through
constexpr qint64 kFlatKiB = 1024;

// Feeds 0 and 1 of every four send an ETag, feed 2 a Last-Modified, feed 3 neither.
enum TValidator { ETag, LastModified, None };

bool alerts(int feed, int serial) {
  return (feed + serial) % kAlertEvery == 0;
}

// How many items a feed gains before a round's check of it.
int gained(int feed, int round) {
  return round > 1 && (feed * 7 + round) % 20 == 0 ? 1 + (feed + round) % 3 : 0;
}

QByteArray path(int feed) {
  return "/s" + QByteArray::number(feed / kCategories + 1) + "/c" +
         QByteArray::number(feed % kCategories);
}

// The latest kItems items, newest first, as job boards list them.
QByteArray feedBody(int feed, int newest) {
  QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
                    "<title>Биржа</title><link>https://board.example.org/</link>\n";
  for (int serial = newest; serial > newest - kItems; --serial) {
    const QByteArray id = path(feed) + '/' + QByteArray::number(serial);
    body += "<item><title>" +
            QByteArray(alerts(feed, serial) ? "Приложение на C++/Qt " : "Вёрстка лендинга ") + id +
            "</title><link>https://board.example.org/projects" + id +
            "</link><description><![CDATA[<p>Заказ " + id +
            ": сроки и оплата обсуждаются.</p>]]></description>"
            "<pubDate>Sun, 06 Dec 2026 09:00:00 +0300</pubDate></item>\n";
  }
  return body + "</channel></rss>\n";
}

bool writeCatalogue(const QString &folder, const TTestHttpServer &server) {
  QByteArray ini = "[item_0]\r\ntitle=\xC0\xF0\xF5\xE8\xE2\r\n00_url=vx_arhive.xml\r\n";
  for (int f = 0; f < kFeeds; ++f) {
    const QByteArray site = QByteArray::number(f / kCategories + 1),
                     category = QByteArray::number(f % kCategories), key = site + category;
    if (f % kCategories == 0)
      ini += "[item_" + site + "]\r\ntitle=Board " + site + "\r\n";
    ini +=
        key + "_name=C" + category + "\r\n" + key + "_url=" + server.url(path(f)).toUtf8() + "\r\n";
  }
  QFile catalogue(QDir(folder).filePath(QStringLiteral("vxs.ini")));
  return catalogue.open(QIODevice::WriteOnly) && catalogue.write(ini) == ini.size();
}

// A field of /proc/self/smaps_rollup in KiB, or -1 when it cannot say.
qint64 rollupKiB(QLatin1StringView field) {
  QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
  if (!rollup.open(QIODevice::ReadOnly))
    return -1;
  const QRegularExpression pattern(u"\\n%1:\\s+(\\d+) kB"_s.arg(field));
  const auto match = pattern.match(QString::fromLatin1(rollup.readAll()));
  return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// PSS moves by megabytes as other processes map the libraries it shares or
// leave them (a build beside the benchmark does); its anonymous pages, the
// heap mostly, are the program's own.
struct TMemory {
  qint64 rss = 0, pss = 0, anon = 0;
  static TMemory now() { return {residentKiB(), rollupKiB("Pss"_L1), rollupKiB("Pss_Anon"_L1)}; }
};

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QTemporaryDir folder;
  PrepareWatchRun(folder);
  TTestHttpServer server;
  if (!server.start() || !writeCatalogue(folder.path(), server))
    return 1;

  // A round's answers, set before its first check. The server forgets the
  // requests of the round before, which keeps its own memory out of the curve.
  struct TBoardFeed {
    int newest = kItems;
    QByteArray body, stamp; // the stamp: its ETag or Last-Modified
  };
  std::vector<TBoardFeed> feeds(kFeeds);
  int round = 0, expectedFresh = 0, expectedAlerts = 0, expectedUnchanged = 0;
  const auto startRound = [&] {
    ++round;
    server.reset();
    for (int f = 0; f < kFeeds; ++f) {
      TBoardFeed &feed = feeds[f];
      const int more = gained(f, round), validator = f % 4 == 3   ? None
                                                     : f % 4 == 2 ? LastModified
                                                                  : ETag;
      for (int serial = feed.newest + 1; serial <= feed.newest + more; ++serial)
        expectedAlerts += alerts(f, serial);
      expectedFresh += more;
      feed.newest += more;
      const bool changed = more > 0 || round == 1;
      if (changed) {
        const int at = 9 * 60 + round * kMinutesPerRound; // minutes into the day
        feed.body = feedBody(f, feed.newest);
        feed.stamp = validator == ETag
                         ? '"' + QByteArray::number(f) + '-' + QByteArray::number(feed.newest) + '"'
                         : QString::asprintf("Sun, 06 Dec 2026 %02d:%02d:00 GMT", at / 60, at % 60)
                               .toLatin1();
      }
      TTestResponse answer = TTestResponse::ok(feed.body, "application/rss+xml");
      if (validator != None) {
        if (!changed)
          answer = {.status = 304, .headers = {}, .body = {}};
        answer.headers.append({validator == ETag ? "ETag" : "Last-Modified", feed.stamp});
        expectedUnchanged += !changed;
      }
      server.route(path(f), answer);
    }
  };
  startRound();

  TForm1 form;
  TFormSetting settings(&form);
  ShowFiltered(form, settings, QStringLiteral("qt"));
  // Set as the user would, once the window is up: the settings then apply at once.
  Control<QComboBox>(&settings, "CBTimeOut")->setCurrentText(QStringLiteral("5"));
  Control<QCheckBox>(&settings, "ChBWatchAll")->setChecked(true);
  form.N9Click(); // to the tray, where it spends its weeks
  TFeedWatch &watch = *form.feedWatch();
  if (watch.feeds().size() != kFeeds || !watch.isActive() ||
      watch.spacing() != std::chrono::milliseconds((kMinutesPerRound * 60000 + 5000) / kFeeds)) {
    std::fprintf(stderr, "the watch is not on all %d feeds at a 5-minute interval\n", kFeeds);
    return 1;
  }

  std::printf("%d rounds of %d feeds (%d sites x %d), %d minutes apart, simulated\n", kRounds,
              kFeeds, kSites, kCategories, kMinutesPerRound);
  std::printf("%6s %10s %10s %10s\n", "time", "RSS MiB", "PSS MiB", "anon MiB");
  int checks = 0, fresh = 0, unchanged = 0, failed = 0;
  TMemory first, last;
  QEventLoop loop; // of its own: quitting the application would close the window
  const auto onChecked = [&](const TWatchedFeed &, const TWatchResult &result) {
    fresh += int(result.fresh.size());
    unchanged += result.status == TWatchResult::NotModified;
    failed += result.status != TWatchResult::Checked && result.status != TWatchResult::NotModified;
    if (++checks % kFeeds != 0)
      return;
    last = TMemory::now();
    first = round == 1 ? last : first;
    if (round % 2 == 0 || round == 1) {
      const int minutes = round * kMinutesPerRound;
      std::printf("%3d:%02d %10.1f %10.1f %10.1f%s\n", minutes / 60, minutes % 60,
                  last.rss / 1024.0, last.pss / 1024.0, last.anon / 1024.0,
                  round == 1 ? "  (first round)" : "");
      std::fflush(stdout);
    }
    if (round == kRounds)
      loop.quit();
    else
      startRound();
  };
  QObject::connect(&watch, &TFeedWatch::checked, &app, onChecked);
  // Back to back: the interval shared out among the feeds is one millisecond.
  watch.setInterval(std::chrono::milliseconds(kFeeds));
  QElapsedTimer clock;
  clock.start();
  loop.exec();
  watch.setActive(false);
  const double seconds = clock.nsecsElapsed() / 1e9;

  // The tray's count is the window's own tally of the items that alerted.
  const QString tip = Control<QSystemTrayIcon>(&form, "TrayIcon1")->toolTip();
  const int alerted = tip.section(u':', -1).trimmed().toInt();
  const TMemory growth{last.rss - first.rss, last.pss - first.pss, last.anon - first.anon};
  const bool flat = growth.rss < kFlatKiB && growth.anon < kFlatKiB;
  std::printf("%d checks in %.1f s real time (%.2f ms each); %d not modified (expected %d), "
              "%d new items (expected %d), %d alerting (expected %d), %d failed\n",
              checks, seconds, seconds * 1e3 / checks, unchanged, expectedUnchanged, fresh,
              expectedFresh, alerted, expectedAlerts, failed);
  std::printf("growth from the end of the first round: RSS %+lld kB, PSS %+lld kB "
              "(anonymous %+lld kB)\nflat: %s\n",
              growth.rss, growth.pss, growth.anon, flat ? "yes" : "no");
  const bool right = failed == 0 && unchanged == expectedUnchanged && fresh == expectedFresh &&
                     alerted == expectedAlerts;
  return !right ? 1 : flat ? 0 : 2;
}
