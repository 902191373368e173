#pragma once

#include "components/KivColor.h"
#include "components/KivTabLayout.h"
#include "components/KivTabSelection.h"
#include "components/KivTabSetGradientCustom.h"
#include "components/KivTabsList.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>

class TKivTabSetScroller;

enum TKivEdgeBorder { ebLeft = 0x1, ebTop = 0x2, ebRight = 0x4, ebBottom = 0x8 };
Q_DECLARE_FLAGS(TKivEdgeBorders, TKivEdgeBorder)
Q_DECLARE_OPERATORS_FOR_FLAGS(TKivEdgeBorders)

// The font a tab title is drawn with; an OnDrawTitle handler may restyle it.
struct TKivTitleFont {
  QFont Font;
  QColor Color;
};

// An owner-drawn tab strip: tabs on any side in one of three shapes, filled
// with gradients, with hot tracking, keyboard and accelerator selection and a
// scroller when the tabs do not fit. Child widgets laid out on the strip get
// the page area below (or beside) the tab band.
class TKivCustomTabSet : public QWidget, public TKivTabsListOwner {
  Q_OBJECT
  Q_PROPERTY(int TabIndex READ TabIndex WRITE setTabIndex)
  Q_PROPERTY(bool HotTrack READ HotTrack WRITE setHotTrack)
  Q_PROPERTY(bool MarkTabFocused READ MarkTabFocused WRITE setMarkTabFocused)
public:
  explicit TKivCustomTabSet(QWidget *parent = nullptr);
  ~TKivCustomTabSet() override;

  // The tab under the mouse, -1 when none. Each strip has its own: hovering
  // one must not draw a hot tab in another.
  int hotTabIndex() const { return FHotTabIndex; }

  TKivTabsList &TabsList() { return FTabsList; }
  const TKivTabsList &TabsList() const { return FTabsList; }

  // TKivTabsListOwner
  int TabIndex() const override { return FSelection.TabIndex(); }
  void setTabIndex(int index) override;
  bool isLoading() const override { return FSelection.isLoading(); }
  bool selectsAddedTabs() const override { return FSelection.selectsAddedTabs(); }
  void resetVisibleRange() override;
  void setRedrawSuspended(bool suspended) override;
  void tabsChanged() override;

  void setLoading(bool loading) { FSelection.setLoading(loading); }
  void setTabVisible(int index, bool visible);
  void setTabEnabled(int index, bool enabled);

  TKivTabsPosition TabsPosition() const { return FGeometry.position; }
  void setTabsPosition(TKivTabsPosition position);
  TKivTabsStyle TabsStyle() const { return FGeometry.style; }
  void setTabsStyle(TKivTabsStyle style);
  int TabsSpacing() const { return FGeometry.tabsSpacing; }
  void setTabsSpacing(int spacing);
  int TabsBorderWidth() const { return FTabsBorderWidth; }
  void setTabsBorderWidth(int width);
  int SpacingH() const { return FGeometry.spacingH; }
  void setSpacingH(int spacing);
  int SpacingV() const { return FGeometry.spacingV; }
  void setSpacingV(int spacing);
  Qt::Alignment Alignment() const { return FAlignment; }
  void setAlignment(Qt::Alignment alignment);
  int FirstShift() const { return FGeometry.firstShift; }
  void setFirstShift(int shift);
  TKivColor BorderColor() const { return FBorderColor; }
  void setBorderColor(const TKivColor &color);
  TKivEdgeBorders EdgeBorders() const { return FEdgeBorders; }
  void setEdgeBorders(TKivEdgeBorders borders);
  bool Ctl3D() const { return FCtl3D; }
  void setCtl3D(bool on);
  TKivTabSetGradientCustom &TabsSelectCustomize() { return FTabsSelectCustomize; }
  TKivTabSetGradientCustom &TabsNoSelectCustomize() { return FTabsNoSelectCustomize; }
  QList<QPixmap> Images() const { return FImages; }
  void setImages(const QList<QPixmap> &images);
  TKivImagesPosition ImagesPosition() const { return FGeometry.imagesPosition; }
  void setImagesPosition(TKivImagesPosition position);
  int ImagesSpacing() const { return FGeometry.imagesSpacing; }
  void setImagesSpacing(int spacing);
  bool HotTrack() const { return FHotTrack; }
  void setHotTrack(bool on);
  TKivColor HotTrackColor() const { return FHotTrackColor; }
  void setHotTrackColor(const TKivColor &color);
  bool MarkTabFocused() const { return FMarkTabFocused; }
  void setMarkTabFocused(bool on);
  int ScrollerBtnSize() const { return FGeometry.scrollerBtnSize; }
  void setScrollerBtnSize(int size);
  int ScrollerSfH() const { return FGeometry.scrollerSfH; }
  void setScrollerSfH(int shift);
  int ScrollerSfV() const { return FGeometry.scrollerSfV; }
  void setScrollerSfV(int shift);

