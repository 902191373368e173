#pragma once

#include "components/KivTabsList.h"

#include <functional>

// The selection rules of a tab strip, free of any window: clamping, the veto
// of OnChanging, and moving past hidden or disabled tabs in the direction of
// travel.
class TKivTabSelection : public TKivTabsListOwner {
public:
  using TChangingHandler = std::function<void(int current, int next, bool &canChange)>;
  using TChangedHandler = std::function<void(int index)>;

  explicit TKivTabSelection(TKivTabsList &tabs) : FTabs(tabs) {}

  int TabIndex() const override { return FTabIndex; }
  void setTabIndex(int index) override;
  bool isLoading() const override { return FLoading; }
  bool selectsAddedTabs() const override { return FSelectsAddedTabs; }
  void resetVisibleRange() override;
  void setRedrawSuspended(bool suspended) override { FRedrawSuspended = suspended; }
  void tabsChanged() override;

  void setLoading(bool loading) { FLoading = loading; }
  void setSelectsAddedTabs(bool selects) { FSelectsAddedTabs = selects; }
  void setDestroying() { FDestroying = true; }
  bool isRedrawSuspended() const { return FRedrawSuspended; }

  // The selectable tab nearest to `from` in `step` direction (from included), or -1.
  int nearestSelectable(int from, int step) const;

  TChangingHandler OnChanging;
  TChangedHandler OnChanged;
  std::function<void()> OnRepaint;
  std::function<void()> OnResetVisibleRange;
  std::function<void()> OnSelecting; // just before the index changes

private:
  int resolveRequest(int request) const;

  TKivTabsList &FTabs;
  int FTabIndex = -1;
  bool FLoading = false;
  bool FSelectsAddedTabs = true;
  bool FDestroying = false;
  bool FRedrawSuspended = false;
};
