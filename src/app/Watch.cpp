// The background watch as the window presents it: which feeds it looks at,
// the alert balloon and its sound, the count in the tray icon's tooltip, the
// marks on the site tabs, and the way from a balloon to its item.
#include "app/DownloadRules.h"
#include "app/Unit1.h"
#include "components/KivTabSet.h"
#include "feeds/FeedWatch.h"
#include "feeds/WatchAlert.h"
#include "platform/BusyWait.h"
#include "settings/RSSItemData.h"
#include "settings/Unit2.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

constexpr int kAlertTimeoutMs = 10000;
constexpr int kAlertSound = 7; // "itemok.wav"

} // namespace

void TForm1::buildWatch() {
  FFeedWatch = new TFeedWatch(this);
  connect(FFeedWatch, &TFeedWatch::checked, this, &TForm1::WatchChecked);
  // An alert has a balloon of its own, which no status message replaces or hides.
  FWatchNotifications = new TNotifications(TrayIcon1, this);
  connect(FWatchNotifications, &TNotifications::actionInvoked, this, [this](const QString &key) {
    // The bus is heard during the window's own waits too: the way to the item
    // starts once they are over.
    if (key == u"default"_s)
      TBusyWait::later(this, [this] { ShowAlertedItem(); });
  });
}

void TForm1::applyWatch(bool on) {
  FWatchOn = on;
  syncWatch();
}

// The watch starts with the first show's work and ends with closing.
void TForm1::syncWatch() {
  FFeedWatch->setActive(FWatchOn && !FStartingOrClosing && !FDestroying);
}

// Every category of every site but the archive; a feed listed twice is
// checked once, under the first site and category that list it.
void TForm1::syncWatchedFeeds() {
  QList<TWatchedFeed> feeds;
  QSet<QString> listed;
  const TSiteCatalogue *sites = FFormSetting ? &FFormSetting->sites() : nullptr;
  for (int i = 1; sites && i < sites->count(); ++i) {
    const TRSSItemData *site = sites->record(i);
    for (int j = 0; site && j < site->RSSURLs.size(); ++j) {
      const QString address = WithHttpScheme(site->RSSURLs.at(j));
      if (site->RSSURLs.at(j).trimmed().isEmpty() || listed.contains(address))
        continue;
      listed.insert(address);
      feeds.append({address, sites->title(i)});
    }
  }
  FMarkedFeeds.intersect(listed);
  FFeedWatch->setFeeds(feeds);
  syncWatchMarks();
}

// The words of the filter box joined as the settings say, when the box is
// ticked; the window need not be on screen for that.
TKeywordFilter TForm1::watchFilter() const {
  return {EditFilter->text(), ChBFiltered->isEnabled() && ChBFiltered->isChecked(),
          FFormSetting && FFormSetting->filterUsesOr()};
}

void TForm1::WatchChecked(const TWatchedFeed &feed, const TWatchResult &result) {
  if (FDestroying || result.status != TWatchResult::Checked)
    return;
  const QList<TFeedItem> alerting = AlertingItems(result.fresh, watchFilter());
  if (alerting.isEmpty())
    return;
  FNewMatches += int(alerting.size());
  // The site the user is reading is marked only while they are not.
  if (!(shownOnScreen() && siteAddresses(KivTabSet1->TabIndex()).contains(feed.address)))
    FMarkedFeeds.insert(feed.address);
  syncWatchMarks();
  FAlertedFeed = feed.address;
  FAlertedLink = alerting.first().link();
  const TWatchAlert alert = WatchAlertFor(feed.siteTitle, alerting);
  if (!balloonsOff())
    FWatchNotifications->show(alert.title, alert.text, TBalloonIcon::Information, kAlertTimeoutMs,
                              {u"default"_s, u"Показать"_s});
  PlayEventSound(kAlertSound);
}

QSet<QString> TForm1::siteAddresses(int tab) const {
  QSet<QString> addresses;
  const TKivTabsList &tabs = KivTabSet1->TabsList();
  const auto *site =
      tab > 0 && tab < tabs.count() ? tabs.objects(tab).value<TRSSItemData *>() : nullptr;
  for (int j = 0; site && j < site->RSSURLs.size(); ++j)
    addresses.insert(WithHttpScheme(site->RSSURLs.at(j)));
  return addresses;
}

bool TForm1::siteHasNewMatches(int tab) const {
  return !FMarkedFeeds.isEmpty() && siteAddresses(tab).intersects(FMarkedFeeds);
}

// The user has seen the site: its tab loses the mark.
// True when there was a mark to clear.
bool TForm1::clearWatchMark(int tab) {
  const qsizetype marked = FMarkedFeeds.size();
  if (marked != 0)
    FMarkedFeeds.subtract(siteAddresses(tab));
  if (FMarkedFeeds.size() == marked)
    return false;
  syncWatchMarks();
  return true;
}

// The window shown again: what was counted has had the user's eye.
void TForm1::resetNewMatches() {
  FNewMatches = 0;
  if (!clearWatchMark(KivTabSet1->TabIndex()))
    syncWatchMarks();
}

void TForm1::syncWatchMarks() {
  const QString name = QApplication::applicationDisplayName();
  TrayIcon1->setToolTip(FNewMatches == 0 ? name
                                         : u"%1\nНовых проектов: %2"_s.arg(name).arg(FNewMatches));
  KivTabSet1->invalidate();
}

// The balloon's way back: the window on the site and category of the alert,
// at its first item. Every step may wait (a show, a refresh) and end with the
// window closed.
void TForm1::ShowAlertedItem() {
  const QString address = FAlertedFeed, link = FAlertedLink;
  BringForward();
  if (FDestroying)
    return;
  const TKivTabsList &tabs = KivTabSet1->TabsList();
  for (int tab = 1; tab < tabs.count(); ++tab) {
    const auto *site = tabs.objects(tab).value<TRSSItemData *>();
    for (int j = 0; site && j < site->RSSURLs.size(); ++j) {
      if (WithHttpScheme(site->RSSURLs.at(j)) == address)
        return showCategoryItem(tab, j, link);
    }
  }
}

// The window's copy of the feed is brought up to date first, from the watch's
// when that one is newer: the feed on screen is not read again by itself, and
// another category's copy may be fresh enough to skip the download, either
// way without the item. Then the category is read once, and the item shown.
void TForm1::showCategoryItem(int tab, int category, const QString &link) {
  const auto *site = KivTabSet1->TabsList().objects(tab).value<TRSSItemData *>();
  const QString url = site ? site->RSSURLs.value(category) : QString();
  const QString file = FeedFileName(tab, url), address = WithHttpScheme(url);
  TakeNewerCopy(TWatchChecker::copyFileName(address), file, address);
  if (tab != KivTabSet1->TabIndex()) {
    FOpeningCategory = category;
    KivTabSet1->setTabIndex(tab);
    FOpeningCategory = 0;
  } else {
    UpdateSite(N3->actions().value(category));
  }
  // Nothing more to say when the feed could not be read: the refresh has said why.
  if (FDestroying || link.isEmpty() || XMLDocument1.FileName() != file)
    return;
  if (const int position = FindItemPosition(link); position >= 0) {
    CurrentItem = position;
    ShowFeedItem(position);
    return;
  }
  ReportStatus(1, u"Документ"_s, u"Элемент не найден."_s);
  PlayEventSound(8);
}
