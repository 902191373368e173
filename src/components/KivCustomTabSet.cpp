#include "components/KivCustomTabSet.h"

#include "components/KivGraphicsUtils.h"
#include "components/KivTabSetAccessible.h"
#include "components/KivTabSetScroller.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

QString withoutAmpersands(QString caption) {
  return caption.remove(u'&');
}

// The accelerator letter of a caption: the one after a single "&".
QChar acceleratorOf(const QString &caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption.at(i) != u'&')
      continue;
    if (caption.at(i + 1) != u'&')
      return caption.at(i + 1).toLower();
    ++i;
  }
  return {};
}

void clipTo(QPainter &canvas, const QRegion &region) {
  canvas.setClipRegion(region, canvas.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

// The gradient runs from the outer edge of the band towards the page,
// whichever side the tabs are on.
TGradientCustom orientedGradient(const TGradientCustom &gradient, TKivTabsPosition position,
                                 QWidget *owner) {
  TGradientCustom oriented(gradient);
  oriented.setOwner(nullptr);
  if (gradient.GradientMode() == fdTopToBottom) {
    switch (position) {
    case etpTop:
      break;
    case etpBottom:
      oriented.setGradientMode(fdBottomToTop);
      break;
    case etpLeft:
      oriented.setGradientMode(fdLeftToRight);
      break;
    case etpRight:
      oriented.setGradientMode(fdRightToLeft);
      break;
    }
  }
  oriented.setOwner(owner);
  return oriented;
}

} // namespace

TKivCustomTabSet::TKivCustomTabSet(QWidget *parent)
    : QWidget(parent), FTabsList(this), FSelection(FTabsList),
      FTabsSelectCustomize(this, KivSystemColor::BtnShadow, KivSystemColor::BtnFace),
      FTabsNoSelectCustomize(this, KivSystemColor::BtnHighlight, KivSystemColor::BtnFace),
      FScroller(new TKivTabSetScroller(this)) {
  InstallKivTabSetAccessibility();
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(280, 192);
  FSelection.OnChanging = [this](int current, int next, bool &canChange) {
    if (OnChanging)
      OnChanging(this, current, next, canChange);
  };
  FSelection.OnSelecting = [this] { FHotTabIndex = -1; };
  FSelection.OnChanged = [this](int index) {
    announceSelection();
    if (OnChanged)
      OnChanged(this, index);
  };
  FSelection.OnRepaint = [this] { invalidate(); };
  connect(FScroller, &TKivTabSetScroller::previousClicked, this,
          [this] { setTabIndex(TabIndex() - 1); });
  connect(FScroller, &TKivTabSetScroller::nextClicked, this,
          [this] { setTabIndex(TabIndex() + 1); });
  updateMargins();
}

TKivCustomTabSet::~TKivCustomTabSet() {
  FSelection.setDestroying();
}

void TKivCustomTabSet::setTabIndex(int index) {
  FSelection.setTabIndex(index);
}

void TKivCustomTabSet::resetVisibleRange() {
  FFirstVisible = 0;
}

void TKivCustomTabSet::setRedrawSuspended(bool suspended) {
  FSelection.setRedrawSuspended(suspended);
}

void TKivCustomTabSet::tabsChanged() {
  if (FSelection.isRedrawSuspended())
    return;
  refreshShortcuts();
  updateMargins();
  invalidate();
  KivTabSetAccessibleChanged(this);
}

void TKivCustomTabSet::setTabVisible(int index, bool visible) {
  if (FTabsList.setVisible(index, visible) && OnTabVisibleChange)
    OnTabVisibleChange(this, index);
}

void TKivCustomTabSet::setTabEnabled(int index, bool enabled) {
  if (FTabsList.setEnabled(index, enabled) && OnTabEnabledChange)
    OnTabEnabledChange(this, index);
}

// --- properties ---------------------------------------------------------

template <typename T> static bool assign(T &field, const T &value) {
  if (field == value)
    return false;
  field = value;
  return true;
}

void TKivCustomTabSet::setTabsPosition(TKivTabsPosition position) {
  if (assign(FGeometry.position, position))
    layoutChanged();
}

void TKivCustomTabSet::setTabsStyle(TKivTabsStyle style) {
  if (assign(FGeometry.style, style))
    layoutChanged();
}

void TKivCustomTabSet::setTabsSpacing(int spacing) {
  if (assign(FGeometry.tabsSpacing, spacing))
    layoutChanged();
}

void TKivCustomTabSet::setTabsBorderWidth(int width) {
  if (assign(FTabsBorderWidth, std::max(width, 0)))
    layoutChanged();
}

void TKivCustomTabSet::setSpacingH(int spacing) {
  if (assign(FGeometry.spacingH, spacing))
    layoutChanged();
}

void TKivCustomTabSet::setSpacingV(int spacing) {
  if (assign(FGeometry.spacingV, spacing))
    layoutChanged();
}

void TKivCustomTabSet::setAlignment(Qt::Alignment alignment) {
  if (assign(FAlignment, alignment & Qt::AlignHorizontal_Mask))
    invalidate();
}

void TKivCustomTabSet::setFirstShift(int shift) {
  if (assign(FGeometry.firstShift, shift))
    layoutChanged();
}

void TKivCustomTabSet::setBorderColor(const TKivColor &color) {
  if (assign(FBorderColor, color))
    invalidate();
}

void TKivCustomTabSet::setEdgeBorders(TKivEdgeBorders borders) {
  if (assign(FEdgeBorders, borders)) {
    updateMargins();
    invalidate();
  }
}

void TKivCustomTabSet::setCtl3D(bool on) {
  if (assign(FCtl3D, on))
    invalidate();
}

void TKivCustomTabSet::setImages(const QList<QPixmap> &images) {
  FImages = images;
  FGeometry.imageSize =
      images.isEmpty() ? QSize() : images.first().deviceIndependentSize().toSize();
  layoutChanged();
}

void TKivCustomTabSet::setImagesPosition(TKivImagesPosition position) {
  if (assign(FGeometry.imagesPosition, position))
    layoutChanged();
}

void TKivCustomTabSet::setImagesSpacing(int spacing) {
  if (assign(FGeometry.imagesSpacing, spacing))
    layoutChanged();
}

void TKivCustomTabSet::setHotTrack(bool on) {
  if (assign(FHotTrack, on) && !on)
    clearHotTab();
}

void TKivCustomTabSet::setHotTrackColor(const TKivColor &color) {
  if (assign(FHotTrackColor, color))
    invalidate();
}

void TKivCustomTabSet::setMarkTabFocused(bool on) {
  if (assign(FMarkTabFocused, on))
    invalidate();
}

void TKivCustomTabSet::setScrollerBtnSize(int size) {
  if (assign(FGeometry.scrollerBtnSize, size))
    layoutChanged();
}

void TKivCustomTabSet::setScrollerSfH(int shift) {
  if (assign(FGeometry.scrollerSfH, shift))
    layoutChanged();
}

void TKivCustomTabSet::setScrollerSfV(int shift) {
  if (assign(FGeometry.scrollerSfV, shift))
    layoutChanged();
}

void TKivCustomTabSet::layoutChanged() {
  FFirstVisible = 0;
  updateMargins();
  invalidate();
}

void TKivCustomTabSet::invalidate() {
  FDirty = true;
  update();
}

// --- geometry -----------------------------------------------------------

TKivTabLayout TKivCustomTabSet::tabLayout() const {
  TKivTabGeometry geometry = FGeometry;
  const QFontMetrics metrics(font());
  const int border = 2 * FTabsBorderWidth;
  geometry.area = QSize(std::max(width() - border, 0), std::max(height() - border, 0));
  geometry.textHeight = metrics.height();
  for (int i = 0; i < FTabsList.count(); ++i) {
    geometry.textWidths.append(metrics.horizontalAdvance(withoutAmpersands(FTabsList.strings(i))));
    geometry.visible.append(FTabsList.state(i).Visible);
  }
  return TKivTabLayout(geometry);
}

int TKivCustomTabSet::lastVisibleTab() const {
  return tabLayout().lastInRange(FFirstVisible);
}

QPolygon TKivCustomTabSet::adjustedShape(const TKivTabLayout &layout, int index) const {
  QPolygon shape = layout.tabShape(FFirstVisible, index);
  if (OnTabGetRgn)
    OnTabGetRgn(const_cast<TKivCustomTabSet *>(this), shape);
  return shape;
}

int TKivCustomTabSet::tabAt(const QPoint &point) const {
  const TKivTabLayout layout = tabLayout();
  const auto adjust = [this](int, QPolygon &shape) {
    if (OnTabGetRgn)
      OnTabGetRgn(const_cast<TKivCustomTabSet *>(this), shape);
  };
  return layout.tabAt(point - areaOrigin(), FFirstVisible, TabIndex(), adjust);
}

QRect TKivCustomTabSet::tabRect(int index) const {
  return tabLayout().tabRect(FFirstVisible, index).translated(areaOrigin());
}

QRect TKivCustomTabSet::titleRect(int index) const {
  return tabLayout().titleRect(FFirstVisible, index).translated(areaOrigin());
}

// What of a tab is left to see once the tabs drawn after it are on top.
QRegion TKivCustomTabSet::visibleTabRegion(const TKivTabLayout &layout, int index) const {
  QRegion region(adjustedShape(layout, index));
  const int selected = TabIndex();
  const int last = layout.lastInRange(FFirstVisible);
  if (index != selected) {
    for (int next = index + 1; next <= last; ++next) {
      if (layout.isVisible(next)) {
        region -= QRegion(adjustedShape(layout, next));
        break;
      }
    }
    if (selected >= FFirstVisible && selected <= last && layout.isVisible(selected))
      region -= QRegion(adjustedShape(layout, selected));
  }
  return region;
}

void TKivCustomTabSet::updateMargins() {
  const TKivTabLayout layout = tabLayout();
  const int b = FTabsBorderWidth;
  const int d = layout.bandDepth();
  QMargins margins(b + (FEdgeBorders & ebLeft ? 1 : 0), b + (FEdgeBorders & ebTop ? 1 : 0),
                   b + (FEdgeBorders & ebRight ? 1 : 0), b + (FEdgeBorders & ebBottom ? 1 : 0));
  switch (FGeometry.position) {
  case etpTop:
    margins.setTop(b + d);
    break;
  case etpBottom:
    margins.setBottom(b + d);
    break;
  case etpLeft:
    margins.setLeft(b + d);
    break;
  case etpRight:
    margins.setRight(b + d);
    break;
  }
  if (contentsMargins() != margins)
    setContentsMargins(margins);
}

QSize TKivCustomTabSet::sizeHint() const {
  return QSize(280, 192).expandedTo(QWidget::sizeHint());
}

QSize TKivCustomTabSet::minimumSizeHint() const {
  const TKivTabLayout layout = tabLayout();
  const int band = layout.bandDepth() + 2 * FTabsBorderWidth + 2;
  const QSize least = layout.isVertical() ? QSize(band, 0) : QSize(0, band);
  return QWidget::minimumSizeHint().expandedTo(least);
}

// --- painting -----------------------------------------------------------

void TKivCustomTabSet::MakeTabVisible() {
  FFirstVisible = tabLayout().rangeHolding(FFirstVisible, TabIndex());
}

void TKivCustomTabSet::Paint(QPainter &canvas) {
  MakeTabVisible();
  const TKivTabLayout layout = tabLayout();
  canvas.fillRect(QRect(QPoint(), layout.geometry().area), palette().color(QPalette::Window));
  const int selected = TabIndex();
  const int last = layout.lastInRange(FFirstVisible);
  for (int i = FFirstVisible; i <= last && i < layout.count(); ++i) {
    if (i == selected || !layout.isVisible(i))
      continue;
    DrawTabBackground(canvas, layout, i);
    DrawTabImage(canvas, layout, i, i == FHotImageTab);
    DrawTabTitle(canvas, layout, i, i == FHotTabIndex);
  }
  DrawFrameEdges(canvas, layout);
  if (selected >= FFirstVisible && selected <= last && layout.isVisible(selected)) {
    DrawTabBackground(canvas, layout, selected);
    DrawTabImage(canvas, layout, selected, selected == FHotImageTab);
    DrawTabTitle(canvas, layout, selected, false);
    drawTabEdges(canvas, layout, selected, true);
  }
  if (OnPaint)
    OnPaint(this, canvas);
}

void TKivCustomTabSet::DrawTabBackground(QPainter &canvas, const TKivTabLayout &layout, int index) {
  const bool selected = index == TabIndex();
  const QRegion shape(adjustedShape(layout, index));
  canvas.save();
  clipTo(canvas, shape);
  const TGradientCustom &fill = selected ? FTabsSelectCustomize : FTabsNoSelectCustomize;
  FillGradient(canvas, shape.boundingRect(),
               orientedGradient(fill, FGeometry.position, const_cast<TKivCustomTabSet *>(this)));
  canvas.restore();
  if (!selected)
    drawTabEdges(canvas, layout, index, false);
}

// Outlines a tab along the pixels of its own shape, so that outline and fill
// always meet; the side that opens onto the page is left out.
void TKivCustomTabSet::drawTabEdges(QPainter &canvas, const TKivTabLayout &layout, int index,
                                    bool selected) {
  const QRegion shape(adjustedShape(layout, index));
  const QRegion leftTop = shape - (shape.translated(1, 0) & shape.translated(0, 1));
  const QRegion rightBottom = shape - (shape.translated(-1, 0) & shape.translated(0, -1));
  const QRect page = layout.pageRect();
  QRect open;
  switch (FGeometry.position) {
  case etpTop:
    open = QRect(page.left(), page.top() - 1, page.width(), 1);
    break;
  case etpBottom:
    open = QRect(page.left(), page.bottom() + 1, page.width(), 1);
    break;
  case etpLeft:
    open = QRect(page.left() - 1, page.top(), 1, page.height());
    break;
  case etpRight:
    open = QRect(page.right() + 1, page.top(), 1, page.height());
    break;
  }
  const QColor dark = FBorderColor.resolve(palette());
  const QColor light = selected && FCtl3D ? palette().color(QPalette::Light) : dark;
  canvas.save();
  clipTo(canvas, QRegion(QRect(QPoint(), layout.geometry().area)) - QRegion(open));
  for (const QRect &r : leftTop - rightBottom)
    canvas.fillRect(r, light);
  for (const QRect &r : rightBottom)
    canvas.fillRect(r, dark);
  canvas.restore();
}

void TKivCustomTabSet::DrawFrameEdges(QPainter &canvas, const TKivTabLayout &layout) {
  QRect frame = layout.pageRect();
  switch (FGeometry.position) {
  case etpTop:
    frame.setTop(frame.top() - 1);
    break;
  case etpBottom:
    frame.setBottom(frame.bottom() + 1);
    break;
  case etpLeft:
    frame.setLeft(frame.left() - 1);
    break;
  case etpRight:
    frame.setRight(frame.right() + 1);
    break;
  }
  const QColor dark = FBorderColor.resolve(palette());
  const QColor light = FCtl3D ? palette().color(QPalette::Light) : dark;
  if (FEdgeBorders & ebLeft)
    canvas.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), light);
  if (FEdgeBorders & ebTop)
    canvas.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), light);
  if (FEdgeBorders & ebRight)
    canvas.fillRect(QRect(frame.right(), frame.top(), 1, frame.height()), dark);
  if (FEdgeBorders & ebBottom)
    canvas.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), dark);
}

