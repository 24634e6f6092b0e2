#include "checker/win/RepairCommand.h"

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include <chrono>

#include "base/win/AnsiText.h"
#include "checker/LocalServer.h"
#include "checker/ServerName.h"
#include "checker/win/Firewall.h"
#include "checker/win/LocalServerFacts.h"
#include "checker/win/Network.h"
#include "checker/win/RecordOnDisk.h"
#include "checker/win/SystemRepairs.h"
#include "checker/win/SystemSettings.h"

namespace checker {
namespace {

constexpr std::chrono::milliseconds kAnswerWait{60000};

// COM for the firewall's interfaces in the multithreaded apartment: the firewall's objects live
// in either, and a single-threaded one makes a window for its messages (under Wine that starts
// the desktop's process: 0.3 s).
constexpr DWORD kFirewallApartment = COINIT_MULTITHREADED;

// The addressed instance's facts, read again (a value absent differs from an empty one for the
// record) in the registry's view the check found it in.
InstanceRepairFacts ReadInstance(const InstalledInstance& found, const ServiceReader& services) {
    InstanceRepairFacts instance;
    instance.name = found.name;
    instance.key = std::string(kServerRegistryKey) + "\\" + found.id;
    instance.view = found.view;
    const std::string server = instance.key + "\\MSSQLServer";
    instance.loginMode = RegistryKey(instance.view, server).Number("LoginMode");
    if (const std::optional<DWORD> enabled = RegistryKey(instance.view, server + "\\SuperSocketNetLib\\Tcp").Number("Enabled"))
        instance.tcpEnabled = *enabled != 0;
    const RegistryKey all(instance.view, server + "\\SuperSocketNetLib\\Tcp\\IPAll");
    instance.tcpPort = all.Text("TcpPort");
    instance.tcpDynamicPorts = all.Text("TcpDynamicPorts");
    instance.service = services.Read(ServiceNameOf(found));
    instance.program = services.Program(instance.service.name);
    return instance;
}

RepairFacts ReadFacts(const RepairRequest& request, Firewall& firewall, bool administrator) {
    RepairFacts facts;
    facts.administrator = administrator;
    facts.login = request.login;
    facts.wantedPort = request.port;
    const std::optional<ServerAddress> address = ParseServer(request.login.server);
    if (!address) return facts;
    facts.serverOnThisPc = request.local != nullptr ||
                           NamesThisComputer(address->host, ThisComputerName(), ThisComputerAddresses());
    if (!facts.serverOnThisPc) return facts;
    const LocalServerFacts local = request.local ? *request.local : ReadLocalServerFacts();
    const InstalledInstance* found = InstanceAddressed(local, *address);
    if (!found) return facts;
    const ServiceReader services;
    facts.instance = ReadInstance(*found, services);
    for (const InstalledInstance& other : local.instances) {
        if (&other == found) continue;
        for (const std::string& port : {other.tcpPort, other.tcpDynamicPort})
            if (!port.empty()) facts.otherInstancesPorts.push_back(port);
    }
    facts.browser = services.Read("SQLBrowser");
    if (request.port)
        facts.wantedPortListening =
            TryTcp("127.0.0.1", *request.port, std::chrono::milliseconds(1000)).outcome == TcpProbe::Outcome::Accepted;
    // A firewall that cannot be read has no rules: its repair is offered, and says why it fails.
    facts.programRulePresent = firewall.HasRule(ProgramRuleName(found->name)).value_or(false);
    facts.browserRulePresent = firewall.HasRule(BrowserRuleName()).value_or(false);
    return facts;
}

void Report(RepairDialogue& dialogue, const std::vector<Finding>& findings) {
    for (const Finding& f : findings) dialogue.Write(FormatFinding(f));
}

// The record as it stands; nullopt (and said why) when it cannot be read: without it nothing is
// changed, for a change it does not list could not be undone.
std::optional<RecordContents> ReadExistingRecord(const RecordOnDisk& record, RepairDialogue& dialogue) {
    std::string error;
    const std::string text = record.Read(error);
    if (!error.empty()) {
        Report(dialogue, {Failure("o registo das alterações (" + record.Where() + ") não se lê: nada foi alterado (" +
                                      error + ")",
                                  "Corra o VerificaBD como administrador; feche o programa que tem o ficheiro aberto.")});
        return std::nullopt;
    }
    RecordContents contents = ReadRecord(text);
    if (contents.cutLastLine)
        Report(dialogue, {Warning("a última linha do registo ficou a meio (o programa parou ao escrevê-la): a "
                                  "alteração dela não chegou a ser feita",
                                  "Nada a fazer: a linha é ignorada.")});
    return contents;
}

}  // namespace

bool RunsAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    // The effective token: under User Account Control a program not run "as administrator" has
    // the group for denying only, and is not a member.
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

std::optional<std::string> ConsoleDialogue::Ask(std::string_view question) {
    console_.Write(question);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(in, &mode)) {
        wchar_t buffer[256];
        DWORD read = 0;
        if (!ReadConsoleW(in, buffer, 255, &read, nullptr) || read == 0) return std::nullopt;
        std::wstring wide(buffer, read);
        while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n')) wide.pop_back();
        return base::Narrow(wide);
    }
    // Redirected: one line, echoed into the report. A pipe that stays open with nothing in it
    // answers nothing: after kAnswerWait it is taken as the end of the input.
    const std::optional<std::string> line = console_.ReadInputLine(kAnswerWait);
    console_.Write(line ? *line + "\n" : std::string("(fim da entrada)\n"));
    return line;
}

