#include "app/Unit1.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vornix"));
  QApplication::setApplicationDisplayName(QStringLiteral("Vornix"));
  QApplication::setApplicationVersion(QStringLiteral(VORNIX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("vornix"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/vornix/vornix.png")));
  // The main window is a tool window and goes to the tray; only closing it
  // ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  TForm1 form1;
  TFormSetting formSetting;
  form1.setFormSetting(&formSetting);
  form1.N9Click();
  return QApplication::exec();
}
