// The progress bar's picture as data: fill blocks, levels, zones, gradient bands, the infinite
// block and the text, checked on the instruction list and on a plain rasterisation of it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "controls/AdvProgressBarGeometry.h"

namespace {

using ctl::BarPart;
using ctl::BarRect;
using ctl::ProgressBarSnapshot;
constexpr auto kVertical = ctl::TGaugeOrientation::goVertical;

constexpr std::uint32_t Rgb(int r, int g, int b) { return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16; }
constexpr std::uint32_t kWhite = 0xFFFFFF, kBlue = Rgb(23, 139, 255), kLightBlue = Rgb(138, 197, 255);

ctl::BarSize Measure(std::string_view text) { return {7 * static_cast<int>(text.size()), 13}; }
ctl::ProgressBarDrawing Layout(const ProgressBarSnapshot& bar, int w, int h) {
    return ctl::LayoutProgressBar(bar, {0, 0, w, h}, &Measure);
}

// The drawing applied to a pixel grid; the frame as a square outline in its pen colour.
struct Raster {
    int width;
    std::vector<std::uint32_t> px;
    Raster(const ProgressBarSnapshot& bar, int w, int h) : width(w), px(static_cast<std::size_t>(w * h)) {
        for (const auto& in : Layout(bar, w, h).instructions) {
            const BarRect r = in.rect;
            Fill(r, in.part == BarPart::Frame ? in.pen : in.colour);
            if (in.part == BarPart::Frame) Fill({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, in.colour);
        }
    }
    void Fill(const BarRect& r, std::uint32_t c) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) px[static_cast<std::size_t>(y * width + x)] = c;
    }
    std::uint32_t At(int x, int y) const { return px[static_cast<std::size_t>(y * width + x)]; }
};

// The wizard's bar (327 x 18): every level blue with a lighter To colour, stacked, no text.
ProgressBarSnapshot WizardBar() {
    ProgressBarSnapshot bar;
    bar.infinite = bar.stacked = true;
    bar.showPercentage = bar.showPosition = false;
    bar.position = bar.percentage = 0;
    for (int level = 0; level < 4; ++level) bar.levelColor[level] = 16747287, bar.levelColorTo[level] = 16762250;
    return bar;
}

ProgressBarSnapshot PlainBar(int percentage, bool stacked = false, bool vertical = false) {
    ProgressBarSnapshot bar;
    bar.showGradient = bar.showPosition = false;
    bar.percentage = percentage;
    bar.stacked = stacked;
    if (vertical) bar.orientation = kVertical;
    return bar;
}

// Bars 102 long, so the fill length c is 100 and the fill in pixels equals the percentage.
// Spans are [left, right) of a horizontal bar, [top, bottom) of a vertical one.
TEST(ProgressBarGeometry, BlocksOfSevenPixelsOutsideTheStackedMode) {
    using Spans = std::vector<std::pair<int, int>>;
    struct Case {
        bool vertical;
        int length;
        Spans spans;
    } cases[] = {
        {false, 0, {}}, {false, 1, {}}, {false, 2, {{2, 3}}}, {false, 9, {{2, 10}}},  // one 8-pixel block
        {false, 10, {{2, 9}}}, {false, 11, {{2, 9}}},  // a rest of 2 leaves an empty block out
        {false, 13, {{2, 9}, {11, 13}}}, {false, 21, {{2, 9}, {11, 18}, {20, 21}}},
        {true, 9, {{92, 100}}}, {true, 13, {{93, 100}, {89, 91}}},
    };
    for (const auto& c : cases) {
        const auto d = c.vertical ? Layout(PlainBar(c.length, false, true), 18, 102) : Layout(PlainBar(c.length), 102, 18);
        Spans spans;
        for (const auto& p : d.fill) {
            spans.emplace_back(c.vertical ? p.rect.top : p.rect.left, c.vertical ? p.rect.bottom : p.rect.right);
            EXPECT_EQ(c.vertical ? p.rect.left : p.rect.top, 2) << c.length;
            EXPECT_EQ(c.vertical ? p.rect.right : p.rect.bottom, 16) << c.length;
        }
        EXPECT_EQ(spans, c.spans) << (c.vertical ? "vertical, " : "horizontal, ") << "fill length " << c.length;
    }
    auto smooth = PlainBar(50);
    smooth.completionSmooth = true;
    EXPECT_EQ(Layout(smooth, 102, 18).fill.at(0).rect, (BarRect{2, 2, 50, 16}));
    EXPECT_EQ(Layout(PlainBar(100), 102, 18).fill.size(), 11u);
}

