#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "provisioning/ConnectionString.h"

namespace {

using prov::ConnectionSettings;

TEST(ConnectionString, BothFormsFieldByField) {
    const ConnectionSettings s{"srv\\MARLOVEXSQL", "sa", "segredo", "velmopos_5_2"};
    EXPECT_EQ(prov::MasterConnectionString(s),
              "Provider=SQLOLEDB.1;Password=segredo;Persist Security Info=True;User ID=sa;"
              "Initial Catalog=master;Data Source=srv\\MARLOVEXSQL");
    EXPECT_EQ(prov::DatabaseConnectionString(s),
              "Provider=SQLOLEDB.1;Password=segredo;Persist Security Info=True;User ID=sa;"
              "Initial Catalog=velmopos_5_2;Data Source=srv\\MARLOVEXSQL");
}

struct QuoteCase {
    const char* label;
    std::string value;
    std::string written;
};

const QuoteCase kQuoteCases[] = {
    {"plain", "segredo", "segredo"},
    {"empty", "", ""},
    {"blanks kept as typed", "  a b  ", "  a b  "},
    {"single blank", " ", " "},
    {"equals sign inside needs nothing", "a=b", "a=b"},
    {"starts with equals sign", "=x", "\"=x\""},
    {"equals signs only", "==", "\"==\""},
    {"quote not at the start needs nothing", "a'b\"c", "a'b\"c"},
    {"high bytes as typed", "p\xE7\x80", "p\xE7\x80"},
    {"semicolon", "ab;cd", "\"ab;cd\""},
    {"semicolon only", ";", "\";\""},
    {"starts with apostrophe", "'abc", "\"'abc\""},
    {"starts with double quote, no apostrophe", "\"abc", "'\"abc'"},
    {"semicolon and double quote, no apostrophe", "a\";b", "'a\";b'"},
    {"both quotes: double quotes doubled", "\"it's;\"", "\"\"\"it's;\"\"\""},
    {"apostrophe and semicolon", "it's;x", "\"it's;x\""},
};

TEST(ConnectionString, QuotingTable) {
    for (const QuoteCase& c : kQuoteCases) {
        EXPECT_EQ(prov::QuoteOleDbValue(c.value), c.written) << c.label;
    }
}

// Whatever the user typed comes back unchanged from the string the wizard builds.
TEST(ConnectionString, EveryFieldSurvivesBuildAndParse) {
    for (const QuoteCase& c : kQuoteCases) {
        const ConnectionSettings s{c.value + "srv", c.value, c.value, "db" + c.value};
        for (const std::string& text : {prov::MasterConnectionString(s), prov::DatabaseConnectionString(s)}) {
            const auto fields = prov::ParseOleDbConnectionString(text);
            ASSERT_EQ(fields.size(), 6u) << c.label;
            EXPECT_EQ(prov::FindField(fields, "Password"), c.value) << c.label;
            EXPECT_EQ(prov::FindField(fields, "user id"), c.value) << c.label;
            EXPECT_EQ(prov::FindField(fields, "Data Source"), c.value + "srv") << c.label;
            EXPECT_EQ(prov::FindField(fields, "Provider"), std::string("SQLOLEDB.1")) << c.label;
        }
        EXPECT_EQ(prov::FindField(prov::ParseOleDbConnectionString(prov::DatabaseConnectionString(s)),
                                  "Initial Catalog"),
                  "db" + c.value)
            << c.label;
    }
}

TEST(ConnectionString, PasswordWithSemicolonCannotInjectAField) {
    const ConnectionSettings s{"srv", "sa", "x;Initial Catalog=msdb", "loja"};
    const auto fields = prov::ParseOleDbConnectionString(prov::DatabaseConnectionString(s));
    EXPECT_EQ(prov::FindField(fields, "Initial Catalog"), std::string("loja"));
    EXPECT_EQ(prov::FindField(fields, "Password"), std::string("x;Initial Catalog=msdb"));
}

struct ParseCase {
    const char* label;
    std::string text;
    std::vector<std::pair<std::string, std::string>> fields;
};

TEST(ConnectionString, ParseTable) {
    const ParseCase cases[] = {
        {"empty", "", {}},
        {"empty fields skipped", ";;a=1;;", {{"a", "1"}}},
        {"blanks around keys dropped", "  Data Source  =x", {{"Data Source", "x"}}},
        {"unquoted value keeps blanks", "a= x ;b=", {{"a", " x "}, {"b", ""}}},
        {"doubled equals in a key", "a==b=c", {{"a=b", "c"}}},
        {"quoted with blanks after", "a=\"x;y\"  ;b=2", {{"a", "x;y"}, {"b", "2"}}},
        {"single-quoted doubled quote", "a='it''s'", {{"a", "it's"}}},
        {"quote later in a value is text", "a=x'y;b=z\"", {{"a", "x'y"}, {"b", "z\""}}},
    };
    for (const ParseCase& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const auto& field : prov::ParseOleDbConnectionString(c.text)) got.emplace_back(field.key, field.value);
        EXPECT_EQ(got, c.fields) << c.label;
    }
}

