// Every page of the real window as the screen shows it: the window is loaded from its description
// in this process, shown, switched to each page and read back from the screen. Each picture is
// kept as <build>/screenshots/page<i>.png for people to look at; the test checks the pixels the
// page control fixes around the page: the dark strip above the frame, the grey outline, the band
// and the page's own margin in the page's colour, and no tab anywhere.
//
// Needs an X display under Wine (DISPLAY), and the window must not be covered while it runs: the
// program is labelled and locked like the GUI tests.

#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Main.h"
#include "framework/Colour.h"
#include "framework/win/Application.h"
#include "support/InputEvents.h"
#include "support/ShownWindow.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fw::Application& App() {
    static fw::Application application;  // also starts GDI+, which the PNG encoder needs
    return application;
}

bool UnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Pixels of a screen area as COLORREF values (0x00BBGGRR), row by row.
struct Shot {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const Shot&) const = default;
};

// How many pixels of two captures of one area differ (every pixel when the areas differ).
std::size_t DifferingPixels(const Shot& a, const Shot& b) {
    if (a.width != b.width || a.height != b.height) return std::max(a.pixels.size(), b.pixels.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) differing += a.pixels[i] != b.pixels[i];
    return differing;
}

Shot CaptureScreen(const RECT& area) {
    Shot shot;
    shot.width = area.right - area.left;
    shot.height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const bool copied =
        ::BitBlt(memory, 0, 0, shot.width, shot.height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT) != 0;
    ::GdiFlush();
    if (copied) {
        const auto* source = static_cast<const std::uint32_t*>(bits);  // 0x00RRGGBB
        shot.pixels.reserve(static_cast<std::size_t>(shot.width) * shot.height);
        for (int i = 0; i < shot.width * shot.height; ++i)
            shot.pixels.push_back(RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF));
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (!copied) throw std::runtime_error("BitBlt from the screen failed");
    return shot;
}

void SavePng(const Shot& shot, const fs::path& file) {
    std::vector<std::uint32_t> argb;
    argb.reserve(shot.pixels.size());
    for (COLORREF c : shot.pixels)
        argb.push_back(0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    Gdiplus::Bitmap bitmap(shot.width, shot.height, shot.width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(argb.data()));
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<std::uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            if (bitmap.Save(file.wstring().c_str(), &codecs[i].Clsid, nullptr) != Gdiplus::Ok)
                throw std::runtime_error("cannot save " + file.string());
            return;
        }
    }
    throw std::runtime_error("no PNG encoder");
}

// Runs the loop until no message is left, then lets the thread go idle once (the platform then
// pushes what was painted to the screen).
void PumpUntilIdle() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
}

struct PageLook {
    int index;
    const char* sheet;
    fw::TColor colour;  // the page's colour as the description gives it
};

void PrintTo(const PageLook& look, std::ostream* out) { *out << look.sheet; }

const PageLook kPages[] = {
    {0, "AdvTabSheet1", fw::clBtnFace},   // product page
    {1, "AdvTabSheet5", 16053492},        // server page: R 244, G 244, B 244
    {2, "AdvTabSheet6", 16053492},        // review page
    {3, "AdvTabSheet7", 16053492},        // progress page
    {4, "AdvTabSheet8", 16053492},        // final page
};

constexpr COLORREF kStrip = RGB(25, 25, 25);
constexpr COLORREF kOutline = RGB(128, 128, 128);

// Which pixels of the page control's client area (W x H) must have which colour with no tab
// showing: rows 0-1 the strip; the outline from (0, 2) to (W-1, H-1); inside it the band of 3
// pixels on every side, and the page's own first 3 pixels at the top, right and bottom, where no
// control of any page lies, all in the page's colour. (The page's left margin is not fixed: the
// right-aligned labels that size themselves to their text grow into it, and past the page's edge,
// when the font is wider than the design's, as Wine's stand-in for Tahoma is.)
COLORREF Expected(int x, int y, int w, int h, COLORREF page, bool* checked) {
    *checked = true;
    if (y <= 1) return kStrip;
    if (y == 2 || x == 0 || x == w - 1 || y == h - 1) return kOutline;
    const bool inner = x >= 4 && x <= w - 8 && y >= 9 && y <= h - 6;
    if (!inner) return page;
    *checked = false;
    return 0;
}

