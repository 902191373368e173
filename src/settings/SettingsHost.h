#pragma once

#include <QString>

class TFormSetting;

// What the settings window applies to the main window. Declared here so that
// the settings layer never includes the window above it; the main window
// implements it.
class TSettingsHost {
public:
  virtual ~TSettingsHost() = default;

  // The settings window introduces itself as it is created (and withdraws
  // with nullptr as it goes), before it applies anything.
  virtual void attachFormSetting(TFormSetting *settings) = 0;
  // True before the main window's first show and after a close request: a
  // change of settings then fires no refresh.
  virtual bool startingOrClosing() const = 0;
  virtual bool destroying() const = 0;

  virtual void applyStayOnTop(bool on) = 0;
  virtual void applyAlphaValue(int alpha) = 0; // 0 (invisible) to 255 (opaque)
  virtual void applyCaption(const QString &caption) = 0;
  // The update timer's interval; with `refreshNow` the selected feed is
  // refreshed at once and the countdown restarts, else the timer is only
  // switched on.
  virtual void applyUpdateInterval(int milliseconds, bool refreshNow) = 0;
  // Whether every category of every site is watched in the background.
  virtual void applyWatch(bool on) = 0;
  // The tabs and the site menu rebuilt from the catalogue, on the site the
  // settings window has selected.
  virtual void RebuildSiteTabs() = 0;
  // The catalogue only grew, at the end of sites and of their feeds (an
  // import): the tabs and menus follow, and the main window stays where it is.
  virtual void SitesAdded() = 0;
};
