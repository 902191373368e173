#include "platform/HttpClient.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(THttpOutcome)
Q_DECLARE_METATYPE(THttpOptions)
Q_DECLARE_METATYPE(TTestResponse)

char *toString(THttpOutcome outcome) {
  static constexpr const char *Names[] = {
      "Ok", "ConnectFailed", "HttpError", "TransferBroken", "TooLarge", "WriteFailed", "Aborted"};
  return qstrdup(Names[static_cast<int>(outcome)]);
}

namespace {

const QByteArray Previous = "<rss><channel><title>previous good copy</title></channel></rss>";

// Every byte value, in an order that shows truncation, reordering or doubling.
QByteArray patterned(qsizetype size) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (qsizetype i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return bytes;
}

QByteArray contents(const QString &fileName) {
  QFile file(fileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TTestResponse ok(const QByteArray &body, TTestFraming framing = TTestFraming::ContentLength) {
  TTestResponse response = TTestResponse::ok(body);
  response.framing = framing;
  return response;
}

} // namespace

class THttpClientTest : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase();
  void init();

  void writesBody_data();
  void writesBody();
  void sendsRequestHeaders();
  void createsMissingFolder();
  void failureKeepsPrevious_data();
  void failureKeepsPrevious();
  void redirects_data();
  void redirects();
  void reportsUnwritableTarget_data();
  void reportsUnwritableTarget();
  void verifiesServer_data();
  void verifiesServer();
  void abortEndsTransfer_data();
  void abortEndsTransfer();

private:
  QString target() const { return FFolder->filePath(u"feed.xml"_s); }
  QStringList folderEntries() const {
    return QDir(FFolder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  bool writePrevious() const {
    QFile file(target());
    return file.open(QIODevice::WriteOnly) && file.write(Previous) == Previous.size();
  }

  TTestHttpServer FServer;
  std::unique_ptr<QTemporaryDir> FFolder;
  quint16 FClosedPort = 0;
};

void THttpClientTest::initTestCase() {
  qputenv("no_proxy", "*");
  qputenv("NO_PROXY", "*");
  QVERIFY(FServer.start());

  TTestHttpServer closed; // its port refuses connections once it has stopped
  QVERIFY(closed.start());
  FClosedPort = closed.port();
}

void THttpClientTest::init() {
  FServer.reset();
  FFolder = std::make_unique<QTemporaryDir>();
  QVERIFY(FFolder->isValid());
  QVERIFY(writePrevious());
}

void THttpClientTest::writesBody_data() {
  QTest::addColumn<TTestResponse>("response");
  QTest::addColumn<qint64>("maxBytes");

  const QByteArray big = patterned(1 << 20);
  const qint64 cap = THttpOptions().maxBytes;
  QTest::newRow("empty") << ok({}) << cap;
  QTest::newRow("length") << ok(big) << cap;
  QTest::newRow("chunked") << ok(big, TTestFraming::Chunked) << cap;
  QTest::newRow("until close") << ok(big, TTestFraming::UntilClose) << cap;
  QTest::newRow("length, at the cap") << ok(patterned(4096)) << qint64(4096);
  QTest::newRow("until close, at the cap")
      << ok(patterned(4096), TTestFraming::UntilClose) << qint64(4096);
}

void THttpClientTest::writesBody() {
  QFETCH(TTestResponse, response);
  QFETCH(qint64, maxBytes);
  FServer.route("/feed", response);

  const THttpResult result =
      THttpClient({.maxBytes = maxBytes}).download(FServer.url("/feed"), target());

  QCOMPARE(result.outcome, THttpOutcome::Ok);
  QCOMPARE(result.httpStatus, 200L);
  QCOMPARE(contents(target()), response.body);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::sendsRequestHeaders() {
  // The second request must not carry the cookie the first answer set.
  TTestResponse login = TTestResponse::redirect("/feed");
  login.headers.append({QByteArray("Set-Cookie"), QByteArray("session=1234; Path=/")});
  FServer.route("/login", login);
  FServer.route("/feed", TTestResponse::ok("<rss/>"));

  QVERIFY(THttpClient().download(FServer.url("/login"), target()).ok());

  const QList<TTestRequest> requests = FServer.requests();
  QCOMPARE(requests.size(), 2);
  for (const TTestRequest &request : requests) {
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.header("User-Agent"), QByteArray("Vornix"));
    QCOMPARE(request.header("Accept"), QByteArray("*/*"));
    QCOMPARE(request.header("Pragma"), QByteArray("no-cache"));
    QCOMPARE(request.header("Cache-Control"), QByteArray("no-cache"));
    QVERIFY(!request.hasHeader("Cookie"));
  }
}

void THttpClientTest::createsMissingFolder() {
  const QString nested = FFolder->filePath(u"feeds/jobs/feed.xml"_s);
  FServer.route("/feed", TTestResponse::ok("<rss/>"));

  QCOMPARE(THttpClient().download(FServer.url("/feed"), nested).outcome, THttpOutcome::Ok);
  QCOMPARE(contents(nested), QByteArray("<rss/>"));
}

void THttpClientTest::failureKeepsPrevious_data() {
  QTest::addColumn<QString>("url");
  QTest::addColumn<TTestResponse>("response"); // the server's answer to /feed
  QTest::addColumn<THttpOptions>("options");
  QTest::addColumn<THttpOutcome>("expected");

  const THttpOptions defaults;
  const QString feed = FServer.url("/feed");
  const auto noConnection = THttpOutcome::ConnectFailed, httpError = THttpOutcome::HttpError,
             broken = THttpOutcome::TransferBroken, tooLarge = THttpOutcome::TooLarge;
  QTest::newRow("refused") << u"http://127.0.0.1:%1/feed"_s.arg(FClosedPort) << TTestResponse()
                           << defaults << noConnection;
  QTest::newRow("empty URL") << QString() << TTestResponse() << defaults << noConnection;
  QTest::newRow("file:") << u"file:///etc/passwd"_s << TTestResponse() << defaults << noConnection;

  QTest::newRow("404") << feed << TTestResponse::error(404, "gone") << defaults << httpError;
  QTest::newRow("500") << feed << TTestResponse::error(500) << defaults << httpError;
  TTestResponse noLocation;
  noLocation.status = 301;
  QTest::newRow("301 without Location") << feed << noLocation << defaults << httpError;
  // The status decides, not the size of the error page.
  QTest::newRow("404 announcing more than the cap")
      << feed << TTestResponse::error(404, patterned(5000)) << THttpOptions{.maxBytes = 1000}
      << httpError;

  TTestResponse half = ok(patterned(10000)),
                halfChunked = ok(patterned(10000), TTestFraming::Chunked);
  half.breakAfter = halfChunked.breakAfter = 5000;
  QTest::newRow("length, cut off") << feed << half << defaults << broken;
  QTest::newRow("chunked, cut off") << feed << halfChunked << defaults << broken;
  TTestResponse hangUp;
  hangUp.hangUp = true;
  QTest::newRow("closed without an answer") << feed << hangUp << defaults << broken;

  // libcurl averages the speed over seconds; a limit well above the trickle trips soon.
  const THttpOptions impatient{.lowSpeedBytes = 1000, .lowSpeedSeconds = 1};
  TTestResponse silent = TTestResponse::ok("<rss/>");
  silent.delay = 60s;
  QTest::newRow("silent before answering") << feed << silent << impatient << broken;
  TTestResponse stalled = TTestResponse::ok(patterned(10000));
  stalled.stallAfter = 100;
  QTest::newRow("stalls in the body") << feed << stalled << impatient << broken;

  QTest::newRow("length, one byte over the cap")
      << feed << ok(patterned(4097)) << THttpOptions{.maxBytes = 4096} << tooLarge;
  QTest::newRow("until close, one byte over the cap")
      << feed << ok(patterned(4097), TTestFraming::UntilClose) << THttpOptions{.maxBytes = 4096}
      << tooLarge;
  // Arrives in many pieces, so the cap is crossed part-way through the stream.
  QTest::newRow("chunked, far over the cap")
      << feed << ok(patterned(1 << 20), TTestFraming::Chunked) << THttpOptions{.maxBytes = 100000}
      << tooLarge;
}

void THttpClientTest::failureKeepsPrevious() {
  QFETCH(QString, url);
  QFETCH(TTestResponse, response);
  QFETCH(THttpOptions, options);
  QFETCH(THttpOutcome, expected);
  FServer.route("/feed", response);

  const THttpResult result = THttpClient(options).download(url, target());

  QCOMPARE(result.outcome, expected);
  if (expected == THttpOutcome::HttpError)
    QCOMPARE(result.httpStatus, long(response.status));
  if (expected == THttpOutcome::ConnectFailed)
    QCOMPARE(result.httpStatus, 0L);
  QVERIFY(!result.error.isEmpty());
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::redirects_data() {
  QTest::addColumn<int>("status");
  QTest::addColumn<QByteArray>("location"); // where /start sends the client
  QTest::addColumn<int>("maxRedirects");
  QTest::addColumn<THttpOutcome>("expected");
  QTest::addColumn<int>("requests");

  const auto ok = THttpOutcome::Ok;
  QTest::newRow("301, path") << 301 << QByteArray("/feed") << 5 << ok << 2;
  QTest::newRow("302, relative") << 302 << QByteArray("feed") << 5 << ok << 2;
  QTest::newRow("308, absolute") << 308 << FServer.url("/feed").toLatin1() << 5 << ok << 2;
  // /hop/2 redirects to /hop/1, /hop/1 to /feed and /loop to itself.
  QTest::newRow("2 of 2") << 302 << QByteArray("/hop/1") << 2 << ok << 3;
  QTest::newRow("3 of 2") << 302 << QByteArray("/hop/2") << 2 << THttpOutcome::HttpError << 3;
  QTest::newRow("loop") << 302 << QByteArray("/loop") << 5 << THttpOutcome::HttpError << 6;
  QTest::newRow("to file:") << 302 << QByteArray("file:///etc/passwd") << 5
                            << THttpOutcome::ConnectFailed << 1;
}

void THttpClientTest::redirects() {
  QFETCH(int, status);
  QFETCH(QByteArray, location);
  QFETCH(int, maxRedirects);
  QFETCH(THttpOutcome, expected);
  QFETCH(int, requests);
  const QByteArray body = "<rss>moved</rss>";
  FServer.route("/start", TTestResponse::redirect(location, status));
  FServer.route("/hop/2", TTestResponse::redirect("/hop/1"));
  FServer.route("/hop/1", TTestResponse::redirect("/feed"));
  FServer.route("/loop", TTestResponse::redirect("/loop"));
  FServer.route("/feed", TTestResponse::ok(body));

  const THttpResult result =
      THttpClient({.maxRedirects = maxRedirects}).download(FServer.url("/start"), target());

  QCOMPARE(result.outcome, expected);
  QCOMPARE(contents(target()), expected == THttpOutcome::Ok ? body : Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
  QCOMPARE(FServer.requests().size(), requests);
}

void THttpClientTest::reportsUnwritableTarget_data() {
  QTest::addColumn<QString>("relativeTarget");

  QTest::newRow("folder is a file") << u"feed.xml/feed.xml"_s;
  QTest::newRow("target is a folder") << u"folder.xml"_s;
}

void THttpClientTest::reportsUnwritableTarget() {
  QFETCH(QString, relativeTarget);
  QVERIFY(QDir(FFolder->path()).mkdir(u"folder.xml"_s));
  FServer.route("/feed", TTestResponse::ok("<rss/>"));

  const THttpResult result =
      THttpClient().download(FServer.url("/feed"), FFolder->filePath(relativeTarget));

  QCOMPARE(result.outcome, THttpOutcome::WriteFailed);
  QVERIFY(!result.error.isEmpty());
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(folderEntries(), (QStringList{u"feed.xml"_s, u"folder.xml"_s}));
}

void THttpClientTest::verifiesServer_data() {
  QTest::addColumn<bool>("trusted");

  QTest::newRow("system's store") << false;
  QTest::newRow("own authority as caFile") << true;
}

void THttpClientTest::verifiesServer() {
  QFETCH(bool, trusted);
  const QTemporaryDir site;
  QVERIFY(site.isValid());
  const QString cert = site.filePath(u"cert.pem"_s), key = site.filePath(u"key.pem"_s);
  // Made for this run alone, so no store on the machine can know it.
  QProcess req;
  req.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s,
                           u"-days"_s, u"1"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                           u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, cert});
  QVERIFY2(req.waitForFinished(30000) && req.exitCode() == 0, req.readAllStandardError());
  const QByteArray body = patterned(100000);
  QFile served(site.filePath(u"feed.xml"_s));
  QVERIFY(served.open(QIODevice::WriteOnly) && served.write(body) == body.size());
  served.close();

  // openssl's own HTTPS file server, serving the folder it starts in.
  QProcess server;
  server.setWorkingDirectory(site.path());
  server.start(u"openssl"_s, {u"s_server"_s, u"-WWW"_s, u"-accept"_s, u"127.0.0.1:0"_s, u"-cert"_s,
                              cert, u"-key"_s, key});
  const auto stop = qScopeGuard([&server] {
    server.kill();
    server.waitForFinished();
  });
  // Once it listens it names the port it was given: "ACCEPT 127.0.0.1:PORT".
  QByteArray line;
  while (!line.startsWith("ACCEPT ")) {
    while (!server.canReadLine())
      QVERIFY2(server.waitForReadyRead(10000), server.readAllStandardError());
    line = server.readLine().trimmed();
  }
  const QString url = u"https://127.0.0.1:%1/feed.xml"_s.arg(
      QString::fromLatin1(line.mid(line.lastIndexOf(':') + 1)));

  THttpOptions options;
  if (trusted)
    options.caFile = QFile::encodeName(cert);
  const THttpResult result = THttpClient(options).download(url, target());

  QCOMPARE(result.outcome, trusted ? THttpOutcome::Ok : THttpOutcome::ConnectFailed);
  QCOMPARE(contents(target()), trusted ? body : Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::abortEndsTransfer_data() {
  QTest::addColumn<TTestResponse>("response");
  TTestResponse silent = TTestResponse::ok("<rss/>");
  silent.delay = 60s;
  TTestResponse stalled = TTestResponse::ok(patterned(10000));
  stalled.stallAfter = 100;
  QTest::newRow("server silent") << silent;
  QTest::newRow("body stalled") << stalled;
}

// From another thread, as the window aborts a refresh when it closes; without
// the abort each row would wait out the server.
void THttpClientTest::abortEndsTransfer() {
  QFETCH(TTestResponse, response);
  FServer.route("/feed", response);
  const THttpClient client;
  std::thread aborter([&] {
    while (FServer.requests().isEmpty())
      std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    client.abort();
  });
  const THttpResult result = client.download(FServer.url("/feed"), target());
  aborter.join();
  QCOMPARE(result.outcome, THttpOutcome::Aborted);
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

QTEST_GUILESS_MAIN(THttpClientTest)
#include "tst_HttpClient.moc"
