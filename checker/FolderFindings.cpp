#include "checker/FolderFindings.h"

#include <iterator>

#include "checker/ScriptFindings.h"
#include "provisioning/ProvisioningPlan.h"
#include "provisioning/ScriptText.h"
#include "provisioning/SqlStatements.h"

namespace checker {
namespace {

using prov::ProvisioningOptions;

// Every combination of the wizard's options a run may have ({demo, cloud, storeRecovery}): choosing
// "Normal" unticks and disables "Recuperação de Loja"; choosing "Tecnologia Cloud" unticks and
// disables "Criar Dados Demonstrativos" (app/Main.cpp, NormalClick and rCloudClick).
constexpr ProvisioningOptions kRuns[] = {
    {false, false, false}, {true, false, false}, {false, true, false}, {false, true, true},
};

const char* NameRule(prov::DatabaseNameFault fault) {
    using F = prov::DatabaseNameFault;
    switch (fault) {
        case F::Empty: return "o nome está vazio";
        case F::TooLong: return "o nome tem mais de 123 caracteres";
        case F::FirstCharacter: return "o nome tem de começar por uma letra ou _";
        case F::Character: return "o nome só pode ter letras, algarismos e _ @ $ # (sem espaços, hífens nem pontos)";
        case F::ReservedWord: return "o nome é uma palavra reservada do SQL";
        case F::SystemDatabase: return "o nome é o de uma base de dados do próprio servidor";
        case F::None: break;
    }
    return "";
}

}  // namespace

std::optional<Finding> DatabaseNameFinding(std::string_view name, std::u16string_view wideName) {
    const prov::DatabaseNameFault fault = prov::FindDatabaseNameFault(wideName);
    if (fault == prov::DatabaseNameFault::None) return std::nullopt;
    return Failure("base de dados " + std::string(name) + ": o assistente recusa este nome (" + NameRule(fault) +
                       ") e mostra \"Erro na criação da base de dados!\" sem mudar nada no servidor",
                   "Escolha no assistente um nome só com letras, algarismos e _, a começar por uma letra (por "
                   "exemplo velmopos_5_2).");
}

Finding MissingScriptFinding(std::string_view script, std::string_view reason) {
    int reading = 0;
    for (const ProvisioningOptions& run : kRuns) {
        for (std::string_view read : prov::ScriptsRead(run))
            if (read == script) ++reading;
    }
    const std::string what = std::string(script) + ": " + std::string(reason);
    const std::string copy = "Copie o ficheiro do pacote de instalação para esta pasta";
    if (reading == static_cast<int>(std::size(kRuns))) return Failure(what, copy + ".");
    const std::string when = script == prov::kDemoDataScript
                                 ? "só é preciso com \"Criar Dados Demonstrativos\""
                                 : "é preciso em todas as instalações exceto \"Tecnologia Cloud\" com "
                                   "\"Recuperação de Loja\"";
    return Warning(what + " (" + when + ")", copy + " antes de uma instalação que o use.");
}

Finding MissingVersionFinding(prov::Product product) {
    const std::string name(prov::ProductName(product));
    int needing = 0;
    for (const ProvisioningOptions& run : kRuns)
        if (prov::WantsVersionRow(product, run)) ++needing;
    const std::string what = name + ".exe: sem informação de versão";
    const std::string advice = "Use o executável original do produto, com a sua informação de versão "
                               "(Propriedades, Detalhes).";
    if (needing == static_cast<int>(std::size(kRuns)))
        return Failure(what + ": o assistente precisa dela para a linha versao e pára antes de mudar o servidor", advice);
    std::string text = what + "; base de dados proposta " + prov::DefaultDatabaseName(name, std::nullopt);
    if (needing > 0)
        text += "; com \"Tecnologia Cloud\" o assistente precisa dela e pára antes de mudar o servidor";
    return Warning(std::move(text), advice);
}

FolderJudgement JudgeFolder(const FolderFacts& facts) {
    FolderJudgement judged;
    std::vector<Finding>& out = judged.folder;
    if (!facts.newFileError) {
        out.push_back(Ok("a pasta aceita ficheiros novos (o assistente grava aí o ficheiro .udl)"));
    } else {
        out.push_back(Failure("a pasta não aceita ficheiros novos: " + *facts.newFileError,
                              "Copie o produto para uma pasta onde o utilizador possa escrever, ou corra o assistente "
                              "como administrador."));
    }
    for (const FolderFacts::Script& script : facts.scripts) {
        if (!script.bytes) {
            out.push_back(MissingScriptFinding(script.name, script.readError));
            continue;
        }
        out.push_back(Ok(script.name + ": presente, " + std::to_string(script.bytes->size()) + " bytes"));
        for (Finding& f : CheckScript(script.name, *script.bytes)) judged.scripts.push_back(std::move(f));
    }
    for (const FolderFacts::Executable& exe : facts.executables) {
        const std::string name(prov::ProductName(exe.product));
        if (!exe.version) {
            out.push_back(MissingVersionFinding(exe.product));
            continue;
        }
        out.push_back(Ok(name + ".exe: versão " + std::to_string(exe.version->major) + "." +
                         std::to_string(exe.version->minor) + "; base de dados proposta " +
                         prov::DefaultDatabaseName(name, exe.version)));
    }
    if (facts.executables.empty()) {
        out.push_back(Failure("nenhum executável de produto (VelmoCafe, VelmoFact, VelmoPos, VelmoRest) na pasta",
                              "Ponha o CriaBD.exe na pasta do executável do produto."));
    }
    // The wizard replaces a data link file by moving a new one over it: one it cannot delete
    // stops the run at the review page.
    for (const FolderFacts::DataLink& udl : facts.dataLinks) {
        if (udl.readOnly) {
            out.push_back(Failure(udl.name + ": só de leitura, o assistente não o pode substituir",
                                  "Nas propriedades do ficheiro desmarque \"Só de leitura\"."));
            continue;
        }
        if (udl.notReplaceable) {
            out.push_back(Failure(udl.name + ": o assistente não o pode substituir (" + *udl.notReplaceable + ")",
                                  "Feche o programa que o tem aberto; dê ao utilizador permissão de modificar (e "
                                  "eliminar) o ficheiro."));
            continue;
        }
        if (!udl.bytes) {
            out.push_back(Failure(udl.name + ": " + udl.readError, "Feche o programa que tem o ficheiro aberto."));
            continue;
        }
        DataLinkCheck check = CheckDataLinkBytes(udl.name, *udl.bytes);
        if (check.contents) judged.dataLinks.push_back({udl.name, std::move(*check.contents)});
        out.push_back(std::move(check.finding));
    }
    return judged;
}

}  // namespace checker