int TKivCustomTabSet::imageIndexOf(int index, bool hot) const {
  if (FImages.isEmpty())
    return -1;
  int image = index;
  if (OnTabGetImage)
    OnTabGetImage(const_cast<TKivCustomTabSet *>(this), index, image, hot);
  return image >= 0 && image < FImages.size() ? image : -1;
}

QRect TKivCustomTabSet::imageRect(const TKivTabLayout &layout, int index) const {
  const QRect r = layout.titleRect(FFirstVisible, index);
  const QSize s = FGeometry.imageSize;
  const QPoint centre = r.center();
  switch (FGeometry.imagesPosition) {
  case eipLeft:
    return {QPoint(r.left() + FGeometry.spacingH, centre.y() - s.height() / 2), s};
  case eipRight:
    return {QPoint(r.right() + 1 - FGeometry.spacingH - s.width(), centre.y() - s.height() / 2), s};
  case eipTop:
    return {QPoint(centre.x() - s.width() / 2, r.top() + FGeometry.spacingV), s};
  case eipBottom:
    return {QPoint(centre.x() - s.width() / 2, r.bottom() + 1 - FGeometry.spacingV - s.height()),
            s};
  }
  return {};
}

QRect TKivCustomTabSet::textRect(const TKivTabLayout &layout, int index) const {
  QRect r = layout.titleRect(FFirstVisible, index);
  if (FImages.isEmpty())
    return r;
  const int across = FGeometry.imageSize.width() + FGeometry.imagesSpacing;
  const int down = FGeometry.imageSize.height() + FGeometry.imagesSpacing;
  switch (FGeometry.imagesPosition) {
  case eipLeft:
    return r.adjusted(across, 0, 0, 0);
  case eipRight:
    return r.adjusted(0, 0, -across, 0);
  case eipTop:
    return r.adjusted(0, down, 0, 0);
  case eipBottom:
    return r.adjusted(0, 0, 0, -down);
  }
  return r;
}

