#include "feeds/KeywordFilter.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestKeywordFilter : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void splitKeywords_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("words"); // separated by "|"
    QTest::newRow("separators only") << u"  \r\n \n"_s << u""_s;
    QTest::newRow("CR and LF separate") << u"a\rb\nc\r\nd"_s << u"a|b|c|d"_s;
    QTest::newRow("tab is a word character") << u"a\tb \t c"_s << u"a\tb|\t|c"_s;
    QTest::newRow("quotes kept") << u"\"web design\" php 'a b'"_s << u"\"web design\"|php|'a b'"_s;
    QTest::newRow("quote inside a word") << u"ab\"c d\"e f"_s << u"ab\"c d\"e|f"_s;
    QTest::newRow("other kind inside single")
        << u"'say \"hi there' x\" y"_s << u"'say \"hi there'|x\" y"_s;
    QTest::newRow("unclosed runs to the end") << u"a \"b c  "_s << u"a|\"b c  "_s;
    QTest::newRow("CR LF inside a run") << u"'a\r\nb' c"_s << u"'a\r\nb'|c"_s;
  }
  void splitKeywords() {
    QFETCH(QString, filter);
    QFETCH(QString, words);
    QCOMPARE(SplitKeywords(filter), words.split(u'|', Qt::SkipEmptyParts));
  }

  void matchFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("joinWithOr");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("visible");
    const auto row = [](const char *name, QString filter, bool orJoin, QString text, bool seen) {
      QTest::newRow(name) << filter << orJoin << text << seen;
    };
    const bool And = false, Or = true;
    row("empty text passes", u"web design"_s, And, u""_s, true);
    row("empty filter passes", u""_s, And, u"php"_s, true);
    row("single word, case-insensitive", u"php"_s, And, u"Senior PHP programmer"_s, true);
    row("no word boundaries", u"ab"_s, And, u"cab"_s, true);
    row("no-space filter is not trimmed", u"ab\t"_s, And, u"cab"_s, false);
    row("no-space filter keeps quotes", u"\"php\""_s, And, u"php"_s, false);
    row("one word with a trailing space", u"php "_s, And, u"Senior PHP programmer"_s, true);
    row("AND both in one field", u"web design"_s, And, u"Web and graphic DESIGN"_s, true);
    row("AND one missing", u"web design"_s, And, u"web developer"_s, false);
    row("OR either", u"web design"_s, Or, u"interior design"_s, true);
    row("OR neither", u"web design"_s, Or, u"backend developer"_s, false);
    row("spaces-only filter hides", u"   "_s, And, u"anything"_s, false);
    row("spaces-only filter hides with OR", u"  \r\n "_s, Or, u"anything"_s, false);
    row("AND leading blank word rejects", u"\t web"_s, And, u"web"_s, false);
    row("AND trailing blank word ignored", u"web \t"_s, And, u"web"_s, true);
    row("OR blank words skipped", u"\t \x01 web"_s, Or, u"web"_s, true);
    row("words are trimmed", u"\tweb\t design"_s, And, u"webdesign"_s, true);
    row("non-breaking space is not trimmed", u"web \u00A0"_s, And, u"web design"_s, false);
    row("non-breaking space matched", u"web \u00A0"_s, And, u"web\u00A0design"_s, true);
    row("quoted phrase needs its quotes", u"\"web design\""_s, And, u"web design"_s, false);
    row("quoted phrase matched", u"\"web design\""_s, And, u"we do \"Web Design\"!"_s, true);
    row("Cyrillic upper filter", u"РАЗРАБОТЧИК"_s, And, u"Ищем разработчика"_s, true);
    row("Cyrillic lower filter", u"разработчик"_s, And, u"ВЕДУЩИЙ РАЗРАБОТЧИК"_s, true);
    row("Yo folds", u"ёлка"_s, And, u"НОВОГОДНЯЯ ЁЛКА"_s, true);
    row("Yo is not Ye", u"ёлка"_s, And, u"ЕЛКА"_s, false);
    row("other Windows-1251 capitals", u"ҐЄІЇЎЈЉЊЋЌЏЅ"_s, And, u"-ґєіїўјљњћќџѕ-"_s, true);
  }
  void matchFilter() {
    QFETCH(QString, filter);
    QFETCH(bool, joinWithOr);
    QFETCH(QString, text);
    QTEST(MatchFilter(text, {filter, true, joinWithOr}), "visible");
    QVERIFY(MatchFilter(text, {filter, false, joinWithOr})); // not in force: all pass
  }
};

QTEST_GUILESS_MAIN(TestKeywordFilter)
#include "tst_KeywordFilter.moc"
