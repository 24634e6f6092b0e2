// The GUI driver against its fixture program (fixtures/rig_app.cpp, the platform's own controls):
// every driver operation the wizard's GUI tests rely on, end to end, in a real second process,
// the program read only as a screen reader reads it.

#include <gtest/gtest.h>

#include "driver/GuiTest.h"

namespace {

using gui::App;
using gui::Named;
using gui::StandardControlRole;
using std::chrono::milliseconds;

constexpr COLORREF kRed = RGB(220, 20, 60);
constexpr COLORREF kBlue = RGB(30, 60, 200);
constexpr wchar_t kClass[] = L"RigFixtureWindow";
constexpr wchar_t kTitle[] = L"Ensaio do condutor: ação";

// The fixture's controls as a reader names them: the boxes after their labels, the platform's own
// buttons and labels by their texts (Wine reads them as plain client areas), the swatch unnamed.
const Named kEntrada{ROLE_SYSTEM_TEXT, "Entrada"};
const Named kSegredo{ROLE_SYSTEM_TEXT, "Segredo"};
const Named kLeitura{ROLE_SYSTEM_TEXT, "Leitura"};
Named Button(std::string name) { return {StandardControlRole(ROLE_SYSTEM_PUSHBUTTON), std::move(name)}; }
Named Label(std::string text) { return {StandardControlRole(ROLE_SYSTEM_STATICTEXT), std::move(text)}; }

class Rig : public gui::GuiTest {
protected:
    std::unique_ptr<App> Start(std::wstring_view arguments = {}) {
        const auto exe = folder_.Copy(gui::ProgramFolder() / "rig_app.exe");
        auto app = App::Launch(exe, folder_.Path(), arguments);
        app->WaitForMainWindow(kClass, kTitle);
        return app;
    }

    // The swatch: the one unnamed client area a reader hears (it has no text of its own).
    static gui::Element Swatch(const App& app) {
        const gui::Snapshot now = app.Read();  // the elements live as long as their reading
        for (const gui::Element* e : now.All(ROLE_SYSTEM_CLIENT))
            if (e->Name().empty() && gui::ClassName(e->Window()) == L"RigSwatch") return *e;
        throw gui::DriverError("no swatch");
    }

    // Share of the swatch's pixels (inset by 4 px) that show colour on the screen.
    double SwatchShare(App& app, COLORREF colour) {
        RECT inner = Swatch(app).Location();
        InflateRect(&inner, -4, -4);
        const gui::Image shot = gui::CaptureScreen(inner);
        const RECT all{0, 0, shot.Width(), shot.Height()};
        return double(shot.CountNear(all, gui::Argb(colour), 12)) / (shot.Width() * shot.Height());
    }

    void WaitForSwatch(App& app, COLORREF colour) {
        gui::WaitFor([&] { return SwatchShare(app, colour) > 0.99; }, "the swatch to show its colour on screen");
    }

