#pragma once
// Driving the wizard through its pages from a GUI test, against an instance of the SQL Server
// test server of the test's own: staging with a chosen set of product executables, the pages and
// the controls' states as a screen reader hears them (driver/Snapshot.h), the server page's
// entries, the message boxes and the input box the wizard shows, its data link file, and what the
// server received. Controls are found by role and name, as a person finds them by what they read.
//
// While the wizard runs its provisioning sequence its user-interface thread is busy and answers
// no reader, except inside the sequence's own modal boxes; the waits here treat a busy wizard as
// "not yet" and go on polling until their bounded time-out.

#include "tests/provisioning/win/SqlTestServer.h"  // winsock2.h before windows.h

#include <algorithm>
#include <cstdio>
#include <functional>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "WizardControls.h"
#include "driver/WizardTest.h"

namespace flow {

using gui::App;
using gui::DriverError;
using gui::Element;
using gui::MessageBoxWindow;
using gui::Named;
using gui::Snapshot;
using std::chrono::milliseconds;
using namespace wizard;

// A wizard test that failed prints what its test servers saw of the wizard's connections: a
// message box that says the server could not be reached is then explained.
inline const bool kServerSummaryOnFailure = [] {
    sqltest::Instance::SetStopHook([](const sqltest::Instance& server) {
        if (testing::Test::HasFailure()) std::printf("%s", server.ConnectionSummary().c_str());
    });
    return true;
}();

inline constexpr char kPassword[] = "QX#318604275";  // the server's and the wizard's default
inline constexpr milliseconds kRunTimeout{60000};     // one provisioning sequence, pause included

// The wizard's texts (Windows-1252).
inline constexpr char kNoProduct[] = "Tem de seleccionar um software!";
inline constexpr char kNoServer[] = "Falta identificar o servidor SQL!";
inline constexpr char kNoUser[] = "Falta identificar o utilizador!";
inline constexpr char kNoDatabase[] = "Falta definir o nome da base de dados!";
inline constexpr char kNoPassword[] =
    "Não foi introduzida password para o Utilizador!\nEmbora isso seja possível, constitui uma falha na "
    "segurança da base de dados.\nDeseja continuar?";
inline constexpr char kUnreachable[] = "Erro na ligação ao servidor!\nPor favor verifique os dados e tente de novo.";
inline constexpr char kConfirmReplace[] =
    "A base de dados já existe! Se continuar irá perder todos os dados e criar uma nova! TEM A CERTEZA?";
inline constexpr char kCreationFailed[] =
    "Erro na criação da base de dados!\nPor favor verifique os dados e tente de novo.";
inline constexpr char kTablesFailed[] = "Erro na criação das tabelas!";
inline constexpr char kDataFailed[] = "Erro na inserção de dados!";
inline constexpr char kDemoFailed[] = "Erro na inserção dos dados demonstrativos!";
inline constexpr char kStoreCaption[] = "Numero da Loja";
inline constexpr char kStorePrompt[] = "Escolha o numero da loja:";
static_assert(sizeof("ção") == 4 && "ção"[0] == '\xE7', "narrow literals are Windows-1252");

// A message box as the wizard must show it.
struct BoxSpec {
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // ids, in the order the box places them
    UINT icon;                 // MB_ICONERROR, MB_ICONQUESTION, ...
    int defaultButton = 0;     // the id Enter answers with; 0: the first of `buttons`
};

inline BoxSpec ErrorBox(std::string caption, std::string text) { return {std::move(caption), std::move(text), {IDOK}, MB_ICONERROR}; }

// The state bits a listener is told of in a message box (whether the platform calls a window
// focusable is left out: it differs between platforms and is not read out).
inline constexpr DWORD kHeardInBoxes = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_DEFAULT |
                                       STATE_SYSTEM_PRESSED | STATE_SYSTEM_CHECKED | STATE_SYSTEM_READONLY |
                                       STATE_SYSTEM_PROTECTED | STATE_SYSTEM_INVISIBLE;

inline std::vector<gui::Heard> HeardInBox(std::vector<gui::Heard> heard) {
    for (gui::Heard& h : heard) h.state &= kHeardInBoxes;
    return heard;
}

// The label this platform's message box puts on a button (the tests run in the C locale).
inline std::string BoxButtonLabel(int id) {
    switch (id) {
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        case IDYES: return "Yes";
        case IDNO: return "No";
        default: throw DriverError("no label known for button " + std::to_string(id));
    }
}

// What a listener hears of a message box, as the platform reads it out (the box's windows in its
// order): the icon, unnamed; the buttons by their labels, in the order given, the default one
// focused; then the text.
inline std::vector<gui::Heard> ListenerHears(const BoxSpec& box) {
    using gui::StandardControlRole;
    std::vector<gui::Heard> heard = {{StandardControlRole(ROLE_SYSTEM_GRAPHIC), "", 0, std::nullopt, 0}};
    const int focused = box.defaultButton ? box.defaultButton : box.buttons.front();
    for (const int id : box.buttons)
        heard.push_back({StandardControlRole(ROLE_SYSTEM_PUSHBUTTON), BoxButtonLabel(id),
                         id == focused ? DWORD(STATE_SYSTEM_FOCUSED) : 0, std::nullopt, 0});
    heard.push_back({StandardControlRole(ROLE_SYSTEM_STATICTEXT), box.text, 0, std::nullopt, 0});
    return heard;
}

// The entries of the server page; a field left unset keeps what the box holds.
struct ServerEntries {
    std::optional<std::string> servidor, instancia, basedados, utilizador, password;
};

// The bytes of a file (empty when it cannot be read).
inline std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The batch the server must receive for a script file's bytes: every line ended by CR LF (a
// CR LF, a lone CR or a lone LF ends a line; a zero byte ends the text), as UTF-8.
inline std::string ScriptBatch(const std::string& bytes) {
    std::string text;
    std::string line;
    bool open = false;  // a line has started and not yet ended
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            text += line + "\r\n";
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += c;
            open = true;
        }
    }
    if (open) text += line + "\r\n";
    return gui::Cp1252ToUtf8(text);
}

