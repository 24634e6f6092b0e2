#include "checker/Options.h"

#include "base/Text.h"

namespace checker {
namespace {

bool IsOption(std::string_view argument) {
    return argument.size() > 1 && (argument.front() == '/' || argument.front() == '-');
}

bool LooksLikePassword(std::string_view name) {
    for (std::string_view word : {"password", "senha", "pwd", "pass", "palavra-passe", "palavrapasse"})
        if (base::EqualsIgnoreCase(name, word)) return true;
    return false;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    auto fail = [&](std::string error) {
        parsed.error = std::move(error);
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!IsOption(argument)) return fail("Argumento inesperado: \"" + argument + "\".");
        const std::string_view name = std::string_view(argument).substr(1);
        if (name == "?" || base::EqualsIgnoreCase(name, "ajuda")) {
            parsed.options.help = true;
            continue;
        }
        if (bool* flag = base::EqualsIgnoreCase(name, "corrigir") ? &parsed.options.repair
                         : base::EqualsIgnoreCase(name, "desfazer") ? &parsed.options.undo
                         : base::EqualsIgnoreCase(name, "sim")      ? &parsed.options.yesToAll
                                                                    : nullptr) {
            *flag = true;
            continue;
        }
        if (base::EqualsIgnoreCase(name, "porta")) {
            unsigned long port = 0;
            const std::string value = i + 1 < arguments.size() ? arguments[i + 1] : std::string();
            for (char c : value) port = c >= '0' && c <= '9' && port < 100000 ? port * 10 + (c - '0') : 100000;
            if (value.empty() || port == 0 || port > 65535 || parsed.options.port)
                return fail("/porta precisa de um número de 1 a 65535, dado uma vez.");
            parsed.options.port = static_cast<unsigned short>(port);
            ++i;
            continue;
        }
        if (LooksLikePassword(name))
            return fail("A palavra-passe nunca se dá na linha de comandos: o programa pede-a quando precisa dela.");
        std::optional<std::string>* target = nullptr;
        if (base::EqualsIgnoreCase(name, "servidor")) target = &parsed.options.server;
        else if (base::EqualsIgnoreCase(name, "utilizador")) target = &parsed.options.login;
        else if (base::EqualsIgnoreCase(name, "basedados")) target = &parsed.options.database;
        if (target == nullptr) return fail("Opção desconhecida: \"" + argument + "\".");
        if (target->has_value()) return fail("A opção \"" + argument + "\" foi dada duas vezes.");
        if (i + 1 == arguments.size() || arguments[i + 1].empty() || IsOption(arguments[i + 1]))
            return fail("Falta o valor da opção \"" + argument + "\".");
        *target = arguments[++i];
    }
    const Options& o = parsed.options;
    if (o.repair && o.undo) return fail("Dê /corrigir ou /desfazer, não os dois.");
    if (o.port && !o.repair) return fail("/porta só serve com /corrigir.");
    if (o.yesToAll && !o.repair && !o.undo) return fail("/sim só serve com /corrigir ou /desfazer.");
    return parsed;
}

std::string_view UsageText() {
    return "VerificaBD: verifica o que o assistente CriaBD precisa; só altera com /corrigir.\n"
           "\n"
           "  VerificaBD [/servidor NOME[\\INSTANCIA]] [/utilizador NOME] [/basedados NOME]\n"
           "             [/corrigir [/porta N] | /desfazer] [/sim]\n"
           "\n"
           "  /servidor    o servidor SQL Server (e a instância), como no assistente\n"
           "  /utilizador  o login (por omissão \"sa\")\n"
           "  /basedados   a base de dados a verificar\n"
           "  /corrigir    depois da verificação, corrige o servidor deste PC: cada alteração é\n"
           "               mostrada e perguntada (S/N) e fica num registo (como administrador)\n"
           "  /porta N     com /corrigir: põe a instância na porta fixa N, se estiver livre\n"
           "  /desfazer    desfaz as alterações de /corrigir, da mais recente à mais antiga\n"
           "  /sim         responde sim a todas as perguntas de /corrigir ou /desfazer\n"
           "  /?           esta ajuda\n"
           "\n"
           "Sem /servidor, os valores vêm de cada ficheiro .udl da pasta. A palavra-passe é pedida\n"
           "na consola (não aparece ao escrever) ou lida do .udl; nunca se dá na linha de comandos.\n"
           "Saída: 0 sem falhas, 1 com alguma falha, 2 com opções erradas ou, para corrigir, sem\n"
           "direitos de administrador.\n";
}

}  // namespace checker