RepairOutcome Corrigir(const RepairRequest& request, Console& console, RepairDialogue& dialogue,
                       AdministratorCheck administrator) {
    dialogue.Write(FormatHeading("Corrigir (/corrigir)"));
    if (request.login.server.empty()) {
        Report(dialogue, {Warning("nenhum servidor para corrigir: nada foi alterado",
                                  "Dê /servidor NOME[\\INSTANCIA] com /corrigir, ou corra-o na pasta do .udl.")});
        return {};
    }
    const ComApartment com(kFirewallApartment);
    Firewall firewall;
    const RepairPlan plan = PlanRepairs(ReadFacts(request, firewall, administrator()));
    if (plan.refusal != RepairPlan::Refusal::None) {
        const RefusalReport refused = DescribeRefusal(plan, request.login.server);
        Report(dialogue, refused.findings);
        return {refused.exitCode != 0 ? std::optional<int>(refused.exitCode) : std::nullopt, false};
    }
    RecordOnDisk record;
    const std::optional<RecordContents> existing = plan.repairs.empty() ? RecordContents{} : ReadExistingRecord(record, dialogue);
    if (!existing) return {kExitFailed, false};
    SystemRepairs actions(request.login.server, dialogue, console, firewall);
    const RepairCounts counts = MakeRepairs(plan, request.yesToAll, NextEntryNumber(*existing), actions, dialogue, record);
    return {std::nullopt, counts.made + counts.failed > 0};
}

RepairOutcome Desfazer(const RepairRequest& request, Console& console, RepairDialogue& dialogue,
                       AdministratorCheck administrator) {
    dialogue.Write(FormatHeading("Desfazer (/desfazer)"));
    RecordOnDisk record;
    const std::optional<RecordContents> existing = ReadExistingRecord(record, dialogue);
    if (!existing) return {kExitFailed, false};
    const std::vector<RecordEntry> plan = UndoPlan(*existing);
    if (!plan.empty() && !administrator()) {
        Report(dialogue, {Failure("sem direitos de administrador: nada foi desfeito",
                                  "Clique com o botão direito em \"Linha de comandos\" (ou no VerificaBD.exe), escolha "
                                  "\"Executar como administrador\" e corra de novo VerificaBD /desfazer.")});
        return {2, false};
    }
    const ComApartment com(kFirewallApartment);
    Firewall firewall;
    SystemRepairs actions(request.login.server, dialogue, console, firewall);
    const RepairCounts counts = UndoRepairs(plan, request.yesToAll, NextEntryNumber(*existing), actions, dialogue, record);
    return {std::nullopt, counts.made + counts.failed > 0};
}

}  // namespace checker
