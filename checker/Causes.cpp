#include "checker/Causes.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "base/Text.h"
#include "provisioning/SqlStatements.h"

namespace checker {
namespace {

const char* const kMixedModeAdvice =
    "No SQL Server Management Studio ative a autenticação \"SQL Server e Windows\" (propriedades do servidor, "
    "Segurança) e reinicie o serviço do SQL Server.";
const char* const kResumeAdvice =
    "Em Serviços do Windows (services.msc), no serviço do SQL Server, escolha \"Retomar\" (ou no SQL Server "
    "Configuration Manager, botão direito no serviço, \"Retomar\").";
const char* const kNewerDriverAdvice =
    " Com o controlador ODBC Driver 17 ou 18 for SQL Server instalado, este relatório diz a causa exata.";

// The failures to reach a server, whatever reports them.
Cause NameUnknown() {
    return {"o nome do servidor não é conhecido nesta rede",
            "Confirme o nome do computador do servidor (ou use o seu endereço IP)."};
}
Cause Refused() {
    return {"ninguém responde nessa porta: o serviço do SQL Server está parado ou não escuta em TCP/IP",
            "Inicie o serviço do SQL Server e ative o TCP/IP no SQL Server Configuration Manager."};
}
Cause NoAnswer() {
    return {"o servidor não respondeu na porta: a firewall bloqueia-a, ou o computador do servidor está desligado",
            "Deixe passar a porta do SQL Server na firewall do servidor e confirme que o computador está ligado."};
}
Cause TimedOut() {
    return {"o servidor não respondeu dentro do tempo de ligação",
            "Verifique se o serviço do SQL Server está a correr e se a firewall deixa passar a porta."};
}
Cause InstanceNotLocated() {
    return {"a instância não foi localizada: o SQL Server Browser não respondeu (serviço parado, ou UDP 1434 fechado "
            "na firewall) ou a instância não existe nesse servidor",
            "Confirme o nome da instância; inicie o serviço SQL Server Browser e deixe passar UDP 1434 na firewall, ou "
            "dê a porta: NOME,PORTA."};
}
Cause Certificate() {
    return {"a encriptação ou o certificado do servidor foram recusados",
            "O servidor exige encriptação com um certificado que este computador não aceita: instale um "
            "controlador ODBC recente do SQL Server, ou desative \"Force Encryption\" no servidor."};
}
Cause ConnectionCut() {
    return {"o servidor cortou a ligação antes do login (muitas vezes versões de TLS diferentes no cliente e no "
            "servidor)",
            "Instale o controlador ODBC Driver 17 ou 18 for SQL Server e as atualizações do Windows e do SQL Server."};
}
Cause ServiceStopped() {
    return {"o serviço do SQL Server está parado",
            "Inicie-o em Serviços do Windows (services.msc) ou no SQL Server Configuration Manager, com o arranque "
            "em Automático."};
}
Cause ServicePaused() { return {"o serviço do SQL Server está em pausa: recusa novos logins", kResumeAdvice}; }

// The causes behind a refused login's real state, as the server's error log gives it.
std::optional<Cause> KnownLoginState(int state) {
    const std::string which = " (erro 18456, estado " + std::to_string(state) + ")";
    switch (state) {
        case 2:
        case 5:
            return Cause{"o login não existe no servidor" + which,
                         "Confirme o nome do login, ou crie-o no SQL Server Management Studio."};
        case 6:
            return Cause{"foi dado um login do Windows (DOMÍNIO\\nome) como login do SQL Server" + which,
                         "Use um login do SQL Server (sa, ou outro criado no SQL Server Management Studio)."};
        case 7:
            return Cause{"o login está desativado" + which,
                         "Ative o login no SQL Server Management Studio (Segurança, Logins, propriedades, Estado)."};
        case 8:
        case 9:
            return Cause{"palavra-passe errada" + which, "Confirme a palavra-passe do login."};
        case 11:
        case 12:
            return Cause{"o login existe mas não tem acesso ao servidor" + which,
                         "No SQL Server Management Studio dê ao login a permissão de se ligar (Segurança, "
                         "Logins, propriedades, Estado: \"Conceder\" e \"Ativado\")."};
        case 13:
            return Cause{"o serviço do SQL Server está em pausa" + which, kResumeAdvice};
        case 18:
            return Cause{"a palavra-passe do login tem de ser mudada" + which,
                         "Mude a palavra-passe no SQL Server Management Studio."};
        case 16:
        case 27:
        case 38:
            return Cause{"a base de dados pedida não existe ou o login não a pode abrir" + which,
                         "Confirme o nome da base de dados e que o login lhe tem acesso."};
        case 40:
            return Cause{"a base de dados predefinida do login não abre" + which,
                         "No SQL Server Management Studio mude a base de dados predefinida do login para master."};
        case 58:
            return Cause{"o servidor aceita só autenticação do Windows" + which, kMixedModeAdvice};
        default:
            return std::nullopt;
    }
}

// The server's own errors, by number.
std::optional<Cause> ServerCause(const ServerMessage& m, std::string_view database) {
    switch (m.number) {
        case 18456:
            // A server sends every refused login as state 1; the true state is written only to
            // its own error log. Any other state is the server's real one (older servers, the
            // test server), and then names the cause.
            if (m.state != 1 && m.state != 0) {
                if (std::optional<Cause> known = KnownLoginState(m.state)) return known;
            }
            return Cause{"o servidor recusou o login; causas possíveis, da mais à menos provável: palavra-passe "
                         "errada, o servidor aceita só autenticação do Windows, o login não existe, o login "
                         "está desativado (o servidor só diz qual no seu registo de erros, ERRORLOG)",
                         "Confirme o utilizador e a palavra-passe. No SQL Server Management Studio veja se o servidor "
                         "aceita autenticação \"SQL Server e Windows\" (o SQL Server Express instala-se só com a do "
                         "Windows; depois de a mudar reinicie o serviço do SQL Server) e se o login existe e está ativo. "
                         "Corrido no PC do servidor, como administrador, o VerificaBD lê a causa no ERRORLOG."};
        case 18470:
            return Cause{"o login está desativado",
                         "Ative o login no SQL Server Management Studio (Segurança, Logins, propriedades, Estado)."};
        case 18452:
            return Cause{"o servidor aceita só autenticação do Windows", kMixedModeAdvice};
        case 18486:
            return Cause{"o login está bloqueado depois de várias palavras-passe erradas",
                         "Desbloqueie o login no SQL Server Management Studio (Segurança, Logins, propriedades, Estado) "
                         "e confirme a palavra-passe."};
        case 18487:
        case 18488:
            return Cause{"a palavra-passe do login expirou e tem de ser mudada",
                         "Mude a palavra-passe no SQL Server Management Studio."};
        case 17142:
            return ServicePaused();
        case 4060:
            return Cause{"a base de dados pedida (Initial Catalog do .udl, ou /basedados) não existe ou este login "
                         "não a pode abrir (erro 4060)",
                         "Confirme o nome da base de dados e que ela existe no servidor; se existe, dê ao login acesso "
                         "a ela (um utilizador nessa base de dados, no SQL Server Management Studio)."};
        case 924:
            return Cause{"a base de dados está em modo SINGLE_USER e já tem um utilizador",
                         database.empty() ? std::string("Feche o programa que a usa.")
                                          : "Feche o programa que a usa; se ela continuar em SINGLE_USER, corra no servidor: " +
                                                prov::MultiUserStatement(database)};
        default:
            return std::nullopt;
    }
}

// What the probes said, for a record that says only that the server was not reached.
Cause FromReach(Reach reach, const Cause& otherwise) {
    switch (reach) {
        case Reach::Refused: return Refused();
        case Reach::NoAnswer: return NoAnswer();
        case Reach::NameUnknown: return NameUnknown();
        case Reach::InstanceUnknown:
        case Reach::BrowserSilent: return InstanceNotLocated();
        case Reach::ServiceStopped: return ServiceStopped();
        case Reach::ServicePaused: return ServicePaused();
        case Reach::Reached:
        case Reach::Unknown: break;
    }
    return otherwise;
}

bool ReportsNetwork(const ServerMessage& m) {
    // The network layer's numbers come with a connection SQLSTATE (08001, 08S01) or as the
    // built-in driver's informational record (01000 "ConnectionOpen (Connect())").
    return m.sqlState.rfind("08", 0) == 0 || m.sqlState == "01000" || m.sqlState.empty();
}

// The network layer's and the drivers' own numbers.
std::optional<Cause> NetworkCause(const ServerMessage& m, Reach reach) {
    if (!ReportsNetwork(m)) return std::nullopt;
    switch (m.number) {
        case 10061: return Refused();                                  // WSAECONNREFUSED
        case 10060: return NoAnswer();                                 // WSAETIMEDOUT
        case 11001:                                                    // WSAHOST_NOT_FOUND
        case 11004: return NameUnknown();                              // WSANO_DATA
        case 10054: return ConnectionCut();                            // WSAECONNRESET
        case 53:                                                       // the network path was not found (named pipes)
            return Cause{"o computador do servidor não foi encontrado pela rede (named pipes): o nome está errado, "
                         "ou o computador está desligado ou fora da rede",
                         "Confirme o nome do computador do servidor e que ele responde na rede; ou dê o seu endereço "
                         "e a porta: NOME,PORTA."};
        case 2:                                                        // no such pipe on a computer that answered
            return FromReach(reach, {"o computador do servidor responde, mas a instância não escuta em named pipes "
                                     "(serviço parado, ou nome da instância errado)",
                                     "Confirme o nome da instância e que o seu serviço está a correr; ou dê a porta: "
                                     "NOME,PORTA."});
        case 258: return TimedOut();                                   // WAIT_TIMEOUT
        case -1: return FromReach(reach == Reach::Reached ? Reach::Unknown : reach, InstanceNotLocated());
        case -2146893019:                                              // the certificate's chain is not trusted
        case -2146893022:                                              // the certificate names another server
        case -2146762487:                                              // the certificate's root is not trusted
            return Certificate();
        case -2146893007: return ConnectionCut();                      // no TLS version in common
        case 17:
            // The built-in "SQL Server" driver: "does not exist or access denied" for every failure
            // to reach the server. The probes decide.
            if (reach == Reach::Reached)
                return Cause{"o servidor responde na porta, mas o controlador \"SQL Server\" (o antigo do Windows) não "
                             "se liga a ele: versões de TLS diferentes, ou o protocolo que ele usa fechado no servidor",
                             std::string("Instale o controlador ODBC Driver 17 ou 18 for SQL Server (o assistente "
                                         "usa-o quando está instalado).")};
            return FromReach(reach, {"o controlador \"SQL Server\" (o antigo do Windows) diz só \"não existe ou acesso "
                                     "negado\", e as verificações acima não dizem porquê",
                                     "Confirme o nome do servidor e da instância, que o serviço do SQL Server está a "
                                     "correr, e que a firewall deixa passar a porta." + std::string(kNewerDriverAdvice)});
        // FreeTDS's own numbers.
        case 20009: return FromReach(reach == Reach::Reached ? Reach::Unknown : reach, Refused());
        case 20013: return NameUnknown();
        case 20003: return TimedOut();
        case 20017:
        case 20004: return ConnectionCut();
        default: return std::nullopt;
    }
}

bool Mentions(const std::string& text, std::initializer_list<std::string_view> words) {
    const std::string lower = base::ToLowerAscii(text);
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return lower.find(w) != std::string::npos; });
}

