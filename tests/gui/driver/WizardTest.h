#pragma once
// Base fixture of the tests that drive the wizard: each test runs its own copy of CriaBD.exe, with
// the script files and the product executables of the build beside it, in a fresh folder.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/GuiTest.h"

namespace gui {

inline constexpr wchar_t kWizardTitle[] = L"Criação de Base de Dados (v 1.1)";

class WizardTest : public GuiTest {
protected:
    // Stages the wizard with the script files and the named product executables (every product
    // when no list is given), starts it and waits until its window is the active one; the window is
    // app->MainWindow(). Under load a late focus event of the X server can take the activation from
    // a new window: WaitForForeground asks for it again, as a person's click on the window would.
    std::unique_ptr<App> StartWizard(const std::optional<std::vector<std::wstring_view>>& products = std::nullopt) {
        const auto exe = folder_.Copy(WizardFolder() / "CriaBD.exe");
        folder_.CopyMatching({L"*.inf"});
        if (!products) {
            folder_.CopyMatching({L"Velmo*.exe"});
        } else {
            for (const auto product : *products) folder_.Copy(WizardFolder() / (std::wstring(product) + L".exe"));
        }
        auto app = App::Launch(exe, folder_.Path());
        WaitForForeground(app->WaitForMainWindow(nullptr, kWizardTitle));
        return app;
    }

    StagingFolder folder_;  // the wizard's folder: its data link file appears here
};

}  // namespace gui
