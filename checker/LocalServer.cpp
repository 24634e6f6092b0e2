#include "checker/LocalServer.h"

#include <algorithm>

#include "base/Text.h"
#include "checker/Causes.h"

namespace checker {
namespace {

const char* const kDefaultInstance = "MSSQLSERVER";

bool IsDefault(const InstalledInstance& instance) { return base::EqualsIgnoreCase(instance.name, kDefaultInstance); }

bool ListensOn(const InstalledInstance& instance, unsigned short port) {
    const std::string wanted = std::to_string(port);
    return instance.tcpPort == wanted || instance.tcpDynamicPort == wanted;
}

std::string InstanceNames(const LocalServerFacts& facts) {
    std::string names;
    for (const InstalledInstance& i : facts.instances) names += (names.empty() ? "" : ", ") + i.name;
    return names;
}

// What the service's state means for the wizard on this PC: a stopped or disabled server
// answers nobody.
Finding ServiceFinding(const std::string& service, ServiceState state) {
    const std::string what = "serviço " + service + ": ";
    switch (state) {
        case ServiceState::Running: return Ok(what + "a correr");
        case ServiceState::Stopped:
            return Failure(what + "parado (o servidor não responde a ninguém)",
                           "Inicie-o em Serviços do Windows (services.msc) ou no SQL Server Configuration Manager, "
                           "com o arranque em Automático.");
        case ServiceState::Disabled:
            return Failure(what + "desativado (o servidor não responde a ninguém)",
                           "Em Serviços do Windows (services.msc) ponha o arranque em Automático e inicie-o.");
        case ServiceState::Paused:
            // A paused server keeps its connections and refuses new logins until it is resumed.
            return Failure(what + "em pausa (o servidor recusa novos logins)", LoginStateCause(13).advice);
        case ServiceState::Changing:
            return Warning(what + "a iniciar ou a parar", "Espere um minuto e corra o VerificaBD de novo.");
        case ServiceState::NotInstalled:
            return Failure(what + "não existe, mas a instância está no registo",
                           "Repare a instalação do SQL Server (Painel de Controlo, Programas).");
        case ServiceState::Unreadable:
            break;
    }
    return Warning(what + "o estado não se lê", "Veja-o em Serviços do Windows (services.msc).");
}

}  // namespace

bool NamesThisComputer(std::string_view host, std::string_view computerName,
                       const std::vector<std::string>& ownAddresses) {
    if (base::EqualsIgnoreCase(host, "localhost") || host == "::1" || host.rfind("127.", 0) == 0) return true;
    if (!computerName.empty()) {
        // The computer's name, alone or followed by its domain.
        const std::string_view first = host.substr(0, host.find('.'));
        if (base::EqualsIgnoreCase(first, computerName)) return true;
    }
    return std::any_of(ownAddresses.begin(), ownAddresses.end(),
                       [&](const std::string& address) { return base::EqualsIgnoreCase(address, host); });
}

std::string ServiceNameOf(const InstalledInstance& instance) {
    return IsDefault(instance) ? std::string(kDefaultInstance) : "MSSQL$" + instance.name;
}

const InstalledInstance* InstanceAddressed(const LocalServerFacts& facts, const ServerAddress& address) {
    const auto found = [&](auto matches) -> const InstalledInstance* {
        const auto it = std::find_if(facts.instances.begin(), facts.instances.end(), matches);
        return it == facts.instances.end() ? nullptr : &*it;
    };
    if (!address.instance.empty())
        return found([&](const InstalledInstance& i) { return base::EqualsIgnoreCase(i.name, address.instance); });
    // Without an instance's name the driver goes to the port given, or to 1433.
    if (const InstalledInstance* on = found([&](const InstalledInstance& i) { return ListensOn(i, address.port.value_or(1433)); }))
        return on;
    if (address.port) return nullptr;
    return found([](const InstalledInstance& i) { return IsDefault(i); });
}

std::vector<InstalledInstance> MergeRegistryViews(std::vector<InstalledInstance> view64,
                                                  std::vector<InstalledInstance> view32) {
    std::vector<InstalledInstance> all = std::move(view64);
    for (InstalledInstance& instance : all) instance.view = RegistryView::Bits64;
    const std::size_t in64 = all.size();
    for (InstalledInstance& instance : view32) {
        const auto same = [&](const InstalledInstance& i) {
            return base::EqualsIgnoreCase(i.name, instance.name) && base::EqualsIgnoreCase(i.id, instance.id);
        };
        if (std::any_of(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(in64), same)) continue;
        instance.view = RegistryView::Bits32;
        all.push_back(std::move(instance));
    }
    return all;
}

std::string ErrorLogFromParameters(const std::vector<std::string>& parameters) {
    for (const std::string& p : parameters)
        if (p.size() > 2 && p[0] == '-' && (p[1] == 'e' || p[1] == 'E')) return p.substr(2);
    return {};
}

std::vector<Finding> LocalServerFindings(const LocalServerFacts& facts, const ServerAddress& address) {
    std::vector<Finding> findings;
    if (facts.instances.empty()) {
        findings.push_back(Warning("nenhuma instância do SQL Server registada neste PC",
                                   "Se o servidor é outro computador, dê o nome dele; se é este, instale o SQL Server."));
        return findings;
    }
    const InstalledInstance* instance = InstanceAddressed(facts, address);
    if (!instance) {
        const std::string wanted = !address.instance.empty() ? "a instância " + address.instance
                                   : address.port ? "nenhuma instância na porta " + std::to_string(*address.port) + "; "
                                                  : std::string("a instância predefinida (MSSQLSERVER)");
        if (address.port && address.instance.empty()) {
            // The port may be a dynamic one that changed: the probes say whether it answers.
            findings.push_back(Warning("neste PC " + wanted + "instâncias registadas: " + InstanceNames(facts),
                                       "Confirme a porta no SQL Server Configuration Manager (TCP/IP, IPAll)."));
        } else {
            findings.push_back(Failure(wanted + " não está instalada neste PC; instâncias registadas: " +
                                           InstanceNames(facts),
                                       "No assistente escreva o nome de uma delas no campo da instância (o SQL Server "
                                       "Express instala-se como SQLEXPRESS)."));
        }
        return findings;
    }
    const std::string service = ServiceNameOf(*instance);
    const char* bits = instance->view == RegistryView::Bits32 ? ", de 32 bits" : "";
    findings.push_back(Ok("instância " + instance->name + " instalada neste PC (" + instance->id + bits + ")"));
    findings.push_back(ServiceFinding(service, instance->service));
    if (instance->loginMode == 1UL) {
        findings.push_back(Failure("autenticação só do Windows: o login do assistente (SQL Server) é recusado",
                                   LoginStateCause(58).advice));
    } else if (instance->loginMode == 2UL) {
        findings.push_back(Ok("autenticação SQL Server e Windows"));
    }
    const bool named = !IsDefault(*instance);
    const bool browserRuns = facts.browser == ServiceState::Running;
    const std::string restart = " e reinicie o serviço " + service + ".";
    if (instance->tcpEnabled == false) {
        findings.push_back(Warning("TCP/IP desativado: só este PC chega ao servidor, os outros postos não",
                                   "Ative o TCP/IP da instância no SQL Server Configuration Manager (Configuração de "
                                   "Rede do SQL Server)" + restart));
    } else if (instance->tcpEnabled == true) {
        if (!instance->tcpPort.empty()) {
            findings.push_back(Ok("TCP/IP ativo, porta fixa " + instance->tcpPort));
        } else if (instance->tcpDynamicPort.empty() || instance->tcpDynamicPort == "0") {
            // The server writes the port it was given there when it starts: none yet.
            findings.push_back(Warning("TCP/IP ativo, porta dinâmica ainda não atribuída (o serviço ainda não "
                                       "arrancou com o TCP/IP ativo)",
                                       "Reinicie o serviço " + service + "; melhor, fixe uma porta: no SQL Server "
                                       "Configuration Manager, TCP/IP, IPAll, escreva-a em \"Porta TCP\" e deixe vazio "
                                       "\"Portas TCP Dinâmicas\"" + restart + " Deixe-a passar na firewall."));
        } else if (!named || !browserRuns) {
            findings.push_back(Warning("TCP/IP ativo, porta dinâmica " + instance->tcpDynamicPort +
                                           " (muda quando o serviço reinicia)",
                                       "Fixe uma porta: no SQL Server Configuration Manager, TCP/IP, IPAll, escreva-a em "
                                       "\"Porta TCP\" e deixe vazio \"Portas TCP Dinâmicas\"" + restart +
                                           " Deixe-a passar na firewall."));
        } else {
            findings.push_back(Ok("TCP/IP ativo, porta dinâmica " + instance->tcpDynamicPort +
                                  " (os outros postos encontram-na pelo SQL Server Browser)"));
        }
    }
    if (named && !browserRuns) {
        const char* state = facts.browser == ServiceState::Disabled       ? "desativado"
                            : facts.browser == ServiceState::NotInstalled ? "não instalado"
                            : facts.browser == ServiceState::Paused       ? "em pausa"
                                                                          : "parado";
        findings.push_back(Warning(std::string("serviço SQL Server Browser ") + state +
                                       ": os outros postos não encontram a instância pelo nome",
                                   "Inicie o serviço SQL Server Browser com o arranque em Automático (e deixe passar "
                                   "UDP 1434 na firewall), ou dê aos postos NOME,PORTA com uma porta fixa."));
    } else if (named) {
        findings.push_back(Ok("serviço SQL Server Browser: a correr"));
    }
    return findings;
}

}  // namespace checker
