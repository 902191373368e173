#include "components/KivTabLayout.h"

#include <QtTest>

namespace {

// Captions 30, 40 and 50 pixels wide in a 13-pixel font: the row is 21 high
// and the tabs' text parts are 46, 56 and 66 long.
TKivTabGeometry threeTabs(TKivTabsPosition position, TKivTabsStyle style, QSize area = {400, 100}) {
  TKivTabGeometry g;
  g.position = position;
  g.style = style;
  g.area = area;
  g.textHeight = 13;
  g.textWidths = {30, 40, 50};
  g.visible = {true, true, true};
  return g;
}

} // namespace

class TestKivTabLayout : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void tabRectangles_data();
  void tabRectangles();
  void shapes_data();
  void shapes();
  void imagesGrowTheTabs();
  void hitTestingFollowsThePaintingOrder_data();
  void hitTestingFollowsThePaintingOrder();
  void visibleRangeAndScroller_data();
  void visibleRangeAndScroller();
  void pageAndScrollerPlacement();
};

void TestKivTabLayout::tabRectangles_data() {
  QTest::addColumn<TKivTabGeometry>("geometry");
  QTest::addColumn<int>("first");
  QTest::addColumn<QList<QRect>>("rects");
  const auto top = [](TKivTabsStyle style) { return threeTabs(etpTop, style); };
  QTest::newRow("top oblique: overlap by half the row")
      << top(etsObliqueRectangular) << 0
      << QList<QRect>{{0, 0, 46, 21}, {56, 0, 56, 21}, {122, 0, 66, 21}};
  QTest::newRow("top rectangular: spacing 2")
      << top(etsRectangular) << 0
      << QList<QRect>{{0, 0, 46, 21}, {48, 0, 56, 21}, {106, 0, 66, 21}};
  QTest::newRow("top trapeze: grows by the row height")
      << top(etsTrapeze) << 0 << QList<QRect>{{0, 0, 67, 21}, {67, 0, 77, 21}, {144, 0, 87, 21}};
  TKivTabGeometry shifted = top(etsRectangular);
  shifted.firstShift = 5;
  QTest::newRow("first shift") << shifted << 0
                               << QList<QRect>{{5, 0, 46, 21}, {53, 0, 56, 21}, {111, 0, 66, 21}};
  TKivTabGeometry hidden = top(etsObliqueRectangular);
  hidden.visible[1] = false;
  QTest::newRow("a hidden tab takes no room")
      << hidden << 0 << QList<QRect>{{0, 0, 46, 21}, {56, 0, 56, 21}, {56, 0, 66, 21}};
  QTest::newRow("range starting at tab 1")
      << top(etsObliqueRectangular) << 1
      << QList<QRect>{{0, 0, 46, 21}, {0, 0, 56, 21}, {66, 0, 66, 21}};
  QTest::newRow("bottom row") << threeTabs(etpBottom, etsRectangular) << 0
                              << QList<QRect>{{0, 79, 46, 21}, {48, 79, 56, 21}, {106, 79, 66, 21}};
  QTest::newRow("left column: widest caption, stacked")
      << threeTabs(etpLeft, etsRectangular) << 0
      << QList<QRect>{{0, 0, 66, 21}, {0, 23, 66, 21}, {0, 46, 66, 21}};
  QTest::newRow("right column") << threeTabs(etpRight, etsRectangular) << 0
                                << QList<QRect>{
                                       {334, 0, 66, 21}, {334, 23, 66, 21}, {334, 46, 66, 21}};
}

void TestKivTabLayout::tabRectangles() {
  QFETCH(TKivTabGeometry, geometry);
  QFETCH(int, first);
  QFETCH(QList<QRect>, rects);
  const TKivTabLayout layout(geometry);
  for (int i = 0; i < rects.size(); ++i)
    QCOMPARE(layout.tabRect(first, i), rects.at(i));
}

void TestKivTabLayout::shapes_data() {
  QTest::addColumn<TKivTabGeometry>("geometry");
  QTest::addColumn<int>("index");
  QTest::addColumn<QPolygon>("shape");
  QTest::newRow("top rectangular")
      << threeTabs(etpTop, etsRectangular) << 1
      << QPolygon({{48, 21}, {48, 2}, {49, 1}, {50, 0}, {102, 0}, {103, 1}, {104, 2}, {104, 21}});
  QTest::newRow("top oblique")
      << threeTabs(etpTop, etsObliqueRectangular) << 1
      << QPolygon({{56, 21}, {56, 2}, {57, 1}, {58, 0}, {112, 0}, {133, 21}, {56, 21}, {56, 21}});
  QTest::newRow("top trapeze")
      << threeTabs(etpTop, etsTrapeze) << 0
      << QPolygon({{0, 21}, {21, 0}, {67, 0}, {88, 21}, {0, 21}, {0, 21}, {0, 21}, {0, 21}});
  QTest::newRow("left rectangular, open towards the page")
      << threeTabs(etpLeft, etsRectangular) << 1
      << QPolygon({{66, 23}, {2, 23}, {1, 24}, {0, 25}, {0, 42}, {1, 43}, {2, 44}, {66, 44}});
  QTest::newRow("bottom rectangular, mirrored")
      << threeTabs(etpBottom, etsRectangular) << 0
      << QPolygon({{0, 79}, {0, 98}, {1, 99}, {2, 100}, {44, 100}, {45, 99}, {46, 98}, {46, 79}});
}

