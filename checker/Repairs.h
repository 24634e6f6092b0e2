#pragma once
// VerificaBD /corrigir: the repairs it offers for the server on this PC, planned from plain facts
// (what checker/win/RepairFacts reads: the instance's registry values and services, the login's
// state as the check found it), in the order they are made. Nothing here touches the system:
// checker/win/RepairActions makes each change, checker/RepairRun asks and records.
//
// A repair answers one finding and holds one or more changes; each change is one line of the
// record (RepairRecord.h) and can be put back by /desfazer, except a service's start or restart
// (a state, not a setting). Never planned: dropping, detaching, renaming or disabling anything,
// setting or changing a password, stopping a service without starting it again.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/LocalServer.h"  // RegistryView
#include "checker/Report.h"

namespace checker {

// A service's start type, as the service manager numbers it.
enum class StartType { Unknown = 0, Automatic = 2, Manual = 3, Disabled = 4 };

struct ServiceFacts {
    std::string name;  // "MSSQL$SQLEXPRESS", "SQLBrowser"
    bool installed = false;
    bool running = false;
    StartType startType = StartType::Unknown;
};

struct InstanceRepairFacts {
    std::string name;  // "SQLEXPRESS"; "MSSQLSERVER" for the default instance
    std::string key;   // under HKEY_LOCAL_MACHINE: "SOFTWARE\Microsoft\Microsoft SQL Server\MSSQL15.SQLEXPRESS"
    RegistryView view = RegistryView::Bits64;
    ServiceFacts service;
    std::optional<bool> tcpEnabled;
    std::optional<unsigned long> loginMode;  // 1: Windows authentication only; 2: mixed
    std::optional<std::string> tcpPort;         // IPAll's values; nullopt when the value is absent
    std::optional<std::string> tcpDynamicPorts;
    std::string program;  // the server's program (its service's image), for the firewall; empty when unknown
};

struct LoginRepairFacts {
    std::string server;         // as the check addressed it: NOME, NOME\INSTANCIA or NOME,PORTA
    std::string name;           // empty when the check did not reach the login
    bool disabled = false;      // the server said so (18470, or state 7 in its error log)
    bool cannotCreate = false;  // no CREATE ANY DATABASE
    int serverMajorVersion = 0;  // 0 when unknown; before 11 (2012) there is no ALTER SERVER ROLE
};

struct RepairFacts {
    bool serverOnThisPc = false;  // the address names this computer
    bool administrator = false;
    std::optional<InstanceRepairFacts> instance;  // the addressed instance, when installed here
    ServiceFacts browser;
    LoginRepairFacts login;
    // /porta N: the fixed port asked for; the ports other instances of this PC hold; whether
    // something other than the instance listens on N now.
    std::optional<unsigned short> wantedPort;
    std::vector<std::string> otherInstancesPorts;
    bool wantedPortListening = false;
    // The firewall rules of the names RuleName gives, already present.
    bool programRulePresent = false;
    bool browserRulePresent = false;
};

enum class ChangeKind {
    StartType,       // value: the start type's number ("2", "3", "4")
    Start,           // a service started: not undone
    Restart,         // a service restarted: not undone
    RegistryNumber,  // a DWORD; target "64:" or "32:" then the key; `value` the value's name
    RegistryText,    // a REG_SZ, likewise
    LoginEnabled,    // target the login; "1" enabled, "0" disabled
    RoleMember,      // target the login, `value` the server role; "1" member, "0" not
    FirewallRule,    // target the rule's name; `value` "programa:<path>" or "udp:<port>"; "1" present
};

struct Change {
    ChangeKind kind = ChangeKind::Start;
    std::string target;  // the service, the registry key, the login or the rule's name
    std::string value;   // see ChangeKind
    std::optional<std::string> before;  // nullopt: absent (a registry value, a firewall rule)
    std::optional<std::string> after;
    std::string service;  // the service whose (re)start puts this setting into effect; empty: none
    std::string server;   // a login change's server, as /servidor names it (the connection's)
};

struct Repair {
    std::string finding;  // what is wrong, one line
    std::vector<Change> changes;
    std::string effect;    // what else it affects; empty when nothing
    std::string askFirst;  // a question asked before "Corrigir?"; a no skips the repair
    // The one restart of the server's service, offered only when a change before it was made.
    bool restartForChanges = false;
};

struct RepairPlan {
    enum class Refusal { None, OtherComputer, NotInstalledHere, NotAdministrator };
    Refusal refusal = Refusal::None;
    std::vector<Finding> notes;  // what is not repaired and why (a busy port, a firewall without the program)
    std::vector<Repair> repairs;
};

// The repairs, in this order: the server's service (start type; its start comes after the
// settings, so they count without a restart); TCP/IP; the fixed port of /porta; mixed
// authentication; the one restart; the Browser; the login; the firewall. Refused outright for
// another PC's server, an instance not installed here, or without administrator rights (then
// `repairs` still lists what would be done).
RepairPlan PlanRepairs(const RepairFacts& facts);

// The firewall rules' names, so that they can be found and removed.
std::string ProgramRuleName(std::string_view instance);
std::string BrowserRuleName();

// Whether the change is one /corrigir makes: the server's and the Browser's services, the
// instance's TCP/IP, port and authentication values under the server's registry key, the role
// dbcreator, the firewall rules of its own names. /desfazer puts back nothing else, whatever a
// record edited by hand may say.
bool IsOwnChange(const Change& change);

// The same change the other way round (before and after swapped): what /desfazer makes.
// Not for Start and Restart, which are not undone.
bool CanUndo(ChangeKind kind);
Change Inverse(const Change& change);

// "Automático", "Manual", "Desativado" for the start type's number as the record holds it.
std::string StartTypeName(std::string_view number);

// One line for the report: what changes, from what to what.
std::string Describe(const Change& change);

// The statement that makes a login change on the server: ALTER LOGIN [name] ENABLE / DISABLE,
// ALTER SERVER ROLE [role] ADD / DROP MEMBER [name] (sp_addsrvrolemember before SQL Server 2012).
// Names are bracketed with ']' doubled; nothing else of the name is trusted.
std::string LoginStatement(const Change& change, int serverMajorVersion);
std::string BracketName(std::string_view name);
// N'text' with ' doubled.
std::string UnicodeLiteral(std::string_view text);
// The query whose one value reads a login change back: is_disabled ("0" when enabled) for
// LoginEnabled, IS_SRVROLEMEMBER ("1" when a member) for RoleMember.
std::string LoginReadBackQuery(const Change& change);
// The change's state ("1"/"0") from that value; nullopt when the value means neither.
std::optional<std::string> LoginStateFromReadBack(const Change& change, const std::optional<std::string>& value);

// The answer to a question: "S", "s" or "Sim" (any case, blanks around ignored) say yes; anything
// else, an empty line or the end of the input, no.
bool SaysYes(std::optional<std::string_view> answer);

// A registry change's target: "64:" or "32:" (the view), then the key under HKEY_LOCAL_MACHINE.
std::string RegistryTarget(RegistryView view, std::string_view key);
struct RegistryPlace {
    RegistryView view = RegistryView::Bits64;
    std::string key;
};
std::optional<RegistryPlace> ReadRegistryTarget(std::string_view target);

// The program of a service's command line: its first word, or the quoted part ("\"C:\...\x.exe\" -sX").
std::string ProgramOfCommandLine(std::string_view commandLine);

}  // namespace checker