// Level 3 colours only a non-stacked bar at 100 %; stacked bars show the levels one after another.
TEST(ProgressBarGeometry, LevelsByPercentage) {
    struct Case {
        bool stacked;
        int percentage;
        std::set<int> levels;
    } cases[] = {{false, 0, {}},  {false, 69, {0}}, {false, 70, {1}},  {false, 90, {2}}, {false, 99, {2}},
                 {false, 100, {3}}, {true, 70, {0}},  // level 1 begins empty
                 {true, 80, {0, 1}}, {true, 100, {0, 1, 2}}, {true, 150, {0, 1, 2}}};
    for (const auto& c : cases) {
        auto bar = PlainBar(c.percentage, c.stacked);
        bar.levelColor[3] = Rgb(1, 2, 3);
        const auto d = Layout(bar, 102, 18);
        std::set<int> levels;
        for (const auto& p : d.fill) levels.insert(p.level);
        EXPECT_EQ(levels, c.levels) << (c.stacked ? "stacked " : "") << c.percentage << "%";
        bool level3 = false;
        for (const auto& in : d.instructions) level3 |= in.colour == Rgb(1, 2, 3);
        EXPECT_EQ(level3, c.levels.count(3) == 1) << c.percentage << "%";
        if (!d.fill.empty()) {
            EXPECT_LE(d.fill.back().rect.right, 100) << "beyond the bar at " << c.percentage << "%";
        }
    }
}

// Stacked pieces and level zones share one layout: 70 %, 20 %, the rest; vertical ones grow
// upward, the third one pixel higher.
TEST(ProgressBarGeometry, StackedPiecesAndZones) {
    const std::vector<BarRect> horizontal = {{2, 1, 70, 17}, {70, 1, 90, 17}, {90, 1, 100, 17}};
    const std::vector<BarRect> vertical = {{1, 33, 17, 100}, {1, 13, 17, 33}, {1, 2, 17, 12}};
    for (bool v : {false, true}) {
        auto bar = PlainBar(100, true, v);
        bar.levelBkColor[0] = Rgb(255, 0, 0);
        bar.levelBkColor[2] = Rgb(0, 0, 255);  // zone 1 stays clNone: not drawn
        const auto d = v ? Layout(bar, 18, 102) : Layout(bar, 102, 18);
        const auto& expected = v ? vertical : horizontal;
        std::vector<BarRect> pieces, zones;
        for (const auto& p : d.fill) pieces.push_back(p.rect);
        for (const auto& in : d.instructions)
            if (in.part == BarPart::Zone) zones.push_back(in.rect);
        EXPECT_EQ(pieces, expected) << (v ? "vertical" : "horizontal");
        EXPECT_EQ(zones, (std::vector<BarRect>{expected[0], expected[2]})) << (v ? "vertical" : "horizontal");
    }
    EXPECT_EQ(Layout(PlainBar(95, true), 102, 18).fill.at(2).rect, (BarRect{90, 1, 95, 17}));
}

