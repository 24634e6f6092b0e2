// Whole installations as people make them: one with the keyboard alone (Tab and Shift+Tab from
// control to control, arrows and Space for the choices, Enter or Space on the buttons, every box
// answered with keys), one with the mouse for every choice and press (text typed after a click
// into each box); a press dragged off a button and released outside does nothing; and the
// progress page is on the screen while the scripts run.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "WizardFlow.h"

namespace {

using namespace flow;

const BoxSpec kReplace{"Confirmação", kConfirmReplace, {IDOK, IDCANCEL}, MB_ICONQUESTION, IDCANCEL};

class PeopleInstall : public WizardFlowTest {
protected:
    HWND Window() const { return app->MainWindow(); }

    // Presses Tab (or Shift+Tab) until the control has the focus; each press must move the focus,
    // and the walk fails when it comes round without finding the control.
    void TabTo(const Named& what, bool backwards = false) {
        Named focused = Now().FocusedControl();
        for (int presses = 0; focused != what; ++presses) {
            if (presses > 20) throw DriverError("Tab never reached " + gui::Describe(what));
            gui::PressKey(Window(), VK_TAB, backwards ? gui::kShift : gui::kNoModifier);
            const Named before = focused;
            focused = WaitFor([&](const Snapshot& s) { return s.FocusedControl() != before; }, "Tab to move the focus")
                          .FocusedControl();
        }
    }

    // Replaces a box's text from the keyboard: Tab to it, Ctrl+A and the new text (Delete for none).
    // A password box's text is not heard: only how many characters it holds.
    void TypeEntry(const Named& box, std::string_view text, bool backwards = false) {
        TabTo(box, backwards);
        gui::PressKey(Window(), 'A', gui::kCtrl);
        if (text.empty())
            gui::PressKey(Window(), VK_DELETE);
        else
            gui::TypeText(Window(), gui::FromCp1252(text));
        const Element element = app->Get(box);
        if (element.Has(STATE_SYSTEM_PROTECTED)) {
            const HWND window = element.Window();
            gui::WaitFor([&] { return gui::TextLength(window) == static_cast<int>(text.size()); },
                         gui::Describe(box) + " to hold " + std::to_string(text.size()) + " characters");
        } else {
            app->WaitFor(box, [&](const Element& e) { return e.Value() == text; }, gui::Describe(box) + " to take its text");
        }
    }

