#include <gtest/gtest.h>

#include <map>

#include "controls/GDIPFill.h"
#include "tests/controls/advgdip_png.h"
#include "tests/controls/gdipfill_recording_canvas.h"

namespace {

using namespace ctl;
using ctl::testing::Call;
using ctl::testing::RecordingCanvas;
using Op = Call::Op;

PathSegment L(float x1, float y1, float x2, float y2) { return PathSegment::Line({x1, y1}, {x2, y2}); }
PathSegment A(float x, float y, float start) { return PathSegment::Arc({x, y, 10, 10}, start, 90); }

std::string Describe(const Path& p) {
    std::ostringstream out;
    for (const auto& s : p.segments) {
        if (s.kind == PathSegment::Kind::Line)
            out << "L(" << s.from.x << ',' << s.from.y << ")-(" << s.to.x << ',' << s.to.y << ") ";
        else
            out << "A(" << s.box.x << ',' << s.box.y << ',' << s.box.width << ',' << s.box.height << ' '
                << s.startAngle << '/' << s.sweepAngle << ") ";
    }
    return out.str();
}

// Rectangle (10, 20, 100, 50), radius 5: right edge 110, bottom 70, arc boxes 10 x 10.
TEST(CreateRoundRectPath, EveryRoundingTypeGivesItsSegmentsInOrder) {
    struct Case {
        TFillRoundingType type;
        std::vector<PathSegment> segments;
    };
    using enum TFillRoundingType;
    const Case cases[] = {
        {rtNone, {L(10, 20, 110, 20), L(110, 20, 110, 70), L(110, 70, 10, 70), L(10, 70, 10, 20)}},
        {rtTop,
         {A(10, 20, 180), L(15, 20, 105, 20), A(100, 20, 270), L(110, 25, 110, 70), L(110, 70, 10, 70),
          L(10, 70, 10, 25)}},
        {rtBottom,
         {L(10, 20, 110, 20), L(110, 20, 110, 65), A(100, 60, 0), L(105, 70, 15, 70), A(10, 60, 90),
          L(10, 65, 10, 20)}},
        {rtBoth,
         {A(10, 20, 180), L(15, 20, 105, 20), A(100, 20, 270), L(110, 25, 110, 65), A(100, 60, 0), L(105, 70, 15, 70),
          A(10, 60, 90), L(10, 65, 10, 25)}},
        {rtLeft,
         {A(10, 20, 180), L(15, 20, 105, 20), L(110, 20, 110, 70), L(105, 70, 15, 70), A(10, 60, 90),
          L(10, 65, 10, 25)}},
        {rtRight,
         {L(10, 20, 105, 20), A(100, 20, 270), L(110, 25, 110, 65), A(100, 60, 0), L(105, 70, 10, 70),
          L(10, 65, 10, 25)}},
    };
    for (const Case& c : cases) {
        const Path got = CreateRoundRectPath({10, 20, 100, 50}, 5, c.type);
        EXPECT_EQ(got, Path{c.segments}) << "rounding type " << static_cast<int>(c.type) << ": " << Describe(got);
    }
}

TEST(SplitMirror, HalvesOverlapByTwoRowsAroundTheMiddle) {
    struct Case {
        RectF rect, upper, lower;
    };
    const Case cases[] = {
        {{0, 0, 100, 50}, {0, 0, 100, 26}, {0, 24, 100, 26}},
        {{5, 10, 40, 21}, {5, 10, 40, 11.5f}, {5, 19.5f, 40, 11.5f}},
        {{0, -1, 581, 349}, {0, -1, 581, 175.5f}, {0, 172.5f, 581, 175.5f}},
    };
    for (const Case& c : cases) {
        const MirrorParts parts = SplitMirror(c.rect);
        EXPECT_EQ(parts.upper, c.upper) << "rect height " << c.rect.height;
        EXPECT_EQ(parts.lower, c.lower) << "rect height " << c.rect.height;
        EXPECT_FLOAT_EQ(parts.upper.y + parts.upper.height - parts.lower.y, 2.0f);
        EXPECT_FLOAT_EQ(parts.lower.y + parts.lower.height, c.rect.y + c.rect.height);  // ends at the bottom
    }
}

TEST(SplitRounding, HalvesKeepOnlyTheirOwnCorners) {
    using enum TFillRoundingType;
    struct Case {
        TFillRoundingType type, upper, lower;
    };
    const Case cases[] = {{rtNone, rtNone, rtNone},   {rtTop, rtTop, rtNone},     {rtBottom, rtNone, rtBottom},
                          {rtBoth, rtTop, rtBottom},  {rtLeft, rtLeft, rtLeft},   {rtRight, rtRight, rtRight}};
    for (const Case& c : cases) {
        EXPECT_EQ(SplitRounding(c.type, false), c.upper) << static_cast<int>(c.type);
        EXPECT_EQ(SplitRounding(c.type, true), c.lower) << static_cast<int>(c.type);
    }
}

TEST(FitPictureSize, KeepsAspectAndEnlargesSmallPicturesOnlyWhenStretching) {
    struct Case {
        double w, h, rw, rh;
        TPictureMode mode;
        double fw, fh;
    };
    using enum TPictureMode;
    const Case cases[] = {
        {40, 20, 100, 100, pmNormal, 40, 20},    // small picture kept as it is
        {40, 20, 100, 100, pmStretch, 100, 50},  // enlarged to the width
        {20, 40, 100, 100, pmStretch, 50, 100},  // enlarged to the height
        {200, 100, 100, 100, pmNormal, 100, 50}, // large picture shrinks in either mode
        {40, 20, 40, 100, pmNormal, 40, 20},     // as wide as the room: fitted, same size
        {0, 20, 100, 100, pmStretch, 0, 0},
        {40, 20, 100, -1, pmStretch, 0, 0},
    };
    for (const Case& c : cases) {
        auto [w, h] = FitPictureSize(c.w, c.h, c.rw, c.rh, c.mode);
        EXPECT_DOUBLE_EQ(w, c.fw) << c.w << "x" << c.h << " into " << c.rw << "x" << c.rh;
        EXPECT_DOUBLE_EQ(h, c.fh) << c.w << "x" << c.h << " into " << c.rw << "x" << c.rh;
    }
}

TEST(PictureTarget, EveryPositionPlacesThePictureInTheRectangle) {
    // Rectangle left 10, top 20, right 110, bottom 80; picture 30 x 20 unless stated.
    const RectL rect{10, 20, 110, 80};
    struct Case {
        TFillPicturePosition position;
        int w, h;
        bool keepAspect;
        std::optional<RectL> target;
    };
    using enum TFillPicturePosition;
    const Case cases[] = {
        {ppTopLeft, 30, 20, false, RectL{10, 20, 40, 40}},
        {ppTopCenter, 30, 20, false, RectL{45, 20, 75, 40}},
        {ppTopRight, 30, 20, false, RectL{80, 20, 110, 40}},
        {ppBottomLeft, 30, 20, false, RectL{10, 60, 40, 80}},
        {ppBottomCenter, 30, 20, false, RectL{45, 60, 75, 80}},
        {ppBottomRight, 30, 20, false, RectL{80, 60, 110, 80}},
        {ppCenterLeft, 30, 20, false, RectL{10, 40, 40, 60}},
        {ppCenterCenter, 30, 20, false, RectL{45, 40, 75, 60}},
        {ppCenterRight, 30, 20, false, RectL{80, 40, 110, 60}},
        {ppCustom, 30, 20, false, RectL{3, 4, 33, 24}},  // graphics coordinates, not the rectangle's
        {ppStretched, 30, 20, false, RectL{10, 20, 110, 80}},
        {ppStretched, 30, 20, true, RectL{15, 20, 105, 80}},  // 90 x 60, centred
        {ppTiled, 30, 20, false, std::nullopt},
        {ppTopCenter, 131, 21, false, RectL{-5, 20, 126, 41}},   // (100 - 131) / 2 truncates to -15
        {ppCenterCenter, 31, 81, false, RectL{44, 10, 75, 91}},  // (60 - 81) / 2 truncates to -10
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PictureTarget(rect, c.w, c.h, c.position, c.keepAspect, TPictureMode::pmStretch, 3, 4), c.target)
            << "position " << static_cast<int>(c.position) << ", picture " << c.w << "x" << c.h;
    }
}

