#include "platform/HttpClient.h"

#include "platform/LazyLibraries.h"
#include "platform/SaveFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <memory>
#include <mutex>
#include <utility>

namespace {

// Reached only once download() has opened libcurl.
const TCurlApi &curl() {
  return *CurlApi();
}

struct TCurlDeleter {
  void operator()(CURL *handle) const { curl().easy_cleanup(handle); }
};
struct TCurlListDeleter {
  void operator()(curl_slist *list) const { curl().slist_free_all(list); }
};
using TCurlHandle = std::unique_ptr<CURL, TCurlDeleter>;
struct TCurlMultiDeleter {
  void operator()(CURLM *multi) const { curl().multi_cleanup(multi); }
};
using TCurlList = std::unique_ptr<curl_slist, TCurlListDeleter>;
using TCurlMulti = std::unique_ptr<CURLM, TCurlMultiDeleter>;

bool isSuccess(long status) {
  return status >= 200 && status <= 299;
}

long responseCode(CURL *handle) {
  long status = 0;
  curl().easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

// Where the body goes while it arrives. The callback stops the transfer the moment
// going on would be pointless: an error page, a body past the cap, a disk that refuses.
struct TBodySink {
  CURL *handle = nullptr;
  QSaveFile *file = nullptr;
  qint64 maxBytes = 0;
  qint64 received = 0;
  bool refusedStatus = false;
  bool tooLarge = false;
  bool writeFailed = false;
};

// The headers of the last response only: a redirect's are of no use.
struct THeaderSink {
  QByteArray etag;
  QByteArray lastModified;
  QByteArray retryAfter;
  QByteArray contentType;
};

size_t readHeader(char *data, size_t size, size_t count, void *userData) {
  auto &sink = *static_cast<THeaderSink *>(userData);
  const QByteArrayView line(data, static_cast<qsizetype>(size * count));
  if (line.startsWith("HTTP/")) {
    sink = {};
  } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
    const QByteArray name = line.first(colon).trimmed().toByteArray().toLower();
    const QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
    if (name == "etag")
      sink.etag = value;
    else if (name == "last-modified")
      sink.lastModified = value;
    else if (name == "retry-after")
      sink.retryAfter = value;
    else if (name == "content-type")
      sink.contentType = value;
  }
  return size * count;
}

// Retry-After is either a number of seconds or an HTTP date.
qint64 retryAfterSeconds(const QByteArray &value) {
  if (value.isEmpty())
    return -1;
  bool number = false;
  const qint64 seconds = value.toLongLong(&number);
  if (number)
    return seconds >= 0 ? seconds : -1;
  // Servers name the zone "GMT", as HTTP dates must; Qt reads only a numeric one.
  QString date = QString::fromLatin1(value).trimmed();
  if (date.endsWith(QLatin1StringView(" GMT")))
    date.replace(date.size() - 3, 3, QStringLiteral("+0000"));
  const QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
  return when.isValid() ? qMax(0LL, QDateTime::currentDateTimeUtc().secsTo(when)) : -1;
}

size_t writeBody(char *data, size_t size, size_t count, void *userData) {
  auto &sink = *static_cast<TBodySink *>(userData);
  const auto bytes = static_cast<qint64>(size * count);
  if (bytes == 0)
    return 0;
  // An error page is of no use, however long; stop reading it.
  if (!isSuccess(responseCode(sink.handle))) {
    sink.refusedStatus = true;
    return 0;
  }
  if (sink.maxBytes > 0 && bytes > sink.maxBytes - sink.received) {
    sink.tooLarge = true;
    return 0;
  }
  if (sink.file->write(data, bytes) != bytes) {
    sink.writeFailed = true;
    return 0;
  }
  sink.received += bytes;
  return static_cast<size_t>(bytes);
}

// A validator is the server's own text; a line break in it would start
// another header, so such a one is never sent.
bool sendable(const QByteArray &value) {
  return !value.isEmpty() && !value.contains('\r') && !value.contains('\n');
}

bool isConditional(const THttpOptions &options) {
  return sendable(options.ifNoneMatch) || sendable(options.ifModifiedSince);
}

TCurlList requestHeaders(const THttpOptions &options) {
  QByteArrayList lines{"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"};
  if (sendable(options.ifNoneMatch))
    lines.append("If-None-Match: " + options.ifNoneMatch);
  if (sendable(options.ifModifiedSince))
    lines.append("If-Modified-Since: " + options.ifModifiedSince);
  curl_slist *list = nullptr;
  for (const QByteArray &header : std::as_const(lines)) {
    curl_slist *extended = curl().slist_append(list, header.constData());
    if (!extended) {
      curl().slist_free_all(list);
      return {};
    }
    list = extended;
  }
  return TCurlList(list);
}

CURLcode configure(CURL *handle, const THttpOptions &options, const QByteArray &url,
                   curl_slist *headers, char *errorBuffer, TBodySink *sink,
                   THeaderSink *headerSink) {
  CURLcode first = CURLE_OK;
  const auto keep = [&first](CURLcode code) {
    if (first == CURLE_OK)
      first = code;
  };
  keep(curl().easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer));
  keep(curl().easy_setopt(handle, CURLOPT_URL, url.constData()));
  keep(curl().easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https"));
  const bool secureOnly = options.keepHttps && url.toLower().startsWith("https:");
  keep(
      curl().easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, secureOnly ? "https" : "http,https"));
  keep(curl().easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L));
  keep(curl().easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(options.maxRedirects)));
  keep(curl().easy_setopt(handle, CURLOPT_USERAGENT, options.userAgent.constData()));
  keep(curl().easy_setopt(handle, CURLOPT_HTTPHEADER, headers));
  if (!options.caFile.isEmpty())
    keep(curl().easy_setopt(handle, CURLOPT_CAINFO, options.caFile.constData()));
  // Signals would be the only way libcurl could time out name lookups, and they do
  // not mix with a GUI process.
  keep(curl().easy_setopt(handle, CURLOPT_NOSIGNAL, 1L));
  keep(curl().easy_setopt(handle, CURLOPT_CONNECTTIMEOUT,
                          static_cast<long>(options.connectTimeoutSeconds)));
  keep(curl().easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT,
                          static_cast<long>(options.lowSpeedBytes)));
  keep(curl().easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                          static_cast<long>(options.lowSpeedSeconds)));
  if (options.totalTimeoutSeconds > 0)
    keep(curl().easy_setopt(handle, CURLOPT_TIMEOUT,
                            static_cast<long>(options.totalTimeoutSeconds)));
  // Refuses an announced oversized body before any of it is read; the write
  // callback catches the bodies that do not announce their length.
  if (options.maxBytes > 0)
    keep(curl().easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                            static_cast<curl_off_t>(options.maxBytes)));
  keep(curl().easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeBody));
  keep(curl().easy_setopt(handle, CURLOPT_WRITEDATA, sink));
  keep(curl().easy_setopt(handle, CURLOPT_HEADERFUNCTION, readHeader));
  keep(curl().easy_setopt(handle, CURLOPT_HEADERDATA, headerSink));
  // An empty string offers every encoding this libcurl can decode.
  if (options.acceptCompressed)
    keep(curl().easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, ""));
  return first;
}