TEST(ConnectionString, MalformedStringsAreRefusedWithoutQuotingThem) {
    const char* cases[] = {"secret", "a=1;secret", "=x", "a=\"secret", "a='x'secret", " = "};
    for (const char* text : cases) {
        try {
            prov::ParseOleDbConnectionString(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const prov::ConnectionStringError& e) {
            EXPECT_EQ(std::string(e.what()).find("secret"), std::string::npos) << text;
        }
    }
}

// ---- ODBC --------------------------------------------------------------------------------------

const prov::OdbcDriver kVendor{"ODBC Driver 18 for SQL Server", prov::DriverFamily::Vendor};
const prov::OdbcDriver kBuiltIn{"SQL Server", prov::DriverFamily::BuiltIn};
const prov::OdbcDriver kFreeTds{"FreeTDS", prov::DriverFamily::FreeTds};

TEST(OdbcConnectionString, KeywordsPerDriverFamily) {
    const std::string ole = prov::DatabaseConnectionString({"srv\\INST", "sa", "pw", "loja"});
    EXPECT_EQ(prov::OdbcConnectionString(ole, kVendor),
              "Driver={ODBC Driver 18 for SQL Server};Server=srv\\INST;UID={sa};PWD={pw};Database={loja};"
              "Encrypt=no;TrustServerCertificate=yes");
    EXPECT_EQ(prov::OdbcConnectionString(ole, kBuiltIn),
              "Driver={SQL Server};Server=srv\\INST;UID={sa};PWD={pw};Database={loja}");
    EXPECT_EQ(prov::OdbcConnectionString(ole, kFreeTds),
              "Driver={FreeTDS};Server=srv\\INST;UID={sa};PWD={pw};Database={loja};TDS_Version=7.4");
    // Windows authentication, as the checker's administrator connection asks for it.
    EXPECT_EQ(prov::OdbcConnectionString("Integrated Security=SSPI;Initial Catalog=master;Data Source=pc", kBuiltIn),
              "Driver={SQL Server};Server=pc;Database={master};Trusted_Connection=yes");
}

TEST(OdbcConnectionString, PasswordsAreBracedWithClosingBracesDoubled) {
    struct Case {
        std::string password, pwd;
    };
    const Case cases[] = {
        {"", "{}"},
        {"a;b", "{a;b}"},
        {"'q", "{'q}"},
        {"\"q", "{\"q}"},
        {"}", "{}}}"},
        {"{x}=y", "{{x}}=y}"},
        {" sp ", "{ sp }"},
    };
    for (const Case& c : cases) {
        const std::string ole = prov::MasterConnectionString({"srv", "sa", c.password, "x"});
        const std::string odbc = prov::OdbcConnectionString(ole, kFreeTds);
        EXPECT_NE(odbc.find(";PWD=" + c.pwd + ";Database={master};"), std::string::npos) << odbc;
    }
}

TEST(OdbcConnectionString, ServerMapping) {
    struct Case {
        std::string source;
        std::string vendor;
        std::string freeTds;
    };
    const Case cases[] = {
        {"srv", "srv", "srv"},
        {"srv\\MARLOVEXSQL", "srv\\MARLOVEXSQL", "srv\\MARLOVEXSQL"},
        {"127.0.0.1,14330", "127.0.0.1,14330", "127.0.0.1,14330"},
        {"(local)", "(local)", "localhost"},
        {"(LOCAL)\\inst", "(LOCAL)\\inst", "localhost\\inst"},
        {".", ".", "localhost"},
        {".\\inst", ".\\inst", "localhost\\inst"},
        {".,1433", ".,1433", "localhost,1433"},
        {"tcp:srv,1433", "tcp:srv,1433", "srv,1433"},
        {"tcp:(local)", "tcp:(local)", "localhost"},
        {"local.example", "local.example", "local.example"},
        {"a;b", "{a;b}", "{a;b}"},
        {" ", "{ }", "{ }"},
    };
    for (const Case& c : cases) {
        const std::string ole = prov::MasterConnectionString({c.source, "sa", "pw", "x"});
        EXPECT_NE(prov::OdbcConnectionString(ole, kVendor).find(";Server=" + c.vendor + ";UID="), std::string::npos)
            << c.source;
        EXPECT_NE(prov::OdbcConnectionString(ole, kFreeTds).find(";Server=" + c.freeTds + ";UID="), std::string::npos)
            << c.source;
    }
}

TEST(OdbcConnectionString, AbsentFieldsAreLeftOutAndDataSourceIsRequired) {
    EXPECT_EQ(prov::OdbcConnectionString("Data Source=h", kBuiltIn), "Driver={SQL Server};Server=h");
    EXPECT_THROW(prov::OdbcConnectionString("Password=x;User ID=sa", kBuiltIn), prov::ConnectionStringError);
}

TEST(OdbcDrivers, ChoiceFollowsThePreferenceOrder) {
    struct Case {
        const char* label;
        std::vector<std::string> installed;
        std::vector<std::string_view> chosen;
    };
    const Case cases[] = {
        {"Wine host", {"FreeTDS"}, {"FreeTDS"}},
        {"bare Windows", {"SQL Server", "Microsoft Access Driver (*.mdb)"}, {"SQL Server"}},
        {"newest vendor driver first, listing order ignored",
         {"SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS", "ODBC Driver 18 for SQL Server"},
         {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "SQL Server", "FreeTDS"}},
        {"names compared without case", {"sql server native client 11.0"}, {"SQL Server Native Client 11.0"}},
        {"unknown drivers never chosen", {"PostgreSQL Unicode", "SQL Server Something"}, {}},
        {"nothing installed", {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string_view> got;
        for (const prov::OdbcDriver& d : prov::ChooseOdbcDrivers(c.installed)) got.push_back(d.name);
        EXPECT_EQ(got, c.chosen) << c.label;
    }
}

}  // namespace