// ---- Properties --------------------------------------------------------------------------------

std::int64_t AsNumber(const fw::Value& v) {
    if (auto* b = std::get_if<bool>(&v)) return *b;
    return std::get<std::int64_t>(v);
}

// A different value of the same kind as `v`.
fw::Value Other(const fw::PropertyInfo& p, const fw::Value& v) {
    switch (p.type) {
    case fw::PropertyType::Bool: return !std::get<bool>(v);
    case fw::PropertyType::Enum:
        return static_cast<std::int64_t>((std::get<std::int64_t>(v) + 1) % p.enumInfo->members.size());
    default: return static_cast<std::int64_t>((std::get<std::int64_t>(v) + 1) & 0xFF);
    }
}

TEST(TGDIPFillProperties, DeclaredDefaultsAreTheInitialValuesAndTheRestIsAlwaysWritten) {
    TGDIPFill fill;
    // No declared default: always written. Their initial values, by the same table.
    const std::map<std::string, std::int64_t> alwaysWritten = {
        {"ColorMirror", fw::clNone}, {"ColorMirrorTo", fw::clNone}, {"GradientType", 2 /*gtVertical*/},
        {"GradientMirrorType", 0 /*gtSolid*/}, {"BorderColor", fw::clNone}, {"Rounding", 0},
        {"ShadowOffset", 0}, {"Glow", 0 /*gmNone*/}};
    int written = 0;
    for (const fw::PropertyInfo& p : fill.Class().properties) {
        if (p.type == fw::PropertyType::Object) continue;
        const fw::Value initial = p.get(fill);
        if (p.declaredDefault) {
            EXPECT_EQ(initial, *p.declaredDefault) << p.name;
            EXPECT_EQ(alwaysWritten.count(std::string(p.name)), 0u) << p.name;
        } else {
            ++written;
            auto it = alwaysWritten.find(std::string(p.name));
            ASSERT_NE(it, alwaysWritten.end()) << p.name << " has no declared default";
            EXPECT_EQ(AsNumber(initial), it->second) << p.name;
        }
    }
    EXPECT_EQ(written, static_cast<int>(alwaysWritten.size()));
}