    gui::StagingFolder folder_;
};

class RigRounds : public Rig, public testing::WithParamInterface<int> {};

// The whole path a wizard test takes, three times over to show it does not depend on luck:
// launch, find by name (windowed and not), type, click, answer a real message box, read the screen,
// click a custom-painted window, and end the program through its own button.
TEST_P(RigRounds, LaunchFindTypeAskAnswerPaintAndExit) {
    auto app = Start();

    const gui::Snapshot first = app->Read();
    const gui::Element edit = first.Get(kEntrada);
    EXPECT_EQ(gui::ClassName(edit.Window()), L"Edit");
    EXPECT_TRUE(edit.Enabled());
    EXPECT_EQ(edit.Value(), "");
    // The place a reader gives lies on the box's window, which is where the fixture put it.
    const RECT client = gui::ClientRectOnScreen(app->MainWindow());
    const RECT window = gui::WindowRectOnScreen(edit.Window());
    EXPECT_EQ(window.left - client.left, 20);
    EXPECT_EQ(window.top - client.top, 20);
    const RECT place = edit.Location();
    RECT common{};
    EXPECT_TRUE(IntersectRect(&common, &place, &window) && EqualRect(&common, &place))
        << place.left << "," << place.top << " " << place.right << "," << place.bottom;
    EXPECT_TRUE(first.Has(Label("Entrada")));

    gui::ClickControl(edit);
    gui::TypeText(app->MainWindow(), L"Olá, ç€");
    app->WaitFor([](const gui::Snapshot& s) { return s.Value(kEntrada) == "Olá, ç€"; }, "the typed text");

    gui::ClickControl(app->Get(Button("Perguntar")));
    const gui::MessageBoxWindow box = app->WaitForMessageBox();
    EXPECT_EQ(box.Caption(), "Confirmação");
    EXPECT_EQ(box.Text(), "Continuar com \"Olá, ç€\"?");
    EXPECT_EQ(box.Owner(), app->MainWindow());
    EXPECT_EQ(box.ButtonIds(), (std::vector<int>{IDYES, IDNO}));
    EXPECT_FALSE(box.HasButton(IDOK));
    gui::WaitUntil([&] { return box.Icon() == MB_ICONQUESTION; }, milliseconds(10000));  // once painted
    EXPECT_EQ(box.Icon(), static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(app->Read().Value(kEntrada), "Olá, ç€") << "a reader is answered inside the box's nested loop";
    box.Answer(IDNO);
    app->WaitForNoMessageBox();
    app->WaitFor([](const gui::Snapshot& s) { return s.Has(Label("não")); }, "\"não\"");

    WaitForSwatch(*app, kRed);
    gui::ClickControl(Swatch(*app));
    WaitForSwatch(*app, kBlue);

    gui::ClickControl(app->Get(Button("Sair")));
    EXPECT_EQ(app->WaitForExit(), 1u);  // the fixture's exit code counts the swatch clicks
}

INSTANTIATE_TEST_SUITE_P(ThreeTimes, RigRounds, testing::Range(0, 3));

// An error box is told apart from a question: its one OK button, and its icon read off the screen.
TEST_F(Rig, ErrorBoxShowsItsIconAndOneButton) {
    auto app = Start();
    gui::ClickControl(app->Get(Button("Avisar")));
    const gui::MessageBoxWindow box = app->WaitForMessageBox();
    EXPECT_EQ(box.Caption(), "Aviso");
    EXPECT_EQ(box.Text(), "Falta identificar o servidor SQL!");
    EXPECT_EQ(box.ButtonIds(), std::vector<int>{IDOK});
    gui::WaitUntil([&] { return box.Icon() == MB_ICONERROR; }, milliseconds(10000));  // once painted
    EXPECT_EQ(box.Icon(), static_cast<UINT>(MB_ICONERROR));
    box.Answer(IDOK);
    app->WaitFor([](const gui::Snapshot& s) { return s.Has(Label("avisado")); }, "\"avisado\"");
    app->WaitForNoMessageBox();
}

// Real keyboard input reaches the focused control: typing, Tab and Shift+Tab move the focus in
// tab order, Space presses the focused button, and Enter answers the box with its default button.
TEST_F(Rig, RealKeysTypeMoveTheFocusAndAnswerTheBox) {
    auto app = Start();
    HWND main = app->MainWindow();
    const gui::Named ask = Button("Perguntar");
    const auto focusOn = [&](const Named& what) {
        return [what](const gui::Snapshot& s) { return s.FocusedControl() == what; };
    };
    app->WaitFor(focusOn(kEntrada), "the focus in the edit");

    gui::TypeText(main, L"ação 1");
    app->WaitFor([](const gui::Snapshot& s) { return s.Value(kEntrada) == "ação 1"; }, "the typed text");

    gui::PressKey(main, VK_TAB);
    app->WaitFor(focusOn(ask), "Tab to move the focus to the button");
    EXPECT_EQ(app->FocusedWindow(), app->Get(ask).Window());
    gui::PressKey(main, VK_TAB, gui::kShift);
    app->WaitFor(focusOn(kEntrada), "Shift+Tab to move the focus back");

    gui::PressKey(main, VK_TAB);
    app->WaitFor(focusOn(ask), "Tab to move the focus to the button");
    gui::PressKey(main, VK_SPACE);
    const gui::MessageBoxWindow box = app->WaitForMessageBox();
    EXPECT_EQ(box.Text(), "Continuar com \"ação 1\"?");
    gui::PressKey(box.Window(), VK_RETURN);
    app->WaitFor([](const gui::Snapshot& s) { return s.Has(Label("sim")); }, "\"sim\"");

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app->WaitForExit(), 0u);
}

// The tree the driver keeps between readings hears what a fresh reading hears: a window made or
// destroyed since the last reading, and a label's new text. (Each change is waited for through
// the platform, not through readings, which make a fresh tree now and then while they wait.)
TEST_F(Rig, AKeptTreeHearsWhatAFreshReadingHears) {
    auto app = Start();
    const HWND main = app->MainWindow();
    const auto sameAsFresh = [&] {
        const std::string kept = app->Read().Describe();
        EXPECT_EQ(kept, gui::Snapshot::Of(main).Describe());
        return kept;
    };
    const auto childWindow = [main](const wchar_t* cls, const wchar_t* text) {
        return FindWindowExW(main, nullptr, cls, text);
    };
    sameAsFresh();
    const std::size_t elements = app->Read().Elements().size();
    const Named made = Button("Novo");
    EXPECT_FALSE(app->Read().Has(made));

    gui::ClickControl(app->Get(Button("Alternar")));
    gui::WaitFor([&] { return childWindow(L"Button", L"Novo") != nullptr; }, "the new button");
    EXPECT_TRUE(app->Read().Has(made));
    EXPECT_EQ(app->Read().Elements().size(), elements + 1);
    sameAsFresh();

    gui::ClickControl(app->Get(Button("Alternar")));
    gui::WaitFor([&] { return childWindow(L"Button", L"Novo") == nullptr; }, "the button to go");
    EXPECT_FALSE(app->Read().Has(made));
    EXPECT_EQ(app->Read().Elements().size(), elements);
    sameAsFresh();

    gui::ClickControl(app->Get(Button("Avisar")));
    gui::PressKey(app->WaitForMessageBox().Window(), VK_RETURN);
    gui::WaitFor([&] { return childWindow(L"Static", L"avisado") != nullptr; }, "\"avisado\"");
    EXPECT_TRUE(app->Read().Has(Label("avisado")));
    sameAsFresh();

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app->WaitForExit(), 0u);
}

