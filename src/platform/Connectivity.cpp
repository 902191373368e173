#include "platform/Connectivity.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>
#include <utility>

namespace {
std::function<bool()> &probe() {
  static std::function<bool()> current;
  return current;
}
} // namespace

bool TConnectivity::probeInterfaces() {
  ifaddrs *list = nullptr;
  if (getifaddrs(&list) != 0)
    return false;
  bool connected = false;
  for (const ifaddrs *a = list; a != nullptr && !connected; a = a->ifa_next) {
    if (a->ifa_addr == nullptr)
      continue;
    const int family = a->ifa_addr->sa_family;
    const unsigned flags = a->ifa_flags;
    connected = (family == AF_INET || family == AF_INET6) && (flags & IFF_UP) &&
                (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
  }
  freeifaddrs(list);
  return connected;
}

bool TConnectivity::isConnected() {
  return probe() ? probe()() : probeInterfaces();
}

void TConnectivity::setProbe(std::function<bool()> replacement) {
  probe() = std::move(replacement);
}
