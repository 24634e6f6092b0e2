#include "checker/Causes.h"

#include <algorithm>
#include <optional>

#include "base/Text.h"
#include "provisioning/SqlStatements.h"

namespace checker {
namespace {

const char* const kMixedModeAdvice =
    "No SQL Server Management Studio ative a autenticação \"SQL Server e Windows\" (propriedades do servidor, "
    "Segurança) e reinicie o serviço do SQL Server.";

bool Mentions(const std::string& text, std::string_view word) {
    return base::ToLowerAscii(text).find(word) != std::string::npos;
}

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
        case 18:
            return Cause{"a palavra-passe do login tem de ser mudada" + which,
                         "Mude a palavra-passe no SQL Server Management Studio."};
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

std::optional<Cause> CauseOf(const ServerMessage& m, std::string_view database) {
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
        case 18488:
            return Cause{"a palavra-passe do login expirou e tem de ser mudada",
                         "Mude a palavra-passe no SQL Server Management Studio."};
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
            break;
    }
    if (m.sqlState == "HYT00" || Mentions(m.text, "timeout expired") || Mentions(m.text, "login timeout"))
        return Cause{"o servidor não respondeu dentro do tempo de ligação",
                     "Verifique se o serviço do SQL Server está a correr e se a firewall deixa passar a porta."};
    if (Mentions(m.text, "unknown host") || Mentions(m.text, "could not be resolved") || Mentions(m.text, "no such host") ||
        Mentions(m.text, "server does not exist") || m.number == 20013)
        return Cause{"o nome do servidor não é conhecido nesta rede",
                     "Confirme o nome do computador do servidor (ou use o seu endereço IP)."};
    if (Mentions(m.text, "ssl") || Mentions(m.text, "tls") || Mentions(m.text, "certificate") ||
        Mentions(m.text, "certificado") || Mentions(m.text, "encrypt"))
        return Cause{"a encriptação ou o certificado do servidor foram recusados",
                     "O servidor exige encriptação com um certificado que este computador não aceita: instale um "
                     "controlador ODBC recente do SQL Server, ou desative \"Force Encryption\" no servidor."};
    if (m.number == 20009 || Mentions(m.text, "unable to connect") || Mentions(m.text, "connection refused") ||
        Mentions(m.text, "actively refused"))
        return Cause{"ninguém responde nessa porta: o serviço do SQL Server está parado ou não escuta em TCP/IP",
                     "Inicie o serviço do SQL Server e ative o TCP/IP no SQL Server Configuration Manager."};
    return std::nullopt;
}

}  // namespace

Cause LikelyCause(const std::vector<ServerMessage>& messages, std::string_view database) {
    // The server's own verdict first: the driver may put its own records before it. A database
    // that cannot be opened comes as 4060 and then 18456: the login itself was good.
    for (long preferred : {4060L, 18456L}) {
        for (const ServerMessage& m : messages)
            if (m.number == preferred) return *CauseOf(m, database);
    }
    for (const ServerMessage& m : messages)
        if (std::optional<Cause> cause = CauseOf(m, database)) return *cause;
    return Cause{"a ligação falhou por uma causa que este programa não conhece",
                 "Envie este relatório ao suporte."};
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
