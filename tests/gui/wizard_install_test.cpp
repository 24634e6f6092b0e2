// Complete installations through the wizard's window, each against a test-server instance of its
// own: every product, normal and with demonstration data, and cloud installations with a store
// number typed into the input box. Each must end on the final page, and the server must have
// received the creation, the scripts, the version row and the renumbering the product and the
// options call for, and hold their results.

#include "WizardFlow.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace flow;

struct InstallCase {
    const char* name;
    const char* choice;       // the product as its choice reads
    const wchar_t* product;   // its executable's and data link file's name
    bool demo;
    bool cloud;
    const char* typedStore;  // typed into the input box, "" to cancel it; null when it must not appear
    const char* database;    // the proposal from the executable's file version
    std::optional<std::array<int, 3>> versionRow;  // major, minor, loja
};

const InstallCase kInstallations[] = {
    {"VelmoCafeNormal", "VelmoCafe", L"VelmoCafe", false, false, nullptr, "velmocafe_7_4", std::nullopt},
    {"VelmoCafeDemo", "VelmoCafe", L"VelmoCafe", true, false, nullptr, "velmocafe_7_4", std::nullopt},
    {"VelmoFactNormal", "VelmoFact", L"VelmoFact", false, false, nullptr, "velmofact_10_0", std::nullopt},
    {"VelmoFactDemo", "VelmoFact", L"VelmoFact", true, false, nullptr, "velmofact_10_0", std::nullopt},
    {"VelmoPosNormal", "VelmoPos", L"VelmoPos", false, false, nullptr, "velmopos_5_2", std::nullopt},
    {"VelmoPosDemo", "VelmoPos", L"VelmoPos", true, false, nullptr, "velmopos_5_2", std::nullopt},
    {"VelmoRestNormal", "VelmoRest", L"VelmoRest", false, false, nullptr, "velmorest_3_1", std::array{3, 1, 0}},
    {"VelmoRestDemo", "VelmoRest", L"VelmoRest", true, false, nullptr, "velmorest_3_1", std::array{3, 1, 0}},
    {"VelmoPosCloudStore7", "VelmoPos", L"VelmoPos", false, true, "7", "velmopos_5_2", std::array{5, 2, 7}},
    {"VelmoRestCloudStore12", "VelmoRest", L"VelmoRest", false, true, "12", "velmorest_3_1", std::array{3, 1, 12}},
    // An answer that is not a number, and Cancel, give store 1.
    {"VelmoPosCloudNotANumber", "VelmoPos", L"VelmoPos", false, true, "abc", "velmopos_5_2", std::array{5, 2, 1}},
    {"VelmoRestCloudCancelled", "VelmoRest", L"VelmoRest", false, true, "", "velmorest_3_1", std::array{3, 1, 1}},
};

void PrintTo(const InstallCase& c, std::ostream* out) { *out << c.name; }

// A request the server must have received: the whole text, or only its start (the prepared
// statements reach it with their markers rewritten).
struct Expected {
    std::string text;
    bool whole = true;
};

class WizardInstall : public WizardFlowTest {
protected:
    // Waits for the end of a run that asks nothing more: the final page, or a box (which fails).
    void ExpectFinalPage() {
        const Snapshot s = WaitFor(
            [&](const Snapshot& now) { return PageOf(now) == kFinalPage || app->FindMessageBox().has_value(); },
            "the final page", kRunTimeout);
        if (const auto box = app->FindMessageBox())
            FAIL() << "unexpected box \"" << gui::Cp1252ToUtf8(box->Caption()) << "\": " << gui::Cp1252ToUtf8(box->Text());
        EXPECT_FALSE(s.Enabled(kSeguinte));
        EXPECT_FALSE(s.Enabled(kAnterior));
        EXPECT_TRUE(s.Enabled(kSair));
        EXPECT_FALSE(HearsTextStarting(s, kFirstRunNote));
    }

    std::string Batch(const wchar_t* script) const { return ScriptBatch(FileBytes(WizardFile(script))); }

    void ExpectRequests(const sqltest::Instance& server, const std::vector<Expected>& expected) {
        const std::vector<std::string> got = ServerView(server).requests;
        ASSERT_EQ(got.size(), expected.size()) << "requests received: " << got.size();
        for (std::size_t i = 0; i < got.size(); ++i) {
            const std::string& want = expected[i].text;
            if (expected[i].whole) {
                EXPECT_EQ(got[i], want) << "request " << i;
            } else {
                EXPECT_EQ(got[i].substr(0, want.size()), want) << "request " << i;
            }
        }
    }

    // The value of the store-number parameter the renumbering batch was run with.
    static std::optional<long long> RenumberedWith(const sqltest::Instance& server) {
        for (const auto& rpc : server.Events("rpc")) {
            const auto& params = rpc["params"];
            if (params.size() >= 3 && params[0]["value"].Str().rfind("Declare @loja", 0) == 0)
                return params[2]["value"].Int();
        }
        return std::nullopt;
    }
};

class CompleteInstallation : public WizardInstall, public testing::WithParamInterface<InstallCase> {};

