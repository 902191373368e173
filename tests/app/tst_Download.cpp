#include "app/DownloadRules.h"
#include "app/Unit1.h"
#include "platform/Connectivity.h"
#include "settings/Unit2.h"
#include "support/TempDataFolder.h"
#include "support/TestHttpServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kOldCopy = "<rss>old</rss>";
const QByteArray kNewCopy = "<rss>new</rss>";

QByteArray contentOf(const QString &fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

} // namespace

// DownloadFile against a real server on 127.0.0.1: what it decides, what it
// tells the user (status kinds and texts, sounds) and what it leaves on disk.
class TestDownload : public QObject {
  Q_OBJECT
  TTempDataFolder FData;
  TTestHttpServer FServer;
  std::unique_ptr<TFormSetting> FSettings;
  std::unique_ptr<TForm1> FForm;

private Q_SLOTS:
  void initTestCase() {
    QVERIFY(FServer.start());
    FSettings = std::make_unique<TFormSetting>();
    FSettings->CBTimeOut->setCurrentText(u"5"_s);
    // Balloons and sounds are tested elsewhere; here only what was asked for.
    FSettings->ChBBallonsOff->setChecked(true);
    FSettings->ChBSoundsUse->setChecked(true);
    FForm = std::make_unique<TForm1>();
    FForm->setFormSetting(FSettings.get());
    FServer.route("/feed", TTestResponse::ok(kNewCopy, "application/rss+xml"));
    FServer.route("/missing", TTestResponse::error(404, "not here"));
    FServer.route("/broken", TTestResponse::error(500, "oops"));
    TTestResponse halfway = TTestResponse::ok(QByteArray(4096, 'x'));
    halfway.breakAfter = 1000;
    FServer.route("/halfway", halfway);
    FServer.route("/moved", TTestResponse::redirect("/feed", 301));
  }
  void cleanupTestCase() {
    FForm.reset();
    TConnectivity::setProbe({});
  }

  void download_data() {
    QTest::addColumn<QString>("target");   // route on the server, "refused" for a closed port
    QTest::addColumn<QString>("fileName"); // relative to the data folder
    QTest::addColumn<int>("copyAgeMin");   // age of an existing copy; -1: no copy; negative: future
    QTest::addColumn<bool>("online");
    QTest::addColumn<bool>("report");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("reports"); // "kind|words after the URL and CR"
    QTest::addColumn<QList<int>>("sounds");
    QTest::addColumn<QByteArray>("content");

    const QString start = u"1|Обновление данных с сервера..."_s;
    const QString done = u"1|Обновление выполнено."_s;
    const QString failed = u"3|Не удалось получить удаленный файл."_s;
    const QString offline = u"2|Нет подключения к Internet."_s;
    const QString feed = u"xml/1rss.xml"_s;
    const QList<int> warn{2};

    QTest::newRow("fresh copy") << u"/feed"_s << feed << 2 << true << true << true << QStringList{}
                                << QList<int>{} << kOldCopy;
    QTest::newRow("stale copy") << u"/feed"_s << feed << 10 << true << true << true
                                << QStringList{start, done} << QList<int>{3} << kNewCopy;
    QTest::newRow("copy from the future") << u"/feed"_s << feed << -10 << true << true << true
                                          << QStringList{start, done} << QList<int>{3} << kNewCopy;
    QTest::newRow("no copy") << u"/feed"_s << feed << -1 << true << true << true
                             << QStringList{start, done} << QList<int>{3} << kNewCopy;
    QTest::newRow("side panel page always fetched")
        << u"/feed"_s << u"html/zentara.html"_s << 0 << true << false << true << QStringList{}
        << QList<int>{} << kNewCopy;
    QTest::newRow("silent success") << u"/feed"_s << feed << 10 << true << false << true
                                    << QStringList{} << QList<int>{} << kNewCopy;
    QTest::newRow("offline with copy") << u"/feed"_s << feed << 10 << false << true << true
                                       << QStringList{start, offline} << QList<int>{} << kOldCopy;
    QTest::newRow("offline without copy")
        << u"/feed"_s << feed << -1 << false << true << false << QStringList{start, offline}
        << QList<int>{} << QByteArray("<none>");
    QTest::newRow("offline silent") << u"/feed"_s << feed << 10 << false << false << false
                                    << QStringList{} << QList<int>{} << kOldCopy;
    QTest::newRow("404 keeps the copy") << u"/missing"_s << feed << 10 << true << true << false
                                        << QStringList{start, failed} << warn << kOldCopy;
    QTest::newRow("500 keeps the copy") << u"/broken"_s << feed << 10 << true << true << false
                                        << QStringList{start, failed} << warn << kOldCopy;
    QTest::newRow("broken off halfway") << u"/halfway"_s << feed << 10 << true << true << false
                                        << QStringList{start, failed} << warn << kOldCopy;
    QTest::newRow("redirect followed") << u"/moved"_s << feed << 10 << true << true << true
                                       << QStringList{start, done} << QList<int>{3} << kNewCopy;
    QTest::newRow("server unreachable")
        << u"refused"_s << feed << 10 << true << true << false
        << QStringList{start,
                       u"3|Ошибка обновления: \rне удалось выполнить соединение с сервером."_s,
                       failed}
        << warn << kOldCopy;
    QTest::newRow("file cannot be written")
        << u"/feed"_s << u"blocker/1rss.xml"_s << -1 << true << true << false
        << QStringList{start, u"3|Ошибка обновления: \rне удалось сохранить файл."_s, failed}
        << warn << QByteArray("<none>");
  }

