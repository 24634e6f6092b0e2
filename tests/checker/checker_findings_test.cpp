#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "checker/Causes.h"
#include "checker/DataLinkCheck.h"
#include "checker/FolderFindings.h"
#include "checker/LocalServer.h"
#include "checker/ScriptFindings.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/DataLinkFile.h"

namespace {

using namespace std::string_literals;
using checker::Level;

std::string Lines(const std::vector<checker::Finding>& findings) {
    std::string text;
    for (const auto& f : findings) text += checker::FormatFinding(f);
    return text;
}

// Each kind of trouble in a script gives its level and names the line the wizard would see it on.
TEST(ScriptFindings, EachKindNamesItsLine) {
    struct Case {
        const char* label;
        std::string bytes;
        Level level;
        std::string text;
    };
    const Case cases[] = {
        {"clean", "CREATE TABLE t (n int)\r\nINSERT INTO t VALUES (1)\r\n", Level::Ok,
         "DBScript.inf: 2 linhas, 50 bytes, sem problemas"},
        {"empty", "", Level::Failure, "DBScript.inf: o ficheiro está vazio"},
        {"UTF-8 BOM", "\xEF\xBB\xBFSELECT 1\r\n", Level::Failure,
         "DBScript.inf, linha 1: marca de ordem de bytes UTF-8 (EF BB BF) no início"},
        {"UTF-16 BOM", "\xFF\xFES\0E\0", Level::Failure,
         "DBScript.inf, linha 1: o ficheiro está em UTF-16 (marca de ordem de bytes FF FE)"},
        {"GO lines, lone CR and LF count as line ends; a count or a comment after GO",
         "a\rGO\nb\r\n go \r\nGO 2\r\ngo\t-- fim\r\nGO2\r\nGOTO x\r\nGO 2 x\r\nc", Level::Failure,
         "DBScript.inf, linhas 2, 4, 5 e mais 1: linha GO (separador de lotes): o assistente envia o ficheiro inteiro "
         "como um só lote e o servidor recusa o GO"},
        {"NUL on line 3", "a\r\nb\r\ncc\0rest"s, Level::Failure,
         "DBScript.inf, linha 3: byte zero (NUL) no byte 9: o texto acaba aqui para o assistente; os 5 bytes seguintes são ignorados"},
        {"NUL first", "\0abc"s, Level::Failure,
         "DBScript.inf, linha 1: byte zero (NUL) no primeiro byte: o assistente não envia nada"},
        {"UTF-8 accents", "a\r\nINSERT INTO t VALUES ('Jo\xC3\xA3o')\r\n", Level::Warning,
         "DBScript.inf, linha 2: texto em UTF-8; o assistente lê o ficheiro em ANSI e grava os acentos errados"},
        {"ANSI accents are fine", "INSERT INTO t VALUES ('João')", Level::Ok,
         "DBScript.inf: 1 linhas, 29 bytes, sem problemas"},
        {"colon marker, also in a comment", "-- hora 10:30\r\nSELECT 1", Level::Failure,
         "DBScript.inf, linha 1: \":30\" fora de aspas torna-se um parâmetro sem valor (também em comentários)"},
        {"question mark", "SELECT 1\nSELECT '?', ?", Level::Failure,
         "DBScript.inf, linha 2: \"?\" fora de aspas é um parâmetro sem valor"},
        {"quoted colon and doubled colon", "SELECT ':x', a::b", Level::Ok,
         "DBScript.inf: 1 linhas, 17 bytes, sem problemas"},
    };
    for (const Case& c : cases) {
        const auto findings = checker::CheckScript("DBScript.inf", c.bytes);
        ASSERT_FALSE(findings.empty()) << c.label;
        EXPECT_EQ(findings.front().level, c.level) << c.label << "\n" << Lines(findings);
        EXPECT_EQ(findings.front().text, c.text) << c.label;
        if (c.level != Level::Ok) {
            EXPECT_FALSE(findings.front().advice.empty()) << c.label;
        }
    }
}

TEST(ScriptFindings, ManyOccurrencesAreCountedNotListed) {
    std::string script;
    for (int i = 0; i < 7; ++i) script += "SELECT 1\r\nGO\r\n";
    const auto findings = checker::CheckScript("DBDemo.inf", script);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].text, "DBDemo.inf, linhas 2, 4, 6 e mais 4: linha GO (separador de lotes): o assistente envia o "
                                "ficheiro inteiro como um só lote e o servidor recusa o GO");
    // Several kinds at once: each gets its line (the BOM makes the first line more than GO).
    const auto mixed = checker::CheckScript("DBDefault.inf", "\xEF\xBB\xBFGO\r\n:x\r\n\xC3\xA7\0"s);
    EXPECT_EQ(Lines(mixed),
              "[FALHA] DBDefault.inf, linha 1: marca de ordem de bytes UTF-8 (EF BB BF) no início\n"
              "        O que fazer: Grave o ficheiro como texto ANSI (Windows-1252), sem BOM.\n"
              "[FALHA] DBDefault.inf, linha 3: byte zero (NUL) no byte 14: o texto acaba aqui para o assistente; os 1 bytes seguintes são ignorados\n"
              "        O que fazer: Retire os bytes zero; grave o ficheiro como texto ANSI.\n"
              "[AVISO] DBDefault.inf, linha 3: texto em UTF-8; o assistente lê o ficheiro em ANSI e grava os acentos errados\n"
              "        O que fazer: Grave o ficheiro como texto ANSI (Windows-1252).\n"
              "[FALHA] DBDefault.inf, linha 2: \":x\" fora de aspas torna-se um parâmetro sem valor (também em comentários)\n"
              "        O que fazer: Ponha esse texto entre aspas, ou escreva \"::\" para um só ':'.\n");
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(DataLinkCheck, TheWizardsOwnFileReadsBack) {
    const prov::ConnectionSettings settings{"SRV\\MARLOVEXSQL", "sa", "p;w\"d", "velmopos_5_2"};
    const std::string connection = prov::DatabaseConnectionString(settings);
    const auto check = checker::CheckDataLinkBytes("VelmoPos.udl", prov::DataLinkFileBytes(connection));
    EXPECT_EQ(check.finding.level, Level::Ok) << checker::FormatFinding(check.finding);
    ASSERT_TRUE(check.contents);
    EXPECT_EQ(check.contents->connectionString, connection);
    EXPECT_EQ(check.contents->settings.server, settings.server);
    EXPECT_EQ(check.contents->settings.password, settings.password);
    EXPECT_EQ(check.contents->settings.database, settings.database);
    EXPECT_EQ(check.finding.text.find("p;w"), std::string::npos) << "the password is not in the finding";
}

