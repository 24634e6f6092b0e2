// The wizard's pages driven from outside as a user moves through them: the buttons' states in
// every situation, the server page's checks and their order, the review page's summary and data
// link file, the coupling of the installation options, and the product choice with its database
// name proposal.

#include "WizardFlow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace flow;

class WizardNavigation : public WizardFlowTest {};

// Every situation of the buttons' state table, reached in one wizard in the order a user meets
// them. The progress page is read while its confirmation box is open (the only time the wizard
// answers there), the final page after the installation.
TEST_F(WizardNavigation, ButtonsFollowTheStateTableInEverySituation) {
    sqltest::Instance server(R"j({"databases": ["velmopos_5_2"]})j");
    Start();
    struct Row {
        const char* situation;
        std::function<void()> reach;
        int page;
        bool seguinte;
        bool anterior;
    };
    const BoxSpec confirm{"Confirmação", kConfirmReplace, {IDOK, IDCANCEL}, MB_ICONQUESTION, IDCANCEL};
    const Row rows[] = {
        {"product page at start", [] {}, kProductPage, true, false},
        {"server page reached forward", [&] { ChooseProduct("VelmoPos"); }, kServerPage, true, false},
        {"review page reached forward",
         [&] {
             UseServer(server);
             Next();
         },
         kReviewPage, true, true},
        {"server page reached back from the review page", [&] { Back(); }, kServerPage, true, true},
        {"product page after going back to it", [&] { Back(); }, kProductPage, true, false},
        {"server page reached forward again", [&] { Next(); }, kServerPage, true, false},
        {"review page reached forward again", [&] { Next(); }, kReviewPage, true, true},
        {"progress page (its confirmation open)",
         [&] {
             Next();
             ExpectBox(confirm);
         },
         kProgressPage, false, false},
        {"review page after a refusal", [&] { app->FindMessageBox()->Answer(IDCANCEL); }, kReviewPage, true, true},
        {"progress page once more",
         [&] {
             Next();
             ExpectBox(confirm);
         },
         kProgressPage, false, false},
        {"final page", [&] { app->FindMessageBox()->Answer(IDOK); }, kFinalPage, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.situation);
        row.reach();
        const Snapshot s = WaitFor([&](const Snapshot& now) { return PageOf(now) == row.page; },
                                   "page " + std::to_string(row.page + 1), kRunTimeout);
        EXPECT_EQ(s.Enabled(kSeguinte), row.seguinte);
        EXPECT_EQ(s.Enabled(kAnterior), row.anterior);
        EXPECT_TRUE(s.Enabled(kSair));
    }
    EXPECT_FALSE(HearsTextStarting(Now(), kFirstRunNote)) << "the final page's hidden note stays hidden";
}

// With every entry empty the checks report one entry per click, in a fixed order, each moving
// the focus to its entry; the password is a question, not a refusal.
TEST_F(WizardNavigation, EmptyEntriesAreReportedOneAtATimeInOrder) {
    Start();
    ChooseProduct("VelmoCafe");
    SetServerPage({.servidor = "", .instancia = "", .basedados = "", .utilizador = "", .password = ""});
    struct Step {
        const Named* fill;  // the entry filled before the click (nothing for the first)
        BoxSpec box;
        const Named* focus;
    };
    const Step steps[] = {
        {nullptr, ErrorBox("Aviso", kNoServer), &kServerBox},
        {&kServerBox, ErrorBox("Aviso", kNoUser), &kUserBox},
        {&kUserBox, ErrorBox("Aviso", kNoDatabase), &kDatabaseBox},
        {&kDatabaseBox, {"Confirmação", kNoPassword, {IDYES, IDNO}, MB_ICONQUESTION}, &kPasswordBox},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.focus->name);
        if (step.fill) SetEntry(*step.fill, "x");
        Next();
        Answer(step.box, step.box.buttons.size() == 1 ? IDOK : IDNO);
        const Snapshot s = WaitFor([&](const Snapshot& now) { return now.FocusedControl() == *step.focus; },
                                   "the focus in " + gui::Describe(*step.focus));
        EXPECT_EQ(PageOf(s), kServerPage);
        EXPECT_EQ(s.Value(kInstanceBox), "") << "nothing else changes";
        EXPECT_FALSE(app->FindMessageBox()) << "one box per click";
    }
}

TEST_F(WizardNavigation, TheEmptyPasswordQuestionDecidesWhetherToGoOn) {
    Start();
    ChooseProduct("VelmoCafe");
    SetEntry(kPasswordBox, "");
    const BoxSpec question{"Confirmação", kNoPassword, {IDYES, IDNO}, MB_ICONQUESTION};
    struct Case {
        int answer;
        int page;
        bool backInThePassword;
    };
    for (const Case& c : {Case{IDNO, kServerPage, true}, Case{IDYES, kReviewPage, false}}) {
        SCOPED_TRACE(c.answer == IDYES ? "Yes" : "No");
        Next();
        Answer(question, c.answer);
        const Snapshot s = ReadPage(c.page);
        if (c.backInThePassword) {
            WaitFor([&](const Snapshot& now) { return now.Focused(kPasswordBox); }, "the focus in the password");
        } else {
            EXPECT_EQ(s.Value(kReviewUserBox), "sa");
            EXPECT_TRUE(s.Enabled(kAnterior));
        }
    }
}

