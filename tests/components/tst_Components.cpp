#include "components/KivGraphicsUtils.h"
#include "components/KivGroupBox.h"
#include "components/KivSiteTabsLook.h"
#include "components/KivTabControl.h"
#include "components/KivTabSet.h"
#include "components/KivTabSetScroller.h"
#include "support/GoldenFile.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;
using Properties = QList<std::pair<QByteArray, QVariant>>;

// Gradient fills, the group box, the tab strip and its parts (layout, tab list, selection)
// and the tab control. Most checks are scripts in tests/data/<folder>, a step a line run by
// the action its first word names ("#" starts a comment, "" is an empty word), whose dump
// must match <script>.expected beside it; each folder's steps are listed at its test.

namespace {

using Actions = QHash<QString, std::function<void(const QStringList &words)>>;
void play(const QString &file, const Actions &actions,
          const std::function<void(const QString &line)> &after) {
  for (const QString &line : ScriptLines(file)) {
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    words.replaceInStrings(QRegularExpression(u"^\"\"$"_s), QString());
    const auto action = actions.value(words.takeFirst());
    if (!action)
      return QTest::qFail(qPrintable(u"unknown step: " + line), __FILE__, __LINE__);
    action(words);
    after(line);
  }
}

// The numbers in words such as "400x100" or "60,15".
QList<int> numbers(const QStringList &words) {
  QList<int> n;
  for (const QString &word : words)
    for (const QString &part : word.split(QRegularExpression(u"[x,]"_s)))
      n << part.toInt();
  return n;
}

QSize sizeOf(const QString &word) {
  return {numbers({word}).value(0), numbers({word}).value(1)};
}

int pick(const QStringList &names, const QString &name) {
  QTest::qVerify(names.contains(name), "a known name", qPrintable(name), __FILE__, __LINE__);
  return std::max(0, int(names.indexOf(name)));
}

struct TPaintRecorder : QObject {
  QList<QRegion> regions;
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      regions.append(static_cast<QPaintEvent *>(event)->region());
    return false;
  }
};

