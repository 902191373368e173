#include "feeds/KeywordFilter.h"
#include "support/GoldenFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestKeywordFilter : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void filters_data() { addGoldenRows(u"keywords"_s); }
  // Each line "<filter>|<text>" (percent escapes, "#" a comment) gives the filter's words and
  // whether the text shows with them joined by AND and by OR; with the filter off all pass.
  void filters() {
    QFETCH(QString, input);
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      const QString filter = PercentFields(line).value(0), text = PercentFields(line).value(1);
      QStringList words;
      for (const QString &word : SplitKeywords(filter))
        words << u'[' + PercentEscaped(word) + u']';
      const auto shows = [&](bool orJoin) {
        QVERIFY(MatchFilter(text, {filter, false, orJoin}));
        dump += MatchFilter(text, {filter, true, orJoin}) ? u" shows"_s : u" hides"_s;
      };
      dump += line + u"\n  "_s + words.join(u' ') + u"; AND"_s;
      shows(false);
      dump += u", OR"_s;
      shows(true);
      dump += u'\n';
    }
    compareWithGolden(input, dump);
  }
};

QTEST_GUILESS_MAIN(TestKeywordFilter)
#include "tst_KeywordFilter.moc"