// The review page's server box joins server and instance with a backslash only when an instance
// is given; entries are used as typed, blanks included.
TEST_F(WizardNavigation, TheReviewShowsServerAndInstanceAsTyped) {
    Start();
    ChooseProduct("VelmoCafe");
    struct Case {
        const char* servidor;
        const char* instancia;
        const char* shown;
    };
    const Case cases[] = {
        {" ", "", " "},
        {"srv", "", "srv"},
        {"srv", "INST", "srv\\INST"},
        {" ", "MARLOVEXSQL", " \\MARLOVEXSQL"},
        {"srv", " ", "srv\\ "},
        {"127.0.0.1,1433", "", "127.0.0.1,1433"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("[") + c.servidor + "] [" + c.instancia + "]");
        SetServerPage({.servidor = c.servidor, .instancia = c.instancia});
        Next();
        const Snapshot s = ReadPage(kReviewPage);
        EXPECT_EQ(s.Value(kReviewServerBox), c.shown);
        EXPECT_EQ(Udl(L"VelmoCafe"), UdlBytes(c.shown, "sa", kPassword, "velmocafe_7_4"))
            << "the data link file names the server as the review shows it";
        Back();
        WaitForPage(kServerPage);
    }
}

// Going back does not undo anything; coming forward again refills the review and rewrites the
// data link file from the entries as they are then; leaving the product page again replaces the
// database name with the new product's proposal.
TEST_F(WizardNavigation, GoingBackAndForthRefillsTheReviewAndRewritesTheDataLinkFile) {
    Start();
    // The file holds the password the wizard connects with: "ç" E7 00, and "€" (byte 80) as
    // U+20AC, AC 20, not as the control character U+0080 that a byte-for-byte widening would give.
    ToReviewPage("VelmoPos", {.servidor = "srv-a", .instancia = "INST", .utilizador = "gestor", .password = "pç€"});
    Snapshot s = Now();
    EXPECT_EQ(s.Value(kReviewServerBox), "srv-a\\INST");
    EXPECT_EQ(s.Value(kReviewDatabaseBox), "velmopos_5_2");
    EXPECT_EQ(s.Value(kReviewUserBox), "gestor");
    const std::string first = UdlBytes("srv-a\\INST", "gestor", "pç€", "velmopos_5_2");
    EXPECT_EQ(Udl(L"VelmoPos"), first) << Hex(Udl(L"VelmoPos"));
    EXPECT_NE(first.find(std::string("p\0\xE7\0\xAC\x20;\0", 8)), std::string::npos);

    // Back: nothing is rewritten.
    Back();
    WaitForPage(kServerPage);
    EXPECT_EQ(Udl(L"VelmoPos"), first);
    EXPECT_EQ(Now().Value(kServerBox), "srv-a") << "the entries are as they were left";

    // Forward with other entries: the review and the file follow.
    SetServerPage({.servidor = "srv-b", .instancia = "", .basedados = "loja_1", .utilizador = "sa", .password = ""});
    Next();
    Answer({"Confirmação", kNoPassword, {IDYES, IDNO}, MB_ICONQUESTION}, IDYES);
    s = ReadPage(kReviewPage);
    EXPECT_EQ(s.Value(kReviewServerBox), "srv-b");
    EXPECT_EQ(s.Value(kReviewDatabaseBox), "loja_1");
    EXPECT_EQ(s.Value(kReviewUserBox), "sa");
    EXPECT_EQ(Udl(L"VelmoPos"), UdlBytes("srv-b", "sa", "", "loja_1")) << Hex(Udl(L"VelmoPos"));

    // Back to the product page and another product: the typed database name is replaced, the
    // other entries are kept, and the new product gets its own file.
    Back();
    WaitForPage(kServerPage);
    Back();
    WaitForPage(kProductPage);
    ChooseProduct("VelmoFact");
    s = Now();
    EXPECT_EQ(s.Value(kDatabaseBox), "velmofact_10_0");
    EXPECT_EQ(s.Value(kServerBox), "srv-b");
    EXPECT_EQ(s.Value(kUserBox), "sa");
    SetEntry(kPasswordBox, "x");
    Next();
    WaitForPage(kReviewPage);
    EXPECT_EQ(Udl(L"VelmoFact"), UdlBytes("srv-b", "sa", "x", "velmofact_10_0"));
    EXPECT_EQ(Udl(L"VelmoPos"), UdlBytes("srv-b", "sa", "", "loja_1")) << "the other product's file stays";
}

