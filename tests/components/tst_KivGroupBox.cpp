#include "components/KivGroupBox.h"

#include <QAccessible>
#include <QImage>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QColor Parent(0x10, 0x60, 0x10), Own(0xC8, 0xC8, 0xC8), Shadow(0x50, 0x50, 0x50),
    Light(0xFF, 0xFF, 0xF0), Text(0xFF, 0x00, 0x00), Simple(0x00, 0x00, 0xFF);

// A box on a differently coloured window, in colours that cannot be mixed up
// and an unsmoothed font, so that glyphs use exact colours.
struct Scene {
  Scene() {
    QPalette windowPalette;
    windowPalette.setColor(QPalette::Window, Parent);
    window.setPalette(windowPalette);
    QPalette pal;
    pal.setColor(QPalette::Window, Own);
    pal.setColor(QPalette::Dark, Shadow);
    pal.setColor(QPalette::Light, Light);
    pal.setColor(QPalette::WindowText, Text);
    box->setPalette(pal);
    QFont f;
    f.setPixelSize(14);
    f.setStyleStrategy(QFont::NoAntialias);
    box->setFont(f);
    box->setColorSimpleFrame(Simple);
    box->setGeometry(0, 0, 200, 60);
  }
  QImage render(int dpr = 1) const {
    QImage image(box->size() * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    box->render(&image);
    return image;
  }
  // Where the caption's background cuts the frame's top line: [first, end).
  std::pair<int, int> captionCut(const QImage &image) const {
    const int row = box->fontMetrics().height() / 2 - 1;
    int first = -1;
    int end = -1;
    for (int x = box->Radius(); x < image.width() - box->Radius(); ++x) {
      if (image.pixelColor(x, row) != Shadow) {
        first = first < 0 ? x : first;
        end = x + 1;
      }
    }
    return {first, end};
  }

  QWidget window;
  TKivGroupBox *box = new TKivGroupBox(&window);
};
} // namespace

