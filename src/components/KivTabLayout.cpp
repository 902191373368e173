#include "components/KivTabLayout.h"

#include <algorithm>
#include <utility>

TKivTabLayout::TKivTabLayout(TKivTabGeometry geometry) : FGeometry(std::move(geometry)) {
  FGeometry.visible.resize(count(), true);
  for (int i = 0; i < count(); ++i) {
    if (isVisible(i))
      FWidestText = std::max(FWidestText, FGeometry.textWidths.at(i));
  }
}

bool TKivTabLayout::isVertical() const {
  return FGeometry.position == etpLeft || FGeometry.position == etpRight;
}

bool TKivTabLayout::isVisible(int index) const {
  return index >= 0 && index < count() && FGeometry.visible.at(index);
}

// The text band: caption height plus padding, and room for an image above or
// below the caption. Oblique and trapeze tabs slant over this length.
int TKivTabLayout::slant() const {
  const TKivTabGeometry &g = FGeometry;
  int h = g.textHeight + 2 * g.spacingV;
  if (!g.imageSize.isEmpty()) {
    if (g.imagesPosition == eipTop || g.imagesPosition == eipBottom)
      h += g.imageSize.height() + g.imagesSpacing;
    h = std::max(h, g.imageSize.height() + 2 * g.spacingV);
  }
  return h;
}

namespace {

int captionLength(const TKivTabGeometry &g, int textWidth) {
  int w = textWidth + 2 * g.spacingH;
  if (!g.imageSize.isEmpty()) {
    if (g.imagesPosition == eipLeft || g.imagesPosition == eipRight)
      w += g.imageSize.width() + g.imagesSpacing;
    w = std::max(w, g.imageSize.width() + 2 * g.spacingH);
  }
  return w;
}

} // namespace

int TKivTabLayout::bandDepth() const {
  return isVertical() ? captionLength(FGeometry, FWidestText) : slant();
}

int TKivTabLayout::baseLength(int index) const {
  if (isVertical())
    return slant();
  return captionLength(FGeometry, FGeometry.textWidths.value(index));
}

int TKivTabLayout::tabLength(int index) const {
  return baseLength(index) + (FGeometry.style == etsTrapeze ? slant() : 0);
}

int TKivTabLayout::advance() const {
  switch (FGeometry.style) {
  case etsRectangular:
    return FGeometry.tabsSpacing;
  case etsObliqueRectangular:
    return slant() / 2;
  case etsTrapeze:
    return slant();
  }
  return 0;
}

int TKivTabLayout::tabPosition(int first, int index) const {
  int position = FGeometry.firstShift;
  for (int k = std::max(first, 0); k < index; ++k) {
    if (isVisible(k))
      position += baseLength(k) + advance();
  }
  return position;
}

int TKivTabLayout::farEdge(int first, int index) const {
  const int overhang = FGeometry.style == etsRectangular ? 0 : slant();
  return tabPosition(first, index) + tabLength(index) + overhang;
}

int TKivTabLayout::alongExtent() const {
  return isVertical() ? FGeometry.area.height() : FGeometry.area.width();
}

int TKivTabLayout::acrossExtent() const {
  return isVertical() ? FGeometry.area.width() : FGeometry.area.height();
}

QPoint TKivTabLayout::map(int along, int across) const {
  switch (FGeometry.position) {
  case etpTop:
    return {along, across};
  case etpBottom:
    return {along, acrossExtent() - across};
  case etpLeft:
    return {across, along};
  case etpRight:
    return {acrossExtent() - across, along};
  }
  return {};
}

QRect TKivTabLayout::mapRect(int along, int across, int length, int depth) const {
  switch (FGeometry.position) {
  case etpTop:
    return {along, across, length, depth};
  case etpBottom:
    return {along, acrossExtent() - across - depth, length, depth};
  case etpLeft:
    return {across, along, depth, length};
  case etpRight:
    return {acrossExtent() - across - depth, along, depth, length};
  }
  return {};
}