TEST(TGDIPFillProperties, EverySetterNotifiesOnlyOnAnEffectiveChange) {
    TGDIPFill fill;
    int notifications = 0;
    fill.OnChange = [&](fw::Persistent& sender) {
        EXPECT_EQ(&sender, &fill);
        ++notifications;
    };
    for (const fw::PropertyInfo& p : fill.Class().properties) {
        if (p.type == fw::PropertyType::Object) continue;
        const fw::Value current = p.get(fill);
        notifications = 0;
        p.set(fill, current);
        EXPECT_EQ(notifications, 0) << p.name << " set to its own value";
        const fw::Value other = Other(p, current);
        p.set(fill, other);
        EXPECT_EQ(notifications, 1) << p.name << " changed";
        EXPECT_EQ(p.get(fill), other) << p.name;
        p.set(fill, other);
        EXPECT_EQ(notifications, 1) << p.name << " set again to the same value";
    }
}

TEST(TGDIPFillProperties, UpdateCounterHoldsNotificationsBack) {
    TGDIPFill fill;
    int notifications = 0;
    fill.OnChange = [&](fw::Persistent&) { ++notifications; };
    fill.BeginUpdate();
    fill.BeginUpdate();
    fill.SetColor(fw::clRed);
    fill.SetAngle(45);
    fill.EndUpdate();
    EXPECT_EQ(notifications, 0);
    fill.EndUpdate();
    EXPECT_EQ(notifications, 1);  // the batch is reported once
    fill.EndUpdate();             // unbalanced: ignored
    fill.SetAngle(46);
    EXPECT_EQ(notifications, 2);
}

TEST(TGDIPFillProperties, PictureChangesAreTheFillsChanges) {
    TGDIPFill fill;
    int notifications = 0;
    fill.OnChange = [&](fw::Persistent& sender) {
        EXPECT_EQ(&sender, &fill);
        ++notifications;
    };
    const auto png = testpng::Solid(3, 2, 0xFF00FF00);
    fill.Picture().LoadFromStream(png);
    EXPECT_EQ(notifications, 1);
    fill.BackGroundPicture().LoadFromStream(png);
    EXPECT_EQ(notifications, 2);
    fill.Picture().Assign(nullptr);
    EXPECT_EQ(notifications, 3);
}

