#include "feeds/TextNormalisation.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The rule as written: each replacement scans left to right without reading
// back what it inserted, and the "while" steps repeat until nothing matches.
// Slow on purpose; the production passes must agree with it.
namespace literal {

bool isBlank(QChar ch) {
  return ch.unicode() <= 32;
}

QString trimBlanks(const QString &text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(text[begin]))
    ++begin;
  while (end > begin && isBlank(text[end - 1]))
    --end;
  return text.mid(begin, end - begin);
}

// ASCII-only folding, as the patterns are ASCII; QString::replace would also
// fold letters such as U+017F onto "s".
bool matchesAt(const QString &text, qsizetype at, const QString &pattern, bool ignoringCase) {
  if (text.size() - at < pattern.size())
    return false;
  for (qsizetype k = 0; k < pattern.size(); ++k) {
    const char16_t a = text[at + k].unicode();
    const char16_t b = pattern[k].unicode();
    const bool letter = (b >= u'a' && b <= u'z');
    if (a != b && !(ignoringCase && letter && a == b - 32))
      return false;
  }
  return true;
}

QString replaceAll(const QString &text, const QString &pattern, const QString &with,
                   bool ignoringCase = false) {
  QString out;
  qsizetype i = 0;
  while (i < text.size()) {
    if (matchesAt(text, i, pattern, ignoringCase)) {
      out += with;
      i += pattern.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

bool contains(const QString &text, const QString &pattern) {
  for (qsizetype i = 0; i < text.size(); ++i)
    if (matchesAt(text, i, pattern, false))
      return true;
  return false;
}

QString stripMarkup(const QString &text) {
  QString out;
  bool inside = false;
  for (QChar ch : text) {
    if (ch.unicode() == 0)
      break;
    if (ch == u'<')
      inside = true;
    else if (ch == u'>')
      inside = false;
    else if (!inside)
      out += ch;
  }
  out = replaceAll(out, u"&quot;"_s, u"\""_s);
  out = replaceAll(out, u"&apos;"_s, u"'"_s);
  out = replaceAll(out, u"&gt;"_s, u">"_s);
  out = replaceAll(out, u"&lt;"_s, u"<"_s);
  out = replaceAll(out, u"&amp;"_s, u"&"_s);
  return out;
}

QString normaliseText(const QString &text) {
  const QString crlf = u"\r\n"_s;
  QString r = trimBlanks(text);
  if (r.isEmpty())
    return {};
  while (contains(r, u"  "_s))
    r = replaceAll(r, u"  "_s, u" "_s);
  r = replaceAll(r, u"\r"_s, crlf);
  r = replaceAll(r, u"\n"_s, crlf);
  for (const QString &tag : {u"<br>"_s, u"< br>"_s, u"<br >"_s, u"< br >"_s})
    r = replaceAll(r, tag, crlf, true);
  r = replaceAll(r, u"/ >"_s, u"/>"_s, true);
  for (const QString &tag : {u"<br/>"_s, u"< br/>"_s, u"<br />"_s, u"< br />"_s})
    r = replaceAll(r, tag, crlf, true);
  r = replaceAll(r, u"&#160;"_s, u" "_s, true);
  r = replaceAll(r, u"&nbsp;"_s, u" "_s, true);
  while (contains(r, u"\n \r"_s))
    r = replaceAll(r, u"\n \r"_s, u"\n\r"_s);
  while (contains(r, u"\r\n\r\n"_s))
    r = replaceAll(r, u"\r\n\r\n"_s, crlf);
  if (!r.isEmpty()) {
    r = trimBlanks(stripMarkup(r));
    while (contains(r, u"  "_s))
      r = replaceAll(r, u"  "_s, u" "_s);
  }
  return r;
}

} // namespace literal

// Pieces that form the patterns often when strung together at random, plus
// single characters that break them up.
const QStringList &pieces() {
  static const QStringList list = {
      u" "_s,     u" "_s,    u"\r"_s,   u"\n"_s,          u"\n"_s,     u"<"_s,     u">"_s,
      u"/"_s,     u"b"_s,    u"B"_s,    u"r"_s,           u"R"_s,      u"&"_s,     u";"_s,
      u"a"_s,     u"m"_s,    u"p"_s,    u"l"_s,           u"t"_s,      u"g"_s,     u"n"_s,
      u"N"_s,     u"s"_s,    u"#"_s,    u"1"_s,           u"6"_s,      u"0"_s,     u"q"_s,
      u"u"_s,     u"o"_s,    u"A"_s,    u"\t"_s,          u"\u00a0"_s, u"ж"_s,     u"\""_s,
      u"<br"_s,   u"< BR"_s, u"/ >"_s,  u" />"_s,         u"&nbsp;"_s, u"&NbSp"_s, u"&#160;"_s,
      u"&amp;"_s, u"&lt;"_s, u"&gt;"_s, u"&quot;"_s,      u"&apos;"_s, u"\r\n"_s,  u"\n \r"_s,
      u"<p>"_s,   u"</p>"_s, u"  "_s,   QString(QChar(0))};
  return list;
}

QString randomText(QRandomGenerator &random) {
  const int count = random.bounded(1, 24);
  QString text;
  for (int i = 0; i < count; ++i)
    text += pieces()[random.bounded(int(pieces().size()))];
  return text;
}

} // namespace

class TestTextNormalisation : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void normalise_data();
  void normalise();
  void stripMarkup_data();
  void stripMarkup();
  void longRunsCollapseFully_data();
  void longRunsCollapseFully();
  void agreesWithTheRuleAsWritten();
};

