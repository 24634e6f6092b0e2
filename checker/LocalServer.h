#pragma once
// What the server's own PC knows about it, when the checker runs there (most shops run the server
// on the till itself): the instances its installer registered, each with its service, TCP/IP
// settings, authentication mode and error log; the SQL Server Browser service; and, in the error
// log, why a login was refused (the client is always told state 1: the real state is written only
// there). Read on Windows by checker/win/LocalServerFacts.h; judged here, without any system.
// The server's error log is read by checker/ErrorLog.h.

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

// Where every instance's settings live, under HKEY_LOCAL_MACHINE (then "\<instance id>\...").
inline constexpr std::string_view kServerRegistryKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server";

enum class ServiceState { NotInstalled, Running, Stopped, Disabled, Paused, Changing, Unreadable };

// Where an instance's installer registered it: a 64-bit server in the registry's 64-bit view, a
// 32-bit one (an older Express) on 64-bit Windows in the 32-bit view (WOW6432Node). On 32-bit
// Windows there is one view, read as the 64-bit one.
enum class RegistryView { Bits64, Bits32 };

struct InstalledInstance {
    std::string name;  // "SQLEXPRESS"; "MSSQLSERVER" for the default instance
    std::string id;    // the registry key's name, "MSSQL15.SQLEXPRESS"
    std::optional<unsigned long> loginMode;  // 1: Windows authentication only; 2: SQL Server and Windows
    std::optional<bool> tcpEnabled;
    std::string tcpPort;         // IPAll's fixed port, empty when none
    std::string tcpDynamicPort;  // IPAll's dynamic port: "0" until the service has started once; empty when none
    std::string errorLog;        // from the service's start-up parameter -e
    ServiceState service = ServiceState::NotInstalled;
    RegistryView view = RegistryView::Bits64;
};

struct LocalServerFacts {
    std::vector<InstalledInstance> instances;
    ServiceState browser = ServiceState::NotInstalled;
};

// The instances of both registry views as one list: the 64-bit view's first, then those found
// only in the 32-bit view (one instance seen in both, as on 32-bit Windows, is listed once).
std::vector<InstalledInstance> MergeRegistryViews(std::vector<InstalledInstance> view64,
                                                  std::vector<InstalledInstance> view32);

// The instance's service: "MSSQLSERVER" for the default instance, else "MSSQL$NAME".
std::string ServiceNameOf(const InstalledInstance& instance);

// The instance `address` reaches: by its name; by its port when one is given; else the default.
const InstalledInstance* InstanceAddressed(const LocalServerFacts& facts, const ServerAddress& address);

// The error log's path among a service's start-up parameters ("-eC:\...\Log\ERRORLOG").
std::string ErrorLogFromParameters(const std::vector<std::string>& parameters);

// The findings about the addressed instance, before any probe: each one that stops the wizard
// (not installed, its service stopped, disabled or paused, Windows authentication only) a FALHA;
// one that stops only the other tills (TCP/IP disabled, a dynamic port, or one not assigned yet,
// the Browser stopped) an AVISO.
std::vector<Finding> LocalServerFindings(const LocalServerFacts& facts, const ServerAddress& address);

}  // namespace checker
