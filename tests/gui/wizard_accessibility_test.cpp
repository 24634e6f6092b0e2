// The wizard as a screen reader meets it, from another process, through Active Accessibility
// only: what a listener hears on each of the five pages (the tree in order: role, name, state,
// value) against a table; every focusable control named, no two alike on a page; focus events in
// Tab order; the password box protected and without a value, and no other way into the program
// that gives it; the default actions of the radio buttons, the check boxes and the glass buttons,
// which drive the wizard as clicks do. The wizard is moved through with real input, at the places
// the accessible objects give.

#include "WizardFlow.h"  // the test server's client first: winsock2.h before windows.h

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "driver/Accessible.h"

namespace {

using namespace flow;
using gui::Accessible;
using gui::Heard;
using gui::WinEventRecorder;

constexpr DWORD kStateBits = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSED |
                             STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY |
                             STATE_SYSTEM_PROTECTED | STATE_SYSTEM_ANIMATED | STATE_SYSTEM_PRESSED |
                             STATE_SYSTEM_DEFAULT;
constexpr DWORD kFocusable = STATE_SYSTEM_FOCUSABLE;
constexpr DWORD kFocused = STATE_SYSTEM_FOCUSED;
constexpr DWORD kReadOnly = STATE_SYSTEM_READONLY;
constexpr DWORD kUnavailable = STATE_SYSTEM_UNAVAILABLE;
constexpr DWORD kChecked = STATE_SYSTEM_CHECKED;
constexpr DWORD kDefault = STATE_SYSTEM_DEFAULT;

// Texts of the pages, as the window description holds them.
constexpr char kProductText[] = "Escolha o software para o qual irá instalar a base de dados.";
constexpr char kServerText[] =
    "Se instalou o servidor com esta ferramenta não deverá alterar os campos abaixo, simplesmente prima "
    "\"Seguinte\".\r\n\r\nPor favor introduza o nome do servidor SQL onde a base de dados irá ser instalada. É "
    "necessário introduzir também o nome e password de um utilizador com direitos de administração nesse servidor.";
constexpr char kReviewText[] =
    "Por favor verifique os dados que introduziu. Se estiver tudo correcto carregue em \"Seguinte\".";
constexpr char kFinalText[] =
    "A aplicação necessita de ser configurada  internamente. Será necessário aceder ao menu Configuração -> "
    "Aplicação e proceder à confirmação ou alteração dos parâmetros de funcionamento.";

// The part of every page's walk around the page itself: the background panel with its two
// pictures, the page list, and the three push buttons after it.
// The page list takes the focus itself (Tab stops on it), so it is named after the active page.
std::vector<Heard> Frame(std::vector<Heard> page, DWORD sair, DWORD seguinte, DWORD anterior) {
    std::vector<Heard> heard = {
        {ROLE_SYSTEM_CLIENT, "", 0, std::nullopt, 0},
        {ROLE_SYSTEM_GRAPHIC, "", 0, std::nullopt, 1},
        {ROLE_SYSTEM_GRAPHIC, "", 0, std::nullopt, 1},
        {ROLE_SYSTEM_PAGETABLIST, page.at(0).name, kFocusable, std::nullopt, 1},
    };
    for (Heard& h : page) {
        h.depth += 2;
        heard.push_back(std::move(h));
    }
    heard.push_back({ROLE_SYSTEM_PUSHBUTTON, "Sair", sair, std::nullopt, 1});
    heard.push_back({ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>", seguinte, std::nullopt, 1});
    heard.push_back({ROLE_SYSTEM_PUSHBUTTON, "<< Anterior", anterior, std::nullopt, 1});
    return heard;
}

std::vector<Heard> Masked(std::vector<Heard> heard) {
    for (Heard& h : heard) h.state &= kStateBits;
    return heard;
}

class ScreenReader : public WizardFlowTest {
protected:
    void SetUp() override {
        WizardFlowTest::SetUp();
        com_ = std::make_unique<gui::ComScope>();
    }
    void TearDown() override {
        WizardFlowTest::TearDown();
        app.reset();
        com_.reset();
    }

    // Stages and starts the wizard with those products; waits until a reader hears "Seguinte >>"
    // focused.
    void Open(const std::vector<std::wstring_view>& products) {
        app = StartWizard(products);
        gui::WaitFor(
            [&] {
                gui::KeepForeground(Window());
                return HasState(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>", kFocused);
            },
            "Seguinte to have the focus");
    }

    HWND Window() const { return app->MainWindow(); }
    Accessible Root() const { return Accessible::FromWindow(Window()); }
    // The element a reader finds by role and name, looked for through the tree it keeps of the window
    // (the walks judged below are fresh ones).
    Accessible Find(long role, std::string_view name) const { return app->Get({role, std::string(name)}).Object(); }

    // The visible page's property page, by name ("1".."5"); waits for it to show.
    void WaitForAccessiblePage(std::string_view name, milliseconds timeout = kRunTimeout) {
        gui::WaitFor(
            [&] {
                try {
                    return Find(ROLE_SYSTEM_PROPERTYPAGE, name).Visible();
                } catch (const DriverError&) {
                    return false;
                }
            },
            "page " + std::string(name) + " to show", timeout);
    }

    // A real click at the middle of what a reader calls by that role and name.
    void Click(long role, std::string_view name) {
        const RECT r = Find(role, name).Location();
        gui::RealClick(Window(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }

    // The box's text replaced as a person does it: a click into it, Ctrl+A, the new text.
    // (Replacing is idempotent: keys lost under load are typed again, as a person would.)
    void Type(std::string_view label, std::string_view text) {
        for (int attempt = 0;; ++attempt) {
            Click(ROLE_SYSTEM_TEXT, label);
            gui::PressKey(Window(), 'A', gui::kCtrl);
            if (text.empty())
                gui::PressKey(Window(), VK_DELETE);
            else
                gui::TypeText(Window(), gui::FromCp1252(text));
            const bool typed = gui::WaitUntil([&] { return Find(ROLE_SYSTEM_TEXT, label).Value() == std::string(text); },
                                              attempt < 2 ? milliseconds(5000) : gui::kTimeout);
            if (typed) return;
            if (attempt >= 2) throw DriverError(std::string(label) + " did not take the typed text");
        }
    }

    bool HasState(long role, std::string_view name, DWORD bits) const {
        try {
            return (Find(role, name).State() & bits) == bits;
        } catch (const DriverError&) {
            return false;  // not there yet
        }
    }

    // The page's walk against the table, once the page has settled (the focus moves after the
    // page shows) or the time-out passed: then the last walk is judged; then every focusable
    // element named, no name twice.
    void ExpectHeard(const std::vector<Heard>& want, std::string_view page) {
        const std::vector<Heard> heard =
            gui::ReadUntilEqual<std::vector<Heard>>([&] { return Masked(gui::Walk(Root())); }, want);
        EXPECT_EQ(heard, want) << "page " << page << " reads\n"
                               << gui::Describe(heard) << "instead of\n"
                               << gui::Describe(want);
        std::set<std::string> names;
        for (const Heard& h : heard) {
            if (!(h.state & kFocusable)) continue;
            EXPECT_FALSE(h.name.empty()) << "a focusable " << gui::RoleName(h.role) << " without a name on page " << page;
            EXPECT_TRUE(names.insert(h.name).second) << "\"" << gui::Cp1252ToUtf8(h.name) << "\" twice on page " << page;
        }
    }

    std::unique_ptr<gui::ComScope> com_;
};

// Every page as a listener hears it, from the product page to the final page of an installation;
// the progress page while the store number of a cloud installation is asked for (the wizard is
// busy otherwise).
TEST_F(ScreenReader, HearsEachOfTheFivePagesAsTheTableSays) {
    sqltest::Instance server(R"j({})j");
    Open({L"VelmoRest"});

    ExpectHeard(Frame({{ROLE_SYSTEM_PROPERTYPAGE, "1", 0, std::nullopt, 0},
                       {ROLE_SYSTEM_STATICTEXT, kProductText, kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_GROUPING, "Software", 0, std::nullopt, 1},
                       {ROLE_SYSTEM_RADIOBUTTON, "VelmoCafe", kFocusable, std::nullopt, 2},
                       {ROLE_SYSTEM_RADIOBUTTON, "VelmoFact", kFocusable, std::nullopt, 2},
                       {ROLE_SYSTEM_RADIOBUTTON, "VelmoPos", kFocusable, std::nullopt, 2},
                       {ROLE_SYSTEM_RADIOBUTTON, "VelmoRest", kFocusable, std::nullopt, 2}},
                      kFocusable, kFocusable | kFocused | kDefault, kFocusable | kUnavailable),
                "1");
    // The inactive pages are there, as property pages named by their captions, and invisible.
    std::vector<std::pair<std::string, bool>> pages;
    for (const Accessible& page : Find(ROLE_SYSTEM_PAGETABLIST, "1").Children())
        pages.emplace_back(page.Name(), page.Visible());
    EXPECT_EQ(pages, (std::vector<std::pair<std::string, bool>>{
                         {"1", true}, {"2", false}, {"3", false}, {"4", false}, {"5", false}}));

    Click(ROLE_SYSTEM_RADIOBUTTON, "VelmoRest");
    gui::WaitFor([&] { return HasState(ROLE_SYSTEM_RADIOBUTTON, "VelmoRest", kChecked); }, "VelmoRest to be chosen");
    Click(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>");
    WaitForAccessiblePage("2");
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    ExpectHeard(Frame({{ROLE_SYSTEM_PROPERTYPAGE, "2", 0, std::nullopt, 0},
                       {ROLE_SYSTEM_STATICTEXT, kServerText, kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Servidor", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Instância", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Base de Dados", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Utilizador", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Password", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_TEXT, "Servidor", kFocusable, computer, 1},
                       {ROLE_SYSTEM_TEXT, "Instância", kFocusable, "MARLOVEXSQL", 1},
                       {ROLE_SYSTEM_TEXT, "Base de Dados", kFocusable, "velmorest_3_1", 1},
                       {ROLE_SYSTEM_TEXT, "Utilizador", kFocusable, "sa", 1},
                       {ROLE_SYSTEM_TEXT, "Password", kFocusable | STATE_SYSTEM_PROTECTED, std::nullopt, 1}},
                      kFocusable, kFocusable | kFocused | kDefault, kFocusable | kUnavailable),
                "2");

    Type("Servidor", server.Server());
    Type("Instância", "");
    Type("Base de Dados", "loja_ouvida");
    Click(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>");
    WaitForAccessiblePage("3");
    ExpectHeard(Frame({{ROLE_SYSTEM_PROPERTYPAGE, "3", 0, std::nullopt, 0},
                       {ROLE_SYSTEM_STATICTEXT, kReviewText, kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Base de dados", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Servidor", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Utilizador", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_TEXT, "Servidor", kFocusable | kReadOnly, server.Server(), 1},
                       {ROLE_SYSTEM_TEXT, "Base de dados", kFocusable | kReadOnly, "loja_ouvida", 1},
                       {ROLE_SYSTEM_TEXT, "Utilizador", kFocusable | kReadOnly, "sa", 1},
                       {ROLE_SYSTEM_GROUPING, "Tipo de Instalação", 0, std::nullopt, 1},
                       {ROLE_SYSTEM_RADIOBUTTON, "Normal", kFocusable | kChecked, std::nullopt, 2},
                       {ROLE_SYSTEM_CHECKBUTTON, "Criar Dados Demonstrativos", kFocusable, std::nullopt, 2},
                       {ROLE_SYSTEM_RADIOBUTTON, "Tecnologia Cloud", kFocusable, std::nullopt, 2},
                       {ROLE_SYSTEM_CHECKBUTTON, "Recuperação de Loja", kFocusable | kUnavailable, std::nullopt, 2}},
                      kFocusable, kFocusable | kFocused | kDefault, kFocusable),
                "3");

    // The cloud installation asks for the store number while the progress page shows.
    Click(ROLE_SYSTEM_RADIOBUTTON, "Tecnologia Cloud");
    gui::WaitFor([&] { return HasState(ROLE_SYSTEM_RADIOBUTTON, "Tecnologia Cloud", kChecked); }, "the cloud to be chosen");
    Click(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>");
    const MessageBoxWindow store = app->WaitForMessageBox(kRunTimeout);
    EXPECT_EQ(store.Caption(), kStoreCaption);
    ExpectStoreBoxHeard(store);
    WaitForAccessiblePage("4");
    // The bar runs (animated) at 0 %; the buttons are unavailable while the sequence works.
    ExpectHeard(Frame({{ROLE_SYSTEM_PROPERTYPAGE, "4", 0, std::nullopt, 0},
                       {ROLE_SYSTEM_STATICTEXT, "Por favor aguarde...", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Criação da base de dados em curso...", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, "Por favor aguarde...", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_PROGRESSBAR, "", kReadOnly | STATE_SYSTEM_ANIMATED, "0%", 1}},
                      kFocusable, kFocusable | kUnavailable, kFocusable | kUnavailable),
                "4");
    gui::TypeText(store.Window(), L"3");
    gui::PressKey(store.Window(), VK_RETURN);
    WaitForAccessiblePage("5");
    gui::WaitFor([&] { return HasState(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>", kUnavailable); }, "the sequence to end");
    ExpectHeard(Frame({{ROLE_SYSTEM_PROPERTYPAGE, "5", 0, std::nullopt, 0},
                       {ROLE_SYSTEM_STATICTEXT, "Base de dados criada com sucesso.", kReadOnly, std::nullopt, 1},
                       {ROLE_SYSTEM_STATICTEXT, kFinalText, kReadOnly, std::nullopt, 1}},
                      kFocusable, kFocusable | kUnavailable, kFocusable | kUnavailable),
                "5");
}

// Tab through the server page: one focus event per press, for the control the focus went to,
// in the window's tab order: the page list (named by its page), the boxes, the buttons, round again.
TEST_F(ScreenReader, HearsFocusEventsInTabOrder) {
    Open({L"VelmoFact"});
    Click(ROLE_SYSTEM_RADIOBUTTON, "VelmoFact");
    gui::WaitFor([&] { return HasState(ROLE_SYSTEM_RADIOBUTTON, "VelmoFact", kChecked); }, "VelmoFact to be chosen");
    Click(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>");
    WaitForAccessiblePage("2");
    WinEventRecorder::Pump(milliseconds(300));

    WinEventRecorder recorder(app->ProcessId(), EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS);
    const std::string box = " (" + gui::RoleName(ROLE_SYSTEM_TEXT) + ")";
    const std::string button = " (" + gui::RoleName(ROLE_SYSTEM_PUSHBUTTON) + ")";
    const std::string pages = "2 (" + gui::RoleName(ROLE_SYSTEM_PAGETABLIST) + ")";
    // ("<< Anterior" is unavailable on this page.)
    const std::vector<std::string> order = {pages,           "Servidor" + box, "Instância" + box,      "Base de Dados" + box,
                                            "Utilizador" + box, "Password" + box, "Sair" + button, "Seguinte >>" + button,
                                            pages};
    std::vector<std::string> heard;
    for (std::size_t press = 0; press < order.size(); ++press) {
        gui::PressKey(Window(), VK_TAB);
        const bool arrived = recorder.PumpUntil([&](const auto& events) { return events.size() > press; },
                                                milliseconds(5000));
        ASSERT_TRUE(arrived) << "no focus event after Tab press " << press + 1;
    }
    WinEventRecorder::Pump(milliseconds(500));  // anything doubled arrives by now
    for (const WinEventRecorder::Event& e : recorder.Events()) {
        const auto source = Accessible::FromEvent(e.window, e.objectId, e.childId);
        heard.push_back(source ? gui::Cp1252ToUtf8(source->Name() + " (" + gui::RoleName(source->Role()) + ")")
                               : "(no object)");
    }
    std::vector<std::string> want;
    for (const std::string& name : order) want.push_back(gui::Cp1252ToUtf8(name));
    EXPECT_EQ(heard, want);
}

// Another process never gets the password from the accessible object: the box says it is
// protected and refuses its value, before and after a person types a new one; its neighbours
// give theirs.
TEST_F(ScreenReader, CannotReadThePassword) {
    Open({L"VelmoRest"});
    Click(ROLE_SYSTEM_RADIOBUTTON, "VelmoRest");
    gui::WaitFor([&] { return HasState(ROLE_SYSTEM_RADIOBUTTON, "VelmoRest", kChecked); }, "VelmoRest to be chosen");
    Click(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>");
    WaitForAccessiblePage("2");

    const auto expectProtected = [&](std::string_view when) {
        const Accessible box = Find(ROLE_SYSTEM_TEXT, "Password");
        HRESULT result = S_OK;
        EXPECT_EQ(box.Value(&result), std::nullopt) << when;
        EXPECT_EQ(result, E_ACCESSDENIED) << when;
        EXPECT_TRUE(box.State() & STATE_SYSTEM_PROTECTED) << when;
    };
    expectProtected("the default password");
    Type("Utilizador", "operador");
    Click(ROLE_SYSTEM_TEXT, "Password");
    gui::PressKey(Window(), 'A', gui::kCtrl);
    gui::TypeText(Window(), L"segredo-novo");
    gui::WaitFor([&] { return HasState(ROLE_SYSTEM_TEXT, "Password", kFocused); }, "the password box to have the focus");
    WinEventRecorder::Pump(milliseconds(300));
    expectProtected("a typed password");
    EXPECT_EQ(Find(ROLE_SYSTEM_TEXT, "Utilizador").Value(), "operador");
}

// Replies that reach the test's window.
int g_replies = 0;
LRESULT CALLBACK CountingReplies(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) ++g_replies;
    return DefWindowProcW(window, message, wParam, lParam);
}

// No other process gets the password through a channel of the program's own: the request that a
// test responder once answered with every control's text (the password's included) goes
// unanswered, and nothing is sent back.
TEST_F(ScreenReader, NoPrivateChannelAnswers) {
    Open({L"VelmoRest"});
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CountingReplies;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OldChannelReply";
    RegisterClassExW(&wc);
    HWND reply = CreateWindowExW(0, L"OldChannelReply", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 wc.hInstance, nullptr);
    ASSERT_NE(reply, nullptr);
    // The old request: "describe every control", protocol line "fwauto 1".
    constexpr ULONG_PTR kDescribe = 0x46574144;
    char protocol[] = "fwauto 1";
    COPYDATASTRUCT request{kDescribe, static_cast<DWORD>(sizeof protocol - 1), protocol};
    DWORD_PTR answered = 1;
    ASSERT_TRUE(SendMessageTimeoutW(Window(), WM_COPYDATA, reinterpret_cast<WPARAM>(reply),
                                    reinterpret_cast<LPARAM>(&request), SMTO_ABORTIFHUNG, 5000, &answered))
        << "the wizard is not busy: it takes the message";
    WinEventRecorder::Pump(milliseconds(500));  // a reply sent to the window would be here by now
    EXPECT_EQ(answered, 0u) << "the request is not answered";
    EXPECT_EQ(g_replies, 0) << "nothing comes back";
    DestroyWindow(reply);
    EXPECT_TRUE(app->Running());
}

// The glass buttons pressed by a reader's default action drive the wizard as clicks do: "Press"
// on Seguinte without a product gets the refusal, with one the next page; an unavailable button
// refuses and nothing happens; Anterior goes back; Sair ends the program.
TEST_F(ScreenReader, PressesTheGlassButtonsThroughTheirDefaultActions) {
    sqltest::Instance server(R"j({})j");
    Open({L"VelmoPos"});
    const auto button = [&](std::string_view name) { return Find(ROLE_SYSTEM_PUSHBUTTON, name); };
    EXPECT_EQ(button("Seguinte >>").DefaultAction(), "Press");
    EXPECT_EQ(button("Sair").DefaultAction(), "Press");

    // The action is posted: the call returns at once, the refusal box comes after.
    ASSERT_EQ(button("Seguinte >>").DoDefaultAction(), S_OK);
    Answer(ErrorBox("Erro", kNoProduct), IDOK);
    ASSERT_EQ(Find(ROLE_SYSTEM_RADIOBUTTON, "VelmoPos").DoDefaultAction(), S_OK);
    gui::WaitFor([&] { return HasState(ROLE_SYSTEM_RADIOBUTTON, "VelmoPos", kChecked); }, "VelmoPos to be chosen");
    EXPECT_FALSE(HasState(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>", kFocused)) << "the choice has the focus";
    ASSERT_EQ(button("Seguinte >>").DoDefaultAction(), S_OK);
    WaitForAccessiblePage("2");
    EXPECT_TRUE(HasState(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>", kFocused | kDefault))
        << "the pressed button takes the focus, as with a click";

    // Unavailable on the server page reached forward: refused, and the page stays.
    const Accessible anterior = button("<< Anterior");
    ASSERT_TRUE(anterior.State() & kUnavailable);
    EXPECT_EQ(anterior.DoDefaultAction(), E_FAIL);
    WinEventRecorder::Pump(milliseconds(500));
    EXPECT_TRUE(Find(ROLE_SYSTEM_PROPERTYPAGE, "2").Visible());

    Type("Servidor", server.Server());
    Type("Instância", "");
    ASSERT_EQ(button("Seguinte >>").DoDefaultAction(), S_OK);
    WaitForAccessiblePage("3");
    EXPECT_EQ(Udl(L"VelmoPos"), UdlBytes(server.Server(), "sa", kPassword, "velmopos_5_2"))
        << "the press wrote the data link file, as a click does";
    gui::WaitFor([&] { return !(anterior.State() & kUnavailable); }, "Anterior to become available");
    ASSERT_EQ(anterior.DoDefaultAction(), S_OK);
    WaitForAccessiblePage("2");

    ASSERT_EQ(button("Sair").DoDefaultAction(), S_OK);
    EXPECT_EQ(app->WaitForExit(), 0u);
}

// Default actions of the choices: a radio button is chosen and focused, a check box toggles, each
// announcing one state change; an unavailable check box refuses and stays as it was.
TEST_F(ScreenReader, ChoosesWithDefaultActions) {
    sqltest::Instance server(R"j({})j");
    Open({L"VelmoCafe", L"VelmoPos"});
    const Accessible cafe = Find(ROLE_SYSTEM_RADIOBUTTON, "VelmoCafe");
    EXPECT_EQ(cafe.DefaultAction(), "Check");
    {
        WinEventRecorder recorder(app->ProcessId(), EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_STATECHANGE);
        ASSERT_EQ(cafe.DoDefaultAction(), S_OK);
        gui::WaitFor([&] { return (cafe.State() & (kChecked | kFocused)) == (kChecked | kFocused); },
                     "VelmoCafe to be chosen and focused");
        WinEventRecorder::Pump(milliseconds(500));
        ASSERT_EQ(recorder.Events().size(), 1u) << "state changes after choosing VelmoCafe";
        const auto& e = recorder.Events()[0];
        EXPECT_EQ(Accessible::FromEvent(e.window, e.objectId, e.childId).value_or(Accessible()).Name(), "VelmoCafe");
    }
    // Choosing another clears the first: both announce it.
    {
        WinEventRecorder recorder(app->ProcessId(), EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_STATECHANGE);
        ASSERT_EQ(Find(ROLE_SYSTEM_RADIOBUTTON, "VelmoPos").DoDefaultAction(), S_OK);
        gui::WaitFor([&] { return HasState(ROLE_SYSTEM_RADIOBUTTON, "VelmoPos", kChecked); }, "VelmoPos chosen");
        WinEventRecorder::Pump(milliseconds(500));
        std::multiset<std::string> names;
        for (const auto& e : recorder.Events())
            names.insert(Accessible::FromEvent(e.window, e.objectId, e.childId).value_or(Accessible()).Name());
        EXPECT_EQ(names, (std::multiset<std::string>{"VelmoCafe", "VelmoPos"}));
        EXPECT_FALSE(cafe.State() & kChecked);
    }

    Click(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>");
    WaitForAccessiblePage("2");
    Type("Servidor", server.Server());
    Type("Instância", "");
    Click(ROLE_SYSTEM_PUSHBUTTON, "Seguinte >>");
    WaitForAccessiblePage("3");

    const Accessible demo = Find(ROLE_SYSTEM_CHECKBUTTON, "Criar Dados Demonstrativos");
    EXPECT_EQ(demo.DefaultAction(), "Check");
    ASSERT_EQ(demo.DoDefaultAction(), S_OK);
    gui::WaitFor([&] { return (demo.State() & kChecked) != 0; }, "the demonstration data to be ticked");
    EXPECT_EQ(demo.DefaultAction(), "Uncheck");
    ASSERT_EQ(demo.DoDefaultAction(), S_OK);
    gui::WaitFor([&] { return (demo.State() & kChecked) == 0; }, "the demonstration data to be cleared");

    const Accessible recovery = Find(ROLE_SYSTEM_CHECKBUTTON, "Recuperação de Loja");
    ASSERT_TRUE(recovery.State() & kUnavailable);
    EXPECT_EQ(recovery.DoDefaultAction(), E_FAIL);
    WinEventRecorder::Pump(milliseconds(500));
    EXPECT_FALSE(recovery.State() & kChecked) << "an unavailable check box is not ticked";

    // The cloud: its handler clears and disables the demonstration data, as a click does.
    ASSERT_EQ(demo.DoDefaultAction(), S_OK);
    gui::WaitFor([&] { return (demo.State() & kChecked) != 0; }, "the demonstration data to be ticked again");
    ASSERT_EQ(Find(ROLE_SYSTEM_RADIOBUTTON, "Tecnologia Cloud").DoDefaultAction(), S_OK);
    gui::WaitFor([&] { return (demo.State() & (kChecked | kUnavailable)) == kUnavailable; },
                 "the cloud to clear and disable the demonstration data");
    EXPECT_TRUE(HasState(ROLE_SYSTEM_RADIOBUTTON, "Tecnologia Cloud", kChecked | kFocused));
    EXPECT_FALSE(HasState(ROLE_SYSTEM_RADIOBUTTON, "Normal", kChecked));
}

}  // namespace
