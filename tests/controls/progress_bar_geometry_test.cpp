// The progress bar's picture as data: fill blocks, levels, zones, gradient bands, the infinite
// block and the text position, checked on the instruction list and on a plain rasterisation of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "controls/AdvProgressBarGeometry.h"

namespace {

using ctl::BarInstruction;
using ctl::BarPart;
using ctl::BarRect;
using ctl::ProgressBarSnapshot;
using ctl::TGaugeOrientation;

constexpr std::uint32_t Rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kUnpainted = 0xDEADBEEF;

// 7 pixels per character, 13 high.
ctl::BarSize Measure(std::string_view text) { return {7 * static_cast<int>(text.size()), 13}; }

ctl::ProgressBarDrawing Layout(const ProgressBarSnapshot& bar, int width, int height) {
    return ctl::LayoutProgressBar(bar, {0, 0, width, height}, &Measure);
}

// The drawing applied to a pixel grid (the frame as a square outline in its pen colour).
struct Raster {
    int width, height;
    std::vector<std::uint32_t> pixels;
    Raster(const ctl::ProgressBarDrawing& drawing, int w, int h)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * h), kUnpainted) {
        for (const auto& in : drawing.instructions) {
            Fill(in.rect, in.colour);
            if (in.part == BarPart::Frame) {
                const BarRect r = in.rect;
                Fill({r.left, r.top, r.right, r.top + 1}, in.pen);
                Fill({r.left, r.bottom - 1, r.right, r.bottom}, in.pen);
                Fill({r.left, r.top, r.left + 1, r.bottom}, in.pen);
                Fill({r.right - 1, r.top, r.right, r.bottom}, in.pen);
            }
        }
    }
    void Fill(const BarRect& r, std::uint32_t colour) {
        for (int y = std::max(0, r.top); y < std::min(height, r.bottom); ++y) {
            for (int x = std::max(0, r.left); x < std::min(width, r.right); ++x) {
                pixels[static_cast<std::size_t>(y * width + x)] = colour;
            }
        }
    }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// The wizard's bar: 327 x 18, every level blue with a lighter To colour, stacked, no text.
ProgressBarSnapshot WizardBar() {
    ProgressBarSnapshot bar;
    bar.infinite = true;
    bar.stacked = true;
    bar.showBorder = true;
    bar.showPercentage = false;
    bar.showPosition = false;
    bar.position = 0;
    bar.percentage = 0;
    for (int level = 0; level < 4; ++level) {
        bar.levelColor[level] = 16747287;
        bar.levelColorTo[level] = 16762250;
    }
    return bar;
}
constexpr std::uint32_t kWizardColor = Rgb(23, 139, 255);
constexpr std::uint32_t kWizardColorTo = Rgb(138, 197, 255);

ProgressBarSnapshot PlainBar(int percentage) {
    ProgressBarSnapshot bar;
    bar.showGradient = false;
    bar.showPosition = false;
    bar.percentage = percentage;
    return bar;
}

std::vector<std::pair<int, int>> Spans(const ctl::ProgressBarDrawing& d, bool vertical) {
    std::vector<std::pair<int, int>> spans;
    for (const auto& piece : d.fill) {
        spans.emplace_back(vertical ? piece.rect.top : piece.rect.left,
                           vertical ? piece.rect.bottom : piece.rect.right);
    }
    return spans;
}

// Outside the stacked mode the fill is cut into 7-pixel blocks with 2-pixel gaps. The bar is
// 102 wide, so its fill length c is 100 and the fill length in pixels equals the percentage.
TEST(ProgressBarBlocks, HorizontalBlocksByFillLength) {
    struct Case {
        int length;
        std::vector<std::pair<int, int>> spans;  // [left, right)
    } cases[] = {
        {0, {}},
        {1, {}},
        {2, {{2, 3}}},
        {9, {{2, 10}}},  // one 8-pixel block
        {10, {{2, 9}}},
        {11, {{2, 9}}},  // the rest of 2 gives an empty block
        {13, {{2, 9}, {11, 13}}},
        {18, {{2, 9}, {11, 18}}},
        {20, {{2, 9}, {11, 18}}},
        {21, {{2, 9}, {11, 18}, {20, 21}}},
        {100, {{2, 9}, {11, 18}, {20, 27}, {29, 36}, {38, 45}, {47, 54}, {56, 63}, {65, 72},
               {74, 81}, {83, 90}, {92, 99}}},
    };
    for (const auto& c : cases) {
        const auto d = Layout(PlainBar(c.length), 102, 18);
        EXPECT_EQ(Spans(d, false), c.spans) << "fill length " << c.length;
        for (const auto& piece : d.fill) {
            EXPECT_EQ(piece.rect.top, 2) << c.length;
            EXPECT_EQ(piece.rect.bottom, 16) << c.length;
        }
    }
}

