// The progress bar painted by GDI into a bitmap, as the wizard's window description sets it up,
// and its animation timer running through the message loop. Pixels are compared with a
// tolerance: the platform's GDI is not ours to pin down to the last bit.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "controls/win/AdvProgressBar.h"
#include "framework/Description.h"
#include "framework/win/Gdi.h"

namespace {

using ctl::TAdvProgressBar;

struct Rgb {
    int r, g, b;
};

// The window description of the wizard's progress page bar.
constexpr char kWizardBar[] = R"(object Root: TTestRoot
  object DBProgress: TAdvProgressBar
    Width = 327
    Height = 18
    Font.Name = "Verdana"
    Font.Height = -13
    Infinite = true
    Level0Color = 16747287
    Level0ColorTo = 16762250
    Level1Color = 16747287
    Level1ColorTo = 16762250
    Level2Color = 16747287
    Level2ColorTo = 16762250
    Level3Color = 16747287
    Level3ColorTo = 16762250
    Position = 0
    ShowPercentage = false
    ShowPosition = false
    Stacked = true
    Version = "1.2.0.2"
  end
end
)";

class TestRoot : public fw::Component {
public:
    const fw::ClassInfo& Class() const override {
        static const fw::ClassInfo info{"TTestRoot", nullptr, {}};
        return info;
    }
};

