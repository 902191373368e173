#include "feeds/TextNormalisation.h"

#include "feeds/HtmlEntities.h"

#include <cstring>

// Every feed item runs through here after each download and on every step of
// navigation, so each stage is one linear pass over the text. The repeated
// replacements of the rule ("while the text still contains ...") are done as
// the single pass that computes their fixed point; the reasons each one is
// exact sit with the pass. The slow literal version lives in the tests, which
// compare the two on random text.

namespace {

constexpr char16_t Cr = u'\r';
constexpr char16_t Lf = u'\n';

bool isBlank(char16_t ch) {
  return ch <= u' ';
}

// The patterns compared without regard to case are ASCII, and only ASCII
// letters fold onto them, as HTML matches tag names: the bit arithmetic leaves
// every other character alone, so U+017F never passes for "s" in "&nbsp;".
bool sameLetter(char16_t ch, char16_t lower) {
  // Only letters fold: OR-ing 0x20 into a control character would turn it into
  // punctuation and let "&\x03160;" pass for "&#160;".
  return lower >= u'a' && lower <= u'z' && (ch | 0x20) == lower;
}

bool matchesAt(const char16_t *text, qsizetype at, qsizetype size, QStringView pattern,
               bool ignoringCase) {
  if (size - at < pattern.size())
    return false;
  for (qsizetype k = 0; k < pattern.size(); ++k) {
    const char16_t expected = pattern[k].unicode();
    const char16_t actual = text[at + k];
    if (actual != expected && !(ignoringCase && sameLetter(actual, expected)))
      return false;
  }
  return true;
}

// Trims blanks off both ends and reduces each run of spaces to one, in place.
// Halving every run of spaces until no two touch leaves one space per run, and
// runs never merge because whatever separates them is not a space.
void trimAndCollapseSpaces(QString &text) {
  const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(in[begin]))
    ++begin;
  while (end > begin && isBlank(in[end - 1]))
    --end;
  if (begin == end) {
    text.clear();
    return;
  }
  char16_t *out = reinterpret_cast<char16_t *>(text.data());
  qsizetype w = 0;
  for (qsizetype i = begin; i < end; ++i) {
    if (out[i] == u' ' && w > 0 && out[w - 1] == u' ')
      continue;
    out[w++] = out[i];
  }
  text.truncate(w);
}

// Length of a line-break tag starting at the "<" at `at`, or 0. Read together,
// the tag replacements take "<", an optional space, "br", an optional space,
// then either ">" or "/" with an optional space before ">" (the "/ >" to "/>"
// step runs between the two groups, so "< br / >" is a break too). All these
// spellings start with their only "<", so no two overlap, and the CR LF put in
// their place holds none of their characters, so no replacement makes a new
// one for a later group.
qsizetype lineBreakTagLength(const char16_t *text, qsizetype at, qsizetype size) {
  qsizetype i = at + 1;
  const auto take = [&](char16_t ch) {
    if (i < size && text[i] == ch) {
      ++i;
      return true;
    }
    return false;
  };
  const auto takeLetter = [&](char16_t lower) {
    if (i < size && sameLetter(text[i], lower)) {
      ++i;
      return true;
    }
    return false;
  };
  take(u' ');
  if (!takeLetter(u'b') || !takeLetter(u'r'))
    return 0;
  take(u' ');
  if (take(u'/'))
    take(u' ');
  return take(u'>') ? i - at : 0;
}

// Line ends, line-break tags, "/ >" and the non-breaking space entities, all
// in one pass. None of the patterns contains CR or LF, so expanding the line
// ends first or alongside finds the same tags; no tag overlaps a "/ >" outside
// it or an entity; and what each replacement inserts (CR, LF, "/>", a space)
// never completes a pattern of a later step. A CR becomes CR CR LF because the
// LF that the CR step adds is itself expanded by the LF step.
QString expandLineBreaks(const QString &text) {
  const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
  const qsizetype size = text.size();
  qsizetype grown = size;
  for (qsizetype i = 0; i < size; ++i)
    grown += in[i] == Cr ? 2 : in[i] == Lf ? 1 : 0;

  QString result(grown, Qt::Uninitialized);
  char16_t *out = reinterpret_cast<char16_t *>(result.data());
  qsizetype w = 0;
  qsizetype i = 0;
  while (i < size) {
    const char16_t ch = in[i];
    if (ch == Cr) {
      out[w++] = Cr;
      out[w++] = Cr;
      out[w++] = Lf;
      ++i;
    } else if (ch == Lf) {
      out[w++] = Cr;
      out[w++] = Lf;
      ++i;
    } else if (ch == u'<') {
      const qsizetype tag = lineBreakTagLength(in, i, size);
      if (tag > 0) {
        out[w++] = Cr;
        out[w++] = Lf;
        i += tag;
      } else {
        out[w++] = ch;
        ++i;
      }
    } else if (ch == u'/' && matchesAt(in, i, size, u"/ >", false)) {
      out[w++] = u'/';
      out[w++] = u'>';
      i += 3;
    } else if (ch == u'&' && (matchesAt(in, i, size, u"&#160;", false) ||
                              matchesAt(in, i, size, u"&nbsp;", true))) {
      out[w++] = u' ';
      i += 6;
    } else {
      out[w++] = ch;
      ++i;
    }
  }
  result.truncate(w);
  return result;
}

