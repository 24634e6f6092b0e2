#pragma once
// What the server's own PC knows about it, when the checker runs there (most shops run the server
// on the till itself): the instances its installer registered, each with its service, TCP/IP
// settings, authentication mode and error log; the SQL Server Browser service; and, in the error
// log, why a login was refused (the client is always told state 1: the real state is written only
// there). Read on Windows by checker/win/LocalServerFacts.h; judged here, without any system.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/Report.h"
#include "checker/ServerName.h"

namespace checker {

// True when `host` (as ParseServer gives it) is this computer: a loopback address, "localhost",
// the computer's own name (also with its domain) or one of its addresses.
bool NamesThisComputer(std::string_view host, std::string_view computerName,
                       const std::vector<std::string>& ownAddresses);

enum class ServiceState { NotInstalled, Running, Stopped, Disabled, Changing, Unreadable };

struct InstalledInstance {
    std::string name;  // "SQLEXPRESS"; "MSSQLSERVER" for the default instance
    std::string id;    // the registry key's name, "MSSQL15.SQLEXPRESS"
    std::optional<unsigned long> loginMode;  // 1: Windows authentication only; 2: SQL Server and Windows
    std::optional<bool> tcpEnabled;
    std::string tcpPort;         // IPAll's fixed port, empty when none
    std::string tcpDynamicPort;  // IPAll's dynamic port, empty when none
    std::string errorLog;        // from the service's start-up parameter -e
    ServiceState service = ServiceState::NotInstalled;
};

struct LocalServerFacts {
    std::vector<InstalledInstance> instances;
    ServiceState browser = ServiceState::NotInstalled;
};

// The instance's service: "MSSQLSERVER" for the default instance, else "MSSQL$NAME".
std::string ServiceNameOf(const InstalledInstance& instance);

// The instance `address` reaches: by its name; by its port when one is given; else the default.
const InstalledInstance* InstanceAddressed(const LocalServerFacts& facts, const ServerAddress& address);

// The error log's path among a service's start-up parameters ("-eC:\...\Log\ERRORLOG").
std::string ErrorLogFromParameters(const std::vector<std::string>& parameters);

// The findings about the addressed instance, before any probe: each one that stops the wizard
// (not installed, its service stopped or disabled, Windows authentication only) a FALHA; one
// that stops only the other tills (TCP/IP disabled, a dynamic port, the Browser stopped) an AVISO.
std::vector<Finding> LocalServerFindings(const LocalServerFacts& facts, const ServerAddress& address);

// The server's account of the latest refusal of `login` in the tail of its error log (UTF-16, as
// the server writes it; the first line may be cut): the "Error: 18456, Severity: 14, State: N."
// line and the "Login failed for user '...'" line after it.
struct LoginRefusal {
    int state = 0;
    std::string lines;  // the two lines as the log has them (Windows-1252), LF after each
};
std::optional<LoginRefusal> LatestLoginRefusal(std::u16string_view logTail, std::string_view login);

}  // namespace checker