    void ExpectInstalled(const sqltest::Instance& server, const std::string& database) {
        const Snapshot s = WaitFor([&](const Snapshot& now) { return PageOf(now) == kFinalPage; }, "the final page",
                                   kRunTimeout);
        EXPECT_FALSE(s.Enabled(kSeguinte));
        const ServerView view(server);
        EXPECT_GE(view.Find("CREATE DATABASE " + database), 0) << "the database was created";
        EXPECT_GE(view.Find("INSERT INTO versao"), 0) << "the version row was recorded";
    }
};

TEST_F(PeopleInstall, WithTheKeyboardAlone) {
    sqltest::Instance server(R"j({"databases": ["loja_teclado"]})j");
    Start({L"VelmoPos"});

    // Product page: Tab reaches the product group at its first button; Down moves the choice.
    TabTo(ProductChoice("VelmoCafe"));
    gui::PressKey(Window(), VK_DOWN, gui::kNoModifier, 2);
    WaitFor([](const Snapshot& s) { return s.Checked(ProductChoice("VelmoPos")) && s.Focused(ProductChoice("VelmoPos")); },
            "VelmoPos to be chosen with the arrows");
    TabTo(kSeguinte, /*backwards=*/true);
    gui::PressKey(Window(), VK_SPACE);
    WaitForPage(kServerPage);

    // Server page: every entry typed; Shift+Tab goes back through them.
    TypeEntry(kServerBox, server.Server());
    TypeEntry(kInstanceBox, "");
    TypeEntry(kDatabaseBox, "loja_teclado");
    TypeEntry(kUserBox, "sa");
    TypeEntry(kPasswordBox, kPassword);
    TypeEntry(kInstanceBox, "", /*backwards=*/true);
    TabTo(kSeguinte);
    gui::PressKey(Window(), VK_RETURN);
    WaitForPage(kReviewPage);
    EXPECT_EQ(Udl(L"VelmoPos"), UdlBytes(server.Server(), "sa", kPassword, "loja_teclado"));

    // Review page: demonstration data ticked with Space, then the cloud chosen with an arrow, which
    // clears and disables it again.
    TabTo(kDemo);
    gui::PressKey(Window(), VK_SPACE);
    app->WaitFor(kDemo, [](const Element& e) { return e.Checked(); }, "the demonstration data to be ticked with Space");
    TabTo(kNormal, /*backwards=*/true);
    gui::PressKey(Window(), VK_DOWN);
    WaitFor([](const Snapshot& s) { return s.Checked(kCloud) && !s.Checked(kDemo) && !s.Enabled(kDemo); },
            "the cloud installation to be chosen with Down");
    TabTo(kSeguinte);
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
    Press(ProductChoice("VelmoRest"));
    app->WaitFor(ProductChoice("VelmoRest"), [](const Element& e) { return e.Checked(); },
                 "VelmoRest to be chosen with a click");
    Next();
    WaitForPage(kServerPage);
    // An empty password is asked about; Yes goes on.
    UseServer(server);
    SetEntry(kPasswordBox, "");
    Next();
    Answer({"Confirmação", kNoPassword, {IDYES, IDNO}, MB_ICONQUESTION, IDYES}, IDYES);
    WaitForPage(kReviewPage);
    Press(kDemo);
    app->WaitFor(kDemo, [](const Element& e) { return e.Checked(); }, "the demonstration data to be ticked with a click");
    Press(kCloud);
    WaitFor([](const Snapshot& s) { return s.Checked(kCloud) && !s.Enabled(kDemo); }, "the cloud chosen");
    Press(kNormal);
    WaitFor([](const Snapshot& s) { return s.Checked(kNormal) && s.Enabled(kDemo); }, "normal chosen again");
    Press(kDemo);
    WaitFor([](const Snapshot& s) { return s.Checked(kDemo); }, "the demonstration data ticked again");
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
    Press(ProductChoice("VelmoPos"));
    WaitFor([](const Snapshot& s) { return s.Checked(ProductChoice("VelmoPos")); }, "VelmoPos to be chosen");
    for (const Named* name : {&kSeguinte, &kSair}) {
        const Element button = app->Get(*name);
        const RECT place = button.Location();
        gui::MovePointer(Window(), button.Center());
        gui::PressMouse(Window(), button.Center());
        const POINT off = gui::PointIn(button, (place.right - place.left) / 2, -(place.bottom - place.top) - 30);
        gui::MovePointer(Window(), off);
        app->Settle();
        gui::ReleaseMouse(Window(), off);
        app->Settle();
        // A click would have moved to the server page or ended the program.
        EXPECT_FALSE(gui::WaitUntil([&] { return !app->Running() || PageOf(Now()) != kProductPage; },
                                    std::chrono::milliseconds(1500)))
            << name->name;
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
    const Element button = app->Get(kSeguinte);
    const RECT place = button.Location();
    const int width = place.right - place.left, height = place.bottom - place.top;
    const POINT off = gui::PointIn(button, width / 2, -height - 30);
    // Blue over green at the bottom middle: the glow's colour (R 141, G 189, B 255) tints it.
    const auto tint = [&] {
        const std::uint32_t c = gui::CaptureScreen(place).At(width / 2, height - 5);
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
    gui::PressMouse(Window(), button.Center());
    EXPECT_TRUE(shows([&](int t) { return t > resting + 25; })) << "pressed: the glow";
    gui::MovePointer(Window(), off);
    EXPECT_TRUE(shows([&](int t) { return t < resting + 4; })) << "dragged off: the unpressed body";
    gui::MovePointer(Window(), button.Center());
    EXPECT_TRUE(shows([&](int t) { return t > resting + 25; })) << "back on the button: the glow again";
    gui::MovePointer(Window(), off);
    gui::ReleaseMouse(Window(), off);
    EXPECT_TRUE(shows([&](int t) { return t < resting + 4; })) << "released outside";
    app->Settle();
    EXPECT_EQ(PageOf(Now()), kProductPage) << "nothing clicked";
}

// The progress page is on the screen while a long script runs, although the wizard's loop does not
// run meanwhile: what the screen shows then is what it shows once the loop runs again (inside the
// store-number box), but for the moving bar.
TEST_F(PeopleInstall, TheProgressPageShowsWhileTheScriptsRun) {
    sqltest::Instance server(
        R"j({"rules": [{"match": "CREATE TABLE", "action": "delay", "seconds": 5, "times": 1}]})j");
    Start({L"VelmoPos"});
    ChooseProduct("VelmoPos");
    UseServer(server);
    Next();
    WaitForPage(kReviewPage);
    SetChecked(kCloud, true);
    const Snapshot review = Now();
    const RECT client = gui::ClientRectOnScreen(Window());
    const gui::Image reviewShot = gui::CaptureScreen(client);
    Next();
    ASSERT_TRUE(gui::WaitUntil([&] {
        for (const auto& e : server.Log().items)
            if (e["event"].Str() == "batch" && e["text"].Str().find("CREATE TABLE") != std::string::npos) return true;
        return false;
    })) << "the schema script reached the server";
    // What the screen shows in the next three seconds, while the server holds the script for five
    // (the display may take the window's last drawing a moment after it was made).
    std::vector<gui::Image> busyShots;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
         std::chrono::steady_clock::now() < end;) {
        busyShots.push_back(gui::CaptureScreen(client));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const MessageBoxWindow store = app->WaitForMessageBox(kRunTimeout);
    MoveAside(store);
    // Compared: the page area, and the buttons below it, but for the bar.
    // (The bar shows on the progress page only: its place is read there, inside the box's loop.)
    RECT bar = Now().Get(kProgressBar).Location(), area = review.Get(PageList(kReviewPage)).Location();
    area.bottom = review.Get(kSeguinte).Location().bottom;
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
    // The page the box uncovered, as the screen shows it once the wizard has drawn it again (which
    // takes a while under load): looked at until it matches a busy shot, or for 15 s.
    gui::Image idleShot;
    double best = 0;
    gui::WaitUntil([&] {
        idleShot = gui::CaptureScreen(client);
        for (const gui::Image& busyShot : busyShots) best = std::max(best, sameShare(busyShot, idleShot));
        return best > 0.995;
    });
    EXPECT_LT(sameShare(reviewShot, idleShot), 0.97) << "the two pages must look different for this test to tell";
    EXPECT_GT(best, 0.995) << "the progress page, its buttons disabled, while busy";
    gui::TypeText(store.Window(), L"3");
    gui::PressKey(store.Window(), VK_RETURN);
    WaitFor([](const Snapshot& s) { return PageOf(s) == kFinalPage; }, "the final page", kRunTimeout);
}

}  // namespace
