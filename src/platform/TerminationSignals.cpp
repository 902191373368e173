#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gPipe[2] = {-1, -1};
constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

// Only async-signal-safe work here: hand the number to the GUI thread.
void onSignal(int number) {
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject *parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gPipe) != 0)
    return;
  FNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, &TTerminationSignals::drain);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : kSignals)
    sigaction(number, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
  for (const int number : kSignals)
    std::signal(number, SIG_DFL);
  delete FNotifier;
  for (int &fd : gPipe) {
    if (fd >= 0)
      ::close(fd);
    fd = -1;
  }
}

void TTerminationSignals::drain() {
  unsigned char byte = 0;
  while (::read(gPipe[0], &byte, 1) == 1)
    Q_EMIT received(byte);
}
