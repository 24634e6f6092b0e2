// Pictures of every page of two builds of the wizard, for a pixel-for-pixel comparison of the two
// (tests/gui/tools/compare_page_pictures.sh runs it and compares; not a test of the test command).
// At each screen DPI asked for, each build is started in a folder of its own and walked as a person
// walks it, with real clicks and keys, against one test-server instance shared by both builds (the
// review page shows the server's port): the product page as it starts, the server page as it first
// shows, the review page, the progress page while its confirmation box is open (moved away; the
// running bar's own rectangle painted black, since its animation never stops there), and the final
// page. The pointer is away from the window for every picture, and a picture is taken once the
// window's client area has stayed the same for a while.
//
// Environment: PAGE_PICTURES_OUT (the folder; <out>/<build>/page<i>-<dpi>dpi.png), PAGE_PICTURES_BUILDS
// (name=path-of-CriaBD.exe pairs separated by ';'), PAGE_PICTURES_DPIS (e.g. 96,120,144,192), and
// what the GUI tests need (DISPLAY, SQLTESTSERVER_PORT_FILE, a prefix whose LogPixels may change).

#include "WizardFlow.h"
#include "../support/ScreenDpi.h"

#include <shlwapi.h>

#include <sstream>

namespace {

using namespace flow;
namespace fs = std::filesystem;

std::string Environment(const wchar_t* name) {
    wchar_t value[4096] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 4096);
    if (length == 0 || length >= 4096) throw DriverError("set " + gui::ToCp1252(name));
    return gui::ToCp1252(value);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

// The image with a rectangle (image coordinates) painted opaque black.
gui::Image Masked(const gui::Image& image, const RECT& hidden) {
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(image.Width()) * image.Height());
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const POINT p{x, y};
            pixels.push_back(PtInRect(&hidden, p) ? 0xFF000000u : image.At(x, y));
        }
    return gui::Image(image.Width(), image.Height(), std::move(pixels));
}

class PagePictures : public WizardFlowTest {
protected:
    // Starts the wizard of `exe` in a fresh folder with the build's scripts and products.
    void StartBuild(const fs::path& exe, gui::StagingFolder& folder) {
        const auto copy = folder.Copy(exe);
        for (const auto& entry : fs::directory_iterator(gui::ProgramFolder())) {
            const std::wstring name = entry.path().filename().wstring();
            if (PathMatchSpecW(name.c_str(), L"*.inf") || PathMatchSpecW(name.c_str(), L"Velmo*.exe"))
                folder.Copy(entry.path());
        }
        app = App::Launch(copy, folder.Path());
        app->WaitForMainWindow(nullptr, gui::kWizardTitle);
        WaitFor([](const Snapshot& s) { return s.Focused(kSeguinte); }, "Seguinte to take the focus");
    }

    // The client area once it has stayed the same over half a second (a button's hover look fades
    // after the pointer left it), with `hidden` (client coordinates) painted black.
    gui::Image Settled(const RECT& hidden = {}) {
        SetCursorPos(0, 0);
        gui::Image last = Masked(gui::CaptureWindow(app->MainWindow()), hidden);
        auto since = std::chrono::steady_clock::now();
        const bool settled = gui::WaitUntil(
            [&] {
                gui::Image now = Masked(gui::CaptureWindow(app->MainWindow()), hidden);
                const auto time = std::chrono::steady_clock::now();
                if (!SameImage(now, last)) since = time;
                last = std::move(now);
                return time - since >= milliseconds(500);
            },
            milliseconds(20000));
        EXPECT_TRUE(settled) << "the window never settled on a picture";
        return last;
    }

    void Save(const gui::Image& image, const fs::path& folder, int page, int dpi) {
        fs::create_directories(folder);
        image.SavePng(folder / ("page" + std::to_string(page) + "-" + std::to_string(dpi) + "dpi.png"));
    }

    // One build walked through its five pages.
    void Walk(const fs::path& exe, const sqltest::Instance& server, const fs::path& out, int dpi) {
        gui::StagingFolder folder;
        StartBuild(exe, folder);
        Save(Settled(), out, kProductPage, dpi);
        ChooseProduct("VelmoPos");
        Save(Settled(), out, kServerPage, dpi);
        UseServer(server);
        Next();
        WaitForPage(kReviewPage);
        Save(Settled(), out, kReviewPage, dpi);
        Next();
        const MessageBoxWindow box = app->WaitForMessageBox(kRunTimeout);
        // Off the screen but for a corner: at the larger DPIs it would not fit beside the window.
        SetWindowPos(box.Window(), nullptr, GetSystemMetrics(SM_CXSCREEN) - 8, GetSystemMetrics(SM_CYSCREEN) - 8, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        app->Settle();
        const Snapshot s = Now();
        EXPECT_EQ(PageOf(s), kProgressPage);
        RECT bar = s.Get(kProgressBar).Location();
        const RECT client = gui::ClientRectOnScreen(app->MainWindow());
        OffsetRect(&bar, -client.left, -client.top);
        Save(Settled(bar), out, kProgressPage, dpi);
        box.AnswerWithKeys(IDOK);
        WaitForPage(kFinalPage, kRunTimeout);
        Save(Settled(), out, kFinalPage, dpi);
        PostMessageW(app->MainWindow(), WM_CLOSE, 0, 0);
        app->WaitForExit();
        app.reset();
    }
};

TEST_F(PagePictures, EveryPageOfEachBuildAtEachDpi) {
    const fs::path out = Environment(L"PAGE_PICTURES_OUT");
    std::vector<std::pair<std::string, fs::path>> builds;
    for (const std::string& pair : Split(Environment(L"PAGE_PICTURES_BUILDS"), ';')) {
        const std::size_t equals = pair.find('=');
        ASSERT_NE(equals, std::string::npos) << pair;
        builds.emplace_back(pair.substr(0, equals), fs::path(pair.substr(equals + 1)));
    }
    for (const std::string& dpiText : Split(Environment(L"PAGE_PICTURES_DPIS"), ',')) {
        const int dpi = std::stoi(dpiText);
        SCOPED_TRACE(std::to_string(dpi) + " DPI");
        const testsupport::ScreenDpi screen(dpi);
        sqltest::Instance server(R"j({"databases": ["velmopos_5_2"]})j");
        for (const auto& [name, exe] : builds) {
            SCOPED_TRACE(name);
            Walk(exe, server, out / name, dpi);
            if (HasFatalFailure()) return;
            std::printf("%s at %d DPI: five pages\n", name.c_str(), dpi);
        }
    }
}

}  // namespace