void TKivCustomTabSet::DrawTabImage(QPainter &canvas, const TKivTabLayout &layout, int index,
                                    bool hot) {
  const int image = imageIndexOf(index, hot);
  if (image >= 0)
    canvas.drawPixmap(imageRect(layout, index).topLeft(), FImages.at(image));
}

void TKivCustomTabSet::DrawTabTitle(QPainter &canvas, const TKivTabLayout &layout, int index,
                                    bool hot) {
  const bool selected = index == TabIndex();
  QRect rect = textRect(layout, index);
  int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
  if (FAlignment & Qt::AlignLeft) {
    rect.setLeft(rect.left() + 2 * FGeometry.spacingV);
    flags |= Qt::AlignLeft;
  } else if (FAlignment & Qt::AlignRight) {
    rect.setRight(rect.right() - 2 * FGeometry.spacingV);
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignHCenter;
  }
  TKivTitleFont font{this->font(), hot ? FHotTrackColor.resolve(palette())
                                       : palette().color(QPalette::WindowText)};
  QString text = FTabsList.strings(index);
  bool canDraw = true;
  if (OnDrawTitle)
    OnDrawTitle(this, rect, hot, selected, font, text, flags, canDraw);
  if (!canDraw)
    return;
  const bool enabled = isEnabled() && FTabsList.state(index).Enabled;
  drawTitleText(canvas, rect, flags, font, text, enabled,
                FMarkTabFocused && hasFocus() && selected);
}

