#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProvisioningFakes.h"
#include "provisioning/ProvisioningPlan.h"
#include "provisioning/ProvisioningSequence.h"
#include "provisioning/SqlStatements.h"

namespace {

using prov::Product;
using prov::ProvisioningResult;
using provtest::Journal;

const std::string kFolder = "C:\\Loja\\";
const std::string kTablesScript = "CREATE TABLE versao (major int, minor int, loja int)\r\n";
const std::string kDefaultScript = "INSERT INTO fullsync (sync) VALUES (0)\n";
const std::string kDemoScript = "INSERT INTO clientes (codigo) VALUES (2)";

const char* const kErrorTexts[] = {
    "Erro na cria\xE7\xE3o da base de dados!\nPor favor verifique os dados e tente de novo.",
    "Erro na cria\xE7\xE3o das tabelas!",
    "Erro na inser\xE7\xE3o de dados!",
    "Erro na inser\xE7\xE3o dos dados demonstrativos!",
};
const char* const kCreationFailed = kErrorTexts[0];
const char* const kTablesFailed = kErrorTexts[1];
const char* const kDataFailed = kErrorTexts[2];
const char* const kDemoFailed = kErrorTexts[3];

// One wizard run against fakes: server srv, login sa, database velmorest_5_2, absent unless told.
struct Harness {
    Journal journal;
    provtest::FakeDb db{journal};
    provtest::FakeUi ui{journal};
    provtest::FakeFiles files{journal};
    provtest::FakeVersions versions{journal};
    provtest::FakeSleeper sleeper{journal};
    prov::ProvisioningInputs inputs;

    Harness() {
        inputs.product = Product::VelmoCafe;
        inputs.settings = {"srv", "sa", "pw", "velmorest_5_2"};
        inputs.programFolder = kFolder;
        db.probeCatalog = "velmorest_5_2";
        files.files[kFolder + "DBScript.inf"] = kTablesScript;
        files.files[kFolder + "DBDefault.inf"] = kDefaultScript;
        files.files[kFolder + "DBDemo.inf"] = kDemoScript;
    }

    ProvisioningResult Run() {
        prov::ProvisioningServices services{db, ui, files, versions, sleeper};
        return prov::RunProvisioning(inputs, services);
    }

    std::vector<std::string> Executed() const {
        std::vector<std::string> texts;
        for (const auto& e : db.executions) texts.push_back(e.text);
        return texts;
    }

    // The journal from the first entry that starts with `prefix` on.
    std::vector<std::string> JournalFrom(const std::string& prefix) const {
        for (std::size_t i = 0; i < journal.size(); ++i) {
            if (journal[i].rfind(prefix, 0) == 0) return {journal.begin() + i, journal.end()};
        }
        return {};
    }

