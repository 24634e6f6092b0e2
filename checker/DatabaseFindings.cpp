#include "checker/DatabaseFindings.h"

#include "provisioning/ConnectionString.h"
#include "provisioning/SqlStatements.h"

namespace checker {

std::vector<Finding> DriverFindings(const std::vector<std::string>& installed, const std::string& error) {
    if (!error.empty())
        return {Failure("o gestor de ODBC não responde: " + error, "Repare a instalação do Windows.")};
    std::string list;
    for (const std::string& name : installed) list += (list.empty() ? "" : ", ") + name;
    std::vector<Finding> out{Ok("instalados: " + (list.empty() ? std::string("nenhum") : list))};
    const std::vector<prov::OdbcDriver> chosen = prov::ChooseOdbcDrivers(installed);
    if (chosen.empty()) {
        out.push_back(Failure("nenhum controlador ODBC do SQL Server que o assistente use",
                              "Instale o controlador ODBC do SQL Server (ODBC Driver 17 ou 18 for SQL Server)."));
    } else {
        out.push_back(Ok("o assistente usará \"" + std::string(chosen.front().name) + "\""));
    }
    return out;
}

Finding CreatePermissionFinding(const std::string& login, const CreatePermission& permission) {
    if (!permission.error.empty())
        return Warning("a permissão de criar bases de dados não se lê (" + permission.error + ")",
                       "Confirme que o login tem a função de servidor dbcreator ou sysadmin.");
    // The wizard creates the database: the login needs CREATE ANY DATABASE (sysadmin and dbcreator have it).
    if (permission.answer == "1") return Ok("o login " + login + " pode criar bases de dados");
    return Failure("o login " + login + " não pode criar bases de dados (falta-lhe CREATE ANY DATABASE)",
                   "No SQL Server Management Studio dê ao login a função de servidor dbcreator (Segurança, Logins, "
                   "propriedades, Funções de servidor), ou use no assistente o login sa.");
}

bool OpensDatabase(const DatabaseFacts& facts) {
    return facts.stateError.empty() && facts.status && *facts.status == "ONLINE";
}

std::vector<Finding> DatabaseFindings(const DatabaseFacts& f) {
    const std::string db = "base de dados " + f.name + ": ";
    std::vector<Finding> out;
    if (!f.stateError.empty()) {
        out.push_back(Warning(db + "o estado não se lê (" + f.stateError + ")", "Confirme as permissões do login."));
        return out;
    }
    if (!f.status) {
        // A refused name has had its FALHA: the wizard creates nothing under it.
        if (f.usableName) out.push_back(Ok(db + "não existe (o assistente cria-a)"));
        return out;
    }
    if (*f.status != "ONLINE") {
        out.push_back(Failure(db + "estado " + *f.status, "Ponha-a ONLINE no SQL Server Management Studio, ou restaure-a."));
        return out;
    }
    const bool singleUser = f.access.value_or("") == "SINGLE_USER";
    if (singleUser) {
        out.push_back(Failure(db + "em modo SINGLE_USER (o produto não a pode usar)",
                              "Feche os programas que a usam e corra no servidor: " + prov::MultiUserStatement(f.name)));
    }
    if (f.openError) {
        // The wizard's own probe: a database it cannot open counts as absent, so it goes straight
        // to CREATE DATABASE, which fails on the existing one. A single-user one has its FALHA.
        if (!singleUser) {
            out.push_back(Failure(db + "existe, mas o login " + f.login +
                                      " não a pode abrir; o assistente toma-a por ausente, tenta criá-la e mostra \"Erro na "
                                      "criação da base de dados!\" (" + *f.openError + ")",
                                  "Dê ao login acesso a esta base de dados (um utilizador nela, no SQL Server Management "
                                  "Studio), ou use no assistente um login que a possa abrir (sa)."));
        }
        return out;
    }
    if (!singleUser)
        out.push_back(Ok(db + "existe, ONLINE, " + f.access.value_or("?") + " (o assistente pergunta antes de a substituir)"));
    if (!f.versionError.empty()) {
        // Never advise replacing it: it may be a shop's live database under another layout.
        out.push_back(Warning(db + "a linha versao não se lê (" + f.versionError + ")",
                              "Confirme que é a base de dados deste produto; envie este relatório ao suporte. "
                              "Não a substitua: pode ter os dados da loja."));
    } else if (f.versionRow && f.versionRow->empty()) {
        out.push_back(Ok(db + "tabela versao sem linhas"));
    } else if (f.versionRow) {
        const auto& r = *f.versionRow;
        const auto at = [&](std::size_t i) { return i < r.size() ? r[i].value_or("NULL") : std::string("NULL"); };
        out.push_back(Ok(db + "versao " + at(0) + "." + at(1) + ", loja " + at(2)));
    }
    return out;
}

}  // namespace checker
