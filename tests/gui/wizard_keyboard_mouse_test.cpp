// Whole installations as people make them: one with the keyboard alone (Tab and Shift+Tab from
// control to control, arrows and Space for the choices, Enter or Space on the buttons, every box
// answered with keys), one with the mouse for every choice and press (text typed after a click
// into each box); a press dragged off a button and released outside does nothing; and the
// progress page is on the screen while the scripts run.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "WizardFlow.h"

namespace {

using namespace flow;

const BoxSpec kReplace{"Confirmação", kConfirmReplace, {IDOK, IDCANCEL}, MB_ICONQUESTION, IDCANCEL};

class PeopleInstall : public WizardFlowTest {
protected:
    HWND Window() const { return app->MainWindow(); }

    // Presses Tab (or Shift+Tab) until the named control has the focus; each press must move the
    // focus, and the walk fails when it comes round without finding the control.
    void TabTo(std::string_view name, bool backwards = false) {
        std::string focused = Now().Focused();
        for (int presses = 0; focused != name; ++presses) {
            if (presses > 20) throw DriverError("Tab never reached " + std::string(name));
            gui::PressKey(Window(), VK_TAB, backwards ? gui::kShift : gui::kNoModifier);
            const std::string before = focused;
            focused = WaitFor([&](const Snapshot& s) { return s.Focused() != before; }, "Tab to move the focus")
                          .Focused();
        }
    }

    // Replaces a box's text from the keyboard: Tab to it, Ctrl+A and the new text (Delete for none).
    void TypeEntry(std::string_view name, std::string_view text, bool backwards = false) {
        TabTo(name, backwards);
        gui::PressKey(Window(), 'A', gui::kCtrl);
        if (text.empty())
            gui::PressKey(Window(), VK_DELETE);
        else
            gui::TypeText(Window(), gui::FromCp1252(text));
        WaitFor([&](const Snapshot& s) { return s.Text(name) == text; }, std::string(name) + " to take its text");
    }