QString text(const QRect &r) {
  return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

constexpr QRgb Sentinel = 0xFF123456;
constexpr int Margin = 2; // around the picture, to catch painting outside it

QImage picture(QSize size, qreal ratio, const std::function<void(QImage &)> &draw) {
  QImage image((size + QSize(2 * Margin, 2 * Margin)) * ratio, QImage::Format_RGB32);
  image.fill(Sentinel);
  image.setDevicePixelRatio(ratio);
  draw(image);
  return image;
}

// The painted runs of each row of a picture, or of each column, "from..to
// colour" in device pixels from its corner.
QString runsOf(const QImage &image, bool columns) {
  const int margin = Margin * int(image.devicePixelRatio());
  const QString ratio = image.devicePixelRatio() == 1 ? u""_s : u" at x2"_s;
  QString out;
  const QSize extent = columns ? image.size().transposed() : image.size();
  for (int line = 0; line < extent.height(); ++line) {
    const auto at = [&](int k) { return columns ? image.pixel(line, k) : image.pixel(k, line); };
    QStringList runs;
    for (int k = 0, end = 0; k < extent.width(); k = end) {
      for (end = k + 1; end < extent.width() && at(end) == at(k);)
        ++end;
      if (at(k) != Sentinel)
        runs << u"%1..%2 "_s.arg(k - margin).arg(end - 1 - margin) + QColor(at(k)).name().mid(1);
    }
    if (!runs.isEmpty())
      out += u"  %1 %2%3: %4\n"_s.arg(columns ? u"column"_s : u"row"_s)
                 .arg(line - margin)
                 .arg(ratio, runs.join(u", "_s));
  }
  return out;
}

// The runs of a picture, checking that at a device pixel ratio of 2 each pixel
// becomes a 2 x 2 block of its colour, without seams between lines or rings.
QString seamlessRunsOf(QSize size, bool columns, const std::function<void(QImage &)> &draw) {
  const QImage image = picture(size, 1, draw), twice = picture(size, 2, draw);
  for (int y = 0; y < twice.height(); ++y)
    for (int x = 0; x < twice.width(); ++x)
      if (twice.pixel(x, y) != image.pixel(x / 2, y / 2) && !QTest::currentTestFailed())
        QTest::qFail(qPrintable(u"seam at %1,%2"_s.arg(x).arg(y)), __FILE__, __LINE__);
  return runsOf(image, columns);
}

const QColor Parent(0x10, 0x60, 0x10), Own(0xC8, 0xC8, 0xC8), Shadow(0x50, 0x50, 0x50),
    Light(0xFF, 0xFF, 0xF0), Text(0xFF, 0x00, 0x00), Simple(0x00, 0x00, 0xFF);

// A group box on a differently coloured window, in colours that cannot be
// mixed up and an unsmoothed font, so that glyphs use exact colours.
struct TBoxScene {
  QWidget window;
  TKivGroupBox *box = new TKivGroupBox(&window);

  explicit TBoxScene(const Properties &properties, QSize size = {200, 60}) {
    window.setPalette(QPalette(Parent, Parent));
    box->setPalette(QPalette(Text, Own, Light, Shadow, Own, Text, Light, Own, Own));
    QFont f;
    f.setPixelSize(14);
    f.setStyleStrategy(QFont::NoAntialias);
    box->setFont(f);
    box->setColorSimpleFrame(Simple);
    box->setGeometry({{0, 0}, size});
    for (const auto &[name, value] : properties)
      QVERIFY(box->setProperty(name.constData(), value));
  }
};

// Where a box's caption cuts the frame's top line, whether just the caption's
// width is cleared (padding spaces included, a fractional advance rounded up),
// and the colours it is written in.
QString captionOf(TKivGroupBox *box) {
  QImage image(box->size(), QImage::Format_RGB32);
  box->render(&image);
  const int width = box->width(), lineHeight = box->fontMetrics().height();
  int first = -1, end = -1;
  for (int x = box->Radius(); x < width - box->Radius(); ++x)
    if (image.pixelColor(x, lineHeight / 2 - 1) != (box->Ctl3D() ? Shadow : Simple)) {
      first = first < 0 ? x : first;
      end = x + 1;
    }
  const int extra = end - first - box->fontMetrics().horizontalAdvance(box->Caption());
  QSet<QRgb> colours;
  for (int y = 0; y < lineHeight; ++y)
    for (int x = first; x < end; ++x)
      colours.insert(image.pixel(x, y));
  QStringList inks;
  for (const auto &[colour, name] :
       {std::pair{Text, u"text"_s}, {Light, u"light"_s}, {Shadow, u"shadow"_s}})
    if (colours.contains(colour.rgb()))
      inks << name;
  return u"  caption %1, %2, in %3\n"_s.arg(
      first == (width - end + first) / 2 ? u"centred"_s
      : first < width - end              ? u"%1 from the left"_s.arg(first)
                                         : u"%1 from the right"_s.arg(width - end),
      extra == 0 || extra == 1 ? u"as wide as its text"_s : u"%1 wider than its text"_s.arg(extra),
      inks.join(u", "_s));
}

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
    (new QVBoxLayout(&window))->addWidget(strip);
    window.layout()->addWidget(after);
    window.resize(width, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    strip->setFocus();
    QCoreApplication::processEvents();
  }
  QPoint centreOf(int index) const { return strip->titleRect(index).center(); }
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

// Every answer of a layout, the tabs drawn from `first` on, ranges moved from just
// out of bounds too; tabAt is asked at each point with none selected, then each.
QString dumpOf(const TKivTabLayout &l, int first, const QList<int> &points) {
  QString out = u"band %1, slant %2\n"_s.arg(l.bandDepth()).arg(l.slant());
  for (int i = 0; i < l.count(); ++i) {
    QStringList outline;
    for (const QPoint &p : l.tabShape(first, i))
      outline << u"%1,%2"_s.arg(p.x()).arg(p.y());
    out += u"tab %1%2: %3, title %4, outline %5\n"_s.arg(i).arg(
        l.isVisible(i) ? u""_s : u" (hidden)"_s, text(l.tabRect(first, i)),
        text(l.titleRect(first, i)), outline.join(u' '));
  }
  out += u"page %1, scroller %2\n"_s.arg(text(l.pageRect()), text(l.scrollerRect()));
  for (int from = -1; from <= l.count(); ++from)
    for (int selected = -1; selected < l.count(); ++selected) {
      const int start = l.rangeHolding(from, selected);
      out += u"range from %1 holding %2: %3..%4%5\n"_s.arg(from).arg(selected).arg(start).arg(
          QString::number(l.lastInRange(start)), l.holdsAll(start) ? u""_s : u" +scroller"_s);
    }
  for (qsizetype k = 0; k + 1 < points.size(); k += 2) {
    out += u"tabAt %1,%2:"_s.arg(points[k]).arg(points[k + 1]);
    for (int selected = -1; selected < l.count(); ++selected)
      out += u' ' + QString::number(l.tabAt({points[k], points[k + 1]}, first, selected));
    out += u'\n';
  }
  return out;
}

// The strip of a script, recording every event it raises.
struct TScriptedStrip : TStripWindow {
  QStringList events;
  bool veto = false;

  TScriptedStrip(const QStringList &captions, int selected) : TStripWindow(captions) {
    strip->setTabIndex(selected);
    const auto note = [this](const QString &event) {
      return [this, event](auto *, int i) { events << event.arg(i); };
    };
    strip->OnChanged = note(u"OnChanged %1"_s);
    strip->OnTabVisibleChange = note(u"OnTabVisibleChange %1"_s);
    strip->OnTabEnabledChange = note(u"OnTabEnabledChange %1"_s);
    strip->OnChanging = [this](auto *, int from, int to, bool &canChange) {
      canChange = !veto;
      events << u"OnChanging %1 to %2%3"_s.arg(from).arg(to).arg(veto ? u" vetoed"_s : u""_s);
    };
  }
  // The captions as stored, with their states, the selection, the focus when
  // it is not on the strip, and the events since the last dump.
  QString dump() {
    const TKivTabsList &l = strip->TabsList();
    QStringList tabs;
    for (int i = 0; i < l.count(); ++i) {
      const TKivTabState s = l.state(i);
      tabs << u'"' + l.strings(i) + u'"' + (s.Visible ? u""_s : u" hidden"_s) +
                  (s.Enabled ? u""_s : u" disabled"_s) +
                  (s.Text.isEmpty() ? u""_s : u" text=" + s.Text) +
                  (l.objects(i).isValid() ? u" object=" + l.objects(i).toString() : u""_s);
    }
    const QString focus = strip->hasFocus() ? u""_s : u", focus elsewhere"_s;
    const QString happened = events.isEmpty() ? u""_s : u"\n  " + events.join(u", "_s);
    events.clear();
    return u"  [%1] selected %2%3%4\n"_s.arg(tabs.join(u", "_s), QString::number(strip->TabIndex()),
                                             focus, happened);
  }
};

} // namespace

