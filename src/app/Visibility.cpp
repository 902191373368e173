#include "app/MenuItems.h"
#include "app/ProgramSite.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "platform/Shell.h"
#include "platform/TrayHost.h"
#include "settings/Unit2.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>

void TForm1::N9Click() {
  if (isHidden()) {
    FMinimiseToTrayTimer->stop();
    showNormal();
    raise();
    activateWindow();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (FDestroying)
      return;
    FMinimiseToTrayTimer->stop(); // a late echo of the minimised state is not a new request
    RefreshBalloon();
  } else {
    hide();
  }
  syncShowHideCaption();
  setTimerActive(TimerAdvertisingShow, zentaraPanelVisible() && isVisible());
}

void TForm1::syncShowHideCaption() {
  N9->setText(isVisible() ? QStringLiteral("Скрыть") : QStringLiteral("Показать"));
}

void TForm1::N4Click() {
  close();
}

void TForm1::N2Click() {
  if (FDestroying || !FFormSetting)
    return;
  if (!FFormSetting->isVisible())
    FFormSetting->show();
  FFormSetting->raise();
  FFormSetting->activateWindow();
}

void TForm1::BringForward() {
  if (FDestroying)
    return;
  if (isHidden() || isMinimized())
    N9Click();
  if (FDestroying)
    return;
  raise();
  activateWindow();
}

void TForm1::N16Click() {
  TShell::openUrl(ProgramPageAddress());
}

void TForm1::TrayIcon1Click() {
  // A StatusNotifierItem host reports no double-click; its single click is
  // the only gesture there is, so it toggles the window.
  if (TTrayHost::isStatusNotifier()) {
    TrayIcon1DblClick();
    return;
  }
  if (isVisible()) {
    raise();
    activateWindow();
  }
}

void TForm1::TrayIcon1DblClick() {
  N9Click();
}

void TForm1::KivPopupMenu1Popup() {
  syncShowHideCaption();
  syncTrayMenu();
}

// The tray's "Сайт" and "Категория" are copies of the tab strip and of the
// main menu's "Категория", rebuilt on every change of either: some tray hosts
// show the menu without announcing that it opens.
void TForm1::syncTrayMenu() {
  ClearMenuLater(N6);
  const TKivTabsList &tabs = KivTabSet1->TabsList();
  for (int i = 0; i < tabs.count(); ++i) {
    QAction *item = AddTickableItem(N6, tabs.strings(i), i, i == KivTabSet1->TabIndex());
    connect(item, &QAction::triggered, this, [this, item] { SiteMenuClick(item); });
  }
  N6Action->setEnabled(!N6->isEmpty());

  ClearMenuLater(N5);
  const QList<QAction *> categories = N3->actions();
  for (const QAction *category : categories) {
    QAction *item =
        AddTickableItem(N5, category->text(), category->data().toInt(), category->isChecked());
    connect(item, &QAction::triggered, this, [this, item] { UpdateSite(item); });
  }
  N5Action->setEnabled(!N5->isEmpty());
}

void TForm1::changeEvent(QEvent *event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
    return;
  // Minimising sends the window to the tray; there is no minimised state
  // with a taskbar button.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  FMinimiseToTrayTimer->start();
}
