// Feeds come from strangers: whatever bytes arrive, parsing and walking them
// must end, without a crash, with positions that count the visible items.
#include "feeds/FeedDocument.h"
#include "feeds/FeedWalk.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const TFeedParseResult parsed = ParseFeed(bytes);
  if (!parsed.ok()) {
    if (parsed.status == TFeedParseResult::ParseError && parsed.message.isEmpty())
      std::abort(); // a rejected feed always says why
    return 0;
  }
  const TItemFilter some = [](const QString &text) { return text.contains(u'a'); };
  int expected = 0;
  const int met = WalkFeedItems(*parsed.content, some, [&](const TWalkItem &visible) {
    if (visible.position != expected++)
      std::abort();
    return true;
  });
  if (met != parsed.content->items.size() || expected > met)
    std::abort();
  return 0;
}
