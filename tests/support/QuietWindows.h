#pragma once

#include "app/Unit1.h"
#include "settings/Unit2.h"

#include <QCheckBox>

#include <memory>

// The settings window and the main window wired as the program entry wires
// them, with balloons and sounds off so that tests stay quiet. Create a
// temporary data folder first: the settings window reads "vxs.ini" from it.
inline void CreateQuietWindows(std::unique_ptr<TFormSetting> &settings,
                               std::unique_ptr<TForm1> &form) {
  settings = std::make_unique<TFormSetting>();
  settings->ChBBallonsOff->setChecked(true);
  settings->ChBSoundsUse->setChecked(true);
  form = std::make_unique<TForm1>();
  form->setFormSetting(settings.get());
}
