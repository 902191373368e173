#include "platform/HttpClient.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

char *toString(THttpOutcome outcome) {
  static constexpr const char *Names[] = {
      "Ok",       "ConnectFailed", "HttpError", "TransferBroken",
      "TooLarge", "WriteFailed",   "Aborted",   "NotModified"};
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
// What /moved and the HTTPS server serve.
const QByteArray Elsewhere = patterned(100000);

TTestResponse ok(const QByteArray &body, TTestFraming framing = TTestFraming::ContentLength) {
  TTestResponse response = TTestResponse::ok(body);
  response.framing = framing;
  return response;
}

struct TCase {
  TTestResponse response; // the answer to /feed
  THttpOutcome expected = THttpOutcome::Ok;
  THttpOptions options = {};
  QString url = u"/feed"_s; // a path on the test server, or the whole address
  QByteArray saved = {};    // the target's bytes afterwards; null: the body, or Previous
  int requests = -1;        // how many the server must have seen; negative: not counted
  QString target = u"feed.xml"_s;
  bool abort = false;
};

} // namespace

Q_DECLARE_METATYPE(TCase)
Q_DECLARE_METATYPE(THttpOptions)

class THttpClientTest : public QObject {
  Q_OBJECT
  TTestHttpServer FServer;
  std::unique_ptr<QTemporaryDir> FFolder;
  quint16 FClosedPort = 0;
  QTemporaryDir FSite;
  QProcess FHttps; // openssl's own HTTPS file server, serving FSite
  QString FHttpsUrl;

private Q_SLOTS:
  void initTestCase() {
    qputenv("no_proxy", "*");
    qputenv("NO_PROXY", "*");
    QVERIFY(FServer.start());
    TTestHttpServer closed; // its port refuses connections once it has stopped
    QVERIFY(closed.start());
    FClosedPort = closed.port();

    // A certificate made for this run alone, so no store on the machine can know it.
    const QString cert = FSite.filePath(u"cert.pem"_s), key = FSite.filePath(u"key.pem"_s);
    QProcess req;
    req.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s,
                             u"-days"_s, u"1"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                             u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, cert});
    QVERIFY2(req.waitForFinished(30000) && req.exitCode() == 0, req.readAllStandardError());
    // In -HTTP mode each file is the whole answer, status line and headers included.
    put(FSite.filePath(u"feed.xml"_s), "HTTP/1.0 200 OK\r\n\r\n" + Elsewhere);
    put(FSite.filePath(u"downgrade"_s),
        "HTTP/1.0 302 Found\r\nLocation: " + FServer.url("/moved").toLatin1() + "\r\n\r\n");
    FHttps.setWorkingDirectory(FSite.path());
    FHttps.start(u"openssl"_s, {u"s_server"_s, u"-HTTP"_s, u"-accept"_s, u"127.0.0.1:0"_s,
                                u"-cert"_s, cert, u"-key"_s, key});
    // Once it listens it names its port: "ACCEPT 127.0.0.1:PORT".
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT(
        (said += FHttps.readAllStandardOutput()).endsWith('\n') && said.contains("ACCEPT"), 10000);
    FHttpsUrl = u"https://127.0.0.1:%1/feed.xml"_s.arg(
        QString::fromLatin1(said.trimmed().split(':').last()));
  }

  void cleanupTestCase() {
    FHttps.kill();
    FHttps.waitForFinished();
  }

  void init() {
    FServer.reset();
    FFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(FFolder->isValid() && QDir(FFolder->path()).mkdir(u"folder.xml"_s));
    put(FFolder->filePath(u"feed.xml"_s), Previous);
  }

  void download_data() {
    QTest::addColumn<TCase>("c");
    using enum THttpOutcome;
    const QByteArray big = patterned(1 << 20);
    QTest::newRow("empty") << TCase{ok({})};
    const THttpOptions atCap{.maxBytes = big.size()}, overCap{.maxBytes = big.size() - 1};
    QTest::newRow("length, at the cap") << TCase{ok(big), Ok, atCap};
    QTest::newRow("until close, at the cap") << TCase{ok(big, TTestFraming::UntilClose), Ok, atCap};
    QTest::newRow("chunked") << TCase{ok(big, TTestFraming::Chunked)};
    QTest::newRow("missing folders")
        << TCase{.response = ok("<rss/>"), .target = u"folder.xml/a/b/feed.xml"_s};

    // Anything but Ok leaves the previous copy, and nothing beside it.
    QTest::newRow("refused") << TCase{
        {}, ConnectFailed, {}, u"http://127.0.0.1:%1/feed"_s.arg(FClosedPort)};
    QTest::newRow("empty URL") << TCase{{}, ConnectFailed, {}, QString()};
    QTest::newRow("file:") << TCase{{}, ConnectFailed, {}, u"file:///etc/passwd"_s};
    QTest::newRow("404") << TCase{TTestResponse::error(404, "gone"), HttpError};
    QTest::newRow("500") << TCase{TTestResponse::error(500), HttpError};
    QTest::newRow("301 without Location") << TCase{TTestResponse::error(301), HttpError};
    // The status decides, not the size of the error page.
    QTest::newRow("404 announcing more than the cap")
        << TCase{TTestResponse::error(404, patterned(5000)), HttpError, {.maxBytes = 1000}};

    TTestResponse hangUp, half = ok(patterned(10000)),
                          halfChunked = ok(patterned(10000), TTestFraming::Chunked),
                          silent = ok("<rss/>"), stalled = ok(patterned(10000));
    hangUp.hangUp = true;
    half.breakAfter = halfChunked.breakAfter = 5000;
    silent.delay = 60s;
    stalled.stallAfter = 100;
    QTest::newRow("length, cut off") << TCase{half, TransferBroken};
    QTest::newRow("chunked, cut off") << TCase{halfChunked, TransferBroken};
    QTest::newRow("closed without an answer") << TCase{hangUp, TransferBroken};
    // libcurl averages the speed over seconds; a limit well above the trickle trips soon.
    const THttpOptions impatient{.lowSpeedBytes = 1000, .lowSpeedSeconds = 1};
    QTest::newRow("silent before answering") << TCase{silent, TransferBroken, impatient};
    QTest::newRow("stalls in the body") << TCase{stalled, TransferBroken, impatient};
    TTestResponse trickling = ok(patterned(1000));
    trickling.trickle = 200ms;
    QTest::newRow("trickles past the total limit")
        << TCase{trickling, TransferBroken, {.totalTimeoutSeconds = 1}};
    // Without the abort, from another thread as the window's closing does, each would
    // wait out the server.
    QTest::newRow("aborted while silent")
        << TCase{.response = silent, .expected = Aborted, .abort = true};
    QTest::newRow("aborted in a stall")
        << TCase{.response = stalled, .expected = Aborted, .abort = true};

    QTest::newRow("length, one byte over the cap") << TCase{ok(big), TooLarge, overCap};
    QTest::newRow("until close, one byte over the cap")
        << TCase{ok(big, TTestFraming::UntilClose), TooLarge, overCap};
    // Arrives in many pieces, so the cap is crossed part-way through the stream.
    QTest::newRow("chunked, far over the cap")
        << TCase{ok(big, TTestFraming::Chunked), TooLarge, {.maxBytes = 100000}};
    QTest::newRow("folder is a file") << TCase{
        ok("<rss/>"), WriteFailed, {}, u"/feed"_s, "<missing>", -1, u"feed.xml/feed.xml"_s};
    QTest::newRow("target is a folder")
        << TCase{ok("<rss/>"), WriteFailed, {}, u"/feed"_s, "<missing>", -1, u"folder.xml"_s};

    // /hop/2 redirects to /hop/1, /hop/1 to /moved and /loop to itself.
    const auto redirect = [](const char *name, const QByteArray &location, THttpOutcome expected,
                             int requests, int maxRedirects = 5, int status = 302) {
      const TTestResponse answer = TTestResponse::redirect(location, status);
      const THttpOptions options{.maxRedirects = maxRedirects};
      const QByteArray saved = expected == Ok ? Elsewhere : QByteArray();
      QTest::newRow(name) << TCase{answer, expected, options, u"/feed"_s, saved, requests};
    };
    redirect("301, path", "/moved", Ok, 2, 5, 301);
    redirect("302, relative", "moved", Ok, 2);
    redirect("308, absolute", FServer.url("/moved").toLatin1(), Ok, 2, 5, 308);
    redirect("2 of 2", "/hop/1", Ok, 3, 2);
    redirect("3 of 2", "/hop/2", HttpError, 3, 2);
    redirect("loop", "/loop", HttpError, 6);
    redirect("to file:", "file:///etc/passwd", ConnectFailed, 1);

    TTestResponse notModified = TTestResponse::error(304);
    notModified.headers = {{"ETag", "\"v2\""}};
    const THttpOptions asked{.ifNoneMatch = "\"v1\""};
    QTest::newRow("304 to a conditional request") << TCase{notModified, NotModified, asked};
    QTest::newRow("304 unasked") << TCase{notModified, HttpError};
    QTest::newRow("validator with a line break, not sent")
        << TCase{notModified, HttpError, {.ifNoneMatch = "\"v1\"\r\nX-Evil: 1"}};
    // The body as zlib wraps it, which is what HTTP calls deflate.
    const auto deflated = [](const QByteArray &body) {
      TTestResponse response = TTestResponse::ok(qCompress(body).sliced(4));
      response.headers = {{"Content-Encoding", "deflate"}};
      return response;
    };
    QTest::newRow("compressed, decoded")
        << TCase{deflated(big), Ok, {.acceptCompressed = true}, u"/feed"_s, big};
    QTest::newRow("compressed, unpacking past the cap")
        << TCase{deflated(QByteArray(1 << 20, 'x')),
                 TooLarge,
                 {.maxBytes = 65536, .acceptCompressed = true}};

    QTest::newRow("HTTPS, system's store") << TCase{{}, ConnectFailed, {}, FHttpsUrl};
    const QByteArray authority = QFile::encodeName(FSite.filePath(u"cert.pem"_s));
    QTest::newRow("HTTPS, own authority as caFile")
        << TCase{{}, Ok, {.caFile = authority}, FHttpsUrl, Elsewhere};
    QString downgrade = FHttpsUrl;
    downgrade.replace(u"feed.xml"_s, u"downgrade"_s);
    QTest::newRow("HTTPS redirected to http")
        << TCase{{}, Ok, {.caFile = authority}, downgrade, Elsewhere};
    QTest::newRow("HTTPS kept, redirect to http refused")
        << TCase{{}, ConnectFailed, {.keepHttps = true, .caFile = authority}, downgrade};
  }

  void download() {
    QFETCH(TCase, c);
    FServer.route("/feed", c.response);
    TTestResponse hop1 = TTestResponse::redirect("/moved");
    // The request after it must not carry the cookie it sets.
    hop1.headers.append({QByteArray("Set-Cookie"), QByteArray("session=1234; Path=/")});
    FServer.route("/hop/1", hop1);
    FServer.route("/hop/2", TTestResponse::redirect("/hop/1"));
    FServer.route("/loop", TTestResponse::redirect("/loop"));
    FServer.route("/moved", TTestResponse::ok(Elsewhere));
    const QString url = c.url.startsWith(u'/') ? FServer.url(c.url.toLatin1()) : c.url;
    const THttpClient client(c.options);
    std::jthread aborter;
    if (c.abort)
      aborter = std::jthread([&] {
        while (FServer.requests().isEmpty())
          std::this_thread::sleep_for(10ms);
        std::this_thread::sleep_for(100ms);
        client.abort();
      });
    const THttpResult result = client.download(url, FFolder->filePath(c.target));
    QCOMPARE(result.outcome, c.expected);
    QCOMPARE(result.error.isEmpty(),
             c.expected == THttpOutcome::Ok || c.expected == THttpOutcome::NotModified);
    if (c.expected == THttpOutcome::Ok)
      QCOMPARE(result.httpStatus, 200L);
    if (c.expected == THttpOutcome::HttpError)
      QCOMPARE(result.httpStatus, long(c.response.status));
    // No answer at all, or a redirect that may not be followed.
    if (c.expected == THttpOutcome::ConnectFailed && FServer.requests().isEmpty())
      QVERIFY(result.httpStatus == 0 || result.httpStatus / 100 == 3);
    const QByteArray saved = !c.saved.isNull()                ? c.saved
                             : c.expected == THttpOutcome::Ok ? c.response.body
                                                              : Previous;
    QCOMPARE(contentOf(FFolder->filePath(c.target)), saved);
    QCOMPARE(contentOf(FFolder->filePath(u"feed.xml"_s)),
             c.target == u"feed.xml"_s ? saved : Previous);
    // No temporary file left behind.
    QCOMPARE(
        QDir(FFolder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{u"feed.xml"_s, u"folder.xml"_s}));
    if (c.requests >= 0)
      QCOMPARE(FServer.requests().size(), c.requests);
    for (const TTestRequest &r : FServer.requests())
      QCOMPARE((QByteArrayList{r.method, r.header("User-Agent"), r.header("Accept"),
                               r.header("Pragma"), r.header("Cache-Control"), r.header("Cookie")}),
               (QByteArrayList{"GET", "Vornix", "*/*", "no-cache", "no-cache", {}}));
  }

  // What a response says for the next request, and what a request asks.
  void validators_data() {
    QTest::addColumn<TTestHeaders>("sent");
    QTest::addColumn<THttpOptions>("options");
    QTest::addColumn<QByteArrayList>("read"); // ETag, Last-Modified
    QTest::addColumn<qint64>("retryAfter");
    QTest::addColumn<QByteArrayList>("asked"); // If-None-Match, If-Modified-Since, Accept-Encoding
    const QByteArray date = "Mon, 07 Dec 2026 10:00:00 GMT";
    const QByteArray soon =
        QDateTime::currentDateTimeUtc().addSecs(120).toString(Qt::RFC2822Date).toLatin1();
    QTest::newRow("none") << TTestHeaders{} << THttpOptions{} << QByteArrayList{{}, {}} << -1LL
                          << QByteArrayList{{}, {}, {}};
    QTest::newRow("validators, asked back")
        << TTestHeaders{{"etag", "W/\"a1\""}, {"Last-Modified", date}}
        << THttpOptions{.ifNoneMatch = "W/\"a0\"", .ifModifiedSince = date}
        << QByteArrayList{"W/\"a1\"", date} << -1LL << QByteArrayList{"W/\"a0\"", date, {}};
    QTest::newRow("Retry-After in seconds")
        << TTestHeaders{{"Retry-After", "3600"}} << THttpOptions{.acceptCompressed = true}
        << QByteArrayList{{}, {}} << 3600LL << QByteArrayList{{}, {}, "deflate"};
    QTest::newRow("Retry-After as a date")
        << TTestHeaders{{"Retry-After", soon}} << THttpOptions{} << QByteArrayList{{}, {}} << 120LL
        << QByteArrayList{{}, {}, {}};
    QTest::newRow("Retry-After in the past")
        << TTestHeaders{{"Retry-After", "Thu, 01 Jan 2015 00:00:00 GMT"}} << THttpOptions{}
        << QByteArrayList{{}, {}} << 0LL << QByteArrayList{{}, {}, {}};
    QTest::newRow("Retry-After negative")
        << TTestHeaders{{"Retry-After", "-5"}} << THttpOptions{} << QByteArrayList{{}, {}} << -1LL
        << QByteArrayList{{}, {}, {}};
  }
  void validators() {
    QFETCH(TTestHeaders, sent);
    QFETCH(THttpOptions, options);
    QFETCH(QByteArrayList, read);
    QFETCH(qint64, retryAfter);
    QFETCH(QByteArrayList, asked);
    // The redirect's own validators must not be taken for the feed's.
    TTestResponse hop = TTestResponse::redirect("/feed");
    hop.headers += TTestHeaders{{"ETag", "\"hop\""}, {"Retry-After", "9"}};
    FServer.route("/hop", hop);
    TTestResponse response = TTestResponse::error(503, "busy");
    response.headers = sent;
    FServer.route("/feed", response);
    const THttpResult result =
        THttpClient(options).download(FServer.url("/hop"), FFolder->filePath(u"feed.xml"_s));
    QCOMPARE((QByteArrayList{result.etag, result.lastModified}), read);
    QVERIFY2(qAbs(result.retryAfterSeconds - retryAfter) <= 2,
             qPrintable(QString::number(result.retryAfterSeconds)));
    const TTestRequest request = FServer.requests().last();
    QByteArray encodings = request.header("Accept-Encoding");
    if (!encodings.isEmpty()) // whichever codings this libcurl decodes, deflate among them
      encodings = encodings.contains("deflate") ? "deflate" : encodings;
    QCOMPARE((QByteArrayList{request.header("If-None-Match"), request.header("If-Modified-Since"),
                             encodings}),
             asked);
  }
};

QTEST_GUILESS_MAIN(THttpClientTest)
#include "tst_HttpClient.moc"