class PageScreenshot : public testing::TestWithParam<PageLook> {
protected:
    void SetUp() override {
        if (UnderWine() && ::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0)
            GTEST_FAIL() << "no DISPLAY: the screenshots need an X display (scripts/test.sh starts an Xvfb)";
        App();
        form_.LoadDescription();
        testsupport::ShowClearOfThePointer(App(), form_);
        pages_ = dynamic_cast<ctl::TAdvPageControl*>(form_.FindComponent("AdvPageControl1"));
        ASSERT_NE(pages_, nullptr);
        PumpUntilIdle();
    }
    void TearDown() override { App().SetMainForm(nullptr); }

    RECT ClientOnScreen(HWND window) const {
        RECT r{};
        ::GetClientRect(window, &r);
        ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    // The window's client area once the screen shows a settled picture: two captures in a row,
    // each after the loop went idle, are equal, and (when asked) differ from an earlier picture.
    // When the screen does not settle within 10 s, the test fails and the last capture is returned.
    Shot SettledCapture(const Shot* before) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        Shot last = CaptureScreen(ClientOnScreen(form_.Handle()));
        for (;;) {
            PumpUntilIdle();
            Shot now = CaptureScreen(ClientOnScreen(form_.Handle()));
            const bool stillBefore = before && now == *before;
            if (now == last && !stillBefore) return now;
            if (Clock::now() > deadline) {
                ADD_FAILURE() << "the screen did not settle on the new page within 10 s: the last capture "
                              << (stillBefore ? "still showed the earlier picture"
                                              : "differed from the one before it in " +
                                                    std::to_string(DifferingPixels(now, last)) + " pixels");
                return now;
            }
            last = std::move(now);
        }
    }

    app::TfrmMain form_;
    ctl::TAdvPageControl* pages_ = nullptr;
};