TEST(ProgressBarBlocks, VerticalBlocksGrowUpward) {
    struct Case {
        int length;
        std::vector<std::pair<int, int>> spans;  // [top, bottom)
    } cases[] = {
        {1, {}},
        {9, {{92, 100}}},
        {11, {{93, 100}}},
        {13, {{93, 100}, {89, 91}}},
        {100, {{93, 100}, {84, 91}, {75, 82}, {66, 73}, {57, 64}, {48, 55}, {39, 46}, {30, 37},
               {21, 28}, {12, 19}, {3, 10}}},
    };
    for (const auto& c : cases) {
        auto bar = PlainBar(c.length);
        bar.orientation = TGaugeOrientation::goVertical;
        const auto d = Layout(bar, 18, 102);
        EXPECT_EQ(Spans(d, true), c.spans) << "fill length " << c.length;
        for (const auto& piece : d.fill) {
            EXPECT_EQ(piece.rect.left, 2) << c.length;
            EXPECT_EQ(piece.rect.right, 16) << c.length;
        }
    }
}

TEST(ProgressBarBlocks, CompletionSmoothIsOneRectangle) {
    auto bar = PlainBar(50);
    bar.completionSmooth = true;
    auto d = Layout(bar, 102, 18);
    ASSERT_EQ(d.fill.size(), 1u);
    EXPECT_EQ(d.fill[0].rect, (BarRect{2, 2, 50, 16}));
    bar.orientation = TGaugeOrientation::goVertical;
    d = Layout(bar, 18, 102);
    ASSERT_EQ(d.fill.size(), 1u);
    EXPECT_EQ(d.fill[0].rect, (BarRect{2, 52, 16, 100}));
}

// Level 3 colours only a non-stacked bar at 100 %; a stacked bar shows the levels in turn.
TEST(ProgressBarLevels, LevelsByPercentage) {
    struct Case {
        bool stacked;
        int percentage;
        std::set<int> levels;
    } cases[] = {
        {false, 5, {0}},      {false, 69, {0}},      {false, 70, {1}},   {false, 89, {1}},
        {false, 90, {2}},     {false, 99, {2}},      {false, 100, {3}},  {true, 69, {0}},
        {true, 70, {0}},  // level 1 begins with an empty piece
        {true, 80, {0, 1}},   {true, 95, {0, 1, 2}}, {true, 100, {0, 1, 2}},
    };
    for (const auto& c : cases) {
        auto bar = PlainBar(c.percentage);
        bar.stacked = c.stacked;
        bar.levelColor[3] = Rgb(1, 2, 3);
        const auto d = Layout(bar, 102, 18);
        std::set<int> levels;
        for (const auto& piece : d.fill) levels.insert(piece.level);
        EXPECT_EQ(levels, c.levels) << (c.stacked ? "stacked " : "") << c.percentage << "%";
        bool level3Colour = false;
        for (const auto& in : d.instructions) level3Colour |= in.colour == Rgb(1, 2, 3);
        EXPECT_EQ(level3Colour, c.levels.count(3) == 1) << c.percentage << "%";
    }
}

