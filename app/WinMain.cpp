// Program entry: the application object (COM apartment, GDI+), the one window created from its
// description, then the message loop until the application is told to end.
//
// Built twice: CriaBD.exe, and CriaBD-marks.exe for the start-up benchmark (WIZARD_STARTUP_MARKS),
// which also writes the time of each start-up step into the block the benchmark offers
// (app/StartupMarks.h). The program users get offers no named object to other processes.

#include <windows.h>

#include "app/Main.h"
#include "framework/Description.h"
#include "framework/win/Application.h"

#ifdef WIZARD_STARTUP_MARKS
#include "app/StartupMarks.h"
#else
namespace app {
struct StartupMarks {
    void Mark(const char*) {}
};
}  // namespace app
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    app::StartupMarks marks;
    marks.Mark("wWinMain");
    fw::Application application;
    marks.Mark("application");
    app::TfrmMain frmMain;
    try {
        frmMain.LoadDescription();
        marks.Mark("description applied");
    } catch (const std::exception& error) {
        fw::Application::HandleException(std::current_exception());
        return 1;
    }
    application.SetMainForm(&frmMain);
#ifdef WIZARD_STARTUP_MARKS
    frmMain.OnShowStep = [&marks](const char* step) { marks.Mark(step); };
#endif
    frmMain.Show();
    frmMain.OnShowStep = nullptr;
    if (!frmMain.HandleAllocated()) return 1;  // the window could not be made (reported)
    return application.Run();
}
