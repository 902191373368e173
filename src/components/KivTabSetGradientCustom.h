#pragma once

#include "components/KivGraphicsUtils.h"

// The fill of a tab strip's tabs: square ends, since the tab outline already
// shapes them.
class TKivTabSetGradientCustom : public TGradientCustom {
public:
  TKivTabSetGradientCustom(QWidget *owner, const TKivColor &start, const TKivColor &end)
      : TGradientCustom(owner) {
    setRadius(0);
    setColorStart(start);
    setColorEnd(end);
  }
};
