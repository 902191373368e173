#include "app/DownloadRules.h"
#include "support/BoardWindows.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kOld = "<rss>old</rss>", kNew = "<rss>new</rss>", kNone = "<missing>";
constexpr qint64 kMinute = 60000;

struct TCopy {
  qint64 ageMs;     // now - modified; negative: modified in the future
  QString recorded; // null: no record
  QString asked;
  bool fresh;
  QString name = u"1rss.xml"_s;
};

struct TCase {
  QString address; // SERVER stands for the test server's host and port
  int copyAgeMin;  // minutes since an earlier copy was written; -1: no copy; negative: future
  bool online, report, result;
  QStringList events; // "<kind> <url> <words after the address>", "sound <index>", in order
  QByteArray content;
  QString fileName = u"xml/1rss.xml"_s; // relative to the data folder
  TDownloadPurpose purpose = TDownloadPurpose::Feed;
};

} // namespace

Q_DECLARE_METATYPE(TCase)
Q_DECLARE_METATYPE(TCopy)

// DownloadFile against a real server on 127.0.0.1: what it decides, what it
// tells the user and what it leaves on disk; and the rules it decides by.
class TestDownload : public QObject, TBoardWindows {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase() {
    setUpBoard();
    createWindows();
    FSettings->CBTimeOut->setCurrentText(u"5"_s);
    FServer->route("/feed", TTestResponse::ok(kNew, "application/rss+xml"));
    FServer->route("/%D0%B2%D0%B0%D0%BA%D0%B0%D0%BD%D1%81%D0%B8%D0%B8", TTestResponse::ok(kNew));
    FServer->route("/broken", TTestResponse::error(500, "oops"));
    TTestResponse halfway = TTestResponse::ok(QByteArray(4096, 'x'));
    halfway.breakAfter = 1000;
    FServer->route("/halfway", halfway);
    FServer->route("/moved", TTestResponse::redirect("/feed", 301));
  }
  void cleanupTestCase() { tearDownBoard(); }

  void download_data() {
    QTest::addColumn<TCase>("c");
    const QString feed = u"http://SERVER/feed"_s,
                  start = u"1 <url> Обновление данных с сервера..."_s;
    const QString failed = u"3 <url> Не удалось получить удаленный файл."_s;
    const QStringList got{start, u"1 <url> Обновление выполнено."_s, u"sound 3"_s};
    const QStringList offline{start, u"2 <url> Нет подключения к Internet."_s}, silent;
    const auto lost = [&](const QString &why) {
      return why.isEmpty() ? QStringList{start, failed, u"sound 2"_s}
                           : QStringList{start, u"3 <url> Ошибка обновления: \r"_s + why, failed,
                                         u"sound 2"_s};
    };
    QTest::newRow("fresh copy") << TCase{feed, 2, true, true, true, silent, kOld};
    QTest::newRow("stale copy") << TCase{feed, 10, true, true, true, got, kNew};
    TCase page{feed, 0, true, false, true, silent, kNew, u"html/zentara.html"_s};
    page.purpose = TDownloadPurpose::SidePanelPage;
    QTest::newRow("side panel page always fetched, silently") << page;
    // What a download is for decides, not the name it is saved under.
    QTest::newRow("a feed's copy named like the side panel's page")
        << TCase{feed, 2, true, true, true, silent, kOld, u"xml/1zentara.html"_s};
    QTest::newRow("offline with copy") << TCase{feed, 10, false, true, true, offline, kOld};
    QTest::newRow("offline without copy") << TCase{feed, -1, false, true, false, offline, kNone};
    QTest::newRow("offline silent") << TCase{feed, 10, false, false, false, silent, kOld};
    for (const char *broken : {"missing", "broken", "halfway"}) // 404 (no route), 500, cut off
      QTest::addRow("%s keeps the copy", broken) << TCase{
          u"http://SERVER/"_s + QLatin1StringView(broken), 10, true, true, false, lost({}), kOld};
    QTest::newRow("redirect followed")
        << TCase{u"http://SERVER/moved"_s, 10, true, true, true, got, kNew};
    // Fetched with a scheme, but named in messages as it was written.
    QTest::newRow("bare address") << TCase{u"SERVER/feed"_s, -1, true, true, true, got, kNew};
    QTest::newRow("cyrillic address sent percent-encoded")
        << TCase{u"http://SERVER/вакансии"_s, -1, true, true, true, got, kNew, u"xml/3вакансии"_s};
    const QStringList refused = lost(u"не удалось выполнить соединение с сервером."_s);
    QTest::newRow("server unreachable")
        << TCase{u"http://127.0.0.1:1/feed"_s, 10, true, true, false, refused, kOld};
    const QStringList unwritten = lost(u"не удалось сохранить файл."_s);
    QTest::newRow("file cannot be written")
        << TCase{feed, -1, true, true, false, unwritten, kNone, u"blocker/1rss.xml"_s};
  }
  void download() {
    QFETCH(TCase, c);
    const QString path = FData->file(c.fileName);
    QDir(FData->path()).removeRecursively();
    QDir().mkpath(FData->path());
    if (c.fileName.startsWith(u"blocker/"))
      put(FData->file(u"blocker"_s), {}); // a file where the folder should be
    TConnectivity::setProbe([online = c.online] { return online; });
    const QString url = c.address.replace(u"SERVER"_s, u"127.0.0.1:%1"_s.arg(FServer->port()));
    if (c.copyAgeMin != -1) {
      QFile copy(path);
      QVERIFY(QDir().mkpath(QFileInfo(path).path()) && RecordSource(path, url));
      QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(kOld) && copy.flush());
      QVERIFY(copy.setFileTime(QDateTime::currentDateTime().addSecs(-60 * c.copyAgeMin),
                               QFileDevice::FileModificationTime));
    }
    QObject context; // takes the connection along when the row ends
    QStringList titles;
    connect(FForm.get(), &TForm1::statusReported, &context,
            [&titles](int, const QString &title) { titles << title; });
    FEvents.clear();
    const qsizetype requests = FServer->requests().size();