// A time-out means a dead server only when the request never got through; once it
// has, the server went silent in the middle of the transfer.
bool reachedServer(CURL *handle) {
  curl_off_t pretransfer = 0;
  curl().easy_getinfo(handle, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
  return pretransfer > 0;
}

THttpOutcome outcomeOfCurl(CURLcode code, long status, bool reached) {
  switch (code) {
  case CURLE_OK:
    return isSuccess(status) ? THttpOutcome::Ok : THttpOutcome::HttpError;
  case CURLE_TOO_MANY_REDIRECTS:
    return THttpOutcome::HttpError;
  case CURLE_FILESIZE_EXCEEDED:
    return isSuccess(status) ? THttpOutcome::TooLarge : THttpOutcome::HttpError;
  case CURLE_WRITE_ERROR:
    return THttpOutcome::WriteFailed;
  case CURLE_OPERATION_TIMEDOUT:
    return reached ? THttpOutcome::TransferBroken : THttpOutcome::ConnectFailed;
  // Also after a redirect: the new location could not be reached, or was refused.
  case CURLE_UNSUPPORTED_PROTOCOL:
  case CURLE_URL_MALFORMAT:
  case CURLE_COULDNT_RESOLVE_PROXY:
  case CURLE_COULDNT_RESOLVE_HOST:
  case CURLE_COULDNT_CONNECT:
  case CURLE_SSL_CONNECT_ERROR:
  case CURLE_PEER_FAILED_VERIFICATION:
  case CURLE_SSL_CERTPROBLEM:
  case CURLE_SSL_CIPHER:
  case CURLE_SSL_CACERT_BADFILE:
  case CURLE_SSL_ISSUER_ERROR:
  case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
  case CURLE_SSL_INVALIDCERTSTATUS:
  case CURLE_SSL_CRL_BADFILE:
  case CURLE_SSL_CLIENTCERT:
    return THttpOutcome::ConnectFailed;
  case CURLE_PARTIAL_FILE:
  case CURLE_RECV_ERROR:
  case CURLE_SEND_ERROR:
  case CURLE_GOT_NOTHING:
  case CURLE_HTTP2:
  case CURLE_HTTP2_STREAM:
  case CURLE_BAD_CONTENT_ENCODING:
  case CURLE_WEIRD_SERVER_REPLY:
    return THttpOutcome::TransferBroken;
  default:
    // Anything unforeseen counts against the server once the request got through.
    return reached ? THttpOutcome::TransferBroken : THttpOutcome::ConnectFailed;
  }
}

QString curlError(CURLcode code, const char *errorBuffer) {
  if (errorBuffer[0] != '\0')
    return QString::fromUtf8(errorBuffer).trimmed();
  return QString::fromUtf8(curl().easy_strerror(code));
}

THttpResult resultOf(CURLcode code, const TBodySink &sink, const THeaderSink &headers,
                     bool conditional, const char *errorBuffer) {
  THttpResult result;
  result.httpStatus = responseCode(sink.handle);
  result.etag = headers.etag;
  result.lastModified = headers.lastModified;
  result.retryAfterSeconds = retryAfterSeconds(headers.retryAfter);
  result.contentType = headers.contentType;
  // Only a question asked may be answered "not modified"; unasked, 304 is an
  // error like any other status outside 2xx.
  if (code == CURLE_OK && result.httpStatus == 304 && conditional) {
    result.outcome = THttpOutcome::NotModified;
    return result;
  }
  // The callback's own reasons come first: libcurl only sees a refused write.
  if (sink.writeFailed) {
    result.outcome = THttpOutcome::WriteFailed;
    result.error = sink.file->errorString();
  } else if (sink.refusedStatus) {
    result.outcome = THttpOutcome::HttpError;
  } else if (sink.tooLarge) {
    result.outcome = THttpOutcome::TooLarge;
    result.error = QStringLiteral("The body exceeds %1 bytes").arg(sink.maxBytes);
  } else {
    result.outcome = outcomeOfCurl(code, result.httpStatus, reachedServer(sink.handle));
    if (code != CURLE_OK)
      result.error = curlError(code, errorBuffer);
  }
  // libcurl's words would describe a symptom of the status, such as the size of the
  // error page; the log needs the status itself.
  if (result.outcome == THttpOutcome::HttpError && code != CURLE_TOO_MANY_REDIRECTS)
    result.error = QStringLiteral("The server answered with status %1").arg(result.httpStatus);
  return result;
}

THttpResult failure(THttpOutcome outcome, const QString &error) {
  THttpResult result;
  result.outcome = outcome;
  result.error = error;
  return result;
}

bool openTarget(QSaveFile &file, QString &error) {
  const QString folder = QFileInfo(file.fileName()).absolutePath();
  if (!QDir().mkpath(folder)) {
    error = QStringLiteral("Cannot create the folder %1").arg(folder);
    return false;
  }
  if (!file.open(QIODevice::WriteOnly)) {
    error = file.errorString();
    return false;
  }
  return true;
}

} // namespace

