#pragma once

#include <QToolButton>
#include <QWidget>

// One button of a tab strip's scroller.
class TKivTabSetBtn : public QToolButton {
  Q_OBJECT
public:
  TKivTabSetBtn(Qt::ArrowType arrow, QWidget *parent);
};

// The previous / next pair shown at the end of a tab row that does not fit.
// The buttons move the selection, not only the view.
class TKivTabSetScroller : public QWidget {
  Q_OBJECT
public:
  explicit TKivTabSetScroller(QWidget *parent);

  void setVertical(bool vertical);
  void setButtonSize(int size);
  void setStates(bool previousEnabled, bool nextEnabled);
  TKivTabSetBtn *previousButton() const { return FPrevious; }
  TKivTabSetBtn *nextButton() const { return FNext; }

Q_SIGNALS:
  void previousClicked();
  void nextClicked();

private:
  void arrange();

  TKivTabSetBtn *FPrevious;
  TKivTabSetBtn *FNext;
  bool FVertical = false;
  int FButtonSize = 17;
};