TEST(TGDIPFillAssign, CopiesEveryPublishedPropertyAndPicturesByContentWithOneNotification) {
    TGDIPFill source;
    for (const fw::PropertyInfo& p : source.Class().properties)
        if (p.type != fw::PropertyType::Object) p.set(source, Other(p, p.get(source)));
    source.Picture().LoadFromStream(testpng::Solid(4, 4, 0xFFFF0000));
    source.BackGroundPicture().LoadFromStream(testpng::Solid(2, 5, 0xFF0000FF));

    TGDIPFill target;
    int notifications = 0;
    target.OnChange = [&](fw::Persistent&) { ++notifications; };
    target.Assign(&source);
    EXPECT_EQ(notifications, 1);
    for (const fw::PropertyInfo& p : source.Class().properties) {
        if (p.type == fw::PropertyType::Object) continue;
        EXPECT_EQ(p.get(target), p.get(source)) << p.name;
    }
    EXPECT_EQ(target.Picture().Data(), source.Picture().Data());
    EXPECT_EQ(target.BackGroundPicture().Data(), source.BackGroundPicture().Data());
    EXPECT_NE(&target.Picture(), &source.Picture());
}

TEST(TGDIPFillAssign, FromAnotherClassChangesNothing) {
    TGDIPFill fill;
    fill.SetColor(fw::clRed);
    int notifications = 0;
    fill.OnChange = [&](fw::Persistent&) { ++notifications; };
    TAdvGDIPPicture picture;
    picture.LoadFromStream(testpng::Solid(1, 1, 0xFFFFFFFF));
    fill.Assign(&picture);
    fill.Assign(nullptr);
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(fill.Color(), fw::clRed);
    EXPECT_TRUE(fill.Picture().Empty());
}

// ---- Fill --------------------------------------------------------------------------------------

// The wizard's background panel: Part of its window description.
void WizardBackground(TGDIPFill& f) {
    f.SetColor(fw::clBlack);
    f.SetColorTo(3355443);
    f.SetColorMirror(fw::clNone);
    f.SetColorMirrorTo(fw::clNone);
    f.SetGradientType(TAdvGradientType::gtVertical);
    f.SetGradientMirrorType(TAdvGradientType::gtVertical);
    f.SetOpacityTo(178);
    f.SetBorderColor(fw::clGray);
    f.SetBorderOpacity(0);
    f.SetRounding(10);
    f.SetRoundingType(TFillRoundingType::rtNone);
    f.SetShadowColor(fw::clBlack);
    f.SetShadowOffset(0);
    f.SetGlow(TGlowMode::gmNone);
}

TEST(TGDIPFillFill, WizardBackgroundIsOneSquareVerticalGradientWithAnInvisibleBorder) {
    TGDIPFill fill;
    WizardBackground(fill);
    RecordingCanvas canvas;
    canvas.smoothing = SmoothingMode::HighSpeed;
    const RectF rect{0, 0, 579, 346};
    EXPECT_EQ(fill.Fill(&canvas, rect, 255, 255, 255, 255, 255), rect);

    ASSERT_EQ(canvas.Summary(), "Smoothing FillPath:Linear Smoothing DrawPath");
    const Path square = CreateRoundRectPath(rect, 10, TFillRoundingType::rtNone);
    EXPECT_EQ(canvas.calls[0].mode, SmoothingMode::AntiAlias);
    EXPECT_EQ(canvas.calls[1].path, square);
    const auto& brush = std::get<LinearGradientBrush>(canvas.calls[1].brush);
    EXPECT_EQ(brush.rect, (RectF{-1, -1, 581, 348}));
    EXPECT_EQ(brush.from, 0xFF000000u);  // opaque black at the top
    EXPECT_EQ(brush.to, 0xB2333333u);    // R 51, G 51, B 51 at alpha 178 at the bottom
    EXPECT_EQ(brush.mode, LinearMode::Vertical);
    EXPECT_EQ(brush.wrap, WrapMode::Tile);
    EXPECT_TRUE(brush.gammaCorrection);
    EXPECT_EQ(canvas.calls[2].mode, SmoothingMode::HighSpeed);  // restored
    EXPECT_EQ(canvas.calls[3].path, square);
    EXPECT_EQ(canvas.calls[3].pen, (Pen{0x00808080, 1}));  // gray, fully transparent
    EXPECT_EQ(fill.FocusRect(), (RectF{1, 1, 577, 344}));
}

