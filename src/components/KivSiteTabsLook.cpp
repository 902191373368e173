#include "components/KivSiteTabsLook.h"

#include "components/KivCustomTabSet.h"

void ApplySiteTabsLook(TKivCustomTabSet &strip) {
  strip.setTabsBorderWidth(0);
  strip.setHotTrack(true);
  strip.setMarkTabFocused(false);
  strip.TabsSelectCustomize().setColorStart(KivSystemColor::BtnShadow);
  strip.TabsSelectCustomize().setColorEnd(KivSystemColor::BtnFace);
  strip.TabsNoSelectCustomize().setColorStart(KivSystemColor::Window);
  strip.TabsNoSelectCustomize().setColorEnd(KivSystemColor::BtnFace);
  strip.setBorderColor(KivSystemColor::BtnShadow);
  strip.OnDrawTitle = [](TKivCustomTabSet *, const QRect &, bool, bool selected,
                         TKivTitleFont &font, QString &, int,
                         bool &) { SiteTabsTitleFont(selected, font); };
}

void SiteTabsTitleFont(bool selected, TKivTitleFont &font) {
  if (selected)
    font.Color = QColor(0x80, 0x80, 0x00);
}
