// The real window on screens of 96, 120, 144 and 192 DPI, as the screen shows it.
//
// The screen's DPI is the prefix's LogPixels, read when a program starts: each test sets it, runs
// this program again in a process of its own (which builds the window from the program's
// description and checks it, with the checks registered only in that process: AtScreenDpi.*),
// and sets it back to 96. The tests run in a prefix of their own, where a program is DPI aware only
// when it says so (tests/support/own_prefix.sh).
//
// At 96 DPI every page is, pixel for pixel, the picture the window drew before it was DPI aware
// (tests/app/win/reference). At the other DPIs: the process is per-monitor aware at that DPI; the
// client area is the design's 580 x 347 scaled; no control leaves its parent or the window; the
// text is drawn as much taller as the screen's scale (its height measured in the screenshot); the
// background's gradient runs over the whole scaled height as it runs over the design's; the glass
// buttons' bodies, shines and captions are drawn at their scaled places; the progress bar's block
// is as much larger. Each page's picture is kept as <build>/screenshots/page<i>-<dpi>dpi.png to be
// looked at.
//
// Needs an X display under Wine (DISPLAY); it shows the window, so it is locked like the GUI tests.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/Main.h"
#include "driver/Driver.h"
#include "framework/Description.h"
#include "framework/Scaling.h"
#include "framework/win/Application.h"
#include "framework/win/Dpi.h"
#include "framework/win/StdCtrls.h"
#include "support/InputEvents.h"
#include "support/ScreenDpi.h"
#include "support/ShownWindow.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kChildVariable[] = L"WIZARD_DPI_CHILD";

bool UnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// ---------------------------------------------------------------------------------------------
// The parent: one test per screen DPI, each a run of this program at that DPI.

// Runs this program's AtScreenDpi checks in a process of its own on a screen of `dpi`; its output
// goes to ours. Returns its exit code (0: every check passed).
DWORD RunAtDpi(int dpi) {
    const testsupport::ScreenDpi screen(dpi);
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --gtest_filter=AtScreenDpi.*";
    ::SetEnvironmentVariableW(kChildVariable, std::to_wstring(dpi).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::fflush(stdout);
    const bool started = ::CreateProcessW(exe, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                          &startup, &process);
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    if (!started) throw std::runtime_error("cannot run the checks at " + std::to_string(dpi) + " DPI");
    ::CloseHandle(process.hThread);
    DWORD code = 1;
    if (::WaitForSingleObject(process.hProcess, 240000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.hProcess, &code);
    } else {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, 10000);
        ADD_FAILURE() << "the checks at " << dpi << " DPI did not end within 4 minutes";
    }
    ::CloseHandle(process.hProcess);
    return code;
}

TEST(DpiScreens, At96DpiEveryPageIsThePictureOfBeforeDpiAwarenessToThePixel) {
    EXPECT_EQ(RunAtDpi(96), 0u) << "see the checks' output above";
}
TEST(DpiScreens, At120DpiTheWindowAndEverythingInItIsDrawnAtTheLargerSize) {
    EXPECT_EQ(RunAtDpi(120), 0u) << "see the checks' output above";
}
TEST(DpiScreens, At144DpiTheWindowAndEverythingInItIsDrawnAtTheLargerSize) {
    EXPECT_EQ(RunAtDpi(144), 0u) << "see the checks' output above";
}
TEST(DpiScreens, At192DpiTheWindowAndEverythingInItIsDrawnAtTheLargerSize) {
    EXPECT_EQ(RunAtDpi(192), 0u) << "see the checks' output above";
}

// ---------------------------------------------------------------------------------------------
// The checks, in the process that runs at one screen DPI.

int ExpectedDpi() {
    wchar_t value[16] = {};
    return ::GetEnvironmentVariableW(kChildVariable, value, 16) ? std::stoi(value) : 0;
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
}