class TestComponents : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void painting_data() { addGoldenRows(u"painting"_s); }
  // Steps, each dumping its answer:
  //   fill two|three <mode> <W>x<H> radius <r> [swap] [solid]: the runs of
  //     each line of the fill; "two" runs from the owner's button face (white)
  //     to silver, "three" from 0a141e through c86432 to 00ff80
  //   box <W>x<H> [<property>=<value> ...]: a group box's client area (less the
  //     caption line), name, and its caption ("_" for a space) or its runs
  //   shade <rrggbb> <amount> lighten|darken
  //   share middleTop|middleWidth <value>: the share kept and the message shown
  //   repaint radius|middleWidth <value>: whether the change repaints the owner
  void painting() {
    QFETCH(QString, input);
    QString dump, answer;
    QWidget owner; // resolves the desktop colour: white, unlike the application's
    owner.setPalette(QPalette(Qt::white));
    const auto fill = [&](const QStringList &w) {
      TGradientCustom two(&owner);
      two.setColorStart(KivSystemColor::BtnFace);
      TThreeColorsGradientCustom three;
      three.setColorStart(QColor(0x0A, 0x14, 0x1E));
      three.setColorMiddle(QColor(0xC8, 0x64, 0x32));
      three.setColorEnd(QColor(0x00, 0xFF, 0x80));
      TKivGradientSettings &g =
          w.value(0) == u"two" ? static_cast<TKivGradientSettings &>(two) : three;
      const auto modes =
          u"topToBottom bottomToTop leftToRight rightToLeft ellipse oval"_s.split(u' ');
      g.setGradientMode(TFillDirection(pick(modes, w.value(1))));
      g.setGradientUse(!w.contains(u"solid"_s));
      g.setRadius(quint16(w.value(4).toInt()));
      const QRect rect(QPoint(Margin, Margin), sizeOf(w.value(2)));
      const bool columns = g.GradientUse() &&
                           (g.GradientMode() == fdLeftToRight || g.GradientMode() == fdRightToLeft);
      answer = seamlessRunsOf(rect.size(), columns, [&](QImage &image) {
        QPainter painter(&image);
        &g == &two ? FillGradient(painter, rect, two, w.contains(u"swap"_s))
                   : FillGradient3(painter, rect, three);
      });
    };
    const auto box = [&](const QStringList &w) {
      Properties properties;
      for (const QString &word : w.mid(1))
        properties.append(
            {word.section(u'=', 0, 0).toLatin1(), word.section(u'=', 1).replace(u'_', u' ')});
      TBoxScene scene(properties, sizeOf(w.value(0)));
      const int line = scene.box->Caption().isEmpty() ? 0 : scene.box->fontMetrics().height();
      QAccessibleInterface *face = QAccessible::queryAccessibleInterface(scene.box);
      answer = u"  client area %1, named \"%2\"%3\n"_s.arg(
          text(scene.box->contentsRect().adjusted(0, -line, 0, 0)), face->text(QAccessible::Name),
          face->role() == QAccessible::Grouping ? u" as a group"_s : u""_s);
      const auto draw = [&](QImage &image) { scene.box->render(&image, {Margin, Margin}); };
      const QSize size = scene.box->size();
      // A caption's glyphs are the font's; corners are curved afresh at x2.
      answer += line != 0 ? captionOf(scene.box)
                : scene.box->Radius() == 0
                    ? seamlessRunsOf(size, false, draw)
                    : runsOf(picture(size, 1, draw), false) + runsOf(picture(size, 2, draw), false);
    };
    const auto share = [&](const QStringList &w) {
      const bool top = w.value(0) == u"middleTop";
      QStringList messages;
      SetKivMessageHandler([&](const QString &m) { messages << m; });
      TThreeColorsGradientCustom g;
      g.setMiddleTop(0.6); // so that a fallback that merely kept the old value shows
      g.setMiddleWidth(0.6);
      top ? g.setMiddleTop(w.value(1).toDouble()) : g.setMiddleWidth(w.value(1).toDouble());
      SetKivMessageHandler(nullptr);
      answer = u"  %1 %2\n"_s.arg(top ? g.MiddleTop() : g.MiddleWidth()).arg(messages.join(u' '));
    };
    const auto repaint = [&](const QStringList &w) {
      QWidget painted;
      TPaintRecorder recorder;
      painted.installEventFilter(&recorder);
      painted.show();
      QVERIFY(QTest::qWaitForWindowExposed(&painted));
      QTRY_VERIFY(!recorder.regions.isEmpty());
      QCoreApplication::processEvents();
      recorder.regions.clear();
      if (w.value(0) == u"radius")
        TKivGradientCustom(&painted).setRadius(quint16(w.value(1).toInt()));
      else
        TKivThreeColorsGradientCustom(&painted).setMiddleWidth(w.value(1).toDouble());
      QTest::qWait(50);
      answer = recorder.regions.isEmpty() ? u"  does not repaint\n"_s : u"  repaints\n"_s;
    };
    const auto shade = [&](const QStringList &w) {
      const QColor c(u'#' + w.value(0));
      answer = u"  "_s + ShadeColor(c, w.value(1).toInt(), w.value(2) == u"lighten").name() + u'\n';
    };
    play(input,
         {{u"fill"_s, fill},
          {u"box"_s, box},
          {u"shade"_s, shade},
          {u"repaint"_s, repaint},
          {u"share"_s, share}},
         [&](const QString &line) { dump += line + u'\n' + std::exchange(answer, {}); });
    compareWithGolden(input, dump);
  }

  // Only the box's own Enabled is handed on: re-enabling the window leaves a
  // control disabled on its own disabled, re-enabling the box enables it.
  void boxEnablingReachesEveryControl() {
    TBoxScene scene({});
    QWidget plain(scene.box), alone(scene.box);
    alone.setEnabled(false);
    scene.window.setEnabled(false);
    QVERIFY(!plain.isEnabled());
    scene.window.setEnabled(true);
    QVERIFY(plain.isEnabled() && !alone.isEnabled());
    scene.box->setEnabled(false);
    QVERIFY(!plain.isEnabled());
    scene.box->setEnabled(true);
    QVERIFY(plain.isEnabled() && alone.isEnabled());
  }

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

  // Only the title of the tab under the mouse is redrawn, in the hot colour.
  // Moving to another tab first returns the hot one to normal, the next move
  // makes the new one hot; the selected tab never becomes hot, and below the
  // band the hot tab returns to normal. Another strip has no hot tab of its own.
  void hotTrackingRedrawsOnlyTheTitle() {
    TStripWindow w({u"One"_s, u"Two"_s, u"Three"_s}), other({u"One"_s, u"Two"_s, u"Three"_s});
    w.strip->setTabIndex(0);
    QCoreApplication::processEvents();
    TPaintRecorder recorder;
    w.strip->installEventFilter(&recorder);
    const auto move = [&](QPoint to, int hot) {
      QTest::mouseMove(w.strip, to);
      QTRY_COMPARE(w.strip->hotTabIndex(), hot);
      QCOMPARE(other.strip->hotTabIndex(), -1);
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
    QCOMPARE(w.strip->tabRect(0).width(), // measured without the mark too
             QFontMetrics(w.strip->font()).horizontalAdvance(u"Архив"_s) + 16);
    QVERIFY(first->state().selected && !second->state().selected);
    QVERIFY(list->indexOfChild(second) == 1 && second->parent() == list);
    const QPoint centre = second->rect().center();
    QVERIFY(w.strip->rect().contains(w.strip->mapFromGlobal(centre)));
    second->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(w.strip->TabIndex(), 0); // the caller on the bus is answered first
    QTRY_VERIFY(w.strip->TabIndex() == 2 && second->state().selected);
    QCOMPARE(list->childAt(centre.x(), centre.y()), second);
  }

  void layout_data() { addGoldenRows(u"tablayout"_s); }
  // Steps set TKivTabGeometry's fields ("area 400x100", "textWidths 30 40 50",
  // "hidden 1"), "first" the first tab drawn and "points x,y ..." the points to
  // hit-test; the dump is every answer of the layout.
  void layout() {
    QFETCH(QString, input);
    TKivTabGeometry g;
    int first = 0;
    QList<int> points;
    const QStringList sides{u"top"_s, u"left"_s, u"right"_s, u"bottom"_s},
        styles{u"rectangular"_s, u"oblique"_s, u"trapeze"_s};
    Actions actions{
        {u"position"_s, [&](auto &w) { g.position = TKivTabsPosition(pick(sides, w.value(0))); }},
        {u"imagesPosition"_s,
         [&](auto &w) { g.imagesPosition = TKivImagesPosition(pick(sides, w.value(0))); }},
        {u"style"_s, [&](auto &w) { g.style = TKivTabsStyle(pick(styles, w.value(0))); }},
        {u"textWidths"_s, [&](auto &w) { g.textWidths = numbers(w); }},
        {u"points"_s, [&](auto &w) { points = numbers(w); }},
        {u"area"_s, [&](auto &w) { g.area = sizeOf(w.value(0)); }},
        {u"imageSize"_s, [&](auto &w) { g.imageSize = sizeOf(w.value(0)); }},
        {u"hidden"_s, [&](auto &w) {
           g.visible.resize(g.textWidths.size(), true);
           for (int i : numbers(w))
             g.visible[i] = false;
         }}};
    const QList<std::pair<QString, int *>> integers{{u"first"_s, &first},
                                                    {u"textHeight"_s, &g.textHeight},
                                                    {u"tabsSpacing"_s, &g.tabsSpacing},
                                                    {u"spacingH"_s, &g.spacingH},
                                                    {u"spacingV"_s, &g.spacingV},
                                                    {u"firstShift"_s, &g.firstShift},
                                                    {u"imagesSpacing"_s, &g.imagesSpacing},
                                                    {u"scrollerBtnSize"_s, &g.scrollerBtnSize},
                                                    {u"scrollerSfH"_s, &g.scrollerSfH},
                                                    {u"scrollerSfV"_s, &g.scrollerSfV}};
    for (const auto &[name, field] : integers)
      actions.insert(name, [target = field](auto &w) { *target = numbers(w).value(0); });
    play(input, actions, [](const QString &) {});
    compareWithGolden(input, dumpOf(TKivTabLayout(g), first, points));
  }

  void tabScripts_data() { addGoldenRows(u"tabscripts"_s); }
  // Steps edit the tabs, select, press keys and click ("click <tab> [x,y]": its
  // centre, or a point from its top left corner, a negative y counting from its
  // bottom) on a strip that "tabs <captions> selected <index>" makes afresh. The
  // dump repeats each step with the tabs and the events after it.
  void tabScripts() {
    QFETCH(QString, input);
    std::unique_ptr<TScriptedStrip> t;
    QString dump;
    const auto list = [&]() -> TKivTabsList & { return t->strip->TabsList(); };
    const auto n = [](const QStringList &w, qsizetype k = 0) { return w.value(k).toInt(); };
    const Actions actions{
        {u"tabs"_s,
         [&](auto &w) {
           t.reset(); // one window at a time, so that the new one takes the focus
           t = std::make_unique<TScriptedStrip>(w.mid(0, w.size() - 2),
                                                w.value(w.size() - 1).toInt());
         }},
        {u"add"_s, [&](auto &w) { t->events << u"Add returned %1"_s.arg(list().Add(w.value(0))); }},
        {u"add-strings"_s, [&](auto &w) { list().AddStrings(w); }},
        {u"insert"_s, [&](auto &w) { list().Insert(n(w), w.value(1)); }},
        {u"delete"_s, [&](auto &w) { list().Delete(n(w)); }},
        {u"clear"_s, [&](auto &) { list().Clear(); }},
        {u"exchange"_s, [&](auto &w) { list().Exchange(n(w), n(w, 1)); }},
        {u"put"_s, [&](auto &w) { list().Put(n(w), w.value(1)); }},
        {u"object"_s, [&](auto &w) { list().setObject(n(w), w.value(1)); }},
        {u"text"_s, [&](auto &w) { list().setText(n(w), w.value(1)); }},
        {u"select"_s, [&](auto &w) { t->strip->setTabIndex(n(w)); }},
        {u"hide"_s, [&](auto &w) { t->strip->setTabVisible(n(w), false); }},
        {u"disable"_s, [&](auto &w) { t->strip->setTabEnabled(n(w), false); }},
        {u"enable"_s, [&](auto &w) { t->strip->setTabEnabled(n(w), true); }},
        {u"loading"_s, [&](auto &w) { t->strip->setLoading(w.value(0) == u"on"); }},
        {u"hot-track"_s, [&](auto &w) { t->strip->setHotTrack(w.value(0) == u"on"); }},
        {u"veto"_s, [&](auto &) { t->veto = true; }},
        {u"focus-strip"_s, [&](auto &) { t->strip->setFocus(); }},
        {u"focus-after"_s, [&](auto &) { t->after->setFocus(); }},
        {u"press"_s, [&](auto &w) { QTest::keySequence(QApplication::focusWidget(), w.value(0)); }},
        {u"click"_s,
         [&](auto &w) {
           const QRect r = t->strip->titleRect(n(w));
           const QList<int> d = numbers(w.mid(1));
           const int y = d.value(1) < 0 ? r.bottom() + 1 + d.value(1) : r.top() + d.value(1);
           QTest::mouseClick(t->strip, Qt::LeftButton, {},
                             d.isEmpty() ? r.center() : QPoint(r.left() + d.value(0), y));
         }},
        // A key handler that hears every key and cancels the one named.
        {u"cancel"_s, [&](auto &w) {
           t->strip->OnKeyDown = [&t, cancel = QKeySequence(w.value(0))[0].key()](auto *, int &k,
                                                                                  auto) {
             t->events << u"OnKeyDown "_s + QKeySequence(k).toString();
             k = k == cancel ? 0 : k;
           };
         }}};
    play(input, actions, [&](const QString &line) { dump += line + u'\n' + t->dump(); });
    compareWithGolden(input, dump);
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

QTEST_MAIN(TestComponents)
#include "tst_Components.moc"
