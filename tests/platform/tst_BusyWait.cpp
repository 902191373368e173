#include "platform/BusyWait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Counts the paints a widget gets.
class TPaintCount : public QObject {
public:
  explicit TPaintCount(QWidget *widget) { widget->installEventFilter(this); }
  int paints = 0;

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    paints += event->type() == QEvent::Paint ? 1 : 0;
    return false;
  }
};

} // namespace

class TestBusyWait : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void timersTickOnceTheWaitIsOver() {
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(TBusyWait::until([&clock] { return clock.elapsed() > 100; }));
    QCOMPARE(ticks, 0);
    QTRY_VERIFY(ticks > 0);
  }

  // A click during the wait lands afterwards; the window paints meanwhile.
  void inputWaitsAndPaintingGoesOn() {
    QPushButton button(QStringLiteral("Далее>"));
    int clicks = 0;
    connect(&button, &QPushButton::clicked, this, [&clicks] { ++clicks; });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const TPaintCount painted(&button);
    bool clicked = false;
    QVERIFY(TBusyWait::until([&] {
      if (!std::exchange(clicked, true)) {
        QTest::mouseClick(button.windowHandle(), Qt::LeftButton, {}, button.rect().center());
        button.update();
      }
      return painted.paints > 0;
    }));
    QCOMPARE(clicks, 0);
    QVERIFY(!TBusyWait::active());
    QTRY_COMPARE(clicks, 1);
  }
};

QTEST_MAIN(TestBusyWait)
#include "tst_BusyWait.moc"
