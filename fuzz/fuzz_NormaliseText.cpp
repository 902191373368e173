// Feeds any bytes, read as UTF-8 so that every character (NUL, the control
// characters, 160, Cyrillic, surrogate pairs) is reachable, through item text
// normalisation and checks what must hold for every input.
#include "feeds/TextNormalisation.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool isBlank(QChar ch) {
  return ch.unicode() <= 32;
}

void check(bool holds) {
  if (!holds)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QString result = NormaliseText(text);

  // The last step trims and collapses spaces, and StripMarkup stops at NUL.
  if (!result.isEmpty()) {
    check(!isBlank(result.front()));
    check(!isBlank(result.back()));
  }
  check(!result.contains(u"  "));
  check(!result.contains(QChar(0)));

  // Every LF comes out behind a CR bar those a character reference stands for
  // ("&#10;", "&NewLine;"), one per "&" at most: LF and CR both gain a CR in
  // front of their LF, tags become CR LF, markup cannot cut a CR LF apart
  // (neither is a tag bracket) and a trimmed CR takes its LF with it.
  qsizetype bareLfs = 0;
  for (qsizetype i = 0; i < result.size(); ++i)
    bareLfs += result[i] == u'\n' && (i == 0 || result[i - 1] != u'\r');
  check(bareLfs <= text.count(u'&'));

  // Only a CR grows (to CR CR LF); everything else keeps or loses length.
  check(result.size() <= 3 * text.size());

  // Markup stripping never adds a character it was not given, bar decoded
  // references, which are never longer than what they replace.
  check(StripMarkup(text).size() <= text.size());
  return 0;
}