    void ExpectInstalled(const sqltest::Instance& server, const std::string& database) {
        const Snapshot s = WaitFor([&](const Snapshot& now) { return now.Page() == kFinalPage; }, "the final page",
                                   kRunTimeout);
        EXPECT_FALSE(s.Enabled("Seguinte"));
        const ServerView view(server);
        EXPECT_GE(view.Find("CREATE DATABASE " + database), 0) << "the database was created";
        EXPECT_GE(view.Find("INSERT INTO versao"), 0) << "the version row was recorded";
    }
};

TEST_F(PeopleInstall, WithTheKeyboardAlone) {
    sqltest::Instance server(R"j({"databases": ["loja_teclado"]})j");
    Start({L"VelmoPos"});

    // Product page: Tab reaches the product group at its first button; Down moves the choice.
    TabTo("velmocafe");
    gui::PressKey(Window(), VK_DOWN, gui::kNoModifier, 2);
    WaitFor([](const Snapshot& s) { return s.Checked("velmopos") && s.Focused() == "velmopos"; },
            "VelmoPos to be chosen with the arrows");
    TabTo("Seguinte", /*backwards=*/true);
    gui::PressKey(Window(), VK_SPACE);
    WaitForPage(kServerPage);

    // Server page: every entry typed; Shift+Tab goes back through them.
    TypeEntry("servidor", server.Server());
    TypeEntry("instancia", "");
    TypeEntry("basedados", "loja_teclado");
    TypeEntry("utilizador", "sa");
    TypeEntry("password", kPassword);
    TypeEntry("instancia", "", /*backwards=*/true);
    TabTo("Seguinte");
    gui::PressKey(Window(), VK_RETURN);
    WaitForPage(kReviewPage);
    EXPECT_EQ(Udl(L"VelmoPos"), UdlBytes(server.Server(), "sa", kPassword, "loja_teclado"));

    // Review page: demonstration data ticked with Space, then the cloud chosen with an arrow, which
    // clears and disables it again.
    TabTo("cDemo");
    gui::PressKey(Window(), VK_SPACE);
    WaitFor([](const Snapshot& s) { return s.Checked("cDemo"); }, "cDemo to be ticked with Space");
    TabTo("Normal", /*backwards=*/true);
    gui::PressKey(Window(), VK_DOWN);
    WaitFor([](const Snapshot& s) { return s.Checked("rCloud") && !s.Checked("cDemo") && !s.Enabled("cDemo"); },
            "the cloud installation to be chosen with Down");
    TabTo("Seguinte");
    gui::PressKey(Window(), VK_SPACE);

    // The replacement question: Tab to OK, Space. The store number: typed, Enter.
    const MessageBoxWindow replace = ExpectBox(kReplace);
    replace.AnswerWithKeys(IDOK);
    gui::WaitFor([&] { return !replace.IsOpen(); }, "the replacement question to close");
    const MessageBoxWindow store = app->WaitForMessageBox(kRunTimeout);
    EXPECT_EQ(store.Caption(), kStoreCaption);
    gui::TypeText(store.Window(), L"7");
    gui::PressKey(store.Window(), VK_RETURN);
    ExpectInstalled(server, "loja_teclado");
    EXPECT_GE(ServerView(server).Find("DROP DATABASE loja_teclado"), 0) << "the old database was replaced";
    const std::vector<std::string> requests = ServerView(server).requests;
    EXPECT_EQ(std::find(requests.begin(), requests.end(), ScriptBatch(FileBytes(WizardFile(L"DBDemo.inf")))),
              requests.end())
        << "no demonstration data for the cloud";
}

TEST_F(PeopleInstall, WithTheMouseForEveryChoiceAndPress) {
    // The server takes the administrator's login without a password.
    sqltest::Instance server(R"j({"databases": ["velmorest_3_1"], "logins": {"sa": ""}})j");
    Start({L"VelmoRest"});
    Press("velmorest");
    WaitFor([](const Snapshot& s) { return s.Checked("velmorest"); }, "VelmoRest to be chosen with a click");
    Next();
    WaitForPage(kServerPage);
    // An empty password is asked about; Yes goes on.
    UseServer(server);
    SetEntry("password", "");
    Next();
    Answer({"Confirmação", kNoPassword, {IDYES, IDNO}, MB_ICONQUESTION, IDYES}, IDYES);
    WaitForPage(kReviewPage);
    Press("cDemo");
    WaitFor([](const Snapshot& s) { return s.Checked("cDemo"); }, "cDemo to be ticked with a click");
    Press("rCloud");
    WaitFor([](const Snapshot& s) { return s.Checked("rCloud") && !s.Enabled("cDemo"); }, "the cloud chosen");
    Press("Normal");
    WaitFor([](const Snapshot& s) { return s.Checked("Normal") && s.Enabled("cDemo"); }, "normal chosen again");
    Press("cDemo");
    WaitFor([](const Snapshot& s) { return s.Checked("cDemo"); }, "cDemo ticked again");
    Next();
    Answer(kReplace, IDOK);
    ExpectInstalled(server, "velmorest_3_1");
    const std::vector<std::string> requests = ServerView(server).requests;
    EXPECT_NE(std::find(requests.begin(), requests.end(), ScriptBatch(FileBytes(WizardFile(L"DBDemo.inf")))),
              requests.end())
        << "demonstration data inserted";
}

// A press on a button that the pointer leaves before the release clicks nothing.
TEST_F(PeopleInstall, APressDraggedOffAButtonClicksNothing) {
    Start();
    Press("velmopos");
    WaitFor([](const Snapshot& s) { return s.Checked("velmopos"); }, "VelmoPos to be chosen");
    for (const char* name : {"Seguinte", "btCancel"}) {
        const Control button = app->Get(name);
        gui::MovePointer(Window(), button.Center());
        gui::PressMouse(Window());
        gui::MovePointer(Window(), gui::PointIn(button, button.Width() / 2, -button.Height() - 30));
        gui::ReleaseMouse(Window());
        app->Settle();
        // A click would have moved to the server page or ended the program.
        EXPECT_FALSE(gui::WaitUntil([&] { return !app->Running() || Now().Page() != kProductPage; },
                                    std::chrono::milliseconds(1500)))
            << name;
    }
    // And a press released on the button does click it.
    Next();
    WaitForPage(kServerPage);
}

// What a person sees of a press: the pointer alone changes nothing; the glow at the bottom middle
// of the body shows while a release would click, goes when the pointer is dragged off, comes back
// with it, and goes with a release outside, which clicks nothing.
TEST_F(PeopleInstall, APressGlowsOnlyWhileItsReleaseWouldClick) {
    Start();
    const Control button = app->Get("Seguinte");
    const POINT off = gui::PointIn(button, button.Width() / 2, -button.Height() - 30);
    // Blue over green at the bottom middle: the glow's colour (R 141, G 189, B 255) tints it.
    const auto tint = [&] {
        const std::uint32_t c = gui::CaptureScreen(button.screen).At(button.Width() / 2, button.Height() - 5);
        return static_cast<int>(c & 0xFF) - static_cast<int>((c >> 8) & 0xFF);
    };
    const auto shows = [&](const std::function<bool(int)>& wanted) {
        return gui::WaitUntil([&] { return wanted(tint()); }, std::chrono::milliseconds(2000));
    };
    gui::MovePointer(Window(), off);
    app->Settle();
    const int resting = tint();
    ASSERT_LT(resting, 10) << "a grey body at rest";

    gui::MovePointer(Window(), button.Center());
    app->Settle();
    EXPECT_LT(tint(), resting + 4) << "the pointer alone changes nothing";
    gui::PressMouse(Window());
    EXPECT_TRUE(shows([&](int t) { return t > resting + 25; })) << "pressed: the glow";
    gui::MovePointer(Window(), off);
    EXPECT_TRUE(shows([&](int t) { return t < resting + 4; })) << "dragged off: the unpressed body";
    gui::MovePointer(Window(), button.Center());
    EXPECT_TRUE(shows([&](int t) { return t > resting + 25; })) << "back on the button: the glow again";
    gui::MovePointer(Window(), off);
    gui::ReleaseMouse(Window());
    EXPECT_TRUE(shows([&](int t) { return t < resting + 4; })) << "released outside";
    app->Settle();
    EXPECT_EQ(Now().Page(), kProductPage) << "nothing clicked";
}

// The progress page is on the screen while a long script runs, although the wizard's loop does not
// run meanwhile: what the screen shows then is what it shows once the loop runs again (inside the
// store-number box), but for the moving bar.
TEST_F(PeopleInstall, TheProgressPageShowsWhileTheScriptsRun) {
    sqltest::Instance server(
        R"j({"rules": [{"match": "CREATE TABLE", "action": "delay", "seconds": 5, "times": 1}]})j");
    Start({L"VelmoPos"});
    ChooseProduct("velmopos");
    UseServer(server);
    Next();
    WaitForPage(kReviewPage);
    SetChecked("rCloud", true);
    const Snapshot review = Now();
    const RECT client = gui::ClientRectOnScreen(Window());
    const gui::Image reviewShot = gui::CaptureScreen(client);
    Next();
    ASSERT_TRUE(gui::WaitUntil([&] {
        for (const auto& e : server.Log().items)
            if (e["event"].Str() == "batch" && e["text"].Str().find("CREATE TABLE") != std::string::npos) return true;
        return false;
    })) << "the schema script reached the server";
    const gui::Image busyShot = gui::CaptureScreen(client);
    const MessageBoxWindow store = app->WaitForMessageBox(kRunTimeout);
    MoveAside(store);
    const gui::Image idleShot = gui::CaptureScreen(client);

    // Compared: the page area, and the buttons below it, but for the bar.
    RECT bar = review["DBProgress"].screen, area = review["AdvPageControl1"].screen;
    area.bottom = review["Seguinte"].screen.bottom;
    for (RECT* r : {&bar, &area}) OffsetRect(r, -client.left, -client.top);
    InflateRect(&bar, 1, 1);
    const auto sameShare = [&](const gui::Image& a, const gui::Image& b) {
        int same = 0, all = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                if (x >= bar.left && x < bar.right && y >= bar.top && y < bar.bottom) continue;
                ++all;
                same += gui::ColourNear(a.At(x, y), b.At(x, y), 4);
            }
        return double(same) / all;
    };
    EXPECT_LT(sameShare(reviewShot, idleShot), 0.97) << "the two pages must look different for this test to tell";
    EXPECT_GT(sameShare(busyShot, idleShot), 0.995) << "the progress page, its buttons disabled, while busy";
    gui::TypeText(store.Window(), L"3");
    gui::PressKey(store.Window(), VK_RETURN);
    WaitFor([](const Snapshot& s) { return s.Page() == kFinalPage; }, "the final page", kRunTimeout);
}

}  // namespace
