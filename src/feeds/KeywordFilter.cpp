#include "feeds/KeywordFilter.h"

namespace {

bool isSeparator(QChar ch) {
  return ch == u' ' || ch == u'\r' || ch == u'\n';
}

bool isQuote(QChar ch) {
  return ch == u'\'' || ch == u'"';
}

// Only code 32 and below: QString::trimmed() would also strip the
// non-breaking space, which Windows-1251 has and a keyword may hold.
QString trimBlanks(const QString &word) {
  qsizetype begin = 0;
  qsizetype end = word.size();
  while (begin < end && word[begin].unicode() <= 32)
    ++begin;
  while (end > begin && word[end - 1].unicode() <= 32)
    --end;
  return word.mid(begin, end - begin);
}

// Unicode's default lower-casing agrees with the Russian locale on every
// letter a Russian board writes (А-Я, Ё, the other Cyrillic capitals, ASCII);
// keywords and texts are lowered alike, so its few locale exceptions (İ,
// final sigma) still match themselves.
QString lowered(const QString &text) {
  return text.toLower();
}

} // namespace

QStringList SplitKeywords(const QString &filterText) {
  QStringList words;
  const qsizetype size = filterText.size();
  qsizetype i = 0;
  while (i < size) {
    while (i < size && isSeparator(filterText[i]))
      ++i;
    if (i == size)
      break;
    const qsizetype begin = i;
    QChar openQuote;
    while (i < size) {
      const QChar ch = filterText[i];
      if (!openQuote.isNull()) {
        if (ch == openQuote)
          openQuote = QChar();
      } else if (isQuote(ch)) {
        openQuote = ch;
      } else if (isSeparator(ch)) {
        break;
      }
      ++i;
    }
    words.append(filterText.mid(begin, i - begin));
  }
  return words;
}

TPreparedFilter::TPreparedFilter(const TKeywordFilter &filter) : FJoinWithOr(filter.joinWithOr) {
  const QStringList words = SplitKeywords(filter.text);
  FWords.reserve(words.size());
  for (const QString &word : words)
    FWords.append(lowered(trimBlanks(word)));

  if (!filter.inForce || filter.text.isEmpty()) {
    FMode = TMode::AcceptAll;
  } else if (!filter.text.contains(u' ')) {
    FMode = TMode::Substring;
    FNeedle = lowered(filter.text);
  } else {
    FMode = TMode::Keywords;
  }
}

bool TPreparedFilter::matches(const QString &text) const {
  if (text.isEmpty())
    return true;
  switch (FMode) {
  case TMode::AcceptAll:
    return true;
  case TMode::Substring:
    return text.contains(FNeedle, Qt::CaseInsensitive);
  case TMode::Keywords:
    return keywordsFoundIn(text);
  }
  return true;
}

bool TPreparedFilter::matchesKeywords(const QString &text) const {
  return keywordsFoundIn(text);
}

// Both loops start from false and let a word that trims to nothing leave the
// result alone. With AND that means a leading empty word, or no word at all,
// rejects every text, while an empty word after a match changes nothing.
// The search ignores case itself: lower-casing every description of a long
// feed on each step would cost more than the search.
bool TPreparedFilter::keywordsFoundIn(const QString &text) const {
  bool result = false;
  if (FJoinWithOr) {
    for (const QString &word : FWords) {
      if (!word.isEmpty() && !result)
        result = text.contains(word, Qt::CaseInsensitive);
      if (result)
        break;
    }
  } else {
    for (const QString &word : FWords) {
      if (!word.isEmpty())
        result = text.contains(word, Qt::CaseInsensitive);
      if (!result)
        break;
    }
  }
  return result;
}

bool MatchKeywords(const QString &text, const TKeywordFilter &filter) {
  return TPreparedFilter(filter).matchesKeywords(text);
}

bool MatchFilter(const QString &text, const TKeywordFilter &filter) {
  return TPreparedFilter(filter).matches(text);
}