TEST(DataLinkCheck, WrongBytesNameTheFirstDifference) {
    const std::vector<std::uint8_t> good = prov::DataLinkFileBytes(
        prov::DatabaseConnectionString({"srv", "sa", "", "velmopos_5_2"}));
    struct Case {
        const char* label;
        std::vector<std::uint8_t> bytes;
        std::string text;
    };
    auto changed = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> b = good;
        b[at] = value;
        return b;
    };
    std::vector<std::uint8_t> trailing = good;
    trailing.insert(trailing.end(), {0x0D, 0x00, 0x0A, 0x00});
    std::vector<std::uint8_t> noLineEnd(good.begin(), good.end() - 4);
    const Case cases[] = {
        {"short", Bytes("\xFF\xFE"), "VelmoPos.udl: tem 2 bytes, menos do que o mínimo (132)"},
        {"odd", [&] { auto b = good; b.push_back(0); return b; }(),
         "VelmoPos.udl: tem um número ímpar de bytes (" + std::to_string(good.size() + 1) + "): não é UTF-16"},
        {"no BOM", changed(0, 0x5B), "VelmoPos.udl: difere do formato do assistente no byte 0, na marca de ordem de bytes (deve ser FF FE)"},
        {"section", changed(4, 'O'), "VelmoPos.udl: difere do formato do assistente no byte 4, na linha \"[oledb]\""},
        {"comment", changed(40, 'x'), "VelmoPos.udl: difere do formato do assistente no byte 40, na linha de comentário"},
        {"line after", trailing, "VelmoPos.udl: difere do formato do assistente no byte " + std::to_string(good.size() - 4) +
                                     ", no fim da cadeia de ligação (deve acabar em CR LF, sem nada depois)"},
        {"no line end", noLineEnd, "VelmoPos.udl: difere do formato do assistente no byte " + std::to_string(good.size() - 4) +
                                       ", no fim da cadeia de ligação (deve acabar em CR LF, sem nada depois)"},
        {"non-ANSI unit", changed(good.size() - 5, 0x30) /* the last character becomes U+3076 */,
         "VelmoPos.udl: difere do formato do assistente no byte 128, na cadeia de ligação (caracteres fora do ANSI)"},
    };
    for (const Case& c : cases) {
        const auto check = checker::CheckDataLinkBytes("VelmoPos.udl", c.bytes);
        EXPECT_EQ(check.finding.level, Level::Failure) << c.label;
        EXPECT_EQ(check.finding.text, c.text) << c.label;
        EXPECT_FALSE(check.contents) << c.label;
    }
}

