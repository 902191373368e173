#pragma once

#include "feeds/FeedDocument.h"

#include <functional>

// Whether one normalised field of an item lets the item be seen. The keyword
// filter plugs in here; without it every item is visible.
using TItemFilter = std::function<bool(const QString &text)>;

// One visible item as the walk hands it over.
struct TWalkItem {
  int position = 0; // among the visible items, from 0
  const TFeedItem *item = nullptr;
};

// Walks the items in document order. An item is visible when the filter
// accepts its title, else its link, else its description. `visit` returns
// false to stop. Returns how many items were met, visible or not.
int WalkFeedItems(const TFeedContent &content, const TItemFilter &filter,
                  const std::function<bool(const TWalkItem &)> &visit);

// The position of the first visible item whose raw link text equals `link`,
// or -1; also -1, silently, when the file is missing or not a feed.
int FindItemPosition(TFeedDocument &document, const QString &link, const TItemFilter &filter);

// Where the feed of tab `tabIndex` at `address` is kept: "xml/" + the tab
// index + the address's last segment (after the last "/", "\" or ":").
QString FeedFileName(int tabIndex, const QString &address);
