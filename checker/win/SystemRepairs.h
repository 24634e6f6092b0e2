#pragma once
// /corrigir's changes made on this PC: services through the service manager (each start or
// restart waited for at most 60 s, with a line of progress), the instance's registry values in
// its own view, the login through a connection as an administrator of the server (Windows
// authentication first; else another administrator's login and password, the password asked
// hidden and never kept), and the firewall's rules. Each change is read back before it counts.

#include <memory>
#include <optional>
#include <string>

#include "checker/RepairRun.h"
#include "checker/win/Console.h"
#include "checker/win/Firewall.h"

namespace prov {
class OdbcDatabase;
}

namespace checker {

class SystemRepairs final : public RepairActions {
public:
    // `server`: the server the check addressed, whose sessions are counted before a restart.
    SystemRepairs(std::string server, RepairDialogue& dialogue, Console& console, Firewall& firewall);
    ~SystemRepairs() override;

    ActionResult Make(const Change& change) override;
    bool IsRunning(const std::string& service) override;
    std::optional<int> ConnectedSessions() override;

private:
    ActionResult Service(const Change& change);
    ActionResult Registry(const Change& change);
    ActionResult Login(const Change& change);
    ActionResult FirewallRule(const Change& change);
    // The connection as the server's administrator; null (and `why`) when none could be made.
    prov::OdbcDatabase* Administrator(const std::string& server, bool mayAsk, std::string& why);

    std::string server_;
    RepairDialogue& dialogue_;
    Console& console_;
    Firewall& firewall_;
    std::unique_ptr<prov::OdbcDatabase> admin_;
    std::string adminServer_;
    std::string windowsRefused_;  // why Windows authentication gave no administrator, once tried
    bool adminAsked_ = false;     // another administrator's login is asked once a run
    int serverMajorVersion_ = 0;
};

}  // namespace checker