void TestKivTabLayout::shapes() {
  QFETCH(TKivTabGeometry, geometry);
  QFETCH(int, index);
  QFETCH(QPolygon, shape);
  QCOMPARE(TKivTabLayout(geometry).tabShape(0, index), shape);
}

void TestKivTabLayout::imagesGrowTheTabs() {
  TKivTabGeometry g = threeTabs(etpTop, etsRectangular);
  g.imageSize = QSize(16, 16);
  const TKivTabLayout left(g);
  QCOMPARE(left.bandDepth(), 16 + 8); // at least the image and its padding
  QCOMPARE(left.tabRect(0, 0), QRect(0, 0, 46 + 16 + 4, 24));
  g.imagesPosition = eipTop;
  const TKivTabLayout above(g);
  QCOMPARE(above.bandDepth(), 21 + 16 + 4);
  QCOMPARE(above.tabRect(0, 0).width(), 46);
  g.imageSize = QSize(60, 40);
  g.imagesPosition = eipLeft;
  const TKivTabLayout large(g);
  QCOMPARE(large.bandDepth(), 40 + 8);
  QCOMPARE(large.tabRect(0, 0).width(), 30 + 16 + 60 + 4);
}

void TestKivTabLayout::hitTestingFollowsThePaintingOrder_data() {
  QTest::addColumn<int>("selected");
  QTest::addColumn<QPoint>("point");
  QTest::addColumn<int>("expected");
  // Tab 0's slant runs from (46, 0) to (67, 21); tab 1 starts at x = 56.
  QTest::newRow("overlap, left tab selected lies on top") << 0 << QPoint(60, 15) << 0;
  QTest::newRow("overlap, right tab selected") << 1 << QPoint(60, 15) << 1;
  QTest::newRow("overlap, neither selected: the right one") << 2 << QPoint(60, 15) << 1;
  QTest::newRow("overlap, selected middle over its right neighbour") << 1 << QPoint(124, 15) << 1;
  QTest::newRow("left of the neighbour") << 2 << QPoint(50, 15) << 0;
  QTest::newRow("beyond the slant") << 0 << QPoint(60, 2) << 1;
  QTest::newRow("cut corner") << 0 << QPoint(0, 0) << -1;
  QTest::newRow("past the last tab") << 0 << QPoint(300, 5) << -1;
  QTest::newRow("below the row") << 0 << QPoint(10, 30) << -1;
}

void TestKivTabLayout::hitTestingFollowsThePaintingOrder() {
  QFETCH(int, selected);
  QFETCH(QPoint, point);
  QFETCH(int, expected);
  const TKivTabLayout layout(threeTabs(etpTop, etsObliqueRectangular));
  QCOMPARE(layout.tabAt(point, 0, selected), expected);
}

void TestKivTabLayout::visibleRangeAndScroller_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("selected");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("last");
  QTest::addColumn<bool>("scroller");
  // Far edges 67, 133 and 209, plus 34 for the scroller.
  QTest::newRow("room for all") << 300 << 0 << 0 << 2 << false;
  QTest::newRow("last tab does not fit") << 200 << 0 << 0 << 1 << true;
  QTest::newRow("range follows the selection") << 200 << 2 << 1 << 2 << true;
  QTest::newRow("too narrow for one tab") << 60 << 0 << 0 << 0 << true;
  QTest::newRow("too narrow, last selected") << 60 << 2 << 2 << 2 << true;
}

void TestKivTabLayout::visibleRangeAndScroller() {
  QFETCH(int, width);
  QFETCH(int, selected);
  QFETCH(int, first);
  QFETCH(int, last);
  QFETCH(bool, scroller);
  const TKivTabLayout layout(threeTabs(etpTop, etsObliqueRectangular, QSize(width, 100)));
  const int start = layout.rangeHolding(0, selected);
  QCOMPARE(start, first);
  QCOMPARE(layout.lastInRange(start), last);
  QCOMPARE(layout.holdsAll(start), !scroller);
  QCOMPARE(layout.rangeHolding(2, 0), 0); // moving back to an earlier selection
}

void TestKivTabLayout::pageAndScrollerPlacement() {
  const TKivTabLayout top(threeTabs(etpTop, etsObliqueRectangular, QSize(200, 100)));
  QCOMPARE(top.pageRect(), QRect(0, 21, 200, 79));
  QCOMPARE(top.scrollerRect(), QRect(200 - 34, 2, 34, 17));
  const TKivTabLayout left(threeTabs(etpLeft, etsRectangular, QSize(200, 100)));
  QCOMPARE(left.pageRect(), QRect(66, 0, 134, 100));
  QCOMPARE(left.scrollerRect(), QRect(24, 100 - 34, 17, 34));
}

QTEST_GUILESS_MAIN(TestKivTabLayout)
#include "tst_KivTabLayout.moc"