void TestTextNormalisation::normalise_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("expected");

  QTest::newRow("blanks around and between") << u"  Hello   world  "_s << u"Hello world"_s;
  QTest::newRow("only blanks") << u" \t\r\n \u0001"_s << QString();
  QTest::newRow("character 160 is not blank")
      << u"\u00a0 a\u00a0\u00a0b \u00a0"_s << u"\u00a0 a\u00a0\u00a0b \u00a0"_s;
  QTest::newRow("tab is not a space") << u"a \t b"_s << u"a \t b"_s;

  QTest::newRow("<br>") << u"a<br>b"_s << u"a\r\nb"_s;
  QTest::newRow("<BR/>") << u"a<BR/>b"_s << u"a\r\nb"_s;
  QTest::newRow("< br / >") << u"a< br / >b"_s << u"a\r\nb"_s;
  QTest::newRow("<br />") << u"a<br />b"_s << u"a\r\nb"_s;
  QTest::newRow("<BR / >") << u"a<BR / >b"_s << u"a\r\nb"_s;
  QTest::newRow("< Br >") << u"a< Br >b"_s << u"a\r\nb"_s;
  QTest::newRow("double spaces in the tag collapse first") << u"a<  br  />b"_s << u"a\r\nb"_s;
  QTest::newRow("<br> with an attribute is markup") << u"a<br class=x>b"_s << u"ab"_s;
  QTest::newRow("space made by &nbsp; is too late for the tag") << u"a<br&nbsp;/>b"_s << u"ab"_s;
  QTest::newRow("escaped <br> stays text") << u"a&lt;br&gt;b"_s << u"a<br>b"_s;
  QTest::newRow("break tag at the ends") << u"<br>Hello<br/>"_s << u"Hello"_s;

  QTest::newRow("LF") << u"line1\nline2"_s << u"line1\r\nline2"_s;
  QTest::newRow("empty line") << u"line1\n\nline2"_s << u"line1\r\nline2"_s;
  QTest::newRow("line of one space") << u"line1\n \nline2"_s << u"line1\r\nline2"_s;
  QTest::newRow("line of a tab stays") << u"a\n\t\nb"_s << u"a\r\n\t\r\nb"_s;
  QTest::newRow("breaks and tags") << u"a<br>\n<br />\n\nb"_s << u"a\r\nb"_s;
  QTest::newRow("empty paragraph between breaks survives") << u"a\n<p></p>\nb"_s << u"a\r\n\r\nb"_s;
  QTest::newRow("CR then line break") << u"line1\r\nline2"_s << u"line1\r\r\nline2"_s;
  QTest::newRow("CR then tag") << u"a\r<br>b"_s << u"a\r\r\nb"_s;

  QTest::newRow("paragraphs") << u"<p>Hi</p> there"_s << u"Hi there"_s;
  QTest::newRow("lone >") << u"5 > 3"_s << u"5 3"_s;
  QTest::newRow("lone < swallows the rest") << u"a < b"_s << u"a"_s;
  QTest::newRow("< swallows up to the next >") << u"a < b <i>c</i> d"_s << u"a c d"_s;
  QTest::newRow("only markup") << u"<img src=x>"_s << QString();
  QTest::newRow("only markup and breaks") << u" <p><br></p>\n<hr/> "_s << QString();

  QTest::newRow("escaped markup stays") << u"&lt;b&gt;bold&lt;/b&gt;"_s << u"<b>bold</b>"_s;
  QTest::newRow("doubly escaped decodes once") << u"&amp;lt;"_s << u"&lt;"_s;
  QTest::newRow("&amp;amp;") << u"&amp;amp;"_s << u"&amp;"_s;
  QTest::newRow("&amp;nbsp; is decoded after the spaces") << u"a&amp;nbsp;b"_s << u"a&nbsp;b"_s;
  QTest::newRow("quotes") << u"&quot;Hi&quot; &apos;x&apos;"_s << u"\"Hi\" 'x'"_s;
  QTest::newRow("entities are case-sensitive") << u"&QUOT;&Amp;&LT;"_s << u"&QUOT;&Amp;&LT;"_s;
  QTest::newRow("entity split by a tag") << u"&am<b>p;"_s << u"&"_s;
  QTest::newRow("nbsp") << u"Tom&nbsp;&amp;&nbsp;Jerry"_s << u"Tom & Jerry"_s;
  QTest::newRow("&NBSP; and &#160;") << u"a&NBSP;b&#160;c&NbSp;d"_s << u"a b c d"_s;
  QTest::newRow("nbsp runs collapse") << u"&nbsp;&#160;a&nbsp;&nbsp;b&#160;"_s << u"a b"_s;
  QTest::newRow("control characters are not letters")
      << u"a&\u0003160;b<\u0002r>c"_s << u"a&\u0003160;bc"_s;
  QTest::newRow("nbsp-only line") << u"a\n&nbsp;\nb"_s << u"a\r\nb"_s;

  QTest::newRow("Cyrillic")
      << u"<p>Вакансия:&nbsp;программист&nbsp;C++</p><br />Зарплата &amp;laquo;100&amp;raquo;"_s
      << u"Вакансия: программист C++\r\nЗарплата &laquo;100&raquo;"_s;

  QTest::newRow("NUL ends the text") << u"ab\u0000cd"_s << u"ab"_s;
  QTest::newRow("NUL inside markup") << u"x<b\u0000>y"_s << u"x"_s;
  QTest::newRow("NUL at the ends is blank") << u"\u0000ab\u0000"_s << u"ab"_s;
}