TEST_P(PageScreenshot, PageFrameStripAndColoursAsDrawnOnTheScreen) {
    const PageLook& look = GetParam();
    const Shot first = SettledCapture(nullptr);  // the product page, as the window first shows
    pages_->SelectPage(look.index);
    ::RedrawWindow(form_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const Shot shot = look.index == 0 ? SettledCapture(nullptr) : SettledCapture(&first);

    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const fs::path out = fs::path(exe).parent_path().parent_path() / "screenshots";
    fs::create_directories(out);
    SavePng(shot, out / ("page" + std::to_string(look.index) + ".png"));

    // Only this page shows, and the control has no tab.
    EXPECT_EQ(pages_->ActivePageIndex(), look.index);
    for (int i = 0; i < pages_->PageCount(); ++i)
        EXPECT_EQ(::IsWindowVisible(pages_->Page(i)->Handle()) != 0, i == look.index) << pages_->Page(i)->Name();
    EXPECT_EQ(pages_->Page(look.index)->Name(), look.sheet);
    EXPECT_EQ(TabCtrl_GetItemCount(pages_->Handle()), 0);

    // The control's client area within the shot.
    RECT control = ClientOnScreen(pages_->Handle());
    const RECT window = ClientOnScreen(form_.Handle());
    ::OffsetRect(&control, -window.left, -window.top);
    const int w = control.right - control.left, h = control.bottom - control.top;
    ASSERT_EQ(w, 341);
    ASSERT_EQ(h, 261);
    const COLORREF page = fw::ColorToRGB(look.colour) & 0xFFFFFF;

    // Every fixed pixel; the first few that differ are named.
    int wrong = 0, checked = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool fixed = false;
            const COLORREF want = Expected(x, y, w, h, page, &fixed);
            if (!fixed) continue;
            ++checked;
            const COLORREF got = shot.At(control.left + x, control.top + y);
            if (got != want && ++wrong <= 8)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") of the page control is " << std::hex << got
                              << ", not " << want;
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << checked << " fixed pixels";
    // The page itself, beyond the checked margin, is mostly its own colour (controls lie on it).
    int pageColoured = 0;
    for (int y = 9; y <= h - 6; ++y)
        for (int x = 7; x <= w - 8; ++x) pageColoured += shot.At(control.left + x, control.top + y) == page;
    EXPECT_GT(pageColoured, (w - 14) * (h - 14) / 3);
}

// The window's look on every page: the background's one vertical gradient, the glass buttons'
// half-transparent bodies over it, the grey caption of the disabled "<< Anterior", and the
// progress bar's blue level colours on the progress page only.
TEST_P(PageScreenshot, GradientGlassButtonsAndBarAsDesigned) {
    const PageLook& look = GetParam();
    const Shot first = SettledCapture(nullptr);
    pages_->SelectPage(look.index);
    ::RedrawWindow(form_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const Shot shot = look.index == 0 ? SettledCapture(nullptr) : SettledCapture(&first);
    auto grey = [&](int x, int y) { return static_cast<int>(GetGValue(shot.At(x, y))); };

    // Opaque black at the top, lighter all the way down the left edge.
    EXPECT_LE(grey(5, 3), 8);
    int previous = -1;
    for (int y : {20, 100, 200, 300, 343}) {
        EXPECT_GT(grey(5, y), previous) << "y " << y;
        previous = grey(5, y);
    }
    EXPECT_NEAR(grey(5, 343), 107, 14) << "R 51 at alpha 178 over the button face";

    // Below the shine, each button's body is the background beside it at half strength.
    struct Button {
        const char* name;
        int left, top, width;
    } const buttons[] = {{"Anterior", 322, 311, 81}, {"Seguinte", 409, 311, 81}, {"btCancel", 504, 311, 73}};
    for (const Button& b : buttons) {
        const int beside = grey(b.left - 3, b.top + 23);
        EXPECT_NEAR(grey(b.left + 8, b.top + 23), beside * 128 / 255, 6) << b.name;
        EXPECT_NEAR(grey(b.left + b.width - 9, b.top + 23), beside * 128 / 255, 6) << b.name;
        EXPECT_GT(grey(b.left + 8, b.top + 5), grey(b.left + 8, b.top + 23) + 30) << b.name << ": the shine";
    }
    // The caption's lightest pixel: white on the enabled buttons, 0x808080 on the disabled one.
    auto lightest = [&](const Button& b) {
        int best = 0;
        for (int y = b.top + 15; y < b.top + 22; ++y)
            for (int x = b.left + 10; x < b.left + b.width - 10; ++x) best = std::max(best, grey(x, y));
        return best;
    };
    EXPECT_NEAR(lightest(buttons[0]), 0x80, 16) << "the disabled << Anterior";
    EXPECT_GT(lightest(buttons[1]), 215);
    EXPECT_GT(lightest(buttons[2]), 215);

    // The bar's level colours (R 23..138, G 139..197, B 255) show on the progress page alone.
    int blue = 0;
    for (int y = 44; y < 305; ++y)
        for (int x = 222; x < 563; ++x) {
            const COLORREF c = shot.At(x, y);
            blue += GetBValue(c) >= 240 && GetRValue(c) <= 150 && GetGValue(c) >= 130 && GetGValue(c) <= 205;
        }
    if (look.index == 3) {
        EXPECT_GT(blue, 40) << "the bar's block in its level colours";
    } else {
        EXPECT_EQ(blue, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, PageScreenshot, testing::ValuesIn(kPages),
                         [](const testing::TestParamInfo<PageLook>& info) {
                             return "Page" + std::to_string(info.param.index);
                         });

}  // namespace