void TKivCustomTabSet::drawTitleText(QPainter &canvas, const QRect &rect, int flags,
                                     const TKivTitleFont &font, const QString &text, bool enabled,
                                     bool focusMark) {
  canvas.save();
  canvas.setFont(font.Font);
  if (enabled) {
    canvas.setPen(font.Color);
    canvas.drawText(rect, flags, text);
    if (focusMark) {
      QStyleOptionFocusRect option;
      option.initFrom(this);
      option.rect = canvas.boundingRect(rect, flags, text).adjusted(-2, -2, 2, 2);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &canvas, this);
    }
  } else {
    // Embossed, the classic look of a caption that cannot be chosen.
    canvas.setPen(palette().color(QPalette::Light));
    canvas.drawText(rect.translated(1, 1), flags, text);
    canvas.setPen(palette().color(QPalette::Dark));
    canvas.drawText(rect, flags, text);
  }
  canvas.restore();
}

void TKivCustomTabSet::renderBuffer() {
  const qreal ratio = devicePixelRatioF();
  const QSize area(std::max(width() - 2 * FTabsBorderWidth, 0),
                   std::max(height() - 2 * FTabsBorderWidth, 0));
  FDirty = false;
  if (area.isEmpty()) {
    FBuffer = QPixmap();
    return;
  }
  const QSize pixels = (QSizeF(area) * ratio).toSize();
  if (FBuffer.size() != pixels || FBuffer.devicePixelRatio() != ratio) {
    FBuffer = QPixmap(pixels);
    FBuffer.setDevicePixelRatio(ratio);
  }
  QPainter canvas(&FBuffer);
  canvas.setRenderHint(QPainter::Antialiasing, false);
  Paint(canvas);
}