TEST(TGDIPFillFill, ColourKindsAndTheSplitDecideWhatIsPainted) {
    struct Case {
        const char* name;
        std::function<void(TGDIPFill&)> setup;
        std::string summary;
    };
    const Case cases[] = {
        {"initial fill: vertical gradient, square, no border", [](TGDIPFill&) {}, "FillRect:Linear"},
        {"ColorTo none gives a solid fill", [](TGDIPFill& f) { f.SetColorTo(fw::clNone); }, "FillRect:Solid"},
        {"Color none paints no gradient but the border",
         [](TGDIPFill& f) {
             f.SetColor(fw::clNone);
             f.SetBorderColor(fw::clRed);
         },
         "DrawPath"},
        {"hatch with a mirror colour is not split",
         [](TGDIPFill& f) {
             f.SetGradientType(TAdvGradientType::gtHatch);
             f.SetColorMirror(fw::clRed);
         },
         "FillRect:Hatch"},
        {"texture without a tiled picture paints nothing", [](TGDIPFill& f) {
             f.SetGradientType(TAdvGradientType::gtTexture);
             f.SetColorMirror(fw::clRed);
         },
         ""},
        {"mirror: upper gradient, lower solid half with its seam row",
         [](TGDIPFill& f) { f.SetColorMirror(fw::clRed); }, "FillRect:Linear FillRect:Solid"},
        {"mirror with both gradients: seam only on the lower half",
         [](TGDIPFill& f) {
             f.SetColorMirror(fw::clRed);
             f.SetColorMirrorTo(fw::clBlue);
             f.SetGradientMirrorType(TAdvGradientType::gtHorizontal);
         },
         "FillRect:Linear FillRect:Linear FillRect:Solid"},
        {"radial: solid shape, clip, ellipse gradient",
         [](TGDIPFill& f) { f.SetGradientType(TAdvGradientType::gtRadial); },
         "FillPath:Solid ClipPath FillRect:PathGradient ResetClip"},
        {"radial with no colour paints nothing",
         [](TGDIPFill& f) {
             f.SetGradientType(TAdvGradientType::gtRadial);
             f.SetColor(fw::clNone);
         },
         ""},
        {"path kind has no brush of its own",
         [](TGDIPFill& f) { f.SetGradientType(TAdvGradientType::gtPath); }, ""},
        {"gradient glow: outline, two bands of three pieces, in a clip",
         [](TGDIPFill& f) { f.SetGlow(TGlowMode::gmGradient); },
         "FillRect:Linear ClipRect DrawPath FillPath:Linear FillPath:Linear FillRect:Linear FillPath:Linear "
         "FillPath:Linear FillRect:Linear ResetClip"},
        {"radial glow: one ellipse in a clip",
         [](TGDIPFill& f) { f.SetGlow(TGlowMode::gmRadial); },
         "FillRect:Linear ClipRect FillPath:PathGradient ResetClip"},
        {"focus: dotted outline drawn crisp",
         [](TGDIPFill& f) { f.SetFocus(true); }, "FillRect:Linear Smoothing DrawPath Smoothing"},
    };
    for (const Case& c : cases) {
        TGDIPFill fill;
        c.setup(fill);
        RecordingCanvas canvas;
        fill.Fill(&canvas, {0, 0, 100, 40});
        EXPECT_EQ(canvas.Summary(), c.summary) << c.name;
    }
}

