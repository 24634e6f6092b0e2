// The wizard as a user first sees it, driven from outside: the window, the first page's state as
// a screen reader hears it, a painted window, and "Sair" ending the program.

#include <gtest/gtest.h>

#include "WizardControls.h"
#include "driver/WizardTest.h"

namespace {

using namespace wizard;

class WizardSmoke : public gui::WizardTest {};

TEST_F(WizardSmoke, StartsOnTheProductPageAndSairEndsIt) {
    auto app = StartWizard();
    RECT client{};
    ASSERT_TRUE(GetClientRect(app->MainWindow(), &client));
    EXPECT_EQ(client.right, 580);
    EXPECT_EQ(client.bottom, 347);

    const Snapshot s = app->WaitFor([](const Snapshot& now) { return now.Focused(kSeguinte); }, "Seguinte focused");
    EXPECT_EQ(PageOf(s), kProductPage);
    EXPECT_TRUE(s.Enabled(kSeguinte));
    EXPECT_FALSE(s.Enabled(kAnterior));
    EXPECT_TRUE(s.Enabled(kSair));
    EXPECT_EQ(s.All(ROLE_SYSTEM_RADIOBUTTON).size(), 4u) << "one choice per product";

    // The background is painted: far from one flat colour.
    const gui::Image shot = gui::CaptureWindow(app->MainWindow());
    const RECT all{0, 0, shot.Width(), shot.Height()};
    EXPECT_LT(shot.CountNear(all, shot.At(5, 5), 4), shot.Width() * shot.Height() * 9 / 10);

    gui::ClickControl(s.Get(kSair));
    app->WaitForExit();
    EXPECT_EQ(app->FindMessageBox(), std::nullopt);
}

}  // namespace
