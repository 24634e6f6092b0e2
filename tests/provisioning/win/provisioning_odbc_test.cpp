// The provisioning sequence from end to end through the real chain (Wine's odbc32, the host's
// driver manager, FreeTDS) against the test server, with the real script files and a recording
// stand-in for the window. What the server received and what it holds afterwards are checked
// from its log and its catalogue.

#include "tests/provisioning/win/SqlTestServer.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/Text.h"
#include "provisioning/ProvisioningSequence.h"
#include "provisioning/ScriptText.h"
#include "provisioning/SqlStatements.h"
#include "provisioning/UserTexts.h"
#include "provisioning/win/OdbcDatabase.h"
#include "provisioning/win/Win32Services.h"

namespace prov {
namespace {

constexpr const char* kPassword = "QX#318604275";

// The window, as the sequence sees it: every call lands in one journal.
class RecordingUi final : public WizardUi {
public:
    std::vector<std::string> journal;
    int confirmAnswer = kIdOk;
    std::optional<std::string> storeAnswer = "1";

    int ShowMessage(std::string_view text, std::string_view caption, unsigned flags) override {
        journal.push_back("message " + std::string(caption) + " " + std::to_string(flags) + ": " + std::string(text));
        return caption == "Confirmação" ? confirmAnswer : kIdOk;
    }
    std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                       std::string_view defaultText) override {
        journal.push_back("ask " + std::string(caption) + " / " + std::string(prompt) + " / " + std::string(defaultText));
        return storeAnswer;
    }
    void SetAnimated(bool animated) override { journal.push_back(animated ? "animation on" : "animation off"); }
    void GoBackOnePage() override { journal.push_back("back"); }
};

class FixedVersion final : public VersionReader {
public:
    std::optional<ProductVersion> ReadProductVersion(std::string_view) override { return ProductVersion{5, 2}; }
};

class RecordingSleeper final : public Sleeper {
public:
    std::vector<long long> pauses;
    void Sleep(std::chrono::milliseconds duration) override { pauses.push_back(duration.count()); }
};

std::string Message(MessageId id) {
    const UserMessage& m = UserMessageFor(id);
    return "message " + std::string(m.caption) + " " + std::to_string(m.flags) + ": " + std::string(m.text);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder holding the wizard's script files: the samples, with some replaced or left out.
class ScriptFolder {
public:
    // `files`: name -> content; a name mapped to nullopt is left out; others are copied.
    explicit ScriptFolder(const std::map<std::string, std::optional<std::string>>& files = {}) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int counter = 0;
        path_ = std::string(temp) + "provtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
        for (const char* name : {"DBScript.inf", "DBDefault.inf", "DBDemo.inf"}) {
            std::optional<std::string> content = ReadFileBytes(ProgramFolder() + name);
            if (const auto it = files.find(name); it != files.end()) content = it->second;
            if (!content) continue;
            std::ofstream(path_ + name, std::ios::binary) << *content;
        }
    }
    ~ScriptFolder() {
        for (const char* name : {"DBScript.inf", "DBDefault.inf", "DBDemo.inf"}) DeleteFileA((path_ + name).c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }

    // The batch the server must receive for a script file, as UTF-8.
    std::string Batch(const char* name) const { return base::Cp1252ToUtf8(ScriptCommandText(ReadFileBytes(path_ + name))); }

private:
    std::string path_;
};

struct Installation {
    Product product = Product::VelmoCafe;
    ProvisioningOptions options;
    std::string database = "velmocafe_5_2";
    std::string password = kPassword;
    std::string server;  // default: the instance's 127.0.0.1,<port>
    int confirmAnswer = kIdOk;
    std::optional<std::string> storeAnswer = "1";
};

struct Outcome {
    std::optional<ProvisioningResult> result;
    std::string exception;  // what() of an unguarded failure
    std::vector<std::string> ui;
    std::vector<long long> pauses;
};

Outcome Install(const sqltest::Instance& server, const Installation& in, const ScriptFolder& folder) {
    OdbcDatabase db;
    RecordingUi ui;
    ui.confirmAnswer = in.confirmAnswer;
    ui.storeAnswer = in.storeAnswer;
    Win32Files files;
    FixedVersion versions;
    RecordingSleeper sleeper;
    ProvisioningInputs inputs;
    inputs.product = in.product;
    inputs.settings = ConnectionSettings{in.server.empty() ? server.Server() : in.server, "sa", in.password, in.database};
    inputs.options = in.options;
    inputs.programFolder = folder.Path();
    ProvisioningServices services{db, ui, files, versions, sleeper};
    Outcome out;
    try {
        out.result = RunProvisioning(inputs, services);
        EXPECT_FALSE(db.IsOpen()) << "the connection is closed at every way out";
    } catch (const std::exception& e) {
        out.exception = e.what();
    }
    out.ui = ui.journal;
    out.pauses = sleeper.pauses;
    return out;
}

std::string Existing(const std::string& database, const std::string& table = "antiga") {
    return R"j({"databases": [")j" + database + R"j("], "setup": [{"database": ")j" + database +
           R"j(", "sql": "CREATE TABLE )j" + table + R"j( (n int) INSERT INTO )j" + table + R"j( (n) VALUES (1)"}]})j";
}

