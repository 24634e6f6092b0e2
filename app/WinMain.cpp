// Program entry: the application object (COM apartment, GDI+), the one window created from its
// description, then the message loop until the application is told to end.

#include <windows.h>

#include "app/Main.h"
#include "app/StartupMarks.h"
#include "framework/Description.h"
#include "framework/win/Application.h"

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
    frmMain.OnShowStep = [&marks](const char* step) { marks.Mark(step); };
    frmMain.Show();
    frmMain.OnShowStep = nullptr;
    if (!frmMain.HandleAllocated()) return 1;  // the window could not be made (reported)
    return application.Run();
}
