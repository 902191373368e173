#include "../../fuzz/OpmlInvariants.h"
#include "feeds/FeedDocument.h"
#include "feeds/FeedWalk.h"
#include "feeds/TextNormalisation.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// Replays the fuzzers' seeds (for the feed and OPML readers also the files of
// their own tests) under the sanitised build: no crash, leak or undefined
// behaviour, and for OPML the fuzzer's invariants.
class TestFuzzCorpus : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void replay() {
    for (const char *folder :
         {"fuzz/FeedWalk", "feeds", "fuzz/NormaliseText", "fuzz/Opml", "opml/read"}) {
      const QDir dir(QStringLiteral(VORNIX_TEST_DATA "/") + QLatin1StringView(folder));
      QVERIFY2(!dir.isEmpty(QDir::Files), folder);
      for (const QFileInfo &info : dir.entryInfoList(QDir::Files)) {
        const QByteArray bytes = contentOf(info.filePath());
        if (QByteArrayView(folder).contains("pml")) {
          const QString broken = OpmlInvariants::Check(bytes);
          QVERIFY2(broken.isEmpty(), qPrintable(info.filePath() + u": "_s + broken));
          continue;
        }
        if (dir.dirName() == u"NormaliseText") {
          QVERIFY2(!NormaliseText(QString::fromUtf8(bytes)).contains(u"  "_s),
                   qPrintable(info.filePath()));
          continue;
        }
        const TFeedParseResult parsed = ParseFeed(bytes);
        QVERIFY2(parsed.ok() || !parsed.message.isEmpty(), qPrintable(info.filePath()));
        if (!parsed.ok())
          continue;
        int next = 0;
        const auto inOrder = [&](const TWalkItem &visible) { return visible.position == next++; };
        QCOMPARE(WalkFeedItems(*parsed.content, {}, inOrder), parsed.content->items.size());
        QCOMPARE(next, parsed.content->items.size());
      }
    }
  }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_FuzzCorpus.moc"