    QCOMPARE(FForm->DownloadFile(url, path, c.report, c.purpose), c.result);
    QCOMPARE(FEvents.replaceInStrings(url + u'\r', u"<url> "_s), c.events);
    QCOMPARE(titles, QStringList(titles.size(), u"Обновление"_s));
    QCOMPARE(contentOf(path), c.content);
    if (FServer->requests().size() > requests)
      QCOMPARE(FServer->requests().last().header("User-Agent"), QByteArray("Vornix"));
    QStringList leftovers = QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden);
    leftovers.removeOne(QFileInfo(path).fileName());
    leftovers.removeOne(QFileInfo(SourceRecordName(path)).fileName());
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(u", ")));
  }

  // Categories of one site, or sites that trade tab indexes, can share one
  // file name; freshness must never carry over from one address to another.
  void fileSharedByTwoFeeds() {
    const QByteArray web = "<rss>web</rss>", design = "<rss>design</rss>";
    FServer->route("/web/rss.xml", TTestResponse::ok(web));
    FServer->route("/design/rss.xml", TTestResponse::ok(design));
    TConnectivity::setProbe([] { return true; });
    const QString path = FData->file(u"xml/1rss.xml"_s);
    QDir(FData->path()).removeRecursively();
    const QString webUrl = FServer->url("/web/rss.xml");
    const QString designUrl = FServer->url("/design/rss.xml");
    const auto fetches = [&](const QString &url, const QByteArray &content) {
      const qsizetype before = FServer->requests().size();
      FForm->DownloadFile(url, path, false);
      return contentOf(path) != content            ? QString::fromUtf8("holds " + contentOf(path))
             : FServer->requests().size() > before ? u"fetched"_s
                                                   : u"kept"_s;
    };
    QCOMPARE(fetches(webUrl, web), u"fetched"_s);
    QCOMPARE(fetches(designUrl, design), u"fetched"_s); // other category, same file
    QCOMPARE(fetches(designUrl, design), u"kept"_s);
    QCOMPARE(fetches(FServer->url("/missing"), design), u"fetched"_s);
    QCOMPARE(fetches(designUrl, design), u"kept"_s); // a failure leaves the copy fresh
    QCOMPARE(fetches(webUrl.mid(int(strlen("http://"))), web), u"fetched"_s);
    QCOMPARE(fetches(webUrl, web), u"kept"_s); // the bare address was recorded with its scheme
    QVERIFY(QFile::remove(SourceRecordName(path)));
    QCOMPARE(fetches(webUrl, web), u"fetched"_s); // a copy without a record
    // Offline, the other category's copy is not offered as this one's.
    TConnectivity::setProbe([] { return false; });
    QVERIFY(!FForm->DownloadFile(designUrl, path, true));
  }

  // Fresh means: the copy is there, no further from now than the interval (5
  // minutes here) either way, and its record names exactly the address asked.
  void freshness_data() {
    QTest::addColumn<TCopy>("c");
    const QString web = u"http://x.org/web/rss.xml"_s, cyrillic = u"http://x.org/вакансии"_s;
    QTest::newRow("exactly the interval") << TCopy{5 * kMinute, web, web, true};
    QTest::newRow("1 ms past the interval") << TCopy{5 * kMinute + 1, web, web, false};
    QTest::newRow("future within the interval") << TCopy{-2 * kMinute, web, web, true};
    QTest::newRow("future beyond the interval") << TCopy{-6 * kMinute, web, web, false};
    QTest::newRow("no record, empty address") << TCopy{kMinute, {}, {}, false};
    QTest::newRow("path differs in case")
        << TCopy{kMinute, web, u"http://x.org/Web/rss.xml"_s, false};
    QTest::newRow("asked is a prefix of recorded") << TCopy{kMinute, web + u"?all"_s, web, false};
    QTest::newRow("cyrillic address") << TCopy{kMinute, cyrillic, cyrillic, true, u"3вакансии"_s};
  }
  void freshness() {
    QFETCH(TCopy, c);
    QTemporaryDir dir;
    const QString path = dir.filePath(c.name);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime modified = now.addMSecs(-c.ageMs);
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::WriteOnly));
    QVERIFY(copy.setFileTime(modified, QFileDevice::FileModificationTime));
    QCOMPARE(GetFileModified(path), modified);
    if (!c.recorded.isNull()) {
      // A longer earlier record must not leave its tail behind.
      QVERIFY(RecordSource(path, u"http://an.earlier.example/address/much/longer"_s));
      QVERIFY(RecordSource(path, c.recorded));
      QCOMPARE(RecordedSource(path), c.recorded);
    }
    QCOMPARE(IsFreshFor(path, c.asked, now, 5), c.fresh);
  }

  // What an unreadable file's time stands for is never fresh. The window
  // waits for its downloads: each gives up within a minute, whatever the
  // server does; the side panel's page is small and stays on https.
  void unreadableTimesAndWaits() {
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    QCOMPARE(GetFileModified(u"/nonexistent/file"_s), zero);
    QVERIFY(!IsFreshCopy(zero, QDateTime::currentDateTime(), 240));
    const THttpOptions feed = DownloadOptionsFor(TDownloadPurpose::Feed),
                       page = DownloadOptionsFor(TDownloadPurpose::SidePanelPage);
    QVERIFY(feed.totalTimeoutSeconds == 60 && page.totalTimeoutSeconds == 60);
    QVERIFY(!feed.keepHttps && page.keepHttps && page.maxBytes < feed.maxBytes);
  }

  void scheme_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("fetched");
    QTest::newRow("bare with port") << u"localhost:8080/rss"_s << u"http://localhost:8080/rss"_s;
    QTest::newRow("capitals kept") << u"HTTPS://Example.org/RSS"_s << u"HTTPS://Example.org/RSS"_s;
    QTest::newRow("http inside query") << u"x.org/?u=http://y"_s << u"http://x.org/?u=http://y"_s;
    QTest::newRow("blanks around") << u"  https://x.org/rss \t"_s << u"https://x.org/rss"_s;
    QTest::newRow("other scheme left alone") << u"ftp://x.org/rss"_s << u"ftp://x.org/rss"_s;
  }
  void scheme() {
    QFETCH(QString, url);
    QFETCH(QString, fetched);
    QCOMPARE(WithHttpScheme(url), fetched);
  }
};

QTEST_MAIN(TestDownload)
#include "tst_Download.moc"
