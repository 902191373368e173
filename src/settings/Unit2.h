#pragma once

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

  QComboBox *CBTimeOut;     // update interval in minutes
  QCheckBox *ChBBallonsOff; // checked: no desktop balloons
  QCheckBox *ChBSoundsUse;  // checked: no event sounds, as its caption says
  QPushButton *Button1;     // "Закрыть"

  // The update interval in minutes as the list shows it.
  int updateMinutes() const;

protected:
  void keyPressEvent(QKeyEvent *event) override;
};
