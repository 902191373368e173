#pragma once

#include "feeds/FeedDiscovery.h"
#include "platform/HttpClient.h"

#include <QString>

#include <functional>

class TSiteCatalogue;

// What an address typed into a feed row turned out to be, when it is saved.
struct TFoundFeeds {
  enum TKind { Feed, Links, Nothing };
  TKind kind = Nothing;
  QList<TFeedLink> links; // for Links, one or more
  // For the status line, naming the address; empty for a feed, and when the
  // search was cut off by closing.
  QString message;
};

// Fetches `url` into `file`, waiting as the caller must (the window keeps
// painting and cuts the transfer off when it closes).
using TFinderTransfer = std::function<THttpResult(const QString &url, const QString &file)>;

// The transfer's limits: a search holds the window, so it is shorter and
// smaller than a feed's download.
THttpOptions FinderOptions();

// Whether an address in a feed row is to be looked at on saving: one that
// is not in the catalogue yet (a feed read before is in it) and that could
// be fetched at all.
bool NeedsFinding(const QString &address, const TSiteCatalogue &sites);

// Fetches the address once and tells what it serves: a feed, a page naming
// feeds, or neither (with the reason).
TFoundFeeds FindFeeds(const QString &address, const TFinderTransfer &transfer);
