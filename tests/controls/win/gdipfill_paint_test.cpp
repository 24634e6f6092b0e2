// The gradient fill and the pictures painted by GDI+ into 32-bit ARGB bitmaps, checked pixel by
// pixel with tolerances.

#include "tests/controls/win/gdipfill_pixels.h"

#include <memory>
#include <optional>
#include <vector>

#include "controls/GDIPPictureContainer.h"
#include "controls/win/AdvGDIP.h"
#include "controls/win/GDIPFill.h"
#include "tests/controls/advgdip_png.h"

namespace {

using namespace ctl;
using pixels::Argb;
using pixels::At;
using pixels::Near;
using pixels::Surface;


TEST(FillPaint, WizardBackgroundIsAnUnsplitSquareGradientWithNoVisibleBorder) {
    TGDIPFill fill;
    fill.SetColor(fw::clBlack);
    fill.SetColorTo(3355443);
    fill.SetGradientMirrorType(TAdvGradientType::gtVertical);
    fill.SetOpacityTo(178);
    fill.SetBorderColor(fw::clGray);
    fill.SetBorderOpacity(0);
    fill.SetRounding(10);
    fill.SetRoundingType(TFillRoundingType::rtNone);
    fill.SetShadowColor(fw::clBlack);
    Surface s(580, 347);
    win::Fill(fill, &s.graphics, {0, 0, 579, 346});

    // Top: opaque black, corners included (square although Rounding is 10).
    for (int x : {1, 2, 290, 577})
        EXPECT_TRUE(Near(At(s.bitmap, x, 1), {255, 0, 0, 0}, 3)) << "top row, x " << x;
    // Bottom: 51, 51, 51 at alpha 178, corners included.
    for (int x : {1, 290, 577})
        EXPECT_TRUE(Near(At(s.bitmap, x, 344), {178, 51, 51, 51}, 6)) << "bottom row, x " << x;
    // One gradient from top to bottom: alpha falls and the grey rises, the same on every column.
    int lastAlpha = 256, lastGrey = -1;
    for (int y = 1; y <= 344; y += 31) {
        const Argb left = At(s.bitmap, 3, y), mid = At(s.bitmap, 290, y);
        EXPECT_LE(mid.a, lastAlpha) << "y " << y;
        EXPECT_GE(mid.r, lastGrey) << "y " << y;
        EXPECT_TRUE(Near(left, mid, 1)) << "y " << y;
        lastAlpha = mid.a;
        lastGrey = mid.r;
    }
    // The half-covered outermost pixels carry the gradient's colour, not the border's grey.
    for (auto [x, y] : {std::pair{290, 0}, std::pair{0, 100}, std::pair{579, 100}, std::pair{290, 346}}) {
        const Argb p = At(s.bitmap, x, y);
        EXPECT_LT(p.r, 60) << "edge " << x << "," << y << ": " << pixels::Show(p);
    }
}

// A first fill on blank pixels that comes out alike in every column is painted by GDI+ in a few
// columns and copied to the rest: the pixels must be GDI+'s own, to the bit.
TEST(FillPaint, AVerticalGradientOnBlankPixelsIsWhatGdiplusPaintsEverywhere) {
    struct Case {
        const char* name;
        int width, height;
        RectF rect;
        TFillRoundingType rounding;
        Gdiplus::SmoothingMode smoothing;
        bool mirror, line;
    };
    using enum TFillRoundingType;
    const Case cases[] = {
        {"wizard panel at 144 DPI", 870, 520, {0, 0, 869, 519}, rtNone, Gdiplus::SmoothingModeAntiAlias},
        {"fractional edges, no smoothing", 300, 200, {2.5f, 3.25f, 250.5f, 150.75f}, rtNone, Gdiplus::SmoothingModeNone},
        {"beyond the pixels", 200, 100, {-20.5f, -3, 260, 120}, rtNone, Gdiplus::SmoothingModeAntiAlias},
        {"mirrored halves (the second fill is not on blank pixels)", 240, 160, {1, 1, 230, 150}, rtNone,
         Gdiplus::SmoothingModeAntiAlias, true},
        {"rounded corners (not a rectangle)", 240, 160, {1, 1, 230, 150}, rtBoth, Gdiplus::SmoothingModeAntiAlias},
        {"a gradient between two points", 320, 90, {4, 6, 300.5f, 70}, rtNone, Gdiplus::SmoothingModeAntiAlias,
         false, true},
    };
    for (const Case& c : cases) {
        auto paint = [&](bool blank) {
            std::vector<std::uint32_t> memory(static_cast<std::size_t>(c.width) * c.height, 0u);
            Gdiplus::Bitmap bitmap(c.width, c.height, c.width * 4, PixelFormat32bppPARGB,
                                   reinterpret_cast<BYTE*>(memory.data()));
            Gdiplus::Graphics graphics(&bitmap);
            graphics.SetSmoothingMode(c.smoothing);
            const std::optional<win::BlankPixels> pixels =
                blank ? std::optional(win::BlankPixels{memory.data(), c.width, c.height}) : std::nullopt;
            win::GdiplusCanvas canvas(graphics, pixels);
            if (c.line) {
                canvas.FillRect(c.rect, LineGradientBrush{{0, c.rect.y}, {0, c.rect.y + c.rect.height},
                                                          0xFF102030, 0x80F0E0D0});
            } else {
                TGDIPFill fill;
                fill.SetColor(fw::clBlack);
                fill.SetColorTo(3355443);
                fill.SetColorMirror(c.mirror ? fw::clNavy : fw::clNone);
                fill.SetColorMirrorTo(c.mirror ? fw::clWhite : fw::clNone);
                fill.SetOpacityTo(178);
                fill.SetBorderColor(fw::clNone);
                fill.SetRounding(10);
                fill.SetRoundingType(c.rounding);
                fill.SetShadowColor(fw::clNone);
                fill.Fill(&canvas, c.rect);
            }
            return memory;
        };
        const std::vector<std::uint32_t> direct = paint(false), byColumn = paint(true);
        std::size_t differing = 0, firstAt = 0;
        for (std::size_t i = 0; i < direct.size(); ++i)
            if (direct[i] != byColumn[i] && differing++ == 0) firstAt = i;
        EXPECT_EQ(differing, 0u) << c.name << ": first at x " << firstAt % c.width << ", y " << firstAt / c.width
                                 << std::hex << ", 0x" << byColumn[firstAt] << " instead of 0x" << direct[firstAt];
        EXPECT_NE(direct[static_cast<std::size_t>(c.height / 2) * c.width + c.width / 2], 0u) << c.name;
    }
}

TEST(FillPaint, SplitMirrorPaintsTwoHalvesWithAnExactSeamRow) {
    TGDIPFill fill;
    fill.SetColor(0x0000FF);          // red
    fill.SetColorTo(0x000080);
    fill.SetColorMirror(0xFF0000);    // blue
    fill.SetColorMirrorTo(0x800000);
    fill.SetGradientMirrorType(TAdvGradientType::gtVertical);
    Surface s(100, 100);
    win::Fill(fill, &s.graphics, {0, 0, 100, 100});
    // Upper part (0..51) red shades, lower half (49..100) blue shades, the lower one on top.
    EXPECT_TRUE(Near(At(s.bitmap, 50, 1), {255, 255, 0, 0}, 8));
    EXPECT_TRUE(Near(At(s.bitmap, 50, 47), {255, 139, 0, 0}, 24));  // 90% of the way to 128
    EXPECT_TRUE(Near(At(s.bitmap, 50, 49), {255, 0, 0, 255}, 3)) << "seam row: exactly the mirror's start colour";
    EXPECT_TRUE(Near(At(s.bitmap, 50, 98), {255, 0, 0, 128}, 8));
    const Argb upper = At(s.bitmap, 50, 30), lower = At(s.bitmap, 50, 70);
    EXPECT_GT(upper.r, 150);
    EXPECT_LT(upper.b, 10);
    EXPECT_GT(lower.b, 150);
    EXPECT_LT(lower.r, 10);
}

TEST(FillPaint, RadialFillDarkensTowardsTheTopCentre) {
    TGDIPFill fill;
    fill.SetGradientType(TAdvGradientType::gtRadial);
    fill.SetColor(fw::clWhite);  // surround
    fill.SetColorTo(fw::clBlack);  // centre, on the top edge's middle
    Surface s(100, 100);
    win::Fill(fill, &s.graphics, {0, 0, 100, 100});
    const Argb centre = At(s.bitmap, 50, 2), middle = At(s.bitmap, 50, 50), corner = At(s.bitmap, 2, 97);
    EXPECT_LT(centre.r, 40) << pixels::Show(centre);
    EXPECT_GT(middle.r, centre.r + 40) << pixels::Show(middle);
    EXPECT_TRUE(Near(corner, {255, 255, 255, 255}, 3)) << "outside the ellipse: the solid surround colour";
    EXPECT_EQ(centre.a, 255);
}

TEST(FillPaint, RightBottomShadowShowsBesideAndBelowTheReducedFill) {
    TGDIPFill fill;
    fill.SetColor(fw::clWhite);
    fill.SetColorTo(fw::clNone);  // solid
    fill.SetShadowColor(fw::clBlack);
    fill.SetShadowOffset(6);
    Surface s(100, 100);
    const RectF rest = win::Fill(fill, &s.graphics, {0, 0, 100, 100});
    EXPECT_EQ(rest, (RectF{0, 0, 94, 94}));
    EXPECT_TRUE(Near(At(s.bitmap, 50, 50), {255, 255, 255, 255}, 1));
    for (auto [x, y] : {std::pair{97, 50}, std::pair{50, 97}}) {
        const Argb p = At(s.bitmap, x, y);
        EXPECT_GT(p.a, 5) << "shadow at " << x << "," << y << ": " << pixels::Show(p);
        EXPECT_LT(p.a, 200) << "shadow at " << x << "," << y << ": " << pixels::Show(p);
        EXPECT_LT(p.r, 30) << "shadow at " << x << "," << y << ": " << pixels::Show(p);
    }
    // The shadow fades out towards its outline.
    EXPECT_LT(At(s.bitmap, 99, 50).a, At(s.bitmap, 96, 50).a);
}

TEST(PicturePaint, DecodedThroughGdiplusAndDrawnScaledOrTiled) {
    TAdvGDIPPicture picture;
    picture.LoadFromStream(testpng::Make(2, 2, [](int x, int y) { return (x + y) % 2 ? 0xFF0000FFu : 0xFFFF0000u; }));
    picture.SetDecodedSize({0, 0});
    win::DecodePicture(picture);
    EXPECT_EQ(picture.Size(), (ImageSize{2, 2}));

    Surface s(40, 40);
    s.graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    s.graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    win::DrawToGraphics(picture, s.graphics, RECT{0, 0, 20, 20});  // scaled 10 times
    s.graphics.SetSmoothingMode(Gdiplus::SmoothingModeNone);
    win::FillRectWithTexture(picture, s.graphics, Gdiplus::RectF(20, 20, 20, 20));  // tiled 1:1
    EXPECT_TRUE(Near(At(s.bitmap, 5, 5), {255, 255, 0, 0}, 40));
    EXPECT_TRUE(Near(At(s.bitmap, 15, 5), {255, 0, 0, 255}, 40));
    EXPECT_TRUE(Near(At(s.bitmap, 15, 15), {255, 255, 0, 0}, 40));
    EXPECT_TRUE(Near(At(s.bitmap, 25, 3), {0, 0, 0, 0}, 0)) << "nothing outside the target";
    for (int x = 20; x < 26; ++x) {
        const Argb p = At(s.bitmap, x, 21), q = At(s.bitmap, x + 2, 21);
        EXPECT_TRUE(Near(p, q, 2)) << "texture repeats every 2 pixels at x " << x;
    }
    EXPECT_FALSE(Near(At(s.bitmap, 20, 20), At(s.bitmap, 21, 20), 100));
}

TEST(PicturePaint, EmptyOrUndecodablePicturesDrawNothing) {
    TAdvGDIPPicture empty, garbage;
    garbage.LoadFromStream(fw::Bytes{1, 2, 3, 4});
    Surface s(10, 10);
    for (TAdvGDIPPicture* p : {&empty, &garbage}) {
        win::DrawToGraphics(*p, s.graphics, RECT{0, 0, 10, 10});
        win::FillRectWithTexture(*p, s.graphics, Gdiplus::RectF(0, 0, 10, 10));
        win::DecodePicture(*p);
        EXPECT_EQ(p->Size(), (ImageSize{0, 0}));
    }
    EXPECT_TRUE(Near(At(s.bitmap, 5, 5), {0, 0, 0, 0}, 0));
}

TEST(PicturePaint, FillForegroundPictureFromAContainerLookup) {
    TGDIPPictureContainer container;
    TPictureItem& item = container.Items().Add();
    item.SetName("Logo");
    item.Picture().LoadFromStream(testpng::Solid(8, 6, 0xFF00FF00));
    TGDIPFill fill;
    fill.SetColor(fw::clBlack);
    fill.SetColorTo(fw::clNone);
    fill.SetPicture(*container.FindPicture("LOGO"));
    fill.SetPicturePosition(TFillPicturePosition::ppBottomRight);
    Surface s(50, 40);
    win::Fill(fill, &s.graphics, {0, 0, 50, 40});
    EXPECT_TRUE(Near(At(s.bitmap, 46, 36), {255, 0, 255, 0}, 2)) << "picture in the bottom-right corner";
    EXPECT_TRUE(Near(At(s.bitmap, 40, 30), {255, 0, 0, 0}, 2)) << "fill around it";
}

}  // namespace
