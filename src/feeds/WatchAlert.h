#pragma once

#include "feeds/FeedDocument.h"
#include "feeds/KeywordFilter.h"

#include <QList>
#include <QString>

// The new items of one check that alert: those the filter in force lets be
// seen, by the rule the view itself walks by (the title, else the link, else
// the description). With the filter off, all of them.
QList<TFeedItem> AlertingItems(const QList<TFeedItem> &fresh, const TKeywordFilter &filter);

// One balloon gathers a check's alerting items: the site in its title, the
// first three item titles, and how many more there are.
struct TWatchAlert {
  QString title;
  QString text;
};
TWatchAlert WatchAlertFor(const QString &siteTitle, const QList<TFeedItem> &alerting);
