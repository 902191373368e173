#pragma once

#include "components/KivColor.h"

#include <QWidget>

class TKivCustomTabControl;

// One page of a tab control: its caption is the page's tab.
class TKivTabPage : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
public:
  TKivTabPage(TKivCustomTabControl *control, const QString &caption);
  ~TKivTabPage() override;

  QString Caption() const { return FCaption; }
  void setCaption(const QString &caption);
  TKivCustomTabControl *tabControl() const { return FControl; }

private:
  friend class TKivCustomTabControl;
  TKivCustomTabControl *FControl;
  QString FCaption;
};
