#include "platform/HttpClient.h"
#include "support/FileBytes.h"
#include "support/GoldenFile.h"
#include "support/TestHttpServer.h"

#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

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

constexpr const char *Outcomes[] = {"Ok",       "ConnectFailed", "HttpError", "TransferBroken",
                                    "TooLarge", "WriteFailed",   "Aborted",   "NotModified"};

// Bytes as a dump names them: the previous copy, a run of the pattern, or themselves.
QString described(const QByteArray &bytes) {
  if (bytes == Previous)
    return u"the previous copy"_s;
  if (bytes.size() > 64)
    return u"%1 %2 bytes"_s.arg(bytes.size())
        .arg(bytes == patterned(bytes.size()) ? u"patterned"_s : u"other"_s);
  QString out;
  QDebug(&out).nospace() << bytes;
  return out;
}

} // namespace

class THttpClientTest : public QObject {
  Q_OBJECT
  TTestHttpServer FServer;
  std::unique_ptr<QTemporaryDir> FFolder;
  QString FClosed; // a server that has stopped, whose port refuses
  QTemporaryDir FSite;
  QProcess FHttps; // openssl's own HTTPS file server, serving FSite
  QString FHttpsSite;

private Q_SLOTS:
  void initTestCase() {
    qputenv("no_proxy", "*");
    qputenv("NO_PROXY", "*");
    QVERIFY(FServer.start());
    TTestHttpServer closed; // its port refuses connections once it has stopped
    QVERIFY(closed.start());
    FClosed = closed.url("").chopped(1);

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
    FHttpsSite =
        u"https://127.0.0.1:%1"_s.arg(QString::fromLatin1(said.trimmed().split(':').last()));
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

  // Each tests/data/downloads/<file> is a case, a line per setting: the answer to /feed
  // (by default 200 with no body), the client's options, and "url", "target" or "abort"
  // (from another thread, as the window's closing does, once the server has the request).
  // {server}, {https} and {closed} stand for this run's servers and a port that refuses.
  // Anything but Ok leaves the previous copy, and nothing beside it. The dump beside it
  // holds the result, the bytes where the copy goes and the requests the server saw.
  void download_data() { addGoldenRows(u"downloads"_s); }
  void download() {
    QFETCH(QString, input);
    TTestResponse answer = TTestResponse::ok({});
    THttpOptions options;
    QString url = FServer.url("/feed"), target = u"feed.xml"_s;
    bool abort = false;
    qint64 ahead = -1; // the "{now+N}" in the case
    for (QString line : ScriptLines(input)) {
      line.replace(u"\\r"_s, u"\r"_s).replace(u"\\n"_s, u"\n"_s).replace(u"{closed}"_s, FClosed);
      line.replace(u"{server}"_s, FServer.url("").chopped(1)).replace(u"{https}"_s, FHttpsSite);
      if (const qsizetype at = line.indexOf(u"{now+"_s); at >= 0) {
        ahead = line.sliced(at + 5).section(u'}', 0, 0).toLongLong();
        line = line.first(at) +
               QDateTime::currentDateTimeUtc().addSecs(ahead).toString(Qt::RFC2822Date);
      }
      const QByteArray key = line.section(u' ', 0, 0).toUtf8(),
                       value = line.section(u' ', 1).toUtf8();
      const int n = value.toInt();
      if (key == "status")
        answer.status = n;
      else if (key == "body")
        answer.body = patterned(n);
      else if (key == "text")
        answer.body = value;
      else if (key == "header")
        answer.headers.append(
            {value.first(value.indexOf(": ")), value.sliced(value.indexOf(": ") + 2)});
      else if (key == "deflate" || key == "deflate-x") // the body as zlib wraps it, HTTP's deflate
        answer.body = qCompress(key == "deflate" ? patterned(n) : QByteArray(n, 'x')).sliced(4);
      else if (key == "framing")
        answer.framing = value == "chunked" ? TTestFraming::Chunked : TTestFraming::UntilClose;
      else if (key == "break-after" || key == "stall-after")
        (key == "break-after" ? answer.breakAfter : answer.stallAfter) = n;
      else if (key == "delay-ms" || key == "trickle-ms")
        (key == "delay-ms" ? answer.delay : answer.trickle) = std::chrono::milliseconds(n);
      else if (key == "hang-up")
        answer.hangUp = true;
      else if (key == "max-bytes")
        options.maxBytes = n;
      else if (key == "low-speed-bytes" || key == "low-speed-seconds")
        (key == "low-speed-bytes" ? options.lowSpeedBytes : options.lowSpeedSeconds) = n;
      else if (key == "total-timeout")
        options.totalTimeoutSeconds = n;
      else if (key == "max-redirects")
        options.maxRedirects = n;
      else if (key == "if-none-match" || key == "if-modified-since")
        (key == "if-none-match" ? options.ifNoneMatch : options.ifModifiedSince) = value;
      else if (key == "accept-compressed" || key == "keep-https")
        (key == "keep-https" ? options.keepHttps : options.acceptCompressed) = true;
      else if (key == "own-authority")
        options.caFile = QFile::encodeName(FSite.filePath(u"cert.pem"_s));
      else if (key == "url" || key == "target")
        (key == "url" ? url : target) = line.section(u' ', 1);
      else if (key == "abort")
        abort = true;
      else
        QFAIL(qPrintable(line));
    }
    FServer.route("/feed", answer);
    TTestResponse hop1 = TTestResponse::redirect("/moved");
    // The request after it must not carry the cookie it sets.
    hop1.headers.append({QByteArray("Set-Cookie"), QByteArray("session=1234; Path=/")});
    FServer.route("/hop/1", hop1);
    FServer.route("/hop/2", TTestResponse::redirect("/hop/1"));
    FServer.route("/loop", TTestResponse::redirect("/loop"));
    FServer.route("/moved", TTestResponse::ok(Elsewhere));
    // The redirect's own validators must not be taken for the feed's.
    TTestResponse hop = TTestResponse::redirect("/feed");
    hop.headers += TTestHeaders{{"ETag", "\"hop\""}, {"Retry-After", "9"}};
    FServer.route("/hop", hop);
    const THttpClient client(options);
    std::jthread aborter;
    if (abort)
      aborter = std::jthread([&] {
        while (FServer.requests().isEmpty())
          std::this_thread::sleep_for(10ms);
        std::this_thread::sleep_for(100ms);
        client.abort();
      });
    const THttpResult result = client.download(url, FFolder->filePath(target));
    // A date a second or two past when the answer was read.
    const qint64 retryAfter = ahead >= 0 && qAbs(result.retryAfterSeconds - ahead) <= 2
                                  ? ahead
                                  : result.retryAfterSeconds;
    const TTestRequest last = FServer.requests().value(FServer.requests().size() - 1);
    QByteArray encodings = last.header("Accept-Encoding");
    if (!encodings.isEmpty()) // whichever codings this libcurl decodes, deflate among them
      encodings = encodings.contains("deflate") ? "deflate" : encodings;
    QString dump;
    QDebug(&dump).nospace()
        << Outcomes[int(result.outcome)] << ", status " << result.httpStatus
        << (result.error.isEmpty() ? ", no error\n" : ", an error\n") << target << ": "
        << qUtf8Printable(described(contentOf(FFolder->filePath(target))))
        << "\nfeed.xml: " << qUtf8Printable(described(contentOf(FFolder->filePath(u"feed.xml"_s))))
        << "\nbeside it: "
        << QDir(FFolder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
        << "\nread ETag " << result.etag << ", Last-Modified " << result.lastModified
        << ", Retry-After " << retryAfter << "\nrequests: " << FServer.requests().size()
        << ", the last asking If-None-Match " << last.header("If-None-Match")
        << ", If-Modified-Since " << last.header("If-Modified-Since") << ", Accept-Encoding "
        << encodings << "\n";
    for (const TTestRequest &r : FServer.requests())
      QCOMPARE((QByteArrayList{r.method, r.header("User-Agent"), r.header("Accept"),
                               r.header("Pragma"), r.header("Cache-Control"), r.header("Cookie")}),
               (QByteArrayList{"GET", "Vornix", "*/*", "no-cache", "no-cache", {}}));
    compareWithGolden(input, dump);
  }
};

QTEST_GUILESS_MAIN(THttpClientTest)
#include "tst_HttpClient.moc"
