// The wizard from the moment it starts until it ends, driven from outside through real input: the
// window as first shown (title, frame, size, place), the product page with the server defaults,
// the keyboard's Tab cycle on the pages a user reaches first, and every way of closing the program
// leaving nothing behind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/WizardTest.h"

#include <commctrl.h>  // after <windows.h>
#include <tlhelp32.h>

namespace {

using gui::App;
using gui::Control;
using std::chrono::milliseconds;

constexpr char kTitle[] = "Cria\xE7\xE3o de Base de Dados (v 1.1)";  // Windows-1252

class WizardStartup : public gui::WizardTest {
protected:
    void SetUp() override {
        gui::WizardTest::SetUp();
        if (HasFatalFailure()) return;
        app_ = StartWizard();
        // The window is visible; it is ready for input once Seguinte holds the focus.
        app_->WaitForControl("Seguinte", [](const Control& c) { return c.focused; }, "focused");
    }

    HWND Window() const { return app_->MainWindow(); }

    // The component name of the control that has the keyboard focus in the wizard.
    std::string FocusedName() {
        HWND focus = app_->FocusedWindow();
        if (!focus) return "<nothing>";
        for (const Control& control : app_->Describe())
            if (control.Window() == focus) return control.name;
        return "<a window without a name: " + gui::ToCp1252(gui::ClassName(focus)) + ">";
    }

    // Presses Tab (or Shift+Tab) as a user does, as often as asked, and records where the focus
    // goes after each press. Each press must move the focus; a press that does not within 5 s is
    // recorded as "<stuck>" and ends the walk.
    std::vector<std::string> TabWalk(bool backwards, int presses) {
        std::vector<std::string> visited;
        std::string current = FocusedName();
        for (int i = 0; i < presses; ++i) {
            gui::PressKey(Window(), VK_TAB, backwards ? gui::kShift : gui::kNoModifier);
            std::string next;
            if (!gui::WaitUntil([&] { return (next = FocusedName()) != current; }, milliseconds(5000))) {
                visited.push_back("<stuck>");
                break;
            }
            visited.push_back(next);
            current = next;
        }
        return visited;
    }

    // Moves to the server page (choosing a product first) and optionally on to the review page,
    // with clicks as a user makes them; returns once the page shows.
    void GoToPage(int page) {
        if (page >= 1) {
            gui::ClickControl(app_->Get("velmocafe"));
            app_->WaitForControl("velmocafe", [](const Control& c) { return c.checked == 1; }, "selected");
            gui::ClickControl(app_->Get("Seguinte"));
            app_->WaitForControl("AdvTabSheet5", [](const Control& c) { return c.visible; }, "shown");
        }
        if (page >= 2) {
            gui::ClickControl(app_->Get("Seguinte"));
            app_->WaitForControl("AdvTabSheet6", [](const Control& c) { return c.visible; }, "shown");
        }
        ASSERT_EQ(app_->FindMessageBox(), std::nullopt) << "no page on the way may refuse or report";
        // The clicked button keeps the focus while the pages change.
        app_->WaitForControl("Seguinte", [](const Control& c) { return c.focused; }, "focused");
    }

