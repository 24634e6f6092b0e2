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
    Left = 3
    Top = 104
    Width = 327
    Height = 18
    Font.Name = "Verdana"
    Font.Height = -13
    Infinite = true
    Level0Color = 16747287
    Level0ColorTo = 16762250
    Level1Color = 16747287
    Level1ColorTo = 16762250
    Level1Perc = 70
    Level2Color = 16747287
    Level2ColorTo = 16762250
    Level2Perc = 90
    Level3Color = 16747287
    Level3ColorTo = 16762250
    Position = 0
    ShowBorder = true
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

::testing::AssertionResult Near(const char* where, Rgb actual, Rgb expected, int tolerance = 6) {
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << where << ": got (" << actual.r << "," << actual.g << "," << actual.b
                                         << "), expected (" << expected.r << "," << expected.g << ","
                                         << expected.b << ") within " << tolerance;
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

constexpr Rgb kFrame{128, 128, 128};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlue{23, 139, 255};
constexpr Rgb kLightBlue{138, 197, 255};

TEST_F(WizardBar, DescriptionSetsEveryValue) {
    const auto& m = bar->Model();
    EXPECT_TRUE(m.Infinite());
    EXPECT_TRUE(m.Stacked());
    EXPECT_FALSE(m.ShowPosition());
    EXPECT_EQ(m.Position(), 0);
    for (int level = 0; level < 4; ++level) {
        EXPECT_EQ(m.LevelColor(level), 16747287u) << level;
        EXPECT_EQ(m.LevelColorTo(level), 16762250u) << level;
    }
    EXPECT_EQ(bar->Width(), 327);
    EXPECT_EQ(bar->Font().Name(), "Verdana");
    EXPECT_EQ(bar->Font().Size(), 10);
    EXPECT_FALSE(bar->TimerRunning());  // Animated stays false until the wizard works
    EXPECT_EQ(TAdvProgressBar::Version(), "1.2.0.2");
}

// Still infinite bar: transparent rounded corners, grey frame, the block at the start with light
// long edges and a strong middle, white everywhere else.
TEST_F(WizardBar, PaintsCornersFrameBlockAndBackground) {
    Canvas canvas(340, 30);
    canvas.PaintAt(*bar, 3, 5);
    auto at = [&](int x, int y) { return canvas.At(3 + x, 5 + y); };
    EXPECT_TRUE(Near("corner top-left", at(0, 0), Canvas::kParent, 0));
    EXPECT_TRUE(Near("corner top-right", at(326, 0), Canvas::kParent, 0));
    EXPECT_TRUE(Near("corner bottom-left", at(0, 17), Canvas::kParent, 0));
    EXPECT_TRUE(Near("corner bottom-right", at(326, 17), Canvas::kParent, 0));
    EXPECT_TRUE(Near("outside the bar", canvas.At(2, 14), Canvas::kParent, 0));
    EXPECT_TRUE(Near("frame top", at(150, 0), kFrame));
    EXPECT_TRUE(Near("frame bottom", at(150, 17), kFrame));
    EXPECT_TRUE(Near("frame left", at(0, 9), kFrame));
    EXPECT_TRUE(Near("frame right", at(326, 9), kFrame));
    EXPECT_TRUE(Near("block middle", at(6, 9), kBlue));
    EXPECT_TRUE(Near("block upper edge", at(6, 1), kLightBlue));
    EXPECT_TRUE(Near("block lower edge", at(6, 16), Rgb{124, 190, 255}));
    EXPECT_TRUE(Near("gap before the block", at(1, 9), kWhite));
    EXPECT_TRUE(Near("after the block", at(12, 9), kWhite));
    EXPECT_TRUE(Near("after the block, upper row", at(200, 1), kWhite));
    EXPECT_TRUE(Near("after the block, lower row", at(200, 16), kWhite));
}

TEST_F(WizardBar, BlockStandsAtTheEndAfterASweep) {
    for (int tick = 0; tick < 26; ++tick) bar->Model().Step();  // no parent: nothing painted meanwhile
    Canvas canvas(327, 18);
    canvas.PaintAt(*bar, 0, 0);
    EXPECT_TRUE(Near("start", canvas.At(6, 9), kWhite));
    EXPECT_TRUE(Near("before the block", canvas.At(312, 9), kWhite));
    EXPECT_TRUE(Near("block", canvas.At(313, 9), kBlue));
    EXPECT_TRUE(Near("block at the end", canvas.At(324, 9), kBlue));
}

TEST_F(WizardBar, TimerStepsTheBlockThroughTheMessageLoop) {
    bar->Model().SetInfiniteInterval(10);
    bar->SetAnimated(true);
    ASSERT_TRUE(bar->TimerRunning());
    EXPECT_EQ(bar->TimerInterval(), 10u);
    const DWORD until = ::GetTickCount() + 2000;
    while (bar->Model().InfinitePos() < 8 && ::GetTickCount() < until) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    EXPECT_GE(bar->Model().InfinitePos(), 8);
    bar->SetAnimated(false);
    EXPECT_FALSE(bar->TimerRunning());
    const int stopped = bar->Model().InfinitePos();
    const DWORD later = ::GetTickCount() + 100;
    while (::GetTickCount() < later) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::Sleep(10);
    }
    EXPECT_EQ(bar->Model().InfinitePos(), stopped);
}

TEST(ProgressBarPaint, AnswersEraseBackgroundWithZero) {
    TAdvProgressBar bar;
    EXPECT_EQ(bar.Perform(WM_ERASEBKGND, 0, 0), std::optional<LRESULT>(0));
    EXPECT_FALSE(bar.Perform(WM_MOUSEMOVE, 0, 0).has_value());
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
}

TEST(ProgressBarPaint, MissingFaceFallsBackToAnInstalledOne) {
    EXPECT_EQ(ctl::ProgressBarPainter::AvailableFace("Verdana"), L"Verdana");
    const std::wstring fallback = ctl::ProgressBarPainter::AvailableFace("No Such Face Anywhere");
    EXPECT_TRUE(fallback == L"Arial" || fallback == L"Tahoma");
}

}  // namespace