    std::string Dump() const {
        std::string text;
        for (const std::string& line : journal) text += "  " + line + "\n";
        return text;
    }
};

const std::vector<std::string> kFailureExit = {"db.Close", "ui.ShowMessage Erro", "ui.SetAnimated off",
                                               "ui.GoBackOnePage"};

TEST(ProvisioningSequence, NewDatabaseEveryStepInOrder) {
    Harness h;
    ASSERT_EQ(h.Run(), ProvisioningResult::Succeeded);
    const std::vector<std::string> expected = {
        "db.SetConnectionString", "db.Open", "db.Close",                     // the server answers
        "db.SetConnectionString", "db.Open", "db.Close",                     // the probe (absent)
        "db.SetConnectionString", "db.Open",
        "files.ReadAllBytes C:\\Loja\\DBScript.inf", "files.ReadAllBytes C:\\Loja\\DBDefault.inf",
        "db.ExecuteCommand", "sleep 2000", "db.Close",
        "db.SetConnectionString", "db.Open", "db.ExecuteCommand", "db.ExecuteCommand",
        "db.Close",
    };
    EXPECT_EQ(h.journal, expected) << h.Dump();
    const prov::ConnectionSettings& s = h.inputs.settings;
    EXPECT_EQ(h.db.connectionStrings,
              (std::vector<std::string>{prov::MasterConnectionString(s), prov::DatabaseConnectionString(s),
                                        prov::MasterConnectionString(s), prov::DatabaseConnectionString(s)}));
    EXPECT_EQ(h.Executed(), (std::vector<std::string>{"CREATE DATABASE velmorest_5_2", kTablesScript,
                                                      "INSERT INTO fullsync (sync) VALUES (0)\r\n"}));
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_TRUE(h.ui.animated) << "the caller stops the animation on success";
    EXPECT_FALSE(h.db.IsOpen());
}

TEST(ProvisioningSequence, ExistingDatabaseIsReplacedAfterConfirmation) {
    Harness h;
    h.db.databaseExists = true;
    ASSERT_EQ(h.Run(), ProvisioningResult::Succeeded);
    ASSERT_EQ(h.ui.boxes.size(), 1u);
    EXPECT_EQ(h.ui.boxes[0].text,
              "A base de dados j\xE1 existe! Se continuar ir\xE1 perder todos os dados e criar uma nova! TEM A CERTEZA?");
    EXPECT_EQ(h.ui.boxes[0].caption, "Confirma\xE7\xE3o");
    EXPECT_EQ(h.ui.boxes[0].flags, 289u);
    const std::vector<std::string> executed = h.Executed();
    ASSERT_GE(executed.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(executed.begin(), executed.begin() + 3),
              (std::vector<std::string>{"ALTER DATABASE velmorest_5_2 SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
                                        "DROP DATABASE velmorest_5_2", "CREATE DATABASE velmorest_5_2"}));
    // Asked on the open master connection, before anything is sent; the pause follows the creation.
    const std::vector<std::string> from = h.JournalFrom("ui.ShowMessage");
    EXPECT_EQ(std::vector<std::string>(from.begin(), from.begin() + 8),
              (std::vector<std::string>{"ui.ShowMessage Confirma\xE7\xE3o", "files.ReadAllBytes C:\\Loja\\DBScript.inf",
                                        "files.ReadAllBytes C:\\Loja\\DBDefault.inf", "db.ExecuteCommand",
                                        "db.ExecuteCommand", "db.ExecuteCommand", "sleep 2000", "db.Close"}))
        << h.Dump();
    EXPECT_EQ(h.sleeper.pauses, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(2000)});
}

TEST(ProvisioningSequence, DeclinedReplacementGoesBackWithoutMessage) {
    for (int answer : {prov::kIdCancel, 0, 7}) {
        Harness h;
        h.db.databaseExists = true;
        h.ui.answer = answer;
        EXPECT_EQ(h.Run(), ProvisioningResult::Refused) << answer;
        EXPECT_EQ(h.JournalFrom("ui.ShowMessage"),
                  (std::vector<std::string>{"ui.ShowMessage Confirma\xE7\xE3o", "db.Close", "ui.SetAnimated off",
                                            "ui.GoBackOnePage"}))
            << h.Dump();
        EXPECT_TRUE(h.db.executions.empty());
        EXPECT_TRUE(h.sleeper.pauses.empty());
        EXPECT_FALSE(h.db.IsOpen());
    }
}

TEST(ProvisioningSequence, UnreachableServerStopsTheAnimationBeforeItsMessage) {
    Harness h;
    h.db.failOpen = 1;
    EXPECT_EQ(h.Run(), ProvisioningResult::Failed);
    EXPECT_EQ(h.journal, (std::vector<std::string>{"db.SetConnectionString", "db.Open", "ui.SetAnimated off",
                                                   "ui.ShowMessage Aviso", "ui.GoBackOnePage"}))
        << h.Dump();
    ASSERT_EQ(h.ui.boxes.size(), 1u);
    EXPECT_EQ(h.ui.boxes[0].text, "Erro na liga\xE7\xE3o ao servidor!\nPor favor verifique os dados e tente de novo.");
    EXPECT_EQ(h.ui.boxes[0].flags, 16u);
    EXPECT_FALSE(h.db.IsOpen());
}

TEST(ProvisioningSequence, ProbeFailureMeansAbsentAndIsNotReported) {
    Harness h;
    h.db.databaseExists = true;
    h.db.failOpen = 2;  // the probe's open, whatever its cause
    EXPECT_EQ(h.Run(), ProvisioningResult::Succeeded);
    EXPECT_TRUE(h.ui.boxes.empty()) << "no confirmation: the database counts as absent";
    EXPECT_EQ(h.Executed().front(), "CREATE DATABASE velmorest_5_2");
}

