#pragma once

class TKivCustomTabSet;
struct TKivTitleFont;

// The look of the main window's strip of site tabs: flat tabs with hot
// tracking and no focus mark, the selected one shaded from the button shadow
// and the others from the window colour to the button face, a button-shadow
// border, and the selected title in olive.
void ApplySiteTabsLook(TKivCustomTabSet &strip);

// The title font of a site tab, as that look draws it.
void SiteTabsTitleFont(bool selected, TKivTitleFont &font);
