#pragma once
// The two network probes before the login, each bounded in time: the SQL Server Browser (one
// datagram to UDP 1434, an answer awaited for at most `wait`) and a TCP connection to the port.

#include <chrono>
#include <optional>
#include <string>

namespace checker {

// The Browser's raw answer to a request (04 + instance + 00 for one instance, 03 for all), or
// nullopt when none came within `wait`. `error` says why when the request could not be sent.
std::optional<std::string> AskBrowser(const std::string& host, const std::string& request,
                                      std::chrono::milliseconds wait, std::string& error);

// Empty when a TCP connection to host:port was made within `wait` (and closed at once); else
// why not, in Portuguese.
std::string TryTcp(const std::string& host, unsigned short port, std::chrono::milliseconds wait);

}  // namespace checker
