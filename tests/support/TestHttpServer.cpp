#include "support/TestHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

// Generous bounds: they only matter when a test or the code under test misbehaves.
constexpr milliseconds RequestTimeout = 5s;
constexpr milliseconds LingerTimeout = 1s;
constexpr milliseconds StallLimit = 120s;
constexpr qsizetype MaxHeadBytes = 64 * 1024;
constexpr qsizetype MaxRequestBodyBytes = 1024 * 1024;

enum class TWait { Ready, TimedOut, Interrupted };

// Waits for the events on the socket or for the server to stop, whichever comes first.
// A hang-up counts as ready so that the following recv or send sees it.
TWait waitFor(int socket, short events, int wake, milliseconds timeout) {
  pollfd fds[2] = {{socket, events, 0}, {wake, POLLIN, 0}};
  for (;;) {
    const int count = ::poll(fds, 2, static_cast<int>(timeout.count()));
    if (count < 0 && errno == EINTR)
      continue;
    if (count < 0 || fds[1].revents != 0)
      return TWait::Interrupted;
    return count == 0 ? TWait::TimedOut : TWait::Ready;
  }
}

// Silence on an open connection: ends early when the server stops or the peer hangs up.
bool holdSilent(int socket, int wake, milliseconds duration) {
  return waitFor(socket, POLLRDHUP, wake, duration) == TWait::TimedOut;
}

bool receiveMore(int socket, int wake, QByteArray &buffer) {
  if (waitFor(socket, POLLIN, wake, RequestTimeout) != TWait::Ready)
    return false;
  char chunk[16 * 1024];
  const ssize_t received = ::recv(socket, chunk, sizeof chunk, 0);
  if (received <= 0)
    return received < 0 && (errno == EAGAIN || errno == EINTR);
  buffer.append(chunk, received);
  return true;
}

bool sendAll(int socket, int wake, QByteArrayView data) {
  while (!data.isEmpty()) {
    if (waitFor(socket, POLLOUT, wake, RequestTimeout) != TWait::Ready)
      return false;
    const ssize_t sent = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR))
      continue;
    if (sent < 0)
      return false;
    data = data.sliced(sent);
  }
  return true;
}

// Closing while unread bytes sit in the receive queue would reset the connection and
// could destroy the tail of the answer before the client read it.
void closeGracefully(int socket, int wake) {
  ::shutdown(socket, SHUT_WR);
  char chunk[4096];
  while (waitFor(socket, POLLIN, wake, LingerTimeout) == TWait::Ready &&
         ::recv(socket, chunk, sizeof chunk, 0) > 0) {
  }
  ::close(socket);
}

std::optional<TTestRequest> parseHead(const QByteArray &head) {
  const QList<QByteArray> lines = head.split('\n');
  const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
  if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/"))
    return std::nullopt;
  TTestRequest request;
  request.method = requestLine[0];
  request.target = requestLine[1];
  const qsizetype query = request.target.indexOf('?');
  request.path = query < 0 ? request.target : request.target.left(query);
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const qsizetype colon = lines[i].indexOf(':');
    if (colon <= 0)
      return std::nullopt;
    request.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
  }
  return request;
}

std::optional<TTestRequest> receiveRequest(int socket, int wake) {
  QByteArray buffer;
  qsizetype headEnd = -1;
  while ((headEnd = buffer.indexOf("\r\n\r\n")) < 0) {
    if (buffer.size() > MaxHeadBytes || !receiveMore(socket, wake, buffer))
      return std::nullopt;
  }
  std::optional<TTestRequest> request = parseHead(buffer.left(headEnd));
  if (!request)
    return std::nullopt;
  const qsizetype length = request->header("Content-Length").toLongLong();
  if (length < 0 || length > MaxRequestBodyBytes)
    return std::nullopt;
  QByteArray body = buffer.mid(headEnd + 4);
  while (body.size() < length) {
    if (!receiveMore(socket, wake, body))
      return std::nullopt;
  }
  request->body = body.left(length);
  return request;
}

QByteArray reasonPhrase(int status) {
  static const QByteArrayList Known =
      QByteArray("200 OK|204 No Content|301 Moved Permanently|302 Found|303 See Other|"
                 "304 Not Modified|307 Temporary Redirect|308 Permanent Redirect|403 Forbidden|"
                 "404 Not Found|500 Internal Server Error|503 Service Unavailable")
          .split('|');
  const QByteArray code = QByteArray::number(status) + ' ';
  for (const QByteArray &known : Known) {
    if (known.startsWith(code))
      return known.mid(code.size());
  }
  return "Status";
}

QByteArray responseHead(const TTestResponse &response) {
  QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                    reasonPhrase(response.status) + "\r\n";
  if (response.framing == TTestFraming::ContentLength)
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
  else if (response.framing == TTestFraming::Chunked)
    head += "Transfer-Encoding: chunked\r\n";
  head += "Connection: close\r\n";
  for (const auto &[name, value] : response.headers)
    head += name + ": " + value + "\r\n";
  return head + "\r\n";
}

