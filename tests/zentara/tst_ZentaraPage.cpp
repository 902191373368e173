#include "support/FileBytes.h"
#include "support/GoldenFile.h"
#include "zentara/ZentaraPage.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Characters a dump line would hide are written as code points.
QString visible(const QString &text) {
  QString out;
  for (const QChar c : text)
    out += c == u'\n' ? u"\\n"_s
           : c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0xA0)
               ? u"<U+%1>"_s.arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'))
               : QString(c);
  return out;
}

QString dump(const QList<TZentaraLabel> &labels) {
  QStringList lines;
  for (const TZentaraLabel &label : labels) {
    const std::optional<QColor> color = ZentaraColor(label.color);
    lines << QStringList{visible(label.text),
                         label.link.isEmpty() ? u"-"_s : label.link,
                         ZentaraAlignment(label.align) == Qt::AlignLeft    ? u"left"_s
                         : ZentaraAlignment(label.align) == Qt::AlignRight ? u"right"_s
                                                                           : u"center"_s,
                         color ? color->name() : u"-"_s,
                         QString::number(label.fontSize),
                         label.italic ? u"i"_s : u"-"_s,
                         label.bold ? u"b"_s : u"-"_s}
                 .join(u" | "_s);
  }
  return lines.join(u'\n');
}

QList<TZentaraLabel> labelsOf(const QByteArray &bytes) {
  return ParseZentaraPage(ZentaraPageText(bytes));
}

QByteArray links(int count) {
  QByteArray page;
  for (int n = 1; n <= count; ++n)
    page += "<a href=\"https://example.org/" + QByteArray::number(n) + "\">Link " +
            QByteArray::number(n) + "</a>\r\n";
  return page;
}

// Filler up to `size` bytes, then `tail`.
QByteArray padded(const QByteArray &unit, qsizetype size, const QByteArray &tail) {
  QByteArray page = unit.repeated((size - tail.size()) / unit.size());
  return page + QByteArray(size - tail.size() - page.size(), ' ') + tail;
}

} // namespace

class TestZentaraPage : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void pages_data() { addGoldenRows(u"zentara/pages"_s); }
  void pages() {
    QFETCH(QString, input);
    compareWithGolden(input, dump(labelsOf(contentOf(input))));
  }

  // How the bytes are decoded, beyond what the pages above show: where the
  // prescan must not look, and the labels browsers re-map.
  void encoding_data() { addGoldenRows(u"zentara/encoding"_s); }
  void encoding() {
    QFETCH(QString, input);
    compareWithGolden(input, visible(ZentaraPageText(contentOf(input))));
  }

  void bounds_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    const QByteArray title = "<title>Heading</title>";
    const QByteArray deep = "<a href=\"deep\">Deep</a>";
    QTest::newRow("1001 links") << links(1001) << 1000 << u"Link 1000"_s;
    QTest::newRow("title first") << title + links(1000) << 1000 << u"Link 999"_s;
    QTest::newRow("title last") << links(1000) + title << 1000 << u"Link 999"_s;
    QTest::newRow("link ends at the cut")
        << padded("<p>", kZentaraMaxPageBytes, deep) << 1 << u"Deep"_s;
    QTest::newRow("link after the cut")
        << padded("<p>", kZentaraMaxPageBytes + 1, deep.chopped(4)) + "</a>" << 1 << u"Dee"_s;
    QTest::newRow("nested tags") << padded("<div><span><b>", kZentaraMaxPageBytes, deep) << 1
                                 << u"Deep"_s;
    QTest::newRow("nested links") << padded("<a href=\"x\"><b>x", kZentaraMaxPageBytes, deep)
                                  << 1000 << u"x"_s;
  }
  void bounds() {
    QFETCH(QByteArray, page);
    QFETCH(int, count);
    QFETCH(QString, last);
    const QList<TZentaraLabel> labels = labelsOf(page);
    QCOMPARE(labels.size(), count);
    QCOMPARE(labels.last().text, last);
    if (page.startsWith("<title>") || page.endsWith("</title>"))
      QCOMPARE(labels.first().text, u"Heading"_s);
  }

  // The fuzzer's seeds and the pages above, replayed under the sanitisers.
  void corpus() {
    for (const char *folder : {"fuzz/ZentaraPage", "zentara/pages"}) {
      const QDir dir(QStringLiteral(VORNIX_TEST_DATA "/") + QLatin1StringView(folder));
      QVERIFY2(!dir.isEmpty(QDir::Files), folder);
      for (const QFileInfo &info : dir.entryInfoList(QDir::Files)) {
        const QList<TZentaraLabel> labels = labelsOf(contentOf(info.filePath()));
        QVERIFY2(labels.size() <= kZentaraMaxLabels, qPrintable(info.filePath()));
        for (const TZentaraLabel &label : labels)
          QVERIFY2(!label.text.isEmpty() && label.text.front() > u' ' && label.text.back() > u' ',
                   qPrintable(info.filePath()));
      }
    }
  }
};

QTEST_GUILESS_MAIN(TestZentaraPage)
#include "tst_ZentaraPage.moc"