struct GuardedFailure {
    const char* label;
    bool exists;
    prov::ProvisioningOptions options;
    std::string failWith;       // the execution whose text holds this fails
    std::string replaceScript;  // file name whose content is replaced...
    std::string scriptContent;  // ...by this
    const char* message;
    std::size_t executedBefore;  // executions that reached the server, the failing one included
};

TEST(ProvisioningSequence, GuardedFailuresTakeTheFailureExit) {
    using namespace std::string_literals;
    const GuardedFailure cases[] = {
        {"ALTER fails", true, {}, "ALTER DATABASE", "", "", kCreationFailed, 1},
        {"DROP fails (then SET MULTI_USER)", true, {}, "DROP DATABASE", "", "", kCreationFailed, 3},
        {"CREATE fails after DROP", true, {}, "CREATE DATABASE", "", "", kCreationFailed, 3},
        {"CREATE fails", false, {}, "CREATE DATABASE", "", "", kCreationFailed, 1},
        {"schema script fails", false, {}, "CREATE TABLE", "", "", kTablesFailed, 2},
        {"empty schema script", false, {}, "", "DBScript.inf", "", kTablesFailed, 1},
        {"schema script starting with a zero byte", false, {}, "", "DBScript.inf", "\0CREATE"s, kTablesFailed, 1},
        {"schema script with a GO line", false, {}, "\r\nGO\r\n", "DBScript.inf", "a\nGO\nb", kTablesFailed, 2},
        {"default data fails", false, {}, "INSERT INTO fullsync", "", "", kDataFailed, 3},
        {"empty default data", false, {}, "", "DBDefault.inf", "", kDataFailed, 2},
        {"demo data fails", false, {true, false, false}, "INSERT INTO clientes", "", "", kDemoFailed, 4},
        {"empty demo data", false, {true, false, false}, "", "DBDemo.inf", "", kDemoFailed, 3},
        {"demo data fails after recovery", false, {true, false, true}, "clientes", "", "", kDemoFailed, 4},
    };
    for (const GuardedFailure& c : cases) {
        Harness h;
        h.db.databaseExists = c.exists;
        h.inputs.options = c.options;
        if (!c.failWith.empty()) h.db.failTextWith = c.failWith;
        if (!c.replaceScript.empty()) h.files.files[kFolder + c.replaceScript] = c.scriptContent;
        EXPECT_EQ(h.Run(), ProvisioningResult::Failed) << c.label << "\n" << h.Dump();
        EXPECT_EQ(std::vector<std::string>(h.journal.end() - 4, h.journal.end()), kFailureExit) << c.label << "\n"
                                                                                                 << h.Dump();
        ASSERT_FALSE(h.ui.boxes.empty()) << c.label;
        EXPECT_EQ(h.ui.boxes.back().text, c.message) << c.label;
        EXPECT_EQ(h.ui.boxes.back().caption, "Erro") << c.label;
        EXPECT_EQ(h.ui.boxes.back().flags, 16u) << c.label;
        EXPECT_EQ(h.db.executions.size(), c.executedBefore) << c.label << "\n" << h.Dump();
        EXPECT_FALSE(h.db.IsOpen()) << c.label;
        EXPECT_FALSE(h.ui.animated) << c.label;
    }
}

TEST(ProvisioningSequence, UnusableDatabaseNameSendsNothing) {
    for (bool exists : {false, true}) {
        Harness h;
        h.inputs.settings.database = "minha loja";
        h.db.probeCatalog = "minha loja";
        h.db.databaseExists = exists;
        EXPECT_EQ(h.Run(), ProvisioningResult::Failed);
        EXPECT_TRUE(h.db.executions.empty()) << exists;
        ASSERT_EQ(h.ui.boxes.size(), 1u) << "no confirmation for a name that cannot be used";
        EXPECT_EQ(h.ui.boxes[0].text, kCreationFailed);
        EXPECT_EQ(std::vector<std::string>(h.journal.end() - 4, h.journal.end()), kFailureExit) << h.Dump();
        EXPECT_FALSE(h.db.IsOpen());
    }
}

