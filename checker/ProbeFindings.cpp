#include "checker/ProbeFindings.h"

namespace checker {
namespace {

bool BrowserFailed(const BrowserProbe& probe) {
    return probe.outcome != BrowserProbe::Outcome::NotAsked &&
           (probe.outcome != BrowserProbe::Outcome::Answered || probe.instances.empty() ||
            !probe.instances.front().tcpPort);
}

bool TcpFailed(const TcpProbe& probe) {
    return probe.outcome != TcpProbe::Outcome::NotTried && probe.outcome != TcpProbe::Outcome::Accepted;
}

std::string UnknownName(const std::string& host, NameLookup lookup, std::chrono::milliseconds wait) {
    if (lookup == NameLookup::TimedOut)
        return "o nome \"" + host + "\" não foi resolvido em " + std::to_string(wait.count()) + " ms (servidor de nomes)";
    return "o nome \"" + host + "\" não é conhecido nesta rede";
}

// A probe that fails for an instance of this PC is an AVISO: the wizard here still connects.
Finding Probe(const InstalledInstance* local, Finding f) {
    if (local && f.level == Level::Failure) {
        f.level = Level::Warning;
        f.advice = "Neste PC o assistente liga-se na mesma; os outros postos não: " + f.advice;
    }
    return f;
}

}  // namespace

bool AsksBrowser(const ServerAddress& address) { return !address.instance.empty() && !address.port; }

std::optional<Finding> BrowserFinding(const BrowserProbe& probe, const ServerAddress& address,
                                      const InstalledInstance* local) {
    using O = BrowserProbe::Outcome;
    switch (probe.outcome) {
        case O::NotAsked: return std::nullopt;
        case O::Answered:
            if (!probe.instances.empty() && probe.instances.front().tcpPort) {
                const BrowserInstance& i = probe.instances.front();
                return Ok("SQL Server Browser: instância " + address.instance + ", porta TCP " +
                          std::to_string(*i.tcpPort) + ", versão " + i.version);
            }
            return Probe(local, Failure("SQL Server Browser: a instância " + address.instance + " não escuta em TCP/IP",
                                        "Ative o TCP/IP da instância no SQL Server Configuration Manager e reinicie-a."));
        case O::NameUnknown:
            return Probe(local, Failure("SQL Server Browser: " + UnknownName(address.host, probe.lookup, probe.wait),
                                        "Confirme o nome do computador do servidor."));
        case O::SendFailed:
            return Probe(local, Failure("SQL Server Browser: o pedido não pôde ser enviado",
                                        "Confirme o nome do computador do servidor."));
        case O::Silent:
            if (!probe.instances.empty()) {
                std::string names;
                for (const BrowserInstance& i : probe.instances) names += (names.empty() ? "" : ", ") + i.instance;
                return Probe(local, Failure("SQL Server Browser: a instância " + address.instance +
                                                " não existe neste servidor; instâncias conhecidas: " + names,
                                            "Corrija o nome da instância (no assistente, o campo da instância)."));
            }
            return Probe(local, Failure("SQL Server Browser: sem resposta em " + std::to_string(probe.wait.count()) +
                                            " ms (UDP 1434)",
                                        "Inicie o serviço SQL Server Browser e deixe passar UDP 1434 na firewall, ou dê a "
                                        "porta: NOME,PORTA."));
    }
    return std::nullopt;
}

std::optional<unsigned short> TcpPortToProbe(const ServerAddress& address, const BrowserProbe& browser,
                                             const InstalledInstance* local) {
    if (BrowserFailed(browser) && !local) return std::nullopt;
    // What the registry said of TCP/IP on this PC needs no probe to be told again.
    if (local && local->tcpEnabled == false) return std::nullopt;
    std::optional<unsigned short> port = address.port;
    if (!port && browser.outcome == BrowserProbe::Outcome::Answered && !browser.instances.empty())
        port = browser.instances.front().tcpPort;
    if (local && !port && !address.instance.empty()) return std::nullopt;
    return port.value_or(1433);
}

Finding TcpFinding(const TcpProbe& probe, const InstalledInstance* local) {
    using O = TcpProbe::Outcome;
    const std::string where = "TCP " + probe.host + ":" + std::to_string(probe.port) + ": ";
    std::string why;
    switch (probe.outcome) {
        case O::Accepted:
        case O::NotTried: return Ok(where + "aceita ligações");
        case O::Refused: why = "ligação recusada: ninguém escuta nessa porta"; break;
        case O::NoAnswer:
            why = "sem resposta em " + std::to_string(probe.wait.count() / 1000) + " s (firewall ou servidor desligado)";
            break;
        case O::NameUnknown: why = UnknownName(probe.host, probe.lookup, probe.wait); break;
        case O::SocketFailed: why = "não foi possível criar uma ligação TCP"; break;
    }
    return Probe(local, Failure(where + why,
                                "Inicie o serviço do SQL Server, ative o TCP/IP e deixe passar a porta na firewall."));
}

bool LoginWorthTrying(const BrowserProbe& browser, const TcpProbe& tcp, const InstalledInstance* local) {
    return local || (!BrowserFailed(browser) && !TcpFailed(tcp));
}

Reach ReachOf(const BrowserProbe& browser, const TcpProbe& tcp, const InstalledInstance* local) {
    if (local && (local->service == ServiceState::Stopped || local->service == ServiceState::Disabled))
        return Reach::ServiceStopped;
    if (local && local->service == ServiceState::Paused) return Reach::ServicePaused;
    switch (tcp.outcome) {
        case TcpProbe::Outcome::Accepted: return Reach::Reached;
        case TcpProbe::Outcome::Refused: return Reach::Refused;
        case TcpProbe::Outcome::NoAnswer: return Reach::NoAnswer;
        case TcpProbe::Outcome::NameUnknown: return Reach::NameUnknown;
        case TcpProbe::Outcome::NotTried:
        case TcpProbe::Outcome::SocketFailed: break;
    }
    switch (browser.outcome) {
        case BrowserProbe::Outcome::NameUnknown: return Reach::NameUnknown;
        case BrowserProbe::Outcome::Silent:
            return browser.instances.empty() ? Reach::BrowserSilent : Reach::InstanceUnknown;
        case BrowserProbe::Outcome::Answered: return browser.instances.empty() ? Reach::Unknown : Reach::Reached;
        case BrowserProbe::Outcome::NotAsked:
        case BrowserProbe::Outcome::SendFailed: break;
    }
    return Reach::Unknown;
}

}  // namespace checker
