#include "components/KivGraphicsUtils.h"
#include "components/KivSiteTabsLook.h"
#include "components/KivTabSet.h"
#include "components/KivTabSetScroller.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QColor kFace(0xE0, 0xE0, 0xE0);
const QColor kShadow(0x80, 0x80, 0x80);
const QColor kLight(0xFF, 0xFF, 0xFF);
const QColor kWindow(0xF8, 0xF8, 0xF8);
const QColor kText(0x00, 0x00, 0x00);
const QColor kHot(0x00, 0x00, 0xFF);

QPalette fixedPalette() {
  QPalette p;
  p.setColor(QPalette::Button, kFace);
  p.setColor(QPalette::Window, kFace);
  p.setColor(QPalette::Dark, kShadow);
  p.setColor(QPalette::Light, kLight);
  p.setColor(QPalette::Base, kWindow);
  p.setColor(QPalette::WindowText, kText);
  p.setColor(QPalette::Link, kHot);
  return p;
}

// A strip set up as the main window sets up its site tabs.
void configureLikeSiteTabs(TKivTabSet &strip, const QStringList &captions) {
  strip.setPalette(fixedPalette());
  ApplySiteTabsLook(strip);
  for (const QString &caption : captions)
    strip.TabsList().Add(caption);
}

// Records the rectangles the strip is asked to paint.
class TPaintRecorder : public QObject {
public:
  explicit TPaintRecorder(QWidget *widget) { widget->installEventFilter(this); }
  QList<QRegion> regions;

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      regions.append(static_cast<QPaintEvent *>(event)->region());
    return false;
  }
};

struct TStripWindow {
  QWidget window;
  TKivTabSet *strip;
  QLineEdit *after;

  explicit TStripWindow(const QStringList &captions, int width = 480) {
    auto *column = new QVBoxLayout(&window);
    strip = new TKivTabSet(&window);
    configureLikeSiteTabs(*strip, captions);
    after = new QLineEdit(&window);
    column->addWidget(strip);
    column->addWidget(after);
    window.resize(width, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    strip->setFocus();
    QCoreApplication::processEvents();
  }
};

QPoint centreOf(const TKivTabSet &strip, int index) {
  return strip.titleRect(index).center();
}

} // namespace

class TestKivTabSet : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { TKivCustomTabSet::HotTabIndex = -1; }
  void paintsTabsInOrderWithTheSelectedOneOnTop();
  void clickSelectsByTabShape();
  void keyboardWalksTheTabsWithoutWrapping_data();
  void keyboardWalksTheTabsWithoutWrapping();
  void tabKeyMovesOnAtTheLastTab();
  void arrowsDoNothingWithoutHotTracking();
  void acceleratorSelectsAndFocuses();
  void hotTrackingRedrawsOnlyTheTitle();
  void scrollerAppearsAndMovesTheSelection();
  void drawTitleHandlerRestylesTitles();
  void disabledTabCannotBeClicked();
  void accessibleAsPageTabList();
};

void TestKivTabSet::paintsTabsInOrderWithTheSelectedOneOnTop() {
  TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s});
  w.strip->setTabIndex(1);
  const QImage image = w.strip->grab().toImage();
  const QRect selected = w.strip->tabRect(1);
  const QRect other = w.strip->tabRect(0);
  const int h = selected.height();
  // Inside the tabs, clear of titles and outlines: each row is its gradient step.
  for (int y : {2, h / 2, h - 2}) {
    QCOMPARE(image.pixelColor(selected.left() + 3, y), InterpolateColor(kShadow, kFace, y, h - 1));
    QCOMPARE(image.pixelColor(other.left() + 3, y), InterpolateColor(kWindow, kFace, y, h - 1));
  }
  // The page frame runs along the bottom of the band but is open under the
  // selected tab, whose slant lies over its right-hand neighbour.
  QCOMPARE(image.pixelColor(other.left() + 3, h - 1), kLight);
  QCOMPARE(image.pixelColor(selected.left() + 3, h - 1), kFace);
  QCOMPARE(image.pixelColor(selected.left(), h / 2), kLight);
  const QRect next = w.strip->tabRect(2);
  QCOMPARE(image.pixelColor(next.left() + 1, h - 3),
           InterpolateColor(kShadow, kFace, h - 3, h - 1));
  // Bottom frame edge in the border colour.
  QCOMPARE(image.pixelColor(10, w.strip->height() - 1), kShadow);
}

