// Painting benchmark for the component library: a full repaint of a 20-tab
// strip set up like the main window's site tabs, the redraw of one hot title,
// and a 400 x 300 three-colour fill. Prints the median and 95th percentile.
#include "Measure.h"
#include "components/KivGraphicsUtils.h"
#include "components/KivSiteTabsLook.h"
#include "components/KivTabSet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void report(const char *name, int runs, const std::function<void()> &step) {
  const std::vector<double> micros = TimeRuns(runs, step);
  std::printf("%-34s median %8.1f us   p95 %8.1f us   (%d runs)\n", name, Percentile(micros, 50),
              Percentile(micros, 95), runs);
}

void configureLikeSiteTabs(TKivTabSet &strip) {
  ApplySiteTabsLook(strip);
  for (int i = 0; i < 20; ++i)
    strip.TabsList().Add(QStringLiteral("Биржа %1").arg(i + 1));
  strip.setTabIndex(7);
}

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(20, std::atoi(argv[1])) : 2000;

  TKivTabSet strip;
  configureLikeSiteTabs(strip);
  strip.resize(1900, 60);
  strip.show();
  QElapsedTimer exposing;
  exposing.start();
  while (!(strip.windowHandle() && strip.windowHandle()->isExposed()) && exposing.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  QCoreApplication::processEvents();
  std::printf("platform %s, %d of 20 tabs in view, %.0fx\n",
              qPrintable(QGuiApplication::platformName()),
              strip.lastVisibleTab() - strip.firstVisibleTab() + 1, strip.devicePixelRatioF());

  report("strip: full repaint", runs, [&] {
    strip.invalidate();
    strip.repaint();
  });
  const QPoint hotA = strip.titleRect(3).center();
  const QPoint hotB = strip.titleRect(12).center();
  bool flip = false;
  report("strip: hot title (mouse move)", runs, [&] {
    const QPoint at = (flip = !flip) ? hotA : hotB;
    QMouseEvent move(QEvent::MouseMove, at, strip.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&strip, &move);
    strip.repaint(strip.titleRect(3).united(strip.titleRect(12)));
  });

  QImage canvas(400, 300, QImage::Format_ARGB32_Premultiplied);
  TKivThreeColorsGradientCustom three;
  report("fill: 400 x 300, three colours", runs, [&] {
    QPainter painter(&canvas);
    FillGradient3(painter, canvas.rect(), three);
  });
  TKivGradientCustom two;
  report("fill: 400 x 300, two colours", runs, [&] {
    QPainter painter(&canvas);
    FillGradient(painter, canvas.rect(), two);
  });
  three.setGradientMode(fdEllipse);
  report("fill: 400 x 300, three-colour rings", std::max(20, runs / 10), [&] {
    QPainter painter(&canvas);
    FillGradient3(painter, canvas.rect(), three);
  });
  return 0;
}