TEST(ProgressBarGeometry, SteppedGradientBands) {
    struct Band {
        int start, end;
        std::uint32_t colour;
    };
    struct Case {
        int extent, steps;
        std::uint32_t from, to;
        std::vector<Band> bands;
    } cases[] = {
        // The wizard's upper half: the end colour is never reached.
        {8, 8, kLightBlue, kBlue,
         {{0, 2, kLightBlue}, {1, 3, Rgb(124, 190, 255)}, {2, 4, Rgb(109, 183, 255)}, {3, 5, Rgb(95, 175, 255)},
          {4, 6, Rgb(80, 168, 255)}, {5, 7, Rgb(66, 161, 255)}, {6, 8, Rgb(52, 153, 255)}, {7, 8, Rgb(37, 146, 255)}}},
        {16, 3, 0, Rgb(192, 0, 0), {{0, 6, 0}, {5, 11, Rgb(64, 0, 0)}, {11, 16, Rgb(128, 0, 0)}}},
        {5, 0, 0, Rgb(192, 0, 0), {{0, 5, 0}}},  // 0 steps count as 1, and so do negative ones
        {5, -3, 0, Rgb(192, 0, 0), {{0, 5, 0}}},
        // Half-pixel bands: one wholly covered by the next is left out.
        {3, 6, 0, Rgb(192, 0, 0), {{0, 1, Rgb(32, 0, 0)}, {1, 2, Rgb(64, 0, 0)}, {2, 3, Rgb(160, 0, 0)}}},
        {0, 8, 0, Rgb(192, 0, 0), {}},
    };
    for (const auto& c : cases) {
        const auto bands = ctl::SteppedGradient({10, 4, 30, 4 + c.extent}, c.from, c.to, c.steps, true, 2);
        ASSERT_EQ(bands.size(), c.bands.size()) << "extent " << c.extent << ", steps " << c.steps;
        for (std::size_t i = 0; i < bands.size(); ++i) {
            EXPECT_EQ(bands[i].rect, (BarRect{10, 4 + c.bands[i].start, 30, 4 + c.bands[i].end})) << c.steps << " " << i;
            EXPECT_EQ(bands[i].colour, c.bands[i].colour) << "steps " << c.steps << ", band " << i;
        }
    }
}

// Filled to 100 %: light at both long edges, strong in the middle; a vertical bar across x.
TEST(ProgressBarGeometry, GradientHalvesMeetInTheMiddle) {
    auto bar = WizardBar();
    bar.infinite = false;
    bar.percentage = 100;
    const Raster h(bar, 327, 18);
    const std::pair<int, std::uint32_t> rows[] = {{1, kLightBlue}, {8, Rgb(37, 146, 255)}, {9, kBlue},
                                                  {16, Rgb(124, 190, 255)}, {17, 0x808080}};
    for (const auto& [y, colour] : rows) EXPECT_EQ(h.At(50, y), colour) << "row " << y;
    EXPECT_EQ(h.At(1, 9), kWhite);  // one background pixel at each end
    EXPECT_EQ(h.At(324, 9), kBlue);
    EXPECT_EQ(h.At(325, 9), kWhite);
    bar.orientation = kVertical;
    const Raster v(bar, 18, 200);
    EXPECT_EQ(v.At(1, 100), kLightBlue);
    EXPECT_EQ(v.At(9, 100), kBlue);
    EXPECT_EQ(v.At(16, 100), Rgb(124, 190, 255));
}

