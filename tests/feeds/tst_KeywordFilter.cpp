#include "feeds/KeywordFilter.h"
#include "support/GoldenFile.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Percent escapes for what a dump line would hide.
QString escaped(const QString &text) {
  QString out;
  for (const QChar c : text)
    out += c.unicode() < 0x20 || c == u'%' || c == u'\u00a0'
               ? QString::fromLatin1(QString(c).toUtf8().toPercentEncoding())
               : QString(c);
  return out;
}

} // namespace

class TestKeywordFilter : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void filters_data() { addGoldenRows(u"keywords"_s); }
  // Each line "<filter>|<text>" (percent escapes, "#" a comment) gives the filter's words and
  // whether the text shows with them joined by AND and by OR; with the filter off all pass.
  void filters() {
    QFETCH(QString, input);
    QString dump;
    for (const QByteArray &line : contentOf(input).split('\n')) {
      if (line.isEmpty() || line.startsWith('#'))
        continue;
      const auto part = [&](int k) {
        return QString::fromUtf8(QByteArray::fromPercentEncoding(line.split('|').value(k)));
      };
      const QString filter = part(0), text = part(1);
      QStringList words;
      for (const QString &word : SplitKeywords(filter))
        words << u'[' + escaped(word) + u']';
      const auto shows = [&](bool orJoin) {
        QVERIFY(MatchFilter(text, {filter, false, orJoin}));
        dump += MatchFilter(text, {filter, true, orJoin}) ? u" shows"_s : u" hides"_s;
      };
      dump += QString::fromUtf8(line) + u"\n  "_s + words.join(u' ') + u"; AND"_s;
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