// What abort() needs to reach a transfer under way on another thread.
struct THttpClient::TAbort {
  std::mutex Mutex;
  bool Aborted = false;
  CURLM *Multi = nullptr; // the transfer under way, whose wait abort() wakes

  bool aborted() {
    const std::lock_guard lock(Mutex);
    return Aborted;
  }

  void abort() {
    const std::lock_guard lock(Mutex);
    Aborted = true;
    if (Multi)
      curl().multi_wakeup(Multi);
  }

  // Runs the transfer to its end through a multi handle, whose wait for the
  // server abort() can cut short: a silent server would otherwise hold an
  // abort back until libcurl next looks at its progress.
  CURLcode perform(CURL *handle) {
    const TCurlMulti multi(curl().multi_init());
    if (!multi || curl().multi_add_handle(multi.get(), handle) != CURLM_OK)
      return CURLE_OUT_OF_MEMORY;
    CURLcode code = CURLE_ABORTED_BY_CALLBACK;
    if (enter(multi.get())) {
      code = drive(multi.get());
      enter(nullptr);
    }
    curl().multi_remove_handle(multi.get(), handle);
    return code;
  }

private:
  bool enter(CURLM *multi) {
    const std::lock_guard lock(Mutex);
    Multi = Aborted ? nullptr : multi;
    return !Aborted;
  }

