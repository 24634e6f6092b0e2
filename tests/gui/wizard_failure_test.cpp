// What the wizard's window does when an installation cannot go through: every guarded failure
// and the refusal bring the review page back with both buttons enabled, from which a second run
// (after the user has put things right where needed) installs the database; an unguarded failure
// ends in the application's default report and leaves the wizard on the progress page, where only
// "Sair" still acts.

#include "WizardFlow.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace flow;

struct BoxAnswer {
    BoxSpec box;
    int answer;
};

class WizardFailure : public WizardFlowTest {
protected:
    // Answers the boxes of one run in order; each must appear while the progress page shows with
    // both buttons disabled.
    void AnswerRun(const std::vector<BoxAnswer>& boxes) {
        for (const BoxAnswer& b : boxes) {
            SCOPED_TRACE(gui::Cp1252ToUtf8(b.box.caption + ": " + b.box.text));
            const MessageBoxWindow box = ExpectBox(b.box);
            const Snapshot s = Now();  // the wizard answers inside its modal box
            EXPECT_EQ(PageOf(s), kProgressPage);
            EXPECT_FALSE(s.Enabled(kSeguinte));
            EXPECT_FALSE(s.Enabled(kAnterior));
            // The animation runs while the box is open, except for the server's warning, before
            // which it is stopped.
            MoveAside(box);
            if (b.box.caption == "Aviso") {
                EXPECT_TRUE(ProgressBarStill(s)) << "the animation is stopped before the warning";
            } else {
                EXPECT_TRUE(ProgressBarRuns(s)) << "the animation runs while the box is open";
            }
            box.Answer(b.answer);
            gui::WaitFor([&] { return !box.IsOpen(); }, "the box to close");
        }
    }
};

struct FailureCase {
    const char* name;
    std::string scenario;
    bool closedPort;            // the first run names a port nobody listens on
    std::string firstPassword;  // the first run's password
    bool demo;
    std::vector<BoxAnswer> firstRun;
    bool fixEntries;  // before the second run: back to the server page, right server and password
    std::vector<BoxAnswer> secondRun;
    std::string survivor;  // a table of the old database that the first run must leave in place
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

std::string Rule(const std::string& match, int number) {
    return R"j({"rules": [{"match": ")j" + match + R"j(", "number": )j" + std::to_string(number) +
           R"j(, "message": "Injected.", "class": 16, "times": 1}]})j";
}

const BoxAnswer kConfirmOk{{"Confirmação", kConfirmReplace, {IDOK, IDCANCEL}, MB_ICONQUESTION, IDCANCEL}, IDOK};
const BoxAnswer kConfirmCancel{{"Confirmação", kConfirmReplace, {IDOK, IDCANCEL}, MB_ICONQUESTION, IDCANCEL}, IDCANCEL};
const BoxAnswer kUnreachableOk{ErrorBox("Aviso", kUnreachable), IDOK};

const FailureCase kFailures[] = {
    {"NothingListens", "{}", true, kPassword, false, {kUnreachableOk}, true, {}, ""},
    {"WrongPassword", "{}", false, "errada", false, {kUnreachableOk}, true, {}, ""},
    {"ReplacementCancelled",
     R"j({"databases": ["velmopos_5_2"], "setup": [{"database": "velmopos_5_2", "sql": "CREATE TABLE antiga (n int)"}]})j",
     false, kPassword, false, {kConfirmCancel}, false, {kConfirmOk}, "antiga"},
    {"CreateFails", Rule("^CREATE DATABASE", 1802), false, kPassword, false,
     {{ErrorBox("Erro", kCreationFailed), IDOK}}, false, {}, ""},
    {"SchemaScriptFails", Rule("CREATE TABLE familias", 2714), false, kPassword, false,
     {{ErrorBox("Erro", kTablesFailed), IDOK}}, false, {kConfirmOk}, ""},
    {"DefaultDataFail", Rule("INSERT INTO familias", 547), false, kPassword, false,
     {{ErrorBox("Erro", kDataFailed), IDOK}}, false, {kConfirmOk}, ""},
    {"DemonstrationDataFail", Rule("INSERT INTO produtos", 8152), false, kPassword, true,
     {{ErrorBox("Erro", kDemoFailed), IDOK}}, false, {kConfirmOk}, ""},
};

class FailedRun : public WizardFailure, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailedRun, ReturnsToTheReviewPageAndASecondRunInstalls) {
    const FailureCase& c = GetParam();
    sqltest::Instance server(c.scenario);
    const std::string firstServer = c.closedPort ? "127.0.0.1," + std::to_string(ClosedPort()) : server.Server();
    Start();
    ToReviewPage("VelmoPos", {.servidor = firstServer, .instancia = "", .utilizador = "sa", .password = c.firstPassword});
    if (c.demo) SetChecked(kDemo, true);
    // Coming back to the review page from the progress page does not write the data link file:
    // removed here, it must still be absent then.
    ASSERT_TRUE(std::filesystem::remove(WizardFile(L"VelmoPos.udl")));

