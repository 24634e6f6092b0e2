#pragma once
// VerificaBD's command line:
//   VerificaBD [/servidor NOME[\INSTANCIA]] [/utilizador NOME] [/basedados NOME]
//   VerificaBD ... /corrigir [/porta N] [/sim]     repairs this PC's server after the check
//   VerificaBD /desfazer [/sim]                      puts back what /corrigir changed
//   VerificaBD /?
// Option names ignore case and may start with '/' or '-'; each takes the next argument as its
// value and may be given once. The password is never an option: it is asked on the console, or
// read from a .udl beside the program; an option that looks like one is refused with a text that
// says so.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace checker {

struct Options {
    std::optional<std::string> server;    // as the wizard's review page shows it: server or server\instance
    std::optional<std::string> login;
    std::optional<std::string> database;
    bool help = false;
    bool repair = false;                  // /corrigir
    bool undo = false;                    // /desfazer
    bool yesToAll = false;                // /sim: yes to every question of /corrigir or /desfazer
    std::optional<unsigned short> port;   // /porta N: the fixed port /corrigir sets
};

struct ParsedOptions {
    Options options;
    std::string error;  // empty when the command line is good; else one line in Portuguese
};

// Arguments without the program's name, in the ANSI code page.
ParsedOptions ParseOptions(const std::vector<std::string>& arguments);

// The text /? prints.
std::string_view UsageText();

}  // namespace checker
