#pragma once

#include "settings/SiteCatalogue.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;

// The settings window. The rest of the program reads the settings straight
// from its controls.
class TFormSetting : public QWidget {
  Q_OBJECT
public:
  explicit TFormSetting(QWidget *parent = nullptr);

  QComboBox *CBTimeOut;           // update interval in minutes
  QCheckBox *ChBStoreXMLItemPos;  // keep showing the same item after a timed refresh
  QComboBox *CBFilterAssociation; // index 1: filter words joined by OR, else AND
  QCheckBox *ChBBallonsOff;       // checked: no desktop balloons
  QCheckBox *ChBSoundsUse;        // checked: no event sounds, as its caption says
  QPushButton *Button1;           // "Закрыть"
  QComboBox *CBSites;             // the catalogue's sites; data: each site's record

  // The update interval in minutes as the list shows it.
  int updateMinutes() const;

  // The site catalogue, read from "vxs.ini" when the window is created. The
  // main window's tabs point at its records.
  TSiteCatalogue Sites;
  void LoadSites();

protected:
  void keyPressEvent(QKeyEvent *event) override;

private:
  void fillSiteList();
};
