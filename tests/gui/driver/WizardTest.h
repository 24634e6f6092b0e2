#pragma once
// Base fixture of the tests that drive the wizard: each test runs its own copy of CriaBD.exe, with
// the script files and the product executables of the build beside it, in a fresh folder.

#include <string>

#include "driver/GuiTest.h"

namespace gui {

inline constexpr wchar_t kWizardTitle[] = L"Criação de Base de Dados (v 1.1)";

class WizardTest : public GuiTest {
protected:
    // Stages and starts the wizard and waits for its window; the window is app->MainWindow().
    std::unique_ptr<App> StartWizard(milliseconds timeout = kTimeout) {
        const auto exe = folder_.Copy(WizardFolder() / "CriaBD.exe");
        folder_.CopyMatching({L"*.inf", L"Velmo*.exe"});
        auto app = App::Launch(exe, folder_.Path());
        app->WaitForMainWindow(nullptr, kWizardTitle, timeout);
        return app;
    }

    StagingFolder folder_;  // the wizard's folder: its data link file appears here
};

}  // namespace gui