TEST(TGDIPFillFill, MirrorHalvesGetTheirOwnColoursRectanglesAndCorners) {
    TGDIPFill fill;
    fill.SetColor(0x0000FF);
    fill.SetColorTo(0x00FF00);
    fill.SetColorMirror(0xFF0000);
    fill.SetColorMirrorTo(0x00FFFF);
    fill.SetGradientMirrorType(TAdvGradientType::gtVertical);
    fill.SetOpacityMirror(100);
    fill.SetRounding(6);
    RecordingCanvas canvas;
    const RectF rect{0, 0, 100, 40};
    fill.Fill(&canvas, rect);
    ASSERT_EQ(canvas.Summary(), "Smoothing FillPath:Linear Smoothing Smoothing FillPath:Linear FillRect:Solid Smoothing");
    const MirrorParts parts = SplitMirror(rect);
    EXPECT_EQ(canvas.calls[1].path, CreateRoundRectPath(parts.upper, 6, TFillRoundingType::rtTop));
    EXPECT_EQ(canvas.calls[4].path, CreateRoundRectPath(parts.lower, 6, TFillRoundingType::rtBottom));
    const auto& upper = std::get<LinearGradientBrush>(canvas.calls[1].brush);
    EXPECT_EQ(upper.from, 0xFFFF0000u);
    EXPECT_EQ(upper.to, 0xFF00FF00u);
    const auto& lower = std::get<LinearGradientBrush>(canvas.calls[4].brush);
    EXPECT_EQ(lower.from, 0x640000FFu);
    EXPECT_EQ(lower.to, 0xFFFFFF00u);
    EXPECT_EQ(lower.rect, (RectF{-1, 18, 102, 23}));
    // The lower half's top row carries exactly its start colour.
    EXPECT_EQ(canvas.calls[5].rect, (RectF{0, 19, 100, 1}));
    EXPECT_EQ(std::get<SolidBrush>(canvas.calls[5].brush).colour, 0x640000FFu);
}

TEST(TGDIPFillFill, RadialHalvesAreRoundedTopAndBottomWhateverTheRoundingType) {
    TGDIPFill fill;
    fill.SetGradientType(TAdvGradientType::gtRadial);
    fill.SetGradientMirrorType(TAdvGradientType::gtRadial);
    fill.SetColorMirror(0x112233);
    fill.SetRounding(4);
    fill.SetRoundingType(TFillRoundingType::rtLeft);
    RecordingCanvas canvas;
    const RectF rect{10, 10, 60, 30};
    fill.Fill(&canvas, rect);
    ASSERT_EQ(canvas.Summary(),
              "FillPath:Solid ClipPath FillRect:PathGradient ResetClip FillPath:Solid ClipPath FillRect:PathGradient "
              "ResetClip");
    const MirrorParts parts = SplitMirror(rect);
    EXPECT_EQ(canvas.calls[0].path, CreateRoundRectPath(parts.upper, 4, TFillRoundingType::rtTop));
    EXPECT_EQ(canvas.calls[4].path, CreateRoundRectPath(parts.lower, 4, TFillRoundingType::rtBottom));
    // Upper: the ellipse reaches half a height above, centred on the top edge; the centre takes
    // ColorTo. Lower: centred on the bottom edge; the centre takes the mirror's start colour, and a
    // missing ColorMirrorTo repeats ColorMirror.
    const auto& up = std::get<PathGradientBrush>(canvas.calls[2].brush);
    EXPECT_EQ(parts.upper, (RectF{10, 10, 60, 16}));
    EXPECT_EQ(up.shape, Path::Ellipse({10, 2, 60, 24}));
    EXPECT_EQ(up.centre, (PointF{40, 10}));
    EXPECT_EQ(up.centreColour, 0xFF808080u);
    EXPECT_EQ(up.surround, std::vector<Argb>{0xFFC0C0C0u});
    const auto& low = std::get<PathGradientBrush>(canvas.calls[6].brush);
    EXPECT_EQ(parts.lower, (RectF{10, 24, 60, 16}));
    EXPECT_EQ(low.shape, Path::Ellipse({10, 24, 60, 24}));
    EXPECT_EQ(low.centre, (PointF{40, 40}));
    EXPECT_EQ(low.centreColour, 0xFF332211u);
    EXPECT_EQ(low.surround, std::vector<Argb>{0xFF332211u});
}

TEST(TGDIPFillFill, ShadowReducesTheReturnedRectangle) {
    struct Case {
        TShadowType type;
        int offset;
        fw::TColor colour;
        RectF result;
        std::string summary;
    };
    using enum TShadowType;
    const RectF rect{0, 0, 200, 100};
    const Case cases[] = {
        {stRightBottom, 4, fw::clBlack, {0, 0, 196, 96}, "FillPath:PathGradient FillRect:Linear"},
        {stSurround, 4, fw::clBlack, {4, 4, 192, 92}, "FillPath:PathGradient FillRect:Linear"},
        {stBottom, 4, fw::clBlack, {0, 0, 200, 96},
         "FillPath:Solid ClipPath FillRect:PathGradient ResetClip FillRect:Linear"},
        {stSurround, 0, fw::clBlack, rect, "FillRect:Linear"},
        {stSurround, -3, fw::clBlack, rect, "FillRect:Linear"},
        {stSurround, 4, fw::clNone, rect, "FillRect:Linear"},
    };
    for (const Case& c : cases) {
        TGDIPFill fill;
        fill.SetShadowType(c.type);
        fill.SetShadowOffset(c.offset);
        fill.SetShadowColor(c.colour);
        RecordingCanvas canvas;
        const RectF got = fill.Fill(&canvas, rect);
        EXPECT_EQ(got, c.result) << "type " << static_cast<int>(c.type) << " offset " << c.offset;
        EXPECT_EQ(canvas.Summary(), c.summary) << "type " << static_cast<int>(c.type) << " offset " << c.offset;
        EXPECT_EQ(got, ShadowReducedRect(rect, c.colour == fw::clNone ? 0 : c.offset, c.type));
        // The gradient fills exactly the reduced rectangle.
        EXPECT_EQ(canvas.calls.back().rect, got);
    }
}

