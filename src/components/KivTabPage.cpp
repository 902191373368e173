#include "components/KivTabPage.h"

#include "components/KivTabControl.h"

TKivTabPage::TKivTabPage(TKivCustomTabControl *control, const QString &caption)
    : QWidget(control), FControl(control), FCaption(caption) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  hide();
  if (FControl)
    FControl->registerPage(this);
}

TKivTabPage::~TKivTabPage() {
  if (FControl)
    FControl->unregisterPage(this);
}

void TKivTabPage::setCaption(const QString &caption) {
  if (FCaption == caption)
    return;
  FCaption = caption;
  if (FControl)
    FControl->pageCaptionChanged(this);
}
