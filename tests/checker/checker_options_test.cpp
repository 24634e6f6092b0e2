#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/Options.h"
#include "checker/OutputText.h"
#include "checker/Report.h"
#include "checker/ServerName.h"

namespace {

using checker::ParseOptions;

TEST(CheckerOptions, AcceptedCommandLines) {
    struct Case {
        std::vector<std::string> args;
        const char* server;
        const char* login;
        const char* database;
        bool help;
    };
    const Case cases[] = {
        {{}, nullptr, nullptr, nullptr, false},
        {{"/servidor", "SRV\\MARLOVEXSQL"}, "SRV\\MARLOVEXSQL", nullptr, nullptr, false},
        {{"-SERVIDOR", "127.0.0.1,1433", "/Utilizador", "sa", "/basedados", "velmopos_5_2"}, "127.0.0.1,1433", "sa",
         "velmopos_5_2", false},
        {{"/?"}, nullptr, nullptr, nullptr, true},
        {{"/basedados", "café", "-?"}, nullptr, nullptr, "café", true},
    };
    for (const Case& c : cases) {
        const checker::ParsedOptions parsed = ParseOptions(c.args);
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options.server.value_or("(none)"), c.server ? c.server : "(none)");
        EXPECT_EQ(parsed.options.login.value_or("(none)"), c.login ? c.login : "(none)");
        EXPECT_EQ(parsed.options.database.value_or("(none)"), c.database ? c.database : "(none)");
        EXPECT_EQ(parsed.options.help, c.help);
    }
}

TEST(CheckerOptions, RefusedCommandLinesSayWhy) {
    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {{"/servidor"}, "Falta o valor da opção \"/servidor\"."},
        {{"/servidor", "/utilizador", "sa"}, "Falta o valor da opção \"/servidor\"."},
        {{"/servidor", ""}, "Falta o valor da opção \"/servidor\"."},
        {{"/servidor", "a", "/servidor", "b"}, "A opção \"/servidor\" foi dada duas vezes."},
        {{"/naoexiste", "1433"}, "Opção desconhecida: \"/naoexiste\"."},
        {{"SRV"}, "Argumento inesperado: \"SRV\"."},
        {{"/"}, "Argumento inesperado: \"/\"."},
        {{"/password", "segredo"}, "A palavra-passe nunca se dá na linha de comandos: o programa pede-a quando precisa dela."},
        {{"-PWD", "segredo"}, "A palavra-passe nunca se dá na linha de comandos: o programa pede-a quando precisa dela."},
    };
    for (const Case& c : cases) {
        const checker::ParsedOptions parsed = ParseOptions(c.args);
        EXPECT_EQ(parsed.error, c.error) << c.args.front();
    }
    // The refusal never repeats the value that followed a password option.
    EXPECT_EQ(ParseOptions({"/senha", "segredo"}).error.find("segredo"), std::string::npos);
}

TEST(CheckerReport, LinesTagsAndExitCode) {
    using namespace checker;
    EXPECT_EQ(FormatFinding(Ok("pasta gravável")), "[ OK ] pasta gravável\n");
    EXPECT_EQ(FormatFinding(Warning("a", "b")), "[AVISO] a\n        O que fazer: b\n");
    EXPECT_EQ(FormatFinding(Failure("c", "d")), "[FALHA] c\n        O que fazer: d\n");
    EXPECT_EQ(ExitCode({Ok("x"), Warning("y", "z")}), 0);
    EXPECT_EQ(ExitCode({Ok("x"), Failure("y", "z"), Ok("w")}), 1);
    EXPECT_EQ(Redact("Password=abcd;x=abcd", "abcd"), "Password=***;x=***");
    EXPECT_EQ(Redact("aaaa;aa", "aa"), "aaaa;***") << "a short secret is hidden where it is a word of its own";
    EXPECT_EQ(Redact("sa: 15.0, estado 1", "1"), "sa: 15.0, estado ***");
    EXPECT_EQ(Redact("a#b", "#"), "a***b") << "a secret with no letters is hidden wherever it stands";
    EXPECT_EQ(Redact("texto", ""), "texto");
}

TEST(CheckerOutput, ConsoleGetsUtf16PipesGetUtf8WithCrLf) {
    using checker::OutputBytes;
    EXPECT_EQ(OutputBytes("aç\n", checker::Sink::PipeOrFile), "a\xC3\xA7\r\n");
    EXPECT_EQ(OutputBytes("€\r\n", checker::Sink::PipeOrFile), "\xE2\x82\xAC\r\n");
    EXPECT_EQ(OutputBytes("ç\n", checker::Sink::Console), std::string("\xE7\0\r\0\n\0", 6));
}

}  // namespace

namespace {

TEST(ServerName, FormsTheTechnicianTypes) {
    struct Case {
        const char* text;
        const char* host;  // nullptr: refused
        const char* instance;
        int port;  // 0: none
    };
    const Case cases[] = {
        {"SRV", "SRV", "", 0},
        {"SRV\\MARLOVEXSQL", "SRV", "MARLOVEXSQL", 0},
        {"127.0.0.1,14330", "127.0.0.1", "", 14330},
        {"tcp:srv\\i,1500", "srv", "i", 1500},
        {"(local)\\SQLEXPRESS", "127.0.0.1", "SQLEXPRESS", 0},
        {".", "127.0.0.1", "", 0},
        {"srv,0", nullptr, "", 0},
        {"srv,65536", nullptr, "", 0},
        {"srv,12a", nullptr, "", 0},
        {"\\inst", nullptr, "", 0},
        {"", nullptr, "", 0},
    };
    for (const Case& c : cases) {
        const auto address = checker::ParseServer(c.text);
        ASSERT_EQ(address.has_value(), c.host != nullptr) << c.text;
        if (!address) continue;
        EXPECT_EQ(address->host, c.host) << c.text;
        EXPECT_EQ(address->instance, c.instance) << c.text;
        EXPECT_EQ(address->port.value_or(0), c.port) << c.text;
    }
}

TEST(ServerName, BrowserAnswers) {
    const std::string text =
        "ServerName;SRV;InstanceName;MARLOVEXSQL;IsClustered;No;Version;15.0.2000.5;tcp;14330;;"
        "ServerName;SRV;InstanceName;OUTRA;IsClustered;No;Version;16.0.1000.6;np;\\\\SRV\\pipe;;";
    const std::string datagram = std::string("\x05", 1) + static_cast<char>(text.size() & 0xFF) +
                                 static_cast<char>(text.size() >> 8) + text;
    const auto instances = checker::ParseBrowserAnswer(datagram);
    ASSERT_TRUE(instances);
    ASSERT_EQ(instances->size(), 2u);
    EXPECT_EQ((*instances)[0].instance, "MARLOVEXSQL");
    EXPECT_EQ((*instances)[0].tcpPort.value_or(0), 14330);
    EXPECT_EQ((*instances)[0].version, "15.0.2000.5");
    EXPECT_EQ((*instances)[1].instance, "OUTRA");
    EXPECT_FALSE((*instances)[1].tcpPort) << "no TCP: named pipes only";
    EXPECT_FALSE(checker::ParseBrowserAnswer(datagram.substr(0, datagram.size() - 1))) << "length disagrees";
    EXPECT_FALSE(checker::ParseBrowserAnswer("\x04x"));
}

}  // namespace
