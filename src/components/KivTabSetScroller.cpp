#include "components/KivTabSetScroller.h"

using namespace Qt::StringLiterals;

TKivTabSetBtn::TKivTabSetBtn(Qt::ArrowType arrow, QWidget *parent) : QToolButton(parent) {
  setArrowType(arrow);
  setAutoRaise(false);
  setAutoRepeat(true);
  // The strip itself takes the keyboard; the buttons are for the mouse.
  setFocusPolicy(Qt::NoFocus);
}

TKivTabSetScroller::TKivTabSetScroller(QWidget *parent)
    : QWidget(parent), FPrevious(new TKivTabSetBtn(Qt::LeftArrow, this)),
      FNext(new TKivTabSetBtn(Qt::RightArrow, this)) {
  setObjectName(u"TabSetScroller"_s);
  FPrevious->setAccessibleName(u"Предыдущая вкладка"_s);
  FNext->setAccessibleName(u"Следующая вкладка"_s);
  connect(FPrevious, &QToolButton::clicked, this, &TKivTabSetScroller::previousClicked);
  connect(FNext, &QToolButton::clicked, this, &TKivTabSetScroller::nextClicked);
  arrange();
  hide();
}

void TKivTabSetScroller::setVertical(bool vertical) {
  if (FVertical == vertical)
    return;
  FVertical = vertical;
  FPrevious->setArrowType(vertical ? Qt::UpArrow : Qt::LeftArrow);
  FNext->setArrowType(vertical ? Qt::DownArrow : Qt::RightArrow);
  arrange();
}

void TKivTabSetScroller::setButtonSize(int size) {
  if (FButtonSize == size)
    return;
  FButtonSize = size;
  arrange();
}

void TKivTabSetScroller::setStates(bool previousEnabled, bool nextEnabled) {
  FPrevious->setEnabled(previousEnabled);
  FNext->setEnabled(nextEnabled);
}

void TKivTabSetScroller::arrange() {
  const int s = FButtonSize;
  FPrevious->setGeometry(0, 0, s, s);
  FNext->setGeometry(FVertical ? 0 : s, FVertical ? s : 0, s, s);
  setFixedSize(FVertical ? s : 2 * s, FVertical ? 2 * s : s);
}