// Words, for records without a known number, in English and in Portuguese (Windows-1252).
std::optional<Cause> WordsCause(const ServerMessage& m) {
    if (Mentions(m.text, {"certificate", "certificado", "ssl", "tls", "encrypt", "criptografia", "encripta"}))
        return Certificate();
    if (Mentions(m.text, {"unknown host", "no such host", "could not be resolved", "host desconhecido",
                          "host não conhecido", "anfitrião desconhecido"}))
        return NameUnknown();
    if (Mentions(m.text, {"actively refused", "connection refused", "recusou ativamente", "recusou-a ativamente",
                          "as recusou", "ligação recusada", "conexão recusada"}))
        return Refused();
    if (Mentions(m.text, {"timeout expired", "login timeout", "timed out", "tempo limite", "tempo esgotado"}))
        return TimedOut();
    return std::nullopt;
}

Cause FirstOf(const std::vector<ServerMessage>& messages, auto classify) {
    for (const ServerMessage& m : messages)
        if (std::optional<Cause> cause = classify(m)) return *cause;
    return {};
}

}  // namespace

Cause LikelyCause(const std::vector<ServerMessage>& messages, Reach reach, std::string_view database) {
    // The server's own verdict first: the driver may put its own records before it. A database
    // that cannot be opened comes as 4060 and then 18456: the login itself was good.
    for (long preferred : {4060L, 18456L}) {
        for (const ServerMessage& m : messages)
            if (m.number == preferred) return *ServerCause(m, database);
    }
    const auto server = [&](const ServerMessage& m) { return ServerCause(m, database); };
    const auto network = [&](const ServerMessage& m) { return NetworkCause(m, reach); };
    const auto timeout = [](const ServerMessage& m) -> std::optional<Cause> {
        if (m.sqlState == "HYT00" || m.sqlState == "HYT01") return TimedOut();
        return std::nullopt;
    };
    for (const auto& classify : std::initializer_list<std::function<std::optional<Cause>(const ServerMessage&)>>{
             server, network, timeout, WordsCause}) {
        Cause cause = FirstOf(messages, classify);
        if (!cause.cause.empty()) return cause;
    }
    return FromReach(reach, {"a ligação falhou por uma causa que este programa não conhece",
                             "Envie este relatório ao suporte."});
}

Cause LoginStateCause(int state) {
    if (std::optional<Cause> known = KnownLoginState(state)) return *known;
    return Cause{"o servidor recusou o login (erro 18456, estado " + std::to_string(state) + ")",
                 "Veja a linha do registo de erros acima; envie este relatório ao suporte."};
}

std::string DescribeMessage(const ServerMessage& m) {
    std::string text = "SQLSTATE " + m.sqlState + ", erro " + std::to_string(m.number);
    if (m.state != 0) text += ", estado " + std::to_string(m.state);
    if (m.severity != 0) text += ", gravidade " + std::to_string(m.severity);
    return text + ": " + m.text;
}

}  // namespace checker
