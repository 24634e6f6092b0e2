#include "provisioning/ProvisioningPlan.h"

#include <cstdint>

#include "provisioning/ScriptText.h"
#include "provisioning/SqlStatements.h"

namespace prov {
namespace {

PlanStep Unguarded(StepKind kind, std::string text = {}) { return {kind, Guard::None, std::nullopt, std::move(text)}; }
PlanStep Reported(StepKind kind, MessageId message, std::string text = {}) {
    return {kind, Guard::Report, message, std::move(text)};
}

std::string_view KindName(StepKind kind) {
    switch (kind) {
        case StepKind::SetMasterConnection: return "SetMasterConnection";
        case StepKind::SetDatabaseConnection: return "SetDatabaseConnection";
        case StepKind::Open: return "Open";
        case StepKind::Close: return "Close";
        case StepKind::CheckDatabaseName: return "CheckDatabaseName";
        case StepKind::ConfirmReplace: return "ConfirmReplace";
        case StepKind::ReadScript: return "ReadScript";
        case StepKind::ReadVersion: return "ReadVersion";
        case StepKind::Command: return "Command";
        case StepKind::Pause: return "Pause";
        case StepKind::RunScript: return "RunScript";
        case StepKind::FullSync: return "FullSync";
        case StepKind::AskStoreNumber: return "AskStoreNumber";
        case StepKind::VersionRow: return "VersionRow";
        case StepKind::Renumber: return "Renumber";
    }
    return "?";
}

std::string_view MessageName(MessageId id) {
    switch (id) {
        case MessageId::ServerUnreachable: return "ServerUnreachable";
        case MessageId::ConfirmReplace: return "ConfirmReplace";
        case MessageId::CreationFailed: return "CreationFailed";
        case MessageId::TablesFailed: return "TablesFailed";
        case MessageId::DataFailed: return "DataFailed";
        case MessageId::DemoFailed: return "DemoFailed";
    }
    return "?";
}

}  // namespace

bool WantsVersionRow(Product product, const ProvisioningOptions& options) {
    return (product == Product::VelmoPos && options.cloud) || product == Product::VelmoRest;
}

std::vector<std::string_view> ScriptsRead(const ProvisioningOptions& options) {
    std::vector<std::string_view> scripts = {kSchemaScript};
    if (!options.storeRecovery) scripts.push_back(kDefaultDataScript);
    if (options.demo) scripts.push_back(kDemoDataScript);
    return scripts;
}

Plan BuildPlan(const ProvisioningInputs& inputs, bool databaseExists) {
    const std::string& name = inputs.settings.database;
    const ProvisioningOptions& options = inputs.options;
    Plan plan;
    // The database: replaced after confirmation, or created.
    plan.push_back(Unguarded(StepKind::SetMasterConnection));
    plan.push_back(Unguarded(StepKind::Open));
    plan.push_back(Reported(StepKind::CheckDatabaseName, MessageId::CreationFailed));
    if (databaseExists) plan.push_back(Unguarded(StepKind::ConfirmReplace));
    // What the run needs from files, before anything changes the server.
    for (std::string_view script : ScriptsRead(options)) plan.push_back(Unguarded(StepKind::ReadScript, std::string(script)));
    const bool versionRow = WantsVersionRow(inputs.product, options);
    if (versionRow) plan.push_back(Unguarded(StepKind::ReadVersion));
    if (databaseExists) {
        plan.push_back(Reported(StepKind::Command, MessageId::CreationFailed, SingleUserStatement(name)));
        PlanStep drop = Reported(StepKind::Command, MessageId::CreationFailed, DropDatabaseStatement(name));
        // A refused DROP would leave the database single-user, and the product unable to work.
        drop.onFailure = MultiUserStatement(name);
        plan.push_back(std::move(drop));
    }
    plan.push_back(Reported(StepKind::Command, MessageId::CreationFailed, CreateDatabaseStatement(name)));
    plan.push_back(Unguarded(StepKind::Pause));
    plan.push_back(Unguarded(StepKind::Close));
    plan.push_back(Unguarded(StepKind::SetDatabaseConnection));
    // Its content.
    plan.push_back(Unguarded(StepKind::Open));
    plan.push_back(Reported(StepKind::RunScript, MessageId::TablesFailed, std::string(kSchemaScript)));
    if (options.storeRecovery) {
        plan.push_back({StepKind::FullSync, Guard::Silent, std::nullopt, {}});
    } else {
        plan.push_back(Reported(StepKind::RunScript, MessageId::DataFailed, std::string(kDefaultDataScript)));
    }
    if (versionRow) {
        if (options.cloud) plan.push_back(Unguarded(StepKind::AskStoreNumber));
        plan.push_back(Unguarded(StepKind::VersionRow));
    }
    if (options.demo) plan.push_back(Reported(StepKind::RunScript, MessageId::DemoFailed, std::string(kDemoDataScript)));
    if (options.cloud) plan.push_back(Unguarded(StepKind::Renumber));
    plan.push_back(Unguarded(StepKind::Close));
    return plan;
}

std::int32_t StoreNumberFromAnswer(const std::optional<std::string>& answer) {
    constexpr std::int32_t kDefault = 1;
    if (!answer) return kDefault;
    std::string_view text = *answer;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return kDefault;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return kDefault;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::int64_t{INT32_MAX} + 1) return kDefault;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return kDefault;
    return static_cast<std::int32_t>(value);
}

std::string Describe(const PlanStep& step) {
    std::string line(KindName(step.kind));
    if (step.guard == Guard::Report) {
        line += " [Report ";
        line += step.message ? MessageName(*step.message) : "?";
        line += ']';
    } else if (step.guard == Guard::Silent) {
        line += " [Silent]";
    }
    if (!step.text.empty()) line += ' ' + step.text;
    if (!step.onFailure.empty()) line += " (on failure: " + step.onFailure + ')';
    return line;
}

std::string Describe(const Plan& plan) {
    std::string text;
    for (const PlanStep& step : plan) text += Describe(step) + '\n';
    return text;
}

}  // namespace prov