// ---- the server cannot be used ----------------------------------------------------------------------

TEST(ProvisioningOverOdbc, AnUnreachableServerOrAWrongPasswordWarnsAndGoesBack) {
    int closedPort = 0;
    {
        sqltest::Instance gone;
        closedPort = gone.Port();
    }
    sqltest::Instance server;
    ScriptFolder folder;
    struct Case {
        const char* name;
        Installation in;
    } cases[] = {
        {"nothing listens", Installation{.server = "127.0.0.1," + std::to_string(closedPort)}},
        {"wrong password", Installation{.password = "errada"}},
        {"empty password", Installation{.password = ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = Install(server, c.in, folder);
        EXPECT_EQ(out.result, ProvisioningResult::Failed);
        // The animation stops before the message here; nothing was open, so nothing to close.
        const std::vector<std::string> expected = {"animation off", Message(MessageId::ServerUnreachable), "back"};
        EXPECT_EQ(out.ui, expected);
    }
    EXPECT_TRUE(server.Events("batch").empty());
    const auto logins = server.Events("login");
    ASSERT_EQ(logins.size(), 2u);
    for (const auto& login : logins) {
        EXPECT_FALSE(login["password_ok"].boolean);
        EXPECT_EQ(login["database"].Str(), "master");
    }
}

// ---- a new database ---------------------------------------------------------------------------------

TEST(ProvisioningOverOdbc, ANewDatabaseIsCreatedThenFilledFromTheScripts) {
    sqltest::Instance server;
    ScriptFolder folder;
    const Outcome out = Install(server, Installation{}, folder);
    ASSERT_EQ(out.result, ProvisioningResult::Succeeded) << out.exception;
    EXPECT_TRUE(out.ui.empty());
    EXPECT_EQ(out.pauses, std::vector<long long>{2000});

    const std::vector<std::string> expected = {"CREATE DATABASE velmocafe_5_2", folder.Batch("DBScript.inf"),
                                               folder.Batch("DBDefault.inf")};
    EXPECT_EQ(server.Requests(), expected);
    EXPECT_TRUE(server.Events("rpc").empty());
    // Test of the server, probe (absent: 4060), master for the creation, the new database.
    const auto logins = server.Events("login");
    ASSERT_EQ(logins.size(), 4u);
    const char* databases[] = {"master", "velmocafe_5_2", "master", "velmocafe_5_2"};
    const bool ok[] = {true, false, true, true};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(logins[i]["database"].Str(), databases[i]) << i;
        EXPECT_EQ(logins[i]["ok"].boolean, ok[i]) << i;
    }
    EXPECT_EQ(logins[1]["errors"][0].Int(), 4060);
    // VelmoCafe never gets a version row; the default data are there.
    EXPECT_EQ(server.Scalar("velmocafe_5_2", "SELECT COUNT(*) FROM versao"), 0);
    EXPECT_GT(server.Scalar("velmocafe_5_2", "SELECT COUNT(*) FROM familias"), 0);
}

// ---- an existing database ---------------------------------------------------------------------------

TEST(ProvisioningOverOdbc, ACancelledReplacementLeavesTheDatabaseAsItWas) {
    sqltest::Instance server(Existing("velmocafe_5_2"));
    ScriptFolder folder;
    const Outcome out = Install(server, Installation{.confirmAnswer = kIdCancel}, folder);
    EXPECT_EQ(out.result, ProvisioningResult::Refused);
    const std::vector<std::string> expected = {Message(MessageId::ConfirmReplace), "animation off", "back"};
    EXPECT_EQ(out.ui, expected);
    EXPECT_EQ(UserMessageFor(MessageId::ConfirmReplace).flags, 289u);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(server.Scalar("velmocafe_5_2", "SELECT COUNT(*) FROM antiga"), 1);
}

TEST(ProvisioningOverOdbc, AConfirmedReplacementDropsAndCreatesTheDatabase) {
    sqltest::Instance server(Existing("velmocafe_5_2"));
    ScriptFolder folder;
    const Outcome out = Install(server, Installation{}, folder);
    ASSERT_EQ(out.result, ProvisioningResult::Succeeded) << out.exception;
    EXPECT_EQ(out.ui, std::vector<std::string>{Message(MessageId::ConfirmReplace)});
    EXPECT_EQ(out.pauses, std::vector<long long>{2000});
    const std::vector<std::string> expected = {
        "ALTER DATABASE velmocafe_5_2 SET SINGLE_USER WITH ROLLBACK IMMEDIATE", "DROP DATABASE velmocafe_5_2",
        "CREATE DATABASE velmocafe_5_2", folder.Batch("DBScript.inf"), folder.Batch("DBDefault.inf")};
    EXPECT_EQ(server.Requests(), expected);
    // The three statements ran on master; the old table is gone with the old database.
    for (const auto& batch : server.Events("batch")) {
        if (batch["text"].Str().find("DATABASE") != std::string::npos) {
            EXPECT_EQ(batch["database"].Str(), "master");
        }
    }
    const sqltest::Json state = server.State();
    EXPECT_TRUE(state["velmocafe_5_2"]["tables"]["antiga"].IsNull());
    EXPECT_FALSE(state["velmocafe_5_2"]["single_user"].boolean);
}

// ---- failures with their own messages ---------------------------------------------------------------

struct FailureCase {
    const char* name;
    std::string scenario;
    Installation in;
    MessageId message;
    std::string lastRequestStart;  // the request that failed (empty: nothing was sent)
    bool databaseAfter;            // whether the database exists afterwards
    bool singleUserAfter;
};

TEST(ProvisioningOverOdbc, EachGuardedStepFailsWithItsOwnMessage) {
    const auto rule = [](const std::string& match, int number) {
        return R"j("rules": [{"match": ")j" + match + R"j(", "number": )j" + std::to_string(number) +
               R"j(, "message": "Injected.", "class": 16}])j";
    };
    const std::string existing = R"j("databases": ["velmocafe_5_2"])j";
    const FailureCase cases[] = {
        {"ALTER fails", "{" + existing + ", " + rule("^ALTER DATABASE", 5061) + "}", {}, MessageId::CreationFailed,
         "ALTER DATABASE", true, false},
        {"DROP fails after the ALTER: the database stays, given back to every user",
         "{" + existing + ", " + rule("^DROP DATABASE", 3702) + "}", {}, MessageId::CreationFailed,
         "ALTER DATABASE [velmocafe_5_2] SET MULTI_USER WITH ROLLBACK IMMEDIATE", true, false},
        {"CREATE fails after the DROP: no database at all", "{" + existing + ", " + rule("^CREATE DATABASE", 1802) + "}", {},
         MessageId::CreationFailed, "CREATE DATABASE", false, false},
        {"CREATE of a new database fails", "{" + rule("^CREATE DATABASE", 1802) + "}", {}, MessageId::CreationFailed,
         "CREATE DATABASE", false, false},
        {"a database the login may not open counts as absent, and its CREATE fails",
         R"j({"databases": ["velmocafe_5_2"], "forbidden": {"sa": ["velmocafe_5_2"]}})j", {}, MessageId::CreationFailed,
         "CREATE DATABASE", true, false},
        {"a name that is not a plain identifier is never sent", "{}", Installation{.database = "minha base"},
         MessageId::CreationFailed, "", false, false},
        {"the schema script fails", "{" + rule("CREATE TABLE familias", 2714) + "}", {}, MessageId::TablesFailed,
         "-- ", true, false},
        {"the default-data script fails", "{" + rule("INSERT INTO familias", 547) + "}", {}, MessageId::DataFailed, "-- ",
         true, false},
        {"the demonstration script fails", "{" + rule("INSERT INTO produtos", 8152) + "}",
         Installation{.options = {.demo = true}}, MessageId::DemoFailed, "-- ", true, false},
        {"the connection drops in the middle of the default data",
         R"j({"rules": [{"match": "INSERT INTO unidades", "action": "drop"}]})j", {}, MessageId::DataFailed, "-- ", true,
         false},
    };
    ScriptFolder folder;
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        sqltest::Instance server(c.scenario);
        const Outcome out = Install(server, c.in, folder);
        EXPECT_EQ(out.result, ProvisioningResult::Failed) << out.exception;
        // The failure exit: message, then animation off, then back (the connection closed first).
        ASSERT_GE(out.ui.size(), 3u);
        const std::vector<std::string> tail(out.ui.end() - 3, out.ui.end());
        const std::vector<std::string> expected = {Message(c.message), "animation off", "back"};
        EXPECT_EQ(tail, expected);
        const std::vector<std::string> requests = server.Requests();
        if (c.lastRequestStart.empty()) {
            EXPECT_TRUE(requests.empty());
        } else {
            ASSERT_FALSE(requests.empty());
            EXPECT_EQ(requests.back().rfind(c.lastRequestStart, 0), 0u) << requests.back().substr(0, 80);
        }
        const sqltest::Json state = server.State();
        const std::string database = c.in.database;
        EXPECT_EQ(!state[database].IsNull(), c.databaseAfter);
        EXPECT_EQ(state[database]["single_user"].boolean, c.singleUserAfter);
        // Every connection has been let go.
        const auto events = server.Log();
        int connects = 0, disconnects = 0;
        for (const auto& e : events.items) {
            connects += e["event"].Str() == "connect";
            disconnects += e["event"].Str() == "disconnect";
        }
        for (int wait = 0; wait < 50 && disconnects < connects; ++wait) {
            Sleep(20);
            disconnects = 0;
            for (const auto& e : server.Log().items) disconnects += e["event"].Str() == "disconnect";
        }
        EXPECT_EQ(connects, disconnects);
    }
}