// NormalClick and rCloudClick couple the two options to the type of installation; the ticks are
// kept across going back and forth.
TEST_F(WizardNavigation, TheInstallationTypeCouplesItsOptions) {
    Start();
    ToReviewPage("VelmoRest", {});
    struct State {
        bool normal, demoTicked, demoEnabled, cloud, recoveryTicked, recoveryEnabled;
    };
    const auto read = [](const Snapshot& s) {
        return State{s.Checked(kNormal), s.Checked(kDemo),     s.Enabled(kDemo),
                     s.Checked(kCloud),  s.Checked(kRecovery), s.Enabled(kRecovery)};
    };
    const auto expectState = [&](const State& want) {
        const State got = read(Now());
        EXPECT_EQ(got.normal, want.normal);
        EXPECT_EQ(got.demoTicked, want.demoTicked);
        EXPECT_EQ(got.demoEnabled, want.demoEnabled);
        EXPECT_EQ(got.cloud, want.cloud);
        EXPECT_EQ(got.recoveryTicked, want.recoveryTicked);
        EXPECT_EQ(got.recoveryEnabled, want.recoveryEnabled);
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        State after;
    };
    const Step steps[] = {
        {"as first shown", [] {}, {true, false, true, false, false, false}},
        {"demonstration data ticked", [&] { SetChecked(kDemo, true); }, {true, true, true, false, false, false}},
        {"back and forth keeps the tick",
         [&] {
             Back();
             WaitForPage(kServerPage);
             Next();
             WaitForPage(kReviewPage);
         },
         {true, true, true, false, false, false}},
        {"cloud selected: demonstration data cleared and unavailable, recovery available",
         [&] { SetChecked(kCloud, true); }, {false, false, false, true, false, true}},
        {"recovery ticked", [&] { SetChecked(kRecovery, true); }, {false, false, false, true, true, true}},
        {"normal selected: demonstration data available (still clear), recovery cleared and unavailable",
         [&] { SetChecked(kNormal, true); }, {true, false, true, false, false, false}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        expectState(step.after);
    }
}

// Without a product selected the product page refuses every click of Seguinte with the same box,
// and changes nothing, the focus included.
TEST_F(WizardNavigation, EveryClickWithoutAProductIsRefused) {
    Start();
    for (int click = 1; click <= 3; ++click) {
        SCOPED_TRACE("click " + std::to_string(click));
        Next();
        Answer(ErrorBox("Erro", kNoProduct), IDOK);
        const Snapshot s = WaitFor([](const Snapshot& now) { return now.Focused(kSeguinte); },
                                   "the focus back on Seguinte");
        EXPECT_EQ(PageOf(s), kProductPage);
        EXPECT_FALSE(s.Enabled(kAnterior));
        for (const std::string_view product : {"VelmoCafe", "VelmoFact", "VelmoPos", "VelmoRest"})
            EXPECT_FALSE(s.Checked(ProductChoice(product))) << product;
    }
    ChooseProduct("VelmoCafe");  // a product ends the refusals
}

// The proposal comes from the file version of the product's executable beside the wizard (never
// its product version), or is the product's name alone without one; the cloud option follows the
// product.
TEST_F(WizardNavigation, TheProductChoiceProposesTheDatabaseNameAndTheCloudOption) {
    struct Case {
        const char* product;
        const char* database;
        bool cloud;
    };
    struct Staging {
        const char* what;
        std::vector<std::wstring_view> products;
        std::vector<Case> cases;
    };
    // The staging without executables comes first: the second adds them to the same folder.
    const Staging stagings[] = {
        {"no product executable", {}, {{"VelmoRest", "velmorest", true}, {"VelmoFact", "velmofact", false}}},
        {"every product executable beside the wizard",
         AllProducts(),
         {{"VelmoPos", "velmopos_5_2", true},
          {"VelmoFact", "velmofact_10_0", false},
          {"VelmoRest", "velmorest_3_1", true},
          {"VelmoCafe", "velmocafe_7_4", false},
          {"VelmoPos", "velmopos_5_2", true}}},
    };
    for (const Staging& staging : stagings) {
        SCOPED_TRACE(staging.what);
        Start(staging.products);
        for (const Case& c : staging.cases) {
            SCOPED_TRACE(c.product);
            ChooseProduct(c.product);
            const Snapshot s = Now();
            EXPECT_EQ(s.Value(kDatabaseBox), c.database);
            SetEntry(kDatabaseBox, "typed by the user");  // replaced when the product page is left again
            Next();
            EXPECT_EQ(ReadPage(kReviewPage).Enabled(kCloud), c.cloud);
            Back();
            WaitForPage(kServerPage);
            Back();
            WaitForPage(kProductPage);
        }
        Press(kSair);
        app->WaitForExit();
    }
}

}  // namespace
