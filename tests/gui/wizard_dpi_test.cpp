// The wizard itself (CriaBD.exe, with its manifest and start-up) on a screen of 96 and of 144 DPI,
// in the DPI tests' own Wine prefix, where a program is DPI aware only when it declares so
// (tests/support/own_prefix.sh). Read as a person and a screen reader do: the window's client area,
// where the accessible objects say the controls are, what the screen shows, and the message box the
// product page opens when Seguinte is clicked with no product chosen.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver/Accessible.h"
#include "driver/WizardTest.h"
#include "../support/ScreenDpi.h"

namespace {

using gui::Accessible;

struct Seen {
    RECT client{};     // the window's client area on the screen
    SIZE box{};        // the message box's window
    int boxText = 0;   // the height of the message box's text
};

class WizardDpi : public gui::WizardTest {
protected:
    // Starts the wizard on a screen of `dpi`, reads it, clicks Seguinte with no product chosen and
    // reads the box that refuses it; the wizard is closed again.
    Seen Run(int dpi) {
        const testsupport::ScreenDpi screen(dpi);
        auto app = StartWizard();
        const HWND window = app->MainWindow();
        Seen seen;
        seen.client = gui::ClientRectOnScreen(window);

        // Every control a reader finds lies in the window's client area.
        const gui::ComScope com;
        const Accessible root = Accessible::FromWindow(window);
        RECT seguinte{};
        int found = 0;
        for (const Accessible& element : gui::Descendants(root)) {
            if (!element.Visible()) continue;
            const RECT r = element.Location();
            RECT inside{};
            ::IntersectRect(&inside, &r, &seen.client);
            EXPECT_TRUE(::EqualRect(&inside, &r)) << "\"" << element.Name() << "\" lies outside the window at " << dpi
                                                   << " DPI";
            if (element.Role() == ROLE_SYSTEM_PUSHBUTTON && element.Name() == "Seguinte >>") seguinte = r;
            ++found;
        }
        EXPECT_GT(found, 10);

        const auto folder = gui::ProgramFolder().parent_path() / "screenshots";
        std::filesystem::create_directories(folder);
        gui::CaptureWindow(window).SavePng(folder / ("wizard-" + std::to_string(dpi) + "dpi.png"));

        // The box the platform makes for the refusal.
        EXPECT_FALSE(::IsRectEmpty(&seguinte)) << "Seguinte not found by a reader";
        gui::RealClick(window, POINT{(seguinte.left + seguinte.right) / 2, (seguinte.top + seguinte.bottom) / 2});
        const gui::MessageBoxWindow box = app->WaitForMessageBox();
        const RECT boxRect = gui::WindowRectOnScreen(box.Window());
        seen.box = {boxRect.right - boxRect.left, boxRect.bottom - boxRect.top};
        const RECT text = gui::WindowRectOnScreen(gui::ChildById(box.Window(), 0xFFFF));
        seen.boxText = text.bottom - text.top;
        box.AnswerWithKeys(IDOK);
        app->WaitForNoMessageBox();
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        app->WaitForExit();
        return seen;
    }
};

TEST_F(WizardDpi, TheProgramDrawsItsWindowAndItsBoxesAtTheScreensScale) {
    const Seen at96 = Run(96);
    const Seen at144 = Run(144);
    auto width = [](const RECT& r) { return r.right - r.left; };
    auto height = [](const RECT& r) { return r.bottom - r.top; };
    EXPECT_EQ(width(at96.client), 580);
    EXPECT_EQ(height(at96.client), 347);
    // 1.5 x 580 x 347, within a pixel: the program declared itself DPI aware (an unaware one keeps
    // its 96-DPI size here).
    EXPECT_NEAR(width(at144.client), 870, 1);
    EXPECT_NEAR(height(at144.client), 520.5, 1);
    // The platform's message box grows with the screen as well, its text with it.
    EXPECT_GE(at144.box.cx, at96.box.cx * 13 / 10) << at96.box.cx << " -> " << at144.box.cx;
    EXPECT_GE(at144.box.cy, at96.box.cy * 13 / 10) << at96.box.cy << " -> " << at144.box.cy;
    EXPECT_GE(at144.boxText, at96.boxText * 13 / 10) << at96.boxText << " -> " << at144.boxText;
    std::printf("client %ld x %ld -> %ld x %ld; message box %ld x %ld -> %ld x %ld, its text %d -> %d pixels high\n",
                width(at96.client), height(at96.client), width(at144.client), height(at144.client), at96.box.cx,
                at96.box.cy, at144.box.cx, at144.box.cy, at96.boxText, at144.boxText);
}

}  // namespace
