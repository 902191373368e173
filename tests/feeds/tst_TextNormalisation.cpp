#include "feeds/TextNormalisation.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The rule as written, slow on purpose: each replacement scans once without
// reading back what it inserted, as QString::replace does, and the "while"
// steps repeat until nothing matches. (Qt's case folding would also take U+017F
// for "s"; the random texts never hold it.)
namespace literal {

// Blank is every code up to the space, NUL and control characters included.
QString trimBlanks(const QString &text) {
  static const QRegularExpression blankEnds(u"\\A[\\x{0}-\\x{20}]+|[\\x{0}-\\x{20}]+\\z"_s);
  return QString(text).remove(blankEnds);
}

void replaceWhileFound(QString &text, const QString &pattern, const QString &with) {
  while (text.contains(pattern))
    text.replace(pattern, with);
}

// From a "<" to the next ">" or the end goes, and so does every other ">".
QString stripMarkup(const QString &text) {
  static const QRegularExpression markup(u"<[^>]*>?|>"_s);
  QString out = text.left(text.indexOf(QChar(0))).remove(markup);
  const QStringList entities{u"&quot;"_s, u"\""_s,   u"&apos;"_s, u"'"_s,     u"&gt;"_s,
                             u">"_s,      u"&lt;"_s, u"<"_s,      u"&amp;"_s, u"&"_s};
  for (qsizetype i = 0; i < entities.size(); i += 2)
    out.replace(entities[i], entities[i + 1]);
  return out;
}

QString normaliseText(const QString &text) {
  const QString crlf = u"\r\n"_s;
  QString r = trimBlanks(text);
  if (r.isEmpty())
    return {};
  replaceWhileFound(r, u"  "_s, u" "_s);
  r.replace(u"\r"_s, crlf).replace(u"\n"_s, crlf);
  for (const QString &tag : {u"<br>"_s, u"< br>"_s, u"<br >"_s, u"< br >"_s})
    r.replace(tag, crlf, Qt::CaseInsensitive);
  r.replace(u"/ >"_s, u"/>"_s, Qt::CaseInsensitive);
  for (const QString &tag : {u"<br/>"_s, u"< br/>"_s, u"<br />"_s, u"< br />"_s})
    r.replace(tag, crlf, Qt::CaseInsensitive);
  r.replace(u"&#160;"_s, u" "_s, Qt::CaseInsensitive);
  r.replace(u"&nbsp;"_s, u" "_s, Qt::CaseInsensitive);
  replaceWhileFound(r, u"\n \r"_s, u"\n\r"_s);
  replaceWhileFound(r, u"\r\n\r\n"_s, crlf);
  if (!r.isEmpty()) {
    r = trimBlanks(stripMarkup(r));
    replaceWhileFound(r, u"  "_s, u" "_s);
  }
  return r;
}

} // namespace literal

// Pieces, separated by "|", that string together into the patterns, characters
// that break them up, and the awkward cases: every break-tag spelling, double
// escapes, entities in the wrong case or cut by a tag, control characters.
const QStringList kPieces =
    u" | |\r|\n|\n|<|>|/|b|B|r|R|&|;|a|m|p|l|t|g|n|N|s|#|1|6|0|q|u|o|A|\t|\u00a0|ж|\"|<br|< BR|"
    u"/ >| />|&nbsp;|&NbSp|&#160;|&amp;|&lt;|&gt;|&quot;|&apos;|\r\n|\n \r|<p>|</p>|  |"
    u"<br>|< br>|<BR >|< br >|<Br/>|< br/>|<br />|< bR />|<bR / >|< br / >|<  br  />|"
    u"<br class=x>|<br&nbsp;/>|&lt;br&gt;|\n\t\n|\n \n|\n<p></p>\n|&amp;nbsp;|&amp;lt;|"
    u"&amp;amp;|&QUOT;|&Amp;|&LT;|&am<b>p;|&am|p;|\n&NBSP;\n|&nbsp\u001b|&\u0003160;|<\u0002r>"_s
        .split(u'|')
    << QString(QChar(0));

} // namespace

class TestTextNormalisation : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // Every repeated step must reach its fixed point, in linear time, on runs far
  // longer than the random texts below.
  void longRunsCollapseFully_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const int n = 200000;
    QTest::newRow("long runs") << u"a"_s + u" "_s.repeated(n) + u"\n"_s.repeated(n) +
                                      u"\n "_s.repeated(n) + u"<br />"_s.repeated(n) + u"b"_s
                               << u"a \r\nb"_s;
    QTest::newRow("long LF space CR") << u"a"_s + u"\n \r"_s.repeated(n) + u"b"_s
                                      << u"a\r\n"_s + u"\r\r\n"_s.repeated(n) + u"b"_s;
    QTest::newRow("long blanks only") << u" \r\n\t\u0001"_s.repeated(n) << QString();
  }
  void longRunsCollapseFully() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(NormaliseText(text), expected);
  }

  void agreesWithTheRuleAsWritten() {
    QRandomGenerator random(20240611);
    for (int run = 0; run < 4000; ++run) {
      QString text;
      for (int count = random.bounded(1, 24); count > 0; --count)
        text += kPieces[random.bounded(int(kPieces.size()))];
      const QByteArray input = text.toUtf8().toPercentEncoding();
      QVERIFY2(NormaliseText(text) == literal::normaliseText(text), input.constData());
      QVERIFY2(StripMarkup(text) == literal::stripMarkup(text), input.constData());
    }
  }
};

QTEST_APPLESS_MAIN(TestTextNormalisation)

#include "tst_TextNormalisation.moc"