void TKivCustomTabSet::placeScroller(const TKivTabLayout &layout) {
  if (layout.holdsAll(FFirstVisible)) {
    FScroller->hide();
    return;
  }
  FScroller->setVertical(layout.isVertical());
  FScroller->setButtonSize(FGeometry.scrollerBtnSize);
  FScroller->move(layout.scrollerRect().topLeft() + areaOrigin());
  FScroller->setStates(TabIndex() > 0, TabIndex() < FTabsList.count() - 1);
  FScroller->show();
  FScroller->raise();
}

void TKivCustomTabSet::paintEvent(QPaintEvent *event) {
  const bool stale = FBuffer.isNull() || FBuffer.devicePixelRatio() != devicePixelRatioF();
  if (FDirty || stale) {
    renderBuffer();
    placeScroller(tabLayout());
  }
  QPainter painter(this);
  if (FTabsBorderWidth > 0) {
    QRegion border(rect());
    border -= QRect(areaOrigin(), FBuffer.deviceIndependentSize().toSize());
    for (const QRect &r : border & event->region())
      painter.fillRect(r, palette().color(QPalette::Window));
  }
  if (!FBuffer.isNull())
    painter.drawPixmap(areaOrigin(), FBuffer);
}

void TKivCustomTabSet::redrawTab(int index, bool hot) {
  if (FDirty || FBuffer.isNull()) {
    update();
    return;
  }
  const TKivTabLayout layout = tabLayout();
  const int last = layout.lastInRange(FFirstVisible);
  if (index < FFirstVisible || index > last || !layout.isVisible(index))
    return;
  const QRegion clip = visibleTabRegion(layout, index) & layout.titleRect(FFirstVisible, index);
  QPainter canvas(&FBuffer);
  canvas.setClipRegion(clip);
  DrawTabBackground(canvas, layout, index);
  DrawTabImage(canvas, layout, index, index == FHotImageTab);
  DrawTabTitle(canvas, layout, index, hot);
  DrawFrameEdges(canvas, layout);
  canvas.end();
  update(clip.translated(areaOrigin()));
}