TEST(ProvisioningSequence, StoreRecoveryResetsFullSyncInsteadOfDefaultData) {
    for (bool fullSyncFails : {false, true}) {
        Harness h;
        h.inputs.options.storeRecovery = true;
        if (fullSyncFails) h.db.failTextWith = "fullsync";
        EXPECT_EQ(h.Run(), ProvisioningResult::Succeeded) << fullSyncFails;
        EXPECT_TRUE(h.ui.boxes.empty()) << "a failed reset is silent";
        EXPECT_TRUE(h.JournalFrom("files.ReadAllBytes C:\\Loja\\DBDefault.inf").empty()) << h.Dump();
        ASSERT_EQ(h.db.executions.size(), 3u);
        EXPECT_EQ(h.db.executions[2].text, prov::kFullSyncStatement);
        EXPECT_TRUE(h.db.executions[2].statement);
        EXPECT_FALSE(h.db.IsOpen());
    }
}

// Which products get a version row and which are asked for the store number.
TEST(ProvisioningSequence, VersionRowMatrix) {
    struct Case {
        Product product;
        bool cloud;
        bool row;
        bool asked;
    };
    const Case cases[] = {
        {Product::VelmoCafe, false, false, false}, {Product::VelmoCafe, true, false, false},
        {Product::VelmoFact, false, false, false}, {Product::VelmoFact, true, false, false},
        {Product::VelmoPos, false, false, false},  {Product::VelmoPos, true, true, true},
        {Product::VelmoRest, false, true, false},  {Product::VelmoRest, true, true, true},
    };
    for (const Case& c : cases) {
        Harness h;
        h.inputs.product = c.product;
        h.inputs.options.cloud = c.cloud;
        h.ui.typed = "3";
        const std::string label = std::string(prov::ProductName(c.product)) + (c.cloud ? " cloud" : "");
        ASSERT_EQ(h.Run(), ProvisioningResult::Succeeded) << label;
        EXPECT_EQ(h.ui.prompts.size(), c.asked ? 1u : 0u) << label;
        std::vector<std::vector<std::optional<std::int32_t>>> rows, renumbers;
        for (const auto& e : h.db.executions) {
            if (e.text == prov::kVersionRowStatement) rows.push_back(e.boundValues);
            if (e.text == prov::RenumberStatement()) renumbers.push_back(e.boundValues);
        }
        if (c.row) {
            EXPECT_EQ(h.versions.asked, std::vector<std::string>{std::string(prov::ProductName(c.product))}) << label;
            const std::int32_t store = c.asked ? 3 : 0;
            EXPECT_EQ(rows, (std::vector<std::vector<std::optional<std::int32_t>>>{{5, 2, store}})) << label;
        } else {
            EXPECT_TRUE(rows.empty()) << label;
            EXPECT_TRUE(h.versions.asked.empty()) << label;
        }
        // Renumbering follows the cloud choice alone; never asked, the store number is 0.
        if (c.cloud) {
            EXPECT_EQ(renumbers, (std::vector<std::vector<std::optional<std::int32_t>>>{{c.asked ? 3 : 0}})) << label;
        } else {
            EXPECT_TRUE(renumbers.empty()) << label;
        }
    }
}

TEST(ProvisioningSequence, StoreNumberPromptAndAnswers) {
    struct Case {
        std::optional<std::string> typed;
        std::int32_t store;
    };
    const Case cases[] = {
        {"7", 7},   {"0", 0},    {"1", 1},         {std::nullopt, 1}, {"", 1},          {"abc", 1},
        {"7a", 1},  {" 12 ", 12}, {"+5", 5},       {"-3", -3},        {"1.5", 1},       {"0x10", 1},
        {"2147483647", 2147483647}, {"2147483648", 1}, {"-2147483648", -2147483647 - 1}, {"+-1", 1}, {"-", 1},
    };
    for (const Case& c : cases) {
        Harness h;
        h.inputs.product = Product::VelmoPos;
        h.inputs.options.cloud = true;
        h.ui.typed = c.typed;
        const std::string label = c.typed.value_or("<Cancel>");
        ASSERT_EQ(h.Run(), ProvisioningResult::Succeeded) << label;
        ASSERT_EQ(h.ui.prompts.size(), 1u);
        EXPECT_EQ(h.ui.prompts[0].caption, "Numero da Loja");
        EXPECT_EQ(h.ui.prompts[0].prompt, "Escolha o numero da loja:");
        EXPECT_EQ(h.ui.prompts[0].defaultText, "1");
        ASSERT_EQ(h.db.executions.size(), 5u) << h.Dump();
        EXPECT_EQ(h.db.executions[3].boundValues,
                  (std::vector<std::optional<std::int32_t>>{5, 2, c.store}))
            << label;
        EXPECT_EQ(h.db.executions[4].text, prov::RenumberStatement());
        EXPECT_EQ(h.db.executions[4].boundValues, (std::vector<std::optional<std::int32_t>>{c.store})) << label;
    }
}