  void download() {
    QFETCH(QString, target);
    QFETCH(QString, fileName);
    QFETCH(int, copyAgeMin);
    QFETCH(bool, online);
    QFETCH(bool, report);
    QFETCH(bool, result);
    QFETCH(QStringList, reports);
    QFETCH(QList<int>, sounds);
    QFETCH(QByteArray, content);

    const QString path = FData.file(fileName);
    QDir(FData.path()).removeRecursively();
    QDir().mkpath(FData.path());
    if (fileName.startsWith(u"blocker/")) {
      QFile blocker(FData.file(u"blocker"_s)); // a file where the folder should be
      QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    TConnectivity::setProbe([online] { return online; });
    const QString url =
        target == u"refused" ? u"http://127.0.0.1:1/feed"_s : FServer.url(target.toUtf8());
    if (copyAgeMin != -1) {
      QDir().mkpath(QFileInfo(path).path());
      QVERIFY(RecordSource(path, url));
      QFile copy(path);
      QVERIFY(copy.open(QIODevice::WriteOnly));
      copy.write(kOldCopy);
      QVERIFY(copy.flush());
      QVERIFY(copy.setFileTime(QDateTime::currentDateTime().addSecs(-60 * copyAgeMin),
                               QFileDevice::FileModificationTime));
    }
    QSignalSpy statuses(FForm.get(), &TForm1::statusReported);
    QSignalSpy played(FForm.get(), &TForm1::eventSoundRequested);

    QCOMPARE(FForm->DownloadFile(url, path, report), result);

    QStringList seen;
    for (const QList<QVariant> &s : statuses) {
      QCOMPARE(s.at(1).toString(), u"Обновление"_s);
      const QString text = s.at(2).toString();
      QVERIFY2(text.startsWith(url + u'\r'), qPrintable(text));
      seen << QString::number(s.at(0).toInt()) + u'|' + text.mid(url.size() + 1);
    }
    QCOMPARE(seen, reports);
    QList<int> heard;
    for (const QList<QVariant> &s : played)
      heard << s.at(0).toInt();
    QCOMPARE(heard, sounds);
    QCOMPARE(contentOf(path), content);
    if (!reports.isEmpty())
      QCOMPARE(FForm->statusText(), u' ' + url + u'\r' + reports.last().mid(2));
    QStringList leftovers = QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden);
    leftovers.removeOne(QFileInfo(path).fileName());
    leftovers.removeOne(QFileInfo(SourceRecordName(path)).fileName());
    QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(u", ")));
  }

  // Categories of one site, or sites that trade tab indexes, can share one
  // file name; freshness must never carry over from one address to another.
  void fileSharedByTwoFeeds() {
    TConnectivity::setProbe([] { return true; });
    FServer.route("/web/rss.xml", TTestResponse::ok("<rss>web</rss>"));
    FServer.route("/design/rss.xml", TTestResponse::ok("<rss>design</rss>"));
    const QString path = FData.file(u"xml/1rss.xml"_s);
    QFile::remove(path);
    QFile::remove(SourceRecordName(path));
    const QString web = FServer.url("/web/rss.xml");
    const QString design = FServer.url("/design/rss.xml");
    struct Step {
      const char *what;
      QString url;
      bool fetched;
      QByteArray content;
      bool forgetSource = false;
    };
    const Step steps[] = {
        {"first download", web, true, "<rss>web</rss>"},
        {"other category, same file", design, true, "<rss>design</rss>"},
        {"same category again", design, false, "<rss>design</rss>"},
        {"failed fetch", FServer.url("/missing"), true, "<rss>design</rss>"},
        {"copy kept by a failure is still fresh", design, false, "<rss>design</rss>"},
        {"back to the first, written bare", web.mid(int(strlen("http://"))), true,
         "<rss>web</rss>"},
        {"same address with its scheme", web, false, "<rss>web</rss>"},
        {"copy without a record", web, true, "<rss>web</rss>", true},
    };
    for (const Step &step : steps) {
      if (step.forgetSource)
        QVERIFY(QFile::remove(SourceRecordName(path)));
      const qsizetype before = FServer.requests().size();
      FForm->DownloadFile(step.url, path, false);
      QVERIFY2((FServer.requests().size() > before) == step.fetched, step.what);
      QVERIFY2(contentOf(path) == step.content, step.what);
    }
    // Offline, the other category's copy is not offered as this one's.
    TConnectivity::setProbe([] { return false; });
    QVERIFY(!FForm->DownloadFile(design, path, true));
    QVERIFY(FForm->DownloadFile(web, path, true));
  }

  void bareAddressGetsHttpAndKeepsItsTextInMessages() {
    TConnectivity::setProbe([] { return true; });
    const QString bare = FServer.url("/feed").mid(int(strlen("http://")));
    const QString path = FData.file(u"xml/2rss.xml"_s);
    QFile::remove(path);
    QSignalSpy statuses(FForm.get(), &TForm1::statusReported);
    QVERIFY(FForm->DownloadFile(bare, path, true));
    QCOMPARE(contentOf(path), kNewCopy);
    QCOMPARE(statuses.last().at(2).toString(), bare + u"\rОбновление выполнено."_s);
    QCOMPARE(FServer.requests().last().header("User-Agent"), QByteArray("Vornix"));
  }

  void cyrillicAddressIsSentPercentEncoded() {
    TConnectivity::setProbe([] { return true; });
    FServer.route("/%D0%B2%D0%B0%D0%BA%D0%B0%D0%BD%D1%81%D0%B8%D0%B8",
                  TTestResponse::ok(kNewCopy, "application/rss+xml"));
    const QString path = FData.file(u"xml/3вакансии"_s);
    QVERIFY(FForm->DownloadFile(FServer.url("/") + u"вакансии"_s, path, false));
    QCOMPARE(contentOf(path), kNewCopy);
  }
};

QTEST_MAIN(TestDownload)
#include "tst_Download.moc"
