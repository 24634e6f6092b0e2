// /corrigir's plan from the facts of the server on this PC: which repairs, in what order, one
// restart for every setting that needs it, and nothing where it must not touch anything.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/Repairs.h"

namespace {

using namespace checker;

const std::string kKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\MSSQL15.SQLEXPRESS";

// The server's PC as most shops have it after the installer: all well, nothing to repair.
RepairFacts Healthy() {
    RepairFacts f;
    f.serverOnThisPc = true;
    f.administrator = true;
    InstanceRepairFacts i;
    i.name = "SQLEXPRESS";
    i.key = kKey;
    i.service = {"MSSQL$SQLEXPRESS", true, true, StartType::Automatic};
    i.tcpEnabled = true;
    i.loginMode = 2;
    i.tcpPort = "";
    i.tcpDynamicPorts = "49712";
    i.program = "C:\\SQL\\Binn\\sqlservr.exe";
    f.instance = i;
    f.browser = {"SQLBrowser", true, true, StartType::Automatic};
    f.login.name = "caixa";
    f.programRulePresent = f.browserRulePresent = true;
    return f;
}

// One line per change: "repair#: kind target value before>after [service]"; '!' marks the restart.
std::string Dump(const RepairPlan& plan) {
    static const char* const kKinds[] = {"arranque", "iniciar", "reiniciar", "num", "texto", "login", "funcao", "firewall"};
    std::string text;
    for (std::size_t r = 0; r < plan.repairs.size(); ++r) {
        for (const Change& c : plan.repairs[r].changes) {
            text += std::to_string(r) + (plan.repairs[r].restartForChanges ? "!" : "") + ": " +
                    kKinds[static_cast<int>(c.kind)] + " " + c.target + (c.value.empty() ? "" : " " + c.value) + " " +
                    c.before.value_or("-") + ">" + c.after.value_or("-") + (c.service.empty() ? "" : " [" + c.service + "]") + "\n";
        }
    }
    return text;
}

TEST(RepairPlan, EachFindingItsRepairInOrderWithOneRestart) {
    struct Case {
        const char* label;
        void (*change)(RepairFacts&);
        std::string plan;
    };
    const std::string tcp = "64:" + kKey + "\\MSSQLServer\\SuperSocketNetLib\\Tcp";
    const std::string mode = "64:" + kKey + "\\MSSQLServer";
    const Case cases[] = {
        {"nothing to repair", [](RepairFacts&) {}, ""},
        {"TCP/IP and Windows authentication on a running server: one restart after both",
         [](RepairFacts& f) {
             f.instance->tcpEnabled = false;
             f.instance->loginMode = 1;
         },
         "0: num " + tcp + " Enabled 0>1 [MSSQL$SQLEXPRESS]\n1: num " + mode + " LoginMode 1>2 [MSSQL$SQLEXPRESS]\n"
         "2!: reiniciar MSSQL$SQLEXPRESS a correr>a correr\n"},
        {"a disabled, stopped server: start type first, its start after the settings, no restart",
         [](RepairFacts& f) {
             f.instance->service.running = false;
             f.instance->service.startType = StartType::Disabled;
             f.instance->loginMode = 1;
         },
         "0: arranque MSSQL$SQLEXPRESS 4>2\n1: num " + mode + " LoginMode 1>2 [MSSQL$SQLEXPRESS]\n"
         "2: iniciar MSSQL$SQLEXPRESS parado>a correr\n"},
        {"a stopped Browser on manual, the login, the firewall (asked)",
         [](RepairFacts& f) {
             f.browser = {"SQLBrowser", true, false, StartType::Manual};
             f.login.disabled = f.login.cannotCreate = true;
             f.programRulePresent = f.browserRulePresent = false;
         },
         "0: arranque SQLBrowser 3>2\n0: iniciar SQLBrowser parado>a correr\n1: login caixa 0>1\n"
         "2: funcao caixa dbcreator 0>1\n"
         "3: firewall CriaBD - SQL Server (SQLEXPRESS) programa:C:\\SQL\\Binn\\sqlservr.exe ->1\n"
         "3: firewall CriaBD - SQL Server Browser (UDP 1434) udp:1434 ->1\n"},
        {"the default instance needs no Browser nor UDP 1434",
         [](RepairFacts& f) {
             f.instance->name = "MSSQLSERVER";
             f.browser.running = false;
             f.browserRulePresent = false;
         },
         ""},
        {"a free /porta: the fixed port set, the dynamic one emptied, then the restart",
         [](RepairFacts& f) { f.wantedPort = 1433; },
         "0: texto " + tcp + "\\IPAll TcpPort >1433 [MSSQL$SQLEXPRESS]\n0: texto " + tcp +
             "\\IPAll TcpDynamicPorts 49712> [MSSQL$SQLEXPRESS]\n1!: reiniciar MSSQL$SQLEXPRESS a correr>a correr\n"},
        {"/porta of the instance's own dynamic port, which it listens on",
         [](RepairFacts& f) {
             f.wantedPort = 49712;
             f.wantedPortListening = true;
         },
         "0: texto " + tcp + "\\IPAll TcpPort >49712 [MSSQL$SQLEXPRESS]\n0: texto " + tcp +
             "\\IPAll TcpDynamicPorts 49712> [MSSQL$SQLEXPRESS]\n1!: reiniciar MSSQL$SQLEXPRESS a correr>a correr\n"},
        {"/porta held by another instance", [](RepairFacts& f) {
             f.wantedPort = 1433;
             f.otherInstancesPorts = {"1433"};
         }, ""},
        {"/porta where another program listens", [](RepairFacts& f) {
             f.wantedPort = 1500;
             f.wantedPortListening = true;
         }, ""},
        {"an instance in the 32-bit view is changed there", [](RepairFacts& f) {
             f.instance->view = RegistryView::Bits32;
             f.instance->tcpEnabled = false;
         }, "0: num 32:" + kKey + "\\MSSQLServer\\SuperSocketNetLib\\Tcp Enabled 0>1 [MSSQL$SQLEXPRESS]\n"
            "1!: reiniciar MSSQL$SQLEXPRESS a correr>a correr\n"},
    };
    for (const Case& c : cases) {
        RepairFacts facts = Healthy();
        c.change(facts);
        const RepairPlan plan = PlanRepairs(facts);
        EXPECT_EQ(plan.refusal, RepairPlan::Refusal::None) << c.label;
        EXPECT_EQ(Dump(plan), c.plan) << c.label;
    }
}

TEST(RepairPlan, BusyPortsAndTheFirewallAreAskedOrNoted) {
    RepairFacts facts = Healthy();
    facts.wantedPort = 1433;
    facts.otherInstancesPorts = {"1433"};
    facts.programRulePresent = false;
    RepairPlan plan = PlanRepairs(facts);
    ASSERT_EQ(plan.notes.size(), 1u);
    EXPECT_EQ(FormatFinding(plan.notes[0]).rfind("[FALHA] a porta 1433 é de outra instância", 0), 0u);
    ASSERT_EQ(plan.repairs.size(), 1u);
    EXPECT_EQ(plan.repairs[0].askFirst, "Os outros postos ligam-se a este servidor?");

    facts = Healthy();
    facts.wantedPort = 49712;
    facts.instance->tcpPort = "49712";
    facts.instance->tcpDynamicPorts = "";
    plan = PlanRepairs(facts);
    EXPECT_TRUE(plan.repairs.empty());
    ASSERT_EQ(plan.notes.size(), 1u);
    EXPECT_EQ(plan.notes[0].level, Level::Ok);
}

// Nothing against another PC's server, an instance not here, or without administrator rights.
TEST(RepairPlan, RefusedWhereItMustNotChangeAnything) {
    RepairFacts facts = Healthy();
    facts.instance->tcpEnabled = false;
    facts.serverOnThisPc = false;
    EXPECT_EQ(PlanRepairs(facts).refusal, RepairPlan::Refusal::OtherComputer);
    EXPECT_TRUE(PlanRepairs(facts).repairs.empty());
    facts.serverOnThisPc = true;
    facts.administrator = false;
    const RepairPlan refused = PlanRepairs(facts);
    EXPECT_EQ(refused.refusal, RepairPlan::Refusal::NotAdministrator);
    EXPECT_FALSE(refused.repairs.empty()) << "what would be done is still listed";
    facts.instance->tcpEnabled = true;
    EXPECT_EQ(PlanRepairs(facts).refusal, RepairPlan::Refusal::None) << "nothing to repair needs no rights";
    facts.instance.reset();
    EXPECT_EQ(PlanRepairs(facts).refusal, RepairPlan::Refusal::NotInstalledHere);
}

TEST(RepairPlan, AnswersStatementsAndCommandLines) {
    for (const char* yes : {"S", "s", "Sim", "sim", " S\r\n", "SIM"}) EXPECT_TRUE(SaysYes(std::string_view(yes))) << yes;
    for (const char* no : {"", "N", "n", "nao", "y", "yes", "Sim!", "S S", "ss"}) EXPECT_FALSE(SaysYes(std::string_view(no))) << no;
    EXPECT_FALSE(SaysYes(std::nullopt)) << "the end of the input says no";

    const Change enable{ChangeKind::LoginEnabled, "ca]ixa'; DROP", {}, "0", "1", {}};
    EXPECT_EQ(LoginStatement(enable, 15), "ALTER LOGIN [ca]]ixa'; DROP] ENABLE");
    EXPECT_EQ(LoginStatement(Inverse(enable), 15), "ALTER LOGIN [ca]]ixa'; DROP] DISABLE");
    const Change role{ChangeKind::RoleMember, "o'neil]", "dbcreator", "0", "1", {}};
    EXPECT_EQ(LoginStatement(role, 15), "ALTER SERVER ROLE [dbcreator] ADD MEMBER [o'neil]]]");
    EXPECT_EQ(LoginStatement(Inverse(role), 0), "ALTER SERVER ROLE [dbcreator] DROP MEMBER [o'neil]]]");
    EXPECT_EQ(LoginStatement(role, 10), "EXEC sp_addsrvrolemember N'o''neil]', N'dbcreator'");

    EXPECT_EQ(ProgramOfCommandLine("\"C:\\Program Files\\SQL\\sqlservr.exe\" -sSQLEXPRESS"),
              "C:\\Program Files\\SQL\\sqlservr.exe");
    EXPECT_EQ(ProgramOfCommandLine("C:\\SQL\\sqlservr.exe -sSQLEXPRESS"), "C:\\SQL\\sqlservr.exe");
}

}  // namespace
