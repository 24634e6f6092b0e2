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
        case F::Empty: return "o nome est\xE1 vazio";
        case F::TooLong: return "o nome tem mais de 123 caracteres";
        case F::FirstCharacter: return "o nome tem de come\xE7" "ar por uma letra ou _";
        case F::Character: return "o nome s\xF3 pode ter letras, algarismos e _ @ $ # (sem espa\xE7os, h\xED" "fens nem pontos)";
        case F::ReservedWord: return "o nome \xE9 uma palavra reservada do SQL";
        case F::SystemDatabase: return "o nome \xE9 o de uma base de dados do pr\xF3prio servidor";
        case F::None: break;
    }
    return "";
}

}  // namespace

std::optional<Finding> DatabaseNameFinding(std::string_view name, std::u16string_view wideName) {
    const prov::DatabaseNameFault fault = prov::FindDatabaseNameFault(wideName);
    if (fault == prov::DatabaseNameFault::None) return std::nullopt;
    return Failure("base de dados " + std::string(name) + ": o assistente recusa este nome (" + NameRule(fault) +
                       ") e mostra \"Erro na cria\xE7\xE3o da base de dados!\" sem mudar nada no servidor",
                   "Escolha no assistente um nome s\xF3 com letras, algarismos e _, a come\xE7" "ar por uma letra (por "
                   "exemplo velmopos_5_2).");
}

Finding MissingScriptFinding(std::string_view script, std::string_view reason) {
    int reading = 0;
    for (const ProvisioningOptions& run : kRuns) {
        for (std::string_view read : prov::ScriptsRead(run))
            if (read == script) ++reading;
    }
    const std::string what = std::string(script) + ": " + std::string(reason);
    const std::string copy = "Copie o ficheiro do pacote de instala\xE7\xE3o para esta pasta";
    if (reading == static_cast<int>(std::size(kRuns))) return Failure(what, copy + ".");
    const std::string when = script == prov::kDemoDataScript
                                 ? "s\xF3 \xE9 preciso com \"Criar Dados Demonstrativos\""
                                 : "\xE9 preciso em todas as instala\xE7\xF5" "es exceto \"Tecnologia Cloud\" com "
                                   "\"Recupera\xE7\xE3o de Loja\"";
    return Warning(what + " (" + when + ")", copy + " antes de uma instala\xE7\xE3o que o use.");
}

Finding MissingVersionFinding(prov::Product product) {
    const std::string name(prov::ProductName(product));
    int needing = 0;
    for (const ProvisioningOptions& run : kRuns)
        if (prov::WantsVersionRow(product, run)) ++needing;
    const std::string what = name + ".exe: sem informa\xE7\xE3o de vers\xE3o";
    const std::string advice = "Use o execut\xE1vel original do produto, com a sua informa\xE7\xE3o de vers\xE3o "
                               "(Propriedades, Detalhes).";
    if (needing == static_cast<int>(std::size(kRuns)))
        return Failure(what + ": o assistente precisa dela para a linha versao e p\xE1ra antes de mudar o servidor", advice);
    std::string text = what + "; base de dados proposta " + prov::DefaultDatabaseName(name, std::nullopt);
    if (needing > 0)
        text += "; com \"Tecnologia Cloud\" o assistente precisa dela e p\xE1ra antes de mudar o servidor";
    return Warning(std::move(text), advice);
}

}  // namespace checker
