// The side panel's page: the time from the page file's bytes to the list of
// labels, and to the labels laid out in the panel, for a hostile megabyte of
// nested tags with a few links deep inside, and for a page that reaches the
// limit of 1000 links. Each case is one step run many times; prints the median
// and the slowest tenth. Run with QT_QPA_PLATFORM=offscreen or on a desktop.
#include "Measure.h"
#include "zentara/Advertising.h"
#include "zentara/ZentaraPage.h"

#include <QApplication>
#include <QByteArray>
#include <QLayout>
#include <QList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

volatile qsizetype sink = 0;

void report(const char *name, int runs, qsizetype bytes, const std::function<void()> &step) {
  const std::vector<double> micros = TimeRuns(runs, step);
  const double median = Percentile(micros, 50);
  std::printf("%-28s %10.1f us median  %10.1f us p90  %7.1f MB/s  (%lld bytes, %d runs)\n", name,
              median, Percentile(micros, 90), median > 0 ? bytes / median : 0.0,
              static_cast<long long>(bytes), runs);
}

QByteArray nestedPage() {
  const QByteArray links = "<a href=\"https://example.org/deep\" color=\"navy\">Deep link</a>"
                           "<a href=\"https://example.org/deeper\" bold=\"1\">Deeper link</a>";
  QByteArray page = "<html><head><title>Nested</title></head><body>";
  const QByteArray unit = "<div><span><b>";
  while (page.size() + unit.size() + links.size() <= kZentaraMaxPageBytes)
    page += unit;
  return page + links;
}

QByteArray linksPage() {
  QByteArray page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=windows-1251\"><title>\xc2\xe0\xea\xe0\xed\xf1\xe8\xe8</title>"
                    "</head><body>\r\n";
  for (int n = 0; n < kZentaraMaxLabels; ++n)
    page += "<p><a href=\"https://example.org/job/" + QByteArray::number(n) +
            "\" align=\"left\" fontsize=\"9\">\xcf\xf0\xee\xe5\xea\xf2 \xb9" +
            QByteArray::number(n) + " &mdash; C++ / Qt</a></p>\r\n";
  return page + "</body></html>\r\n";
}

// Page bytes to labels, as the panel gets them.
qsizetype labelsOf(const QByteArray &page) {
  return ParseZentaraPage(ZentaraPageText(page)).size();
}

// Page bytes to labels laid out in a panel of the window's size.
void show(TScrollBoxAdvertising &panel, const QByteArray &page) {
  panel.RenderZentaraPage(ZentaraPageText(page), 8);
  QApplication::processEvents();
  panel.widget()->layout()->activate();
  sink = sink + panel.labels().size();
}

} // namespace

int main(int argc, char **argv) {
  QApplication application(argc, argv);
  const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
  TScrollBoxAdvertising panel;
  panel.resize(160, 400);
  panel.show();

  const QByteArray nested = nestedPage();
  report("1 MB of nested tags", runs, nested.size(), [&] { sink = sink + labelsOf(nested); });
  report("  shown in the panel", runs, nested.size(), [&] { show(panel, nested); });

  const QByteArray links = linksPage();
  report("1000 links", runs, links.size(), [&] { sink = sink + labelsOf(links); });
  report("  shown in the panel", runs, links.size(), [&] { show(panel, links); });
  return 0;
}
