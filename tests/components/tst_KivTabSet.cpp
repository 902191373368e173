#include "components/KivGraphicsUtils.h"
#include "components/KivSiteTabsLook.h"
#include "components/KivTabControl.h"
#include "components/KivTabSet.h"
#include "components/KivTabSetScroller.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

using namespace Qt::StringLiterals;

// A row of the layout table: what it asks of a layout, answered as text,
// rectangles as "x,y wxh" and outlines as their points "x,y x,y ...".
using Probe = std::function<QString()>;
Q_DECLARE_METATYPE(Probe)

namespace {

const QColor kFace(0xE0, 0xE0, 0xE0), kShadow(0x80, 0x80, 0x80), kLight(0xFF, 0xFF, 0xFF),
    kWindow(0xF8, 0xF8, 0xF8), kText(0x00, 0x00, 0x00), kHot(0x00, 0x00, 0xFF);

// A strip set up as the main window sets up its site tabs, with an edit after
// it to take the focus.
struct TStripWindow {
  QWidget window;
  TKivTabSet *strip = new TKivTabSet(&window);
  QLineEdit *after = new QLineEdit(&window);

  explicit TStripWindow(const QStringList &captions, int width = 480) {
    QPalette p(kText, kFace, kLight, kShadow, kFace, kText, kLight, kWindow, kFace);
    p.setColor(QPalette::Link, kHot);
    strip->setPalette(p);
    QFont font = strip->font();
    font.setStyleStrategy(QFont::NoAntialias); // so that glyphs use exact colours
    strip->setFont(font);
    ApplySiteTabsLook(*strip);
    for (const QString &caption : captions)
      strip->TabsList().Add(caption);
    auto *column = new QVBoxLayout(&window);
    column->addWidget(strip);
    column->addWidget(after);
    window.resize(width, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    strip->setFocus();
    QCoreApplication::processEvents();
  }
  QPoint centreOf(int index) const { return strip->titleRect(index).center(); }
  int click(QPoint at) const {
    QTest::mouseClick(strip, Qt::LeftButton, {}, at);
    return strip->TabIndex();
  }
  int press(Qt::Key key) const {
    QTest::keyClick(strip, key);
    return strip->TabIndex();
  }
  bool inks(int index, const QColor &colour) const {
    const QImage image = strip->grab().toImage();
    const QRect title = strip->titleRect(index);
    for (int x = title.left(); x <= title.right(); ++x)
      for (int y = title.top() + 1; y < title.bottom(); ++y)
        if (image.pixelColor(x, y) == colour)
          return true;
    return false;
  }
};

struct TPaintRecorder : QObject {
  QList<QRegion> regions;
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      regions.append(static_cast<QPaintEvent *>(event)->region());
    return false;
  }
};

// Captions 30, 40 and 50 pixels wide in a 13-pixel font: the row is 21 high
// and the tabs' text parts are 46, 56 and 66 long.
TKivTabGeometry tabs(TKivTabsPosition position, TKivTabsStyle style, int width = 400) {
  return {.position = position,
          .style = style,
          .imageSize = {},
          .area = {width, 100},
          .textHeight = 13,
          .textWidths = {30, 40, 50},
          .visible = {}};
}

QString text(const QRect &r) {
  return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString text(const QPolygon &shape) {
  QStringList points;
  for (const QPoint &p : shape)
    points << u"%1,%2"_s.arg(p.x()).arg(p.y());
  return points.join(u' ');
}

// The last tab, whose place sums up the ones before it and whose depth is the band's.
Probe last(const TKivTabGeometry &g, int first = 0) {
  return [=] { return text(TKivTabLayout(g).tabRect(first, 2)); };
}

Probe shape(const TKivTabGeometry &g, int index) {
  return [=] { return text(TKivTabLayout(g).tabShape(0, index)); };
}

Probe area(const TKivTabGeometry &g, QRect (TKivTabLayout::*of)() const) {
  return [=] { return text((TKivTabLayout(g).*of)()); };
}

Probe hit(int x, int y, int selected) {
  const TKivTabLayout layout(tabs(etpTop, etsObliqueRectangular));
  return [=] { return QString::number(layout.tabAt({x, y}, 0, selected)); };
}

// The oblique tabs shown once the range, moved one tab at a time from `from`,
// holds the selected one.
Probe range(int width, int selected, int from = 0) {
  return [=] {
    const TKivTabLayout l(tabs(etpTop, etsObliqueRectangular, width));
    const int first = l.rangeHolding(from, selected);
    const QString scroller = l.holdsAll(first) ? u""_s : u" +scroller"_s;
    return QString(u"%1..%2"_s.arg(first).arg(l.lastInRange(first)) + scroller);
  };
}

using Changes = QList<QPair<int, int>>;

// A strip's tabs, captioned with their numbers, and every selection event.
struct TTabs {
  TKivTabSet strip;
  TKivTabsList &list = strip.TabsList();
  Changes changing;
  QList<int> changed;

  TTabs(int count, int selected) {
    for (int i = 0; i < count; ++i)
      list.Add(QString::number(i));
    strip.setTabIndex(selected);
    strip.OnChanging = [this](auto *, int from, int to, bool &) { changing.append({from, to}); };
    strip.OnChanged = [this](auto *, int index) { changed.append(index); };
  }
};

using Edit = std::function<void(TTabs &)>;

} // namespace

Q_DECLARE_METATYPE(Edit)

// The tab strip and its parts: the layout, the list of tabs with the
// selection, and the tab control built on the strip.
class TestKivTabSet : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init() { TKivCustomTabSet::HotTabIndex = -1; }

