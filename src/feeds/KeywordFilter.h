#pragma once

#include <QString>
#include <QStringList>

// The state of the filter controls that matching depends on.
struct TKeywordFilter {
  QString text;            // EditFilter's text, as typed (not trimmed)
  bool inForce = false;    // the check box is visible, enabled and ticked
  bool joinWithOr = false; // CBFilterAssociation index 1; anything else joins with AND
};

// Spaces, CR and LF separate words. A single or a double quote opens a run
// that only the next quote of the same kind closes, so inside it nothing
// separates (CR and LF included) and the other kind of quote is an ordinary
// character; the quotes stay part of the word and an unclosed run takes the
// rest of the text. Tabs and other control characters are word characters
// here: matching trims them off later, which is how a word can end up empty.
QStringList SplitKeywords(const QString &filterText);

// A filter lower-cased and split once. The feed walk asks about three fields
// of every item on each navigation step, so the per-call work is only the
// lower-casing of the text and the substring searches.
class TPreparedFilter {
public:
  explicit TPreparedFilter(const TKeywordFilter &filter);

  // MatchFilter's answer.
  bool matches(const QString &text) const;
  // MatchKeywords's answer: the word loop alone, whether or not the filter is
  // in force, and even for an empty text or a filter without spaces.
  bool matchesKeywords(const QString &text) const;
  // True when matches() accepts every text, so a caller may skip the fields.
  bool acceptsEverything() const { return FMode == TMode::AcceptAll; }

private:
  enum class TMode { AcceptAll, Substring, Keywords };

  bool keywordsFoundIn(const QString &text) const;

  TMode FMode = TMode::AcceptAll;
  bool FJoinWithOr = false;
  QString FNeedle;    // the whole filter text, lower-cased, untrimmed
  QStringList FWords; // trimmed and lower-cased; empty entries kept, AND depends on them
};

bool MatchKeywords(const QString &text, const TKeywordFilter &filter);
bool MatchFilter(const QString &text, const TKeywordFilter &filter);
