#pragma once

#include <QList>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QSize>

#include <functional>

enum TKivTabsPosition { etpTop, etpLeft, etpRight, etpBottom };
enum TKivTabsStyle { etsRectangular, etsObliqueRectangular, etsTrapeze };
enum TKivImagesPosition { eipTop, eipLeft, eipRight, eipBottom };

// Everything the tab geometry depends on, measured beforehand, so that the
// geometry itself needs neither a window nor a font.
struct TKivTabGeometry {
  TKivTabsPosition position = etpTop;
  TKivTabsStyle style = etsObliqueRectangular;
  int tabsSpacing = 2;
  int spacingH = 8;
  int spacingV = 4;
  int firstShift = 0;
  QSize imageSize; // empty without images
  TKivImagesPosition imagesPosition = eipLeft;
  int imagesSpacing = 4;
  int scrollerBtnSize = 17;
  int scrollerSfH = 0;
  int scrollerSfV = 0;
  QSize area; // the strip's client area less its border
  int textHeight = 0;
  QList<int> textWidths; // one per tab, captions measured without "&"
  QList<bool> visible;   // one per tab
};

// Lays tabs out along one side of the area. Positions along the row are
// "along", distances from the outer edge towards the page are "across"; the
// four sides are the same layout turned or mirrored.
class TKivTabLayout {
public:
  explicit TKivTabLayout(TKivTabGeometry geometry);

  const TKivTabGeometry &geometry() const { return FGeometry; }
  int count() const { return static_cast<int>(FGeometry.textWidths.size()); }
  bool isVertical() const;
  bool isVisible(int index) const;

  // Depth of the tab band: the row height, or the column width.
  int bandDepth() const;
  // Length of the slanted part of oblique and trapeze tabs.
  int slant() const;
  int tabLength(int index) const;
  int tabPosition(int first, int index) const;
  QRect tabRect(int first, int index) const;
  QRect titleRect(int first, int index) const;
  // The eight points of a tab's outline; the open side faces the page.
  QPolygon tabShape(int first, int index) const;

  // The last tab of the range that starts at `first`: at least `first`.
  int lastInRange(int first) const;
  // The first tab of a range moved one tab at a time until it holds `selected`.
  int rangeHolding(int first, int selected) const;
  bool holdsAll(int first) const;

  // The tab under `point`, or -1. Shapes pass through `adjust` first.
  using TShapeAdjust = std::function<void(int index, QPolygon &shape)>;
  int tabAt(const QPoint &point, int first, int selected, const TShapeAdjust &adjust = {}) const;

  QRect pageRect() const;
  QRect scrollerRect() const;

private:
  int baseLength(int index) const;
  int advance() const;
  int farEdge(int first, int index) const;
  int alongExtent() const;
  int acrossExtent() const;
  QPoint map(int along, int across) const;
  QRect mapRect(int along, int across, int length, int depth) const;
  int nextVisible(int index, int last) const;

  TKivTabGeometry FGeometry;
  int FWidestText = 0;
};