// A bitmap standing for the parent window, in a dark colour of its own, and a bar painted into
// it at an offset as the parent does (clip and origin moved to the bar).
class Canvas {
public:
    Canvas(int width, int height) : bitmap_(nullptr, width, height) {
        const RECT all{0, 0, width, height};
        ::SetDCBrushColor(bitmap_.Dc(), RGB(kParent.r, kParent.g, kParent.b));
        ::FillRect(bitmap_.Dc(), &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    }
    void PaintAt(TAdvProgressBar& bar, int x, int y) {
        fw::ScopedSaveDc saved(bitmap_.Dc());
        ::IntersectClipRect(bitmap_.Dc(), x, y, x + bar.Width(), y + bar.Height());
        ::SetWindowOrgEx(bitmap_.Dc(), -x, -y, nullptr);
        bar.Paint(bitmap_.Dc());
        ::GdiFlush();
    }
    Rgb At(int x, int y) const {
        const std::uint32_t p = bitmap_.Pixels()[y * bitmap_.Width() + x];
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
    }
    static constexpr Rgb kParent{30, 60, 90};

private:
    fw::OffscreenBitmap bitmap_;
};

::testing::AssertionResult Near(const char* where, Rgb actual, Rgb expected, int tolerance) {
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << where << ": got (" << actual.r << "," << actual.g << "," << actual.b
                                         << "), expected (" << expected.r << "," << expected.g << "," << expected.b
                                         << ") within " << tolerance;
}

class WizardBar : public ::testing::Test {
protected:
    void SetUp() override {
        ctl::RegisterProgressBarClass(registry);
        fw::ApplyDescription(fw::ParseDescription(kWizardBar, "bar.txt"), root, registry, "bar.txt");
        bar = dynamic_cast<TAdvProgressBar*>(root.FindComponent("DBProgress"));
        ASSERT_NE(bar, nullptr);
    }
    fw::ClassRegistry registry;
    TestRoot root;
    TAdvProgressBar* bar = nullptr;
};

// Still infinite bar at (3, 5) of its parent: transparent rounded corners, grey frame, the block
// at the start with light long edges and a strong middle, white everywhere else.
TEST_F(WizardBar, PaintsCornersFrameBlockAndBackground) {
    Canvas canvas(340, 30);
    canvas.PaintAt(*bar, 3, 5);
    constexpr Rgb kParent = Canvas::kParent, kFrame{128, 128, 128}, kWhite{255, 255, 255};
    const struct {
        const char* where;
        int x, y;  // in the bar
        Rgb expected;
        int tolerance;
    } pixels[] = {
        {"corner top-left", 0, 0, kParent, 0},     {"corner top-right", 326, 0, kParent, 0},
        {"corner bottom-left", 0, 17, kParent, 0}, {"corner bottom-right", 326, 17, kParent, 0},
        {"left of the bar", -1, 9, kParent, 0},    {"frame top", 150, 0, kFrame, 6},
        {"frame bottom", 150, 17, kFrame, 6},      {"frame left", 0, 9, kFrame, 6},
        {"frame right", 326, 9, kFrame, 6},        {"block middle", 6, 9, {23, 139, 255}, 6},
        {"block upper edge", 6, 1, {138, 197, 255}, 6}, {"block lower edge", 6, 16, {124, 190, 255}, 6},
        {"gap before the block", 1, 9, kWhite, 6}, {"after the block", 12, 9, kWhite, 6},
        {"after the block, upper row", 200, 1, kWhite, 6}, {"after the block, lower row", 200, 16, kWhite, 6},
    };
    for (const auto& p : pixels) EXPECT_TRUE(Near(p.where, canvas.At(3 + p.x, 5 + p.y), p.expected, p.tolerance));
    EXPECT_EQ(bar->Perform(WM_ERASEBKGND, 0, 0), std::optional<LRESULT>(0));  // nothing erased first
}

// Ticks arrive through the message loop while Animated is true, and stop with it.
TEST_F(WizardBar, TimerStepsTheBlockThroughTheMessageLoop) {
    auto pump = [&](DWORD milliseconds, int untilPos) {
        for (const DWORD end = ::GetTickCount() + milliseconds; ::GetTickCount() < end && bar->Model().InfinitePos() < untilPos;) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    };
    bar->Model().SetInfiniteInterval(10);
    bar->SetAnimated(true);
    ASSERT_TRUE(bar->TimerRunning());
    pump(2000, 8);
    EXPECT_GE(bar->Model().InfinitePos(), 8);
    bar->SetAnimated(false);
    const int stopped = bar->Model().InfinitePos();
    pump(100, 1000);
    EXPECT_EQ(bar->Model().InfinitePos(), stopped);
}

// The dark pixels of a painted bar (its text; the default fill is green and light) and their
// bounding box.
struct Ink {
    int count = 0;
    int left = 10000, top = 10000, right = -1, bottom = -1;
};
Ink DarkPixels(const Canvas& canvas, int width, int height) {
    Ink ink;
    // Three pixels in from the edges: the parent shows through the rounded corners.
    for (int y = 3; y < height - 3; ++y) {
        for (int x = 3; x < width - 3; ++x) {
            const Rgb p = canvas.At(x, y);
            if (std::max({p.r, p.g, p.b}) < 110) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

TEST(ProgressBarPaint, TextCentredAndTurnedOnVerticalBars) {
    struct Case {
        const char* name;
        const char* face;
        bool vertical;
    } cases[] = {
        {"Verdana", "Verdana", false},
        {"missing face falls back", "No Such Face Anywhere", false},
        {"vertical", "Verdana", true},
    };
    for (const auto& c : cases) {
        TAdvProgressBar bar;
        bar.Font().SetName(c.face);
        const int width = c.vertical ? 24 : 128;
        const int height = c.vertical ? 128 : 24;
        bar.SetBounds(0, 0, width, height);
        if (c.vertical) bar.Model().SetOrientation(ctl::TGaugeOrientation::goVertical);
        Canvas canvas(width, height);
        canvas.PaintAt(bar, 0, 0);
        const Ink ink = DarkPixels(canvas, width, height);
        ASSERT_GT(ink.count, 15) << c.name << ": no text drawn";
        const int inkWidth = ink.right - ink.left + 1;
        const int inkHeight = ink.bottom - ink.top + 1;
        if (c.vertical) {
            EXPECT_GT(inkHeight, inkWidth) << c.name << ": text not turned";
        } else {
            EXPECT_GT(inkWidth, inkHeight) << c.name;
        }
        EXPECT_NEAR((ink.left + ink.right) / 2.0, width / 2.0, 3.0) << c.name;
        EXPECT_NEAR((ink.top + ink.bottom) / 2.0, height / 2.0, 3.0) << c.name;
    }
    EXPECT_EQ(ctl::ProgressBarPainter::AvailableFace("Verdana"), L"Verdana");
    const std::wstring fallback = ctl::ProgressBarPainter::AvailableFace("No Such Face Anywhere");
    EXPECT_TRUE(fallback == L"Arial" || fallback == L"Tahoma");
}

}  // namespace
