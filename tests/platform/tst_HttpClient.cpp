#include "platform/HttpClient.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(THttpOutcome)
Q_DECLARE_METATYPE(TTestFraming)
Q_DECLARE_METATYPE(TTestResponse)

char *toString(THttpOutcome outcome) {
  static constexpr const char *Names[] = {
      "Ok", "ConnectFailed", "HttpError", "TransferBroken", "TooLarge", "WriteFailed"};
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

QByteArray hopPath(int hop) { return "/hop/" + QByteArray::number(hop); }

TTestResponse withFraming(TTestResponse response, TTestFraming framing) {
  response.framing = framing;
  return response;
}

} // namespace

class THttpClientTest : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void init();

  void writesBody_data();
  void writesBody();
  void sendsRequestHeaders_data();
  void sendsRequestHeaders();
  void sendsNoCookies();
  void createsMissingFolder();

  void keepsPreviousOnHttpError_data();
  void keepsPreviousOnHttpError();
  void keepsPreviousOnBrokenTransfer_data();
  void keepsPreviousOnBrokenTransfer();
  void abandonsStalledServer_data();
  void abandonsStalledServer();

  void followsRedirects_data();
  void followsRedirects();
  void limitsRedirectChains_data();
  void limitsRedirectChains();
  void refusesRedirectsToOtherSchemes_data();
  void refusesRedirectsToOtherSchemes();

  void capsBodySize_data();
  void capsBodySize();
  void reportsConnectFailures_data();
  void reportsConnectFailures();
  void reportsUnwritableTarget_data();
  void reportsUnwritableTarget();

