// Reading benchmark on a 1,000-item feed of about 3 MB: parsing it,
// ShowFeedItem stepping through it and resident memory over 10,000 steps, a
// whole refresh (download from 127.0.0.1, header, item) and a step with the
// keyword filter on. Prints medians; run it through scripts/bench.
#include "Measure.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/FeedDocument.h"
#include "feeds/XmlDecoding.h"
#include "feeds/XmlRepair.h"
#include "platform/Connectivity.h"
#include "platform/DataFolder.h"
#include "settings/Unit2.h"
#include "support/Controls.h"
#include "support/TestHttpServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
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

// The same items as Atom 1.0, as Reddit and many CMSs serve them: escaped
// HTML content, links in attributes.
QByteArray atomFeed(int items) {
  QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<feed "
                    "xmlns=\"http://www.w3.org/2005/Atom\">\n<title>Биржа</title>"
                    "<link href=\"https://board.example.org/\"/>\n"
                    "<updated>2026-12-06T10:00:00+03:00</updated>\n";
  const QByteArray paragraph =
      "&lt;p&gt;Требуется разработчик на&amp;nbsp;C++/Qt для настольного приложения. "
      "Опыт работы с&amp;nbsp;libxml2 и libcurl &amp;mdash; плюс.&lt;br /&gt;\nОплата &amp;amp; "
      "сроки обсуждаются.&lt;/p&gt;\n";
  for (int i = 0; i < items; ++i) {
    const QByteArray n = QByteArray::number(i);
    feed += "<entry>\n  <title>Проект №" + n +
            ": приложение для учёта заказов &amp; клиентов</title>\n"
            "  <link href=\"https://board.example.org/projects/" +
            n +
            "\"/>\n"
            "  <id>https://board.example.org/projects/" +
            n +
            "</id>\n"
            "  <updated>2026-12-06T09:00:00+03:00</updated>\n"
            "  <category term=\"Программирование\"/>\n"
            "  <content type=\"html\">" +
            paragraph.repeated(10) + "</content>\n</entry>\n";
  }
  return feed + "</feed>\n";
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

  if (!ParseFeed(feed).ok())
    return 1;
  const std::vector<double> parses = TimeRuns(20, [&] { ParseFeed(feed); });
  std::printf("parse the feed (normalised on use)   median %7.2f ms\n",
              Percentile(parses, 50) / 1e3);
  // What a feed that needs neither would cost if it were checked as UTF-8 and
  // had its references repaired up front; a well-formed feed is spared both.
  const std::vector<double> decodes = TimeRuns(20, [&] { DecodeXml(feed); });
  const std::vector<double> repairs = TimeRuns(20, [&] { WithHtmlReferencesRepaired(feed); });
  std::printf("  spared: a UTF-8 check %.2f ms, a reference pass %.2f ms\n",
              Percentile(decodes, 50) / 1e3, Percentile(repairs, 50) / 1e3);
  const QByteArray atom = atomFeed(1000);
  const std::vector<double> atomParses = TimeRuns(20, [&] { ParseFeed(atom); });
  std::printf("parse the feed as Atom (%.2f MB)     median %7.2f ms\n", atom.size() / 1e6,
              Percentile(atomParses, 50) / 1e3);

  TTestHttpServer server;
  if (!server.start())
    return 1;
  server.route("/rss.xml", TTestResponse::ok(feed, "application/rss+xml"));
  QFile catalogue(folder.filePath(QStringLiteral("vxs.ini")));
  if (!catalogue.open(QIODevice::WriteOnly))
    return 1;
  catalogue.write("[item_0]\r\ntitle=\xC0\xF0\xF5\xE8\xE2\r\n00_url=vx_arhive.xml\r\n[item_1]\r\n"
                  "title=Board\r\n10_name=All\r\n10_url=" +
                  server.url("/rss.xml").toUtf8() + "\r\n");
  catalogue.close();

  TForm1 form;
  TFormSetting settings(&form);
  Control<QCheckBox>(&settings, "ChBBallonsOff")->setChecked(true);
  Control<QCheckBox>(&settings, "ChBSoundsUse")->setChecked(true);
  form.XMLDocument1.setFileName(path);
  QElapsedTimer first;
  first.start();
  form.ShowFeedItem(0);
  std::printf("ShowFeedItem, first read of the file        %7.2f ms\n", first.nsecsElapsed() / 1e6);

  const int steps = argc > 1 ? std::max(100, std::atoi(argv[1])) : 10000;
  qint64 rssAfterWarmUp = 0;
  int step = 0;
  const std::vector<double> times = TimeRuns(steps, [&] {
    form.ShowFeedItem(step % 1000);
    if (++step == 500)
      rssAfterWarmUp = residentKiB();
  });
  std::printf("ShowFeedItem, one step (%d steps)   median %7.2f ms, p95 %.2f ms\n", steps,
              Percentile(times, 50) / 1e3, Percentile(times, 95) / 1e3);
  std::printf("resident memory after 500 steps %lld KiB, after %d steps %lld KiB\n",
              static_cast<long long>(rssAfterWarmUp), steps, static_cast<long long>(residentKiB()));
  // A refresh as the timer runs it, the stored copy removed each time so that
  // the feed is downloaded again.
  TConnectivity::setProbe([] { return true; });
  form.N9Click();
  form.KivTabSet1->setTabIndex(1);
  const auto refresh = [&](const char *what) {
    const std::vector<double> refreshes = TimeRuns(30, [&] {
      QFile::remove(path);
      form.Timer1Timer();
    });
    std::printf("refresh: download, header, item%s median %7.2f ms, p95 %.2f ms\n", what,
                Percentile(refreshes, 50) / 1e3, Percentile(refreshes, 95) / 1e3);
  };
  refresh("        ");
  server.route("/rss.xml", TTestResponse::ok(atom, "application/atom+xml"));
  refresh(", Atom  ");
  server.route("/rss.xml", TTestResponse::ok(feed, "application/rss+xml"));

  // With the filter on, the refresh's own walk tests every item.
  form.EditFilter->setText(QStringLiteral("проект 7"));
  form.ChBFiltered->setEnabled(true);
  form.ChBFiltered->setChecked(true);
  refresh(", filtered");
  form.ShowFeedItem(0);
  const int visible = std::max(form.ItemCount, 1);
  int next = 0;
  const std::vector<double> filtered = TimeRuns(2000, [&] { form.ShowFeedItem(next++ % visible); });
  std::printf("filtered step (%d of 1000 visible)     median %7.2f ms, p95 %.2f ms\n", visible,
              Percentile(filtered, 50) / 1e3, Percentile(filtered, 95) / 1e3);
  return 0;
}