TEST(ProgressBarLevels, StackedPiecesHorizontalAndVertical) {
    struct Case {
        TGaugeOrientation orientation;
        int percentage;
        std::vector<BarRect> pieces;
    } cases[] = {
        {TGaugeOrientation::goHorizontal, 100, {{2, 1, 70, 17}, {70, 1, 90, 17}, {90, 1, 100, 17}}},
        {TGaugeOrientation::goHorizontal, 95, {{2, 1, 70, 17}, {70, 1, 90, 17}, {90, 1, 95, 17}}},
        {TGaugeOrientation::goHorizontal, 40, {{2, 1, 40, 17}}},
        // Vertical: level 0 from the bottom, each next level above, level 2 one pixel higher.
        {TGaugeOrientation::goVertical, 100, {{1, 33, 17, 100}, {1, 13, 17, 33}, {1, 2, 17, 12}}},
        {TGaugeOrientation::goVertical, 95, {{1, 33, 17, 100}, {1, 13, 17, 33}, {1, 7, 17, 12}}},
    };
    for (const auto& c : cases) {
        auto bar = PlainBar(c.percentage);
        bar.stacked = true;
        const bool vertical = c.orientation == TGaugeOrientation::goVertical;
        bar.orientation = c.orientation;
        const auto d = vertical ? Layout(bar, 18, 102) : Layout(bar, 102, 18);
        std::vector<BarRect> pieces;
        for (const auto& piece : d.fill) pieces.push_back(piece.rect);
        EXPECT_EQ(pieces, c.pieces) << (vertical ? "vertical " : "horizontal ") << c.percentage << "%";
    }
}

TEST(ProgressBarLevels, PercentageBeyondTheRangeStaysInsideTheBar) {
    for (bool stacked : {false, true}) {
        auto bar = PlainBar(150);  // 150 of 50..150
        bar.stacked = stacked;
        bar.showPosition = true;
        const auto d = Layout(bar, 102, 18);
        ASSERT_FALSE(d.fill.empty());
        EXPECT_LE(d.fill.back().rect.right, 100) << "stacked " << stacked;
        ASSERT_TRUE(d.text.has_value());
        EXPECT_EQ(d.text->text, "150%");
    }
}

TEST(ProgressBarLevels, EmptyRangeDrawsNoFill) {
    struct View : ctl::ProgressBarView {
        void Invalidate() override {}
        void PaintNow() override {}
        void AnimationTimer(bool, int) override {}
    } view;
    ctl::ProgressBarModel model(view);
    model.SetMax(0);
    model.SetPosition(0);
    const auto d = Layout(model.Snapshot(), 102, 18);
    EXPECT_TRUE(d.fill.empty());
    ASSERT_TRUE(d.text.has_value());
    EXPECT_EQ(d.text->text, "0%");
}

TEST(ProgressBarZones, ZoneRectanglesSkipClNone) {
    auto bar = PlainBar(0);
    bar.levelBkColor[0] = Rgb(255, 0, 0);
    bar.levelBkColor[2] = Rgb(0, 0, 255);
    auto zones = [](const ctl::ProgressBarDrawing& d) {
        std::vector<std::pair<int, BarRect>> out;
        for (const auto& in : d.instructions) {
            if (in.part == BarPart::Zone) out.emplace_back(in.level, in.rect);
        }
        return out;
    };
    EXPECT_EQ(zones(Layout(bar, 102, 18)),
              (std::vector<std::pair<int, BarRect>>{{0, {2, 1, 70, 17}}, {2, {90, 1, 100, 17}}}));
    bar.orientation = TGaugeOrientation::goVertical;
    EXPECT_EQ(zones(Layout(bar, 18, 102)),
              (std::vector<std::pair<int, BarRect>>{{0, {1, 33, 17, 100}}, {2, {1, 2, 17, 12}}}));
    bar.levelBkColor[1] = Rgb(0, 255, 0);
    bar.orientation = TGaugeOrientation::goHorizontal;
    EXPECT_EQ(zones(Layout(bar, 102, 18)).at(1), (std::pair<int, BarRect>{1, {70, 1, 90, 17}}));
    bar.levelBkColor[0] = bar.levelBkColor[1] = bar.levelBkColor[2] = fw::clNone;
    EXPECT_TRUE(zones(Layout(bar, 102, 18)).empty());
}

