#include <gtest/gtest.h>

#include "controls/AdvSmoothPanel.h"

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

}  // namespace
