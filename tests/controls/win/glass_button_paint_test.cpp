// The glass button's body painted through the styled controls' GDI+ canvas into a bitmap over white, checked at a few pixels
// with tolerances: the half-transparent body, the rounded corners, the shine, the pressed glow,
// a symbol and the curved outline.

#include "tests/controls/win/gdipfill_pixels.h"

#include "controls/AdvGlassButtonGeometry.h"
#include "controls/win/GDIPFill.h"

namespace {

using namespace ctl::glass;
using pixels::At;
using pixels::Near;

constexpr int kWidth = 81, kHeight = 29;  // the wizard's "Seguinte >>"

// The body painted on white (it sets its own smoothing).
struct Painted : pixels::Surface {
    Painted(const GlassLook& look, const GlassPaintState& state) : Surface(kWidth, kHeight, pixels::kOpaqueWhite) {
        ctl::win::GdiplusCanvas canvas(graphics);
        PaintGlassDrawing(canvas, GlassBodyDrawing(look, state, kWidth, kHeight));
    }
};

GlassLook WizardLook() {
    GlassLook look;
    look.outerBorderColor = 7105644;
    look.cornerRadius = 12;
    return look;
}

TEST(GlassButtonPaint, BodyIsHalfTransparentBlackWithAShineOnTheUpperHalf) {
    Painted p(WizardLook(), GlassPaintState{});
    EXPECT_TRUE(Near(p(40, 22), {255, 128, 128, 128}, 4)) << "white under black at alpha 127";
    EXPECT_TRUE(Near(p(0, 0), {255, 255, 255, 255}, 2)) << "outside the rounded corner";
    EXPECT_TRUE(Near(p(79, 27), {255, 255, 255, 255}, 2)) << "outside the rounded corner";
    EXPECT_GT(p(40, 4).r, p(40, 22).r + 40) << "the shine brightens the upper half";
    EXPECT_GT(p(40, 4).r, p(40, 13).r) << "the shine fades downward";
}

TEST(GlassButtonPaint, PressedGlowTintsTheBottomMiddle) {
    Painted up(WizardLook(), GlassPaintState{});
    Painted pressed(WizardLook(), GlassPaintState{GlassState::gbsDown, true, true, true, false, false});
    const auto plain = up(40, 25), glowing = pressed(40, 25);
    EXPECT_LT(std::abs(plain.b - plain.r), 3);
    EXPECT_GT(glowing.b, glowing.r + 40) << pixels::Show(glowing);
    EXPECT_TRUE(Near(pressed(0, 0), {255, 255, 255, 255}, 2)) << "the glow stays inside the body";
}

TEST(GlassButtonPaint, SymbolAndCurvedOutline) {
    GlassLook look = WizardLook();
    look.backGroundSymbol = TBackGroundSymbol::bsStop;
    Painted stop(look, GlassPaintState{});
    EXPECT_GT(stop(40, 18).r, 190) << "white at alpha 160 over the body";

    look.backGroundSymbol = TBackGroundSymbol::bsNone;
    look.buttonShape = TButtonShape::btsCurvedRectangle;
    Painted curved(look, GlassPaintState{});
    EXPECT_TRUE(Near(curved(2, 14), {255, 255, 255, 255}, 2)) << "the left end curves inward";
    EXPECT_TRUE(Near(curved(80, 1), {255, 255, 255, 255}, 2)) << "the right end is round";
    EXPECT_LT(curved(76, 20).r, 160) << "inside the round end";
}

}  // namespace
