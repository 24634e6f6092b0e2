// The wizard from the moment it starts until it ends, driven from outside through real input: the
// window as first shown (title, frame, size, place), the product page with the server defaults,
// the keyboard's Tab cycle on the pages a user reaches first, and every way of closing the program
// leaving nothing behind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WizardControls.h"
#include "driver/WizardTest.h"

#include <commctrl.h>  // after <windows.h>
#include <tlhelp32.h>

namespace {

using gui::App;
using std::chrono::milliseconds;
using namespace wizard;

constexpr char kTitle[] = "Cria\xE7\xE3o de Base de Dados (v 1.1)";  // Windows-1252

class WizardStartup : public gui::WizardTest {
protected:
    void SetUp() override {
        gui::WizardTest::SetUp();
        if (HasFatalFailure()) return;
        app_ = StartWizard();
        // The window is visible; it is ready for input once Seguinte holds the focus.
        app_->WaitFor([](const Snapshot& s) { return s.Focused(kSeguinte); }, "Seguinte focused");
    }

    HWND Window() const { return app_->MainWindow(); }

    // What holds the keyboard focus in the wizard, as a reader names it (nothing named when no
    // element of the wizard is focused).
    Named FocusedControl() { return app_->Read().FocusedControl(); }

    // Presses Tab (or Shift+Tab) as a user does, as often as asked, and records where the focus
    // goes after each press. Each press must move the focus; a press that does not within 5 s is
    // recorded as "<stuck>" and ends the walk.
    std::vector<Named> TabWalk(bool backwards, int presses) {
        std::vector<Named> visited;
        Named current = FocusedControl();
        for (int i = 0; i < presses; ++i) {
            gui::PressKey(Window(), VK_TAB, backwards ? gui::kShift : gui::kNoModifier);
            Named next;
            if (!gui::WaitUntil([&] { return (next = FocusedControl()) != current; }, milliseconds(5000))) {
                visited.push_back({0, "<stuck>"});
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
            gui::ClickControl(app_->Get(ProductChoice("VelmoCafe")));
            app_->WaitFor([](const Snapshot& s) { return s.Checked(ProductChoice("VelmoCafe")); }, "VelmoCafe selected");
            gui::ClickControl(app_->Get(kSeguinte));
            app_->WaitFor([](const Snapshot& s) { return PageOf(s) == kServerPage; }, "the server page");
        }
        if (page >= 2) {
            gui::ClickControl(app_->Get(kSeguinte));
            app_->WaitFor([](const Snapshot& s) { return PageOf(s) == kReviewPage; }, "the review page");
        }
        ASSERT_EQ(app_->FindMessageBox(), std::nullopt) << "no page on the way may refuse or report";
        // The clicked button keeps the focus while the pages change.
        app_->WaitFor([](const Snapshot& s) { return s.Focused(kSeguinte); }, "Seguinte focused");
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
    const Snapshot s = app_->Read();
    // Only the product page shows.
    std::vector<std::string> pages;
    for (const Element* page : s.All(ROLE_SYSTEM_PROPERTYPAGE)) pages.push_back(page->Name());
    EXPECT_EQ(pages, std::vector<std::string>{"1"});
    // No product is selected.
    for (const char* product : {"VelmoCafe", "VelmoFact", "VelmoPos", "VelmoRest"}) {
        const Element choice = s.Get(ProductChoice(product));
        EXPECT_FALSE(choice.Checked()) << product;
        EXPECT_FALSE(gui::Checked(choice.Window())) << product << " as the platform's button shows it";
    }
    EXPECT_FALSE(s.Enabled(kAnterior));
    EXPECT_TRUE(s.Enabled(kSeguinte));
    EXPECT_TRUE(s.Enabled(kSair));
    EXPECT_TRUE(s.Focused(kSeguinte));
    EXPECT_EQ(app_->FocusedWindow(), s.Get(kSeguinte).Window());

    // The native tab control holds no tab and selects none.
    HWND tabs = s.Get(PageList(kProductPage)).Window();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(gui::ClassName(tabs), L"SysTabControl32");
    DWORD_PTR count = 99, selected = 99;
    ASSERT_TRUE(SendMessageTimeoutW(tabs, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count));
    ASSERT_TRUE(SendMessageTimeoutW(tabs, TCM_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(static_cast<LRESULT>(selected), -1);
    EXPECT_EQ(app_->FindMessageBox(), std::nullopt);
}

// The server page, the first time a person reaches it (after choosing a product: the database
// box then holds the product's proposal), holds this computer's name and the defaults; the
// password box shows masking characters only and gives a reader nothing but its length.
TEST_F(WizardStartup, ServerPageHoldsTheComputerNameAndTheDefaults) {
    // The name as the platform gives it to a program, read here in the test's own process.
    char computer[256] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    ASSERT_GT(size, 0u);
    GoToPage(kServerPage);
    const Snapshot s = app_->Read();

    struct Default {
        Named box;
        std::string text;
        bool masked;
    };
    const Default defaults[] = {
        {kServerBox, computer, false},
        {kInstanceBox, "MARLOVEXSQL", false},
        {kUserBox, "sa", false},
        {kPasswordBox, "QX#318604275", true},
    };
    for (const Default& d : defaults) {
        SCOPED_TRACE(d.box.name);
        const Element box = s.Get(d.box);
        const HWND window = box.Window();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(gui::ClassName(window), L"Edit");
        EXPECT_EQ(box.Has(STATE_SYSTEM_PROTECTED), d.masked);
        EXPECT_EQ(box.Value(), d.masked ? std::nullopt : std::optional<std::string>(d.text));
        EXPECT_EQ(gui::TextLength(window), static_cast<int>(d.text.size()));
        const bool passwordStyle = (GetWindowLongW(window, GWL_STYLE) & ES_PASSWORD) != 0;
        EXPECT_EQ(passwordStyle, d.masked);
        DWORD_PTR mask = 0;
        ASSERT_TRUE(SendMessageTimeoutW(window, EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 2000, &mask));
        EXPECT_EQ(mask, d.masked ? static_cast<DWORD_PTR>(L'*') : 0u);
    }
}

// ---------------------------------------------------------------------------------------------
// Keyboard: the Tab cycle, with real key presses

struct TabCycle {
    const char* page;
    int pageIndex;  // reached with clicks, as a user reaches it
    bool backwards;
    std::vector<Named> visited;  // from Seguinte, until the focus is back on it
};

std::ostream& operator<<(std::ostream& out, const TabCycle& c) {
    return out << c.page << (c.backwards ? " Shift+Tab" : " Tab");
}

class WizardTabCycle : public WizardStartup, public testing::WithParamInterface<TabCycle> {};

// In design order, page list first (named by the page it shows), then the active page's controls,
// then the buttons; unavailable controls (Anterior before the review page, the store recovery) and
// radio buttons that are not their group's stop are skipped; the cycle wraps around.
const TabCycle kTabCycles[] = {
    {"product", kProductPage, false, {PageList(kProductPage), ProductChoice("VelmoCafe"), kSair, kSeguinte}},
    {"product", kProductPage, true, {kSair, ProductChoice("VelmoCafe"), PageList(kProductPage), kSeguinte}},
    {"server", kServerPage, false,
     {PageList(kServerPage), kServerBox, kInstanceBox, kDatabaseBox, kUserBox, kPasswordBox, kSair, kSeguinte}},
    {"server", kServerPage, true,
     {kSair, kPasswordBox, kUserBox, kDatabaseBox, kInstanceBox, kServerBox, PageList(kServerPage), kSeguinte}},
    {"review", kReviewPage, false,
     {kAnterior, PageList(kReviewPage), kReviewServerBox, kReviewDatabaseBox, kReviewUserBox, kNormal, kDemo, kSair,
      kSeguinte}},
    {"review", kReviewPage, true,
     {kSair, kDemo, kNormal, kReviewUserBox, kReviewDatabaseBox, kReviewServerBox, PageList(kReviewPage), kAnterior,
      kSeguinte}},
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
    ASSERT_EQ(TabWalk(false, 2), (std::vector<Named>{PageList(kProductPage), ProductChoice("VelmoCafe")}));
    EXPECT_FALSE(app_->Read().Checked(ProductChoice("VelmoCafe"))) << "reaching the group does not select";
    gui::PressKey(Window(), VK_RIGHT);
    const Named fact = ProductChoice("VelmoFact");
    const Snapshot s = app_->WaitFor([&](const Snapshot& now) { return now.Focused(fact) && now.Checked(fact); },
                                     "VelmoFact focused and selected");
    EXPECT_FALSE(s.Checked(ProductChoice("VelmoCafe")));
    // Now the selected product is the group's stop: Tab leaves the group and Shift+Tab comes back
    // to it, not to the first.
    EXPECT_EQ(TabWalk(false, 1), (std::vector<Named>{kSair}));
    EXPECT_EQ(TabWalk(true, 1), (std::vector<Named>{fact}));
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
         gui::RealClick(app.MainWindow(), app.Get(kSair).Center());
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
