#include "components/KivGroupBox.h"

#include <QAccessible>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

using Properties = QList<std::pair<const char *, QVariant>>;
using Check = std::function<void()>;
Q_DECLARE_METATYPE(Check)

namespace {
const QColor Parent(0x10, 0x60, 0x10), Own(0xC8, 0xC8, 0xC8), Shadow(0x50, 0x50, 0x50),
    Light(0xFF, 0xFF, 0xF0), Text(0xFF, 0x00, 0x00), Simple(0x00, 0x00, 0xFF);
const QString Caption = u" Сайт "_s;

// A box on a differently coloured window, in colours that cannot be mixed up
// and an unsmoothed font, so that glyphs use exact colours.
struct Scene {
  QWidget window;
  TKivGroupBox *box = new TKivGroupBox(&window);

  explicit Scene(const Properties &properties) {
    window.setPalette(QPalette(Parent, Parent));
    box->setPalette(QPalette(Text, Own, Light, Shadow, Own, Text, Light, Own, Own));
    QFont f;
    f.setPixelSize(14);
    f.setStyleStrategy(QFont::NoAntialias);
    box->setFont(f);
    box->setColorSimpleFrame(Simple);
    box->setGeometry(0, 0, 200, 60);
    for (const auto &[name, value] : properties)
      QVERIFY(box->setProperty(name, value));
  }
  QImage render(int dpr = 1) const {
    QImage image(box->size() * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    box->render(&image);
    return image;
  }
};

// Layouts place the controls inside the frame's lines and below the caption.
Check clientArea(const Properties &properties, int inset) {
  return [=] {
    Scene scene(properties);
    const int caption = scene.box->Caption().isEmpty() ? 0 : scene.box->fontMetrics().height();
    QCOMPARE(scene.box->contentsRect(),
             scene.box->rect().adjusted(inset, inset + caption, -inset, -inset));
  };
}

// Negative coordinates count from the right or bottom edge. At a device pixel
// ratio of 2 the whole 2 x 2 block must have the colour.
Check pixel(const Properties &properties, QPoint at, QColor color) {
  return [=] {
    Scene scene(properties);
    const int x = at.x() < 0 ? scene.box->width() + at.x() : at.x();
    const int y = at.y() < 0 ? scene.box->height() + at.y() : at.y();
    for (int dpr : {1, 2}) {
      const QImage image = scene.render(dpr);
      for (int d = 0; d < dpr * dpr; ++d)
        QCOMPARE(image.pixelColor(x * dpr + d % dpr, y * dpr + d / dpr), color);
    }
  };
}

// The caption's background cuts the frame's top line `gap` pixels from the
// left edge, or from the right one when negative, or centred when 0. Enabled,
// the caption is in the text colour; disabled, embossed in light and shadow.
Check caption(Properties properties, int gap) {
  return [=] {
    Scene scene(properties + Properties{{"Caption", Caption}});
    const QImage image = scene.render();
    const int width = scene.box->width(), lineHeight = scene.box->fontMetrics().height();
    int first = -1, end = -1;
    for (int x = scene.box->Radius(); x < width - scene.box->Radius(); ++x)
      if (image.pixelColor(x, lineHeight / 2 - 1) != Shadow) {
        first = first < 0 ? x : first;
        end = x + 1;
      }
    // The padding spaces are cleared too; the extent rounds a fractional advance up.
    const int extra = end - first - scene.box->fontMetrics().horizontalAdvance(Caption);
    QVERIFY2(extra == 0 || extra == 1, qPrintable(QString::number(extra)));
    QCOMPARE(first, gap > 0   ? gap
                    : gap < 0 ? width + gap - (end - first)
                              : (width - end + first) / 2);
    QSet<QRgb> colors;
    for (int y = 0; y < lineHeight; ++y)
      for (int x = first; x < end; ++x)
        colors.insert(image.pixel(x, y));
    const bool enabled = scene.box->isEnabled();
    QCOMPARE(colors.contains(Text.rgb()), enabled);
    QCOMPARE(colors.contains(Light.rgb()), !enabled);
    QCOMPARE(colors.contains(Shadow.rgb()), !enabled);
  };
}
} // namespace

class TestKivGroupBox : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void cases_data() {
    QTest::addColumn<Check>("check");
    const Properties none, square{{"Radius", 0}};
    QTest::newRow("area: caption, etched") << clientArea({{"Caption", Caption}}, 2);
    QTest::newRow("area: caption, plain")
        << clientArea({{"Caption", Caption}, {"Ctl3D", false}}, 1);
    QTest::newRow("area: no caption, etched") << clientArea(none, 2);
    QTest::newRow("square corner") << pixel(square, {0, 0}, Shadow);
    QTest::newRow("square far corner") << pixel(square, {-1, -1}, Light);
    QTest::newRow("rounded corner") << pixel(none, {0, 0}, Parent);
    QTest::newRow("left inner line") << pixel(none, {1, 30}, Light);
    QTest::newRow("plain far corner") << pixel({{"Radius", 0}, {"Ctl3D", false}}, {-1, -1}, Simple);
    const int right = Qt::AlignRight, centre = Qt::AlignHCenter, rightToLeft = Qt::RightToLeft;
    QTest::newRow("caption left") << caption(none, 12);
    QTest::newRow("caption left, radius 0") << caption(square, 8);
    QTest::newRow("caption right") << caption({{"Alignment", right}}, -12);
    QTest::newRow("caption centred") << caption({{"Alignment", centre}}, 0);
    QTest::newRow("caption centred, right to left")
        << caption({{"Alignment", centre}, {"layoutDirection", rightToLeft}}, -12);
    QTest::newRow("caption disabled") << caption({{"enabled", false}}, 12);
  }
  void cases() {
    QFETCH(Check, check);
    check();
  }

  // Only the box's own Enabled is handed on: re-enabling the window leaves a
  // control disabled on its own disabled, re-enabling the box enables it.
  void enablingReachesEveryControl() {
    Scene scene({});
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

  // Named by the caption without its padding, unless given a name of its own.
  void accessibleGroupIsNamedByCaption() {
    Scene scene({{"Caption", Caption}});
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(scene.box);
    QVERIFY(face && face->role() == QAccessible::Grouping);
    QCOMPARE(face->text(QAccessible::Name), u"Сайт"_s);
    scene.box->setAccessibleName(u"Реклама"_s);
    QCOMPARE(face->text(QAccessible::Name), u"Реклама"_s);
  }
};

QTEST_MAIN(TestKivGroupBox)
#include "tst_KivGroupBox.moc"