TEST(ProvisioningOverOdbc, AScriptThatTheServerCannotRunGetsItsMessage) {
    struct Case {
        const char* name;
        const char* file;
        std::string content;
        Installation in;
        MessageId message;
        size_t requests;  // what reached the server: the batch of a file that is sent is the last
    } cases[] = {
        {"a GO line in the schema", "DBScript.inf", "CREATE TABLE a (n int)\r\nGO\r\nCREATE TABLE b (n int)\r\n", {},
         MessageId::TablesFailed, 2},
        {"an empty schema script", "DBScript.inf", "", {}, MessageId::TablesFailed, 1},
        {"a schema script whose first byte is zero", "DBScript.inf", std::string("\0CREATE TABLE a (n int)", 23), {},
         MessageId::TablesFailed, 1},
        {"a colon outside quotes in the default data", "DBDefault.inf",
         "INSERT INTO parametros (nome, valor) VALUES ('hora', :agora)\r\n", {}, MessageId::DataFailed, 2},
        {"an empty demonstration script", "DBDemo.inf", "", Installation{.options = {.demo = true}},
         MessageId::DemoFailed, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sqltest::Instance server;
        ScriptFolder folder({{c.file, c.content}});
        const Outcome out = Install(server, c.in, folder);
        EXPECT_EQ(out.result, ProvisioningResult::Failed) << out.exception;
        ASSERT_FALSE(out.ui.empty());
        EXPECT_EQ(out.ui.front(), Message(c.message));
        const std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(requests.size(), c.requests);
        if (c.requests == 2 && std::string(c.file) == "DBScript.inf") {
            EXPECT_EQ(requests.back(), folder.Batch(c.file));
            EXPECT_EQ(server.Events("error").back()["number"].Int(), 102);
        } else {
            EXPECT_TRUE(server.Events("error").empty()) << "refused before it was sent";
        }
    }
}

TEST(ProvisioningOverOdbc, AMissingScriptFileIsAnUnguardedFailure) {
    sqltest::Instance server;
    ScriptFolder folder({{"DBDemo.inf", std::nullopt}});
    const Outcome out = Install(server, Installation{.options = {.demo = true}}, folder);
    EXPECT_FALSE(out.result.has_value());
    const std::string prefix = "Cannot open file \"" + folder.Path() + "DBDemo.inf\". ";
    EXPECT_EQ(out.exception.rfind(prefix, 0), 0u) << out.exception;
    EXPECT_GT(out.exception.size(), prefix.size()) << "the system's text follows";
    // No message of its own, the animation runs on, the page stays; found before anything changed
    // the server: no database was created.
    EXPECT_TRUE(out.ui.empty());
    EXPECT_TRUE(server.State()["velmocafe_5_2"].IsNull());
    for (const std::string& request : server.Requests()) EXPECT_NE(request.rfind("CREATE DATABASE", 0), 0u);
}

// ---- store recovery, version row, demonstration data, renumbering -------------------------------------

TEST(ProvisioningOverOdbc, AStoreRecoveryResetsFullSyncInsteadOfTheDefaultData) {
    struct Case {
        const char* name;
        std::optional<std::string> schema;  // nullopt: the sample
        long long fullSyncRows;             // -1: no fullsync table
    } cases[] = {
        {"with fullsync", std::nullopt, 1},
        {"without fullsync, unnoticed", "CREATE TABLE versao (major int, minor int, loja int)\r\n", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sqltest::Instance server;
        std::map<std::string, std::optional<std::string>> files;
        if (c.schema) files["DBScript.inf"] = *c.schema;
        ScriptFolder folder(files);
        Installation in{.product = Product::VelmoCafe, .options = {.storeRecovery = true}};
        const Outcome out = Install(server, in, folder);
        ASSERT_EQ(out.result, ProvisioningResult::Succeeded) << out.exception;
        EXPECT_TRUE(out.ui.empty());
        const std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[1], folder.Batch("DBScript.inf"));
        EXPECT_EQ(requests[2], std::string(kFullSyncStatement));
        if (c.fullSyncRows >= 0) {
            const sqltest::Json rows = server.Query("velmocafe_5_2", "SELECT sync FROM fullsync");
            ASSERT_EQ(rows["rows"].size(), 1u);
            EXPECT_EQ(rows["rows"][0][0].Int(), 1);
        } else {
            EXPECT_EQ(server.Events("error").back()["number"].Int(), 208);
        }
    }
}

TEST(ProvisioningOverOdbc, TheVersionRowFollowsTheProductAndTheCloudChoice) {
    struct Case {
        Product product;
        bool cloud;
        bool row;    // a version row is written
        bool asked;  // the store number is asked
    } cases[] = {
        {Product::VelmoCafe, false, false, false}, {Product::VelmoCafe, true, false, false},
        {Product::VelmoFact, false, false, false}, {Product::VelmoFact, true, false, false},
        {Product::VelmoPos, false, false, false},  {Product::VelmoPos, true, true, true},
        {Product::VelmoRest, false, true, false},  {Product::VelmoRest, true, true, true},
    };
    ScriptFolder folder;
    for (const Case& c : cases) {
        const std::string name = std::string(ProductName(c.product)) + (c.cloud ? " cloud" : " normal");
        SCOPED_TRACE(name);
        sqltest::Instance server;
        Installation in{.product = c.product, .options = {.cloud = c.cloud}, .database = "loja_db", .storeAnswer = "12"};
        const Outcome out = Install(server, in, folder);
        ASSERT_EQ(out.result, ProvisioningResult::Succeeded) << out.exception;
        const std::vector<std::string> asked = {"ask Numero da Loja / Escolha o numero da loja: / 1"};
        EXPECT_EQ(out.ui, c.asked ? asked : std::vector<std::string>{});
        const sqltest::Json rows = server.Query("loja_db", "SELECT major, minor, loja FROM versao");
        ASSERT_EQ(rows["rows"].size(), c.row ? 1u : 0u);
        if (c.row) {
            EXPECT_EQ(rows["rows"][0][0].Int(), 5);
            EXPECT_EQ(rows["rows"][0][1].Int(), 2);
            EXPECT_EQ(rows["rows"][0][2].Int(), c.asked ? 12 : 0);
            // Sent as a parameterised call with three integers.
            bool found = false;
            for (const auto& call : server.Events("rpc")) {
                if (call["params"][0]["value"].Str().find("INSERT INTO versao") == std::string::npos) continue;
                found = true;
                EXPECT_EQ(call["params"][4]["value"].Int(), c.asked ? 12 : 0);
            }
            EXPECT_TRUE(found);
        }
        // Cloud installations renumber (the last request), whatever the product.
        EXPECT_EQ(server.Requests().back().rfind("Declare @loja AS Integer", 0) == 0, c.cloud);
    }
}

TEST(ProvisioningOverOdbc, DemonstrationDataFollowTheDefaultData) {
    sqltest::Instance server;
    ScriptFolder folder;
    const Outcome out = Install(server, Installation{.options = {.demo = true}}, folder);
    ASSERT_EQ(out.result, ProvisioningResult::Succeeded) << out.exception;
    const std::vector<std::string> expected = {"CREATE DATABASE velmocafe_5_2", folder.Batch("DBScript.inf"),
                                               folder.Batch("DBDefault.inf"), folder.Batch("DBDemo.inf")};
    EXPECT_EQ(server.Requests(), expected);
    EXPECT_GT(server.Scalar("velmocafe_5_2", "SELECT COUNT(*) FROM produtos"), 0);
}

// Every value of every column the renumbering touches, table by table, in row order.
std::map<std::string, std::vector<long long>> RenumberedColumns(const sqltest::Instance& server, const std::string& db) {
    std::map<std::string, std::vector<long long>> out;
    for (const RenumberChange& change : RenumberChanges()) {
        const std::string key = std::string(change.table) + "." + std::string(change.column);
        const sqltest::Json rows = server.Query(db, "SELECT " + std::string(change.column) + " FROM " + std::string(change.table));
        std::vector<long long>& values = out[key];
        for (const auto& row : rows["rows"].items) values.push_back(row[0].IsNull() ? -1 : row[0].Int());
    }
    return out;
}

TEST(ProvisioningOverOdbc, TheStoreNumberMovesTheCodesAndFillsTheColours) {
    // Boundary codes and missing colours beside the sample's default data.
    const std::string extra =
        "INSERT INTO centrosprod (codigo, descricao) VALUES (0, 'zero')\r\n"
        "INSERT INTO centrosprod (codigo, descricao) VALUES (999, 'ultimo')\r\n"
        "INSERT INTO centrosprod (codigo, descricao) VALUES (1000, 'fora')\r\n"
        "INSERT INTO centrosprod (codigo, descricao) VALUES (-5, 'negativo')\r\n"
        "INSERT INTO familias (codigo, descricao, fundo, letra) VALUES (998, 'sem cores', NULL, NULL)\r\n"
        "INSERT INTO familias (codigo, descricao, fundo, letra) VALUES (997, 'com cores', 1, 2)\r\n";
    ScriptFolder folder({{"DBDefault.inf", ReadFileBytes(ProgramFolder() + "DBDefault.inf") + extra}});

    // The data as the scripts leave them: VelmoRest without cloud renumbers nothing.
    sqltest::Instance baselineServer;
    ASSERT_EQ(Install(baselineServer, Installation{.product = Product::VelmoRest, .database = "loja_db"}, folder).result,
              ProvisioningResult::Succeeded);
    const auto before = RenumberedColumns(baselineServer, "loja_db");

    for (const int store : {7, 0}) {
        SCOPED_TRACE("store " + std::to_string(store));
        sqltest::Instance server;
        Installation in{.product = Product::VelmoRest, .options = {.cloud = true}, .database = "loja_db",
                        .storeAnswer = std::to_string(store)};
        const Outcome out = Install(server, in, folder);
        ASSERT_EQ(out.result, ProvisioningResult::Succeeded) << out.exception;
        const auto after = RenumberedColumns(server, "loja_db");
        int moved = 0, coloured = 0;
        for (const RenumberChange& change : RenumberChanges()) {
            const std::string key = std::string(change.table) + "." + std::string(change.column);
            SCOPED_TRACE(key);
            ASSERT_EQ(after.at(key).size(), before.at(key).size());
            for (size_t i = 0; i < before.at(key).size(); ++i) {
                const long long old = before.at(key)[i];
                long long want = old;
                if (change.modulus != 0 && old > 0 && old < change.modulus) want = old + 1LL * store * change.modulus;
                if (change.modulus == 0 && old == -1) want = change.colour;
                moved += change.modulus != 0 && want != old;
                coloured += change.modulus == 0 && want != old;
                EXPECT_EQ(after.at(key)[i], want) << "row " << i;
            }
        }
        EXPECT_EQ(moved > 0, store != 0);
        EXPECT_GT(coloured, 0) << "store 0 still fills the colours";
        // The boundaries, spelled out.
        const sqltest::Json centres = server.Query("loja_db", "SELECT codigo FROM centrosprod WHERE descricao IN "
                                                              "('zero', 'ultimo', 'fora', 'negativo') ORDER BY descricao");
        const long long expected[] = {1000, -5, 999 + store * 1000, 0};  // fora, negativo, ultimo, zero
        for (int i = 0; i < 4; ++i) EXPECT_EQ(centres["rows"][i][0].Int(), expected[i]) << i;
        const sqltest::Json colours =
            server.Query("loja_db", "SELECT fundo, letra FROM familias WHERE descricao = 'sem cores'");
        EXPECT_EQ(colours["rows"][0][0].Int(), 15780518);
        EXPECT_EQ(colours["rows"][0][1].Int(), 8388608);
        // One parameterised call carried the store number.
        const auto calls = server.Events("rpc");
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back()["params"][2]["value"].Int(), store);
    }
}

}  // namespace
}  // namespace prov