RECT ClientOnScreen(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// How many pixels of two pictures of one size differ (every pixel when the sizes differ).
int DifferingPixels(const gui::Image& a, const gui::Image& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return std::max(a.Width() * a.Height(), b.Width() * b.Height());
    int differing = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) differing += (a.At(x, y) & 0xFFFFFF) != (b.At(x, y) & 0xFFFFFF);
    return differing;
}

int Grey(std::uint32_t argb) { return static_cast<int>((argb >> 8) & 0xFF); }
int Luminance(std::uint32_t argb) {
    return static_cast<int>((((argb >> 16) & 0xFF) * 30 + ((argb >> 8) & 0xFF) * 59 + (argb & 0xFF) * 11) / 100);
}

// The window, built once in this process from the program's description and shown.
struct Window {
    fw::Application application;  // declares the process DPI aware, as the program does
    app::TfrmMain form;
    Window() {
        form.LoadDescription();
        testsupport::ShowClearOfThePointer(application, form);
        Pump();
    }
    ~Window() { application.SetMainForm(nullptr); }

    // A control's rectangle in the window's client area. A control of a page not shown yet has no
    // window, nor may its parent: its bounds are carried up to the nearest parent that has one.
    RECT InClient(const fw::TControl& control) const {
        RECT r{};
        if (const auto* windowed = dynamic_cast<const fw::TWinControl*>(&control); windowed && windowed->HandleAllocated()) {
            ::GetWindowRect(windowed->Handle(), &r);
            ::MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        } else {
            r = control.BoundsRect();
            const fw::TWinControl* parent = control.Parent();
            for (; !parent->HandleAllocated(); parent = parent->Parent()) ::OffsetRect(&r, parent->Left(), parent->Top());
            ::MapWindowPoints(parent->Handle(), form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        }
        return r;
    }
    // The width a control is given in the program's window description, scaled to the window's
    // DPI.
    int DesignedWidth(const fw::TControl& control) const {
        static const fw::ObjectNode description = [] {
            HRSRC resource = ::FindResourceA(nullptr, "MAIN_DESCRIPTION", MAKEINTRESOURCEA(10));  // RT_RCDATA
            const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(nullptr, resource)));
            return fw::ParseDescription(std::string_view(bytes, ::SizeofResource(nullptr, resource)), "Main.description");
        }();
        std::function<const fw::ObjectNode*(const fw::ObjectNode&)> find = [&](const fw::ObjectNode& node) {
            if (node.name == control.Name()) return &node;
            for (const auto& child : node.children)
                if (const fw::ObjectNode* found = find(child)) return found;
            return static_cast<const fw::ObjectNode*>(nullptr);
        };
        int left = 0, width = 0;
        if (const fw::ObjectNode* node = find(description)) {
            for (const auto& p : node->properties) {
                if (p.path == "Left") left = static_cast<int>(std::get<std::int64_t>(p.value));
                if (p.path == "Width") width = static_cast<int>(std::get<std::int64_t>(p.value));
            }
        }
        return fw::DpiScale(form.PixelsPerInch()).Extent(left, width);
    }
    RECT InClient(std::string_view name) const {
        const auto* control = dynamic_cast<const fw::TControl*>(form.FindComponent(name));
        if (!control) throw std::runtime_error("no control " + std::string(name));
        return InClient(*control);
    }

    // The page as the screen shows it once settled: two captures in a row, each after the loop
    // went idle, are equal, and differ from the picture before when another page was shown. When
    // the screen does not settle within 10 s, the test fails and the last capture is returned.
    gui::Image ShowPage(int page) {
        const bool otherPage = form.AdvPageControl1->ActivePageIndex() != page;
        const gui::Image before = gui::CaptureScreen(ClientOnScreen(form.Handle()));
        form.AdvPageControl1->SelectPage(page);
        ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        gui::Image last = gui::CaptureScreen(ClientOnScreen(form.Handle()));
        for (;;) {
            Pump();
            gui::Image now = gui::CaptureScreen(ClientOnScreen(form.Handle()));
            const int changing = DifferingPixels(now, last);
            const bool stillBefore = otherPage && DifferingPixels(now, before) == 0;
            if (changing == 0 && !stillBefore) return now;
            if (Clock::now() > deadline) {
                ADD_FAILURE() << "the screen did not settle on page " << page << " within 10 s: the last capture "
                              << (stillBefore ? "still showed the page before"
                                              : "differed from the one before it in " + std::to_string(changing) +
                                                    " pixels");
                return now;
            }
            last = std::move(now);
        }
    }
};

