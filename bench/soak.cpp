// Soak benchmark: the main window refreshes a feed from 127.0.0.1 10,000 times
// (or as many times as the first argument says), the feed's items changing on
// every refresh, and resident memory is sampled every 500 refreshes. A program
// that sits in the tray for weeks must not grow: the target is less than 1 MB
// of growth between refresh 500 (caches and pools warmed up) and the last.
// Run it through scripts/bench.
//
// The interval timer itself drives the refreshes, its interval cut to one
// millisecond through the call the settings window makes, so that the program
// runs its own event loop between two refreshes as it does in the tray. After
// each tick the stored copy is backdated, as the passing of a real interval
// would leave it, so that every tick downloads and replaces it.
#include "Measure.h"
#include "app/RSSViewItem.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "components/URLLbl.h"
#include "feeds/FeedWalk.h"
#include "platform/Connectivity.h"
#include "platform/DataFolder.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/TestHttpServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSampleEvery = 500;
constexpr qint64 kTargetGrowthKiB = 1024;
constexpr int kItems = 25;

// Items as job boards write them, all of them new on every refresh: the
// titles, links and dates carry the refresh number.
QByteArray feedFor(int refresh) {
  const QByteArray n = QByteArray::number(refresh);
  QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>\n"
                    "<title>Биржа " +
                    n +
                    "</title><link>https://board.example.org/</link>\n"
                    "<lastBuildDate>Sun, 06 Dec 2026 10:00:00 +0300</lastBuildDate>\n";
  for (int i = 0; i < kItems; ++i) {
    const QByteArray id = n + '-' + QByteArray::number(i);
    feed += "<item><title>Проект " + id +
            ": приложение для учёта заказов &amp; клиентов</title>"
            "<link>https://board.example.org/projects/" +
            id +
            "</link><description><![CDATA[<p>Требуется разработчик на&nbsp;C++/Qt, "
            "заказ " +
            id +
            ".<br />Оплата &amp; сроки обсуждаются.</p>]]></description>"
            "<pubDate>Sun, 06 Dec 2026 09:00:00 +0300</pubDate>"
            "<category>Программирование</category></item>\n";
  }
  return feed + "</channel></rss>\n";
}

bool writeCatalogue(const QString &folder, const QString &url) {
  QFile catalogue(QDir(folder).filePath(QStringLiteral("vxs.ini")));
  return catalogue.open(QIODevice::WriteOnly) &&
         catalogue.write("[item_0]\r\ntitle=\xC0\xF0\xF5\xE8\xE2\r\n00_url=vx_arhive.xml\r\n"
                         "[item_1]\r\ntitle=Board\r\n10_name=All\r\n10_url=" +
                         url.toUtf8() + "\r\n") > 0;
}

void backdate(const QString &fileName) {
  QFile file(fileName);
  if (file.open(QIODevice::ReadWrite))
    file.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
}

} // namespace

int main(int argc, char **argv) {
  // The side panel's page never comes from the real site in a benchmark: a
  // port nobody listens on fails at once.
  qputenv("VORNIX_ZENTARA_URL", "http://127.0.0.1:1/_vx_advertising/advertising_show.php");
  QApplication app(argc, argv);
  const int refreshes = argc > 1 ? std::max(kSampleEvery, std::atoi(argv[1])) : 10000;
  QTemporaryDir folder;
  TDataFolder::setPath(folder.path());
  TConnectivity::setProbe([] { return true; });
  TTestHttpServer server;
  if (!server.start() || !writeCatalogue(folder.path(), server.url("/rss.xml")))
    return 1;
  // The server keeps every request it answers; forgetting them with each new
  // feed keeps its own memory out of the curve.
  const auto serve = [&server](int refresh) {
    server.reset();
    server.route("/rss.xml", TTestResponse::ok(feedFor(refresh), "application/rss+xml"));
  };
  serve(0);

  TForm1 form;
  TFormSetting settings(&form);
  Control<QCheckBox>(&settings, "ChBBallonsOff")->setChecked(true);
  Control<QCheckBox>(&settings, "ChBSoundsUse")->setChecked(true);
  form.N9Click();
  Control<TKivTabSet>(&form, "KivTabSet1")
      ->setTabIndex(1); // the first refresh, made by the tab change itself
  QCoreApplication::processEvents();
  const QString copy = FeedFileName(1, server.url("/rss.xml"));
  if (!QFile::exists(copy)) {
    std::fprintf(stderr, "the first refresh left no feed file\n");
    return 1;
  }

  std::printf("%d refreshes of a %d-item feed (%.1f KB), new items each time\n", refreshes, kItems,
              feedFor(refreshes).size() / 1e3);
  std::printf("%8s %10s %12s\n", "refresh", "RSS kB", "from 500");
  // Connected after the window's own handler, so it runs once each refresh
  // has ended; a timer never fires again inside its own handler.
  int refresh = 0, missed = 0;
  qint64 baseline = 0, last = 0;
  QString shown;
  QObject::connect(Control<QTimer>(&form, "Timer1"), &QTimer::timeout, &app, [&] {
    missed += server.requests().size() == 1 ? 0 : 1;
    serve(++refresh + 1);
    backdate(copy);
    if (refresh % kSampleEvery == 0) {
      const qint64 rss = residentKiB();
      baseline = refresh == kSampleEvery ? rss : baseline;
      std::printf("%8d %10lld %+12lld\n", refresh, static_cast<long long>(rss),
                  static_cast<long long>(rss - baseline));
      std::fflush(stdout);
    }
    if (refresh == refreshes) {
      // The first item of the last feed on screen: every refresh went the
      // whole way. Read now: quitting closes the window.
      shown = form.view().item.title;
      last = residentKiB();
      app.quit();
    }
  });
  serve(1);
  backdate(copy);
  QElapsedTimer clock;
  clock.start();
  form.applyUpdateInterval(1, false);
  app.exec();
  const double seconds = clock.nsecsElapsed() / 1e9;
  const qint64 growth = last - baseline;
  if (missed != 0 || !shown.startsWith(QStringLiteral("Проект %1-").arg(refreshes))) {
    std::fprintf(stderr, "%d refreshes downloaded nothing; the last one shows: %s\n", missed,
                 qPrintable(shown));
    return 1;
  }
  std::printf("%d refreshes in %.1f s, %.2f ms each\n", refreshes, seconds,
              seconds * 1e3 / refreshes);
  std::printf("growth from refresh %d to %d: %lld kB (target < %lld kB): %s\n", kSampleEvery,
              refreshes, static_cast<long long>(growth), static_cast<long long>(kTargetGrowthKiB),
              growth < kTargetGrowthKiB ? "met" : "NOT met");
  return growth < kTargetGrowthKiB ? 0 : 2;
}
