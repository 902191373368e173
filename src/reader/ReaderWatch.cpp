// The background watch as the reader keeps it: which feeds it looks at, the
// new matches counted and marked on their sites, and the way from an alert
// to its item.
#include "feeds/FeedWatch.h"
#include "feeds/WatchAlert.h"
#include "feeds/WatchCheck.h"
#include "reader/Reader.h"
#include "settings/SiteCatalogue.h"

using namespace Qt::StringLiterals;

// Every category of every site but the archive; a feed listed twice is
// checked once, under the first site and category that list it.
QList<TWatchedFeed> TReader::watchedFeeds(const TSiteCatalogue *sites) {
  QList<TWatchedFeed> feeds;
  QSet<QString> listed;
  for (int i = 1; sites && i < sites->count(); ++i) {
    const TRSSItemData *record = sites->record(i);
    for (int j = 0; record && j < record->RSSURLs.size(); ++j) {
      const QString address = WithHttpScheme(record->RSSURLs.at(j));
      if (record->RSSURLs.at(j).trimmed().isEmpty() || listed.contains(address))
        continue;
      listed.insert(address);
      feeds.append({address, sites->title(i)});
    }
  }
  FMarkedFeeds.intersect(listed);
  Q_EMIT watchMarksChanged();
  return feeds;
}

void TReader::watchChecked(const TWatchedFeed &feed, const TWatchResult &result) {
  if (closing() || result.status != TWatchResult::Checked)
    return;
  const QList<TFeedItem> alerting = AlertingItems(result.fresh, keywordFilter());
  if (alerting.isEmpty())
    return;
  FNewMatches += int(alerting.size());
  // The site the user is reading is marked only while they are not.
  if (!(FHooks.shown() && siteAddresses(FView.tab).contains(feed.address)))
    FMarkedFeeds.insert(feed.address);
  Q_EMIT watchMarksChanged();
  FAlertedFeed = feed.address;
  FAlertedLink = alerting.first().link();
  const TWatchAlert alert = WatchAlertFor(feed.siteTitle, alerting);
  Q_EMIT alertRaised(alert.title, alert.text);
  sound(TEventSoundId::ItemFound);
}

QSet<QString> TReader::siteAddresses(int tab) const {
  QSet<QString> addresses;
  const TRSSItemData *record = tab > 0 ? site(tab) : nullptr;
  for (int j = 0; record && j < record->RSSURLs.size(); ++j)
    addresses.insert(WithHttpScheme(record->RSSURLs.at(j)));
  return addresses;
}

bool TReader::siteHasNewMatches(int tab) const {
  return !FMarkedFeeds.isEmpty() && siteAddresses(tab).intersects(FMarkedFeeds);
}

// The user has seen the site: its tab loses the mark. True when there was a
// mark to clear.
bool TReader::clearWatchMark(int tab) {
  const qsizetype marked = FMarkedFeeds.size();
  if (marked != 0)
    FMarkedFeeds.subtract(siteAddresses(tab));
  if (FMarkedFeeds.size() == marked)
    return false;
  Q_EMIT watchMarksChanged();
  return true;
}

void TReader::windowSeen() {
  FNewMatches = 0;
  if (!clearWatchMark(FView.tab))
    Q_EMIT watchMarksChanged();
}

// The alert's site and category, at its first item. Every step may wait (a
// refresh) and end with the window closed.
void TReader::followAlert() {
  if (closing())
    return;
  const QString address = FAlertedFeed, link = FAlertedLink;
  for (int tab = 1; tab < FSites.size(); ++tab) {
    const TRSSItemData *record = site(tab);
    for (int j = 0; record && j < record->RSSURLs.size(); ++j) {
      if (WithHttpScheme(record->RSSURLs.at(j)) == address)
        return showCategoryItem(tab, j, link);
    }
  }
}

// The reader's copy of the feed is brought up to date first, from the watch's
// when that one is newer: the feed on screen is not read again by itself, and
// another category's copy may be fresh enough to skip the download, either
// way without the item. Then the category is read once, and the item shown.
void TReader::showCategoryItem(int tab, int category, const QString &link) {
  const QString url = site(tab)->RSSURLs.value(category);
  const QString file = FeedFileName(tab, url), address = WithHttpScheme(url);
  TakeNewerCopy(TWatchChecker::copyFileName(address), file, address);
  if (tab != FView.tab) {
    FOpeningCategory = category;
    FView.tab = tab;
    openSite(tab);
    FOpeningCategory = 0;
  } else {
    chooseCategory(category);
  }
  // Nothing more to say when the feed could not be read: the refresh has said why.
  if (closing() || link.isEmpty() || FDocument.FileName() != file)
    return;
  if (const int position = FindItemPosition(link); position >= 0)
    return jumpTo(position);
  report(TStatusKind::Information, u"Документ"_s, u"Элемент не найден."_s);
  sound(TEventSoundId::ItemMissing);
}
