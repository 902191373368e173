#pragma once

#include <functional>

// Whether the machine is on a network: some interface other than loopback is
// up, running and has an address. Tests replace the probe.
class TConnectivity {
public:
  static bool isConnected();
  static void setProbe(std::function<bool()> probe); // empty restores the real one
  static bool probeInterfaces();
};