  void paintsTabsInOrderWithTheSelectedOneOnTop() {
    TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s});
    w.strip->setTabIndex(1);
    const QImage image = w.strip->grab().toImage();
    const QRect selected = w.strip->tabRect(1), other = w.strip->tabRect(0);
    const int h = selected.height();
    // Inside the tabs, clear of titles and outlines: each row is its gradient step.
    for (int y : {2, h / 2, h - 2}) {
      QCOMPARE(image.pixelColor(selected.left() + 3, y),
               InterpolateColor(kShadow, kFace, y, h - 1));
      QCOMPARE(image.pixelColor(other.left() + 3, y), InterpolateColor(kWindow, kFace, y, h - 1));
    }
    // The page frame runs along the bottom of the band but is open under the
    // selected tab, whose slant lies over its right-hand neighbour.
    QCOMPARE(image.pixelColor(other.left() + 3, h - 1), kLight);
    QCOMPARE(image.pixelColor(selected.left() + 3, h - 1), kFace);
    QCOMPARE(image.pixelColor(selected.left(), h / 2), kLight);
    QCOMPARE(image.pixelColor(w.strip->tabRect(2).left() + 1, h - 3),
             InterpolateColor(kShadow, kFace, h - 3, h - 1));
    QCOMPARE(image.pixelColor(10, w.strip->height() - 1), kShadow); // bottom frame edge
  }

  // Where tab 0's slant overlaps tab 1 the selected tab lies on top. A
  // disabled tab ignores the click, which the selection would otherwise carry
  // on to the next tab.
  void clicksSelectByTabShape() {
    TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s});
    w.strip->setTabIndex(0);
    QList<int> changed, enabledChanges;
    w.strip->OnChanged = [&](TKivCustomTabSet *, int index) { changed.append(index); };
    w.strip->OnTabEnabledChange = [&](TKivCustomTabSet *, int i) { enabledChanges.append(i); };
    w.strip->setTabEnabled(1, false);
    w.strip->setTabEnabled(1, false);
    QCOMPARE(enabledChanges, QList<int>{1});
    QCOMPARE(w.click(w.centreOf(1)), 0);
    w.strip->setTabEnabled(1, true);
    w.after->setFocus();
    const QPoint overlap(w.strip->tabRect(1).left() + 2, w.strip->tabRect(0).height() - 3);
    QCOMPARE(w.click(overlap), 0);
    QVERIFY(w.strip->hasFocus());
    QCOMPARE(w.click(w.centreOf(1)), 1);
    QCOMPARE(w.click(overlap), 1);
    QCOMPARE(changed, QList<int>{1});
  }

  // Arrows, Home and End walk the tabs without wrapping, Tab too until no
  // further tab can be chosen, then the focus moves on. A disabled tab is
  // passed over; without hot tracking the strip leaves the keys alone.
  void keyboardWalksTheTabs() {
    using enum Qt::Key;
    TStripWindow w({u"A"_s, u"B"_s, u"C"_s, u"D"_s});
    w.strip->setTabIndex(1);
    QCOMPARE(
        (QList<int>{w.press(Key_Right), w.press(Key_Down), w.press(Key_Right), w.press(Key_Left),
                    w.press(Key_Up), w.press(Key_Home), w.press(Key_Left), w.press(Key_End)}),
        (QList<int>{2, 3, 3, 2, 1, 0, 0, 3}));
    QVERIFY(w.strip->hasFocus());
    w.strip->setTabIndex(1);
    w.strip->setTabVisible(3, false);
    QCOMPARE(w.press(Key_Tab), 2);
    QVERIFY(w.strip->hasFocus());
    QCOMPARE(w.press(Key_Tab), 2);
    QVERIFY(w.after->hasFocus());
    w.strip->setFocus();
    w.strip->setTabIndex(0);
    w.strip->setTabEnabled(1, false);
    QCOMPARE(w.press(Key_Right), 2);
    // A handler may cancel a key; it hears each key once, and none at all
    // without hot tracking.
    int calls = 0;
    w.strip->OnKeyDown = [&](TKivCustomTabSet *, int &key, Qt::KeyboardModifiers) {
      ++calls;
      key = key == Key_Right ? 0 : key;
    };
    w.strip->setTabIndex(0);
    QCOMPARE(w.press(Key_Right), 0);
    QCOMPARE(calls, 1);
    w.strip->setHotTrack(false);
    w.strip->setTabIndex(2);
    QCOMPARE((QList<int>{w.press(Key_Left), w.press(Key_Home)}), (QList<int>{2, 2}));
    QCOMPARE(calls, 1);
  }

  void acceleratorSelectsAndFocuses() {
    TStripWindow w({u"&Alpha"_s, u"Be&ta"_s, u"Gamma && Delta"_s});
    w.strip->setTabIndex(0);
    w.after->setFocus();
    QTest::keyClick(w.after, Qt::Key_T, Qt::AltModifier);
    QCOMPARE(w.strip->TabIndex(), 1);
    QVERIFY(w.strip->hasFocus());
    // Measured without the ampersand.
    QCOMPARE(w.strip->tabRect(1).width(),
             QFontMetrics(w.strip->font()).horizontalAdvance(u"Beta"_s) + 16);
  }

  // Only the title of the tab under the mouse is redrawn, in the hot colour.
  // Moving to another tab first returns the hot one to normal, the next move
  // makes the new one hot; the selected tab never becomes hot, and below the
  // band the hot tab returns to normal.
  void hotTrackingRedrawsOnlyTheTitle() {
    TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s});
    w.strip->setTabIndex(0);
    QCoreApplication::processEvents();
    TPaintRecorder recorder;
    w.strip->installEventFilter(&recorder);
    const auto move = [&](QPoint to, int hot) {
      QTest::mouseMove(w.strip, to);
      QTRY_COMPARE(TKivCustomTabSet::HotTabIndex, hot);
    };
    move(w.centreOf(2), 2);
    QTRY_VERIFY(!recorder.regions.isEmpty());
    for (const QRegion &region : recorder.regions)
      QVERIFY(w.strip->titleRect(2).contains(region.boundingRect()));
    QVERIFY(w.inks(2, kHot));
    move(w.centreOf(1), -1);
    move(w.centreOf(1) + QPoint(1, 0), 1);
    move(w.centreOf(0), -1);
    move(w.centreOf(0) + QPoint(1, 0), -1);
    move(w.centreOf(2), 2);
    move(QPoint(10, w.strip->height() - 5), -1);
  }

  // The scroller's buttons move the selection, not only the view.
  void scrollerAppearsAndMovesTheSelection() {
    QStringList captions;
    for (int i = 0; i < 12; ++i)
      captions.append(u"Site number %1"_s.arg(i));
    TStripWindow w(captions, 400);
    w.strip->setTabIndex(0);
    w.strip->grab();
    TKivTabSetScroller *scroller = w.strip->scroller();
    QVERIFY(scroller->isVisible() && scroller->geometry().right() < w.strip->width());
    QVERIFY(!scroller->previousButton()->isEnabled() && scroller->nextButton()->isEnabled());
    QVERIFY(w.strip->lastVisibleTab() < 11);
    scroller->nextButton()->click();
    QCOMPARE(w.strip->TabIndex(), 1);
    w.strip->setTabIndex(11);
    w.strip->grab();
    QCOMPARE(w.strip->lastVisibleTab(), 11);
    QVERIFY(w.strip->firstVisibleTab() > 0 && !scroller->nextButton()->isEnabled());
    scroller->previousButton()->click();
    QCOMPARE(w.strip->TabIndex(), 10);
    w.window.resize(4000, 200);
    QCoreApplication::processEvents();
    w.strip->grab();
    QVERIFY(!scroller->isVisible());
    QCOMPARE(w.strip->firstVisibleTab(), 0);
  }

  void drawTitleHandlerRestylesTitles() {
    TStripWindow w({u"One"_s, u"Two"_s});
    const QColor olive(0x80, 0x80, 0x00);
    QList<QPair<QString, bool>> calls;
    w.strip->OnDrawTitle = [&](TKivCustomTabSet *, const QRect &, bool, bool selected,
                               TKivTitleFont &font, QString &text, int, bool &canDraw) {
      calls.append({text, selected});
      font.Color = olive;
      canDraw = selected;
    };
    w.strip->invalidate();
    QVERIFY(w.inks(1, olive));
    QVERIFY(!w.inks(0, olive) && !w.inks(0, kText)); // its title was not drawn at all
    QVERIFY(calls.contains({u"Two"_s, true}) && calls.contains({u"One"_s, false}));
  }

  // Hidden tabs are left out; captions are read without their accelerator marks.
  void accessibleAsPageTabList() {
    TStripWindow w({u"&Архив"_s, u"Hidden"_s, u"Fish && Chips"_s});
    w.strip->setTabIndex(0);
    w.strip->setTabVisible(1, false);
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(w.strip);
    QVERIFY(list && list->role() == QAccessible::PageTabList);
    QAccessibleInterface *first = list->child(0), *second = list->child(1);
    QVERIFY(first && second && first->role() == QAccessible::PageTab);
    QCOMPARE(first->text(QAccessible::Name), u"Архив"_s);
    QCOMPARE(second->text(QAccessible::Name), u"Fish & Chips"_s);
    QVERIFY(first->state().selected && !second->state().selected);
    QCOMPARE(list->indexOfChild(second), 1);
    QCOMPARE(second->parent(), list);
    const QPoint centre = second->rect().center();
    QVERIFY(w.strip->rect().contains(w.strip->mapFromGlobal(centre)));
    second->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(w.strip->TabIndex(), 2);
    QVERIFY(second->state().selected);
    QCOMPARE(list->childAt(centre.x(), centre.y()), second);
  }

  void layout_data() {
    QTest::addColumn<Probe>("probe");
    QTest::addColumn<QString>("expected");
    const TKivTabGeometry oblique = tabs(etpTop, etsObliqueRectangular),
                          left = tabs(etpLeft, etsRectangular, 200);
    TKivTabGeometry shifted = tabs(etpTop, etsRectangular), beside = shifted, above = shifted,
                    hidden = oblique;
    shifted.firstShift = 5;
    hidden.visible = {true, false, true};
    beside.imageSize = QSize(60, 40);
    above.imageSize = QSize(40, 30);
    above.imagesPosition = eipTop;
    // An image beside the caption lengthens a tab, one above it deepens the
    // band; either way the tab holds the image and its padding.
    QTest::newRow("rectangular, 2 apart, shifted") << last(shifted) << u"111,0 66x21"_s;
    QTest::newRow("oblique, half a row apart, one hidden") << last(hidden) << u"56,0 66x21"_s;
    QTest::newRow("oblique, from tab 1") << last(oblique, 1) << u"66,0 66x21"_s;
    QTest::newRow("trapeze") << last(tabs(etpTop, etsTrapeze)) << u"144,0 87x21"_s;
    QTest::newRow("bottom") << last(tabs(etpBottom, etsRectangular)) << u"106,79 66x21"_s;
    QTest::newRow("left: widest caption, stacked") << last(left) << u"0,46 66x21"_s;
    QTest::newRow("right") << last(tabs(etpRight, etsRectangular)) << u"334,46 66x21"_s;
    QTest::newRow("image beside") << last(beside) << u"234,0 130x48"_s;
    QTest::newRow("image above") << last(above) << u"116,0 66x55"_s;
    // Outlines are open towards the page.
    QTest::newRow("shape: top oblique")
        << shape(oblique, 1) << u"56,21 56,2 57,1 58,0 112,0 133,21 56,21 56,21"_s;
    QTest::newRow("shape: left rectangular")
        << shape(left, 1) << u"66,23 2,23 1,24 0,25 0,42 1,43 2,44 66,44"_s;
    QTest::newRow("shape: bottom trapeze") << shape(tabs(etpBottom, etsTrapeze), 0)
                                           << u"0,79 21,100 67,100 88,79 0,79 0,79 0,79 0,79"_s;
    // Tab 0's slant runs from (46, 0) to (67, 21), tab 1 starts at x = 56. A
    // neighbour on the right lies over a tab's slant unless the tab is selected.
    QTest::newRow("overlap, left tab selected lies on top") << hit(60, 15, 0) << u"0"_s;
    QTest::newRow("overlap, right tab selected") << hit(60, 15, 1) << u"1"_s;
    QTest::newRow("overlap, neither selected: the right one") << hit(60, 15, 2) << u"1"_s;
    QTest::newRow("overlap, selected middle over its right one") << hit(124, 15, 1) << u"1"_s;
    QTest::newRow("left of the neighbour") << hit(50, 15, 2) << u"0"_s;
    QTest::newRow("beyond the slant") << hit(60, 2, 0) << u"1"_s;
    QTest::newRow("cut corner") << hit(0, 0, 0) << u"-1"_s;
    QTest::newRow("past the last tab") << hit(300, 5, 0) << u"-1"_s;
    QTest::newRow("below the row") << hit(10, 30, 0) << u"-1"_s;
    // Far edges 67, 133 and 209; the scroller takes 34.
    QTest::newRow("room for all") << range(300, 0) << u"0..2"_s;
    QTest::newRow("last tab does not fit") << range(200, 0) << u"0..1 +scroller"_s;
    QTest::newRow("range follows the selection") << range(200, 2) << u"1..2 +scroller"_s;
    QTest::newRow("back to an earlier one") << range(200, 0, 2) << u"0..1 +scroller"_s;
    QTest::newRow("too narrow for one tab") << range(60, 0) << u"0..0 +scroller"_s;
    QTest::newRow("too narrow, last selected") << range(60, 2) << u"2..2 +scroller"_s;
    const TKivTabGeometry top = tabs(etpTop, etsObliqueRectangular, 200);
    QTest::newRow("page below") << area(top, &TKivTabLayout::pageRect) << u"0,21 200x79"_s;
    QTest::newRow("scroller at the end")
        << area(top, &TKivTabLayout::scrollerRect) << u"166,2 34x17"_s;
    QTest::newRow("page beside") << area(left, &TKivTabLayout::pageRect) << u"66,0 134x100"_s;
    QTest::newRow("scroller at the foot")
        << area(left, &TKivTabLayout::scrollerRect) << u"24,66 17x34"_s;
  }
  void layout() {
    QFETCH(Probe, probe);
    QTEST(probe(), "expected");
  }

  // After an edit the selection depends only on the old one, never on which
  // tab went. A request for a tab that cannot be chosen travels on in its
  // direction, turning back at the ends. Empty captions are stored as a space.
  void edits_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("captions");
    const auto add = [](bool loading) {
      return Edit([=](TTabs &t) {
        t.strip.setLoading(loading);
        QCOMPARE(t.list.Add(QString()), 2);
      });
    };
    const auto del = [](int i) { return Edit([i](TTabs &t) { t.list.Delete(i); }); };
    const auto insert = [](int i) { return Edit([i](TTabs &t) { t.list.Insert(i, u"n"_s); }); };
    const auto pick = [](int request, QList<int> hidden, QList<int> disabled = {}) {
      return Edit([=](TTabs &t) {
        for (int i : hidden)
          t.list.setVisible(i, false);
        for (int i : disabled)
          t.list.setEnabled(i, false);
        t.strip.setTabIndex(request);
      });
    };
    const QString five = u"01234"_s;
    QTest::newRow("add selects it") << 2 << 0 << add(false) << 2 << u"01 "_s;
    QTest::newRow("add while loading") << 2 << 0 << add(true) << 0 << u"01 "_s;
    QTest::newRow("insert at the front") << 3 << 1 << insert(0) << 1 << u"n012"_s;
    QTest::newRow("insert beyond the end") << 3 << 1 << insert(9) << 1 << u"012n"_s;
    QTest::newRow("insert at -1") << 3 << 1 << insert(-1) << 1 << u"012"_s;
    QTest::newRow("delete the selected tab") << 5 << 3 << del(3) << 2 << u"0124"_s;
    QTest::newRow("delete a tab before it") << 5 << 3 << del(0) << 2 << u"1234"_s;
    QTest::newRow("delete a tab after it") << 5 << 3 << del(4) << 2 << u"0123"_s;
    QTest::newRow("delete the first, selected") << 3 << 0 << del(0) << 0 << u"12"_s;
    QTest::newRow("delete, nothing selected") << 3 << -1 << del(1) << 0 << u"02"_s;
    QTest::newRow("delete the only tab") << 1 << 0 << del(0) << -1 << u""_s;
    QTest::newRow("delete out of range") << 3 << 2 << del(7) << 2 << u"012"_s;
    // Tab 0 is hidden first: selecting it proves that every record starts afresh.
    QTest::newRow("bulk add") << 2 << 1 << Edit([](TTabs &t) {
      t.list.setVisible(0, false);
      t.list.AddStrings({u"a"_s, QString(), u"c"_s});
    }) << 0 << u"01a c"_s;
    QTest::newRow("clear") << 2 << 1 << Edit([](TTabs &t) { t.list.Clear(); }) << -1 << u""_s;
    QTest::newRow("vetoed") << 3 << 0 << Edit([](TTabs &t) {
      t.strip.OnChanging = [](auto *, int, int, bool &canChange) { canChange = false; };
      t.strip.setTabIndex(2);
      t.list.Add(u"v"_s);
    }) << 0 << u"012v"_s;
    QTest::newRow("above the last is clamped") << 5 << 0 << pick(10, {}) << 4 << five;
    QTest::newRow("below -1 means none") << 5 << 2 << pick(-7, {}) << -1 << five;
    QTest::newRow("hidden, moving right") << 5 << 0 << pick(1, {1}) << 2 << five;
    QTest::newRow("disabled, moving right") << 5 << 0 << pick(1, {}, {1, 2}) << 3 << five;
    QTest::newRow("hidden last, moving right") << 5 << 0 << pick(4, {4}) << 3 << five;
    QTest::newRow("hidden last two") << 5 << 0 << pick(4, {3, 4}) << 2 << five;
    QTest::newRow("hidden last two, back to the current") << 5 << 2 << pick(4, {3, 4}) << 2 << five;
    QTest::newRow("disabled, moving left") << 5 << 4 << pick(1, {}, {1}) << 0 << five;
    QTest::newRow("hidden first, moving left") << 5 << 4 << pick(0, {0}) << 1 << five;
    QTest::newRow("hidden first two, moving left") << 5 << 4 << pick(1, {0, 1}) << 2 << five;
    QTest::newRow("nothing selectable") << 5 << -1 << pick(2, {0, 1, 2, 3, 4}) << -1 << five;
  }
  void edits() {
    QFETCH(int, selected);
    QFETCH(Edit, edit);
    QFETCH(int, expected);
    QFETCH(int, count);
    TTabs tabs(count, selected);
    edit(tabs);
    QCOMPARE(tabs.strip.TabIndex(), expected);
    QTEST(tabs.list.captions().join(QString()), "captions");
    QCOMPARE(tabs.changed, expected == selected ? QList<int>() : QList<int>{expected});
    // The handler hears the tab actually chosen, not the one asked for.
    QCOMPARE(tabs.changing, (expected == selected ? Changes() : Changes{{selected, expected}}));
  }

  // A tab's object and state travel with its caption; Put changes only the caption.
  void statesTravelWithTheirCaptions() {
    TTabs tabs(3, 2);
    tabs.list.setObject(0, 42);
    tabs.list.setEnabled(0, false);
    tabs.list.setText(0, u"kept"_s);
    tabs.list.Exchange(0, 2);
    tabs.list.Put(2, QString());
    QCOMPARE(tabs.list.captions(), (QStringList{u"2"_s, u"1"_s, u" "_s}));
    QVERIFY(tabs.list.state(0).Enabled && !tabs.list.state(2).Enabled);
    QCOMPARE(tabs.list.state(2).Text, u"kept"_s);
    QCOMPARE(tabs.list.objects(2).toInt(), 42);
    QCOMPARE(tabs.strip.TabIndex(), 2);
  }

  // Two pages as the settings window has them: tabs on the left, rectangular;
  // the first page holds an edit, the second nothing that takes the focus.
  void tabControlShowsTheSelectedPage() {
    QWidget window;
    auto *control = new TKivTabControl(&window);
    control->setTabsPosition(etpLeft);
    control->setTabsStyle(etsRectangular);
    auto *sites = new TKivTabPage(control, u"Сайты"_s);
    auto *settings = new TKivTabPage(control, u"Настройки"_s);
    auto *siteName = new QLineEdit(sites);
    (new QVBoxLayout(&window))->addWidget(control);
    window.resize(429, 330);
    QCOMPARE(control->TabsList().captions(), (QStringList{u"Сайты"_s, u"Настройки"_s}));
    QCOMPARE(control->TabIndex(), -1); // adding pages selects nothing
    window.show();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();
    QCOMPARE(control->ActivePage(), u"Сайты"_s);
    QVERIFY(sites->isVisible() && !settings->isVisible());
    // The page fills the area beside the tab column.
    QCOMPARE(sites->geometry(), control->contentsRect());
    QVERIFY(sites->x() >= control->tabRect(0).right());
    // Selecting shows only that page, in the page colour, and moves the focus
    // onto it, or keeps it on the tabs when nothing there takes it.
    settings->setCaption(u"Прочее"_s);
    control->setColorPage(QColor(0x12, 0x34, 0x56));
    siteName->setFocus();
    control->setActivePage(u"Прочее"_s);
    QCOMPARE(control->TabIndex(), 1);
    QVERIFY(!sites->isVisible() && settings->isVisible());
    QCOMPARE(settings->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
    QVERIFY(control->hasFocus());
    control->setActivePage(u"Нет такой"_s);
    QCOMPARE(control->TabIndex(), 1);
    control->setTabIndex(0);
    QVERIFY(siteName->hasFocus() && !settings->isVisible());
    control->setTabIndex(1);
    delete settings;
    QCOMPARE(control->TabsList().captions(), QStringList{u"Сайты"_s});
    QCOMPARE(control->TabIndex(), 0);
    QVERIFY(sites->isVisible());
  }
};

QTEST_MAIN(TestKivTabSet)
#include "tst_KivTabSet.moc"