void TestKivTabSet::clickSelectsByTabShape() {
  TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s});
  w.strip->setTabIndex(0);
  QList<int> changed;
  w.strip->OnChanged = [&](TKivCustomTabSet *, int index) { changed.append(index); };
  const QRect first = w.strip->tabRect(0);
  const QRect second = w.strip->tabRect(1);
  // Where tab 0's slant overlaps tab 1, the selected tab 0 is on top.
  const QPoint overlap(second.left() + 2, first.height() - 3);
  QCOMPARE(w.strip->tabAt(overlap), 0);
  QTest::mouseClick(w.strip, Qt::LeftButton, {}, overlap);
  QCOMPARE(w.strip->TabIndex(), 0);
  QTest::mouseClick(w.strip, Qt::LeftButton, {}, centreOf(*w.strip, 1));
  QCOMPARE(w.strip->TabIndex(), 1);
  // Now tab 1 is on top of the overlap.
  QTest::mouseClick(w.strip, Qt::LeftButton, {}, overlap);
  QCOMPARE(w.strip->TabIndex(), 1);
  QCOMPARE(changed, QList<int>{1});
  QVERIFY(w.strip->hasFocus());
}

void TestKivTabSet::keyboardWalksTheTabsWithoutWrapping_data() {
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("expected");
  QTest::newRow("right") << 1 << int(Qt::Key_Right) << 2;
  QTest::newRow("down") << 1 << int(Qt::Key_Down) << 2;
  QTest::newRow("left") << 1 << int(Qt::Key_Left) << 0;
  QTest::newRow("up") << 1 << int(Qt::Key_Up) << 0;
  QTest::newRow("home") << 2 << int(Qt::Key_Home) << 0;
  QTest::newRow("end") << 0 << int(Qt::Key_End) << 3;
  QTest::newRow("right at the end") << 3 << int(Qt::Key_Right) << 3;
  QTest::newRow("left at the start") << 0 << int(Qt::Key_Left) << 0;
  QTest::newRow("tab") << 1 << int(Qt::Key_Tab) << 2;
}

void TestKivTabSet::keyboardWalksTheTabsWithoutWrapping() {
  QFETCH(int, start);
  QFETCH(int, key);
  QFETCH(int, expected);
  TStripWindow w({u"A"_s, u"B"_s, u"C"_s, u"D"_s});
  w.strip->setTabIndex(start);
  QTest::keyClick(w.strip, Qt::Key(key));
  QCOMPARE(w.strip->TabIndex(), expected);
  QVERIFY(w.strip->hasFocus());
}

void TestKivTabSet::tabKeyMovesOnAtTheLastTab() {
  TStripWindow w({u"A"_s, u"B"_s, u"C"_s});
  w.strip->setTabIndex(1);
  w.strip->setTabVisible(2, false); // nothing further to choose
  QTest::keyClick(w.strip, Qt::Key_Tab);
  QCOMPARE(w.strip->TabIndex(), 1);
  QVERIFY(w.after->hasFocus());

  int cancelled = 0;
  w.strip->OnKeyDown = [&](TKivCustomTabSet *, int &key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Right) {
      key = 0;
      ++cancelled;
    }
  };
  w.strip->setFocus();
  QTest::keyClick(w.strip, Qt::Key_Right);
  QCOMPARE(cancelled, 1);
  QCOMPARE(w.strip->TabIndex(), 1);
}

