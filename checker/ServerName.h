#pragma once
// The server as the technician types it (as the wizard's review page shows it) and the SQL Server
// Browser's answers (UDP 1434), read without any network: where to look, and what came back.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace checker {

struct ServerAddress {
    std::string host;                   // "(local)" and "." become "127.0.0.1"; a "tcp:" prefix is dropped
    std::string instance;               // empty for the default instance
    std::optional<unsigned short> port;  // given as "host,port"
};

// "host", "host\instance", "host,port", "tcp:host,port"; nullopt for an empty host or a port
// that is not a number from 1 to 65535.
std::optional<ServerAddress> ParseServer(std::string_view text);

struct BrowserInstance {
    std::string server;
    std::string instance;
    std::string version;
    std::optional<unsigned short> tcpPort;
};

// An SVR_RESP datagram: 05, a 16-bit little-endian length, then "key;value;...;;" per instance.
// nullopt when the bytes are not one.
std::optional<std::vector<BrowserInstance>> ParseBrowserAnswer(std::string_view datagram);

}  // namespace checker
