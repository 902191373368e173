#include "feeds/SeenItems.h"
#include "feeds/WatchCheck.h"
#include "platform/DataFolder.h"
#include "support/GoldenFile.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A file in tests/data/watchcheck; the boards' feeds are named by format and item numbers.
QByteArray feed(const QString &name) {
  return contentOf(QStringLiteral(VORNIX_TEST_DATA "/watchcheck/") + name);
}

} // namespace

// One address checked again and again as the watch does, against a real
// server: what each answer leaves and which items it names as new.
class TestWatchCheck : public QObject {
  Q_OBJECT
  QTemporaryDir FData;
  TTestHttpServer FServer;

private Q_SLOTS:
  void initTestCase() {
    TDataFolder::setPath(FData.path());
    QVERIFY(FServer.start());
  }

  void sequences_data() { addGoldenRows(u"watchcheck"_s); }
  // A check a line: <seconds since the first> <the server's status, "silent" when it must
  // not be asked> [<body in bodies/>] [cut=<bytes sent>] [seen=blocked] [<header>=<value,
  // %20 a space>]...; the dump gives the outcome, the request's If-None-Match and whether
  // the copy took the answer.
  void sequences() {
    QFETCH(QString, input);
    TWatchChecker checker;
    const QString address = FServer.url("/rss?cat=") + QFileInfo(input).fileName();
    const QDateTime start(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
    const QStringList outcomes{u"checked"_s, u"not modified"_s, u"deferred"_s, u"failed"_s};
    QString dump;
    for (const QString &line : ScriptLines(input)) {
      const QStringList w = line.split(u' ');
      TTestResponse response = TTestResponse::error(w.value(1).toInt());
      const QString seen = TSeenItems::fileName(address);
      for (const QString &word : w.mid(2)) {
        const QByteArray name = word.section(u'=', 0, 0).toUtf8(),
                         value = QByteArray::fromPercentEncoding(word.section(u'=', 1).toUtf8());
        if (!word.contains(u'='))
          response.body = feed(u"bodies/"_s + word);
        else if (name == "seen")
          QVERIFY(QDir().mkpath(seen));
        else if (name == "cut")
          response.breakAfter = value.toInt();
        else
          response.headers.append({name, value});
      }
      FServer.reset();
      FServer.route("/rss", response);
      const QByteArray before = contentOf(TWatchChecker::copyFileName(address));
      const TWatchResult result = checker.check(address, start.addSecs(w.value(0).toInt()));
      QVERIFY(!QFileInfo(seen).isDir() || QDir(seen).removeRecursively());
      QStringList fresh;
      for (const TFeedItem &item : result.fresh)
        fresh << item.title();
      dump += line + u"\n  "_s + outcomes.value(result.status) + u", new: "_s + fresh.join(u", ");
      const QList<TTestRequest> asked = FServer.requests();
      QVERIFY(asked.size() <= 1);
      if (asked.isEmpty()) {
        dump += u", not asked\n"_s;
        continue;
      }
      QVERIFY(asked.first().header("Accept-Encoding").contains("deflate"));
      const QByteArray copy = contentOf(TWatchChecker::copyFileName(address));
      const QString kept = copy == before          ? u"kept"_s
                           : copy == response.body ? u"this answer"_s
                                                   : u"other"_s;
      dump += u", asked If-None-Match %1, copy %2\n"_s.arg(
          QString::fromUtf8(asked.first().header("If-None-Match")), kept);
    }
    compareWithGolden(input, dump);
  }
};

QTEST_GUILESS_MAIN(TestWatchCheck)
#include "tst_WatchCheck.moc"
