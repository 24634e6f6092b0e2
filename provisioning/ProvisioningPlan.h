#pragma once
// The provisioning sequence as data. RunProvisioning (ProvisioningSequence.h) first detects:
//   set the master connection string, open it (failure: the "server unreachable" exit), close it,
//   probe for the database (silent: absent on any failure);
// then builds the plan of everything after that from the options and the probe's answer, and
// executes it step by step. Each step carries its guard:
//   - Report: a failure takes the failure exit with the step's message: close the connection,
//     show the message (caption "Erro", error icon), stop the animation, go back one page;
//   - Silent: a failure is ignored;
//   - None: a failure leaves the sequence as an exception, for the default exception report.
// A step may name a statement that undoes what an earlier step left behind (the single-user mode
// when the DROP is refused); it is tried once, before the failure exit, and its failure ignored.
// Everything the run takes from files is read before the first statement that changes the
// server (ALTER / DROP / CREATE DATABASE): the script files, each once (what runs is what was
// read), and the product's version when a version row is due. A missing script or version then
// stops the run (unguarded: the file-open error, or ProvisioningError) with nothing touched.
// A ConfirmReplace step answered with anything but OK takes the refusal exit: close the
// connection, stop the animation, go back one page, nothing shown.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "provisioning/ProvisioningSequence.h"
#include "provisioning/UserTexts.h"

namespace prov {

enum class StepKind {
    SetMasterConnection,    // master connection string
    SetDatabaseConnection,  // database connection string
    Open,
    Close,
    CheckDatabaseName,  // refuses a name that is not usable in the statements (SqlStatements.h)
    ConfirmReplace,     // the database exists: ask before replacing it
    ReadScript,         // reads the script file `text` and keeps its command text for RunScript
    ReadVersion,        // the product's version, kept for the version row
    Command,            // `text` executed on the command (ALTER / DROP / CREATE DATABASE)
    Pause,              // the 2,000 ms pause after the creation
    RunScript,          // executes the command text kept for the script file `text`
    FullSync,           // q_fullsync
    AskStoreNumber,     // the input box for the store number
    VersionRow,         // q_Loja with major, minor and the store number
    Renumber,           // q_num with the store number
};

enum class Guard { None, Report, Silent };

struct PlanStep {
    StepKind kind;
    Guard guard = Guard::None;
    std::optional<MessageId> message;  // for Guard::Report
    std::string text;                  // Command: the statement; ReadScript, RunScript: the file name
    std::string onFailure;             // a statement tried once before the failure exit, its own failure ignored
    friend bool operator==(const PlanStep&, const PlanStep&) = default;
};

using Plan = std::vector<PlanStep>;

Plan BuildPlan(const ProvisioningInputs& inputs, bool databaseExists);

// The script files a run with these options reads, in the order it reads them.
std::vector<std::string_view> ScriptsRead(const ProvisioningOptions& options);

// Whether the product and options call for a version row: VelmoPos with the cloud choice, or
// VelmoRest whatever the choice.
bool WantsVersionRow(Product product, const ProvisioningOptions& options);

// The store number from the input box's answer: a decimal integer (optional sign, blanks around
// it allowed) that fits 32 bits gives its value; anything else, and Cancel, give 1.
std::int32_t StoreNumberFromAnswer(const std::optional<std::string>& answer);

// One line per step, for test failures and diagnostics ("Command [Report CreationFailed] DROP DATABASE x").
std::string Describe(const PlanStep& step);
std::string Describe(const Plan& plan);

}  // namespace prov
