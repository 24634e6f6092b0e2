#pragma once
// VerificaBD /corrigir and /desfazer on this PC, after the check: the facts of the addressed
// server read from this PC, the plan, the dialogue on the console (or standard input), the record
// in the common application data folder, and the changes.

#include <optional>
#include <string>

#include "checker/LocalServer.h"
#include "checker/RepairRun.h"
#include "checker/Repairs.h"
#include "checker/win/Console.h"

namespace checker {

struct RepairRequest {
    LoginRepairFacts login;                    // the server as the check addressed it, and its login's state
    std::optional<unsigned short> port;        // /porta N
    bool yesToAll = false;                     // /sim
    // What the check read of this PC's servers when the server is this PC's; null when it did
    // not (then it is read here).
    const LocalServerFacts* local = nullptr;
};

// Whether this process runs with administrator rights (an elevated token). A seam: tests give
// their own, since Wine runs every program as an administrator.
using AdministratorCheck = bool (*)();
bool RunsAsAdministrator();

// Questions asked on the console, or read from standard input when it is redirected (the answer
// is then echoed into the report); the end of the input answers nullopt.
class ConsoleDialogue final : public RepairDialogue {
public:
    explicit ConsoleDialogue(Console& console) : console_(console) {}
    void Write(std::string_view text) override { console_.Write(text); }
    std::optional<std::string> Ask(std::string_view question) override;

private:
    Console& console_;
};

struct RepairOutcome {
    std::optional<int> exitCode;  // set when the run ends here (2: without administrator rights)
    bool changed = false;         // something was (perhaps partly) changed: the checks run again
};

RepairOutcome Corrigir(const RepairRequest& request, Console& console, RepairDialogue& dialogue,
                       AdministratorCheck administrator = RunsAsAdministrator);
RepairOutcome Desfazer(const RepairRequest& request, Console& console, RepairDialogue& dialogue,
                       AdministratorCheck administrator = RunsAsAdministrator);

}  // namespace checker