    std::unique_ptr<App> app_;
};

// ---------------------------------------------------------------------------------------------
// The window as first shown

TEST_F(WizardStartup, WindowHasItsTitleFixedDialogFrameSizeAndCentredPlace) {
    EXPECT_EQ(gui::WindowText(Window()), kTitle);

    const LONG style = GetWindowLongW(Window(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION) << "a title bar";
    EXPECT_TRUE(style & WS_SYSMENU) << "a close box";
    EXPECT_FALSE(style & WS_THICKFRAME) << "fixed size";
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(GetWindow(Window(), GW_OWNER)) << "the wizard is the taskbar entry itself";
    EXPECT_TRUE(GetWindowLongW(Window(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

    RECT client{};
    ASSERT_TRUE(GetClientRect(Window(), &client));
    EXPECT_EQ(client.right - client.left, 580);
    EXPECT_EQ(client.bottom - client.top, 347);

    // Centred: the whole window, frame included, as far from the left as from the right edge of
    // the screen (and likewise vertically), to the pixel that an odd difference leaves over.
    RECT frame{};
    ASSERT_TRUE(GetWindowRect(Window(), &frame));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs(frame.left - (screenWidth - frame.right)), 1) << frame.left << " " << frame.right;
    EXPECT_LE(std::abs(frame.top - (screenHeight - frame.bottom)), 1) << frame.top << " " << frame.bottom;
}

TEST_F(WizardStartup, ShowsTheProductPageWithNoProductAndNoTabs) {
    const std::vector<Control> controls = app_->Describe();
    const auto get = [&](std::string_view name) {
        for (const Control& c : controls)
            if (c.name == name) return c;
        throw gui::DriverError("no control " + std::string(name));
    };
    // Only the product page shows.
    const std::pair<const char*, bool> pages[] = {{"AdvTabSheet1", true},  {"AdvTabSheet5", false},
                                                 {"AdvTabSheet6", false}, {"AdvTabSheet7", false},
                                                 {"AdvTabSheet8", false}};
    for (const auto& [page, shown] : pages) EXPECT_EQ(get(page).visible, shown) << page;
    // No product is selected.
    for (const char* product : {"velmocafe", "velmofact", "velmopos", "velmorest"}) {
        const Control radio = get(product);
        EXPECT_TRUE(radio.visible) << product;
        EXPECT_EQ(radio.checked, 0) << product;
        EXPECT_FALSE(gui::Checked(radio.Window())) << product << " as the platform's button shows it";
    }
    EXPECT_FALSE(get("Anterior").enabled);
    EXPECT_TRUE(get("Seguinte").enabled);
    EXPECT_TRUE(get("btCancel").enabled);
    EXPECT_TRUE(get("Seguinte").focused);
    EXPECT_EQ(app_->FocusedWindow(), get("Seguinte").Window());
    EXPECT_FALSE(get("Label23").visible);

    // The native tab control holds no tab and selects none.
    HWND tabs = get("AdvPageControl1").Window();
    ASSERT_NE(tabs, nullptr);
    DWORD_PTR count = 99, selected = 99;
    ASSERT_TRUE(SendMessageTimeoutW(tabs, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count));
    ASSERT_TRUE(SendMessageTimeoutW(tabs, TCM_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(static_cast<LRESULT>(selected), -1);
    EXPECT_EQ(app_->FindMessageBox(), std::nullopt);
}

TEST_F(WizardStartup, ServerPageHoldsTheComputerNameAndTheDefaults) {
    // The name as the platform gives it to a program, read here in the test's own process.
    char computer[256] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    ASSERT_GT(size, 0u);

    struct Default {
        const char* edit;
        std::string text;
        bool masked;
    };
    const Default defaults[] = {
        {"servidor", computer, false},
        {"instancia", "MARLOVEXSQL", false},
        {"basedados", "", false},
        {"utilizador", "sa", false},
        {"password", "QX#318604275", true},
    };
    for (const Default& d : defaults) {
        SCOPED_TRACE(d.edit);
        const Control edit = app_->Get(d.edit);
        EXPECT_EQ(edit.text, d.text);
        ASSERT_NE(edit.Window(), nullptr);
        EXPECT_EQ(gui::ClassName(edit.Window()), L"Edit");
        const bool passwordStyle = (GetWindowLongW(edit.Window(), GWL_STYLE) & ES_PASSWORD) != 0;
        EXPECT_EQ(passwordStyle, d.masked);
        DWORD_PTR mask = 0;
        ASSERT_TRUE(SendMessageTimeoutW(edit.Window(), EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 2000, &mask));
        EXPECT_EQ(mask, d.masked ? static_cast<DWORD_PTR>(L'*') : 0u);
    }
    EXPECT_NE(app_->Get("servidor").text, "localhost") << "the design text is replaced before the window shows";
}

// ---------------------------------------------------------------------------------------------
// Keyboard: the Tab cycle, with real key presses

struct TabCycle {
    const char* page;
    int pageIndex;  // reached with clicks, as a user reaches it
    bool backwards;
    std::vector<std::string> visited;  // from Seguinte, until the focus is back on it
};

std::ostream& operator<<(std::ostream& out, const TabCycle& c) {
    return out << c.page << (c.backwards ? " Shift+Tab" : " Tab");
}

class WizardTabCycle : public WizardStartup, public testing::WithParamInterface<TabCycle> {};

// In design order, page control first, then the active page's controls, then the buttons; disabled
// controls (Anterior before the review page, cRecuperacao) and radio buttons that are not their
// group's stop are skipped; the cycle wraps around.
const TabCycle kTabCycles[] = {
    {"product", 0, false, {"AdvPageControl1", "velmocafe", "btCancel", "Seguinte"}},
    {"product", 0, true, {"btCancel", "velmocafe", "AdvPageControl1", "Seguinte"}},
    {"server", 1, false,
     {"AdvPageControl1", "servidor", "instancia", "basedados", "utilizador", "password", "btCancel", "Seguinte"}},
    {"server", 1, true,
     {"btCancel", "password", "utilizador", "basedados", "instancia", "servidor", "AdvPageControl1", "Seguinte"}},
    {"review", 2, false,
     {"Anterior", "AdvPageControl1", "ck_servidor", "ck_basedados", "ck_utilizador", "Normal", "cDemo", "btCancel",
      "Seguinte"}},
    {"review", 2, true,
     {"btCancel", "cDemo", "Normal", "ck_utilizador", "ck_basedados", "ck_servidor", "AdvPageControl1", "Anterior",
      "Seguinte"}},
};

TEST_P(WizardTabCycle, VisitsTheDesignOrderAndWrapsAround) {
    const TabCycle& cycle = GetParam();
    GoToPage(cycle.pageIndex);
    if (HasFatalFailure()) return;
    EXPECT_EQ(TabWalk(cycle.backwards, static_cast<int>(cycle.visited.size())), cycle.visited);
}

INSTANTIATE_TEST_SUITE_P(Pages, WizardTabCycle, testing::ValuesIn(kTabCycles),
                         [](const testing::TestParamInfo<TabCycle>& info) {
                             return std::string(info.param.page) + (info.param.backwards ? "Backwards" : "Forwards");
                         });

// With no product selected, the group's first product is the stop, so that the keyboard alone can
// choose: arrows then select the products in turn.
TEST_F(WizardStartup, KeyboardAloneChoosesAProduct) {
    ASSERT_EQ(TabWalk(false, 2), (std::vector<std::string>{"AdvPageControl1", "velmocafe"}));
    EXPECT_EQ(app_->Get("velmocafe").checked, 0) << "reaching the group does not select";
    gui::PressKey(Window(), VK_RIGHT);
    app_->WaitForControl("velmofact", [](const Control& c) { return c.focused && c.checked == 1; },
                         "focused and selected");
    EXPECT_EQ(app_->Get("velmocafe").checked, 0);
    // Now the selected product is the group's stop: Tab leaves the group and Shift+Tab comes back
    // to it, not to the first.
    EXPECT_EQ(TabWalk(false, 1), (std::vector<std::string>{"btCancel"}));
    EXPECT_EQ(TabWalk(true, 1), (std::vector<std::string>{"velmofact"}));
}

// ---------------------------------------------------------------------------------------------
// Ending the program

// Every process started from the folder, by the full path of its program file.
std::vector<DWORD> ProcessesIn(const std::filesystem::path& folder) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) throw gui::DriverError("no process snapshot");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    const std::wstring prefix = folder.wstring() + L"\\";
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        wchar_t path[MAX_PATH * 2] = {};
        DWORD length = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(process, 0, path, &length) &&
            _wcsnicmp(path, prefix.c_str(), prefix.size()) == 0)
            found.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

// Top-level windows of the process, or titled as the wizard.
int WizardWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        int count = 0;
    } search{processId};
    EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t title[256] = {};
            GetWindowTextW(window, title, 256);
            if (owner == s.processId || std::wstring_view(title) == gui::kWizardTitle) ++s.count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

struct Ending {
    const char* name;
    void (*end)(App& app);
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

const Ending kEndings[] = {
    {"SairClicked",
     [](App& app) {
         const Control sair = app.Get("btCancel");
         gui::RealClick(app.MainWindow(), sair.Center());
     }},
    {"CloseMessage", [](App& app) { PostMessageW(app.MainWindow(), WM_CLOSE, 0, 0); }},
    {"CloseBoxCommand", [](App& app) { PostMessageW(app.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"AltF4",
     [](App& app) {
         gui::WaitForForeground(app.MainWindow());
         INPUT keys[4] = {};
         for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
         keys[0].ki.wVk = VK_MENU;
         keys[1].ki.wVk = VK_F4;
         keys[2].ki.wVk = VK_F4;
         keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
         keys[3].ki.wVk = VK_MENU;
         keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
         ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
     }},
};

class WizardEnding : public WizardStartup, public testing::WithParamInterface<Ending> {};

TEST_P(WizardEnding, EndsTheProcessWithNothingLeftBehind) {
    ASSERT_EQ(ProcessesIn(folder_.Path()), std::vector<DWORD>{app_->ProcessId()});
    GetParam().end(*app_);
    if (HasFatalFailure()) return;
    EXPECT_EQ(app_->WaitForExit(), 0u) << "a normal end, not a crash on the way out";
    EXPECT_EQ(app_->FindMessageBox(), std::nullopt) << "no question on the way out";
    EXPECT_EQ(WizardWindows(app_->ProcessId()), 0);
    EXPECT_EQ(ProcessesIn(folder_.Path()), std::vector<DWORD>{});
    // Nothing is written on the way out: the folder holds what was staged, no data link file.
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
        EXPECT_NE(entry.path().extension(), ".udl") << entry.path().string();
}

INSTANTIATE_TEST_SUITE_P(Ways, WizardEnding, testing::ValuesIn(kEndings),
                         [](const testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

}  // namespace
