#pragma once

// What must hold for the OPML reader whatever bytes a file holds. Shared by
// the libFuzzer target and the test that replays its corpus, so that a seed
// the fuzzer keeps is checked the same way in the sanitised test build.
#include "feeds/Opml.h"

namespace OpmlInvariants {

using namespace Qt::StringLiterals;

// Each feed as its path, name and address, for comparing two reads.
inline QStringList Described(const QList<TOpmlFeed> &feeds) {
  QStringList lines;
  for (const TOpmlFeed &feed : feeds)
    lines << feed.folders.join(u" / "_s) + u'\n' + feed.name + u'\n' + feed.address;
  return lines;
}

// An empty string when every invariant holds, else the first that broke:
// a refusal says why; a file read names 1 to kOpmlMaxFeeds feeds, each with
// an address; and what was read, written again a folder per run of feeds
// sharing a path, reads back as the same feeds in the same order.
inline QString Check(const QByteArray &bytes) {
  const TOpmlReadResult read = ReadOpml(bytes);
  if (!read.ok)
    return read.error.isEmpty() ? u"refused without a reason"_s : QString();
  const QList<TOpmlFeed> &feeds = read.document.feeds;
  if (feeds.isEmpty() || feeds.size() > kOpmlMaxFeeds)
    return u"read %1 feeds"_s.arg(feeds.size());
  QList<TOpmlFolder> folders;
  QString path;
  for (const TOpmlFeed &feed : feeds) {
    if (feed.address.isEmpty() || feed.name.isEmpty())
      return u"a feed without an address or a name"_s;
    if (folders.isEmpty() || feed.folders.join(u" / "_s) != path) {
      path = feed.folders.join(u" / "_s);
      folders.append({path, {}});
    }
    folders.last().feeds.append({feed.name, feed.address});
  }
  const TOpmlReadResult again = ReadOpml(WriteOpml(read.document.title, folders));
  if (!again.ok)
    return u"what was written is refused: "_s + again.error;
  if (again.document.title != read.document.title)
    return u"the title changed: "_s + again.document.title;
  QStringList before = Described(feeds), after = Described(again.document.feeds);
  for (qsizetype i = 0; i < std::max(before.size(), after.size()); ++i) {
    if (before.value(i) != after.value(i))
      return u"feed %1 changed: %2 became %3"_s.arg(i).arg(before.value(i), after.value(i));
  }
  return {};
}

} // namespace OpmlInvariants
