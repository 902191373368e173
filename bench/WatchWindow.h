#pragma once

// What the two watch benchmarks share: the real window on a temporary data
// folder, the side panel's page out of reach, the network taken as up, sounds
// off and the keyword filter on, as a user who watches boards for one word.
#include "app/Unit1.h"
#include "platform/Connectivity.h"
#include "platform/DataFolder.h"
#include "settings/Unit2.h"
#include "support/Controls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

inline void PrepareWatchRun(const QTemporaryDir &folder) {
  qputenv("VORNIX_ZENTARA_URL", "http://127.0.0.1:1/_vx_advertising/advertising_show.php");
  TDataFolder::setPath(folder.path());
  TConnectivity::setProbe([] { return true; });
}

inline void ShowFiltered(TForm1 &form, TFormSetting &settings, const QString &word) {
  Control<QCheckBox>(&settings, "ChBSoundsUse")->setChecked(true);
  form.N9Click();
  Control<QLineEdit>(&form, "EditFilter")->setText(word);
  QTest::keyClick(Control<QLineEdit>(&form, "EditFilter"), Qt::Key_End); // as typing it ends
  Control<QCheckBox>(&form, "ChBFiltered")->setChecked(true);
}
