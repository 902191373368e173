// The update cycle: which site and category the window shows, and refreshing
// it on the interval, on a change of tab or category and after the filter.
#include "app/MenuItems.h"
#include "app/RSSViewItem.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "components/URLLbl.h"
#include "feeds/FeedWatch.h"
#include "platform/BusyWait.h"
#include "settings/RSSItemData.h"
#include "settings/Unit2.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kDocument = u"Документ"_s;

} // namespace

TRSSItemData *TForm1::selectedSite() const {
  const int tab = KivTabSet1->TabIndex();
  return tab < 0 ? nullptr : KivTabSet1->TabsList().objects(tab).value<TRSSItemData *>();
}

void TForm1::applyUpdateInterval(int milliseconds, bool refreshNow) {
  Timer1->setInterval(milliseconds);
  FFeedWatch->setInterval(std::chrono::milliseconds(milliseconds));
  if (refreshNow)
    RestartTimer(Timer1, true);
  else
    Timer1->start();
}

void TForm1::RebuildSiteTabs() {
  KivTabSet1->setUpdatesEnabled(false);
  FTabsRebuilding = true;
  ClearView();
  ClearCategoryMenus();
  N17->clear();
  TKivTabsList &tabs = KivTabSet1->TabsList();
  tabs.Clear();
  const TSiteCatalogue *sites = FFormSetting ? &FFormSetting->sites() : nullptr;
  if (sites && sites->count() > 0) {
    for (int i = 0; i < sites->count(); ++i)
      tabs.AddObject(sites->title(i), QVariant::fromValue(sites->record(i)));
  } else {
    tabs.Add(u"unknow"_s);
  }
  // The site the settings window has chosen stays the one on screen.
  const int chosen = FFormSetting ? FFormSetting->selectedSite() : -1;
  KivTabSet1->setTabIndex(std::max(chosen, 0));
  for (int i = 0; i < tabs.count(); ++i)
    bindSiteItem(AddTickableItem(N17, tabs.strings(i), i, i == KivTabSet1->TabIndex()), i);
  N17->setEnabled(!N17->isEmpty());
  KivTabSet1->setUpdatesEnabled(true);
  FTabsRebuilding = false;
  N3->setEnabled(!N3->isEmpty());
  KivTabSet1Changed(KivTabSet1->TabIndex());
  syncTrayMenu();
  syncWatchedFeeds();
}

void TForm1::SiteMenuClick(QObject *sender) {
  if (const auto *item = qobject_cast<QAction *>(sender))
    KivTabSet1->setTabIndex(item->data().toInt());
  // Choosing an item toggles its tick; choosing the site already on screen
  // changes nothing, and its tick must say so.
  tickSelectedSite();
  syncTrayMenu();
}

// Both menus choose through the main menu's items, the ones the cycle reads,
// by position: the tray's copies are rebuilt on every change.
void TForm1::bindSiteItem(QAction *item, int tab) {
  OnChosen(item, this, [this, tab] { SiteMenuClick(N17->actions().value(tab)); });
}

void TForm1::bindCategoryItem(QAction *item, int position) {
  OnChosen(item, this, [this, position] { UpdateSite(N3->actions().value(position)); });
}

void TForm1::tickSelectedSite() {
  const QList<QAction *> sites = N17->actions();
  for (int i = 0; i < sites.size(); ++i)
    sites.at(i)->setChecked(i == KivTabSet1->TabIndex());
}

void TForm1::buildCategoryMenu(int tab) {
  const auto *site = KivTabSet1->TabsList().objects(tab).value<TRSSItemData *>();
  for (int j = 0; site && j < site->RSSURLs.size(); ++j)
    bindCategoryItem(AddTickableItem(N3, site->RSSNames.value(j), j, j == FOpeningCategory), j);
  tickSelectedSite();
}

void TForm1::KivTabSet1Changed(int index) {
  if (FDestroying || FTabsRebuilding)
    return;
  TimerHideBallonTimer();
  Button3->setEnabled(false);
  Button3->setText(index == 0 ? u"Удалить"_s : u"В архив"_s);
  if (FStartingOrClosing)
    return;
  if (shownOnScreen())
    clearWatchMark(index);
  ClearView();
  ClearCategoryMenus();
  if (index >= 0 && index < KivTabSet1->TabsList().count())
    buildCategoryMenu(index);
  else
    N17->clear();
  N17->setEnabled(!N17->isEmpty());
  N3->setEnabled(!N3->isEmpty());
  syncTrayMenu();
  CurrentItem = 0;
  if (KivTabSet1->TabIndex() > 0) {
    RestartTimer(Timer1, true);
  } else {
    LoadFeedHeader();
    ShowFeedItem(0);
  }
  lti->setText(QString::number(KivTabSet1->TabIndex()));
  N3->setEnabled(!N3->isEmpty());
}