TEST(DataLinkCheck, MaskPasswordHidesOnlyThePassword) {
    EXPECT_EQ(checker::MaskPassword("Provider=SQLOLEDB.1;Password=abc;User ID=sa;Data Source=s"),
              "Provider=SQLOLEDB.1;Password=***;User ID=sa;Data Source=s");
    EXPECT_EQ(checker::MaskPassword("Password=\"a;\"\"b\";User ID=sa"), "Password=***;User ID=sa");
    EXPECT_EQ(checker::MaskPassword(" password = x"), " password =***");
    EXPECT_EQ(checker::MaskPassword("Password=;User ID=sa"), "Password=***;User ID=sa");
    EXPECT_EQ(checker::MaskPassword("Provider=SQLOLEDB.1;;Password=abcd;x;Pwd=efgh"),
              "Provider=SQLOLEDB.1;;Password=***;x;Pwd=***");
}

TEST(Causes, CommonFailuresGetTheirCause) {
    using checker::ServerMessage;
    struct Case {
        std::vector<ServerMessage> messages;
        const char* cause;
    };
    const Case cases[] = {
        {{{"08001", 0, 0, 0, "[FreeTDS]Unable to connect"}, {"28000", 18456, 8, 14, "Login failed for user 'sa'."}},
         "palavra-passe errada (erro 18456, estado 8)"},
        // State 1 is what every server sends its clients: no one cause can be named from it.
        {{{"28000", 18456, 1, 14, "Login failed for user 'sa'."}},
         "o servidor recusou o login; causas possíveis, da mais à menos provável: palavra-passe errada, o servidor "
         "aceita só autenticação do Windows, o login não existe, o login está desativado (o servidor só diz "
         "qual no seu registo de erros, ERRORLOG)"},
        {{{"28000", 18456, 58, 14, "Login failed for user 'sa'."}},
         "o servidor aceita só autenticação do Windows (erro 18456, estado 58)"},
        // A database that cannot be opened comes with the login's 18456: the database is the cause.
        {{{"42000", 4060, 1, 11, "Cannot open database"}, {"28000", 18456, 1, 14, "Login failed"}},
         "a base de dados pedida (Initial Catalog do .udl, ou /basedados) não existe ou este login não a pode abrir (erro 4060)"},
        {{{"08001", 20013, 0, 0, "Unknown host machine name"}}, "o nome do servidor não é conhecido nesta rede"},
        {{{"08S01", 20009, 0, 0, "Unable to connect: Adaptive Server is unavailable or does not exist"}},
         "ninguém responde nessa porta: o serviço do SQL Server está parado ou não escuta em TCP/IP"},
        {{{"HYT00", 0, 0, 0, "Timeout expired"}}, "o servidor não respondeu dentro do tempo de ligação"},
        {{{"08001", 0, 0, 0, "SSL Provider: The certificate chain was issued by an authority that is not trusted."}},
         "a encriptação ou o certificado do servidor foram recusados"},
        {{{"42000", 924, 1, 14, "Database 'x' is already open and can only have one user at a time."}},
         "a base de dados está em modo SINGLE_USER e já tem um utilizador"},
        {{{"HY000", 1, 0, 0, "something else"}}, "a ligação falhou por uma causa que este programa não conhece"},
    };
    for (const Case& c : cases) {
        const checker::Cause cause = checker::LikelyCause(c.messages);
        EXPECT_EQ(cause.cause, c.cause) << c.messages.back().text;
        EXPECT_FALSE(cause.advice.empty());
    }
    // The SQL in the advice runs as printed, whatever the name.
    const checker::Cause singleUser =
        checker::LikelyCause({{"42000", 924, 1, 14, "Database 'minha loja' is already open"}}, checker::Reach::Reached,
                             "minha loja");
    EXPECT_NE(singleUser.advice.find("ALTER DATABASE [minha loja] SET MULTI_USER WITH ROLLBACK IMMEDIATE"), std::string::npos)
        << singleUser.advice;
    EXPECT_EQ(checker::DescribeMessage({"28000", 18456, 1, 14, "Login failed for user 'sa'."}),
              "SQLSTATE 28000, erro 18456, estado 1, gravidade 14: Login failed for user 'sa'.");
}

}  // namespace

