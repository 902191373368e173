#pragma once

#include "feeds/FeedDocument.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A feed a web page names in its head, as browsers and readers find it:
// <link rel="alternate" type="application/rss+xml" href="…" title="…">.
struct TFeedLink {
  QString address; // absolute, http or https
  QString title;   // the link's title, else the name of its format
  TFeedFormat format = TFeedFormat::Unknown;
  bool operator==(const TFeedLink &) const = default;
};

// What an address turned out to serve: a feed itself, a page naming feeds,
// or neither.
struct TFeedDiscovery {
  enum TKind { Feed, Page, Neither };
  TKind kind = Neither;
  QList<TFeedLink> links; // for a page, in the order it names them, each once
};

// Pages larger than this are not searched: the links stand in the head.
constexpr qsizetype kDiscoveryMaxPageBytes = 4 * 1024 * 1024;

// Tells what the body fetched from `address` is. A page's links are resolved
// against its <base> and its address; only http and https ones are kept.
// `contentType` is the server's, for the charset it names.
TFeedDiscovery DiscoverFeeds(const QByteArray &body, const QByteArray &contentType,
                             const QString &address);
