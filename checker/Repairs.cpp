#include "checker/Repairs.h"

#include <algorithm>

#include "base/Text.h"

namespace checker {
namespace {

const char* const kAfterRestart = "conta depois de reiniciar o serviço (perguntado no fim)";
const char* const kOnStart = "conta quando o serviço iniciar (perguntado a seguir)";

std::string Number(StartType type) { return std::to_string(static_cast<int>(type)); }

}  // namespace

std::string StartTypeName(std::string_view number) {
    if (number == "2") return "Automático";
    if (number == "3") return "Manual";
    if (number == "4") return "Desativado";
    return "desconhecido (" + std::string(number) + ")";
}

namespace {

std::string ValueText(const std::optional<std::string>& value) {
    if (!value) return "(não existe)";
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
        plan.notes.push_back(Ok("a instância " + instance.name + " já usa a porta fixa " + wanted));
        return;
    }
    if (std::find(facts.otherInstancesPorts.begin(), facts.otherInstancesPorts.end(), wanted) !=
        facts.otherInstancesPorts.end()) {
        plan.notes.push_back(Failure("a porta " + wanted + " é de outra instância deste PC: não foi pedida",
                                     "Escolha outra porta em /porta."));
        return;
    }
    if (facts.wantedPortListening && dynamic != wanted) {
        plan.notes.push_back(Failure("a porta " + wanted + " está ocupada (um programa escuta nela): não foi pedida",
                                     "Escolha outra porta em /porta (netstat -ano mostra as portas ocupadas)."));
        return;
    }
    Repair repair{"a instância " + instance.name + " usa " +
                      (dynamic.empty() ? "a porta " + ValueText(instance.tcpPort) : "uma porta dinâmica (" + dynamic + ")") +
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
        plan.notes.push_back(Warning("o serviço SQL Server Browser não está instalado: os outros postos só chegam "
                                     "à instância " + instance.name + " pela porta (NOME,PORTA)",
                                     "Dê uma porta fixa com /porta N e use no assistente NOME,N."));
        return;
    }
    if (browser.running && browser.startType != StartType::Disabled) return;
    Repair repair{"o serviço SQL Server Browser está " +
                      std::string(browser.startType == StartType::Disabled ? "desativado" : "parado") +
                      ": os outros postos não encontram a instância " + instance.name + " pelo nome",
                  {}, {}};
    if (browser.startType != StartType::Automatic && browser.startType != StartType::Unknown)
        repair.changes.push_back({ChangeKind::StartType, browser.name, {}, Number(browser.startType), Number(StartType::Automatic), {}});
    if (!browser.running) repair.changes.push_back({ChangeKind::Start, browser.name, {}, "parado", "a correr", {}});
    plan.repairs.push_back(std::move(repair));
}

void PlanLogin(const LoginRepairFacts& login, RepairPlan& plan) {
    if (login.name.empty()) return;
    const std::string effect = "feito numa ligação ao servidor como administrador dele; a palavra-passe do login "
                               "não muda";
    if (login.disabled)
        plan.repairs.push_back({"o login " + login.name + " está desativado",
                                {{ChangeKind::LoginEnabled, login.name, {}, "0", "1", {}, login.server}}, effect});
    if (login.cannotCreate)
        plan.repairs.push_back({"o login " + login.name + " não pode criar bases de dados",
                                {{ChangeKind::RoleMember, login.name, "dbcreator", "0", "1", {}, login.server}}, effect});
}

void PlanFirewall(const RepairFacts& facts, const InstanceRepairFacts& instance, RepairPlan& plan) {
    Repair repair{"a firewall do Windows pode impedir os outros postos de chegar ao servidor", {},
                  "só deixa entrar ligações ao servidor; nenhuma outra regra muda",
                  "Os outros postos ligam-se a este servidor?"};
    if (!facts.programRulePresent) {
        if (instance.program.empty()) {
            plan.notes.push_back(Warning("o programa do servidor não se lê do seu serviço: a regra da firewall "
                                         "não pode ser criada",
                                         "Na firewall do Windows deixe entrar o programa sqlservr.exe da instância."));
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
        plan.repairs.push_back({"o serviço " + service.name + " está desativado",
                                {{ChangeKind::StartType, service.name, {}, Number(StartType::Disabled),
                                  Number(StartType::Automatic), {}}},
                                {}});
    }
    const char* settingEffect = service.running ? kAfterRestart : kOnStart;
    std::size_t settings = plan.repairs.size();
    if (instance.tcpEnabled == false) {
        plan.repairs.push_back({"o TCP/IP da instância " + instance.name + " está desativado: os outros postos não "
                                "chegam ao servidor",
                                {Setting(instance, ChangeKind::RegistryNumber, "\\SuperSocketNetLib\\Tcp", "Enabled", "0", "1")},
                                settingEffect});
    }
    if (facts.wantedPort) PlanPort(facts, instance, plan);
    if (instance.loginMode == 1ul) {
        plan.repairs.push_back({"a instância " + instance.name + " aceita só autenticação do Windows: o login do "
                                "assistente (sa ou outro do SQL Server) é recusado",
                                {Setting(instance, ChangeKind::RegistryNumber, "", "LoginMode", "1", "2")},
                                settingEffect});
    }
    settings = plan.repairs.size() - settings;
    if (service.installed && !service.running) {
        // Started after the settings, so that they count without a restart.
        plan.repairs.push_back({"o serviço " + service.name + " não está a correr (o servidor não responde a "
                                "ninguém)",
                                {{ChangeKind::Start, service.name, {}, "parado", "a correr", {}}},
                                {}});
    } else if (service.running && settings > 0) {
        Repair restart{"as alterações acima só contam depois de reiniciar o serviço " + service.name,
                       {{ChangeKind::Restart, service.name, {}, "a correr", "a correr", {}}},
                       "o serviço vai ser reiniciado: quem estiver ligado perde a ligação"};
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

bool IsOwnChange(const Change& change) {
    const auto startsWith = [](std::string_view text, std::string_view start) {
        return text.size() >= start.size() && base::EqualsIgnoreCase(text.substr(0, start.size()), start);
    };
    const auto isStartType = [](const std::optional<std::string>& v) { return v == "2" || v == "3" || v == "4"; };
    switch (change.kind) {
        case ChangeKind::StartType:
            if (!isStartType(change.before) || !isStartType(change.after)) return false;
            [[fallthrough]];
        case ChangeKind::Start:
        case ChangeKind::Restart:
            return base::EqualsIgnoreCase(change.target, "MSSQLSERVER") || base::EqualsIgnoreCase(change.target, "SQLBrowser") ||
                   startsWith(change.target, "MSSQL$");
        case ChangeKind::RegistryNumber:
        case ChangeKind::RegistryText: {
            const std::optional<RegistryPlace> place = ReadRegistryTarget(change.target);
            if (!place || !startsWith(place->key, std::string(kServerRegistryKey) + "\\") ||
                place->key.find("..") != std::string::npos)
                return false;
            for (const char* name : {"Enabled", "LoginMode", "TcpPort", "TcpDynamicPorts"})
                if (base::EqualsIgnoreCase(change.value, name)) return true;
            return false;
        }
        case ChangeKind::LoginEnabled:
            return !change.target.empty();
        case ChangeKind::RoleMember:
            return !change.target.empty() && base::EqualsIgnoreCase(change.value, "dbcreator");
        case ChangeKind::FirewallRule:
            return startsWith(change.target, "CriaBD - ");
    }
    return false;
}

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
            return "serviço " + change.target + ": arranque de " + StartTypeName(change.before.value_or("")) + " para " +
                   StartTypeName(change.after.value_or(""));
        case ChangeKind::Start:
            return "serviço " + change.target + ": iniciar (espera até 60 s)";
        case ChangeKind::Restart:
            return "serviço " + change.target + ": reiniciar (parar e iniciar, espera até 60 s)";
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
                   " membro da função de servidor " + change.value;
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
        return std::string(on ? "EXEC sp_addsrvrolemember " : "EXEC sp_dropsrvrolemember ") +
               UnicodeLiteral(change.target) + ", " + UnicodeLiteral(change.value);
    }
    return "ALTER SERVER ROLE " + BracketName(change.value) + (on ? " ADD MEMBER " : " DROP MEMBER ") +
           BracketName(change.target);
}

std::string UnicodeLiteral(std::string_view text) {
    std::string quoted = "N'";
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

std::string LoginReadBackQuery(const Change& change) {
    if (change.kind == ChangeKind::LoginEnabled)
        return "SELECT is_disabled FROM sys.server_principals WHERE name = " + UnicodeLiteral(change.target);
    return "SELECT IS_SRVROLEMEMBER(" + UnicodeLiteral(change.value) + ", " + UnicodeLiteral(change.target) + ")";
}

std::optional<std::string> LoginStateFromReadBack(const Change& change, const std::optional<std::string>& value) {
    if (value != "0" && value != "1") return std::nullopt;
    if (change.kind == ChangeKind::LoginEnabled) return std::string(*value == "0" ? "1" : "0");
    return value;
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
