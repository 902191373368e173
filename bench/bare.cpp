// The yardstick for start-up: the least a Qt 6 tray program can be, one empty
// window of Vornix's size and a tray icon. It reports its first paint the
// way vx does, so that bench_startup measures both alike.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {

class TBareWindow : public QWidget {
protected:
  void paintEvent(QPaintEvent *) override {
    if (FPainted)
      return;
    FPainted = true;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::fprintf(stderr, "first paint at %lld\n",
                 static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000);
    std::fflush(stderr);
  }

private:
  bool FPainted = false;
};

} // namespace

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QPixmap dot(32, 32);
  dot.fill(Qt::transparent);
  QPainter(&dot).fillRect(8, 8, 16, 16, Qt::darkBlue);
  QSystemTrayIcon tray{QIcon(dot)};
  tray.show();
  TBareWindow window;
  window.resize(670, 300);
  window.show();
  return QApplication::exec();
}
