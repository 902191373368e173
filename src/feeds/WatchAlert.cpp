#include "feeds/WatchAlert.h"

#include "feeds/FeedWalk.h"

using namespace Qt::StringLiterals;

namespace {
constexpr qsizetype kTitlesShown = 3;
}

QList<TFeedItem> AlertingItems(const QList<TFeedItem> &fresh, const TKeywordFilter &filter) {
  TFeedContent content;
  content.items = fresh;
  const TPreparedFilter prepared(filter);
  QList<TFeedItem> alerting;
  WalkFeedItems(
      content, [&prepared](const QString &text) { return prepared.matches(text); },
      [&alerting](const TWalkItem &visible) {
        alerting.append(*visible.item);
        return true;
      });
  return alerting;
}

TWatchAlert WatchAlertFor(const QString &siteTitle, const QList<TFeedItem> &alerting) {
  QStringList lines;
  for (const TFeedItem &item : alerting.first(qMin(alerting.size(), kTitlesShown)))
    lines.append(item.title().isEmpty() ? item.link() : item.title());
  if (alerting.size() > kTitlesShown)
    lines.append(u"и ещё %1"_s.arg(alerting.size() - kTitlesShown));
  return {u"Новые проекты: "_s + siteTitle, lines.join(u'\n')};
}
