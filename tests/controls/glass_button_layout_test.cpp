// The glass button's content: caption line breaks, the picture shown for each state, the caption
// rectangle and picture corner of the eight layouts on both text paths, the focus outline and the
// caption's colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "controls/AdvGlassButtonContent.h"

namespace {

using namespace ctl::glass;
using L = TButtonLayout;

constexpr int kCharWidth = 6, kLineHeight = 13;

// A monospaced font: 6 pixels a character of the longest line, 13 pixels a line.
PixelSize TextSize(std::string_view text) {
    int lines = 1, longest = 0, current = 0;
    for (char c : text) {
        if (c == '\n') ++lines, current = 0;
        else if (c != '\r') longest = std::max(longest, ++current);
    }
    return {longest * kCharWidth, lines * kLineHeight};
}

struct Measurer {
    int gdiCalls = 0;
    int lastGdiWidth = 0;
    int gdiPlusHint = -1;  // the rendering hint of the last GDI+ measure
    GlassTextMeasurer Get() {
        GlassTextMeasurer m;
        m.gdiPlus = [this](std::string_view text, const RectF& box, TextAlign h, TextAlign, int hint) {
            gdiPlusHint = hint;
            const PixelSize s = TextSize(text);
            const float left = h == TextAlign::Near  ? box.x
                               : h == TextAlign::Far ? box.x + box.width - s.width
                                                     : box.x + (box.width - s.width) / 2;
            return RectF{left, box.y, float(s.width), float(s.height)};
        };
        m.gdi = [this](std::string_view text, int width) {
            ++gdiCalls;
            lastGdiWidth = width;
            PixelSize s = TextSize(text);
            s.width = std::min(s.width, width);
            return s;
        };
        return m;
    }
};

GlassContentInput Input(L layout, std::string caption, PixelSize picture, bool gdiPlus = true) {
    GlassContentInput in;
    in.client = {0, 0, 100, 40};
    in.caption = std::move(caption);
    in.layout = layout;
    in.picture = picture;
    in.antiAlias = gdiPlus ? TAntiAlias::aaClearType : TAntiAlias::aaNone;
    return in;
}

std::string Str(const PixelRect& r) {
    return "(" + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
           std::to_string(r.height) + ")";
}

// ---------------------------------------------------------------------------------------------

TEST(GlassButtonContent, BackslashNBreaksTheCaptionInEitherCase) {
    struct Case {
        std::string caption, text;
    } cases[] = {
        {"Seguinte >>", "Seguinte >>"}, {"Criar\\nBase", "Criar\r\nBase"}, {"a\\Nb\\nc", "a\r\nb\r\nc"},
        {"fim\\", "fim\\"},             {"\\x\\n", "\\x\r\n"},              {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CaptionLines(c.caption), c.text) << c.caption;

    Measurer m;
    const auto two = LayoutGlassContent(Input(L::blGlyphLeft, "Criar\\nBase", {}, false), m.Get());
    EXPECT_EQ(two.captionRect.height, 2 * kLineHeight + (40 - 2 * kLineHeight) / 2)
        << "placed as two lines: " << Str(two.captionRect);

    GlassContentInput hidden = Input(L::blGlyphLeft, "Sair", {16, 16});
    hidden.showCaption = false;
    const auto noCaption = LayoutGlassContent(hidden, m.Get());
    EXPECT_TRUE(noCaption.text.empty());
    EXPECT_EQ(noCaption.picture, (PixelPoint{42, 12})) << "no caption shown: the picture is centred";
}

TEST(GlassButtonContent, PictureShownFollowsStateAndFallsBackWhenEmpty) {
    const GlassPictureSet all{true, true, true, true}, onlyNormal{true, false, false, false};
    struct Case {
        const char* name;
        GlassPaintState state;
        GlassPictureSet pictures;
        GlassPicture expected;
    } cases[] = {
        {"plain", {}, all, GlassPicture::Normal},
        {"disabled", {GlassState::gbsDisabled, false, false, false, false, false}, all, GlassPicture::Disabled},
        {"disabled and down", {GlassState::gbsDisabled, false, false, false, true, false}, all, GlassPicture::Disabled},
        {"disabled, no disabled picture, down", {GlassState::gbsDisabled, false, false, false, true, false},
         {true, true, false, true}, GlassPicture::Down},
        {"pressed under the pointer", {GlassState::gbsDown, true, true, true, false, false}, all, GlassPicture::Down},
        {"pressed, dragged away", {GlassState::gbsUp, true, false, true, false, false}, all, GlassPicture::Normal},
        {"down", {GlassState::gbsExclusive, true, false, false, true, false}, all, GlassPicture::Down},
        {"hot", {GlassState::gbsUp, true, true, false, false, false}, all, GlassPicture::Hot},
        {"hot, no hot picture", {GlassState::gbsUp, true, true, false, false, false}, onlyNormal, GlassPicture::Normal},
        {"down, no down picture, hot", {GlassState::gbsExclusive, true, true, false, true, false},
         {true, false, true, true}, GlassPicture::Hot},
    };
    for (const auto& c : cases) EXPECT_EQ(ChoosePicture(c.state, c.pictures), c.expected) << c.name;
}

// A 16 x 16 picture and "Sair" (24 x 13) in a 100 x 40 button. The picture's width counts the
// 2-pixel gap (18).
TEST(GlassButtonContent, EightLayoutsPlaceCaptionAndPicture) {
    struct Case {
        L layout;
        bool gdiPlus;
        bool curved;
        PixelRect caption;
        PixelPoint picture;
    } cases[] = {
        // GDI+: the caption is aligned in its rectangle by the string format.
        {L::blGlyphLeft, true, false, {20, 0, 80, 40}, {29, 12}},     // text at 38 before the shift, less 9
        {L::blGlyphTop, true, false, {0, 16, 100, 22}, {41, 4}},
        {L::blGlyphRight, true, false, {2, 0, 78, 40}, {55, 12}},     // after the text: 27 + 24 + 4
        {L::blGlyphBottom, true, false, {0, 2, 100, 22}, {41, 19}},
        {L::blGlyphLeftAdjusted, true, false, {20, 0, 80, 40}, {2, 12}},
        {L::blGlyphLeftAdjusted, true, true, {30, 0, 70, 40}, {12, 12}},  // clear of the curved end
        {L::blGlyphRightAdjusted, true, false, {2, 0, 78, 40}, {80, 12}},
        {L::blGlyphRightAdjusted, true, true, {2, 0, 68, 40}, {70, 12}},
        {L::blGlyphTopAdjusted, true, false, {0, 16, 100, 22}, {41, 2}},
        {L::blGlyphBottomAdjusted, true, false, {0, 2, 100, 22}, {41, 22}},  // 20 + 15 would leave the button
        // The platform's text call: the rectangle's top places the text vertically.
        {L::blGlyphLeft, false, false, {20, 13, 80, 27}, {29, 12}},   // text left (100 - 24 - 18) div 2
        {L::blGlyphTop, false, false, {0, 21, 100, 17}, {41, 2}},     // 4 - 4 raised to 2
        {L::blGlyphRight, false, false, {2, 13, 78, 27}, {55, 12}},
        {L::blGlyphBottom, false, false, {0, 4, 100, 20}, {41, 22}},  // (24 - 2 - 13) div 2, from 0
        {L::blGlyphLeftAdjusted, false, false, {22, 13, 80, 27}, {2, 12}},
        {L::blGlyphRightAdjusted, false, false, {2, 13, 78, 27}, {80, 12}},
        {L::blGlyphTopAdjusted, false, false, {0, 16, 100, 22}, {41, 2}},
        {L::blGlyphBottomAdjusted, false, false, {0, 9, 100, 13}, {41, 22}},
    };
    for (const auto& c : cases) {
        GlassContentInput in = Input(c.layout, "Sair", {16, 16}, c.gdiPlus);
        if (c.curved) in.shape = TButtonShape::btsCurvedRectangle;
        Measurer m;
        const auto out = LayoutGlassContent(in, m.Get());
        const std::string what = "layout " + std::to_string(int(c.layout)) + (c.gdiPlus ? " GDI+" : " GDI") +
                                 (c.curved ? " curved" : "");
        EXPECT_EQ(out.gdiPlus, c.gdiPlus) << what;
        EXPECT_EQ(out.captionRect, c.caption) << what << ": " << Str(out.captionRect);
        ASSERT_TRUE(out.picture) << what;
        EXPECT_EQ(*out.picture, c.picture) << what << ": " << out.picture->x << "," << out.picture->y;
    }
}

TEST(GlassButtonContent, SidePicturesStayClearOfTheCaptionText) {
    for (int width : {60, 81, 100, 160}) {
        for (const std::string caption : {"Ok", "Sair", "Seguinte >>"}) {
            for (L layout : {L::blGlyphLeft, L::blGlyphRight}) {
                Measurer m;
                GlassContentInput in = Input(layout, caption, {16, 16});
                in.client = {0, 0, width, 29};
                const auto out = LayoutGlassContent(in, m.Get());
                const int tw = TextSize(caption).width;
                const int textLeft = out.captionRect.x + (out.captionRect.width - tw) / 2;
                const std::string what = caption + " in " + std::to_string(width) + ", layout " + std::to_string(int(layout));
                if (tw > out.captionRect.width) continue;  // a caption wider than its room wraps
                if (layout == L::blGlyphLeft) {
                    EXPECT_LE(out.picture->x + 16, textLeft) << what;
                } else {
                    EXPECT_GE(out.picture->x, textLeft + tw) << what;
                }
                EXPECT_GE(out.picture->x, 0) << what;
                EXPECT_LE(out.picture->x + 16, width) << what;
            }
        }
    }
}

TEST(GlassButtonContent, EmptyCaptionCentresThePictureAndEmptyPictureCentresTheCaption) {
    for (int layout = 0; layout < 8; ++layout) {
        Measurer m;
        const auto pictureOnly = LayoutGlassContent(Input(L(layout), "", {16, 20}, false), m.Get());
        EXPECT_EQ(pictureOnly.picture, (PixelPoint{42, 10})) << "layout " << layout << ": no gap without a caption";
        EXPECT_EQ(m.gdiCalls, 0) << "nothing to measure";
    }
    Measurer m;
    const auto wizard = LayoutGlassContent(GlassContentInput{{0, 0, 81, 29}, "Seguinte >>"}, m.Get());
    EXPECT_FALSE(wizard.picture);
    EXPECT_EQ(wizard.captionRect, (PixelRect{2, 0, 79, 29})) << "the client width less 2 pixels on the left";
    EXPECT_EQ(wizard.horizontal, TextAlign::Centre);
    EXPECT_EQ(wizard.vertical, TextAlign::Centre);
}

TEST(GlassButtonContent, TextPathAndCaptionColour) {
    struct Case {
        TAntiAlias antiAlias;
        bool drawable, enabled;
        bool gdiPlus;
        int hint;
        ctl::Argb brush;
    } cases[] = {
        {TAntiAlias::aaClearType, true, true, true, 5, 0xFFFFFFFF},
        {TAntiAlias::aaAntiAlias, true, true, true, 4, 0xFFFFFFFF},
        {TAntiAlias::aaClearType, true, false, true, 5, 0xFF808080},  // disabled: grey on this path
        {TAntiAlias::aaNone, true, true, false, 0, 0xFFFFFFFF},
        {TAntiAlias::aaClearType, false, false, false, 5, 0xFF808080},  // a font GDI+ cannot use
    };
    for (const auto& c : cases) {
        GlassContentInput in = Input(L::blGlyphLeft, "Sair", {});
        in.antiAlias = c.antiAlias;
        in.fontDrawableByGdiPlus = c.drawable;
        in.enabled = c.enabled;
        in.fontColor = fw::clWhite;
        Measurer m;
        const auto out = LayoutGlassContent(in, m.Get());
        EXPECT_EQ(out.gdiPlus, c.gdiPlus) << int(c.antiAlias) << c.drawable;
        EXPECT_EQ(out.renderingHint, c.hint) << int(c.antiAlias);
        EXPECT_EQ(out.gdiPlusColour, c.brush) << int(c.antiAlias) << c.enabled;
        EXPECT_EQ(out.gdiColour, fw::clWhite) << "the platform path keeps the font colour, also disabled";
        if (!c.gdiPlus) {
            EXPECT_EQ(m.lastGdiWidth, 100 - 2) << "the second measure in the caption rectangle's width";
        } else {
            EXPECT_EQ(m.gdiPlusHint, c.hint) << int(c.antiAlias) << ": measured as it is drawn";
        }
    }
    EXPECT_EQ(GdiPlusFontStyle(true, true, true), 7);
    EXPECT_EQ(GdiPlusFontStyle(false, true, false), 2);
}

TEST(GlassButtonContent, FocusOutlineInsideTheBody) {
    GlassContentInput in = Input(L::blGlyphLeft, "Sair", {});
    Measurer m;
    EXPECT_FALSE(LayoutGlassContent(in, m.Get()).focusOutline) << "only when wanted";
    in.focusOutline = true;
    in.cornerRadius = 12;
    EXPECT_EQ(LayoutGlassContent(in, m.Get()).focusOutline, RoundedRectPath({4, 4, 92, 32}, 10));
    in.cornerRadius = 1;  // radius -1: square corners
    EXPECT_EQ(LayoutGlassContent(in, m.Get()).focusOutline, RoundedRectPath({4, 4, 92, 32}, 0));
    in.shape = TButtonShape::btsCurvedRectangle;
    in.direction = TButtonDirection::bdLeft;
    EXPECT_EQ(LayoutGlassContent(in, m.Get()).focusOutline, CurvedPath({6, 5, 88, 30}, TButtonDirection::bdLeft));
}

// ---------------------------------------------------------------------------------------------
// Around the button

TEST(GlassButtonAround, ShortCutHintSitsHalfOverTheNamedEdge) {
    using P = TShortCutHintPos;
    const PixelPoint at{500, 300};
    const PixelSize button{81, 29}, hint{20, 16};
    struct Case {
        P pos;
        std::optional<PixelPoint> expected;
    } cases[] = {
        {P::shpLeft, PixelPoint{490, 306}},   {P::shpTop, PixelPoint{530, 292}},
        {P::shpRight, PixelPoint{571, 306}},  {P::shpBottom, PixelPoint{530, 321}},
        {P::shpCenter, std::nullopt},         {P::shpBelowBottomCenter, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortCutHintPlace(c.pos, at, button, hint), c.expected) << int(c.pos);
}

TEST(GlassButtonAround, OverlapIsTheSharedPartInEachButtonsCoordinates) {
    const PixelRect seguinte{409, 311, 81, 29}, sair{504, 311, 73, 29};
    EXPECT_FALSE(OverlapOf(seguinte, sair)) << "the wizard's buttons stand apart";
    EXPECT_FALSE(OverlapOf({0, 0, 10, 10}, {10, 0, 10, 10})) << "touching edges share nothing";
    const auto o = OverlapOf({100, 50, 80, 30}, {150, 60, 80, 30});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->inThis, (PixelRect{50, 10, 30, 20}));
    EXPECT_EQ(o->inOther, (PixelRect{0, 0, 30, 20}));
}

// The margins of the layout are the design's at 96 DPI, scaled to the button's DPI: the wizard's
// caption keeps 2 design pixels on the left (3 at 144 DPI, 4 at 192), the focus outline 4 all round,
// the picture 2 from its caption.
TEST(GlassButtonContent, MarginsAreScaledToTheButtonsDpi) {
    struct Case {
        int dpi, width, height, margin, focus;
    } const cases[] = {{96, 81, 29, 2, 4}, {120, 102, 36, 3, 5}, {144, 121, 43, 3, 6}, {192, 162, 58, 4, 8}};
    for (const Case& c : cases) {
        Measurer m;
        GlassContentInput in{{0, 0, c.width, c.height}, "Seguinte >>"};
        in.dpi = c.dpi;
        in.focusOutline = true;
        in.cornerRadius = 12 * c.dpi / 96;
        const auto out = LayoutGlassContent(in, m.Get());
        EXPECT_EQ(out.captionRect, (PixelRect{c.margin, 0, c.width - c.margin, c.height})) << c.dpi << " DPI";
        EXPECT_EQ(out.focusOutline, RoundedRectPath({c.focus, c.focus, c.width - 2 * c.focus, c.height - 2 * c.focus},
                                                    in.cornerRadius - c.margin))
            << c.dpi << " DPI";
        // A picture left of the caption: its gap to the caption scaled too.
        GlassContentInput pictured = Input(L::blGlyphLeftAdjusted, "Seguinte", {24, 24});
        pictured.client = {0, 0, c.width, c.height};
        pictured.dpi = c.dpi;
        const auto placed = LayoutGlassContent(pictured, m.Get());
        ASSERT_TRUE(placed.picture);
        EXPECT_EQ(placed.captionRect.x - (placed.picture->x + 24), c.margin) << c.dpi << " DPI";
    }
}

}  // namespace