Window* g_window = nullptr;

class AtScreenDpi : public testing::Test {
public:
    explicit AtScreenDpi(std::function<void(Window&, int)> body) : body_(std::move(body)) {}
    void TestBody() override { body_(*g_window, ExpectedDpi()); }

private:
    std::function<void(Window&, int)> body_;
};

void Check(const char* name, std::function<void(Window&, int)> body) {
    testing::RegisterTest("AtScreenDpi", name, nullptr, nullptr, __FILE__, __LINE__,
                          [body]() -> testing::Test* { return new AtScreenDpi(body); });
}

fs::path ScreenshotFolder() {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return fs::path(exe).parent_path().parent_path() / "screenshots";
}

gui::Image Reference(int page) {
    return gui::Image::LoadPng(fs::path(WIZARD_REFERENCE_DIR) / ("page" + std::to_string(page) + "-96dpi.png"));
}

// The height of the first line of dark text in an area: from the first row holding a dark pixel to
// the last row of that run.
int FirstLineInkHeight(const gui::Image& image, const RECT& area) {
    int first = -1, last = -1;
    for (int y = area.top; y < area.bottom; ++y) {
        bool ink = false;
        for (int x = area.left; x < area.right && !ink; ++x) ink = Luminance(image.At(x, y)) < 100;
        if (ink && first < 0) first = y;
        if (ink) last = y;
        if (!ink && first >= 0) break;
    }
    return first < 0 ? 0 : last - first + 1;
}

