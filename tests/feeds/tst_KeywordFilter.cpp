#include "feeds/KeywordFilter.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestKeywordFilter : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void splitKeywords_data();
  void splitKeywords();
  void matchFilter_data();
  void matchFilter();
};

void TestKeywordFilter::splitKeywords_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("words");

  QTest::newRow("empty") << u""_s << QStringList();
  QTest::newRow("separators only") << u"  \r\n \n"_s << QStringList();
  QTest::newRow("CR and LF separate")
      << u"a\rb\nc\r\nd"_s << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
  QTest::newRow("tab is a word character")
      << u"a\tb \t c"_s << QStringList{u"a\tb"_s, u"\t"_s, u"c"_s};
  QTest::newRow("double quotes kept")
      << u"\"web design\" php"_s << QStringList{u"\"web design\""_s, u"php"_s};
  QTest::newRow("single quotes kept")
      << u"x 'web design'"_s << QStringList{u"x"_s, u"'web design'"_s};
  QTest::newRow("quote inside a word") << u"ab\"c d\"e f"_s << QStringList{u"ab\"c d\"e"_s, u"f"_s};
  QTest::newRow("other kind inside single")
      << u"'say \"hi there' x\" y"_s << QStringList{u"'say \"hi there'"_s, u"x\" y"_s};
  QTest::newRow("unclosed runs to the end") << u"a \"b c  "_s << QStringList{u"a"_s, u"\"b c  "_s};
  QTest::newRow("CR LF inside a run") << u"'a\r\nb' c"_s << QStringList{u"'a\r\nb'"_s, u"c"_s};
}

void TestKeywordFilter::splitKeywords() {
  QFETCH(QString, filter);
  QFETCH(QStringList, words);
  QCOMPARE(SplitKeywords(filter), words);
}

void TestKeywordFilter::matchFilter_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<bool>("inForce");
  QTest::addColumn<bool>("joinWithOr");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("visible");

  const auto row = [](const char *name, const QString &filter, bool orJoin, const QString &text,
                      bool visible) {
    QTest::newRow(name) << filter << true << orJoin << text << visible;
  };
  const bool And = false;
  const bool Or = true;

  row("empty text passes", u"web design"_s, And, u""_s, true);
  QTest::newRow("not in force passes") << u"web"_s << false << false << u"php"_s << true;
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
  row("quoted phrase and word", u"'web design' php"_s, And, u"'web design' in php"_s, true);

  row("Cyrillic upper filter", u"РАЗРАБОТЧИК"_s, And, u"Ищем разработчика"_s, true);
  row("Cyrillic lower filter", u"разработчик"_s, And, u"ВЕДУЩИЙ РАЗРАБОТЧИК"_s, true);
  row("Yo folds", u"ёлка"_s, And, u"НОВОГОДНЯЯ ЁЛКА"_s, true);
  row("Yo is not Ye", u"ёлка"_s, And, u"ЕЛКА"_s, false);
  row("other Windows-1251 capitals", u"ҐЄІЇЎЈЉЊЋЌЏЅ"_s, And, u"-ґєіїўјљњћќџѕ-"_s, true);
}

void TestKeywordFilter::matchFilter() {
  QFETCH(QString, filter);
  QFETCH(bool, inForce);
  QFETCH(bool, joinWithOr);
  QFETCH(QString, text);
  QFETCH(bool, visible);

  const TKeywordFilter state{filter, inForce, joinWithOr};
  QCOMPARE(MatchFilter(text, state), visible);
}

QTEST_GUILESS_MAIN(TestKeywordFilter)
#include "tst_KeywordFilter.moc"