// A real mouse click (pointer moved, button pressed and released through the input system)
// reaches a custom-painted window.
TEST_F(Rig, RealMouseClickReachesACustomPaintedWindow) {
    auto app = Start();
    WaitForSwatch(*app, kRed);
    gui::RealClick(app->MainWindow(), Swatch(*app).Center());
    WaitForSwatch(*app, kBlue);
    PostMessageW(app->MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app->WaitForExit(), 1u) << "one click reached the swatch";
}

// Screenshots keep the real pixels through a PNG file: the saved swatch reads back red.
TEST_F(Rig, ScreenshotSurvivesAPngRoundTrip) {
    auto app = Start();
    WaitForSwatch(*app, kRed);
    const gui::Image shot = gui::CaptureWindow(app->MainWindow());
    EXPECT_EQ(shot.Width(), 420);
    EXPECT_EQ(shot.Height(), 220);
    const auto file = folder_.File(L"shot.png");
    shot.SavePng(file);
    const gui::Image back = gui::Image::LoadPng(file);
    ASSERT_EQ(back.Width(), 420);
    ASSERT_EQ(back.Height(), 220);
    EXPECT_TRUE(gui::ColourNear(back.At(320, 60), gui::Argb(kRed), 12)) << std::hex << back.At(320, 60);
    EXPECT_EQ(back.At(0, 0), shot.At(0, 0));
    EXPECT_EQ(back.At(419, 219), shot.At(419, 219));
}

// Teardown leaves nothing behind: a program still running is killed, and its folder removed.
TEST_F(Rig, TeardownKillsTheProgramAndRemovesItsFolder) {
    std::filesystem::path path;
    HANDLE watcher = nullptr;
    {
        gui::StagingFolder folder;
        path = folder.Path();
        auto app = App::Launch(folder.Copy(gui::ProgramFolder() / "rig_app.exe"), folder.Path());
        app->WaitForMainWindow(kClass, kTitle);
        watcher = OpenProcess(SYNCHRONIZE, FALSE, app->ProcessId());
        ASSERT_NE(watcher, nullptr);
        EXPECT_EQ(WaitForSingleObject(watcher, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    EXPECT_EQ(WaitForSingleObject(watcher, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(watcher);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A program that ends before showing its window is reported at once, not after the time-out.
TEST_F(Rig, ProgramThatEndsEarlyIsReportedWithItsExitCode) {
    const auto exe = folder_.Copy(gui::ProgramFolder() / "rig_app.exe");
    auto app = App::Launch(exe, folder_.Path());
    // A class the fixture never creates: the wait must fail by time-out, naming the class...
    EXPECT_THROW(app->WaitForMainWindow(L"NoSuchClass", nullptr, milliseconds(300)), gui::DriverError);
    app->Kill();
    // ...and once the program has ended, the wait fails at once and says so.
    try {
        app->WaitForMainWindow(kClass, kTitle, milliseconds(60000));
        FAIL() << "found a window of an ended program";
    } catch (const gui::DriverError& e) {
        EXPECT_NE(std::string(e.what()).find("ended"), std::string::npos) << e.what();
    }
}

}  // namespace
