#include "checker/Repairs.h"

#include <algorithm>

#include "base/Text.h"

namespace checker {
namespace {

const char* const kAfterRestart = "conta depois de reiniciar o servi\xE7o (perguntado no fim)";
const char* const kOnStart = "conta quando o servi\xE7o iniciar (perguntado a seguir)";

std::string Number(StartType type) { return std::to_string(static_cast<int>(type)); }

std::string StartTypeName(std::string_view number) {
    if (number == "2") return "Autom\xE1tico";
    if (number == "3") return "Manual";
    if (number == "4") return "Desativado";
    return "desconhecido (" + std::string(number) + ")";
}

std::string ValueText(const std::optional<std::string>& value) {
    if (!value) return "(n\xE3o existe)";
    return value->empty() ? std::string("(vazio)") : *value;
}

bool IsDefaultInstance(const InstanceRepairFacts& instance) {
    return base::EqualsIgnoreCase(instance.name, "MSSQLSERVER");
}

// The settings under the instance's key: its TCP/IP, its port, its authentication mode.
Change Setting(const InstanceRepairFacts& instance, ChangeKind kind, const std::string& subkey, std::string value,
               std::optional<std::string> before, std::string after) {
    return {kind, RegistryTarget(instance.view, instance.key + "\\MSSQLServer" + subkey), std::move(value),
            std::move(before), std::move(after), instance.service.name};
}

// The fixed port of /porta N, where N is free: no other instance holds it and nothing but this
// instance listens on it. A busy one is a note, not a repair.
void PlanPort(const RepairFacts& facts, const InstanceRepairFacts& instance, RepairPlan& plan) {
    const std::string wanted = std::to_string(*facts.wantedPort);
    const std::string dynamic = instance.tcpDynamicPorts.value_or("");
    if (instance.tcpPort == wanted && dynamic.empty()) {
        plan.notes.push_back(Ok("a inst\xE2ncia " + instance.name + " j\xE1 usa a porta fixa " + wanted));
        return;
    }
    if (std::find(facts.otherInstancesPorts.begin(), facts.otherInstancesPorts.end(), wanted) !=
        facts.otherInstancesPorts.end()) {
        plan.notes.push_back(Failure("a porta " + wanted + " \xE9 de outra inst\xE2ncia deste PC: n\xE3o foi pedida",
                                     "Escolha outra porta em /porta."));
        return;
    }
    if (facts.wantedPortListening && dynamic != wanted) {
        plan.notes.push_back(Failure("a porta " + wanted + " est\xE1 ocupada (um programa escuta nela): n\xE3o foi pedida",
                                     "Escolha outra porta em /porta (netstat -ano mostra as portas ocupadas)."));
        return;
    }
    Repair repair{"a inst\xE2ncia " + instance.name + " usa " +
                      (dynamic.empty() ? "a porta " + ValueText(instance.tcpPort) : "uma porta din\xE2mica (" + dynamic + ")") +
                      "; pedida a porta fixa " + wanted,
                  {}, instance.service.running ? kAfterRestart : kOnStart};
    const std::string tcpAll = "\\SuperSocketNetLib\\Tcp\\IPAll";
    repair.changes.push_back(Setting(instance, ChangeKind::RegistryText, tcpAll, "TcpPort", instance.tcpPort, wanted));
    if (!dynamic.empty())
        repair.changes.push_back(Setting(instance, ChangeKind::RegistryText, tcpAll, "TcpDynamicPorts", instance.tcpDynamicPorts, ""));
    plan.repairs.push_back(std::move(repair));
}

void PlanBrowser(const RepairFacts& facts, const InstanceRepairFacts& instance, RepairPlan& plan) {
    if (IsDefaultInstance(instance)) return;
    const ServiceFacts& browser = facts.browser;
    if (!browser.installed) {
        plan.notes.push_back(Warning("o servi\xE7o SQL Server Browser n\xE3o est\xE1 instalado: os outros postos s\xF3 chegam "
                                     "\xE0 inst\xE2ncia " + instance.name + " pela porta (NOME,PORTA)",
                                     "D\xEA uma porta fixa com /porta N e use no assistente NOME,N."));
        return;
    }
    if (browser.running && browser.startType != StartType::Disabled) return;
    Repair repair{"o servi\xE7o SQL Server Browser est\xE1 " +
                      std::string(browser.startType == StartType::Disabled ? "desativado" : "parado") +
                      ": os outros postos n\xE3o encontram a inst\xE2ncia " + instance.name + " pelo nome",
                  {}, {}};
    if (browser.startType != StartType::Automatic && browser.startType != StartType::Unknown)
        repair.changes.push_back({ChangeKind::StartType, browser.name, {}, Number(browser.startType), Number(StartType::Automatic), {}});
    if (!browser.running) repair.changes.push_back({ChangeKind::Start, browser.name, {}, "parado", "a correr", {}});
    plan.repairs.push_back(std::move(repair));
}

void PlanLogin(const LoginRepairFacts& login, RepairPlan& plan) {
    if (login.name.empty()) return;
    const std::string effect = "feito numa liga\xE7\xE3o ao servidor como administrador dele; a palavra-passe do login "
                               "n\xE3o muda";
    if (login.disabled)
        plan.repairs.push_back({"o login " + login.name + " est\xE1 desativado",
                                {{ChangeKind::LoginEnabled, login.name, {}, "0", "1", {}}}, effect});
    if (login.cannotCreate)
        plan.repairs.push_back({"o login " + login.name + " n\xE3o pode criar bases de dados",
                                {{ChangeKind::RoleMember, login.name, "dbcreator", "0", "1", {}}}, effect});
}

void PlanFirewall(const RepairFacts& facts, const InstanceRepairFacts& instance, RepairPlan& plan) {
    Repair repair{"a firewall do Windows pode impedir os outros postos de chegar ao servidor", {},
                  "s\xF3 deixa entrar liga\xE7\xF5" "es ao servidor; nenhuma outra regra muda",
                  "Os outros postos ligam-se a este servidor?"};
    if (!facts.programRulePresent) {
        if (instance.program.empty()) {
            plan.notes.push_back(Warning("o programa do servidor n\xE3o se l\xEA do seu servi\xE7o: a regra da firewall "
                                         "n\xE3o pode ser criada",
                                         "Na firewall do Windows deixe entrar o programa sqlservr.exe da inst\xE2ncia."));
        } else {
            repair.changes.push_back({ChangeKind::FirewallRule, ProgramRuleName(instance.name), "programa:" + instance.program,
                                      std::nullopt, "1", {}});
        }
    }
    if (!IsDefaultInstance(instance) && !facts.browserRulePresent)
        repair.changes.push_back({ChangeKind::FirewallRule, BrowserRuleName(), "udp:1434", std::nullopt, "1", {}});
    if (!repair.changes.empty()) plan.repairs.push_back(std::move(repair));
}

}  // namespace

RepairPlan PlanRepairs(const RepairFacts& facts) {
    RepairPlan plan;
    if (!facts.serverOnThisPc) {
        plan.refusal = RepairPlan::Refusal::OtherComputer;
        return plan;
    }
    if (!facts.instance) {
        plan.refusal = RepairPlan::Refusal::NotInstalledHere;
        return plan;
    }
    const InstanceRepairFacts& instance = *facts.instance;
    const ServiceFacts& service = instance.service;
    if (service.installed && service.startType == StartType::Disabled) {
        plan.repairs.push_back({"o servi\xE7o " + service.name + " est\xE1 desativado",
                                {{ChangeKind::StartType, service.name, {}, Number(StartType::Disabled),
                                  Number(StartType::Automatic), {}}},
                                {}});
    }
    const char* settingEffect = service.running ? kAfterRestart : kOnStart;
    std::size_t settings = plan.repairs.size();
    if (instance.tcpEnabled == false) {
        plan.repairs.push_back({"o TCP/IP da inst\xE2ncia " + instance.name + " est\xE1 desativado: os outros postos n\xE3o "
                                "chegam ao servidor",
                                {Setting(instance, ChangeKind::RegistryNumber, "\\SuperSocketNetLib\\Tcp", "Enabled", "0", "1")},
                                settingEffect});
    }
    if (facts.wantedPort) PlanPort(facts, instance, plan);
    if (instance.loginMode == 1ul) {
        plan.repairs.push_back({"a inst\xE2ncia " + instance.name + " aceita s\xF3 autentica\xE7\xE3o do Windows: o login do "
                                "assistente (sa ou outro do SQL Server) \xE9 recusado",
                                {Setting(instance, ChangeKind::RegistryNumber, "", "LoginMode", "1", "2")},
                                settingEffect});
    }
    settings = plan.repairs.size() - settings;
    if (service.installed && !service.running) {
        // Started after the settings, so that they count without a restart.
        plan.repairs.push_back({"o servi\xE7o " + service.name + " n\xE3o est\xE1 a correr (o servidor n\xE3o responde a "
                                "ningu\xE9m)",
                                {{ChangeKind::Start, service.name, {}, "parado", "a correr", {}}},
                                {}});
    } else if (service.running && settings > 0) {
        Repair restart{"as altera\xE7\xF5" "es acima s\xF3 contam depois de reiniciar o servi\xE7o " + service.name,
                       {{ChangeKind::Restart, service.name, {}, "a correr", "a correr", {}}},
                       "o servi\xE7o vai ser reiniciado: quem estiver ligado perde a liga\xE7\xE3o"};
        restart.restartForChanges = true;
        plan.repairs.push_back(std::move(restart));
    }
    PlanBrowser(facts, instance, plan);
    PlanLogin(facts.login, plan);
    PlanFirewall(facts, instance, plan);
    if (!facts.administrator && !plan.repairs.empty()) plan.refusal = RepairPlan::Refusal::NotAdministrator;
    return plan;
}

std::string ProgramRuleName(std::string_view instance) { return "CriaBD - SQL Server (" + std::string(instance) + ")"; }
std::string BrowserRuleName() { return "CriaBD - SQL Server Browser (UDP 1434)"; }

bool CanUndo(ChangeKind kind) { return kind != ChangeKind::Start && kind != ChangeKind::Restart; }

Change Inverse(const Change& change) {
    Change inverse = change;
    std::swap(inverse.before, inverse.after);
    return inverse;
}

std::string RegistryTarget(RegistryView view, std::string_view key) {
    return (view == RegistryView::Bits32 ? "32:" : "64:") + std::string(key);
}

std::optional<RegistryPlace> ReadRegistryTarget(std::string_view target) {
    if (target.size() < 4 || target[2] != ':') return std::nullopt;
    const std::string_view bits = target.substr(0, 2);
    if (bits != "64" && bits != "32") return std::nullopt;
    return RegistryPlace{bits == "32" ? RegistryView::Bits32 : RegistryView::Bits64, std::string(target.substr(3))};
}

std::string Describe(const Change& change) {
    const std::string fromTo = "de " + ValueText(change.before) + " para " + ValueText(change.after);
    switch (change.kind) {
        case ChangeKind::StartType:
            return "servi\xE7o " + change.target + ": arranque de " + StartTypeName(change.before.value_or("")) + " para " +
                   StartTypeName(change.after.value_or(""));
        case ChangeKind::Start:
            return "servi\xE7o " + change.target + ": iniciar (espera at\xE9 60 s)";
        case ChangeKind::Restart:
            return "servi\xE7o " + change.target + ": reiniciar (parar e iniciar, espera at\xE9 60 s)";
        case ChangeKind::RegistryNumber:
        case ChangeKind::RegistryText: {
            const std::optional<RegistryPlace> place = ReadRegistryTarget(change.target);
            const std::string key = place ? "HKLM\\" + place->key + (place->view == RegistryView::Bits32 ? " (32 bits)" : "")
                                          : change.target;
            return "registo " + key + ", valor " + change.value + ": " + fromTo;
        }
        case ChangeKind::LoginEnabled:
            return "login " + change.target + ": de " + (change.before == "1" ? "ativo" : "desativado") + " para " +
                   (change.after == "1" ? "ativo" : "desativado") + " (" + LoginStatement(change, 11) + ")";
        case ChangeKind::RoleMember:
            return "login " + change.target + ": " + (change.after == "1" ? "passa a" : "deixa de ser") +
                   " membro da fun\xE7\xE3o de servidor " + change.value;
        case ChangeKind::FirewallRule: {
            const std::string what = change.value.rfind("udp:", 0) == 0 ? "a porta UDP " + change.value.substr(4)
                                                                           : "o programa " + change.value.substr(9);
            return std::string("firewall do Windows: ") + (change.after ? "criar" : "remover") + " a regra \"" +
                   change.target + "\" (deixa entrar " + what + ")";
        }
    }
    return change.target;
}

std::string BracketName(std::string_view name) {
    std::string quoted = "[";
    for (char c : name) quoted += c == ']' ? std::string("]]") : std::string(1, c);
    return quoted + "]";
}

std::string LoginStatement(const Change& change, int serverMajorVersion) {
    const bool on = change.after == "1";
    if (change.kind == ChangeKind::LoginEnabled)
        return "ALTER LOGIN " + BracketName(change.target) + (on ? " ENABLE" : " DISABLE");
    if (serverMajorVersion > 0 && serverMajorVersion < 11) {
        // Before SQL Server 2012 a fixed server role's members change through these procedures.
        const auto literal = [](std::string_view text) {
            std::string quoted = "N'";
            for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
            return quoted + "'";
        };
        return std::string(on ? "EXEC sp_addsrvrolemember " : "EXEC sp_dropsrvrolemember ") + literal(change.target) +
               ", " + literal(change.value);
    }
    return "ALTER SERVER ROLE " + BracketName(change.value) + (on ? " ADD MEMBER " : " DROP MEMBER ") +
           BracketName(change.target);
}

bool SaysYes(std::optional<std::string_view> answer) {
    if (!answer) return false;
    std::string_view text = *answer;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return base::EqualsIgnoreCase(text, "s") || base::EqualsIgnoreCase(text, "sim");
}

std::string ProgramOfCommandLine(std::string_view commandLine) {
    while (!commandLine.empty() && commandLine.front() == ' ') commandLine.remove_prefix(1);
    if (!commandLine.empty() && commandLine.front() == '"') {
        commandLine.remove_prefix(1);
        return std::string(commandLine.substr(0, commandLine.find('"')));
    }
    return std::string(commandLine.substr(0, commandLine.find(' ')));
}

}  // namespace checker