    Next();
    AnswerRun(c.firstRun);
    Snapshot s = ReadPage(kReviewPage, kRunTimeout);
    EXPECT_TRUE(s.Enabled(kSeguinte));
    EXPECT_TRUE(s.Enabled(kAnterior));
    EXPECT_EQ(s.Checked(kDemo), c.demo) << "the options are kept";
    EXPECT_FALSE(std::filesystem::exists(WizardFile(L"VelmoPos.udl"))) << "not written on the way back";
    if (!c.survivor.empty()) {
        EXPECT_FALSE(server.State()["velmopos_5_2"]["tables"][c.survivor].IsNull())
            << "a refused replacement leaves the old database alone";
    }
    if (c.closedPort || c.firstPassword != kPassword) {
        EXPECT_EQ(ServerView(server).Find("CREATE DATABASE"), -1);
    }

    if (c.fixEntries) {
        Back();
        WaitForPage(kServerPage);
        UseServer(server);
        Next();
        WaitForPage(kReviewPage);
        EXPECT_EQ(Udl(L"VelmoPos"), UdlBytes(server.Server(), "sa", kPassword, "velmopos_5_2"))
            << "written again on the way forward";
    }
    Next();
    AnswerRun(c.secondRun);
    s = ReadPage(kFinalPage, kRunTimeout);
    EXPECT_FALSE(s.Enabled(kSeguinte));
    EXPECT_FALSE(s.Enabled(kAnterior));
    EXPECT_GT(server.Scalar("velmopos_5_2", "SELECT COUNT(*) FROM familias"), 0);
    EXPECT_EQ(server.Scalar("velmopos_5_2", "SELECT COUNT(*) FROM produtos") > 0, c.demo);
    if (!c.survivor.empty()) {
        EXPECT_TRUE(server.State()["velmopos_5_2"]["tables"][c.survivor].IsNull()) << "replaced the second time";
    }
    const auto [opened, closed] = ConnectionsOpenedAndClosed(server);
    EXPECT_EQ(opened, closed);
}