TEST(ProgressBarGradient, BandsByExtentAndSteps) {
    struct Band {
        int start, end;
        std::uint32_t colour;
    };
    struct Case {
        int extent, steps;
        std::vector<Band> bands;
    } cases[] = {
        {16, 3, {{0, 6, Rgb(0, 0, 0)}, {5, 11, Rgb(64, 0, 0)}, {11, 16, Rgb(128, 0, 0)}}},
        {5, 0, {{0, 5, Rgb(0, 0, 0)}}},   // 0 steps count as 1
        {5, -3, {{0, 5, Rgb(0, 0, 0)}}},  // so do negative ones
        // Half-pixel bands: a band wholly covered by the next one is left out.
        {3, 6, {{0, 1, Rgb(32, 0, 0)}, {1, 2, Rgb(64, 0, 0)}, {2, 3, Rgb(160, 0, 0)}}},
        {0, 8, {}},
    };
    for (const auto& c : cases) {
        const auto bands = ctl::SteppedGradient({10, 4, 30, 4 + c.extent}, Rgb(0, 0, 0), Rgb(192, 0, 0), c.steps,
                                                true, 2);
        ASSERT_EQ(bands.size(), c.bands.size()) << "extent " << c.extent << ", steps " << c.steps;
        for (std::size_t i = 0; i < bands.size(); ++i) {
            EXPECT_EQ(bands[i].rect, (BarRect{10, 4 + c.bands[i].start, 30, 4 + c.bands[i].end}))
                << "extent " << c.extent << ", steps " << c.steps << ", band " << i;
            EXPECT_EQ(bands[i].colour, c.bands[i].colour) << "band " << i;
            EXPECT_EQ(bands[i].level, 2);
        }
    }
}

TEST(ProgressBarGradient, EightStepsNeverReachTheEndColour) {
    const std::uint32_t expected[8] = {Rgb(138, 197, 255), Rgb(124, 190, 255), Rgb(109, 183, 255),
                                       Rgb(95, 175, 255),  Rgb(80, 168, 255),  Rgb(66, 161, 255),
                                       Rgb(52, 153, 255),  Rgb(37, 146, 255)};
    const auto bands = ctl::SteppedGradient({0, 0, 8, 8}, kWizardColorTo, kWizardColor, 8, false, 0);
    ASSERT_EQ(bands.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(bands[i].colour, expected[i]) << "band " << i;
        EXPECT_EQ(bands[i].rect, (BarRect{i, 0, std::min(i + 2, 8), 8})) << "band " << i;
    }
}

// The wizard's bar filled to 100 % (not infinite): light at both long edges, strong in the middle.
TEST(ProgressBarGradient, HalvesMeetInTheMiddle) {
    auto bar = WizardBar();
    bar.infinite = false;
    bar.percentage = 100;
    const Raster r(Layout(bar, 327, 18), 327, 18);
    EXPECT_EQ(r.At(50, 1), kWizardColorTo);
    EXPECT_EQ(r.At(50, 8), Rgb(37, 146, 255));
    EXPECT_EQ(r.At(50, 9), kWizardColor);
    EXPECT_EQ(r.At(50, 16), Rgb(124, 190, 255));
    EXPECT_EQ(r.At(50, 17), ctl::ProgressBarSnapshot{}.borderColor);
    EXPECT_EQ(r.At(1, 9), kWhite);    // one background pixel before the fill
    EXPECT_EQ(r.At(325, 9), kWhite);  // and after it
    EXPECT_EQ(r.At(324, 9), kWizardColor);

    // A vertical bar splits into a left and a right half.
    bar.orientation = TGaugeOrientation::goVertical;
    const Raster v(Layout(bar, 18, 200), 18, 200);
    EXPECT_EQ(v.At(1, 100), kWizardColorTo);
    EXPECT_EQ(v.At(9, 100), kWizardColor);
    EXPECT_EQ(v.At(16, 100), Rgb(124, 190, 255));
}

// Infinite and still: the block sits at the start of the bar, up to L + 12, and nothing of the
// fill shows beyond it, not even its first and last rows.
TEST(ProgressBarInfinite, StillBlockAtTheStart) {
    const auto d = Layout(WizardBar(), 327, 18);
    const Raster r(d, 327, 18);
    for (int y = 1; y <= 16; ++y) {
        for (int x = 2; x < 12; ++x) EXPECT_NE(r.At(x, y), kWhite) << x << "," << y;
        for (int x = 12; x <= 325; ++x) {
            ASSERT_EQ(r.At(x, y), kWhite) << x << "," << y;
        }
        EXPECT_EQ(r.At(1, y), kWhite) << y;
    }
    EXPECT_EQ(r.At(5, 9), kWizardColor);
}