void RegisterChecks() {
    Check("TheProcessIsPerMonitorAwareAndDrawsAtTheScreensDpi", [](Window& w, int dpi) {
        const fw::DpiAwareness awareness = fw::ProcessDpiAwareness();
        EXPECT_TRUE(awareness == fw::DpiAwareness::PerMonitor || awareness == fw::DpiAwareness::PerMonitorV2);
        EXPECT_EQ(fw::PrimaryScreenDpi(), dpi);
        EXPECT_EQ(fw::WindowDpi(w.form.Handle()), dpi);
        EXPECT_EQ(w.form.PixelsPerInch(), dpi);
    });

    Check("TheWindowFitsOnTheScreen", [](Window& w, int dpi) {
        RECT window{};
        ::GetWindowRect(w.form.Handle(), &window);
        const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        RECT shown{};
        ::IntersectRect(&shown, &window, &screen);
        ASSERT_TRUE(::EqualRect(&shown, &window))
            << "the window (" << window.right - window.left << " x " << window.bottom - window.top << " at " << dpi
            << " DPI) does not fit on the screen (" << screen.right << " x " << screen.bottom
            << "): the checks read the screen; give the X server a larger one (scripts/test.sh's is 1280 x 1024)";
    });

    Check("TheClientAreaIsTheDesignsScaledWithinAPixel", [](Window& w, int dpi) {
        RECT client{};
        ::GetClientRect(w.form.Handle(), &client);
        const double k = dpi / 96.0;
        EXPECT_LE(std::abs(client.right - 580 * k), 1.0) << "width " << client.right << " at " << dpi << " DPI";
        EXPECT_LE(std::abs(client.bottom - 347 * k), 1.0) << "height " << client.bottom << " at " << dpi << " DPI";
        std::printf("client area at %d DPI: %ld x %ld\n", dpi, client.right, client.bottom);
    });

    // A label that sizes itself to its caption is held by one edge only (the right one when it is
    // right-aligned): its other edge goes where its caption ends, a few pixels further under Wine,
    // whose stand-in for Tahoma is wider than Tahoma (README), even at 96 DPI. Such a label is
    // checked from the edge that holds it over the width it was designed with.
    Check("NoControlLeavesItsParentOrTheWindow", [](Window& w, int dpi) {
        RECT window{};
        ::GetClientRect(w.form.Handle(), &window);
        int checked = 0;
        for (const auto& component : w.form.Components()) {
            const auto* control = dynamic_cast<const fw::TControl*>(component.get());
            if (!control || !control->Parent()) continue;
            RECT r = w.InClient(*control);
            if (const auto* label = dynamic_cast<const fw::TLabel*>(control); label && label->AutoSize()) {
                const int designed = w.DesignedWidth(*label);
                if (label->Alignment() == fw::TAlignment::taRightJustify) {
                    r.left = r.right - designed;
                } else {
                    r.right = r.left + designed;
                }
            }
            const RECT parent = control->Parent() == &w.form ? window : w.InClient(*control->Parent());
            RECT inside{};
            ::IntersectRect(&inside, &r, &parent);
            EXPECT_TRUE(::EqualRect(&inside, &r))
                << control->Name() << " (" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom
                << ") leaves " << control->Parent()->Name() << " (" << parent.left << "," << parent.top << ")-("
                << parent.right << "," << parent.bottom << ") at " << dpi << " DPI";
            ::IntersectRect(&inside, &r, &window);
            EXPECT_TRUE(::EqualRect(&inside, &r)) << control->Name() << " leaves the window at " << dpi << " DPI";
            ++checked;
        }
        EXPECT_GT(checked, 40);
    });

    for (int page = 0; page < 5; ++page) {
        const std::string name = "Page" + std::to_string(page) + "AsDrawn";
        Check(name.c_str(), [page](Window& w, int dpi) {
            const gui::Image shot = w.ShowPage(page);
            fs::create_directories(ScreenshotFolder());
            shot.SavePng(ScreenshotFolder() / ("page" + std::to_string(page) + "-" + std::to_string(dpi) + "dpi.png"));
            const gui::Image reference = Reference(page);
            const fw::DpiScale s(dpi);
            const double k = dpi / 96.0;

            if (dpi == 96) {
                // Pixel for pixel, but for the server box's text: the computer's name.
                ASSERT_EQ(shot.Width(), reference.Width());
                ASSERT_EQ(shot.Height(), reference.Height());
                RECT hostName{};
                if (page == 1) {
                    hostName = w.InClient("servidor");
                    ::InflateRect(&hostName, -2, -2);
                }
                int differing = 0;
                for (int y = 0; y < shot.Height(); ++y)
                    for (int x = 0; x < shot.Width(); ++x) {
                        const POINT p{x, y};
                        if (::PtInRect(&hostName, p)) continue;
                        if ((shot.At(x, y) & 0xFFFFFF) != (reference.At(x, y) & 0xFFFFFF) && ++differing <= 5)
                            ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << std::hex << shot.At(x, y)
                                          << ", was " << reference.At(x, y);
                    }
                EXPECT_EQ(differing, 0) << "pixels of page " << page << " differ from the picture of before";
                return;
            }

            // The gradient down the left edge, clear of every control, is the design's stretched
            // over the scaled height: the same grey at the same share of the height. (The panel's
            // last row is left to the window's own colour, a line at any DPI.)
            const int x = s.Edge(5), xReference = 5;
            for (int y = 0; y + 1 < shot.Height(); ++y) {
                const int yReference = std::min(reference.Height() - 2, static_cast<int>(y / k));
                ASSERT_NEAR(Grey(shot.At(x, y)), Grey(reference.At(xReference, yReference)), 4)
                    << "the background at row " << y << " of " << shot.Height();
            }

            // The glass buttons: below the shine the body is the background beside it at half
            // strength, the shine lighter above, the caption white (grey on the disabled one),
            // each at its scaled place.
            for (const char* button : {"Anterior", "Seguinte", "btCancel"}) {
                const RECT r = w.InClient(button);
                EXPECT_EQ(r.bottom - r.top, s.Extent(311, 29)) << button;
                const int body = r.top + s.Length(23), shine = r.top + s.Length(5);
                const int beside = Grey(shot.At(r.left - s.Length(3), body));
                EXPECT_NEAR(Grey(shot.At(r.left + s.Length(8), body)), beside * 128 / 255, 6) << button;
                EXPECT_NEAR(Grey(shot.At(r.right - s.Length(9), body)), beside * 128 / 255, 6) << button;
                EXPECT_GT(Grey(shot.At(r.left + s.Length(8), shine)), Grey(shot.At(r.left + s.Length(8), body)) + 30)
                    << button << ": the shine";
                int lightest = 0;
                for (int y = r.top + s.Length(12); y < r.top + s.Length(22); ++y)
                    for (int cx = r.left + s.Length(10); cx < r.right - s.Length(10); ++cx)
                        lightest = std::max(lightest, Grey(shot.At(cx, y)));
                if (std::string(button) == "Anterior") {
                    EXPECT_NEAR(lightest, 0x80, 16) << "the disabled << Anterior";
                } else {
                    EXPECT_GT(lightest, 215) << button << "'s caption";
                }
            }

            if (page == 0) {
                // The text is taller by the screen's scale: the first line of the page's heading,
                // measured on the screen, against the same line in the picture at 96 DPI (the
                // label's design place: the page control at 222,44, the page at 4,6, the label
                // at 3,10, 311 x 39).
                const int atDesign = FirstLineInkHeight(reference, RECT{229, 60, 229 + 311, 60 + 39});
                const int now = FirstLineInkHeight(shot, w.InClient("Label1"));
                ASSERT_GT(atDesign, 8);
                EXPECT_NEAR(now, atDesign * k, 2.0) << "the heading's first line is " << now << " pixels high, "
                                                    << atDesign << " at 96 DPI";
                std::printf("heading's first line at %d DPI: %d pixels high (%d at 96 DPI, x%.2f)\n", dpi, now,
                            atDesign, static_cast<double>(now) / atDesign);
            }
            if (page == 3) {
                // The bar's block in its blue level colours, as much larger as the screen's scale
                // makes it in both directions.
                auto blue = [](const gui::Image& image, const RECT& area) {
                    int count = 0;
                    for (int y = area.top; y < area.bottom; ++y)
                        for (int bx = area.left; bx < area.right; ++bx) {
                            const std::uint32_t c = image.At(bx, y);
                            count += (c & 0xFF) >= 240 && ((c >> 16) & 0xFF) <= 150 && ((c >> 8) & 0xFF) >= 130 &&
                                     ((c >> 8) & 0xFF) <= 205;
                        }
                    return count;
                };
                const int atDesign = blue(reference, RECT{222, 44, 563, 305});
                const int now = blue(shot, w.InClient("AdvPageControl1"));
                EXPECT_NEAR(now, atDesign * k * k, atDesign * k * k * 0.25)
                    << "blue pixels of the bar's block: " << now << ", " << atDesign << " at 96 DPI";
            }
        });
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool child = ExpectedDpi() > 0;
    if (child) {
        if (UnderWine() && ::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0) {
            std::printf("no DISPLAY: the window needs an X display (scripts/test.sh starts an Xvfb)\n");
            return 1;
        }
        RegisterChecks();
    }
    testing::InitGoogleTest(&argc, argv);
    if (!child) return RUN_ALL_TESTS();
    Window window;
    g_window = &window;
    const int result = RUN_ALL_TESTS();
    g_window = nullptr;
    return result;
}