INSTANTIATE_TEST_SUITE_P(EveryExit, FailedRun, testing::ValuesIn(kFailures),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// The system's text for an error code, as the wizard's file-open error quotes it.
std::string SystemText(DWORD error) {
    char buffer[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
    return text;
}

std::set<std::wstring> FileNames(const std::filesystem::path& folder) {
    std::set<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().wstring());
    return names;
}

// A step without a guard of its own fails: the application's default report (caption the
// application's title, the error's text, OK, error icon), and the wizard stays on the progress
// page with both buttons disabled and the bar running; clicks on them do nothing; Sair ends it.
TEST_F(WizardFailure, AnUnguardedFailureLeavesOnlySair) {
    struct Case {
        const char* name;
        const wchar_t* missing;  // the file taken from the wizard's folder before the run
        const char* product;
        bool demo;
        std::function<std::string()> report;
    };
    const auto cannotOpen = [this](const wchar_t* file) {
        return "Cannot open file \"" + WizardFile(file).string() + "\". " + SystemText(ERROR_FILE_NOT_FOUND) + ".";
    };
    const Case cases[] = {
        {"schema script missing", L"DBScript.inf", "VelmoPos", false, [&] { return cannotOpen(L"DBScript.inf"); }},
        {"default-data script missing", L"DBDefault.inf", "VelmoFact", false,
         [&] { return cannotOpen(L"DBDefault.inf"); }},
        {"demonstration script missing", L"DBDemo.inf", "VelmoCafe", true, [&] { return cannotOpen(L"DBDemo.inf"); }},
        {"VelmoRest's executable missing (its version row needs it)", L"VelmoRest.exe", "VelmoRest", false,
         [this] { return "Cannot read the version information of \"" + WizardFile(L"VelmoRest.exe").string() + "\""; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sqltest::Instance server;
        Start();
        std::filesystem::remove(WizardFile(c.missing));
        ToReviewPage(c.product, {.servidor = server.Server(), .instancia = "", .utilizador = "sa", .password = kPassword});
        if (c.demo) SetChecked(kDemo, true);
        Next();
        Answer(ErrorBox("Criabd", c.report()), IDOK);

        const Snapshot s = WaitFor([](const Snapshot& now) { return PageOf(now) == kProgressPage; }, "the progress page");
        EXPECT_FALSE(s.Enabled(kSeguinte));
        EXPECT_FALSE(s.Enabled(kAnterior));
        EXPECT_TRUE(ProgressBarRuns(s)) << "the animation is still on";
        // Real clicks, as a user's: the disabled buttons do nothing.
        for (const Named* button : {&kSeguinte, &kAnterior}) {
            gui::RealClick(app->MainWindow(), s.Get(*button).Center());
            app->Settle();
            EXPECT_FALSE(app->FindMessageBox()) << button->name;
            EXPECT_EQ(PageOf(Now()), kProgressPage) << button->name;
        }
        gui::RealClick(app->MainWindow(), s.Get(kSair).Center());
        EXPECT_EQ(app->WaitForExit(), 0u);
        // The wizard restored for the next case.
        folder_.CopyMatching({L"*.inf", L"VelmoRest.exe"});
    }
}

// Issue 18: what the run needs from files is read before anything that changes the server. With
// an existing database confirmed for replacement, a missing DBDemo.inf (demonstration data asked
// for), or a product executable without the version information that the version row of a cloud
// installation needs, used to cost the old database; now the same report comes with no ALTER,
// DROP or CREATE sent, and the old database stays.
TEST_F(WizardFailure, WhatTheRunNeedsFromFilesIsReadBeforeTheServerChanges) {
    struct Case {
        const char* name;
        const wchar_t* file;  // taken away, or (the executable) left without version information
        const Named* option;
        std::function<std::string()> report;
    };
    const Case cases[] = {
        {"demonstration script missing", L"DBDemo.inf", &kDemo,
         [this] {
             return "Cannot open file \"" + WizardFile(L"DBDemo.inf").string() + "\". " +
                    SystemText(ERROR_FILE_NOT_FOUND) + ".";
         }},
        {"executable without version information, cloud", L"VelmoPos.exe", &kCloud,
         [this] { return "Cannot read the version information of \"" + WizardFile(L"VelmoPos.exe").string() + "\""; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sqltest::Instance server(
            R"j({"databases": ["velmopos_5_2"], "setup": [{"database": "velmopos_5_2", "sql": "CREATE TABLE antiga (n int)"}]})j");
        Start();
        if (std::wstring_view(c.file).ends_with(L".exe")) {
            std::ofstream(WizardFile(c.file), std::ios::binary | std::ios::trunc) << "MZ, but no program";
        } else {
            std::filesystem::remove(WizardFile(c.file));
        }
        ToReviewPage("VelmoPos", {.servidor = server.Server(), .instancia = "", .basedados = "velmopos_5_2",
                                  .utilizador = "sa", .password = kPassword});
        SetChecked(*c.option, true);
        Next();
        Answer(kConfirmOk.box, IDOK);
        Answer(ErrorBox("Criabd", c.report()), IDOK);
        EXPECT_EQ(PageOf(WaitFor([](const Snapshot& now) { return !now.Enabled(kSeguinte); }, "the progress page")),
                  kProgressPage);
        const ServerView seen(server);
        for (const char* statement : {"ALTER DATABASE", "DROP DATABASE", "CREATE DATABASE"})
            EXPECT_EQ(seen.Find(statement), -1) << statement << " was sent";
        EXPECT_FALSE(server.State()["velmopos_5_2"]["tables"]["antiga"].IsNull()) << "the old database is left alone";
        gui::RealClick(app->MainWindow(), Now().Get(kSair).Center());
        EXPECT_EQ(app->WaitForExit(), 0u);
        folder_.CopyMatching({L"*.inf", L"VelmoPos.exe"});  // the wizard's folder restored for the next case
    }
}

// Issue 18: a DROP refused after SET SINGLE_USER succeeded no longer leaves the database
// single-user (the product could not work): SET MULTI_USER is sent before the creation message,
// with a termination clause (without one it would wait on whoever holds the database, and the
// window with it).
TEST_F(WizardFailure, ARefusedDropGivesTheDatabaseBackToEveryUser) {
    sqltest::Instance server(R"j({"databases": ["velmopos_5_2"], "rules": [{"match": "^DROP DATABASE", "number": 3702,
        "message": "Cannot drop database \"velmopos_5_2\" because it is currently in use.", "class": 16, "times": 1}]})j");
    Start();
    ToReviewPage("VelmoPos", {.servidor = server.Server(), .instancia = "", .utilizador = "sa", .password = kPassword});
    Next();
    Answer(kConfirmOk.box, IDOK);
    Answer(ErrorBox("Erro", kCreationFailed), IDOK);
    WaitForPage(kReviewPage, kRunTimeout);
    const ServerView seen(server);
    const int drop = seen.Find("DROP DATABASE velmopos_5_2");
    ASSERT_GE(drop, 0);
    EXPECT_EQ(seen.Find("ALTER DATABASE [velmopos_5_2] SET MULTI_USER WITH ROLLBACK IMMEDIATE", drop), drop + 1)
        << "right after the DROP";
    const sqltest::Json singleUser = server.State()["velmopos_5_2"]["single_user"];
    ASSERT_EQ(singleUser.kind, sqltest::Json::Kind::Bool);
    EXPECT_FALSE(singleUser.boolean) << "back to every user";
    EXPECT_EQ(seen.Find("CREATE DATABASE"), -1);
}

// Issue 18: a data link file that cannot be written is no longer silent: a warning names the file
// and the system's reason, then the review page follows and the installation can go on. The old
// file stays byte for byte: here another program reads it, letting others write and delete it,
// so that deleting it before writing its replacement would succeed and lose it once that program
// closes it, the replacement failing meanwhile. The file is replaced by a new one moved over it,
// which the system refuses while the old one is open.
TEST_F(WizardFailure, AnUnwritableDataLinkFileIsWarnedAboutAndKeptAsItWas) {
    sqltest::Instance server;
    Start();
    const std::filesystem::path udl = WizardFile(L"VelmoPos.udl");
    const std::string old = UdlBytes("LOJA\\MARLOVEXSQL", "sa", "antiga", "velmopos_5_1");
    std::ofstream(udl, std::ios::binary | std::ios::trunc) << old;
    HANDLE holder = CreateFileW(udl.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::set<std::wstring> staged = FileNames(udl.parent_path());
    ChooseProduct("VelmoPos");
    SetServerPage({.servidor = server.Server(), .instancia = "", .utilizador = "sa", .password = kPassword});
    Next();
    Answer({"Aviso",
            "N\xE3o foi poss\xEDvel gravar o ficheiro de liga\xE7\xE3o \"" + udl.string() + "\":\n" +
                SystemText(ERROR_ACCESS_DENIED) + ".\nO programa n\xE3o poder\xE1 ligar-se \xE0 base de dados sem ele.",
            {IDOK}, MB_ICONWARNING},
           IDOK, gui::kTimeout);
    CloseHandle(holder);
    const Snapshot s = ReadPage(kReviewPage);
    EXPECT_TRUE(s.Enabled(kAnterior));
    EXPECT_TRUE(s.Enabled(kSeguinte));
    EXPECT_EQ(Hex(FileBytes(udl)), Hex(old));
    EXPECT_EQ(FileNames(udl.parent_path()), staged) << "nothing left beside it";
    Next();
    WaitForPage(kFinalPage, kRunTimeout);
}

}  // namespace
