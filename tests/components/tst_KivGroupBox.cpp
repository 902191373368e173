#include "components/KivGroupBox.h"

#include <QAccessible>
#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;

// Property names and values to set on the box.
using Properties = QList<std::pair<const char *, QVariant>>;
Q_DECLARE_METATYPE(Properties)

namespace {
const QColor Parent(0x10, 0x60, 0x10), Own(0xC8, 0xC8, 0xC8), Shadow(0x50, 0x50, 0x50),
    Light(0xFF, 0xFF, 0xF0), Text(0xFF, 0x00, 0x00), Simple(0x00, 0x00, 0xFF);
const QString Caption = u" Сайт "_s;

// A box on a differently coloured window, in colours that cannot be mixed up
// and an unsmoothed font, so that glyphs use exact colours.
struct Scene {
  Scene() {
    window.setPalette(QPalette(Parent, Parent));
    QPalette pal;
    pal.setColor(QPalette::Window, Own);
    pal.setColor(QPalette::WindowText, Text);
    pal.setColor(QPalette::Dark, Shadow);
    pal.setColor(QPalette::Light, Light);
    box->setPalette(pal);
    QFont f;
    f.setPixelSize(14);
    f.setStyleStrategy(QFont::NoAntialias);
    box->setFont(f);
    box->setColorSimpleFrame(Simple);
    box->setGeometry(0, 0, 200, 60);
  }
  // Sets the box's properties by name; false when one does not take.
  bool set(const Properties &properties) {
    return std::all_of(properties.begin(), properties.end(),
                       [this](const auto &p) { return box->setProperty(p.first, p.second); });
  }
  QImage render(int dpr = 1) const {
    QImage image(box->size() * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    box->render(&image);
    return image;
  }

  QWidget window;
  TKivGroupBox *box = new TKivGroupBox(&window);
};
} // namespace

class TestKivGroupBox : public QObject {
  Q_OBJECT

private Q_SLOTS:
  // Layouts place the controls in the contents rectangle.
  void clientArea_data() {
    QTest::addColumn<Properties>("properties");
    QTest::addColumn<int>("inset");
    QTest::newRow("caption, etched") << Properties{{"Caption", Caption}} << 2;
    QTest::newRow("caption, plain") << Properties{{"Caption", Caption}, {"Ctl3D", false}} << 1;
    QTest::newRow("no caption, etched") << Properties{} << 2;
  }
  void clientArea() {
    QFETCH(Properties, properties);
    QFETCH(int, inset);
    Scene scene;
    QVERIFY(scene.set(properties));
    const int captionLine = scene.box->Caption().isEmpty() ? 0 : scene.box->fontMetrics().height();
    QCOMPARE(scene.box->contentsRect(),
             scene.box->rect().adjusted(inset, inset + captionLine, -inset, -inset));
  }

  // Negative coordinates count from the right or bottom edge. At a device pixel
  // ratio of 2 the whole 2 x 2 block must have the colour.
  void framePixels_data() {
    QTest::addColumn<Properties>("properties");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("color");
    const Properties square{{"Radius", 0}};
    QTest::newRow("square corner") << square << QPoint(0, 0) << Shadow;
    QTest::newRow("square far corner") << square << QPoint(-1, -1) << Light;
    QTest::newRow("rounded corner") << Properties{} << QPoint(0, 0) << Parent;
    QTest::newRow("left inner line") << Properties{} << QPoint(1, 30) << Light;
    QTest::newRow("plain far corner")
        << Properties{{"Radius", 0}, {"Ctl3D", false}} << QPoint(-1, -1) << Simple;
  }
  void framePixels() {
    QFETCH(Properties, properties);
    QFETCH(QPoint, at);
    QFETCH(QColor, color);
    Scene scene;
    QVERIFY(scene.set(properties));
    const int x = at.x() < 0 ? scene.box->width() + at.x() : at.x();
    const int y = at.y() < 0 ? scene.box->height() + at.y() : at.y();
    for (int dpr : {1, 2}) {
      const QImage image = scene.render(dpr);
      for (int d = 0; d < dpr * dpr; ++d)
        QCOMPARE(image.pixelColor(x * dpr + d % dpr, y * dpr + d / dpr), color);
    }
  }

  // The caption's background cuts the frame's top line `gap` pixels from the
  // left edge, or from the right one when negative, or centred when 0. Enabled,
  // the caption is in the text colour; disabled, embossed in light and shadow.
  void caption_data() {
    QTest::addColumn<Properties>("properties");
    QTest::addColumn<int>("gap");
    const int right = Qt::AlignRight, centre = Qt::AlignHCenter, rightToLeft = Qt::RightToLeft;
    QTest::newRow("left") << Properties{} << 12;
    QTest::newRow("left, radius 0") << Properties{{"Radius", 0}} << 8;
    QTest::newRow("right") << Properties{{"Alignment", right}} << -12;
    QTest::newRow("centre") << Properties{{"Alignment", centre}} << 0;
    QTest::newRow("right to left, centre")
        << Properties{{"Alignment", centre}, {"layoutDirection", rightToLeft}} << -12;
    QTest::newRow("disabled") << Properties{{"enabled", false}} << 12;
  }
  void caption() {
    QFETCH(Properties, properties);
    QFETCH(int, gap);
    Scene scene;
    properties.append({"Caption", Caption});
    QVERIFY(scene.set(properties));
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
  }

  // Only the box's own Enabled is handed on: re-enabling the window leaves a
  // control disabled on its own disabled, re-enabling the box enables it.
  void enablingReachesEveryControl() {
    Scene scene;
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

  void accessibleGroupIsNamedByCaption() {
    Scene scene;
    scene.box->setCaption(Caption);
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(scene.box);
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::Grouping);
    QCOMPARE(face->text(QAccessible::Name), u"Сайт"_s); // without the padding
    scene.box->setAccessibleName(u"Реклама"_s);
    QCOMPARE(face->text(QAccessible::Name), u"Реклама"_s);
  }
};

QTEST_MAIN(TestKivGroupBox)
#include "tst_KivGroupBox.moc"
