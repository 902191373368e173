#pragma once

#include "feeds/FeedDocument.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Where the watch keeps a file of one feed address, named by the address's
// hash: "xml/watch/<hash><suffix>" in the data folder.
QString WatchFileName(const QString &address, const QString &suffix);

// An item's identity for the watch: its link, else what the feed names it by
// (an Atom id, an RSS guid), else its title.
QString SeenItemKey(const TFeedItem &item);

// The items of one feed address that the watch has seen, kept in the data
// folder under the address itself: a site's or category's index shifts when
// a site is deleted, the address does not. At most kMaxSeen keys are kept;
// the items of the latest check are always among them, so an item stays seen
// as long as its feed lists it, unless the feed alone lists more than that.
class TSeenItems {
public:
  static constexpr qsizetype kMaxSeen = 2000;

  explicit TSeenItems(QString address) : FAddress(std::move(address)) {}

  static QString fileName(const QString &address);

  // Reads what an earlier check left. An address never checked (or a file
  // that does not read as this address's) starts afresh.
  void load();
  // The positions of the feed's items not seen before, in feed order; all of
  // its items count as seen afterwards. The first check of an address finds
  // nothing new: what a feed already lists is not news.
  QList<qsizetype> takeNew(const TFeedContent &feed);
  // Replaces the file atomically; false leaves the old one as it was.
  bool save() const;

  bool checkedBefore() const { return FCheckedBefore; }
  const QStringList &keys() const { return FKeys; }

private:
  QString FAddress;
  QStringList FKeys; // oldest first
  bool FCheckedBefore = false;
};