TEST(ProgressBarInfinite, SweepReachesTheEndInTwentyFiveTicks) {
    struct View : ctl::ProgressBarView {
        void Invalidate() override {}
        void PaintNow() override {}
        void AnimationTimer(bool, int) override {}
    } view;
    ctl::ProgressBarModel model(view);
    model.SetInfinite(true);
    model.SetStacked(true);
    model.SetShowPosition(false);
    model.Step();  // turns at 0
    auto blockEnd = [&] {
        const Raster r(Layout(model.Snapshot(), 327, 18), 327, 18);
        int last = -1;
        for (int x = 0; x < 327; ++x) {
            if (r.At(x, 9) != kWhite && x != 0 && x != 326) last = x;
        }
        return last;
    };
    EXPECT_EQ(blockEnd(), 11);
    for (int tick = 1; tick <= 24; ++tick) model.Step();
    EXPECT_EQ(blockEnd(), 321);  // a = round(0.96 * 323) = 310: the block ends before 310 + 12
    model.Step();
    EXPECT_EQ(blockEnd(), 324);  // at the end, shortened by it
    const Raster r(Layout(model.Snapshot(), 327, 18), 327, 18);
    EXPECT_EQ(r.At(312, 9), kWhite);
    EXPECT_NE(r.At(313, 9), kWhite);
}

TEST(ProgressBarInfinite, VerticalBlockFromTheTop) {
    auto bar = WizardBar();
    bar.orientation = TGaugeOrientation::goVertical;
    bar.infinitePos = 50;  // a = round(0.5 * 96) = 48: the block covers 38..59
    const auto d = Layout(bar, 18, 100);
    const Raster r(d, 18, 100);
    for (int x = 1; x <= 16; ++x) {
        EXPECT_EQ(r.At(x, 37), kWhite) << x;
        EXPECT_EQ(r.At(x, 60), kWhite) << x;
    }
    EXPECT_NE(r.At(8, 38), kWhite);
    EXPECT_NE(r.At(8, 59), kWhite);
}

TEST(ProgressBarText, PlacementAndContent) {
    struct Case {
        const char* name;
        void (*adjust)(ProgressBarSnapshot&);
        int width, height;
        std::string text;
        int x, y;
        bool rotated;
    } cases[] = {
        {"percentage", [](ProgressBarSnapshot&) {}, 128, 18, "50%", 64 - 10, 9 - 6, false},
        {"position", [](ProgressBarSnapshot& b) { b.showPercentage = false; }, 128, 18, "50", 64 - 7, 3, false},
        {"format", [](ProgressBarSnapshot& b) { b.format = "%d of %d"; }, 128, 18, "50 of 100", 64 - 31, 3, false},
        {"infinite", [](ProgressBarSnapshot& b) { b.infinite = true; }, 128, 18, "100%", 64 - 14, 3, false},
        {"vertical",
         [](ProgressBarSnapshot& b) { b.orientation = TGaugeOrientation::goVertical; },
         18, 128, "50%", 9 - 6, 64 + 10, true},
    };
    for (const auto& c : cases) {
        ProgressBarSnapshot bar;
        c.adjust(bar);
        const auto d = Layout(bar, c.width, c.height);
        ASSERT_TRUE(d.text.has_value()) << c.name;
        EXPECT_EQ(d.text->text, c.text) << c.name;
        EXPECT_EQ(d.text->x, c.x) << c.name;
        EXPECT_EQ(d.text->y, c.y) << c.name;
        EXPECT_EQ(d.text->rotated, c.rotated) << c.name;
    }
    ProgressBarSnapshot hidden;
    hidden.showPosition = false;
    EXPECT_FALSE(Layout(hidden, 128, 18).text.has_value());
}