// Everything the run takes from files (each script once, the version) is read before the first
// statement that changes the server; what runs later is what was read then.
TEST(ProvisioningSequence, EveryFileIsReadOnceBeforeTheServerChanges) {
    Harness h;
    h.inputs.product = Product::VelmoRest;
    h.inputs.options = {true, true, false};  // demo and cloud, which the window keeps apart
    h.db.databaseExists = true;
    ASSERT_EQ(h.Run(), ProvisioningResult::Succeeded);
    const std::vector<std::string> expected = {
        "files.ReadAllBytes C:\\Loja\\DBScript.inf", "files.ReadAllBytes C:\\Loja\\DBDefault.inf",
        "files.ReadAllBytes C:\\Loja\\DBDemo.inf", "versions.Read VelmoRest",
        "db.ExecuteCommand", "db.ExecuteCommand", "db.ExecuteCommand", "sleep 2000", "db.Close",  // ALTER, DROP, CREATE
        "db.SetConnectionString", "db.Open", "db.ExecuteCommand", "db.ExecuteCommand",            // schema, default data
        "ui.AskText", "db.ExecuteStatement",                                                      // version row
        "db.ExecuteCommand", "db.ExecuteStatement",                                               // demo data, renumbering
        "db.Close",
    };
    EXPECT_EQ(h.JournalFrom("files.ReadAllBytes"), expected) << h.Dump();
    const std::vector<std::string> executed = h.Executed();
    ASSERT_EQ(executed.size(), 8u);
    EXPECT_EQ(executed[3], kTablesScript);
    EXPECT_EQ(executed[6], kDemoScript + "\r\n");
    EXPECT_EQ(executed.back(), prov::RenumberStatement());
}

// ---- Unguarded failures: the exception reaches the default report, nothing else happens ----------

struct Unguarded {
    const char* label;
    std::string what;  // the exception's message
    bool connectionOpen;
};

Unguarded RunExpectingException(Harness& h, const char* label) {
    try {
        h.Run();
    } catch (const std::exception& e) {
        for (const auto& box : h.ui.boxes) EXPECT_EQ(box.flags, 289u) << label << ": only the confirmation may show";
        EXPECT_TRUE(h.ui.animated) << label << ": the animation keeps running";
        EXPECT_TRUE(h.JournalFrom("ui.GoBackOnePage").empty()) << label;
        return {label, e.what(), h.db.IsOpen()};
    }
    ADD_FAILURE() << label << ": no exception\n" << h.Dump();
    return {label, "", false};
}

// A script file the run would read but cannot open stops it before anything changes the server
// (issue 18: the old database was dropped for nothing), with the file-open error the reading
// would have raised; the connection to master is open then.
TEST(ProvisioningSequence, MissingScriptFileStopsTheRunBeforeTheServerChanges) {
    struct Case {
        const char* file;
        prov::ProvisioningOptions options;
        bool exists;
    };
    const Case cases[] = {
        {"DBScript.inf", {}, false},
        {"DBDefault.inf", {}, true},
        {"DBDemo.inf", {true, false, false}, true},
        {"DBDemo.inf", {true, false, true}, false},
    };
    for (const Case& c : cases) {
        Harness h;
        h.inputs.options = c.options;
        h.db.databaseExists = c.exists;
        h.files.files.erase(kFolder + c.file);
        const Unguarded u = RunExpectingException(h, c.file);
        EXPECT_EQ(u.what, "Cannot open file \"C:\\Loja\\" + std::string(c.file) +
                              "\". The system cannot find the file specified")
            << c.file;
        EXPECT_TRUE(u.connectionOpen) << c.file;
        EXPECT_TRUE(h.db.executions.empty()) << c.file << "\n" << h.Dump();
        EXPECT_EQ(h.ui.boxes.size(), c.exists ? 1u : 0u) << "asked first, as before";
    }
    // A file the run does not read is not asked for: the store recovery never reads DBDefault.inf.
    Harness h;
    h.inputs.options = {false, true, true};
    h.files.files.erase(kFolder + "DBDefault.inf");
    EXPECT_EQ(h.Run(), ProvisioningResult::Succeeded) << h.Dump();
}