// The first `count` bytes of the body as they go on the wire; the end of the framing
// only when the body is complete, so a cut-off chunked body stays visibly unfinished.
QByteArray framedBody(const TTestResponse &response, qsizetype count) {
  const QByteArray part = response.body.left(count);
  if (response.framing != TTestFraming::Chunked)
    return part;
  const bool complete = count >= response.body.size();
  QByteArray wire;
  if (!response.body.isEmpty())
    wire = QByteArray::number(response.body.size(), 16) + "\r\n" + part + (complete ? "\r\n" : "");
  return complete ? wire + "0\r\n\r\n" : wire;
}

qsizetype bodyBytesToSend(const TTestResponse &response) {
  qsizetype count = response.body.size();
  if (response.breakAfter >= 0)
    count = std::min(count, response.breakAfter);
  if (response.stallAfter >= 0)
    count = std::min(count, response.stallAfter);
  return count;
}

void answer(int socket, int wake, const TTestRequest &request, const TTestResponse &response) {
  if (response.delay > 0ms && !holdSilent(socket, wake, response.delay))
    return;
  if (response.hangUp)
    return;
  QByteArray wire = responseHead(response);
  const bool trickles = response.trickle > 0ms && request.method != "HEAD";
  if (request.method != "HEAD" && !trickles)
    wire += framedBody(response, bodyBytesToSend(response));
  if (!sendAll(socket, wake, wire))
    return;
  for (qsizetype i = 0; trickles && i < response.body.size(); ++i)
    if (!holdSilent(socket, wake, response.trickle) ||
        !sendAll(socket, wake, response.body.sliced(i, 1)))
      return;
  if (response.stallAfter >= 0 && response.breakAfter < 0)
    holdSilent(socket, wake, StallLimit);
}

} // namespace

TTestResponse TTestResponse::ok(const QByteArray &body, const QByteArray &contentType) {
  return {.headers = {{"Content-Type", contentType}}, .body = body};
}

TTestResponse TTestResponse::error(int status, const QByteArray &body) {
  return {.status = status, .headers = {{"Content-Type", "text/html"}}, .body = body};
}

TTestResponse TTestResponse::redirect(const QByteArray &location, int status) {
  return {.status = status, .headers = {{"Location", location}}, .body = {}};
}

QByteArray TTestRequest::header(QByteArrayView name) const {
  for (const auto &[key, value] : headers) {
    if (key.compare(name, Qt::CaseInsensitive) == 0)
      return value;
  }
  return {};
}

bool TTestRequest::hasHeader(QByteArrayView name) const {
  for (const auto &header : headers) {
    if (header.first.compare(name, Qt::CaseInsensitive) == 0)
      return true;
  }
  return false;
}

TTestHttpServer::~TTestHttpServer() {
  stop();
}

bool TTestHttpServer::start() {
  if (FThread.joinable())
    return true;
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  FWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  const bool listening =
      FListener >= 0 && FWake >= 0 &&
      ::bind(FListener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
      ::listen(FListener, SOMAXCONN) == 0 &&
      ::getsockname(FListener, reinterpret_cast<sockaddr *>(&address), &length) == 0;
  if (!listening) {
    stop();
    return false;
  }
  FPort = ntohs(address.sin_port);
  FThread = std::thread([this] { serve(); });
  return true;
}

void TTestHttpServer::stop() {
  if (FThread.joinable()) {
    eventfd_write(FWake, 1);
    FThread.join();
  }
  for (int *fd : {&FListener, &FWake}) {
    if (*fd >= 0)
      ::close(*fd);
    *fd = -1;
  }
  FPort = 0;
}

QString TTestHttpServer::url(QByteArrayView path) const {
  const QString slash = path.startsWith('/') ? QString() : QStringLiteral("/");
  return QStringLiteral("http://127.0.0.1:") + QString::number(FPort) + slash +
         QString::fromLatin1(path);
}

void TTestHttpServer::route(const QByteArray &target, const TTestResponse &response) {
  const std::lock_guard lock(FMutex);
  FRoutes[target] = response;
}

QList<TTestRequest> TTestHttpServer::requests() const {
  const std::lock_guard lock(FMutex);
  return FRequests;
}

void TTestHttpServer::reset() {
  const std::lock_guard lock(FMutex);
  FRoutes.clear();
  FRequests.clear();
}

void TTestHttpServer::serve() {
  while (waitFor(FListener, POLLIN, FWake, -1ms) == TWait::Ready) {
    const int socket = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (socket >= 0)
      handle(socket);
  }
}

void TTestHttpServer::handle(int socket) {
  if (const std::optional<TTestRequest> request = receiveRequest(socket, FWake)) {
    record(*request);
    answer(socket, FWake, *request, responseFor(*request));
  }
  closeGracefully(socket, FWake);
}

TTestResponse TTestHttpServer::responseFor(const TTestRequest &request) const {
  const std::lock_guard lock(FMutex);
  for (const QByteArray &key : {request.target, request.path}) {
    if (const auto found = FRoutes.find(key); found != FRoutes.end())
      return found->second;
  }
  return TTestResponse::error(404, "<html><body>Not Found</body></html>");
}

void TTestHttpServer::record(const TTestRequest &request) {
  const std::lock_guard lock(FMutex);
  FRequests.append(request);
}