namespace {

// Found by fuzzing: a password that also stands inside another value (here the server's) is
// hidden there too, in the finding and in the connection string shown.
TEST(DataLinkCheck, APasswordInsideAnotherValueIsHiddenToo) {
    const std::string connection = "Provider=SQLOLEDB.1;Password=QX#318604275;User ID=sa;Initial Catalog=d;"
                                   "Data Source=SRV\\MARLOVPassword=QX#318604275";
    const auto check = checker::CheckDataLinkBytes("VelmoPos.udl", prov::DataLinkFileBytes(connection));
    ASSERT_TRUE(check.contents);
    EXPECT_EQ(check.finding.text.find("QX#318604275"), std::string::npos) << check.finding.text;
    EXPECT_EQ(checker::MaskPassword(connection),
              "Provider=SQLOLEDB.1;Password=***;User ID=sa;Initial Catalog=d;Data Source=SRV\\MARLOVPassword=***");
    EXPECT_EQ(checker::MaskPassword("Password='abcd;e';x=abcd;e"), "Password=***;x=***");
    // Whatever its length: a short one where it stands as a value of its own.
    EXPECT_EQ(checker::MaskPassword("Password=q7;User ID=sa;Data Source=q7"), "Password=***;User ID=sa;Data Source=***");
}

}  // namespace