QRect TKivTabLayout::tabRect(int first, int index) const {
  return mapRect(tabPosition(first, index), 0, tabLength(index), bandDepth());
}

QRect TKivTabLayout::titleRect(int first, int index) const {
  // A trapeze's caption sits between its two slants.
  const int shift = FGeometry.style == etsTrapeze ? slant() / 2 : 0;
  return mapRect(tabPosition(first, index) + shift, 0, tabLength(index), bandDepth());
}

QPolygon TKivTabLayout::tabShape(int first, int index) const {
  const int x = tabPosition(first, index);
  const int w = tabLength(index);
  const int d = bandDepth();
  const int s = slant();
  QList<QPoint> points;
  switch (FGeometry.style) {
  case etsRectangular:
    points = {{x, d},         {x, 2},         {x + 1, 1}, {x + 2, 0},
              {x + w - 2, 0}, {x + w - 1, 1}, {x + w, 2}, {x + w, d}};
    break;
  case etsObliqueRectangular:
    points = {{x, d}, {x, 2}, {x + 1, 1}, {x + 2, 0}, {x + w, 0}, {x + w + s, d}, {x, d}, {x, d}};
    break;
  case etsTrapeze:
    points = {{x, d}, {x + s, 0}, {x + w, 0}, {x + w + s, d}, {x, d}, {x, d}, {x, d}, {x, d}};
    break;
  }
  QPolygon shape;
  for (const QPoint &p : points)
    shape.append(map(p.x(), p.y()));
  return shape;
}

int TKivTabLayout::lastInRange(int first) const {
  const TKivTabGeometry &g = FGeometry;
  const int scroller = 2 * g.scrollerBtnSize + (isVertical() ? g.scrollerSfV : g.scrollerSfH);
  int last = first;
  for (int i = first; i < count(); ++i) {
    if (isVisible(i) && farEdge(first, i) + scroller > alongExtent() && i > first)
      break;
    last = i;
  }
  return last;
}

int TKivTabLayout::rangeHolding(int first, int selected) const {
  first = std::clamp(first, 0, std::max(count() - 1, 0));
  if (selected < 0 || selected >= count())
    return first;
  while (selected > lastInRange(first))
    ++first;
  return std::min(first, selected);
}

bool TKivTabLayout::holdsAll(int first) const {
  const int last = lastInRange(first);
  for (int i = 0; i < count(); ++i) {
    if ((i < first || i > last) && isVisible(i))
      return false;
  }
  return true;
}

int TKivTabLayout::nextVisible(int index, int last) const {
  for (int i = index + 1; i <= last; ++i) {
    if (isVisible(i))
      return i;
  }
  return -1;
}

int TKivTabLayout::tabAt(const QPoint &point, int first, int selected,
                         const TShapeAdjust &adjust) const {
  const auto regionOf = [&](int index) {
    QPolygon shape = tabShape(first, index);
    if (adjust)
      adjust(index, shape);
    return QRegion(shape);
  };
  const int last = lastInRange(first);
  for (int i = std::max(first, 0); i <= last && i < count(); ++i) {
    if (!isVisible(i))
      continue;
    QRegion region = regionOf(i);
    const int next = nextVisible(i, last);
    // A neighbour on the right is painted over this tab's slant.
    if (i != selected && next != -1)
      region -= regionOf(next);
    if (region.contains(point))
      return i;
  }
  return -1;
}

QRect TKivTabLayout::pageRect() const {
  const int d = bandDepth();
  return mapRect(0, d, alongExtent(), acrossExtent() - d);
}

QRect TKivTabLayout::scrollerRect() const {
  const TKivTabGeometry &g = FGeometry;
  const int size = g.scrollerBtnSize;
  const int along = alongExtent() - 2 * size - (isVertical() ? g.scrollerSfV : g.scrollerSfH);
  const int across =
      std::max(0, (bandDepth() - size) / 2) + (isVertical() ? g.scrollerSfH : g.scrollerSfV);
  return mapRect(along, across, 2 * size, size);
}