  // The geometry as it stands now, for painting, hit-testing and tests.
  TKivTabLayout tabLayout() const;
  int firstVisibleTab() const { return FFirstVisible; }
  int lastVisibleTab() const;
  int tabAt(const QPoint &point) const;
  // Where a tab and its title are, in widget coordinates.
  QRect tabRect(int index) const;
  QRect titleRect(int index) const;
  TKivTabSetScroller *scroller() const { return FScroller; }

  // Draws the whole strip again at the next paint, not only what was exposed.
  void invalidate();

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // Events, named and shaped like the strip's published events.
  std::function<void(TKivCustomTabSet *sender, int current, int next, bool &canChange)> OnChanging;
  std::function<void(TKivCustomTabSet *sender, int index)> OnChanged;
  std::function<void(TKivCustomTabSet *sender, int index)> OnTabVisibleChange;
  std::function<void(TKivCustomTabSet *sender, int index)> OnTabEnabledChange;
  std::function<void(TKivCustomTabSet *sender, QPolygon &points)> OnTabGetRgn;
  std::function<void(TKivCustomTabSet *sender, int pageIndex, int &imageIndex, bool hotImage)>
      OnTabGetImage;
  std::function<void(TKivCustomTabSet *sender, int pageIndex, bool &tabSelect)> OnTabImageMouseDown;
  std::function<void(TKivCustomTabSet *sender, const QRect &rect, bool focused, bool selected,
                     TKivTitleFont &font, QString &text, int flags, bool &canDraw)>
      OnDrawTitle;
  std::function<void(TKivCustomTabSet *sender, QPainter &canvas)> OnPaint;
  // Runs before the strip's own key handling; setting key to 0 cancels it.
  std::function<void(TKivCustomTabSet *sender, int &key, Qt::KeyboardModifiers modifiers)>
      OnKeyDown;

protected:
  // The strip's drawing steps, each open to a subclass.
  virtual void Paint(QPainter &canvas);
  virtual void MakeTabVisible();
  virtual void DrawTabBackground(QPainter &canvas, const TKivTabLayout &layout, int index);
  virtual void DrawFrameEdges(QPainter &canvas, const TKivTabLayout &layout);
  virtual void DrawTabTitle(QPainter &canvas, const TKivTabLayout &layout, int index, bool hot);
  virtual void DrawTabImage(QPainter &canvas, const TKivTabLayout &layout, int index, bool hot);

  bool event(QEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void changeEvent(QEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;

  void setSelectsAddedTabs(bool selects) { FSelection.setSelectsAddedTabs(selects); }
  QPoint areaOrigin() const { return {FTabsBorderWidth, FTabsBorderWidth}; }

private:
  void layoutChanged();
  void updateMargins();
  void renderBuffer();
  void placeScroller(const TKivTabLayout &layout);
  QRegion visibleTabRegion(const TKivTabLayout &layout, int index) const;
  QPolygon adjustedShape(const TKivTabLayout &layout, int index) const;
  void drawTabEdges(QPainter &canvas, const TKivTabLayout &layout, int index, bool selected);
  void drawTitleText(QPainter &canvas, const QRect &rect, int flags, const TKivTitleFont &font,
                     const QString &text, bool enabled, bool focusMark);
  int imageIndexOf(int index, bool hot) const;
  QRect imageRect(const TKivTabLayout &layout, int index) const;
  QRect textRect(const TKivTabLayout &layout, int index) const;
  bool inTabBand(const QPoint &point) const;
  bool tracksKeys() const;
  void selectFromKeyboard(int index);
  bool handleTabKey(QKeyEvent *event);
  void setHotTab(int index);
  void clearHotTab();
  void redrawTab(int index, bool hot);
  void refreshShortcuts();
  bool handleShortcut(int id);
  void announceSelection();

  TKivTabsList FTabsList;
  TKivTabSelection FSelection;
  TKivTabGeometry FGeometry;
  int FTabsBorderWidth = 4;
  Qt::Alignment FAlignment = Qt::AlignHCenter;
  TKivColor FBorderColor{KivSystemColor::WindowFrame};
  TKivEdgeBorders FEdgeBorders = ebLeft | ebTop | ebRight | ebBottom;
  bool FCtl3D = true;
  TKivTabSetGradientCustom FTabsSelectCustomize;
  TKivTabSetGradientCustom FTabsNoSelectCustomize;
  QList<QPixmap> FImages;
  bool FHotTrack = false;
  TKivColor FHotTrackColor{KivSystemColor::HotLight};
  bool FMarkTabFocused = true;

  int FFirstVisible = 0;
  int FHotTabIndex = -1;
  int FHotImageTab = -1;
  bool FKeyboardSelected = false;
  bool FDirty = true;
  QPixmap FBuffer;
  TKivTabSetScroller *FScroller = nullptr;
  QHash<int, QChar> FShortcuts; // shortcut id -> accelerator letter
  QStringList FShortcutCaptions;
};
