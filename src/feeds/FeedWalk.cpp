#include "feeds/FeedWalk.h"

#include "platform/DataFolder.h"

int WalkFeedItems(const TFeedContent &content, const TItemFilter &filter,
                  const std::function<bool(const TWalkItem &)> &visit) {
  int met = 0;
  int position = 0;
  for (const TFeedItem &item : content.items) {
    ++met;
    const bool visible =
        !filter || filter(item.title()) || filter(item.link()) || filter(item.description());
    if (!visible)
      continue;
    if (!visit({position, &item}))
      break;
    ++position;
  }
  return met;
}

int FindItemPosition(TFeedDocument &document, const QString &link, const TItemFilter &filter) {
  if (!document.fileExists())
    return -1;
  int result = -1;
  if (document.activate().ok() && document.content().rootHasChildren) {
    WalkFeedItems(document.content(), filter, [&](const TWalkItem &visible) {
      if (visible.item->rawLink() != link)
        return true;
      result = visible.position;
      return false;
    });
  }
  document.deactivate();
  return result;
}

QString FeedFileName(int tabIndex, const QString &address) {
  QString path = address;
  path.replace(u'/', u'\\');
  const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u':'));
  return TDataFolder::file(QStringLiteral("xml/") + QString::number(tabIndex) + path.mid(cut + 1));
}
