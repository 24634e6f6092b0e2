// The wizard as a user first sees it, driven from outside: the window, the first page's state,
// the server defaults, a painted window, and "Sair" ending the program.

#include <gtest/gtest.h>

#include "driver/WizardTest.h"

namespace {

using gui::Control;

class WizardSmoke : public gui::WizardTest {};

TEST_F(WizardSmoke, StartsOnTheProductPageAndSairEndsIt) {
    auto app = StartWizard();
    RECT client{};
    ASSERT_TRUE(GetClientRect(app->MainWindow(), &client));
    EXPECT_EQ(client.right, 580);
    EXPECT_EQ(client.bottom, 347);

    const Control seguinte = app->WaitForControl("Seguinte", [](const Control& c) { return c.focused; },
                                                 "focused");
    EXPECT_TRUE(seguinte.enabled);
    EXPECT_FALSE(app->Get("Anterior").enabled);
    EXPECT_TRUE(app->Get("btCancel").enabled);

    char name[256] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetComputerNameA(name, &size));
    EXPECT_EQ(app->Get("servidor").text, name);
    EXPECT_EQ(app->Get("instancia").text, "MARLOVEXSQL");
    EXPECT_EQ(app->Get("utilizador").text, "sa");

    // The background is painted: far from one flat colour.
    const gui::Image shot = gui::CaptureWindow(app->MainWindow());
    const RECT all{0, 0, shot.Width(), shot.Height()};
    EXPECT_LT(shot.CountNear(all, shot.At(5, 5), 4), shot.Width() * shot.Height() * 9 / 10);

    gui::ClickControl(app->Get("btCancel"));
    app->WaitForExit();
    EXPECT_EQ(app->FindMessageBox(), std::nullopt);
}

}  // namespace