// A refused DROP after SINGLE_USER: the database is given back to every user before the message.
TEST(ProvisioningSequence, RefusedDropIsFollowedBySetMultiUser) {
    Harness h;
    h.db.databaseExists = true;
    h.db.failTextWith = "DROP DATABASE";
    EXPECT_EQ(h.Run(), ProvisioningResult::Failed);
    EXPECT_EQ(h.Executed(), (std::vector<std::string>{
                                "ALTER DATABASE velmorest_5_2 SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
                                "DROP DATABASE velmorest_5_2", prov::MultiUserStatement("velmorest_5_2")}));
    EXPECT_EQ(h.JournalFrom("db.ExecuteCommand").size(), 3u + kFailureExit.size()) << h.Dump();

    // Its own failure is ignored: the creation message follows all the same.
    Harness refused;
    refused.db.databaseExists = true;
    refused.db.failTextWith = "DROP DATABASE";
    refused.db.failExecute = 3;  // SET MULTI_USER
    EXPECT_EQ(refused.Run(), ProvisioningResult::Failed);
    ASSERT_FALSE(refused.ui.boxes.empty());
    EXPECT_EQ(refused.ui.boxes.back().text, kCreationFailed);
    EXPECT_EQ(refused.Executed().back(), prov::MultiUserStatement("velmorest_5_2"));
}

TEST(ProvisioningSequence, UnguardedDatabaseFailuresPropagateTheDriverMessage) {
    struct Case {
        const char* label;
        std::optional<int> failOpen;
        std::string failWith;
        bool connectionOpen;
    };
    const Case cases[] = {
        {"open of the master connection for the creation", 3, "", false},
        {"open of the new database", 4, "", false},
        {"version row", std::nullopt, "INSERT INTO versao", true},
        {"renumbering", std::nullopt, "@loja", true},
    };
    for (const Case& c : cases) {
        Harness h;
        h.inputs.product = Product::VelmoRest;
        h.inputs.options.cloud = true;
        h.db.failOpen = c.failOpen;
        if (!c.failWith.empty()) h.db.failTextWith = c.failWith;
        const Unguarded u = RunExpectingException(h, c.label);
        EXPECT_EQ(u.what, c.failOpen ? "Login failed for user 'sa'." : "Invalid object name.") << c.label;
        EXPECT_EQ(u.connectionOpen, c.connectionOpen) << c.label;
    }
}

// A version row that cannot have its version stops the run before anything changes the server
// (the old database was dropped and a new one filled for nothing), with the same report; a run
// without a version row never asks for it.
TEST(ProvisioningSequence, UnreadableProductVersionStopsTheRunBeforeTheServerChanges) {
    for (const auto& [product, cloud] : {std::pair{Product::VelmoRest, false}, std::pair{Product::VelmoPos, true}}) {
        Harness h;
        h.inputs.product = product;
        h.inputs.options.cloud = cloud;
        h.db.databaseExists = true;
        h.versions.version.reset();
        const std::string exe = std::string(prov::ProductName(product)) + ".exe";
        const Unguarded u = RunExpectingException(h, exe.c_str());
        EXPECT_EQ(u.what, "Cannot read the version information of \"C:\\Loja\\" + exe + "\"");
        EXPECT_TRUE(u.connectionOpen);
        EXPECT_TRUE(h.db.executions.empty()) << exe << "\n" << h.Dump();
        EXPECT_TRUE(h.ui.prompts.empty());
    }
    Harness without;
    without.inputs.product = Product::VelmoPos;
    without.versions.version.reset();
    EXPECT_EQ(without.Run(), ProvisioningResult::Succeeded);
    EXPECT_TRUE(without.versions.asked.empty());
}

