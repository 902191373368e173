#include "components/KivTabSelection.h"

#include <algorithm>

int TKivTabSelection::nearestSelectable(int from, int step) const {
  for (int i = from; i >= 0 && i < FTabs.count(); i += step) {
    if (FTabs.isSelectable(i))
      return i;
  }
  return -1;
}

// Follows a request for a hidden or disabled tab on in its direction of travel
// until it lands on a selectable tab, on -1, or back on the current tab.
int TKivTabSelection::resolveRequest(int request) const {
  const int last = FTabs.count() - 1;
  while (request != -1 && request != FTabIndex && !FTabs.isSelectable(request)) {
    if (request > FTabIndex)
      request = request == last ? nearestSelectable(request - 1, -1) : request + 1;
    else
      request = request == 0 ? nearestSelectable(1, +1) : request - 1;
  }
  return request;
}

void TKivTabSelection::setTabIndex(int index) {
  index = std::clamp(index, -1, FTabs.count() - 1);
  if (FDestroying)
    return;
  index = resolveRequest(index);
  if (index == FTabIndex)
    return;
  bool canChange = true;
  if (OnChanging)
    OnChanging(FTabIndex, index, canChange);
  if (!canChange)
    return;
  if (OnSelecting)
    OnSelecting();
  FTabIndex = index;
  tabsChanged();
  if (OnChanged)
    OnChanged(index);
}

void TKivTabSelection::resetVisibleRange() {
  if (OnResetVisibleRange)
    OnResetVisibleRange();
}

void TKivTabSelection::tabsChanged() {
  if (OnRepaint && !FRedrawSuspended)
    OnRepaint();
}
