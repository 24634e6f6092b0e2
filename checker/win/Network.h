#pragma once
// The two network probes before the login, each bounded in time, as plain outcomes
// (checker/ProbeFindings.h judges them): the SQL Server Browser (one datagram to UDP 1434, an
// answer awaited for at most `wait`) and a TCP connection to the port.

#include <chrono>
#include <string>

#include "checker/ProbeFindings.h"

namespace checker {

// Asks the Browser for `instance` (04 + name + 00); when it is silent for that name, asks it for
// every instance (03), to tell an unknown name from a silent Browser.
BrowserProbe AskBrowser(const std::string& host, const std::string& instance, std::chrono::milliseconds wait);

// A TCP connection to host:port, made within `wait` and closed at once.
TcpProbe TryTcp(const std::string& host, unsigned short port, std::chrono::milliseconds wait);

}  // namespace checker