TEST(ProvisioningSequence, FailingCloseInsideTheFailureExitIsUnguarded) {
    Harness h;
    h.db.failTextWith = "CREATE DATABASE";
    h.db.failClose = true;
    EXPECT_THROW(h.Run(), prov::DatabaseError);
}

TEST(ProvisioningSequence, RunsAgainFromTheStartAfterAFailure) {
    Harness h;
    h.db.failTextWith = "CREATE TABLE";
    ASSERT_EQ(h.Run(), ProvisioningResult::Failed);
    h.db.failTextWith.reset();
    h.db.databaseExists = true;  // the first run created it
    h.journal.clear();
    EXPECT_EQ(h.Run(), ProvisioningResult::Succeeded) << h.Dump();
    EXPECT_EQ(h.journal.front(), "db.SetConnectionString");
}

// ---- The plan as data ----------------------------------------------------------------------------

TEST(ProvisioningPlan, StepsAndGuardsForOptionCombinations) {
    struct Case {
        const char* label;
        Product product;
        prov::ProvisioningOptions options;
        bool exists;
        std::vector<std::string> steps;
    };
    // Replacing: asked, what the run reads read, then the statements.
    auto with = [&](std::vector<std::string> reads, std::vector<std::string> tail) {
        std::vector<std::string> steps = {"SetMasterConnection", "Open", "CheckDatabaseName [Report CreationFailed]",
                                          "ConfirmReplace"};
        steps.insert(steps.end(), reads.begin(), reads.end());
        const std::vector<std::string> middle = {
            "Command [Report CreationFailed] ALTER DATABASE d SET SINGLE_USER WITH ROLLBACK IMMEDIATE",
            "Command [Report CreationFailed] DROP DATABASE d (on failure: ALTER DATABASE [d] SET MULTI_USER WITH "
            "ROLLBACK IMMEDIATE)",
            "Command [Report CreationFailed] CREATE DATABASE d",
            "Pause", "Close", "SetDatabaseConnection", "Open", "RunScript [Report TablesFailed] DBScript.inf"};
        steps.insert(steps.end(), middle.begin(), middle.end());
        steps.insert(steps.end(), tail.begin(), tail.end());
        return steps;
    };
    const std::vector<std::string> schemaAndDefault = {"ReadScript DBScript.inf", "ReadScript DBDefault.inf"};
    const std::string defaultData = "RunScript [Report DataFailed] DBDefault.inf";
    const Case cases[] = {
        {"new database, nothing else", Product::VelmoCafe, {}, false,
         {"SetMasterConnection", "Open", "CheckDatabaseName [Report CreationFailed]", "ReadScript DBScript.inf",
          "ReadScript DBDefault.inf", "Command [Report CreationFailed] CREATE DATABASE d", "Pause", "Close",
          "SetDatabaseConnection", "Open", "RunScript [Report TablesFailed] DBScript.inf", defaultData, "Close"}},
        {"replace, demo", Product::VelmoFact, {true, false, false}, true,
         with({"ReadScript DBScript.inf", "ReadScript DBDefault.inf", "ReadScript DBDemo.inf"},
              {defaultData, "RunScript [Report DemoFailed] DBDemo.inf", "Close"})},
        {"VelmoRest without cloud", Product::VelmoRest, {}, true,
         with({"ReadScript DBScript.inf", "ReadScript DBDefault.inf", "ReadVersion"}, {defaultData, "VersionRow", "Close"})},
        {"VelmoPos cloud recovery", Product::VelmoPos, {false, true, true}, true,
         with({"ReadScript DBScript.inf", "ReadVersion"}, {"FullSync [Silent]", "AskStoreNumber", "VersionRow", "Renumber", "Close"})},
        {"VelmoCafe with cloud left selected", Product::VelmoCafe, {false, true, false}, true,
         with(schemaAndDefault, {defaultData, "Renumber", "Close"})},
    };
    for (const Case& c : cases) {
        prov::ProvisioningInputs inputs;
        inputs.product = c.product;
        inputs.options = c.options;
        inputs.settings.database = "d";
        const prov::Plan plan = prov::BuildPlan(inputs, c.exists);
        std::vector<std::string> got;
        for (const prov::PlanStep& step : plan) got.push_back(prov::Describe(step));
        EXPECT_EQ(got, c.steps) << c.label << "\n" << prov::Describe(plan);
    }
}

}  // namespace