// --- mouse and keyboard --------------------------------------------------

bool TKivCustomTabSet::tracksKeys() const {
  return FHotTrack && isEnabled() && FTabsList.count() > 0;
}

bool TKivCustomTabSet::inTabBand(const QPoint &point) const {
  const TKivTabLayout layout = tabLayout();
  const QSize area = layout.geometry().area;
  const int d = layout.bandDepth();
  switch (FGeometry.position) {
  case etpTop:
    return point.y() < d;
  case etpBottom:
    return point.y() >= area.height() - d;
  case etpLeft:
    return point.x() < d;
  case etpRight:
    return point.x() >= area.width() - d;
  }
  return false;
}

void TKivCustomTabSet::mousePressEvent(QMouseEvent *event) {
  if (focusPolicy() & Qt::ClickFocus)
    setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton) {
    const QPoint point = event->position().toPoint();
    const int tab = tabAt(point);
    if (tab >= 0) {
      bool select = true;
      const TKivTabLayout layout = tabLayout();
      if (imageIndexOf(tab, false) >= 0 && imageRect(layout, tab).contains(point - areaOrigin()) &&
          OnTabImageMouseDown)
        OnTabImageMouseDown(this, tab, select);
      if (select && FTabsList.state(tab).Enabled)
        setTabIndex(tab);
    }
  }
  QWidget::mousePressEvent(event);
}

void TKivCustomTabSet::mouseMoveEvent(QMouseEvent *event) {
  QWidget::mouseMoveEvent(event);
  if (!tracksKeys())
    return;
  if (FKeyboardSelected) {
    FKeyboardSelected = false;
    FHotTabIndex = -1;
    return;
  }
  const QPoint point = event->position().toPoint();
  if (!inTabBand(point - areaOrigin())) {
    clearHotTab();
    return;
  }
  const int tab = tabAt(point);
  if (FHotTabIndex != -1 && FHotTabIndex != tab) {
    clearHotTab();
    return;
  }
  if (tab == -1 || tab == TabIndex() || !FTabsList.isSelectable(tab))
    return;
  if (FHotTabIndex != tab)
    setHotTab(tab);
  const bool onImage =
      imageIndexOf(tab, false) >= 0 && imageRect(tabLayout(), tab).contains(point - areaOrigin());
  const int imageTab = onImage ? tab : -1;
  if (imageTab != FHotImageTab) {
    FHotImageTab = imageTab;
    redrawTab(tab, true);
  }
}

void TKivCustomTabSet::leaveEvent(QEvent *event) {
  clearHotTab();
  QWidget::leaveEvent(event);
}

void TKivCustomTabSet::setHotTab(int index) {
  FHotTabIndex = index;
  redrawTab(index, true);
}

void TKivCustomTabSet::clearHotTab() {
  const int old = FHotTabIndex;
  FHotImageTab = -1;
  FHotTabIndex = -1;
  if (old >= 0 && old < FTabsList.count())
    redrawTab(old, false);
}