private:
  QString target() const { return FFolder->filePath(u"feed.xml"_s); }
  QStringList folderEntries() const {
    return QDir(FFolder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  bool writePrevious() const {
    QFile file(target());
    return file.open(QIODevice::WriteOnly) && file.write(Previous) == Previous.size();
  }
  QList<QByteArray> requestedPaths() const {
    QList<QByteArray> paths;
    for (const TTestRequest &request : FServer.requests())
      paths.append(request.path);
    return paths;
  }

  TTestHttpServer FServer;
  std::unique_ptr<QTemporaryDir> FFolder;
  // Bound but never listening: connections to its port are refused, and no other
  // program can take the port while the test runs.
  int FDeafSocket = -1;
  quint16 FDeafPort = 0;
};

void THttpClientTest::initTestCase() {
  // A proxy from the environment would stand between the client and the local server.
  qputenv("no_proxy", "*");
  qputenv("NO_PROXY", "*");
  QVERIFY(FServer.start());

  FDeafSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  QVERIFY(::bind(FDeafSocket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
  QVERIFY(::getsockname(FDeafSocket, reinterpret_cast<sockaddr *>(&address), &length) == 0);
  FDeafPort = ntohs(address.sin_port);
}

void THttpClientTest::cleanupTestCase() {
  FServer.stop();
  if (FDeafSocket >= 0)
    ::close(FDeafSocket);
}

void THttpClientTest::init() {
  FServer.reset();
  FFolder = std::make_unique<QTemporaryDir>();
  QVERIFY(FFolder->isValid());
}

void THttpClientTest::writesBody_data() {
  QTest::addColumn<TTestResponse>("response");

  QTest::newRow("text") << TTestResponse::ok("<rss><channel/></rss>", "application/rss+xml");
  QTest::newRow("binary") << TTestResponse::ok(QByteArray("a\0b\r\n\r\nc\xff", 9));
  QTest::newRow("empty") << TTestResponse::ok({});
  QTest::newRow("empty, chunked") << withFraming(TTestResponse::ok({}), TTestFraming::Chunked);
  QTest::newRow("1 MiB, length") << withFraming(TTestResponse::ok(patterned(1 << 20)),
                                                TTestFraming::ContentLength);
  QTest::newRow("1 MiB, chunked") << withFraming(TTestResponse::ok(patterned(1 << 20)),
                                                 TTestFraming::Chunked);
  QTest::newRow("1 MiB, until close")
      << withFraming(TTestResponse::ok(patterned(1 << 20)), TTestFraming::UntilClose);
  TTestResponse nonAuthoritative = TTestResponse::ok("<rss/>");
  nonAuthoritative.status = 203;
  QTest::newRow("203") << nonAuthoritative;
}

void THttpClientTest::writesBody() {
  QFETCH(TTestResponse, response);
  QVERIFY(writePrevious());
  FServer.route("/feed", response);

  const THttpResult result = THttpClient().download(FServer.url("/feed"), target());

  QCOMPARE(result.outcome, THttpOutcome::Ok);
  QCOMPARE(result.httpStatus, long(response.status));
  QCOMPARE(contents(target()), response.body);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::sendsRequestHeaders_data() {
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("user agent") << QByteArray("User-Agent") << QByteArray("Vornix");
  QTest::newRow("accept") << QByteArray("Accept") << QByteArray("*/*");
  QTest::newRow("pragma") << QByteArray("Pragma") << QByteArray("no-cache");
  QTest::newRow("cache control") << QByteArray("Cache-Control") << QByteArray("no-cache");
}

void THttpClientTest::sendsRequestHeaders() {
  QFETCH(QByteArray, name);
  QFETCH(QByteArray, expected);
  FServer.route("/feed", TTestResponse::ok("<rss/>"));

  QVERIFY(THttpClient().download(FServer.url("/feed"), target()).ok());

  const QList<TTestRequest> requests = FServer.requests();
  QCOMPARE(requests.size(), 1);
  QCOMPARE(requests[0].method, QByteArray("GET"));
  QCOMPARE(requests[0].header(name), expected);
}

void THttpClientTest::sendsNoCookies() {
  TTestResponse login = TTestResponse::redirect("/feed");
  login.headers.append({QByteArray("Set-Cookie"), QByteArray("session=1234; Path=/")});
  FServer.route("/login", login);
  FServer.route("/feed", TTestResponse::ok("<rss/>"));

  QVERIFY(THttpClient().download(FServer.url("/login"), target()).ok());

  const QList<TTestRequest> requests = FServer.requests();
  QCOMPARE(requests.size(), 2);
  QVERIFY(!requests[1].hasHeader("Cookie"));
}

void THttpClientTest::createsMissingFolder() {
  const QString nested = FFolder->filePath(u"feeds/jobs/feed.xml"_s);
  FServer.route("/feed", TTestResponse::ok("<rss/>"));

  const THttpResult result = THttpClient().download(FServer.url("/feed"), nested);

  QCOMPARE(result.outcome, THttpOutcome::Ok);
  QCOMPARE(contents(nested), QByteArray("<rss/>"));
}

void THttpClientTest::keepsPreviousOnHttpError_data() {
  QTest::addColumn<TTestResponse>("response");
  QTest::addColumn<qint64>("maxBytes");

  const qint64 cap = THttpOptions().maxBytes;
  QTest::newRow("404") << TTestResponse::error(404, "<html>gone</html>") << cap;
  QTest::newRow("403") << TTestResponse::error(403) << cap;
  QTest::newRow("500") << TTestResponse::error(500, "<html>oops</html>") << cap;
  QTest::newRow("503, chunked") << withFraming(TTestResponse::error(503, "<html>later</html>"),
                                               TTestFraming::Chunked)
                                << cap;
  TTestResponse noLocation;
  noLocation.status = 301;
  QTest::newRow("301 without Location") << noLocation << cap;
  // The status decides, not the size of the error page.
  QTest::newRow("404 announcing more than the cap")
      << TTestResponse::error(404, patterned(5000)) << qint64(1000);
  QTest::newRow("404 longer than the cap, until close")
      << withFraming(TTestResponse::error(404, patterned(5000)), TTestFraming::UntilClose)
      << qint64(1000);
}

void THttpClientTest::keepsPreviousOnHttpError() {
  QFETCH(TTestResponse, response);
  QFETCH(qint64, maxBytes);
  QVERIFY(writePrevious());
  FServer.route("/feed", response);
  THttpOptions options;
  options.maxBytes = maxBytes;

  const THttpResult result = THttpClient(options).download(FServer.url("/feed"), target());

  QCOMPARE(result.outcome, THttpOutcome::HttpError);
  QCOMPARE(result.httpStatus, long(response.status));
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::keepsPreviousOnBrokenTransfer_data() {
  QTest::addColumn<TTestResponse>("response");

  TTestResponse half = TTestResponse::ok(patterned(10000));
  half.breakAfter = 5000;
  QTest::newRow("length, cut after half") << half;
  QTest::newRow("chunked, cut after half") << withFraming(half, TTestFraming::Chunked);
  TTestResponse headOnly = half;
  headOnly.breakAfter = 0;
  QTest::newRow("length, cut before the body") << headOnly;
  TTestResponse hangUp;
  hangUp.hangUp = true;
  QTest::newRow("closed without an answer") << hangUp;
}

void THttpClientTest::keepsPreviousOnBrokenTransfer() {
  QFETCH(TTestResponse, response);
  QVERIFY(writePrevious());
  FServer.route("/feed", response);

  const THttpResult result = THttpClient().download(FServer.url("/feed"), target());

  QCOMPARE(result.outcome, THttpOutcome::TransferBroken);
  QVERIFY(!result.error.isEmpty());
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::abandonsStalledServer_data() {
  QTest::addColumn<TTestResponse>("response");

  TTestResponse silent = TTestResponse::ok("<rss/>");
  silent.delay = 60s;
  QTest::newRow("silent before answering") << silent;
  TTestResponse stalled = TTestResponse::ok(patterned(10000));
  stalled.stallAfter = 100;
  QTest::newRow("stalls in the body") << stalled;
  QTest::newRow("stalls in a chunked body") << withFraming(stalled, TTestFraming::Chunked);
}

void THttpClientTest::abandonsStalledServer() {
  QFETCH(TTestResponse, response);
  QVERIFY(writePrevious());
  FServer.route("/feed", response);
  // libcurl averages the speed over several seconds; a limit well above the trickle
  // before the stall lets the check trip after one quiet second.
  THttpOptions options;
  options.lowSpeedBytes = 1000;
  options.lowSpeedSeconds = 1;

  const THttpResult result = THttpClient(options).download(FServer.url("/feed"), target());

  QCOMPARE(result.outcome, THttpOutcome::TransferBroken);
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::followsRedirects_data() {
  QTest::addColumn<int>("status");
  QTest::addColumn<QByteArray>("location");

  QTest::newRow("301") << 301 << QByteArray("/final");
  QTest::newRow("302") << 302 << QByteArray("/final");
  QTest::newRow("303") << 303 << QByteArray("/final");
  QTest::newRow("307") << 307 << QByteArray("/final");
  QTest::newRow("308") << 308 << QByteArray("/final");
  QTest::newRow("302, relative") << 302 << QByteArray("final");
  QTest::newRow("302, absolute") << 302 << FServer.url("/final").toLatin1();
}

void THttpClientTest::followsRedirects() {
  QFETCH(int, status);
  QFETCH(QByteArray, location);
  FServer.route("/start", TTestResponse::redirect(location, status));
  FServer.route("/final", TTestResponse::ok("<rss>moved</rss>"));

  const THttpResult result = THttpClient().download(FServer.url("/start"), target());

  QCOMPARE(result.outcome, THttpOutcome::Ok);
  QCOMPARE(result.httpStatus, 200L);
  QCOMPARE(contents(target()), QByteArray("<rss>moved</rss>"));
  QCOMPARE(requestedPaths(), (QList<QByteArray>{"/start", "/final"}));
}

void THttpClientTest::limitsRedirectChains_data() {
  QTest::addColumn<int>("hops");
  QTest::addColumn<int>("maxRedirects");
  QTest::addColumn<THttpOutcome>("expected");

  QTest::newRow("2 of 2") << 2 << 2 << THttpOutcome::Ok;
  QTest::newRow("3 of 2") << 3 << 2 << THttpOutcome::HttpError;
  QTest::newRow("5 of default") << 5 << THttpOptions().maxRedirects << THttpOutcome::Ok;
  QTest::newRow("6 of default") << 6 << THttpOptions().maxRedirects << THttpOutcome::HttpError;
  QTest::newRow("1 of 0") << 1 << 0 << THttpOutcome::HttpError;
  // A server that redirects to itself must not keep the client busy for ever.
  QTest::newRow("loop") << -1 << THttpOptions().maxRedirects << THttpOutcome::HttpError;
}

void THttpClientTest::limitsRedirectChains() {
  QFETCH(int, hops);
  QFETCH(int, maxRedirects);
  QFETCH(THttpOutcome, expected);
  QVERIFY(writePrevious());
  // /hop/N redirects to /hop/N-1, and /hop/1 to the feed.
  for (int hop = 1; hop <= hops; ++hop) {
    const QByteArray next = hop == 1 ? QByteArray("/feed") : hopPath(hop - 1);
    FServer.route(hopPath(hop), TTestResponse::redirect(next));
  }
  FServer.route(hopPath(-1), TTestResponse::redirect(hopPath(-1)));
  FServer.route("/feed", TTestResponse::ok("<rss>end of the chain</rss>"));
  THttpOptions options;
  options.maxRedirects = maxRedirects;

  const THttpResult result = THttpClient(options).download(FServer.url(hopPath(hops)), target());

  QCOMPARE(result.outcome, expected);
  QCOMPARE(contents(target()),
           expected == THttpOutcome::Ok ? QByteArray("<rss>end of the chain</rss>") : Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::refusesRedirectsToOtherSchemes_data() {
  QTest::addColumn<QByteArray>("location");

  const QByteArray server = "127.0.0.1:" + QByteArray::number(FServer.port());
  QTest::newRow("file") << QByteArray("file:///etc/passwd");
  QTest::newRow("ftp") << QByteArray("ftp://" + server + "/feed");
  QTest::newRow("dict") << QByteArray("dict://" + server + "/feed");
  QTest::newRow("gopher") << QByteArray("gopher://" + server + "/feed");
}

void THttpClientTest::refusesRedirectsToOtherSchemes() {
  QFETCH(QByteArray, location);
  QVERIFY(writePrevious());
  FServer.route("/start", TTestResponse::redirect(location));

  const THttpResult result = THttpClient().download(FServer.url("/start"), target());

  QCOMPARE(result.outcome, THttpOutcome::ConnectFailed);
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(requestedPaths(), QList<QByteArray>{"/start"});
}

void THttpClientTest::capsBodySize_data() {
  QTest::addColumn<TTestFraming>("framing");
  QTest::addColumn<qsizetype>("size");
  QTest::addColumn<qint64>("maxBytes");
  QTest::addColumn<THttpOutcome>("expected");

  const QList<QPair<const char *, TTestFraming>> framings = {
      {"length", TTestFraming::ContentLength},
      {"chunked", TTestFraming::Chunked},
      {"until close", TTestFraming::UntilClose}};
  for (const auto &[name, framing] : framings) {
    QTest::addRow("%s, at the cap", name)
        << framing << qsizetype(4096) << qint64(4096) << THttpOutcome::Ok;
    QTest::addRow("%s, one byte over", name)
        << framing << qsizetype(4097) << qint64(4096) << THttpOutcome::TooLarge;
    // Arrives in many pieces, so the cap is crossed part-way through the stream.
    QTest::addRow("%s, far over", name)
        << framing << qsizetype(1 << 20) << qint64(100000) << THttpOutcome::TooLarge;
  }
}

void THttpClientTest::capsBodySize() {
  QFETCH(TTestFraming, framing);
  QFETCH(qsizetype, size);
  QFETCH(qint64, maxBytes);
  QFETCH(THttpOutcome, expected);
  QVERIFY(writePrevious());
  const QByteArray body = patterned(size);
  FServer.route("/feed", withFraming(TTestResponse::ok(body), framing));
  THttpOptions options;
  options.maxBytes = maxBytes;

  const THttpResult result = THttpClient(options).download(FServer.url("/feed"), target());

  QCOMPARE(result.outcome, expected);
  QCOMPARE(contents(target()), expected == THttpOutcome::Ok ? body : Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::reportsConnectFailures_data() {
  QTest::addColumn<QString>("url");

  const QString server = u"127.0.0.1:"_s + QString::number(FServer.port());
  QTest::newRow("refused") << QString(u"http://127.0.0.1:"_s + QString::number(FDeafPort) +
                                      u"/feed"_s);
  QTest::newRow("empty") << QString();
  QTest::newRow("no host") << u"http://"_s;
  QTest::newRow("ftp") << QString(u"ftp://"_s + server + u"/feed"_s);
  QTest::newRow("file") << u"file:///etc/passwd"_s;
  QTest::newRow("unknown scheme") << QString(u"nosuch://"_s + server + u"/feed"_s);
}

void THttpClientTest::reportsConnectFailures() {
  QFETCH(QString, url);
  QVERIFY(writePrevious());

  const THttpResult result = THttpClient().download(url, target());

  QCOMPARE(result.outcome, THttpOutcome::ConnectFailed);
  QCOMPARE(result.httpStatus, 0L);
  QVERIFY(!result.error.isEmpty());
  QCOMPARE(contents(target()), Previous);
  QCOMPARE(folderEntries(), QStringList{u"feed.xml"_s});
}

void THttpClientTest::reportsUnwritableTarget_data() {
  QTest::addColumn<QString>("relativeTarget");

  QTest::newRow("folder is a file") << u"blocker/feed.xml"_s;
  QTest::newRow("target is a folder") << u"folder.xml"_s;
}

void THttpClientTest::reportsUnwritableTarget() {
  QFETCH(QString, relativeTarget);
  QFile blocker(FFolder->filePath(u"blocker"_s));
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QVERIFY(QDir(FFolder->path()).mkdir(u"folder.xml"_s));
  FServer.route("/feed", TTestResponse::ok("<rss/>"));

  const THttpResult result =
      THttpClient().download(FServer.url("/feed"), FFolder->filePath(relativeTarget));

  QCOMPARE(result.outcome, THttpOutcome::WriteFailed);
  QVERIFY(!result.error.isEmpty());
  QCOMPARE(folderEntries(), (QStringList{u"blocker"_s, u"folder.xml"_s}));
  QVERIFY(QFileInfo(FFolder->filePath(u"blocker"_s)).isFile());
}

QTEST_GUILESS_MAIN(THttpClientTest)
#include "tst_HttpClient.moc"
