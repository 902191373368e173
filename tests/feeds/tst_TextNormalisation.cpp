#include "feeds/HtmlEntities.h"
#include "feeds/TextNormalisation.h"
#include "support/GoldenFile.h"

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

// A number, or else the longest name of the table that the text goes on with,
// unless it needs no ";" and runs on into a letter, a digit or "=".
QString decodeReferences(const QString &text) {
  static const QRegularExpression number(u"&#(?:[xX]([0-9A-Fa-f]+)|([0-9]+));?"_s);
  static const QString windows1252 = u"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ"_s;
  QString out;
  for (qsizetype i = 0; i < text.size();) {
    const QRegularExpressionMatch match = number.match(
        text, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    char32_t decoded[2] = {};
    qsizetype length = match.capturedLength(); // 0 without a number
    bool ok = false;
    if (length > 0)
      decoded[0] = match.hasCaptured(1) ? match.captured(1).toUInt(&ok, 16)
                                        : match.captured(2).toUInt(&ok, 10);
    if (length > 0 &&
        (!ok || decoded[0] == 0 || decoded[0] > 0x10FFFF || QChar::isSurrogate(decoded[0])))
      decoded[0] = 0xFFFD;
    else if (decoded[0] >= 0x80 && decoded[0] < 0xA0)
      decoded[0] = windows1252[decoded[0] - 0x80].unicode();
    for (qsizetype n = 32; text[i] == u'&' && length == 0 && n > 0; --n) {
      const QString name = text.mid(i + 1, n);
      const THtmlEntity entity = HtmlEntity(name.toStdString());
      decoded[0] = entity.first;
      decoded[1] = entity.second;
      length = entity.first != 0 ? name.size() + 1 : 0;
      const QChar next = i + length < text.size() ? text[i + length] : QChar();
      if (length != 0 && !name.endsWith(u';') &&
          ((next.unicode() < 128 && next.isLetterOrNumber()) || next == u'='))
        length = n = 0; // a legacy name run on into an address's parameter
    }
    out += length == 0 ? QString(text[i]) : QString::fromUcs4(decoded, decoded[1] != 0 ? 2 : 1);
    i += std::max<qsizetype>(length, 1);
  }
  return out;
}

// From a "<" to the next ">" or the end goes, and so does every other ">".
QString stripMarkup(const QString &text) {
  static const QRegularExpression markup(u"<[^>]*>?|>"_s);
  return decodeReferences(text.left(text.indexOf(QChar(0))).remove(markup));
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

// Pieces, "|" apart in tests/data/pieces (blanks percent-encoded), that string together
// into the patterns, characters that break them up, and the awkward cases: every break-tag
// spelling, double escapes, entities in the wrong case or cut by a tag, control characters.
const QStringList kPieces =
    QUrl::fromPercentEncoding(
        contentOf(QStringLiteral(VORNIX_TEST_DATA "/pieces/text-rules.txt")).replace('\n', ""))
        .split(u'|');

} // namespace

class TestTextNormalisation : public QObject {
  Q_OBJECT
private Q_SLOTS:
  // Every repeated step must reach its fixed point, in linear time, on runs far
  // longer than the random texts below.
  void longRunsCollapseFully() {
    const int n = 200000;
    QCOMPARE(NormaliseText(u"a"_s + u" "_s.repeated(n) + u"\n"_s.repeated(n) +
                           u"\n "_s.repeated(n) + u"<br />"_s.repeated(n) + u"b"_s),
             u"a \r\nb"_s);
    QCOMPARE(NormaliseText(u"a"_s + u"\n \r"_s.repeated(n) + u"b"_s),
             u"a\r\n"_s + u"\r\r\n"_s.repeated(n) + u"b"_s);
    QVERIFY(NormaliseText(u" \r\n\t\u0001"_s.repeated(n)).isEmpty());
  }

  void decodesReferencesAsABrowser_data() { addGoldenRows(u"references"_s); }
  // Each line of tests/data/references and what it reads as, hidden code points spelt out.
  void decodesReferencesAsABrowser() {
    QFETCH(QString, input);
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      dump += line + u"\n  "_s;
      for (const QChar c : StripMarkup(line))
        dump += c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
                    ? u"<U+%1>"_s.arg(c.unicode(), 4, 16, QChar(u'0'))
                    : QString(c);
      dump += u'\n';
    }
    compareWithGolden(input, dump);
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
