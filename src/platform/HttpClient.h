#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// How a download ended. Anything but Ok leaves the target file untouched.
enum class THttpOutcome {
  Ok,             // complete body with a 2xx status, now in the target file
  ConnectFailed,  // bad URL, name lookup, refused or timed-out connection, TLS
  HttpError,      // the server answered with a status outside 2xx
  TransferBroken, // the connection broke off or stalled before the body ended
  TooLarge,       // the body exceeded THttpOptions::maxBytes
  WriteFailed,    // the target (or its temporary file) could not be written
  Aborted,        // THttpClient::abort() ended it
  NotModified,    // 304 to a conditional request: the caller's copy is current
};

struct THttpOptions {
  QByteArray userAgent = "Vornix";
  int connectTimeoutSeconds = 15;
  // A transfer slower than lowSpeedBytes per second for lowSpeedSeconds is
  // abandoned, so a stalled server cannot block the window for ever.
  int lowSpeedBytes = 1;
  int lowSpeedSeconds = 30;
  // The whole transfer, connection and redirects included, in seconds: a
  // server that trickles just fast enough to pass the stall limit must not
  // hold it for ever (the background watch has a single transfer at a time).
  // Those the window waits for ask for less. Zero or less: no limit.
  int totalTimeoutSeconds = 120;
  qint64 maxBytes = 32LL * 1024 * 1024; // zero or less: no cap
  int maxRedirects = 5;
  // A transfer begun over https follows redirects only to https: what it
  // fetches must not be open to rewriting on the way.
  bool keepHttps = false;
  // The certificate authorities servers are verified against. The program itself never
  // sets it; tests trust their own certificate authority through it.
  QByteArray caFile = {}; // empty: the system's store
  // The validators of the copy the caller already holds, as the server sent
  // them: a server that finds the copy current answers 304 without a body.
  QByteArray ifNoneMatch = {};
  QByteArray ifModifiedSince = {};
  // Lets the server compress the body; the file gets it decoded, and maxBytes
  // caps the decoded size, so a small body cannot unpack into a huge file.
  bool acceptCompressed = false;
};

struct THttpResult {
  THttpOutcome outcome = THttpOutcome::ConnectFailed;
  long httpStatus = 0;
  QString error; // libcurl's or the file system's own words, for the log
  // From the last response's headers: its validators, for the next
  // conditional request, how long the server asks to be left alone
  // (negative when it does not say), and what it says the body is.
  QByteArray etag;
  QByteArray lastModified;
  qint64 retryAfterSeconds = -1;
  QByteArray contentType; // as the server sent it, charset and all
  bool ok() const { return outcome == THttpOutcome::Ok; }
};

// The address to fetch: one that already names the http or https scheme (in
// any letter case) is kept as it is, one with another scheme is left for the
// transfer to refuse, and a bare address gets "http://" in front.
QString WithHttpScheme(const QString &url);

// Blocking HTTP(S) GET of one URL into one file, over libcurl.
// The body is written to a temporary file beside the target, which replaces
// the target only when the transfer succeeded.
class THttpClient {
public:
  explicit THttpClient(THttpOptions options = {});
  ~THttpClient();
  THttpClient(const THttpClient &) = delete;
  THttpClient &operator=(const THttpClient &) = delete;

  THttpResult download(const QString &url, const QString &fileName) const;
  // Thread-safe: ends the download under way on another thread at once, and
  // any later one before it starts, with THttpOutcome::Aborted.
  void abort() const;
  const THttpOptions &options() const { return FOptions; }

private:
  struct TAbort;
  THttpOptions FOptions;
  std::unique_ptr<TAbort> FAbort;
};