TEST_P(CompleteInstallation, EndsOnTheFinalPageWithTheDatabaseFilled) {
    const InstallCase& c = GetParam();
    sqltest::Instance server;
    Start();
    ChooseProduct(c.choice);
    EXPECT_EQ(Now().Value(kDatabaseBox), c.database);
    UseServer(server);
    Next();
    WaitForPage(kReviewPage);
    EXPECT_EQ(Udl(c.product), UdlBytes(server.Server(), "sa", kPassword, c.database));
    if (c.demo) SetChecked(kDemo, true);
    if (c.cloud) SetChecked(kCloud, true);
    Next();
    if (c.typedStore) AnswerStoreNumber(*c.typedStore ? std::optional<std::string_view>(c.typedStore) : std::nullopt);
    ExpectFinalPage();

    // What the server received, in order.
    std::vector<Expected> expected = {{"CREATE DATABASE " + std::string(c.database)},
                                      {Batch(L"DBScript.inf")},
                                      {Batch(L"DBDefault.inf")}};
    if (c.versionRow) expected.push_back({"INSERT INTO versao (major, minor, loja)\r\nVALUES (", false});
    if (c.demo) expected.push_back({Batch(L"DBDemo.inf")});
    if (c.cloud) expected.push_back({"Declare @loja AS Integer\r\nSet @loja=", false});
    ExpectRequests(server, expected);

    // What the database holds.
    const sqltest::Json rows = server.Query(c.database, "SELECT major, minor, loja FROM versao")["rows"];
    if (c.versionRow) {
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0].Int(), (*c.versionRow)[0]);
        EXPECT_EQ(rows[0][1].Int(), (*c.versionRow)[1]);
        EXPECT_EQ(rows[0][2].Int(), (*c.versionRow)[2]);
    } else {
        EXPECT_EQ(rows.size(), 0u);
    }
    EXPECT_EQ(server.Scalar(c.database, "SELECT COUNT(*) FROM produtos") > 0, c.demo) << "demonstration data";
    const long long store = c.cloud ? (*c.versionRow)[2] : 0;
    EXPECT_EQ(RenumberedWith(server), c.cloud ? std::optional<long long>(store) : std::nullopt);
    EXPECT_EQ(server.Scalar(c.database, "SELECT MIN(codigo) FROM unidades"), 1 + store * 1000);
    EXPECT_EQ(server.Scalar(c.database, "SELECT MIN(codigo) FROM clientes"), 1 + store * 100000);
    EXPECT_EQ(server.Scalar(c.database, "SELECT COUNT(*) FROM familias WHERE fundo IS NULL") == 0, c.cloud)
        << "only the renumbering fills the families' missing colours";
    const auto [opened, closed] = ConnectionsOpenedAndClosed(server);
    EXPECT_EQ(opened, closed) << "every connection is closed at the end";

    Press(kSair);
    EXPECT_EQ(app->WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryProduct, CompleteInstallation, testing::ValuesIn(kInstallations),
                         [](const testing::TestParamInfo<InstallCase>& info) { return std::string(info.param.name); });

// rCloud selected for VelmoPos stays selected (though disabled) when the user goes back and picks
// VelmoCafe: the run is then a cloud installation, without a version row (not VelmoPos nor
// VelmoRest) and without the input box, renumbered with store 0 (codes kept, colours filled).
TEST_F(WizardInstall, CloudLeftSelectedForVelmoCafeRenumbersWithStoreZero) {
    sqltest::Instance server;
    Start();
    ToReviewPage("VelmoPos", {.servidor = server.Server(), .instancia = "", .utilizador = "sa", .password = kPassword});
    SetChecked(kCloud, true);
    Back();
    WaitForPage(kServerPage);
    Back();
    WaitForPage(kProductPage);
    ChooseProduct("VelmoCafe");
    Next();
    const Snapshot review = ReadPage(kReviewPage);
    EXPECT_TRUE(review.Checked(kCloud));
    EXPECT_FALSE(review.Enabled(kCloud));
    EXPECT_FALSE(review.Checked(kNormal));
    EXPECT_FALSE(review.Enabled(kDemo));
    EXPECT_EQ(review.Value(kReviewDatabaseBox), "velmocafe_7_4");
    Next();
    ExpectFinalPage();

    ExpectRequests(server, {{"CREATE DATABASE velmocafe_7_4"},
                            {Batch(L"DBScript.inf")},
                            {Batch(L"DBDefault.inf")},
                            {"Declare @loja AS Integer\r\nSet @loja=", false}});
    EXPECT_EQ(RenumberedWith(server), 0);
    EXPECT_EQ(server.Scalar("velmocafe_7_4", "SELECT COUNT(*) FROM versao"), 0);
    EXPECT_EQ(server.Scalar("velmocafe_7_4", "SELECT MIN(codigo) FROM unidades"), 1);
    EXPECT_EQ(server.Scalar("velmocafe_7_4", "SELECT COUNT(*) FROM familias WHERE fundo IS NULL"), 0);
}

// The wizard's own defaults (this computer's name, instance MARLOVEXSQL, login sa, the default
// password) reach an instance announced under that name by the Browser service on UDP 1434.
TEST_F(WizardInstall, TheDefaultServerAndInstanceAreFoundThroughTheBrowserService) {
    std::optional<sqltest::Instance> named;
    try {
        named.emplace(R"j({"instance": "MARLOVEXSQL"})j");
    } catch (const std::runtime_error& e) {
        GTEST_SKIP() << "no Browser service for a named instance here: " << e.what();
    }
    Start();
    ChooseProduct("VelmoPos");
    Next();
    const Snapshot review = ReadPage(kReviewPage);
    char computer[256] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    EXPECT_EQ(review.Value(kReviewServerBox), std::string(computer) + "\\MARLOVEXSQL");
    Next();
    ExpectFinalPage();
    const ServerView view(*named);
    EXPECT_EQ(view.Find("CREATE DATABASE velmopos_5_2"), 0);
    EXPECT_EQ(named->Scalar("velmopos_5_2", "SELECT COUNT(*) FROM versao"), 0);
}

}  // namespace
