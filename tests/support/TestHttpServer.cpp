#include "support/TestHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

// Generous bounds: they only matter when a test or the code under test misbehaves.
constexpr milliseconds RequestTimeout = 5s, LingerTimeout = 1s, StallLimit = 120s;
constexpr qsizetype MaxHeadBytes = 64 * 1024, MaxRequestBodyBytes = 1024 * 1024;

// Waits for the events on the socket or for the server to stop, whichever comes first:
// positive when ready, 0 on timeout, negative once the server stops. A hang-up counts
// as ready so that the following recv or send sees it.
int waitFor(int socket, short events, int wake, milliseconds timeout) {
  pollfd fds[2] = {{socket, events, 0}, {wake, POLLIN, 0}};
  int count = 0;
  while ((count = ::poll(fds, 2, static_cast<int>(timeout.count()))) < 0 && errno == EINTR) {
  }
  return count < 0 || fds[1].revents != 0 ? -1 : count;
}

// Silence on an open connection: ends early when the server stops or the peer hangs up.
bool holdSilent(int socket, int wake, milliseconds duration) {
  return waitFor(socket, POLLRDHUP, wake, duration) == 0;
}

bool receiveMore(int socket, int wake, QByteArray &buffer) {
  if (waitFor(socket, POLLIN, wake, RequestTimeout) <= 0)
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
    if (waitFor(socket, POLLOUT, wake, RequestTimeout) <= 0)
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
  while (waitFor(socket, POLLIN, wake, LingerTimeout) > 0 &&
         ::recv(socket, chunk, sizeof chunk, 0) > 0) {
  }
  ::close(socket);
}

std::optional<TTestRequest> receiveRequest(int socket, int wake) {
  QByteArray buffer;
  qsizetype headEnd = -1;
  while ((headEnd = buffer.indexOf("\r\n\r\n")) < 0) {
    if (buffer.size() > MaxHeadBytes || !receiveMore(socket, wake, buffer))
      return std::nullopt;
  }
  const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
  const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
  if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/"))
    return std::nullopt;
  // Method, target, the target without its query, headers, body.
  TTestRequest request{requestLine[0],
                       requestLine[1],
                       requestLine[1].split('?').value(0),
                       {},
                       buffer.mid(headEnd + 4)};
  for (const QByteArray &line : lines.sliced(1)) {
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
      return std::nullopt;
    request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
  }
  const qsizetype length = request.header("Content-Length").toLongLong();
  if (length < 0 || length > MaxRequestBodyBytes)
    return std::nullopt;
  while (request.body.size() < length) {
    if (!receiveMore(socket, wake, request.body))
      return std::nullopt;
  }
  request.body.truncate(length);
  return request;
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

void answer(int socket, int wake, const TTestRequest &request, const TTestResponse &response) {
  if ((response.delay > 0ms && !holdSilent(socket, wake, response.delay)) || response.hangUp)
    return;
  // Clients ignore the reason phrase, so one serves every status.
  QByteArray wire = "HTTP/1.1 " + QByteArray::number(response.status) + " Canned\r\n";
  if (response.framing == TTestFraming::ContentLength)
    wire += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
  else if (response.framing == TTestFraming::Chunked)
    wire += "Transfer-Encoding: chunked\r\n";
  wire += "Connection: close\r\n";
  for (const auto &[name, value] : response.headers)
    wire += name + ": " + value + "\r\n";
  wire += "\r\n";
  const bool trickles = response.trickle > 0ms && request.method != "HEAD";
  qsizetype count = response.body.size();
  for (const qsizetype limit : {response.breakAfter, response.stallAfter})
    count = limit < 0 ? count : std::min(count, limit);
  if (request.method != "HEAD" && !trickles)
    wire += framedBody(response, count);
  if (!sendAll(socket, wake, wire))
    return;
  for (qsizetype i = 0; trickles && i < response.body.size(); ++i)
    if (!holdSilent(socket, wake, response.trickle) ||
        !sendAll(socket, wake, response.body.sliced(i, 1)))
      return;
  if (response.stallAfter >= 0 && response.breakAfter < 0)
    holdSilent(socket, wake, StallLimit);
}

auto named(QByteArrayView name) {
  return [name](const auto &h) { return h.first.compare(name, Qt::CaseInsensitive) == 0; };
}

} // namespace

QByteArray TTestRequest::header(QByteArrayView name) const {
  const auto found = std::ranges::find_if(headers, named(name));
  return found == headers.end() ? QByteArray() : found->second;
}

bool TTestRequest::hasHeader(QByteArrayView name) const {
  return std::ranges::any_of(headers, named(name));
}

bool TTestHttpServer::start() {
  if (FThread.joinable())
    return true;
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  FWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  sockaddr_in address{
      .sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
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
  for (int *fd : {&FListener, &FWake})
    if (*fd >= 0)
      ::close(std::exchange(*fd, -1));
  FPort = 0;
}

QString TTestHttpServer::url(QByteArrayView path) const {
  return QStringLiteral("http://127.0.0.1:%1%2%3")
      .arg(QString::number(FPort), path.startsWith('/') ? QString() : QStringLiteral("/"),
           QString::fromLatin1(path));
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
  while (waitFor(FListener, POLLIN, FWake, -1ms) > 0) {
    const int socket = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (socket < 0)
      continue;
    if (const std::optional<TTestRequest> request = receiveRequest(socket, FWake))
      answer(socket, FWake, *request, respond(*request));
    closeGracefully(socket, FWake);
  }
}

TTestResponse TTestHttpServer::respond(const TTestRequest &request) {
  const std::lock_guard lock(FMutex);
  FRequests.append(request);
  for (const QByteArray &key : {request.target, request.path}) {
    if (const auto found = FRoutes.find(key); found != FRoutes.end())
      return found->second;
  }
  return TTestResponse::error(404, "<html><body>Not Found</body></html>");
}