void TestKivTabSet::arrowsDoNothingWithoutHotTracking() {
  TStripWindow w({u"A"_s, u"B"_s, u"C"_s});
  w.strip->setHotTrack(false);
  w.strip->setTabIndex(1);
  for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_End, Qt::Key_Home})
    QTest::keyClick(w.strip, key);
  QCOMPARE(w.strip->TabIndex(), 1);
}

void TestKivTabSet::acceleratorSelectsAndFocuses() {
  TStripWindow w({u"&Alpha"_s, u"Be&ta"_s, u"Gamma && Delta"_s});
  w.strip->setTabIndex(0);
  w.after->setFocus();
  QTest::keyClick(w.after, Qt::Key_T, Qt::AltModifier);
  QCOMPARE(w.strip->TabIndex(), 1);
  QVERIFY(w.strip->hasFocus());
  // Measured without the ampersand.
  const QFontMetrics metrics(w.strip->font());
  QCOMPARE(w.strip->tabRect(1).width(), metrics.horizontalAdvance(u"Beta"_s) + 16);
}

void TestKivTabSet::hotTrackingRedrawsOnlyTheTitle() {
  TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s});
  w.strip->setTabIndex(0);
  QCoreApplication::processEvents();
  TPaintRecorder recorder(w.strip);
  QTest::mouseMove(w.strip, centreOf(*w.strip, 2));
  QTRY_COMPARE(TKivCustomTabSet::HotTabIndex, 2);
  QTRY_VERIFY(!recorder.regions.isEmpty());
  for (const QRegion &region : recorder.regions)
    QVERIFY(w.strip->titleRect(2).contains(region.boundingRect()));
  const QImage image = w.strip->grab().toImage();
  bool hotInk = false;
  const QRect title = w.strip->titleRect(2);
  for (int x = title.left(); x <= title.right() && !hotInk; ++x) {
    for (int y = title.top(); y <= title.bottom() && !hotInk; ++y)
      hotInk = image.pixelColor(x, y) == kHot;
  }
  QVERIFY(hotInk);

  // Another tab: the first move returns the hot one to normal, the next makes
  // the new one hot.
  QTest::mouseMove(w.strip, centreOf(*w.strip, 1));
  QTRY_COMPARE(TKivCustomTabSet::HotTabIndex, -1);
  QTest::mouseMove(w.strip, centreOf(*w.strip, 1) + QPoint(1, 0));
  QTRY_COMPARE(TKivCustomTabSet::HotTabIndex, 1);
  // The selected tab never becomes hot.
  QTest::mouseMove(w.strip, centreOf(*w.strip, 0));
  QTest::mouseMove(w.strip, centreOf(*w.strip, 0) + QPoint(1, 0));
  QTRY_COMPARE(TKivCustomTabSet::HotTabIndex, -1);
  // Below the band the hot tab returns to normal.
  QTest::mouseMove(w.strip, centreOf(*w.strip, 2));
  QTest::mouseMove(w.strip, centreOf(*w.strip, 2) + QPoint(1, 0));
  QTRY_COMPARE(TKivCustomTabSet::HotTabIndex, 2);
  QTest::mouseMove(w.strip, QPoint(10, w.strip->height() - 5));
  QTRY_COMPARE(TKivCustomTabSet::HotTabIndex, -1);
}

void TestKivTabSet::scrollerAppearsAndMovesTheSelection() {
  QStringList captions;
  for (int i = 0; i < 12; ++i)
    captions.append(u"Site number %1"_s.arg(i));
  TStripWindow w(captions, 400);
  w.strip->setTabIndex(0);
  w.strip->grab();
  TKivTabSetScroller *scroller = w.strip->scroller();
  QVERIFY(scroller->isVisible());
  QVERIFY(!scroller->previousButton()->isEnabled());
  QVERIFY(scroller->nextButton()->isEnabled());
  QVERIFY(w.strip->lastVisibleTab() < 11);
  QVERIFY(scroller->geometry().right() < w.strip->width());

  scroller->nextButton()->click();
  QCOMPARE(w.strip->TabIndex(), 1);
  w.strip->setTabIndex(11);
  w.strip->grab();
  QCOMPARE(w.strip->lastVisibleTab(), 11);
  QVERIFY(w.strip->firstVisibleTab() > 0);
  QVERIFY(!scroller->nextButton()->isEnabled());
  scroller->previousButton()->click();
  QCOMPARE(w.strip->TabIndex(), 10);

  w.window.resize(4000, 200);
  QCoreApplication::processEvents();
  w.strip->grab();
  QVERIFY(!scroller->isVisible());
  QCOMPARE(w.strip->firstVisibleTab(), 0);
}

