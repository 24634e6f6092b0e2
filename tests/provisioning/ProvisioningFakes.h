#pragma once
// Recording fakes of the provisioning seams, shared by the provisioning tests.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "provisioning/Database.h"
#include "provisioning/Files.h"
#include "provisioning/ParameterMarkers.h"
#include "provisioning/ProductVersion.h"
#include "provisioning/Sleeper.h"
#include "provisioning/WizardUi.h"

namespace provtest {

// Every outside effect lands in one journal, so tests can check the order across seams.
using Journal = std::vector<std::string>;

// A connection that records every call and fails where it is told to. Like the real one it
// refuses a connection string while open and an empty command text.
class FakeDb final : public prov::Database {
public:
    explicit FakeDb(Journal& journal) : journal_(journal) {}

    // Failures to inject, counted from 1 over the whole run.
    std::optional<int> failOpen;               // the Nth Open fails
    std::optional<int> failExecute;            // the Nth ExecuteCommand / ExecuteStatement fails
    std::optional<std::string> failTextWith;   // any execution whose text contains this fails
    std::optional<std::string> probeCatalog;   // Open fails for a connection string with this Initial Catalog...
    bool databaseExists = false;               // ...unless the database exists (CREATE / DROP DATABASE of it succeeded)
    bool failClose = false;

    std::vector<std::string> connectionStrings;
    struct Execution {
        std::string text;
        std::vector<std::optional<std::int32_t>> boundValues;  // in marker order
        bool statement;
    };
    std::vector<Execution> executions;

    void SetConnectionString(std::string_view text) override {
        journal_.push_back("db.SetConnectionString");
        if (open_) throw prov::DatabaseError("Operation is not allowed when the object is open.");
        connectionString_ = std::string(text);
        connectionStrings.push_back(connectionString_);
    }
    void Open() override {
        ++opens_;
        journal_.push_back("db.Open");
        if (failOpen && *failOpen == opens_) throw prov::DatabaseError("Login failed for user 'sa'.");
        if (probeCatalog && !databaseExists &&
            connectionString_.find("Initial Catalog=" + *probeCatalog + ";") != std::string::npos) {
            throw prov::DatabaseError("Cannot open database requested by the login.");
        }
        open_ = true;
    }
    void Close() override {
        journal_.push_back("db.Close");
        if (failClose) throw prov::DatabaseError("close failed");
        open_ = false;
    }
    bool IsOpen() const override { return open_; }
    void ExecuteCommand(std::string_view text) override { Execute(text, {}, false); }
    void ExecuteStatement(std::string_view text, std::span<const prov::IntParameter> parameters) override {
        Execute(text, parameters, true);
    }

private:
    void Execute(std::string_view text, std::span<const prov::IntParameter> parameters, bool statement) {
        ++executes_;
        journal_.push_back(statement ? "db.ExecuteStatement" : "db.ExecuteCommand");
        if (!open_) throw prov::DatabaseError("Operation is not allowed when the object is closed.");
        const prov::PreparedText prepared = prov::PrepareText(text);  // refuses an empty text
        executions.push_back({std::string(text), prov::BindByName(prepared.names, parameters), statement});
        if (failExecute && *failExecute == executes_) throw prov::DatabaseError("Incorrect syntax.");
        if (failTextWith && text.find(*failTextWith) != std::string_view::npos) {
            throw prov::DatabaseError("Invalid object name.");
        }
        if (probeCatalog && text == "CREATE DATABASE " + *probeCatalog) databaseExists = true;
        if (probeCatalog && text == "DROP DATABASE " + *probeCatalog) databaseExists = false;
    }

    Journal& journal_;
    std::string connectionString_;
    bool open_ = false;
    int opens_ = 0;
    int executes_ = 0;
};

class FakeUi final : public prov::WizardUi {
public:
    explicit FakeUi(Journal& journal) : journal_(journal) {}

    int answer = prov::kIdOk;                  // to every message box
    std::optional<std::string> typed = "1";    // from the input box; no value = Cancel

    struct Box {
        std::string text, caption;
        unsigned flags;
    };
    std::vector<Box> boxes;
    struct Prompt {
        std::string caption, prompt, defaultText;
    };
    std::vector<Prompt> prompts;
    bool animated = true;

    int ShowMessage(std::string_view text, std::string_view caption, unsigned flags) override {
        journal_.push_back("ui.ShowMessage " + std::string(caption));
        boxes.push_back({std::string(text), std::string(caption), flags});
        return answer;
    }
    std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                       std::string_view defaultText) override {
        journal_.push_back("ui.AskText");
        prompts.push_back({std::string(caption), std::string(prompt), std::string(defaultText)});
        return typed;
    }
    void SetAnimated(bool on) override {
        journal_.push_back(on ? "ui.SetAnimated on" : "ui.SetAnimated off");
        animated = on;
    }
    void GoBackOnePage() override { journal_.push_back("ui.GoBackOnePage"); }

private:
    Journal& journal_;
};

class FakeFiles final : public prov::Files {
public:
    explicit FakeFiles(Journal& journal) : journal_(journal) {}

    std::map<std::string, std::string> files;  // path -> bytes; a missing path cannot be opened
    std::map<std::string, std::vector<std::uint8_t>> written;
    std::optional<std::string> refuseWrites;  // the reason every write fails with

    std::optional<std::string> ReplaceFileBytes(const std::string& path,
                                                std::span<const std::uint8_t> bytes) noexcept override {
        journal_.push_back("files.ReplaceFileBytes " + path);
        if (refuseWrites) return refuseWrites;
        written[path].assign(bytes.begin(), bytes.end());
        return std::nullopt;
    }
    std::string ReadAllBytes(const std::string& path) override {
        journal_.push_back("files.ReadAllBytes " + path);
        const auto it = files.find(path);
        if (it == files.end()) throw prov::FileOpenError(path, "The system cannot find the file specified");
        return it->second;
    }

private:
    Journal& journal_;
};

class FakeVersions final : public prov::VersionReader {
public:
    explicit FakeVersions(Journal& journal) : journal_(journal) {}
    std::optional<prov::ProductVersion> version = prov::ProductVersion{5, 2};
    std::vector<std::string> asked;

    std::optional<prov::ProductVersion> ReadProductVersion(std::string_view productName) override {
        journal_.push_back("versions.Read " + std::string(productName));
        asked.emplace_back(productName);
        return version;
    }

private:
    Journal& journal_;
};

class FakeSleeper final : public prov::Sleeper {
public:
    explicit FakeSleeper(Journal& journal) : journal_(journal) {}
    std::vector<std::chrono::milliseconds> pauses;
    void Sleep(std::chrono::milliseconds duration) override {
        journal_.push_back("sleep " + std::to_string(duration.count()));
        pauses.push_back(duration);
    }

private:
    Journal& journal_;
};

}  // namespace provtest
