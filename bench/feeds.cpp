// Reading benchmark: ShowFeedItem stepping through a 1,000-item feed of about
// 2 MB, the first (parsing) read of that feed, and resident memory over
// 10,000 steps. Prints medians; run it through scripts/bench.
#include "app/Unit1.h"
#include "feeds/FeedDocument.h"
#include "platform/DataFolder.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Items the way job boards write them: a CDATA description of HTML with
// Cyrillic text, entities and line breaks, about 2 KB each.
QByteArray boardFeed(int items) {
  QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\" "
                    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel>\n"
                    "<title>Биржа</title><link>https://board.example.org/</link>\n"
                    "<lastBuildDate>Sun, 06 Dec 2026 10:00:00 +0300</lastBuildDate>\n";
  const QByteArray paragraph =
      "<p>Требуется разработчик на&nbsp;C++/Qt для настольного приложения. "
      "Опыт работы с&nbsp;libxml2 и libcurl &mdash; плюс.<br />\nОплата &amp; сроки "
      "обсуждаются.</p>\n";
  for (int i = 0; i < items; ++i) {
    feed += "<item>\n  <title>Проект №" + QByteArray::number(i) +
            ": приложение для учёта заказов &amp; клиентов</title>\n"
            "  <link>https://board.example.org/projects/" +
            QByteArray::number(i) +
            "</link>\n"
            "  <description>\n    <![CDATA[" +
            paragraph.repeated(10) +
            "]]>\n  </description>\n"
            "  <pubDate>Sun, 06 Dec 2026 09:00:00 +0300</pubDate>\n"
            "  <category>Программирование</category>\n"
            "  <comments>https://board.example.org/projects/" +
            QByteArray::number(i) + "#comments</comments>\n</item>\n";
  }
  return feed + "</channel></rss>\n";
}

qint64 residentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return -1;
  static const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
  const auto match = rss.match(QString::fromLatin1(status.readAll()));
  return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QTemporaryDir folder;
  TDataFolder::setPath(folder.path());
  QDir().mkpath(folder.filePath(QStringLiteral("xml")));
  const QString path = folder.filePath(QStringLiteral("xml/1rss.xml"));
  const QByteArray feed = boardFeed(1000);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(feed) != feed.size())
    return 1;
  file.close();
  std::printf("feed: 1000 items, %.2f MB\n", feed.size() / 1e6);

  std::vector<double> parses;
  for (int i = 0; i < 20; ++i) {
    QElapsedTimer timer;
    timer.start();
    const TFeedParseResult parsed = ParseFeed(feed);
    parses.push_back(timer.nsecsElapsed() / 1e6);
    if (!parsed.ok())
      return 1;
  }
  std::printf("parse and normalise the feed         median %7.2f ms\n", median(parses));

  TFormSetting settings;
  settings.ChBBallonsOff->setChecked(true);
  settings.ChBSoundsUse->setChecked(true);
  TForm1 form;
  form.setFormSetting(&settings);
  form.XMLDocument1.setFileName(path);
  QElapsedTimer first;
  first.start();
  form.ShowFeedItem(0);
  std::printf("ShowFeedItem, first read of the file        %7.2f ms\n", first.nsecsElapsed() / 1e6);

  const int steps = argc > 1 ? std::max(100, std::atoi(argv[1])) : 10000;
  std::vector<double> times;
  times.reserve(steps);
  qint64 rssAfterWarmUp = 0;
  for (int i = 0; i < steps; ++i) {
    QElapsedTimer timer;
    timer.start();
    form.ShowFeedItem(i % 1000);
    times.push_back(timer.nsecsElapsed() / 1e6);
    if (i == 500)
      rssAfterWarmUp = residentKiB();
  }
  std::printf("ShowFeedItem, one step (%d steps)   median %7.2f ms, p95 %.2f ms\n", steps,
              median(times), [&] {
                std::vector<double> sorted = times;
                std::sort(sorted.begin(), sorted.end());
                return sorted[sorted.size() * 95 / 100];
              }());
  std::printf("resident memory after 500 steps %lld KiB, after %d steps %lld KiB\n",
              static_cast<long long>(rssAfterWarmUp), steps, static_cast<long long>(residentKiB()));
  return 0;
}