// The block of the infinite mode over the whole thickness of the fill, nothing else of the fill
// showing (not even its first and last rows): where it stands after n steps from construction.
TEST(ProgressBarGeometry, InfiniteBlockAlongTheBar) {
    struct Case {
        int steps;
        int first, last;  // columns of the block
    } cases[] = {{0, 2, 11}, {1, 2, 11}, {2, 3, 24}, {25, 300, 321}, {26, 313, 324}, {27, 300, 321}};
    struct : ctl::ProgressBarView {
        void Invalidate() override {}
        void PaintNow() override {}
        void AnimationTimer(bool, int) override {}
    } view;
    for (const auto& c : cases) {
        ctl::ProgressBarModel model(view);
        model.SetInfinite(true);
        for (int i = 0; i < c.steps; ++i) model.Step();
        auto bar = WizardBar();
        bar.infinitePos = model.InfinitePos();
        const Raster r(bar, 327, 18);
        for (int y = 1; y <= 16; ++y) {
            for (int x = 1; x <= 325; ++x) {
                const bool inBlock = x >= c.first && x <= c.last;
                ASSERT_EQ(r.At(x, y) != kWhite, inBlock) << c.steps << " steps: pixel " << x << "," << y;
            }
        }
    }
    auto bar = WizardBar();
    bar.orientation = kVertical;
    bar.infinitePos = 50;  // a = round(0.5 * 96) = 48: rows 38..59
    const Raster v(bar, 18, 100);
    for (int y = 2; y < 98; ++y) EXPECT_EQ(v.At(8, y) != kWhite, y >= 38 && y <= 59) << "row " << y;
    EXPECT_EQ(v.At(1, 30), kWhite);
}

TEST(ProgressBarGeometry, TextContentAndPlacement) {
    struct Case {
        const char* name;
        void (*adjust)(ProgressBarSnapshot&);
        bool vertical;
        std::string text;
        int x, y;
    } cases[] = {
        {"percentage", [](ProgressBarSnapshot&) {}, false, "50%", 64 - 10, 9 - 6},
        {"position", [](ProgressBarSnapshot& b) { b.showPercentage = false; }, false, "50", 64 - 7, 3},
        {"format", [](ProgressBarSnapshot& b) { b.format = "%d of %d"; }, false, "50 of 100", 64 - 31, 3},
        {"infinite", [](ProgressBarSnapshot& b) { b.infinite = true; }, false, "100%", 64 - 14, 3},
        {"beyond 100", [](ProgressBarSnapshot& b) { b.percentage = 150; }, false, "150%", 64 - 14, 3},
        {"vertical", [](ProgressBarSnapshot& b) { b.orientation = kVertical; }, true, "50%", 9 - 6, 64 + 10},
    };
    for (const auto& c : cases) {
        ProgressBarSnapshot bar;
        c.adjust(bar);
        const auto d = c.vertical ? Layout(bar, 18, 128) : Layout(bar, 128, 18);
        ASSERT_TRUE(d.text.has_value()) << c.name;
        EXPECT_EQ(d.text->text, c.text) << c.name;
        EXPECT_EQ(std::make_pair(d.text->x, d.text->y), std::make_pair(c.x, c.y)) << c.name;
        EXPECT_EQ(d.text->rotated, c.vertical) << c.name;
    }
    EXPECT_FALSE(Layout(PlainBar(50), 128, 18).text.has_value());
}

TEST(ProgressBarGeometry, FormatPlaceholders) {
    const std::pair<const char*, std::string> cases[] = {
        {"%d/%d", "30/100"}, {"%1:d-%0:d", "100-30"}, {"%1:d %d", "100 %d"}, {"%5d|%-4d|", "   30|100 |"},
        {"%.4d %x", "0030 64"}, {"100%%", "100%"}, {"%s %d %d %d", "%s 30 100 %d"}, {"abc%", "abc%"},
        {"%9:d", "%9:d"}, {"%99999999d", std::string(998, ' ') + "30"}};
    for (const auto& [format, expected] : cases) EXPECT_EQ(ctl::FormatBarText(format, 30, 100), expected) << format;
    EXPECT_EQ(ctl::FormatBarText("%.3d %u", -5, -1), "-005 4294967295");
}

