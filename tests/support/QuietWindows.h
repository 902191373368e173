#pragma once

#include "app/Unit1.h"
#include "settings/Unit2.h"
#include "support/Controls.h"

#include <QCheckBox>

#include <memory>

// The main window and the settings window made as the program entry makes
// them, with balloons and sounds off so that tests stay quiet (ticked before
// the first show, so "vxss.ini" keeps them off only when a test writes it).
// Create a temporary data folder first: both windows read their files there.
inline void CreateQuietWindows(std::unique_ptr<TFormSetting> &settings,
                               std::unique_ptr<TForm1> &form) {
  form = std::make_unique<TForm1>();
  settings = std::make_unique<TFormSetting>(form.get());
  Control<QCheckBox>(settings.get(), "ChBBallonsOff")->setChecked(true);
  Control<QCheckBox>(settings.get(), "ChBSoundsUse")->setChecked(true);
}