void TForm1::UpdateSite(QObject *sender) {
  if (FDestroying)
    return;
  TimerHideBallonTimer();
  // A choice in either "Категория" menu lands on the same position in N3,
  // the menu the cycle reads.
  if (auto *item = qobject_cast<QAction *>(sender)) {
    const QMenu *menu = qobject_cast<QMenu *>(item->parent());
    const int position = menu ? int(menu->actions().indexOf(item)) : -1;
    const QList<QAction *> categories = N3->actions();
    for (int i = 0; i < categories.size(); ++i)
      categories.at(i)->setChecked(i == position);
    syncTrayMenu();
  }
  setStatusLine(QString());
  FeedTitleLabel->clear();
  FeedTitleLabel->setURL(QString());
  FeedInfoLabel->clear();
  // The item of the category left behind must not stay under the new one,
  // nor its items in the jump list.
  emptyItemView();
  CBFastTransition->clear();
  CBFastTransition->setEnabled(false);
  CurrentItem = 0;
  if (KivTabSet1->TabIndex() < 1) {
    LoadFeedHeader();
    ShowFeedItem(0);
  } else {
    RestartTimer(Timer1, true);
  }
}

void TForm1::Timer1Timer() {
  if (FDestroying || KivTabSet1->TabIndex() < 1)
    return;
  // A refresh asked for while one is under way (a bus call answered while it
  // waits) follows it instead of running inside it.
  if (FRefreshing) {
    FRefreshAgain = true;
    return;
  }
  FRefreshing = true;
  do {
    FRefreshAgain = false;
    refreshSelectedFeed();
  } while (FRefreshAgain && !FDestroying);
  FRefreshing = false;
}

// Every wait in here (the transfer, a sound) may end with the window closed;
// the refresh stops after any that did.
void TForm1::refreshSelectedFeed() {
  if (KivTabSet1->TabIndex() < 1)
    return;
  const int category = selectedFeedIndex();
  const TRSSItemData *site = selectedSite();
  const QString url = category < 0 || !site ? QString() : site->RSSURLs.value(category);
  if (url.isEmpty())
    return;
  const QString file = FeedFileName(KivTabSet1->TabIndex(), url);
  switch (fetch(url, file, true, TDownloadPurpose::Feed)) {
  case TFetched::Usable:
    break;
  case TFetched::Offline:
    if (FDestroying)
      return;
    ReportStatus(2, kDocument, url + u"\rНет подключения к Internet.\rСписок пуст."_s);
    PlayEventSound(0);
    return;
  case TFetched::Failed:
    return showKeptCopy(url, file);
  }
  // Pending paints only: nothing the user does is handled until the refresh ends.
  TBusyWait::pump();
  if (FDestroying)
    return;
  if (!QFile::exists(file)) {
    ReportStatus(1, kDocument, u"Список пуст."_s);
    PlayEventSound(9);
    return;
  }
  keepReadersPlace();
  if (FDestroying)
    return;
  FilterChanged = false;
  LoadFeedHeader();
  if (FDestroying)
    return;
  ShowFeedItem(CurrentItem);
}

// The connection works but the board did not deliver: the copy of this
// address kept from an earlier download is shown with its own date in the
// header, never as news, and the last line says what failed.
void TForm1::showKeptCopy(const QString &url, const QString &file) {
  if (FDestroying)
    return;
  bool shown = false;
  if (HoldsCopyOf(file, WithHttpScheme(url)) && LoadFeedHeader() && !FDestroying) {
    FilterChanged = false;
    ShowFeedItem(CurrentItem);
    shown = true;
  }
  if (FDestroying)
    return;
  ReportStatus(2, kDocument,
               url + u"\rНе удалось получить удаленный файл."_s +
                   (shown ? QString() : u"\rСписок пуст."_s));
  PlayEventSound(0);
}

// After a timed refresh the item on screen stays on screen, wherever the
// board has moved it, when the user asked for that.
void TForm1::keepReadersPlace() {
  const bool keep = FFormSetting && FFormSetting->keepItemPosition();
  if (!keep || !ItemView || ItemView->FViRSSTitle->URL().isEmpty() || FilterChanged)
    return;
  const int position = FindItemPosition(ItemView->FViRSSTitle->URL());
  if (position >= 0) {
    CurrentItem = position;
    return;
  }
  CurrentItem = 0;
  if (!ChBFiltered->isChecked()) {
    ReportStatus(1, kDocument, u"Элемент не найден."_s);
    PlayEventSound(8);
  }
}

void TForm1::Timer2Timer(QObject *sender) {
  if (FDestroying)
    return;
  // Every key typed sets the flag again: the refresh waits for one whole
  // tick without typing.
  if (FilterKeyPending) {
    FilterKeyPending = false;
    return;
  }
  Timer2->stop();
  if (N3->isEmpty())
    return;
  if (!ChBFiltered->isChecked() && sender != ChBFiltered)
    return;
  UpdateSite(Timer2);
}
