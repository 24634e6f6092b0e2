#include <gtest/gtest.h>

#include <climits>

#include "controls/AdvSmoothPanel.h"
#include "tests/controls/gdipfill_recording_canvas.h"
#include "tests/controls/html_caption_fakes.h"

namespace {

using namespace ctl;
using enum TAdvSmoothPanelLocation;

TEST(PlaceByLocation, EveryLocationInTheTable) {
    struct Case {
        TAdvSmoothPanelLocation location;
        RectF area;
        int w, h;
        PointL at;
    };
    const RectF area{10, 20, 200, 100};
    const Case cases[] = {
        {plTopLeft, area, 50, 30, {10, 20}},
        {plTopCenter, area, 50, 30, {75, 20}},  // max(10, 150) / 2: measured from the panel's origin
        {plTopRight, area, 50, 30, {150, 20}},
        {plCenterLeft, area, 50, 30, {10, 35}},  // (100 - 30) / 2: the area's top is not added
        {plCenterCenter, area, 50, 30, {75, 35}},
        {plCenterRight, area, 50, 30, {150, 35}},
        {plBottomLeft, area, 50, 30, {10, 70}},
        {plBottomCenter, area, 50, 30, {75, 70}},
        {plBottomRight, area, 50, 30, {150, 70}},
        {plTopCenter, area, 195, 30, {5, 20}},    // wider than the room: max(10, 5) / 2
        {plTopRight, area, 195, 30, {10, 20}},
        {plCenterLeft, area, 50, 131, {10, -15}},  // (100 - 131) / 2 truncates toward zero
        {plBottomRight, {0.5f, 0.4f, 199.6f, 99.5f}, 50, 30, {150, 70}},  // area rounded first
        {plCenterCenter, {0, 0, 579, 331}, 0, 15, {289, 158}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceByLocation(c.location, c.area, c.w, c.h), c.at)
            << "location " << static_cast<int>(c.location) << ", block " << c.w << "x" << c.h;
    }
}

TEST(PanelFillRect, InsideTheLastRowAndColumnOnlyWithABorder) {
    struct Case {
        fw::TColor border;
        int width;
        RectF rect;
    };
    const Case cases[] = {
        {fw::clGray, 1, {0, 0, 579, 346}},  // the wizard's panel
        {fw::clGray, 3, {0, 0, 579, 346}},
        {fw::clGray, -1, {0, 0, 579, 346}},  // any width but 0
        {fw::clGray, 0, {-1, -1, 581, 348}},
        {fw::clNone, 1, {-1, -1, 581, 348}},
    };
    for (const Case& c : cases) EXPECT_EQ(PanelFillRect(580, 347, c.border, c.width), c.rect) << c.width;
}

TEST(PlainCaptionArea, AFillPictureInTheCaptionsCornerTakesItsWidth) {
    using enum TFillPicturePosition;
    const RectF f{0, 0, 300, 100};
    struct Case {
        bool picture;
        TFillPicturePosition position;
        TAdvSmoothPanelLocation location;
        CaptionArea result;
    };
    const Case cases[] = {
        {false, ppTopLeft, plTopLeft, {f, 0}},
        {true, ppTopLeft, plTopLeft, {{40, 0, 300, 100}, 40}},
        {true, ppTopLeft, plTopRight, {{40, 0, 300, 100}, 40}},
        {true, ppTopLeft, plTopCenter, {f, 0}},
        {true, ppTopLeft, plBottomLeft, {f, 0}},
        {true, ppTopRight, plTopLeft, {{0, 0, 260, 100}, 0}},
        {true, ppBottomLeft, plBottomRight, {{40, 0, 300, 100}, 40}},
        {true, ppBottomRight, plBottomLeft, {{0, 0, 260, 100}, 0}},
        {true, ppBottomRight, plTopLeft, {f, 0}},
        {true, ppCenterCenter, plCenterCenter, {f, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlainCaptionArea(f, c.picture, 40, c.position, c.location), c.result)
            << "picture at " << static_cast<int>(c.position) << ", caption at " << static_cast<int>(c.location);
    }
}

TEST(CaptionLineY, UnderTheTextOrAboveItAtTheBottom) {
    EXPECT_FLOAT_EQ(CaptionLineY(plCustom, 12, 25.5f), 37.5f);
    EXPECT_FLOAT_EQ(CaptionLineY(plTopLeft, 0, 20), 20);
    for (auto location : {plBottomLeft, plBottomCenter, plBottomRight})
        EXPECT_FLOAT_EQ(CaptionLineY(location, 80, 20), 78) << static_cast<int>(location);
}

// The wizard's panel: 580 x 347, border width 1, no shadow: wmax = 578; the blank plain caption
// is c pixels high.
TEST(HtmlCaptionGeometry, WizardCaptionIsMeasuredBelowThePlainCaptionAndCentred) {
    const int c = 25, wmax = 580 - 0 - 2 * 1;
    EXPECT_EQ(HtmlMeasureRect(plCenterCenter, 0, c, wmax), (RectL{0, 25, 578, 10000}));
    // Nothing found for <IMG src="1">: width 0, one empty line of height 15.
    const RectL target = HtmlTargetRect(plCenterCenter, 0, 0, c, wmax, {0, 0, 579, 346}, 0, 15);
    EXPECT_EQ(target, (RectL{289, 25 + (321 - 15) / 2, 289, 25 + 153 + 15}));
}

TEST(HtmlCaptionGeometry, CustomPlacementUsesTheGivenPointAndTheRoomLeft) {
    EXPECT_EQ(HtmlMeasureRect(plCustom, 30, 10, 400), (RectL{0, 10, 370, 10000}));
    EXPECT_EQ(HtmlTargetRect(plCustom, 30, 40, 10, 400, {0, 0, 500, 300}, 900, 20), (RectL{30, 40, 400, 60}));
    EXPECT_EQ(HtmlMeasureRect(plTopLeft, 30, 10, 400), (RectL{30, 10, 400, 10000}));
    EXPECT_EQ(HtmlTargetRect(plBottomRight, 30, 40, 10, 400, {0, 0, 500, 300}, 100, 20),
              (RectL{400, 10 + 270, 500, 10 + 290}));
}

// The box of a link's runs as drawn.
HtmlRect LinkBox(const PanelCaptionLayout& layout, int link) {
    HtmlRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const HtmlInstr& instr : layout.drawn.instrs) {
        if (instr.link != link) continue;
        box = {std::min(box.left, instr.box.left), std::min(box.top, instr.box.top),
               std::max(box.right, instr.box.right), std::max(box.bottom, instr.box.bottom)};
    }
    return box;
}

std::string TargetAt(const PanelCaptionLayout& layout, int x, int y) {
    const auto hit = HitTestHtml(layout.drawn, x, y);
    return hit ? hit->target : std::string{};
}

// Issue 33: the mouse and readers asked for the caption as it was last painted, so before the first
// paint, or after a resize not yet painted, a link answered from where it no longer is. The cache
// lays the captions out for the size asked with, once for each size, DPI and change.
TEST(PanelCaptionCache, ALinkFollowsAResizeBeforeAnyPaintAndAnUnchangedPanelIsNotLaidOutAgain) {
    TGDIPFill fill;
    PanelCaptionInputs in;
    in.fill = &fill;
    in.text = "Title";  // 13 pixels high on the recording canvas
    in.html = "Veja <A href=\"ajuda\">a ajuda</A>";
    ctl::testing::RecordingCanvas canvas;
    const fakes::FakeMeasurer measurer;
    PanelCaptionCache cache;
    const auto layoutAt = [&](int width, int dpi, std::uint64_t changes) -> const PanelCaptionLayout& {
        return cache.Get({width, 300, dpi, changes}, [&] {
            PanelCaptionInputs sized = in;
            sized.width = width;
            sized.height = 300;
            sized.options.dpi = dpi;
            return LayoutPanelCaptions(sized, canvas, measurer, {});
        });
    };

    const HtmlRect narrow = LinkBox(layoutAt(400, 96, 0), 0);
    ASSERT_GT(narrow.Width(), 0);
    EXPECT_GE(layoutAt(400, 96, 0).htmlRect.top, 13) << "below the plain caption";
    const int midY = (narrow.top + narrow.bottom) / 2;
    EXPECT_EQ(TargetAt(layoutAt(400, 96, 0), narrow.left + 1, midY), "ajuda");
    const long calls = measurer.calls;

    // Centred: 200 pixels wider moves the link 100 to the right, at once.
    const PanelCaptionLayout& wide = layoutAt(600, 96, 0);
    EXPECT_EQ(LinkBox(wide, 0).left, narrow.left + 100);
    EXPECT_EQ(TargetAt(wide, narrow.left + 1, midY), "") << "the link is no longer there";
    EXPECT_EQ(TargetAt(wide, narrow.left + 101, midY), "ajuda");
    EXPECT_EQ(wide.lines.links, std::vector<std::string>{"ajuda"}) << "readers are told the same link";
    EXPECT_EQ(cache.Builds(), 2);

    const long callsAtWide = measurer.calls;
    layoutAt(600, 96, 0);
    EXPECT_EQ(cache.Builds(), 2) << "nothing changed: the same layout";
    EXPECT_EQ(measurer.calls, callsAtWide);
    EXPECT_GT(callsAtWide, calls);
    layoutAt(600, 144, 0);
    EXPECT_EQ(cache.Builds(), 3) << "another DPI";
    layoutAt(600, 144, 1);
    EXPECT_EQ(cache.Builds(), 4) << "a change of the panel";
}

}  // namespace
