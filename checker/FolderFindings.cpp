#include "checker/FolderFindings.h"

#include <iterator>

#include "provisioning/ProvisioningPlan.h"
#include "provisioning/ScriptText.h"
#include "provisioning/SqlStatements.h"

namespace checker {
namespace {

using prov::ProvisioningOptions;

// Every combination of the wizard's options a run may have (Recuperação de Loja only with Cloud).
constexpr ProvisioningOptions kRuns[] = {
    {false, false, false}, {true, false, false}, {false, true, false}, {true, true, false}, {false, true, true}, {true, true, true},
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

}  // namespace checker