TEST(TGDIPFillFill, SurroundShadowFadesInFromItsRoundedOutline) {
    TGDIPFill fill;
    fill.SetShadowType(TShadowType::stSurround);
    fill.SetShadowOffset(4);
    fill.SetShadowColor(0x0000FF);
    RecordingCanvas canvas;
    fill.Fill(&canvas, {0, 0, 200, 100});
    const auto& brush = std::get<PathGradientBrush>(canvas.calls[0].brush);
    EXPECT_EQ(canvas.calls[0].path, CreateRoundRectPath({0, 0, 200, 100}, 4, TFillRoundingType::rtBoth));
    EXPECT_EQ(brush.shape, canvas.calls[0].path);
    EXPECT_EQ(brush.wrap, WrapMode::Clamp);
    const std::vector<std::pair<float, Argb>> blend = {{0.0f, 0x00000000u}, {0.1f, 0xB4FF0000u}, {1.0f, 0xB4FF0000u}};
    EXPECT_EQ(brush.blend, blend);
}

TEST(TGDIPFillFill, OnePixelRectangleIsALineInTheBorderPen) {
    struct Case {
        RectF rect;
        fw::TColor border;
        int width;
        std::string summary;
    };
    const Case cases[] = {
        {{5, 5, 80, 1}, fw::clRed, 2, "DrawLine"},
        {{5, 5, 1, 30}, fw::clRed, 1, "DrawLine"},
        {{5, 5, 80, 1}, fw::clNone, 1, ""},
        {{5, 5, 80, 1}, fw::clRed, 0, ""},
    };
    for (const Case& c : cases) {
        TGDIPFill fill;
        fill.SetBorderColor(c.border);
        fill.SetBorderWidth(c.width);
        fill.SetShadowOffset(3);  // ignored for a line
        RecordingCanvas canvas;
        EXPECT_EQ(fill.Fill(&canvas, c.rect), c.rect);
        ASSERT_EQ(canvas.Summary(), c.summary) << c.rect.width << "x" << c.rect.height;
        if (!c.summary.empty()) {
            EXPECT_EQ(canvas.calls[0].from, (PointF{c.rect.x, c.rect.y}));
            EXPECT_EQ(canvas.calls[0].to, (PointF{c.rect.x + c.rect.width, c.rect.y + c.rect.height}));
            EXPECT_EQ(canvas.calls[0].pen, (Pen{0xFFFF0000u, static_cast<float>(c.width)}));
        }
    }
}

TEST(TGDIPFillFill, OpacityArgumentsOverrideTheirPropertiesUnless255) {
    TGDIPFill fill;
    fill.SetOpacity(10);
    fill.SetOpacityTo(20);
    fill.SetBorderColor(fw::clWhite);
    fill.SetBorderOpacity(30);
    struct Case {
        std::uint8_t border, from, to;
        Argb brushFrom, brushTo, pen;
    };
    const Case cases[] = {{255, 255, 255, 0x0AC0C0C0, 0x14808080, 0x1EFFFFFF},
                          {40, 50, 60, 0x32C0C0C0, 0x3C808080, 0x28FFFFFF}};
    for (const Case& c : cases) {
        RecordingCanvas canvas;
        fill.Fill(&canvas, {0, 0, 50, 50}, c.border, c.from, c.to);
        ASSERT_EQ(canvas.Summary(), "FillRect:Linear DrawPath");
        const auto& brush = std::get<LinearGradientBrush>(canvas.calls[0].brush);
        EXPECT_EQ(brush.from, c.brushFrom);
        EXPECT_EQ(brush.to, c.brushTo);
        EXPECT_EQ(canvas.calls[1].pen.colour, c.pen);
    }
}

