#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "provisioning/ParameterMarkers.h"
#include "provisioning/ProductVersion.h"
#include "provisioning/SqlStatements.h"
#include "provisioning/UserTexts.h"

namespace {

struct NameCase {
    std::u16string name;
    bool usable;
    const char* why;
};

const NameCase kNameCases[] = {
    {u"velmopos_5_2", true, "default name"},
    {u"velmorest", true, "default name without version"},
    {u"_loja", true, "underscore first"},
    {u"Loja1@$#", true, "@ $ # after the first"},
    {u"lojaS\u00E3oJo\u00E3o", true, "Latin letters"},
    {u"\u00C9vora", true, "Latin letter first"},
    {u"\u0142\u00F8\u01FF", true, "Latin extended letters"},
    {std::u16string(123, u'a'), true, "123 characters"},
    {std::u16string(124, u'a'), false, "124 characters"},
    {u"", false, "empty"},
    {u"1loja", false, "digit first"},
    {u"@loja", false, "variable prefix first"},
    {u"#loja", false, "temporary prefix first"},
    {u"$loja", false, "dollar first"},
    {u"minha loja", false, "space"},
    {u" loja", false, "leading blank"},
    {u"loja ", false, "trailing blank"},
    {u"loja;DROP", false, "semicolon"},
    {u"[loja]", false, "brackets"},
    {u"\"loja\"", false, "quotes"},
    {u"loja-1", false, "hyphen"},
    {u"loja.dbo", false, "dot"},
    {u"loja\u00D7", false, "multiplication sign"},
    {u"loja\u20AC", false, "euro sign"},
    {u"\u0430\u0431", false, "other scripts"},
    {u"loja\t", false, "tab"},
    {u"select", false, "reserved word"},
    {u"Database", false, "reserved word, other case"},
    {u"CURRENT_TIMESTAMP", false, "reserved word with underscore"},
    {u"selects", true, "not a reserved word"},
    {u"master", false, "system database"},
    {u"TempDB", false, "system database, other case"},
    {u"msdb", false, "system database"},
    {u"model", false, "system database"},
    {u"master2", true, "not a system database"},
};

TEST(DatabaseName, IdentifierTable) {
    for (const NameCase& c : kNameCases) EXPECT_EQ(prov::IsUsableDatabaseName(c.name), c.usable) << c.why;
}

TEST(DatabaseName, DefaultNameFromProductAndVersion) {
    struct Case {
        prov::Product product;
        std::optional<prov::ProductVersion> version;
        const char* name;
    };
    const Case cases[] = {
        {prov::Product::VelmoPos, prov::ProductVersion{5, 2}, "velmopos_5_2"},
        {prov::Product::VelmoFact, prov::ProductVersion{10, 0}, "velmofact_10_0"},
        {prov::Product::VelmoCafe, prov::ProductVersion{65535, 65535}, "velmocafe_65535_65535"},
        {prov::Product::VelmoRest, std::nullopt, "velmorest"},
    };
    for (const Case& c : cases) {
        const std::string name = prov::DefaultDatabaseName(prov::ProductName(c.product), c.version);
        EXPECT_EQ(name, c.name);
        EXPECT_TRUE(prov::IsUsableDatabaseName(std::u16string(name.begin(), name.end()))) << name;
    }
}

TEST(SqlStatements, DatabaseStatementsCarryTheNameAsTyped) {
    EXPECT_EQ(prov::SingleUserStatement("velmopos_5_2"),
              "ALTER DATABASE velmopos_5_2 SET SINGLE_USER WITH ROLLBACK IMMEDIATE");
    EXPECT_EQ(prov::DropDatabaseStatement("velmopos_5_2"), "DROP DATABASE velmopos_5_2");
    EXPECT_EQ(prov::CreateDatabaseStatement("velmopos_5_2"), "CREATE DATABASE velmopos_5_2");
}

// Sent after a refused DROP: it must never wait on another user's lock (the window would hang),
// and its name is bracketed.
TEST(SqlStatements, MultiUserStatementBracketsTheNameAndWaitsForNoLock) {
    EXPECT_EQ(prov::MultiUserStatement("velmopos_5_2"),
              "ALTER DATABASE [velmopos_5_2] SET MULTI_USER WITH ROLLBACK IMMEDIATE");
    EXPECT_EQ(prov::MultiUserStatement("minha loja-2"),
              "ALTER DATABASE [minha loja-2] SET MULTI_USER WITH ROLLBACK IMMEDIATE");
    EXPECT_EQ(prov::MultiUserStatement("a]b]]"), "ALTER DATABASE [a]]b]]]]] SET MULTI_USER WITH ROLLBACK IMMEDIATE");
}

TEST(SqlStatements, PreparedStatementTextsAndTheirMarkers) {
    struct Case {
        const char* label;
        std::string text;
        std::string expected;
        std::vector<std::string> markers;
    };
    const Case cases[] = {
        {"q_Loja", std::string(prov::kVersionRowStatement),
         "INSERT INTO versao (major, minor, loja)\r\nVALUES (:major, :minor, :loja)\r\n", {"major", "minor", "loja"}},
        {"q_fullsync", std::string(prov::kFullSyncStatement),
         "DELETE FROM fullsync\r\nINSERT INTO fullsync(sync) VALUES (1)\r\n", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, c.expected) << c.label;
        EXPECT_EQ(prov::ApplyParameterMarkers(c.text).names, c.markers) << c.label;
    }
}

// The renumbering batch, as the store set-up defines it: table, column, and M or the colour.
struct Expected {
    const char* table;
    const char* column;
    const char* change;  // "M=<n>" or "null=<colour>"
};
const Expected kRenumbering[44] = {
    {"centrosprod", "codigo", "M=1000"},       {"cfext", "codigo", "M=100000"},
    {"cfext", "unidade", "M=1000"},            {"clientes", "codigo", "M=100000"},
    {"existencias", "codigo", "M=100000"},     {"famzonas", "familia", "M=1000"},
    {"fornecedores", "codigo", "M=10000"},     {"hh", "codigo", "M=1000"},
    {"listacliente", "codigo", "M=100000"},    {"motivosquebra", "codigo", "M=100000"},
    {"pedidosext", "codigo", "M=100000"},      {"precoshh", "codigo", "M=100000"},
    {"precoshh", "hh", "M=1000"},              {"precoszona", "codigo", "M=100000"},
    {"prodequiv", "codigo", "M=100000"},       {"prodequiv", "equiv", "M=100000"},
    {"prodmesa", "codigo", "M=100000"},        {"quebras", "codigo", "M=100000"},
    {"unidades", "codigo", "M=1000"},          {"vendas", "codigo", "M=100000"},
    {"familias", "codigo", "M=1000"},          {"familias", "fundo", "null=15780518"},
    {"familias", "letra", "null=8388608"},     {"subfamilias", "codigo", "M=1000"},
    {"subfamilias", "familia", "M=1000"},      {"subfamilias", "fundo", "null=12632256"},
    {"subfamilias", "letra", "null=16777215"}, {"produtos", "codigo", "M=100000"},
    {"produtos", "familia", "M=1000"},         {"produtos", "subfam", "M=1000"},
    {"produtos", "fornecedor", "M=10000"},     {"produtos", "unidade", "M=1000"},
    {"produtos", "grupo", "M=1000"},           {"produtos", "cozinha", "M=1000"},
    {"produtos", "fundo", "null=8421504"},     {"produtos", "letra", "null=16777215"},
    {"produnidades", "produto", "M=100000"},   {"produnidades", "unidade", "M=1000"},
    {"grupos", "codigo", "M=1000"},            {"niveismenu", "menu", "M=1000"},
    {"niveismenuext", "menu", "M=1000"},       {"niveismenuext", "codigo", "M=100000"},
    {"opcoes", "codigo", "M=1000"},            {"opcoes", "grupo", "M=1000"},
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(SqlStatements, RenumberingBatchLineByLine) {
    const std::string text = prov::RenumberStatement();
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 2u + 44);
    EXPECT_EQ(lines[0], "Declare @loja AS Integer");
    EXPECT_EQ(lines[1], "Set @loja=:loja");
    EXPECT_EQ(prov::ApplyParameterMarkers(text).names, std::vector<std::string>{"loja"});

    // Each line is one of the two forms; spacing does not matter.
    const std::regex offset(R"(update (\w+) set (\w+)\s*=\s*(\w+)\s*\+\s*@loja\s*\*\s*(\d+) where (\w+)\s*>\s*0 and (\w+)\s*<\s*(\d+))",
                            std::regex::icase);
    const std::regex colour(R"(update (\w+) set (\w+)\s*=\s*(\d+) where (\w+) is null)", std::regex::icase);
    for (std::size_t i = 0; i < 44; ++i) {
        const std::string& line = lines[i + 2];
        const Expected& want = kRenumbering[i];
        std::smatch m;
        std::string change;
        if (std::regex_match(line, m, offset)) {
            EXPECT_TRUE(m[2] == m[3] && m[2] == m[5] && m[2] == m[6]) << "line " << i + 1 << ": " << line;
            EXPECT_EQ(m[4], m[7]) << "line " << i + 1 << ": " << line;
            change = "M=" + m[4].str();
        } else if (std::regex_match(line, m, colour)) {
            EXPECT_EQ(m[2], m[4]) << "line " << i + 1 << ": " << line;
            change = "null=" + m[3].str();
        } else {
            ADD_FAILURE() << "line " << i + 1 << " has neither form: " << line;
            continue;
        }
        EXPECT_EQ(m[1], want.table) << "line " << i + 1;
        EXPECT_EQ(m[2], want.column) << "line " << i + 1;
        EXPECT_EQ(change, want.change) << "line " << i + 1 << ": " << line;
    }
}

// ---- The fixed user texts ------------------------------------------------------------------------

TEST(UserTexts, MessageTable) {
    // Windows-1252 bytes written out, so that a change of source or execution encoding shows.
    struct Case {
        prov::MessageId id;
        const char* text;
        const char* caption;
        unsigned flags;
    };
    const Case cases[] = {
        {prov::MessageId::ServerUnreachable,
         "Erro na liga\xE7\xE3o ao servidor!\nPor favor verifique os dados e tente de novo.", "Aviso", 16},
        {prov::MessageId::ConfirmReplace,
         "A base de dados j\xE1 existe! Se continuar ir\xE1 perder todos os dados e criar uma nova! TEM A CERTEZA?",
         "Confirma\xE7\xE3o", 289},
        {prov::MessageId::CreationFailed,
         "Erro na cria\xE7\xE3o da base de dados!\nPor favor verifique os dados e tente de novo.", "Erro", 16},
        {prov::MessageId::TablesFailed, "Erro na cria\xE7\xE3o das tabelas!", "Erro", 16},
        {prov::MessageId::DataFailed, "Erro na inser\xE7\xE3o de dados!", "Erro", 16},
        {prov::MessageId::DemoFailed, "Erro na inser\xE7\xE3o dos dados demonstrativos!", "Erro", 16},
    };
    EXPECT_EQ(std::size(prov::kUserMessages), std::size(cases));
    for (const Case& c : cases) {
        const prov::UserMessage& m = prov::UserMessageFor(c.id);
        EXPECT_EQ(m.id, c.id);
        EXPECT_EQ(m.text, c.text) << c.caption;
        EXPECT_EQ(m.caption, c.caption) << c.text;
        EXPECT_EQ(m.flags, c.flags) << c.text;
        EXPECT_EQ(m.text.find('\r'), std::string_view::npos) << "lines are separated by LF alone";
    }
    EXPECT_EQ(prov::kStoreNumberPrompt.caption, "Numero da Loja");
    EXPECT_EQ(prov::kStoreNumberPrompt.prompt, "Escolha o numero da loja:");
    EXPECT_EQ(prov::kStoreNumberPrompt.defaultText, "1");
}

}  // namespace
