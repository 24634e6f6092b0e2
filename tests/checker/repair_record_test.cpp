// The record of /corrigir's changes and the dialogue that writes it: every change recorded before
// it is made, a no changes and records nothing, /desfazer puts back what was done, newest first,
// and a record cut short or partly undone is read as it stands.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "checker/RepairRecord.h"
#include "checker/RepairRun.h"

namespace {

using namespace checker;

// The PC's settings and services as a map from "target|value" to its value; changes apply to it.
class FakePc : public RepairActions {
public:
    std::map<std::string, std::string> state;
    std::vector<std::string> made;         // Describe() of each change, in order
    const std::string* recordText = nullptr;  // to see that each change was recorded before it was made
    std::string failOn;                    // a target whose change fails half-way

    ActionResult Make(const Change& c) override {
        // The record's last line is this change's, whatever its number and time.
        std::string line = StartedLine(0, "", c);
        line = line.substr(line.find('\t', line.find('\t', 2) + 1));
        EXPECT_TRUE(recordText->size() >= line.size() && recordText->ends_with(line))
            << "not recorded before it was made: " << Describe(c);
        made.push_back(Describe(c));
        if (c.target == failOn) return {EntryStatus::Partly, "parado, não voltou a iniciar"};
        const std::string key = c.target + "|" + c.value;
        if (c.kind != ChangeKind::Start && c.kind != ChangeKind::Restart) {
            if (c.after) state[key] = *c.after; else state.erase(key);
        }
        return {EntryStatus::Done, c.after.value_or("")};
    }
    bool IsRunning(const std::string&) override { return true; }
    std::optional<int> ConnectedSessions() override { return 3; }
};

class Script : public RepairDialogue {
public:
    std::vector<std::string> answers;  // then the end of the input
    std::vector<std::string> questions;
    std::string output;
    void Write(std::string_view text) override { output += text; }
    std::optional<std::string> Ask(std::string_view question) override {
        questions.emplace_back(question);
        output += question;
        if (questions.size() > answers.size()) return std::nullopt;
        return answers[questions.size() - 1];
    }
};

class MemoryRecord : public RecordFile {
public:
    std::string text;
    bool writable = true;
    bool Append(std::string_view line) override {
        if (writable) text += line;
        return writable;
    }
    std::string Where() const override { return "C:\\ProgramData\\CriaBD\\VerificaBD-alteracoes.txt"; }
    std::string Now() const override { return "2026-12-10 05:40:00"; }
};

RepairPlan Plan() {
    RepairFacts f;
    f.serverOnThisPc = f.administrator = true;
    InstanceRepairFacts i;
    i.name = "SQLEXPRESS";
    i.key = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\MSSQL15.SQLEXPRESS";
    i.service = {"MSSQL$SQLEXPRESS", true, true, StartType::Automatic};
    i.tcpEnabled = false;
    i.loginMode = 1;
    i.program = "C:\\SQL\\sqlservr.exe";
    f.instance = i;
    f.browser = {"SQLBrowser", true, true, StartType::Automatic};
    f.login = {"PC\\SQLEXPRESS", "caixa", true, false, 15};
    f.browserRulePresent = true;
    return PlanRepairs(f);
}

struct Session {
    FakePc pc;
    Script script;
    MemoryRecord record;
    Session() { pc.recordText = &record.text; }
    RepairCounts Corrigir(bool yesToAll = false) {
        return MakeRepairs(Plan(), yesToAll, NextEntryNumber(ReadRecord(record.text)), pc, script, record);
    }
    RepairCounts Desfazer() {
        const RecordContents contents = ReadRecord(record.text);
        return UndoRepairs(UndoPlan(contents), true, NextEntryNumber(contents), pc, script, record);
    }
};

TEST(RepairDialogue, YesMakesEachChangeAfterRecordingItAndDesfazerPutsItBack) {
    Session run;
    const std::string key = "64:SOFTWARE\\Microsoft\\Microsoft SQL Server\\MSSQL15.SQLEXPRESS\\MSSQLServer";
    run.pc.state = {{key + "\\SuperSocketNetLib\\Tcp|Enabled", "0"}, {key + "|LoginMode", "1"},
                    {"caixa|", "0"}};
    const auto before = run.pc.state;
    run.script.answers = {"S", "s", "Sim", "S", "S", "S"};
    const RepairCounts counts = run.Corrigir();
    EXPECT_EQ(counts.made, 5) << run.script.output;
    EXPECT_EQ(run.script.questions, (std::vector<std::string>{"Corrigir? (S/N) ", "Corrigir? (S/N) ", "Reiniciar? (S/N) ",
                                                              "Corrigir? (S/N) ", "Os outros postos ligam-se a este servidor? (S/N) ",
                                                              "Corrigir? (S/N) "}));
    EXPECT_NE(run.script.output.find("sessões ligadas ao servidor agora: 3\n"), std::string::npos);
    EXPECT_NE(run.script.output.find("o serviço vai ser reiniciado: quem estiver ligado perde a ligação"),
              std::string::npos);
    EXPECT_EQ(run.pc.state.at("caixa|"), "1");

    run.Desfazer();
    EXPECT_EQ(run.pc.state, before) << run.script.output;
    // Newest first: the firewall rule, the login, then the settings and their one restart.
    const std::vector<std::string> undone(run.pc.made.begin() + 5, run.pc.made.end());
    ASSERT_EQ(undone.size(), 5u) << run.script.output;
    EXPECT_EQ(undone[0].rfind("firewall do Windows: remover a regra \"CriaBD - SQL Server (SQLEXPRESS)\"", 0), 0u);
    EXPECT_EQ(undone[1], "login caixa: de ativo para desativado (ALTER LOGIN [caixa] DISABLE)");
    EXPECT_EQ(undone[4], "serviço MSSQL$SQLEXPRESS: reiniciar (parar e iniciar, espera até 60 s)");
    EXPECT_TRUE(UndoPlan(ReadRecord(run.record.text)).empty()) << "all undone, its own changes never offered\n"
                                                               << run.record.text;
}

TEST(RepairDialogue, NoOrTheEndOfInputChangesAndRecordsNothing) {
    for (const std::vector<std::string>& answers : {std::vector<std::string>{"N", "n", "nao", "", "x", "N"},
                                                    std::vector<std::string>{}}) {
        Session run;
        run.script.answers = answers;
        const RepairCounts counts = run.Corrigir();
        EXPECT_EQ(counts.made, 0);
        EXPECT_TRUE(run.pc.made.empty());
        EXPECT_EQ(run.record.text, "");
        EXPECT_EQ(std::count(run.script.output.begin(), run.script.output.end(), '?'), 4)
            << "no restart asked for settings not made\n" << run.script.output;
    }
}

TEST(RepairDialogue, AHalfMadeChangeIsRecordedAndReportedAndAnUnwritableRecordStopsAll) {
    Session run;
    run.pc.failOn = "MSSQL$SQLEXPRESS";  // the restart stops the service and it does not come back
    const RepairCounts counts = run.Corrigir(true);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_NE(run.script.output.find("[FALHA] feito só em parte: serviço MSSQL$SQLEXPRESS: reiniciar"), std::string::npos)
        << run.script.output;
    EXPECT_NE(run.script.output.find("O que fazer: Para repor o que foi feito corra VerificaBD /desfazer"), std::string::npos);
    const RecordContents record = ReadRecord(run.record.text);
    ASSERT_EQ(record.entries.size(), 5u);
    EXPECT_EQ(record.entries[2].status, EntryStatus::Partly);
    EXPECT_EQ(record.entries[2].detail, "parado, não voltou a iniciar");
    EXPECT_EQ(record.entries[3].status, EntryStatus::Done) << "the other repairs go on";

    Session blocked;
    blocked.record.writable = false;
    blocked.Corrigir(true);
    EXPECT_TRUE(blocked.pc.made.empty());
    EXPECT_NE(blocked.script.output.find("não se escreve: nada mais foi alterado"), std::string::npos);
}

TEST(RepairRecord, ReadsWhatWasWrittenAndWhatWasCutShort) {
    const Change awkward{ChangeKind::RegistryText, "64:SOFTWARE\\Microsoft\\Microsoft SQL Server\\A\tB\nC", "TcpPort",
                         std::nullopt, "14\\33", "MSSQL$X"};
    const Change rule{ChangeKind::FirewallRule, "CriaBD - SQL Server (X)", "udp:1434", std::nullopt, "1", {}};
    const Change login{ChangeKind::RoleMember, "caixa", "dbcreator", "0", "1", {}, "PC\\SQLEXPRESS"};
    const Change start{ChangeKind::Start, "SQLBrowser", {}, "parado", "a correr", {}};
    std::string text = RecordHeader() + StartedLine(1, "t1", awkward) + OutcomeLine(1, "t1", EntryStatus::Done) +
                       StartedLine(2, "t2", rule) + OutcomeLine(2, "t2", EntryStatus::Done) +
                       StartedLine(3, "t3", start) + OutcomeLine(3, "t3", EntryStatus::Done) +
                       StartedLine(4, "t4", Inverse(rule), true) + OutcomeLine(4, "t4", EntryStatus::Done) +
                       OutcomeLine(2, "t4", EntryStatus::Undone) +
                       StartedLine(5, "t5", login) + OutcomeLine(5, "t5", EntryStatus::Failed, "acesso negado") +
                       StartedLine(6, "t6", awkward) +  // stopped after writing it: may have changed
                       "nonsense\n" + OutcomeLine(99, "t", EntryStatus::Done) +
                       StartedLine(7, "t7", rule).substr(0, 20);  // cut while written
    const RecordContents record = ReadRecord(text);
    EXPECT_TRUE(record.cutLastLine);
    EXPECT_EQ(record.unreadLines, 2);
    ASSERT_EQ(record.entries.size(), 6u);
    EXPECT_EQ(record.entries[0].change.target, awkward.target);
    EXPECT_EQ(record.entries[0].change.value, awkward.value);
    EXPECT_EQ(record.entries[0].change.before, std::nullopt);
    EXPECT_EQ(record.entries[0].change.after, "14\\33");
    EXPECT_EQ(record.entries[0].change.service, "MSSQL$X");
    EXPECT_EQ(record.entries[4].detail, "acesso negado");
    EXPECT_EQ(record.entries[4].change.server, "PC\\SQLEXPRESS");
    EXPECT_EQ(NextEntryNumber(record), 7);

    std::vector<int> offered;
    for (const RecordEntry& e : UndoPlan(record)) offered.push_back(e.number);
    EXPECT_EQ(offered, (std::vector<int>{6, 1})) << "newest first; not the undone rule, its putting back, the start "
                                                   "or the failed change";
    // A record whose last line was cut takes the next line on a line of its own.
    EXPECT_EQ(ReadRecord(text + "\n" + OutcomeLine(6, "t8", EntryStatus::Undone)).entries[5].status, EntryStatus::Undone);
}

// A record is a file other programs can write: /desfazer puts back only what /corrigir changes.
TEST(RepairRecord, AHandEditedRecordPutsBackOnlyWhatCorrigirChanges) {
    const std::string sql = "64:SOFTWARE\\Microsoft\\Microsoft SQL Server\\MSSQL15.X\\MSSQLServer";
    const Change changes[] = {
        {ChangeKind::RegistryNumber, sql, "LoginMode", "1", "2", "MSSQL$X"},                          // 1: its own
        {ChangeKind::RegistryNumber, "64:SYSTEM\\CurrentControlSet\\Services\\X", "Start", "4", "2", {}},
        {ChangeKind::RegistryText, sql, "ImagePath", "a", "b", {}},
        {ChangeKind::RegistryNumber, "64:SOFTWARE\\Microsoft\\Microsoft SQL Server\\..\\Run", "Enabled", "0", "1", {}},
        {ChangeKind::StartType, "WinDefend", {}, "4", "2", {}},
        {ChangeKind::StartType, "SQLBrowser", {}, "4", "0", {}},
        {ChangeKind::RoleMember, "caixa", "sysadmin", "0", "1", {}},
        {ChangeKind::FirewallRule, "Outra regra", "udp:53", std::nullopt, "1", {}},
        {ChangeKind::FirewallRule, "CriaBD - SQL Server Browser (UDP 1434)", "udp:1434", std::nullopt, "1", {}},  // 9
    };
    std::string text;
    int number = 0;
    for (const Change& c : changes) {
        ++number;
        text += StartedLine(number, "t", c) + OutcomeLine(number, "t", EntryStatus::Done);
    }
    std::vector<int> offered;
    for (const RecordEntry& e : UndoPlan(ReadRecord(text))) offered.push_back(e.number);
    EXPECT_EQ(offered, (std::vector<int>{9, 1}));
}

}  // namespace
