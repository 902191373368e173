#pragma once

#include "components/KivCustomTabSet.h"

// The tab strip as windows place it.
class TKivTabSet : public TKivCustomTabSet {
  Q_OBJECT
public:
  using TKivCustomTabSet::TKivCustomTabSet;
};
