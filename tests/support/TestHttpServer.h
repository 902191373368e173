#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

using TTestHeaders = QList<QPair<QByteArray, QByteArray>>;

// How the client learns where the body ends.
enum class TTestFraming {
  ContentLength, // a Content-Length header, as most servers send
  Chunked,       // Transfer-Encoding: chunked
  UntilClose,    // neither: the body ends when the connection closes
};

// One canned answer, including the ways a real server misbehaves.
struct TTestResponse {
  int status = 200;
  TTestHeaders headers; // sent after the server's own framing headers
  QByteArray body;
  TTestFraming framing = TTestFraming::ContentLength;
  std::chrono::milliseconds delay{0}; // silence before the status line
  // Body bytes to send before closing the connection, while the framing still
  // promises the whole body; negative sends it all.
  qsizetype breakAfter = -1;
  // Body bytes to send before going silent with the connection left open, until
  // the client gives up or the server stops; negative sends it all.
  qsizetype stallAfter = -1;
  // Sends the body a byte at a time after this pause each: fast enough to pass
  // any stall limit, too slow to end.
  std::chrono::milliseconds trickle{0};
  bool hangUp = false; // close the connection without answering at all

  static TTestResponse ok(const QByteArray &body, const QByteArray &contentType = "text/plain") {
    return {.headers = {{"Content-Type", contentType}}, .body = body};
  }
  static TTestResponse error(int status, const QByteArray &body = {}) {
    return {.status = status, .headers = {{"Content-Type", "text/html"}}, .body = body};
  }
  static TTestResponse redirect(const QByteArray &location, int status = 302) {
    return {.status = status, .headers = {{"Location", location}}, .body = {}};
  }
};

struct TTestRequest {
  QByteArray method;
  QByteArray target; // as sent, with any query
  QByteArray path;   // target without the query
  TTestHeaders headers;
  QByteArray body;

  // The first header of that name, compared case-insensitively; null when absent.
  QByteArray header(QByteArrayView name) const;
  bool hasHeader(QByteArrayView name) const;
};

// An HTTP/1.1 server on 127.0.0.1 for tests of code that blocks while it downloads:
// it answers from its own thread, so it needs no event loop in the test. Connections
// are served one at a time and always closed after the answer.
class TTestHttpServer {
public:
  TTestHttpServer() = default;
  ~TTestHttpServer() { stop(); }
  Q_DISABLE_COPY_MOVE(TTestHttpServer)

  bool start(); // listens on an ephemeral port; false when it cannot
  void stop();  // also cuts short any delay or stall in progress
  quint16 port() const { return FPort; }
  QString url(QByteArrayView path) const; // http://127.0.0.1:PORT/path

  // Answers requests whose target, or else whose path, equals this; others get 404.
  void route(const QByteArray &target, const TTestResponse &response);
  QList<TTestRequest> requests() const;
  void reset(); // forgets routes and recorded requests

private:
  void serve();
  TTestResponse respond(const TTestRequest &request); // records it, too

  int FListener = -1;
  int FWake = -1; // an eventfd that turns readable for good when the server stops
  quint16 FPort = 0;
  std::thread FThread;
  mutable std::mutex FMutex;
  std::map<QByteArray, TTestResponse> FRoutes;
  QList<TTestRequest> FRequests;
};
