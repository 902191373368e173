// What the settings window applies to the main window as a setting changes.
#include "app/Unit1.h"
#include "settings/Unit2.h"

#include <QWindow>

void TForm1::attachFormSetting(TFormSetting *settings) {
  FFormSetting = settings;
}

// Changing the flag through setWindowFlags would hide a shown window and
// recreate it; the window system takes the new state on the live window.
void TForm1::applyStayOnTop(bool on) {
  const Qt::WindowFlags flags = windowFlags().setFlag(Qt::WindowStaysOnTopHint, on);
  if (flags == windowFlags())
    return;
  overrideWindowFlags(flags);
  if (QWindow *window = windowHandle())
    window->setFlags(flags);
}

void TForm1::applyAlphaValue(int alpha) {
  setWindowOpacity(std::clamp(alpha, 0, 255) / 255.0);
}

void TForm1::applyCaption(const QString &caption) {
  setWindowTitle(caption);
}
