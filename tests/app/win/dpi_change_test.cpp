// The real window when its screen's DPI changes while it is shown (it moved to another monitor, or
// the monitor's scale changed). Wine never sends WM_DPICHANGED (every monitor has the one system
// DPI), so the test sends it from inside the process, as the platform would: the new DPI in
// wParam, the suggested window rectangle in lParam. Checked: the window takes the suggested
// rectangle and every control its design place, size and font scaled to the new DPI; back at 96
// DPI the window is what it was, to the pixel; changes back and forth leave no GDI or USER object
// behind.
//
// Needs an X display under Wine (DISPLAY); it shows the window, so it is locked like the GUI tests.

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "app/Main.h"
#include "driver/Driver.h"
#include "framework/Scaling.h"
#include "framework/win/Application.h"
#include "framework/win/StdCtrls.h"
#include "support/InputEvents.h"
#include "support/ResourceCounts.h"
#include "support/ShownWindow.h"

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace {

namespace fs = std::filesystem;

bool UnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

fw::Application& App() {
    static fw::Application application;
    return application;
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Where a control is, in its parent's client coordinates, and its font's height.
struct Placed {
    RECT rect{};
    int fontHeight = 0;
    const fw::TControl* control = nullptr;
};

RECT ClientOnScreen(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Every control of the window by name, as the screen has it.
std::map<std::string, Placed> Layout(const app::TfrmMain& form) {
    std::map<std::string, Placed> out;
    for (const auto& component : form.Components()) {
        const auto* control = dynamic_cast<const fw::TControl*>(component.get());
        if (!control || !control->Parent()) continue;
        Placed p;
        p.control = control;
        p.fontHeight = control->Font().Height();
        const auto* windowed = dynamic_cast<const fw::TWinControl*>(control);
        if (windowed && windowed->HandleAllocated()) {
            ::GetWindowRect(windowed->Handle(), &p.rect);
            ::MapWindowPoints(nullptr, control->Parent()->Handle(), reinterpret_cast<POINT*>(&p.rect), 2);
        } else {
            p.rect = control->BoundsRect();
        }
        out[control->Name()] = p;
    }
    return out;
}

class DpiChange : public testing::Test {
protected:
    void SetUp() override {
        if (UnderWine() && ::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0)
            GTEST_FAIL() << "no DISPLAY: the window needs an X display (scripts/test.sh starts an Xvfb)";
        App();
        form_.LoadDescription();
        testsupport::ShowClearOfThePointer(App(), form_);
        Pump();
        ASSERT_EQ(form_.PixelsPerInch(), 96) << "the test starts from a screen at 96 DPI";
    }
    void TearDown() override { App().SetMainForm(nullptr); }

    // What the platform does when the window's screen changes to `dpi`: the suggested rectangle is
    // the window's, moved by (dx, dy) and scaled about its corner.
    RECT Suggested(int dpi, int dx, int dy) const {
        RECT now{};
        ::GetWindowRect(form_.Handle(), &now);
        const int w = now.right - now.left, h = now.bottom - now.top;
        const int fromDpi = form_.PixelsPerInch();
        const int left = now.left + dx, top = now.top + dy;
        return {left, top, left + ::MulDiv(w, dpi, fromDpi), top + ::MulDiv(h, dpi, fromDpi)};
    }

    void ChangeDpi(int dpi, const RECT& suggested) {
        ::SendMessageW(form_.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        ::RedrawWindow(form_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
    }

    app::TfrmMain form_;
};

// One edge of the design scaled: a label that sizes itself to its caption keeps only the edge its
// alignment holds (and its top); everything else keeps all four edges.
void ExpectScaled(const std::string& name, const Placed& design, const Placed& now, int dpi) {
    const fw::DpiScale s(dpi);
    const RECT& d = design.rect;
    const RECT& n = now.rect;
    const auto* label = dynamic_cast<const fw::TLabel*>(now.control);
    EXPECT_EQ(n.top, s.Edge(d.top)) << name;
    if (label && label->AutoSize()) {
        if (label->Alignment() == fw::TAlignment::taRightJustify) {
            EXPECT_EQ(n.right, s.Edge(d.right)) << name << " (right-aligned, sized to its caption)";
        } else {
            EXPECT_EQ(n.left, s.Edge(d.left)) << name << " (sized to its caption)";
        }
    } else {
        EXPECT_EQ(n.left, s.Edge(d.left)) << name;
        EXPECT_EQ(n.right, s.Edge(d.right)) << name;
        EXPECT_EQ(n.bottom, s.Edge(d.bottom)) << name;
    }
    EXPECT_EQ(now.fontHeight, s.FontHeight(design.fontHeight)) << name << "'s font";
}

TEST_F(DpiChange, TheWindowTakesTheSuggestedRectangleAndEveryControlItsDesignScaled) {
    const auto design = Layout(form_);
    ASSERT_GT(design.size(), 40u);
    for (int dpi : {144, 120, 192}) {
        const RECT suggested = Suggested(dpi, 17, -9);
        ChangeDpi(dpi, suggested);
        RECT window{};
        ::GetWindowRect(form_.Handle(), &window);
        EXPECT_TRUE(::EqualRect(&window, &suggested)) << "at " << dpi << " DPI the window is where it was told to go";
        const fw::DpiScale s(dpi);
        EXPECT_EQ(form_.PixelsPerInch(), dpi);
        EXPECT_EQ(form_.ClientWidth(), s.Extent(0, 580));
        EXPECT_EQ(form_.ClientHeight(), s.Extent(0, 347));
        for (const auto& [name, now] : Layout(form_)) {
            SCOPED_TRACE(std::to_string(dpi) + " DPI");
            ExpectScaled(name, design.at(name), now, dpi);
            EXPECT_EQ(now.control->PixelsPerInch(), dpi) << name;
        }
    }
}

TEST_F(DpiChange, BackAtItsFirstDpiTheWindowIsWhatItWasToThePixel) {
    RECT first{};
    ::GetWindowRect(form_.Handle(), &first);
    const auto before = Layout(form_);
    ChangeDpi(144, Suggested(144, 40, 30));
    ChangeDpi(192, Suggested(192, -40, -30));
    ChangeDpi(96, first);

    RECT window{};
    ::GetWindowRect(form_.Handle(), &window);
    EXPECT_TRUE(::EqualRect(&window, &first));
    for (const auto& [name, now] : Layout(form_)) {
        const Placed& was = before.at(name);
        EXPECT_TRUE(::EqualRect(&now.rect, &was.rect)) << name;
        EXPECT_EQ(now.fontHeight, was.fontHeight) << name;
    }
    // What the screen shows: the first page as drawn before any DPI awareness (the picture the
    // page screenshots keep), once the screen has settled.
    const gui::Image reference = gui::Image::LoadPng(fs::path(WIZARD_REFERENCE_DIR) / "page0-96dpi.png");
    gui::Image shot;
    int differing = -1;
    for (int attempt = 0; attempt < 50 && differing != 0; ++attempt) {
        Pump();
        ::Sleep(40);
        shot = gui::CaptureScreen(ClientOnScreen(form_.Handle()));
        ASSERT_EQ(shot.Width(), reference.Width());
        ASSERT_EQ(shot.Height(), reference.Height());
        differing = 0;
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = 0; x < shot.Width(); ++x) differing += (shot.At(x, y) & 0xFFFFFF) != (reference.At(x, y) & 0xFFFFFF);
    }
    EXPECT_EQ(differing, 0) << "pixels of the first page differ from the 96-DPI reference";
}

TEST_F(DpiChange, AtTheNewDpiTheWindowAsksForTheFrameAroundItsScaledClientArea) {
    for (int dpi : {120, 144, 192}) {
        SIZE size{};
        EXPECT_TRUE(::SendMessageW(form_.Handle(), WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size)));
        // The frame at that DPI, as the platform counts it.
        using Adjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
        const auto adjust = reinterpret_cast<Adjust>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
        ASSERT_NE(adjust, nullptr);
        const fw::DpiScale s(dpi);
        RECT outer{0, 0, s.Extent(0, 580), s.Extent(0, 347)};
        adjust(&outer, static_cast<DWORD>(::GetWindowLongPtrW(form_.Handle(), GWL_STYLE)), FALSE,
               static_cast<DWORD>(::GetWindowLongPtrW(form_.Handle(), GWL_EXSTYLE)), static_cast<UINT>(dpi));
        EXPECT_EQ(size.cx, outer.right - outer.left) << dpi << " DPI";
        EXPECT_EQ(size.cy, outer.bottom - outer.top) << dpi << " DPI";
    }
}

// Each change rebuilds the fonts, the panel's cached face and the controls' windows' places, and
// paints everything at the new size. The counts are exact: an object left behind by a change shows
// twenty times over after ten round trips (a hundred made this a soak of half a minute).
TEST_F(DpiChange, ChangesBackAndForthLeaveNoGdiOrUserObjectBehind) {
    RECT first{};
    ::GetWindowRect(form_.Handle(), &first);
    auto cycle = [&] {
        ChangeDpi(144, Suggested(144, 0, 0));
        ChangeDpi(96, first);
    };
    cycle();  // whatever is made once and kept (a font of the platform's, a cache) is made now
    const testsupport::Counts before = testsupport::Measure();
    constexpr int kRoundTrips = 10;
    for (int i = 0; i < kRoundTrips; ++i) cycle();
    const testsupport::Counts after = testsupport::Measure();
    EXPECT_EQ(after.gdi, before.gdi) << "GDI objects; before: " << before.gdiKinds << " after: " << after.gdiKinds;
    EXPECT_EQ(after.user, before.user) << "USER objects";
    std::printf("GDI objects %lu -> %lu, USER objects %lu -> %lu, handles %lu -> %lu over %d changes\n",
                static_cast<unsigned long>(before.gdi), static_cast<unsigned long>(after.gdi),
                static_cast<unsigned long>(before.user), static_cast<unsigned long>(after.user),
                static_cast<unsigned long>(before.handles), static_cast<unsigned long>(after.handles), 2 * kRoundTrips);
}

}  // namespace