void TestTextNormalisation::normalise() {
  QFETCH(QString, text);
  QFETCH(QString, expected);
  QCOMPARE(NormaliseText(text), expected);
}

void TestTextNormalisation::stripMarkup_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("expected");
  QTest::newRow("tags and stray >") << u"a<b>c</b>>d"_s << u"acd"_s;
  QTest::newRow("nested <") << u"a<<b>c>d"_s << u"acd"_s;
  QTest::newRow("entities in order") << u"&amp;quot;&quot;&gt;&amp;"_s << u"&quot;\">&"_s;
  QTest::newRow("blanks are kept") << u"  a  \r\n"_s << u"  a  \r\n"_s;
  QTest::newRow("stops at NUL") << u"a&amp\u0000;b"_s << u"a&amp"_s;
}

void TestTextNormalisation::stripMarkup() {
  QFETCH(QString, text);
  QFETCH(QString, expected);
  QCOMPARE(StripMarkup(text), expected);
}

void TestTextNormalisation::longRunsCollapseFully_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("expected");
  const int n = 200000;
  QTest::newRow("spaces") << u"a"_s + u" "_s.repeated(n) + u"b"_s << u"a b"_s;
  QTest::newRow("line breaks") << u"a"_s + u"\n"_s.repeated(n) + u"b"_s << u"a\r\nb"_s;
  QTest::newRow("lines of one space") << u"a"_s + u"\n "_s.repeated(n) + u"\nb"_s << u"a\r\nb"_s;
  QTest::newRow("LF space CR") << u"a"_s + u"\n \r"_s.repeated(n) + u"b"_s
                               << u"a\r\n"_s + u"\r\r\n"_s.repeated(n) + u"b"_s;
  QTest::newRow("break tags") << u"a"_s + u"<br />"_s.repeated(n) + u"b"_s << u"a\r\nb"_s;
  QTest::newRow("only blanks") << u" \r\n\t"_s.repeated(n) << QString();
}

void TestTextNormalisation::longRunsCollapseFully() {
  QFETCH(QString, text);
  QFETCH(QString, expected);
  QCOMPARE(NormaliseText(text), expected);
}

void TestTextNormalisation::agreesWithTheRuleAsWritten() {
  QRandomGenerator random(20240611);
  for (int run = 0; run < 4000; ++run) {
    const QString text = randomText(random);
    const QString expected = literal::normaliseText(text);
    if (NormaliseText(text) != expected)
      QFAIL(qPrintable(u"input %1"_s.arg(QString::fromLatin1(text.toUtf8().toPercentEncoding()))));
    if (StripMarkup(text) != literal::stripMarkup(text))
      QFAIL(qPrintable(
          u"StripMarkup input %1"_s.arg(QString::fromLatin1(text.toUtf8().toPercentEncoding()))));
  }
}

QTEST_APPLESS_MAIN(TestTextNormalisation)

#include "tst_TextNormalisation.moc"
