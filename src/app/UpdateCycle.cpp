// The window's side of choosing: the tab strip, the site and category menus
// in the menu bar and the tray, all drawn from the reader's choice, and the
// update interval and the typing pause that ask it to read again.
#include "app/MenuItems.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/FeedWatch.h"
#include "settings/Unit2.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A menu and its copy in the tray, filled afresh with one item per entry.
void FillMenus(std::initializer_list<QMenu *> menus, const QStringList &entries,
               QObject *receiver, const std::function<void(int)> &chosen) {
  for (QMenu *menu : menus) {
    ClearMenuLater(menu);
    for (int i = 0; i < entries.size(); ++i)
      OnChosen(AddTickableItem(menu, entries.at(i), i, false), receiver, [chosen, i] { chosen(i); });
  }
}

} // namespace

void TForm1::applyUpdateInterval(int milliseconds, bool refreshNow) {
  Timer1->setInterval(milliseconds);
  FFeedWatch->setInterval(std::chrono::milliseconds(milliseconds));
  if (refreshNow)
    RestartTimer(Timer1, true);
  else
    Timer1->start();
}

TReaderOptions TForm1::readerOptions() const {
  if (!FFormSetting)
    return {};
  return {FFormSetting->updateMinutes(), FFormSetting->keepItemPosition(),
          FFormSetting->filterUsesOr()};
}

void TForm1::RebuildSiteTabs() {
  FReader->rebuildSites(FFormSetting ? &FFormSetting->sites() : nullptr,
                        FFormSetting ? FFormSetting->selectedSite() : -1);
  syncWatchedFeeds();
}

void TForm1::SitesAdded() {
  FReader->sitesAdded(FFormSetting ? &FFormSetting->sites() : nullptr);
  syncWatchedFeeds();
}

void TForm1::SiteMenuClick(int tab) {
  TimerHideBallonTimer();
  FReader->chooseSite(tab);
}

void TForm1::KivTabSet1Changed(int index) {
  if (FDestroying || FRendering)
    return;
  TimerHideBallonTimer();
  FReader->chooseSite(index);
  if (FReader->started())
    lti->setText(QString::number(FReader->view().tab));
}

void TForm1::UpdateSite(int category) {
  if (FDestroying)
    return;
  TimerHideBallonTimer();
  FReader->chooseCategory(category);
}

void TForm1::Timer2Timer(bool fromTickBox) {
  if (FDestroying || !FReader->filterPauseOver())
    return;
  Timer2->stop();
  FReader->applyFilter(fromTickBox);
}

// Some tray hosts show the tray's menu without announcing that it opens, so
// its copies are kept as current as the menu bar's.
void TForm1::renderMenus(const TReaderView &view) {
  if (view.sites != std::exchange(FMenuSites, view.sites))
    FillMenus({N17, N6}, view.sites, this, [this](int tab) { SiteMenuClick(tab); });
  if (view.categories != std::exchange(FMenuCategories, view.categories))
    FillMenus({N3, N5}, view.categories, this, [this](int category) { UpdateSite(category); });
  // Choosing an item toggles its tick; choosing the one already chosen
  // changes nothing, and its tick must say so.
  for (QMenu *menu : {N17, N6, N3, N5}) {
    const int ticked = menu == N17 || menu == N6 ? view.tab : view.category;
    const QList<QAction *> items = menu->actions();
    for (int i = 0; i < items.size(); ++i)
      items.at(i)->setChecked(i == ticked);
  }
  N17->setEnabled(!N17->isEmpty());
  N6Action->setEnabled(!N6->isEmpty());
  N3->setEnabled(!N3->isEmpty());
  N5Action->setEnabled(!N5->isEmpty());
}