TEST(TGDIPFillFill, NoCanvasDrawsNothingAndKeepsTheRectangle) {
    TGDIPFill fill;
    fill.SetShadowOffset(5);
    EXPECT_EQ(fill.Fill(nullptr, {1, 2, 3, 4}), (RectF{1, 2, 3, 4}));
}

TEST(TGDIPFillFill, PicturesArePlacedByTheirOwnSettings) {
    const auto picture = testpng::Solid(40, 20, 0xFF123456);
    struct Case {
        const char* name;
        std::function<void(TGDIPFill&)> setup;
        std::string summary;
        std::optional<RectL> target;  // of the last DrawPicture
    };
    using enum TFillPicturePosition;
    const Case cases[] = {
        {"foreground at its own size, centred",
         [&](TGDIPFill& f) {
             f.Picture().LoadFromStream(picture);
             f.SetPicturePosition(ppCenterCenter);
         },
         "FillRect:Linear DrawPicture", RectL{30, 40, 70, 60}},
        {"foreground at a custom size and place",
         [&](TGDIPFill& f) {
             f.Picture().LoadFromStream(picture);
             f.SetPictureSize(TFillPictureSize::psCustom);
             f.SetPictureWidth(10);
             f.SetPictureHeight(12);
             f.SetPicturePosition(ppCustom);
             f.SetPictureLeft(7);
             f.SetPictureTop(8);
         },
         "FillRect:Linear DrawPicture", RectL{7, 8, 17, 20}},
        {"background needs the texture kind",
         [&](TGDIPFill& f) { f.BackGroundPicture().LoadFromStream(picture); }, "FillRect:Linear", std::nullopt},
        {"background tiled: texture fill, then the tiles again over the rectangle",
         [&](TGDIPFill& f) {
             f.SetGradientType(TAdvGradientType::gtTexture);
             f.BackGroundPicture().LoadFromStream(picture);
             f.SetBackGroundPicturePosition(ppTiled);
         },
         "FillRect:Texture FillRect:Texture", std::nullopt},
        {"background inside the fill is clipped to the shape",
         [&](TGDIPFill& f) {
             f.SetGradientType(TAdvGradientType::gtTexture);
             f.BackGroundPicture().LoadFromStream(picture);
             f.SetBackGroundPictureMode(TFillPictureMode::pmInsideFill);
             f.SetBackGroundPicturePosition(ppBottomRight);
         },
         "ClipPath DrawPicture ResetClip", RectL{60, 80, 100, 100}},
        // Outside the fill the background keeps its own aspect settings (not the foreground's).
        {"background outside the fill, stretched keeping its aspect",
         [&](TGDIPFill& f) {
             f.SetGradientType(TAdvGradientType::gtTexture);
             f.BackGroundPicture().LoadFromStream(picture);
             f.SetBackGroundPicturePosition(ppStretched);
             f.SetBackGroundPictureAspectRatio(true);
         },
         "DrawPicture", RectL{0, 25, 100, 75}},
        {"background aspect ignores the foreground's flag",
         [&](TGDIPFill& f) {
             f.SetGradientType(TAdvGradientType::gtTexture);
             f.BackGroundPicture().LoadFromStream(picture);
             f.SetBackGroundPicturePosition(ppStretched);
             f.SetPictureAspectRatio(true);
         },
         "DrawPicture", RectL{0, 0, 100, 100}},
    };
    for (const Case& c : cases) {
        TGDIPFill fill;
        c.setup(fill);
        RecordingCanvas canvas;
        fill.Fill(&canvas, {0, 0, 100, 100});
        EXPECT_EQ(canvas.Summary(), c.summary) << c.name;
        if (c.target) {
            ASSERT_FALSE(canvas.calls.empty()) << c.name;
            auto last = std::find_if(canvas.calls.rbegin(), canvas.calls.rend(),
                                     [](const Call& call) { return call.op == Op::DrawPicture; });
            ASSERT_NE(last, canvas.calls.rend()) << c.name;
            EXPECT_EQ(last->target, *c.target) << c.name;
        }
    }
}

}  // namespace