  CURLcode drive(CURLM *multi) {
    while (!aborted()) {
      int running = 0;
      if (curl().multi_perform(multi, &running) != CURLM_OK)
        return CURLE_FAILED_INIT;
      if (running == 0)
        return finishedCode(multi);
      if (curl().multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK)
        return CURLE_FAILED_INIT;
    }
    return CURLE_ABORTED_BY_CALLBACK;
  }

  static CURLcode finishedCode(CURLM *multi) {
    int left = 0;
    while (const CURLMsg *message = curl().multi_info_read(multi, &left)) {
      if (message->msg == CURLMSG_DONE)
        return message->data.result;
    }
    return CURLE_GOT_NOTHING;
  }
};

QString WithHttpScheme(const QString &url) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
  const QString address = url.trimmed();
  if (scheme.match(address).hasMatch())
    return address;
  return u"http://" + address;
}

THttpClient::THttpClient(THttpOptions options)
    : FOptions(std::move(options)), FAbort(std::make_unique<TAbort>()) {}

THttpClient::~THttpClient() = default;

void THttpClient::abort() const {
  FAbort->abort();
}

THttpResult THttpClient::download(const QString &url, const QString &fileName) const {
  if (QString error; !CurlApi(&error))
    return failure(THttpOutcome::ConnectFailed, u"libcurl: " + error);

  // Never fileName itself: the previous good copy stays until a new one is complete.
  QSaveFile file(fileName);
  if (QString error; !openTarget(file, error))
    return failure(THttpOutcome::WriteFailed, error);

  const TCurlHandle handle(curl().easy_init());
  const TCurlList headers = requestHeaders(FOptions);
  if (!handle || !headers)
    return failure(THttpOutcome::ConnectFailed, QStringLiteral("Cannot set up libcurl"));

  char errorBuffer[CURL_ERROR_SIZE] = {};
  TBodySink sink{handle.get(), &file, FOptions.maxBytes};
  THeaderSink headerSink;
  // Addresses with Cyrillic paths or hosts go out percent-encoded and in punycode.
  const QUrl parsed(url, QUrl::TolerantMode);
  const QByteArray rawUrl = parsed.isValid() ? parsed.toEncoded() : url.toUtf8();
  CURLcode code =
      configure(handle.get(), FOptions, rawUrl, headers.get(), errorBuffer, &sink, &headerSink);
  if (code == CURLE_OK)
    code = FAbort->perform(handle.get());

  THttpResult result = resultOf(code, sink, headerSink, isConditional(FOptions), errorBuffer);
  if (FAbort->aborted())
    result = failure(THttpOutcome::Aborted, QStringLiteral("Aborted"));
  if (!result.ok()) {
    file.cancelWriting();
  } else if (!CommitSaveFile(file, "download")) {
    result.outcome = THttpOutcome::WriteFailed;
    result.error = file.errorString();
  }
  return result;
}
