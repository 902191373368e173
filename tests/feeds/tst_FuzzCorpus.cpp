#include "feeds/FeedDocument.h"
#include "feeds/FeedWalk.h"
#include "feeds/TextNormalisation.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Replays the fuzzers' seed and regression inputs under the sanitised test
// build: each must go through without a crash, a leak or undefined behaviour.
class TestFuzzCorpus : public QObject {
  Q_OBJECT
  static QFileInfoList inputs(const QString &target) {
    return QDir(QStringLiteral(VORNIX_TEST_DATA "/fuzz/") + target).entryInfoList(QDir::Files);
  }
  static QByteArray bytesOf(const QFileInfo &info) {
    QFile file(info.filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

private Q_SLOTS:
  void feedWalk() {
    const QFileInfoList files = inputs(u"FeedWalk"_s);
    QVERIFY(!files.isEmpty());
    for (const QFileInfo &info : files) {
      const TFeedParseResult parsed = ParseFeed(bytesOf(info));
      if (!parsed.ok()) {
        QVERIFY2(!parsed.message.isEmpty() || parsed.status != TFeedParseResult::ParseError,
                 qPrintable(info.fileName()));
        continue;
      }
      int next = 0;
      WalkFeedItems(*parsed.content, {},
                    [&](const TWalkItem &visible) { return visible.position == next++; });
      QCOMPARE(next, parsed.content->items.size());
    }
  }

  void normaliseText() {
    const QFileInfoList files = inputs(u"NormaliseText"_s);
    QVERIFY(!files.isEmpty());
    for (const QFileInfo &info : files) {
      const QString result = NormaliseText(QString::fromUtf8(bytesOf(info)));
      QVERIFY2(!result.contains(u"  "_s), qPrintable(info.fileName()));
    }
  }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_FuzzCorpus.moc"
