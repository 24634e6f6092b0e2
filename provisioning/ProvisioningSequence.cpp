#include "provisioning/ProvisioningSequence.h"

#include <chrono>
#include <exception>
#include <map>

#include "provisioning/ProvisioningPlan.h"
#include "provisioning/ScriptText.h"
#include "provisioning/SqlStatements.h"

namespace prov {
namespace {

constexpr std::chrono::milliseconds kPauseAfterCreation{2000};

// Raised by the name check; its guard turns it into the creation message.
class UnusableDatabaseName : public std::runtime_error {
public:
    UnusableDatabaseName() : std::runtime_error("the database name is not a plain identifier") {}
};

class Executor {
public:
    Executor(const ProvisioningInputs& inputs, ProvisioningServices& services) : in_(inputs), s_(services) {}

    ProvisioningResult Execute(const Plan& plan) {
        for (const PlanStep& step : plan) {
            if (step.kind == StepKind::ConfirmReplace) {
                const UserMessage& question = UserMessageFor(MessageId::ConfirmReplace);
                if (s_.ui.ShowMessage(question.text, question.caption, question.flags) != kIdOk) return RefusalExit();
                continue;
            }
            switch (step.guard) {
                case Guard::None:
                    Run(step);
                    break;
                case Guard::Silent:
                    try {
                        Run(step);
                    } catch (const std::exception&) {
                    }
                    break;
                case Guard::Report: {
                    bool failed = false;
                    try {
                        Run(step);
                    } catch (const std::exception&) {
                        failed = true;
                    }
                    if (failed) {
                        if (!step.onFailure.empty()) TryOnce(step.onFailure);
                        return FailureExit(step.message.value_or(MessageId::CreationFailed));
                    }
                    break;
                }
            }
        }
        return ProvisioningResult::Succeeded;
    }

private:
    void Run(const PlanStep& step) {
        Database& db = s_.db;
        switch (step.kind) {
            case StepKind::SetMasterConnection: db.SetConnectionString(MasterConnectionString(in_.settings)); break;
            case StepKind::SetDatabaseConnection: db.SetConnectionString(DatabaseConnectionString(in_.settings)); break;
            case StepKind::Open: db.Open(); break;
            case StepKind::Close: db.Close(); break;
            case StepKind::CheckDatabaseName:
                if (!IsUsableDatabaseName(s_.widen(in_.settings.database))) throw UnusableDatabaseName();
                break;
            case StepKind::ConfirmReplace: break;  // answered by Execute
            case StepKind::ReadScript:
                scripts_[step.text] = ScriptCommandText(s_.files.ReadAllBytes(in_.programFolder + step.text));
                break;
            case StepKind::ReadVersion: ReadVersion(); break;
            case StepKind::Command: db.ExecuteCommand(step.text); break;
            case StepKind::Pause: s_.sleeper.Sleep(kPauseAfterCreation); break;
            case StepKind::RunScript: db.ExecuteCommand(scripts_.at(step.text)); break;
            case StepKind::FullSync: db.ExecuteStatement(kFullSyncStatement, {}); break;
            case StepKind::AskStoreNumber:
                storeNumber_ = StoreNumberFromAnswer(s_.ui.AskText(
                    kStoreNumberPrompt.caption, kStoreNumberPrompt.prompt, kStoreNumberPrompt.defaultText));
                break;
            case StepKind::VersionRow: {
                const IntParameter parameters[] = {
                    {"major", version_.major}, {"minor", version_.minor}, {"loja", storeNumber_}};
                db.ExecuteStatement(kVersionRowStatement, parameters);
                break;
            }
            case StepKind::Renumber: {
                const IntParameter parameters[] = {{"loja", storeNumber_}};
                db.ExecuteStatement(RenumberStatement(), parameters);
                break;
            }
        }
    }

    void ReadVersion() {
        const std::string_view product = ProductName(in_.product);
        const std::optional<ProductVersion> version = s_.versions.ReadProductVersion(product);
        if (!version) {
            throw ProvisioningError("Cannot read the version information of \"" + in_.programFolder +
                                    std::string(product) + ".exe\"");
        }
        version_ = *version;
    }

    void TryOnce(const std::string& statement) noexcept {
        try {
            s_.db.ExecuteCommand(statement);
        } catch (...) {
        }
    }

    // Close, message, animation off, back one page.
    ProvisioningResult FailureExit(MessageId id) {
        s_.db.Close();
        const UserMessage& message = UserMessageFor(id);
        s_.ui.ShowMessage(message.text, message.caption, message.flags);
        s_.ui.SetAnimated(false);
        s_.ui.GoBackOnePage();
        return ProvisioningResult::Failed;
    }

    // The user declined to replace the database: nothing shown.
    ProvisioningResult RefusalExit() {
        s_.db.Close();
        s_.ui.SetAnimated(false);
        s_.ui.GoBackOnePage();
        return ProvisioningResult::Refused;
    }

    const ProvisioningInputs& in_;
    ProvisioningServices& s_;
    std::map<std::string, std::string> scripts_;  // file name -> command text, read before any change
    ProductVersion version_;
    std::int32_t storeNumber_ = 0;
};

}  // namespace

ProvisioningResult RunProvisioning(const ProvisioningInputs& inputs, ProvisioningServices& services) {
    Database& db = services.db;

    // Can the server be reached at all? Here the animation stops before the message, and there is
    // nothing to close.
    db.SetConnectionString(MasterConnectionString(inputs.settings));
    bool reachable = true;
    try {
        db.Open();
    } catch (const std::exception&) {
        reachable = false;
    }
    if (!reachable) {
        const UserMessage& message = UserMessageFor(MessageId::ServerUnreachable);
        services.ui.SetAnimated(false);
        services.ui.ShowMessage(message.text, message.caption, message.flags);
        services.ui.GoBackOnePage();
        return ProvisioningResult::Failed;
    }
    db.Close();

    // Does the database exist? Any failure to open it counts as absent, unreported.
    db.SetConnectionString(DatabaseConnectionString(inputs.settings));
    bool exists = false;
    try {
        db.Open();
        exists = true;
    } catch (const std::exception&) {
    }
    db.Close();

    return Executor(inputs, services).Execute(BuildPlan(inputs, exists));
}

}  // namespace prov
