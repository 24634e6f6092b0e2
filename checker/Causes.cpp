#include "checker/Causes.h"

#include <algorithm>
#include <optional>

#include "framework/Text.h"

namespace checker {
namespace {

bool Mentions(const std::string& text, std::string_view word) {
    return fw::ToLowerAscii(text).find(word) != std::string::npos;
}

std::optional<Cause> CauseOf(const ServerMessage& m) {
    switch (m.number) {
        case 18456: {
            std::string cause = "o servidor recusou o login (utilizador ou palavra-passe errados, login desativado, "
                                "ou o servidor aceita s\xF3 autentica\xE7\xE3o do Windows)";
            if (m.state == 8) cause = "palavra-passe errada (erro 18456, estado 8)";
            else if (m.state == 5) cause = "o utilizador n\xE3o existe no servidor (erro 18456, estado 5)";
            else if (m.state == 7) cause = "o login est\xE1 desativado (erro 18456, estado 7)";
            else if (m.state == 58) cause = "o servidor aceita s\xF3 autentica\xE7\xE3o do Windows (erro 18456, estado 58)";
            return Cause{cause,
                         "Confirme o utilizador e a palavra-passe. O SQL Server Express instala-se s\xF3 com autentica\xE7\xE3o "
                         "do Windows: no SQL Server Management Studio ative a autentica\xE7\xE3o \"SQL Server e Windows\" e o "
                         "login sa, e reinicie o servi\xE7o do SQL Server."};
        }
        case 18470:
            return Cause{"o login est\xE1 desativado", "Ative o login no servidor (ALTER LOGIN ... ENABLE)."};
        case 18452:
            return Cause{"o servidor aceita s\xF3 autentica\xE7\xE3o do Windows",
                         "Ative a autentica\xE7\xE3o \"SQL Server e Windows\" no servidor e reinicie o servi\xE7o."};
        case 18488:
            return Cause{"a palavra-passe do login expirou e tem de ser mudada",
                         "Mude a palavra-passe no SQL Server Management Studio."};
        case 4060:
            return Cause{"a base de dados n\xE3o existe ou o login n\xE3o a pode abrir",
                         "Confirme o nome da base de dados e as permiss\xF5" "es do login."};
        case 924:
            return Cause{"a base de dados est\xE1 em modo SINGLE_USER e j\xE1 tem um utilizador",
                         "Feche o programa que a usa, ou corra ALTER DATABASE <nome> SET MULTI_USER."};
        default:
            break;
    }
    if (m.sqlState == "HYT00" || Mentions(m.text, "timeout expired") || Mentions(m.text, "login timeout"))
        return Cause{"o servidor n\xE3o respondeu dentro do tempo de liga\xE7\xE3o",
                     "Verifique se o servi\xE7o do SQL Server est\xE1 a correr e se a firewall deixa passar a porta."};
    if (Mentions(m.text, "unknown host") || Mentions(m.text, "could not be resolved") || Mentions(m.text, "no such host") ||
        Mentions(m.text, "server does not exist") || m.number == 20013)
        return Cause{"o nome do servidor n\xE3o \xE9 conhecido nesta rede",
                     "Confirme o nome do computador do servidor (ou use o seu endere\xE7o IP)."};
    if (Mentions(m.text, "ssl") || Mentions(m.text, "tls") || Mentions(m.text, "certificate") ||
        Mentions(m.text, "certificado") || Mentions(m.text, "encrypt"))
        return Cause{"a encripta\xE7\xE3o ou o certificado do servidor foram recusados",
                     "O servidor exige encripta\xE7\xE3o com um certificado que este computador n\xE3o aceita: instale um "
                     "controlador ODBC recente do SQL Server, ou desative \"Force Encryption\" no servidor."};
    if (m.number == 20009 || Mentions(m.text, "unable to connect") || Mentions(m.text, "connection refused") ||
        Mentions(m.text, "actively refused"))
        return Cause{"ningu\xE9m responde nessa porta: o servi\xE7o do SQL Server est\xE1 parado ou n\xE3o escuta em TCP/IP",
                     "Inicie o servi\xE7o do SQL Server e ative o TCP/IP no SQL Server Configuration Manager."};
    return std::nullopt;
}

}  // namespace

Cause LikelyCause(const std::vector<ServerMessage>& messages) {
    // The server's login verdict first: the driver may put its own records before it.
    for (long preferred : {18456L, 4060L}) {
        for (const ServerMessage& m : messages)
            if (m.number == preferred) return *CauseOf(m);
    }
    for (const ServerMessage& m : messages)
        if (std::optional<Cause> cause = CauseOf(m)) return *cause;
    return Cause{"a liga\xE7\xE3o falhou por uma causa que este programa n\xE3o conhece",
                 "Envie este relat\xF3rio ao suporte."};
}

std::string DescribeMessage(const ServerMessage& m) {
    std::string text = "SQLSTATE " + m.sqlState + ", erro " + std::to_string(m.number);
    if (m.state != 0) text += ", estado " + std::to_string(m.state);
    if (m.severity != 0) text += ", gravidade " + std::to_string(m.severity);
    return text + ": " + m.text;
}

}  // namespace checker