namespace {

// A name the wizard refuses is a failure naming the rule it breaks; a usable one gives nothing.
TEST(FolderFindings, TheWizardsNameRuleDecides) {
    EXPECT_FALSE(checker::DatabaseNameFinding("velmopos_5_2", u"velmopos_5_2"));
    const struct {
        std::string name;
        std::u16string wide;
        const char* rule;
    } cases[] = {
        {"minha loja", u"minha loja", "sem espaços, hífens nem pontos"},
        {"5loja", u"5loja", "começar por uma letra ou _"},
        {"master", u"master", "base de dados do próprio servidor"},
        {"select", u"select", "palavra reservada"},
    };
    for (const auto& c : cases) {
        const auto finding = checker::DatabaseNameFinding(c.name, c.wide);
        ASSERT_TRUE(finding) << c.name;
        EXPECT_EQ(finding->level, Level::Failure) << c.name;
        EXPECT_NE(finding->text.find(c.rule), std::string::npos) << finding->text;
    }
}

// Only what every run needs fails; the rest says when it is needed.
TEST(FolderFindings, MissingInputsFailOnlyWhereEveryRunNeedsThem) {
    EXPECT_EQ(checker::MissingScriptFinding("DBScript.inf", "x").level, Level::Failure);
    EXPECT_EQ(checker::MissingScriptFinding("DBDefault.inf", "x").level, Level::Warning);
    const checker::Finding demo = checker::MissingScriptFinding("DBDemo.inf", "x");
    EXPECT_EQ(demo.level, Level::Warning);
    EXPECT_NE(demo.text.find("Criar Dados Demonstrativos"), std::string::npos) << demo.text;

    EXPECT_EQ(checker::MissingVersionFinding(prov::Product::VelmoRest).level, Level::Failure);
    const checker::Finding pos = checker::MissingVersionFinding(prov::Product::VelmoPos);
    EXPECT_EQ(pos.level, Level::Warning);
    EXPECT_NE(pos.text.find("Tecnologia Cloud"), std::string::npos) << pos.text;
    const checker::Finding cafe = checker::MissingVersionFinding(prov::Product::VelmoCafe);
    EXPECT_EQ(cafe.level, Level::Warning);
    EXPECT_EQ(cafe.text.find("Cloud"), std::string::npos) << cafe.text;
}

}  // namespace

TEST(LocalServer, TheAddressedInstanceAndWhatStopsTheWizardOnThisPc) {
    using checker::ServiceState;
    checker::LocalServerFacts facts;
    facts.instances.push_back({"SQLEXPRESS", "MSSQL15.SQLEXPRESS", 1UL, false, "", "", "", ServiceState::Stopped});
    facts.instances.push_back({"MSSQLSERVER", "MSSQL15.MSSQLSERVER", 2UL, true, "1433", "", "", ServiceState::Running});
    const auto at = [&](const char* server) { return checker::InstanceAddressed(facts, *checker::ParseServer(server)); };
    EXPECT_EQ(at(".\\sqlexpress"), &facts.instances[0]);
    EXPECT_EQ(at("(local)"), &facts.instances[1]);
    EXPECT_EQ(at("localhost,1433"), &facts.instances[1]);
    EXPECT_EQ(at(".,1500"), nullptr);
    EXPECT_EQ(at(".\\OUTRA"), nullptr);

    const std::string said = Lines(checker::LocalServerFindings(facts, *checker::ParseServer(".\\SQLEXPRESS")));
    for (const char* line : {"[FALHA] serviço MSSQL$SQLEXPRESS: parado", "[FALHA] autenticação só do Windows",
                             "[AVISO] TCP/IP desativado", "[AVISO] serviço SQL Server Browser não instalado"})
        EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
    const auto unknown = checker::LocalServerFindings(facts, *checker::ParseServer(".\\OUTRA"));
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0].text, "a instância OUTRA não está instalada neste PC; instâncias registadas: SQLEXPRESS, MSSQLSERVER");

    EXPECT_TRUE(checker::NamesThisComputer("CAIXA1.loja.local", "caixa1", {}));
    EXPECT_TRUE(checker::NamesThisComputer("192.168.1.20", "caixa1", {"192.168.1.20"}));
    EXPECT_FALSE(checker::NamesThisComputer("caixa2", "caixa1", {"192.168.1.20"}));
    EXPECT_EQ(checker::ErrorLogFromParameters({"-dC:\\d\\master.mdf", "-eC:\\Log\\ERRORLOG", "-lC:\\d\\l.ldf"}), "C:\\Log\\ERRORLOG");
}