class TestKivGroupBox : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void clientAreaFollowsCaptionFontAndCtl3D_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("ctl3D");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("inset");
    QTest::newRow("caption, etched") << u" Сайт "_s << true << 14 << 2;
    QTest::newRow("caption, plain") << u" Сайт "_s << false << 14 << 1;
    QTest::newRow("no caption, etched") << QString() << true << 14 << 2;
    QTest::newRow("caption, larger font") << u" Zentara "_s << true << 30 << 2;
  }
  // Starts from the defaults so that each change has to move the controls.
  void clientAreaFollowsCaptionFontAndCtl3D() {
    QFETCH(QString, caption);
    QFETCH(bool, ctl3D);
    QFETCH(int, pixelSize);
    QFETCH(int, inset);
    Scene scene;
    auto *layout = new QVBoxLayout(scene.box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *control = new QWidget;
    control->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(control);
    scene.box->setCaption(caption);
    scene.box->setCtl3D(ctl3D);
    QFont f = scene.box->font();
    f.setPixelSize(pixelSize);
    scene.box->setFont(f);
    layout->activate();

    const int captionLine = caption.isEmpty() ? 0 : QFontMetrics(f).height();
    const QRect expected = scene.box->rect().adjusted(inset, inset + captionLine, -inset, -inset);
    QCOMPARE(control->geometry(), expected);
  }

  // Negative coordinates count from the right or bottom edge; every device
  // pixel of the logical pixel must have the colour.
  void framePixels_data() {
    QTest::addColumn<int>("radius");
    QTest::addColumn<bool>("ctl3D");
    QTest::addColumn<int>("dpr");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("color");
    QTest::newRow("square corner") << 0 << true << 1 << QPoint(0, 0) << Shadow;
    QTest::newRow("square far corner") << 0 << true << 1 << QPoint(-1, -1) << Light;
    QTest::newRow("rounded corner") << 4 << true << 1 << QPoint(0, 0) << Parent;
    QTest::newRow("below rounded corner") << 4 << true << 1 << QPoint(0, 4) << Shadow;
    QTest::newRow("left inner") << 4 << true << 1 << QPoint(1, 30) << Light;
    QTest::newRow("right outer") << 4 << true << 1 << QPoint(-1, 30) << Light;
    QTest::newRow("bottom inner") << 4 << true << 1 << QPoint(100, -2) << Shadow;
    QTest::newRow("plain far corner") << 0 << false << 1 << QPoint(-1, -1) << Simple;
    QTest::newRow("plain inside") << 4 << false << 1 << QPoint(1, 30) << Own;
    QTest::newRow("2x left inner") << 4 << true << 2 << QPoint(1, 30) << Light;
    QTest::newRow("2x square far corner") << 0 << true << 2 << QPoint(-1, -1) << Light;
  }
  void framePixels() {
    QFETCH(int, radius);
    QFETCH(bool, ctl3D);
    QFETCH(int, dpr);
    QFETCH(QPoint, at);
    QFETCH(QColor, color);
    Scene scene;
    scene.box->setRadius(radius);
    scene.box->setCtl3D(ctl3D);
    const QImage image = scene.render(dpr);
    const int x = at.x() < 0 ? scene.box->width() + at.x() : at.x();
    const int y = at.y() < 0 ? scene.box->height() + at.y() : at.y();
    for (int dy = 0; dy < dpr; ++dy)
      for (int dx = 0; dx < dpr; ++dx)
        QCOMPARE(image.pixelColor(x * dpr + dx, y * dpr + dy), color);
  }

  // A gap of -1 is not checked; with neither checked the caption must be centred.
  void captionCutsFrameLine_data() {
    QTest::addColumn<int>("radius");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<int>("leftGap");
    QTest::addColumn<int>("rightGap");
    QTest::newRow("left, radius 4") << 4 << int(Qt::AlignLeft) << false << 12 << -1;
    QTest::newRow("left, radius 0") << 0 << int(Qt::AlignLeft) << false << 8 << -1;
    QTest::newRow("right, radius 4") << 4 << int(Qt::AlignRight) << false << -1 << 12;
    QTest::newRow("centre") << 4 << int(Qt::AlignHCenter) << false << -1 << -1;
    QTest::newRow("right to left, left") << 4 << int(Qt::AlignLeft) << true << -1 << 12;
    QTest::newRow("right to left, centre") << 4 << int(Qt::AlignHCenter) << true << -1 << 12;
  }
  void captionCutsFrameLine() {
    QFETCH(int, radius);
    QFETCH(int, alignment);
    QFETCH(bool, rightToLeft);
    QFETCH(int, leftGap);
    QFETCH(int, rightGap);
    Scene scene;
    scene.box->setCaption(u" Сайт "_s);
    scene.box->setRadius(radius);
    scene.box->setAlignment(Qt::Alignment(alignment));
    scene.box->setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);

    const auto [first, end] = scene.captionCut(scene.render());
    // The padding spaces are cleared too; the extent rounds a fractional advance up.
    const int advance = scene.box->fontMetrics().horizontalAdvance(scene.box->Caption());
    QVERIFY2(end - first >= advance && end - first <= advance + 1,
             qPrintable(u"cut %1..%2, caption %3 wide"_s.arg(first).arg(end).arg(advance)));
    const int measuredRightGap = scene.box->width() - end;
    if (leftGap >= 0)
      QCOMPARE(first, leftGap);
    if (rightGap >= 0)
      QCOMPARE(measuredRightGap, rightGap);
    if (leftGap < 0 && rightGap < 0)
      QVERIFY(qAbs(first - measuredRightGap) <= 1);
  }

  void disabledCaptionIsEmbossed_data() {
    QTest::addColumn<bool>("enabled");
    QTest::newRow("enabled") << true;
    QTest::newRow("disabled") << false;
  }
  void disabledCaptionIsEmbossed() {
    QFETCH(bool, enabled);
    Scene scene;
    scene.box->setCaption(u" Настройки программы "_s);
    scene.box->setEnabled(enabled);
    const QImage image = scene.render();
    const auto [first, end] = scene.captionCut(image);
    QSet<QRgb> colors;
    for (int y = 0; y < scene.box->fontMetrics().height(); ++y)
      for (int x = first; x < end; ++x)
        colors.insert(image.pixel(x, y));
    QCOMPARE(colors.contains(Text.rgb()), enabled);
    QCOMPARE(colors.contains(Light.rgb()), !enabled);
    QCOMPARE(colors.contains(Shadow.rgb()), !enabled);
  }

  void enablingReachesEveryControl_data() {
    QTest::addColumn<bool>("toggleBox");
    QTest::addColumn<bool>("selfDisabledAfter");
    QTest::newRow("box toggled") << true << true;
    QTest::newRow("window toggled") << false << false;
  }
  void enablingReachesEveryControl() {
    QFETCH(bool, toggleBox);
    QFETCH(bool, selfDisabledAfter);
    Scene scene;
    QWidget plain(scene.box);
    QWidget selfDisabled(scene.box);
    selfDisabled.setEnabled(false);
    QWidget *toggled = toggleBox ? static_cast<QWidget *>(scene.box) : &scene.window;

    toggled->setEnabled(false);
    QVERIFY(!plain.isEnabled());
    toggled->setEnabled(true);
    QVERIFY(plain.isEnabled());
    QCOMPARE(selfDisabled.isEnabled(), selfDisabledAfter);
  }

  void accessibleGroupIsNamedByCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<QString>("name");
    QTest::newRow("padded caption") << u" Сайт "_s << QString() << u"Сайт"_s;
    QTest::newRow("explicit name") << u" Zentara "_s << u"Реклама"_s << u"Реклама"_s;
  }
  void accessibleGroupIsNamedByCaption() {
    QFETCH(QString, caption);
    QFETCH(QString, accessibleName);
    QFETCH(QString, name);
    Scene scene;
    scene.box->setCaption(caption);
    scene.box->setAccessibleName(accessibleName);
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(scene.box);
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::Grouping);
    QCOMPARE(face->text(QAccessible::Name), name);
  }
};

QTEST_MAIN(TestKivGroupBox)
#include "tst_KivGroupBox.moc"