TEST(ProgressBarText, FormatSpecifiers) {
    struct Case {
        const char* format;
        int position, max;
        std::string expected;
    } cases[] = {
        {"%d/%d", 30, 100, "30/100"},    {"%1:d-%0:d", 30, 100, "100-30"},
        {"%1:d %d", 30, 100, "100 %d"},  // the next argument after index 1 does not exist
        {"%5d|", 30, 100, "   30|"},     {"%-5d|", 30, 100, "30   |"},
        {"%.4d", 30, 100, "0030"},       {"%.3d", -5, 100, "-005"},
        {"%x", 255, 100, "FF"},          {"%u", -1, 100, "4294967295"},
        {"100%%", 1, 1, "100%"},         {"%s", 1, 1, "%s"},
        {"%d %d %d", 1, 2, "1 2 %d"},    {"abc%", 1, 1, "abc%"},
        {"%9:d", 1, 1, "%9:d"},          {"%999999999999d", 1, 2, std::string(999, ' ') + "1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ctl::FormatBarText(c.format, c.position, c.max), c.expected) << c.format;
    }
}

TEST(ProgressBarFrame, KeyFrameAndPen) {
    ProgressBarSnapshot bar;
    auto d = Layout(bar, 128, 18);
    EXPECT_TRUE(d.transparentCorners);
    ASSERT_GE(d.instructions.size(), 2u);
    EXPECT_EQ(d.instructions[0].part, BarPart::Key);
    EXPECT_EQ(d.instructions[0].colour, ctl::kTransparentKey);
    EXPECT_EQ(d.instructions[0].rect, (BarRect{0, 0, 128, 18}));
    EXPECT_EQ(d.instructions[1].part, BarPart::Frame);
    EXPECT_TRUE(d.instructions[1].rounded);
    EXPECT_EQ(d.instructions[1].pen, 0x808080u);
    EXPECT_EQ(d.instructions[1].colour, kWhite);

    bar.rounded = false;
    bar.showBorder = false;
    bar.backgroundColor = fw::clBtnFace;  // system colours are resolved
    d = Layout(bar, 128, 18);
    EXPECT_FALSE(d.transparentCorners);
    EXPECT_EQ(d.instructions[0].part, BarPart::Frame);
    EXPECT_FALSE(d.instructions[0].rounded);
    EXPECT_EQ(d.instructions[0].pen, Rgb(212, 208, 200));
    EXPECT_EQ(d.instructions[0].colour, Rgb(212, 208, 200));
}

TEST(ProgressBarFrame, SolidFillInTheResolvedLevelColour) {
    auto bar = PlainBar(30);
    bar.stacked = true;
    bar.levelColor[0] = fw::clHighlight;
    const auto d = Layout(bar, 102, 18);
    std::vector<const BarInstruction*> fills;
    for (const auto& in : d.instructions) {
        if (in.part == BarPart::Fill) fills.push_back(&in);
        EXPECT_NE(in.part, BarPart::Band);
    }
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->colour, Rgb(10, 36, 106));
    EXPECT_EQ(fills[0]->rect, (BarRect{2, 1, 30, 17}));
}

// Whatever the size, nothing is drawn outside the bar, nothing but the frame touches its outer
// pixel ring, and no empty rectangle is emitted.
TEST(ProgressBarFrame, EverySizeStaysInsideItsRectangle) {
    for (int variant = 0; variant < 64; ++variant) {
        ProgressBarSnapshot bar;
        bar.stacked = variant & 1;
        bar.orientation = (variant & 2) ? TGaugeOrientation::goVertical : TGaugeOrientation::goHorizontal;
        bar.infinite = variant & 4;
        bar.completionSmooth = variant & 8;
        bar.showGradient = variant & 16;
        if (variant & 32) bar.levelBkColor[0] = bar.levelBkColor[1] = bar.levelBkColor[2] = Rgb(9, 9, 9);
        for (int percentage : {-20, 0, 1, 50, 99, 100, 150}) {
            bar.percentage = percentage;
            bar.infinitePos = (percentage + 20) % 101;
            for (int w = 0; w <= 24; ++w) {
                for (int h = 0; h <= 24; ++h) {
                    const BarRect client{3, 5, 3 + w, 5 + h};
                    const BarRect inside{4, 6, 2 + w, 4 + h};
                    const auto d = ctl::LayoutProgressBar(bar, client, &Measure);
                    for (const auto& in : d.instructions) {
                        const BarRect& r = in.rect;
                        const BarRect& bound = (in.part == BarPart::Key || in.part == BarPart::Frame) ? client : inside;
                        ASSERT_FALSE(r.Empty()) << variant << " " << w << "x" << h;
                        ASSERT_TRUE(r.left >= bound.left && r.top >= bound.top && r.right <= bound.right &&
                                    r.bottom <= bound.bottom)
                            << "variant " << variant << ", " << percentage << "%, " << w << "x" << h << ", part "
                            << static_cast<int>(in.part) << " (" << r.left << "," << r.top << "," << r.right << ","
                            << r.bottom << ")";
                    }
                }
            }
        }
    }
}

}  // namespace