void TKivCustomTabSet::selectFromKeyboard(int index) {
  FKeyboardSelected = true;
  setTabIndex(index);
}

void TKivCustomTabSet::keyPressEvent(QKeyEvent *event) {
  if (!tracksKeys()) {
    QWidget::keyPressEvent(event);
    return;
  }
  int key = event->key();
  if (OnKeyDown) {
    OnKeyDown(this, key, event->modifiers());
    if (key == 0) {
      event->accept();
      return;
    }
  }
  const int current = TabIndex();
  const int last = FTabsList.count() - 1;
  switch (key) {
  case Qt::Key_Left:
  case Qt::Key_Up:
    if (current > 0)
      selectFromKeyboard(current - 1);
    break;
  case Qt::Key_Right:
  case Qt::Key_Down:
    if (current < last)
      selectFromKeyboard(current + 1);
    break;
  case Qt::Key_Home:
    if (current != 0)
      selectFromKeyboard(0);
    break;
  case Qt::Key_End:
    if (current != last)
      selectFromKeyboard(last);
    break;
  default:
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
}

// Tab walks the tabs before it walks the focus on, but never traps it: when
// no further tab can be chosen, the focus moves as usual.
bool TKivCustomTabSet::handleTabKey(QKeyEvent *event) {
  if (!tracksKeys() || event->key() != Qt::Key_Tab ||
      (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
    return false;
  int key = event->key();
  if (OnKeyDown) {
    OnKeyDown(this, key, event->modifiers());
    if (key == 0)
      return true;
  }
  const int before = TabIndex();
  if (before >= FTabsList.count() - 1)
    return false;
  selectFromKeyboard(before + 1);
  return TabIndex() != before;
}

void TKivCustomTabSet::refreshShortcuts() {
  const QStringList captions = FTabsList.captions();
  if (captions == FShortcutCaptions)
    return;
  FShortcutCaptions = captions;
  for (auto it = FShortcuts.cbegin(); it != FShortcuts.cend(); ++it)
    releaseShortcut(it.key());
  FShortcuts.clear();
  QList<QChar> letters;
  for (const QString &caption : captions) {
    const QChar letter = acceleratorOf(caption);
    if (letter.isNull() || letters.contains(letter))
      continue;
    letters.append(letter);
    const int id = grabShortcut(
        QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(QChar(letter).toUpper().unicode()))));
    FShortcuts.insert(id, letter);
  }
}

bool TKivCustomTabSet::handleShortcut(int id) {
  const QChar letter = FShortcuts.value(id);
  for (int i = 0; i < FTabsList.count(); ++i) {
    if (acceleratorOf(FTabsList.strings(i)) == letter) {
      setFocus(Qt::ShortcutFocusReason);
      setTabIndex(i);
      return true;
    }
  }
  return false;
}

bool TKivCustomTabSet::event(QEvent *event) {
  switch (event->type()) {
  case QEvent::KeyPress:
    if (handleTabKey(static_cast<QKeyEvent *>(event))) {
      event->accept();
      return true;
    }
    break;
  case QEvent::Shortcut: {
    const auto *shortcut = static_cast<QShortcutEvent *>(event);
    if (FShortcuts.contains(shortcut->shortcutId()))
      return handleShortcut(shortcut->shortcutId());
    break;
  }
  default:
    break;
  }
  return QWidget::event(event);
}

void TKivCustomTabSet::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  FFirstVisible = 0;
  invalidate();
}

void TKivCustomTabSet::changeEvent(QEvent *event) {
  switch (event->type()) {
  case QEvent::FontChange:
    layoutChanged();
    break;
  case QEvent::PaletteChange:
  case QEvent::EnabledChange:
  case QEvent::StyleChange:
    invalidate();
    break;
  default:
    break;
  }
  QWidget::changeEvent(event);
}

void TKivCustomTabSet::focusInEvent(QFocusEvent *event) {
  QWidget::focusInEvent(event);
  invalidate();
  announceSelection();
}

void TKivCustomTabSet::focusOutEvent(QFocusEvent *event) {
  QWidget::focusOutEvent(event);
  invalidate();
}

void TKivCustomTabSet::announceSelection() {
  KivTabSetAccessibleSelected(this, TabIndex());
}