void TestKivTabSet::drawTitleHandlerRestylesTitles() {
  TStripWindow w({u"One"_s, u"Two"_s});
  const QColor olive(0x80, 0x80, 0x00);
  QList<QPair<QString, bool>> calls;
  w.strip->OnDrawTitle = [&](TKivCustomTabSet *, const QRect &, bool, bool selected,
                             TKivTitleFont &font, QString &text, int, bool &canDraw) {
    calls.append({text, selected});
    if (selected)
      font.Color = olive;
    else
      canDraw = false;
  };
  w.strip->setTabIndex(0);
  w.strip->setTabIndex(1);
  const QImage image = w.strip->grab().toImage();
  QVERIFY(calls.contains(QPair<QString, bool>(u"Two"_s, true)));
  QVERIFY(calls.contains(QPair<QString, bool>(u"One"_s, false)));
  const auto inks = [&](int index, const QColor &colour) {
    const QRect title = w.strip->titleRect(index);
    for (int x = title.left(); x <= title.right(); ++x) {
      for (int y = title.top() + 1; y < title.bottom(); ++y) {
        if (image.pixelColor(x, y) == colour)
          return true;
      }
    }
    return false;
  };
  QVERIFY(inks(1, olive));
  QVERIFY(!inks(0, kText)); // its title was not drawn at all
}

void TestKivTabSet::disabledTabCannotBeClicked() {
  TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s});
  w.strip->setTabIndex(0);
  QList<int> enabledChanges;
  w.strip->OnTabEnabledChange = [&](TKivCustomTabSet *, int index) {
    enabledChanges.append(index);
  };
  w.strip->setTabEnabled(1, false);
  w.strip->setTabEnabled(1, false);
  QCOMPARE(enabledChanges, QList<int>{1});
  QTest::mouseClick(w.strip, Qt::LeftButton, {}, centreOf(*w.strip, 1));
  QCOMPARE(w.strip->TabIndex(), 0);
  QTest::keyClick(w.strip, Qt::Key_Right); // moves past it
  QCOMPARE(w.strip->TabIndex(), 2);
}

void TestKivTabSet::accessibleAsPageTabList() {
  TStripWindow w({u"&Архив"_s, u"Hidden"_s, u"Fish && Chips"_s});
  w.strip->setTabIndex(0);
  w.strip->setTabVisible(1, false);
  QAccessibleInterface *list = QAccessible::queryAccessibleInterface(w.strip);
  QVERIFY(list);
  QCOMPARE(list->role(), QAccessible::PageTabList);
  QAccessibleInterface *first = list->child(0);
  QAccessibleInterface *second = list->child(1);
  QVERIFY(first && second);
  QCOMPARE(first->role(), QAccessible::PageTab);
  QCOMPARE(first->text(QAccessible::Name), u"Архив"_s);
  QCOMPARE(second->text(QAccessible::Name), u"Fish & Chips"_s);
  QVERIFY(first->state().selected);
  QVERIFY(!second->state().selected);
  QCOMPARE(list->indexOfChild(second), 1);
  QCOMPARE(second->parent(), list);
  QVERIFY(w.strip->rect().contains(w.strip->mapFromGlobal(second->rect().center())));

  second->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  QCOMPARE(w.strip->TabIndex(), 2);
  QVERIFY(second->state().selected);
  QCOMPARE(list->childAt(second->rect().center().x(), second->rect().center().y()), second);
}

QTEST_MAIN(TestKivTabSet)
#include "tst_KivTabSet.moc"