// Whatever the size and settings, nothing is drawn outside the bar, nothing but the frame
// touches its outer pixel ring, and no empty rectangle is emitted.
TEST(ProgressBarGeometry, EverySizeStaysInsideItsRectangle) {
    for (int variant = 0; variant < 64; ++variant) {
        ProgressBarSnapshot bar;
        bar.stacked = variant & 1;
        if (variant & 2) bar.orientation = kVertical;
        bar.infinite = variant & 4;
        bar.completionSmooth = variant & 8;
        bar.showGradient = variant & 16;
        if (variant & 32) bar.levelBkColor[0] = bar.levelBkColor[1] = bar.levelBkColor[2] = Rgb(9, 9, 9);
        for (int percentage : {-20, 1, 50, 100, 150}) {
            bar.percentage = percentage;
            bar.infinitePos = (percentage + 20) % 101;
            for (int w = 0; w <= 24; ++w) {
                for (int h = 0; h <= 24; ++h) {
                    const BarRect client{3, 5, 3 + w, 5 + h}, inside{4, 6, 2 + w, 4 + h};
                    for (const auto& in : ctl::LayoutProgressBar(bar, client, &Measure).instructions) {
                        const BarRect& r = in.rect;
                        const BarRect& b = (in.part == BarPart::Key || in.part == BarPart::Frame) ? client : inside;
                        ASSERT_TRUE(!r.Empty() && r.left >= b.left && r.top >= b.top && r.right <= b.right &&
                                    r.bottom <= b.bottom)
                            << "variant " << variant << ", " << percentage << "%, " << w << "x" << h << ", part "
                            << static_cast<int>(in.part) << " (" << r.left << "," << r.top << "," << r.right << ","
                            << r.bottom << ")";
                    }
                }
            }
        }
    }
}

// The wizard's bar on screens of other DPIs: the frame a line of that DPI (one pixel below 192 DPI,
// two at 192), the fill inset by the scaled 2 pixels, the infinite block 22 design pixels long
// (10 before its point, 12 after) scaled, nothing but the frame in the outer ring.
TEST(ProgressBarGeometry, FrameInsetsAndTheInfiniteBlockAreScaledToTheDpi) {
    struct Case {
        int dpi, width, height, frame, inset, before, after, corner;
    } const cases[] = {
        {96, 327, 18, 1, 2, 10, 12, 6},
        {120, 409, 23, 1, 3, 13, 15, 8},
        {144, 490, 27, 1, 3, 15, 18, 9},
        {192, 654, 36, 2, 4, 20, 24, 12},
    };
    for (const Case& c : cases) {
        auto bar = WizardBar();
        bar.infinitePos = 50;
        bar.rounded = true;
        const auto d = ctl::LayoutProgressBar(bar, {0, 0, c.width, c.height}, &Measure, c.dpi);
        const int a = static_cast<int>(std::lround(0.5 * (c.width - 2 * c.inset)));
        std::vector<BarRect> erased;
        for (const auto& in : d.instructions) {
            if (in.part == BarPart::Frame) {
                EXPECT_EQ(in.penWidth, c.frame) << c.dpi;
                EXPECT_EQ(in.corner, c.corner) << c.dpi;
                continue;
            }
            if (in.part == BarPart::Key) continue;
            EXPECT_GE(in.rect.left, c.frame) << c.dpi;
            EXPECT_GE(in.rect.top, c.frame) << c.dpi;
            EXPECT_LE(in.rect.right, c.width - c.frame) << c.dpi;
            EXPECT_LE(in.rect.bottom, c.height - c.frame) << c.dpi;
            if (in.part == BarPart::Erase) erased.push_back(in.rect);
        }
        ASSERT_EQ(erased.size(), 2u) << c.dpi;
        EXPECT_EQ(erased[0].left, c.inset) << c.dpi;
        EXPECT_EQ(erased[0].right, a - c.before) << c.dpi;
        EXPECT_EQ(erased[1].left, a + c.after) << c.dpi << ": the block is " << c.before + c.after << " pixels long";
        EXPECT_EQ(erased[1].right, c.width - c.inset) << c.dpi;
        ASSERT_FALSE(d.fill.empty());
        EXPECT_EQ(d.fill.front().rect.left, c.inset) << c.dpi;
    }
}

}  // namespace