// The data link file the wizard must write: FF FE, then three lines in little-endian UTF-16, the
// Windows-1252 text converted as the connection itself converts it ("ç" E7 00, "€" AC 20).
inline std::string UdlBytes(const std::string& server, const std::string& user, const std::string& password,
                            const std::string& database) {
    const std::string text = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                             "Provider=SQLOLEDB.1;Password=" + password + ";Persist Security Info=True;User ID=" +
                             user + ";Initial Catalog=" + database + ";Data Source=" + server + "\r\n";
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : gui::FromCp1252(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// "12 34 ..." for a failure message about bytes.
inline std::string Hex(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (const unsigned char b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        out += buffer;
    }
    return out;
}

// A loopback port on which nothing listens (an instance started and stopped again).
inline int ClosedPort() {
    sqltest::Instance gone;
    return gone.Port();
}

inline const std::vector<std::wstring_view>& AllProducts() {
    static const std::vector<std::wstring_view> all = {L"VelmoCafe", L"VelmoFact", L"VelmoPos", L"VelmoRest"};
    return all;
}

class WizardFlowTest : public gui::WizardTest {
protected:
    // Stages the wizard with the script files and the named product executables only, starts it
    // and waits until it is ready for input (Seguinte focused).
    void Start(const std::vector<std::wstring_view>& products = AllProducts()) {
        app = StartWizard(products);
        app->WaitFor(
            kSeguinte,
            [this](const Element& seguinte) {
                gui::KeepForeground(app->MainWindow());
                return seguinte.Focused();
            },
            "Seguinte to take the focus");
    }

    // What a reader hears now; throws DriverError when the wizard is busy.
    Snapshot Now() { return app->Read(); }

    // Polls until the wizard answers and the condition holds; returns that reading.
    Snapshot WaitFor(const std::function<bool(const Snapshot&)>& condition, std::string_view what,
                     milliseconds timeout = gui::kTimeout) {
        return app->WaitFor(condition, what, timeout);
    }

    // Waits until the page shows, with no box open, glancing at the pages alone: each look is a
    // few round trips to the wizard, where a whole reading asks every element.
    void WaitForPage(int page, milliseconds timeout = gui::kTimeout) {
        app->WaitForShown(
            ROLE_SYSTEM_PROPERTYPAGE,
            [&](const std::vector<Element>& pages) { return PageOf(pages) == page && !app->FindMessageBox(); },
            "page " + std::to_string(page + 1) + " with no box open", timeout);
    }
    // Waits for the page, then reads the window.
    Snapshot ReadPage(int page, milliseconds timeout = gui::kTimeout) {
        WaitForPage(page, timeout);
        return Now();
    }

    // Clicks a control with the mouse at its place, as a person does.
    void Press(const Named& what) { gui::ClickControl(app->Get(what)); }
    void Next() { Press(kSeguinte); }
    void Back() { Press(kAnterior); }

    // Selects a product ("VelmoPos") and leaves the product page; waits for the server page.
    void ChooseProduct(std::string_view product) {
        const Named choice = ProductChoice(product);
        // Selecting is idempotent: a click lost under load is made again, as a person would.
        for (int attempt = 0;; ++attempt) {
            Press(choice);
            try {
                app->WaitFor(choice, [](const Element& e) { return e.Checked(); },
                             std::string(product) + " to be selected", attempt < 2 ? milliseconds(4000) : gui::kTimeout);
                break;
            } catch (const DriverError&) {
                if (attempt >= 2) throw;
            }
        }
        Next();
        WaitForPage(kServerPage);
    }

    // Types an entry as a person does: a click into the box, Ctrl+A to select what it holds, and
    // the new text typed over it (Delete for none). A person looks for the caret before typing:
    // the keys wait until the box has the focus, or a click lost under load would send Ctrl+A and
    // Delete to the box before and empty it. Replacing is idempotent: keys lost under load are
    // typed again, as a person would. A reader hears a box's text; of a password box, which keeps
    // its text from readers, only how many characters it holds.
    void SetEntry(const Named& box, std::string_view text) {
        for (int attempt = 0;; ++attempt) {
            const Element element = app->Get(box);
            const bool protectedBox = element.Has(STATE_SYSTEM_PROTECTED);
            const HWND window = element.Window();
            gui::ClickControl(element);
            if (!gui::WaitUntil([&] { return app->FocusedWindow() == window; }, milliseconds(4000))) {
                if (attempt >= 2) throw DriverError(gui::Describe(box) + " never took the focus");
                continue;
            }
            gui::PressKey(app->MainWindow(), 'A', gui::kCtrl);
            if (text.empty())
                gui::PressKey(app->MainWindow(), VK_DELETE);
            else
                gui::TypeText(app->MainWindow(), gui::FromCp1252(text));
            try {
                app->WaitFor(
                    box,
                    [&](const Element& e) {
                        return protectedBox ? gui::TextLength(window) == static_cast<int>(text.size())
                                            : e.Value() == text;
                    },
                    gui::Describe(box) + " to take its text", attempt < 2 ? milliseconds(5000) : gui::kTimeout);
                return;
            } catch (const DriverError&) {
                if (attempt >= 2) throw;
            }
        }
    }

    void SetServerPage(const ServerEntries& entries) {
        const std::pair<const Named*, const std::optional<std::string>*> fields[] = {
            {&kServerBox, &entries.servidor},   {&kInstanceBox, &entries.instancia},
            {&kDatabaseBox, &entries.basedados}, {&kUserBox, &entries.utilizador},
            {&kPasswordBox, &entries.password}};
        for (const auto& [box, value] : fields)
            if (*value) SetEntry(*box, **value);
    }

    // The server page pointing at one test-server instance (no instance name), with the given
    // database name or the proposed one.
    void UseServer(const sqltest::Instance& server, std::optional<std::string> database = std::nullopt) {
        SetServerPage({.servidor = server.Server(), .instancia = "", .basedados = std::move(database),
                       .utilizador = "sa", .password = kPassword});
    }

    // From the product page to the review page: product, server page entries.
    void ToReviewPage(std::string_view product, const ServerEntries& entries) {
        ChooseProduct(product);
        SetServerPage(entries);
        Next();
        WaitForPage(kReviewPage);
    }

    // Ticks or unticks a check box, or selects a radio button, by clicking it until it shows the
    // state asked for (a click on a selected radio button changes nothing).
    void SetChecked(const Named& what, bool checked) {
        if (app->Get(what).Checked() == checked) return;
        Press(what);
        app->WaitFor(what, [&](const Element& e) { return e.Checked() == checked; },
                     gui::Describe(what) + (checked ? " to be ticked" : " to be cleared"));
    }

    // Waits for the next message box (or input box) and checks it against what is wanted: caption, text,
    // buttons and icon. The box stays open.
    MessageBoxWindow ExpectBox(const BoxSpec& want, milliseconds timeout = kRunTimeout) {
        const MessageBoxWindow box = app->WaitForMessageBox(timeout);
        EXPECT_EQ(gui::Cp1252ToUtf8(box.Caption()), gui::Cp1252ToUtf8(want.caption));
        EXPECT_EQ(gui::Cp1252ToUtf8(box.Text()), gui::Cp1252ToUtf8(want.text));
        std::vector<int> ids = box.ButtonIds(), expected = want.buttons;
        std::sort(ids.begin(), ids.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ids, expected) << "buttons of \"" << gui::Cp1252ToUtf8(want.caption) << "\"";
        EXPECT_EQ(box.Owner(), app->MainWindow()) << "the box belongs to the wizard's window";
        // The default button is drawn as such (BS_DEFPUSHBUTTON); Wine's boxes do not answer
        // DM_GETDEFID with it.
        std::vector<int> defaults;
        for (const int id : box.ButtonIds())
            if ((GetWindowLongW(box.Button(id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) defaults.push_back(id);
        const int wantDefault = want.defaultButton ? want.defaultButton : want.buttons.front();
        EXPECT_EQ(defaults, std::vector<int>{wantDefault})
            << "default button of \"" << gui::Cp1252ToUtf8(want.caption) << "\"";
        // The icon is recognised from the screen, once the box is the active window (as a person
        // looks at it) and has painted it (a loaded machine can take seconds to paint it).
        gui::WaitForForeground(box.Window());
        gui::WaitUntil([&] { return box.Icon() == want.icon; }, milliseconds(10000));
        EXPECT_EQ(box.Icon(), want.icon) << "icon of \"" << gui::Cp1252ToUtf8(want.caption) << "\"";
        // And as a screen reader reads it out, once the focus has settled on the default button
        // (of an active box).
        const std::vector<gui::Heard> wanted = ListenerHears(want);
        const std::vector<gui::Heard> heard = gui::ReadUntilEqual<std::vector<gui::Heard>>(
            [&] { return HeardInBox(box.Hear()); }, wanted, milliseconds(10000));
        EXPECT_EQ(heard, wanted) << "\"" << gui::Cp1252ToUtf8(want.caption) << "\" reads\n"
                                 << gui::Describe(heard) << "instead of\n"
                                 << gui::Describe(wanted);
        return box;
    }

    // Checks the box and answers it; waits until it has gone.
    void Answer(const BoxSpec& want, int answer, milliseconds timeout = kRunTimeout) {
        const MessageBoxWindow box = ExpectBox(want, timeout);
        box.Answer(answer);
        gui::WaitFor([&] { return !box.IsOpen(); }, "the message box to close");
    }

    // The progress bar's animation, seen on the screen (the bar runs on its own timer while the
    // wizard waits in its loop or in a modal box; it must not be covered). A running bar moves
    // every 50 ms; a bar that is not running may still be painted once or twice when its page or
    // a moved box is repainted. So: running when its pixels change at three separate moments
    // within 5 s; stopped when they stay the same for 1 s (looked for during at most 10 s).
    bool ProgressBarRuns(const Snapshot& s) {
        const RECT bar = s.Get(kProgressBar).Location();
        gui::Image last = gui::CaptureScreen(bar);
        int changes = 0;
        return gui::WaitUntil(
            [&] {
                gui::Image now = gui::CaptureScreen(bar);
                if (!SameImage(now, last)) ++changes;
                last = std::move(now);
                return changes >= 3;
            },
            milliseconds(5000));
    }
    bool ProgressBarStill(const Snapshot& s) {
        const RECT bar = s.Get(kProgressBar).Location();
        gui::Image last = gui::CaptureScreen(bar);
        auto since = std::chrono::steady_clock::now();
        return gui::WaitUntil(
            [&] {
                gui::Image now = gui::CaptureScreen(bar);
                const auto time = std::chrono::steady_clock::now();
                if (!SameImage(now, last)) since = time;
                last = std::move(now);
                return time - since >= milliseconds(1000);
            },
            milliseconds(10000));
    }

    // Moves a box of the wizard to the screen's top-left corner, clear of the wizard's window
    // (centred on the screen), so that the window shows whole beside it.
    void MoveAside(const MessageBoxWindow& box) {
        RECT window{}, boxRect{};
        GetWindowRect(app->MainWindow(), &window);
        GetWindowRect(box.Window(), &boxRect);
        SetWindowPos(box.Window(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        gui::WaitFor(
            [&] {
                RECT now{};
                return GetWindowRect(box.Window(), &now) && now.left == 0 && now.top == 0;
            },
            "the box to move aside");
        if (boxRect.right - boxRect.left > window.left && boxRect.bottom - boxRect.top > window.top)
            throw DriverError("the box is too big to be moved clear of the wizard's window");
        app->Settle();
    }

    // What a listener hears of the store-number input box, as the platform reads it out: the
    // prompt, the box named by it holding "1" with the focus, and the two buttons.
    static void ExpectStoreBoxHeard(const MessageBoxWindow& box) {
        using gui::StandardControlRole;
        const std::vector<gui::Heard> wanted = {
            {StandardControlRole(ROLE_SYSTEM_STATICTEXT), kStorePrompt, 0, std::nullopt, 0},
            {ROLE_SYSTEM_TEXT, kStorePrompt, STATE_SYSTEM_FOCUSED, "1", 0},
            {StandardControlRole(ROLE_SYSTEM_PUSHBUTTON), "OK", 0, std::nullopt, 0},
            {StandardControlRole(ROLE_SYSTEM_PUSHBUTTON), "Cancelar", 0, std::nullopt, 0},
        };
        const std::vector<gui::Heard> heard = gui::ReadUntilEqual<std::vector<gui::Heard>>(
            [&] { return HeardInBox(box.Hear()); }, wanted, milliseconds(10000));
        EXPECT_EQ(heard, wanted) << "the input box reads\n" << gui::Describe(heard) << "instead of\n"
                                 << gui::Describe(wanted);
    }

    // Answers the store-number input box: with text typed on the keyboard (replacing the selected
    // "1") and OK, or, with no text, with Cancel. Checks its caption, prompt, buttons, owner and
    // pre-filled text first, and that the progress bar runs while it is open.
    void AnswerStoreNumber(std::optional<std::string_view> typed) {
        const MessageBoxWindow box = app->WaitForMessageBox(kRunTimeout);
        EXPECT_EQ(box.Caption(), kStoreCaption);
        EXPECT_EQ(box.Text(), kStorePrompt);
        EXPECT_EQ(box.Owner(), app->MainWindow());
        std::vector<int> ids = box.ButtonIds();
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, (std::vector<int>{IDOK, IDCANCEL}));
        HWND edit = FindEdit(box.Window());
        if (!edit) throw DriverError("the input box has no edit");
        EXPECT_EQ(gui::WindowText(edit), "1") << "the store number is pre-filled";
        ExpectStoreBoxHeard(box);
        MoveAside(box);
        const Snapshot s = Now();
        EXPECT_EQ(PageOf(s), kProgressPage);
        EXPECT_TRUE(ProgressBarRuns(s)) << "the animation runs while the input box is open";
        if (typed) {
            gui::TypeText(box.Window(), gui::FromCp1252(*typed));
            gui::WaitFor([&] { return gui::WindowText(edit) == *typed; }, "the typed store number in the input box");
            box.Answer(IDOK);
        } else {
            box.Answer(IDCANCEL);
        }
        gui::WaitFor([&] { return !box.IsOpen(); }, "the input box to close");
    }

    std::filesystem::path WizardFile(std::wstring_view name) const { return folder_.File(name); }
    std::string Udl(std::wstring_view product) const { return FileBytes(folder_.File(std::wstring(product) + L".udl")); }

    std::unique_ptr<App> app;

protected:
    static bool SameImage(const gui::Image& a, const gui::Image& b) {
        if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (a.At(x, y) != b.At(x, y)) return false;
        return true;
    }

private:
    static HWND FindEdit(HWND dialog) {
        for (HWND child : gui::Children(dialog))
            if (_wcsicmp(gui::ClassName(child).c_str(), L"Edit") == 0) return child;
        return nullptr;
    }
};

// What one test-server instance saw, in the order it came.
struct ServerView {
    std::vector<std::string> requests;  // batch texts and RPC statement texts (UTF-8)

    explicit ServerView(const sqltest::Instance& server) : requests(server.Requests()) {}

    // Index of the first request that starts with prefix, at or after `from`; -1 when none.
    int Find(std::string_view prefix, int from = 0) const {
        for (int i = from; i < static_cast<int>(requests.size()); ++i)
            if (requests[i].rfind(prefix, 0) == 0) return i;
        return -1;
    }
};

// Connections the instance saw opened and closed; waits a moment for the last closes to arrive.
inline std::pair<int, int> ConnectionsOpenedAndClosed(const sqltest::Instance& server) {
    int connects = 0, disconnects = 0;
    gui::WaitUntil(
        [&] {
            connects = disconnects = 0;
            for (const auto& e : server.Log().items) {
                connects += e["event"].Str() == "connect";
                disconnects += e["event"].Str() == "disconnect";
            }
            return connects == disconnects;
        },
        milliseconds(3000));
    return {connects, disconnects};
}

}  // namespace flow