// Dropping the space of LF, space, CR leaves LF CR, which can neither start
// nor finish another such triple, so the repeated replacement is done after
// its first round: every space with LF before it and CR after it goes.
void dropSpacesBetweenLfAndCr(QString &text) {
  char16_t *d = reinterpret_cast<char16_t *>(text.data());
  const qsizetype size = text.size();
  qsizetype w = 0;
  char16_t previous = 0;
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t ch = d[i];
    const bool drop = ch == u' ' && previous == Lf && i + 1 < size && d[i + 1] == Cr;
    previous = ch;
    if (!drop)
      d[w++] = ch;
  }
  text.truncate(w);
}

// CR LF pairs cannot overlap, and shortening a run of adjacent pairs cannot
// make a new pair at its edges (a pair neither starts with LF nor ends with
// CR), so halving each run until no two pairs touch leaves one pair per run.
void collapseLineBreakRuns(QString &text) {
  char16_t *d = reinterpret_cast<char16_t *>(text.data());
  const qsizetype size = text.size();
  const auto pairAt = [&](qsizetype i) { return i + 1 < size && d[i] == Cr && d[i + 1] == Lf; };
  qsizetype w = 0;
  qsizetype i = 0;
  while (i < size) {
    if (pairAt(i)) {
      i += 2;
      while (pairAt(i))
        i += 2;
      d[w++] = Cr;
      d[w++] = Lf;
    } else {
      d[w++] = d[i++];
    }
  }
  text.truncate(w);
}

// One pass from left to right: what a reference stands for is never read
// again, so the "&" that "&amp;" yields starts nothing. It is never longer than
// the reference either, so the text is decoded in place, each reference by way
// of a scratch string kept per thread: a fresh string on each call made short
// titles some 15% slower. Most items hold few "&"; the text between them moves
// in blocks. Returns the decoded length.
qsizetype decodeEntities(char16_t *d, qsizetype size) {
  qsizetype i = QStringView(d, size).indexOf(QChar(u'&'));
  if (i < 0)
    return size;
  static thread_local QString scratch;
  scratch.resize(0);
  qsizetype w = i;
  while (i < size) {
    const qsizetype before = scratch.size();
    const qsizetype used = DecodeHtmlReference(d, i, size, scratch);
    if (used > 0) {
      for (qsizetype k = before; k < scratch.size(); ++k)
        d[w++] = scratch[k].unicode();
      if (scratch.size() > 64) // it lives as long as the thread
        scratch.resize(0);
      i += used;
    } else {
      d[w++] = d[i++];
    }
    qsizetype next = QStringView(d, size).indexOf(QChar(u'&'), i);
    if (next < 0)
      next = size;
    std::memmove(d + w, d + i, (next - i) * sizeof(char16_t));
    w += next - i;
    i = next;
  }
  return w;
}

} // namespace

QString StripMarkup(const QString &text) {
  const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
  const qsizetype size = text.size();
  QString result(size, Qt::Uninitialized);
  char16_t *out = reinterpret_cast<char16_t *>(result.data());
  qsizetype w = 0;
  bool inside = false;
  for (qsizetype i = 0; i < size && in[i] != 0; ++i) {
    const char16_t ch = in[i];
    if (ch == u'<')
      inside = true;
    else if (ch == u'>')
      inside = false;
    else if (!inside)
      out[w++] = ch;
  }
  result.truncate(decodeEntities(out, w));
  return result;
}

QString NormaliseText(const QString &text) {
  QString r = text;
  trimAndCollapseSpaces(r);
  if (r.isEmpty())
    return {};
  r = expandLineBreaks(r);
  dropSpacesBetweenLfAndCr(r);
  collapseLineBreakRuns(r);
  if (!r.isEmpty()) {
    r = StripMarkup(r);
    trimAndCollapseSpaces(r);
  }
  return r;
}
