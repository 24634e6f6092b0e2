#include "controls/GDIPFill.h"

#include <algorithm>
#include <cmath>

#include "controls/GDIPFillTable.h"

namespace ctl {

using fw::clNone;
using fw::ToArgb;

// ---- Enumerations ------------------------------------------------------------------------------

const fw::EnumInfo& AdvGradientTypeEnum() {
    static const fw::EnumInfo info{"TAdvGradientType",
                                   {"gtSolid", "gtRadial", "gtVertical", "gtHorizontal", "gtForwardDiagonal",
                                    "gtBackwardDiagonal", "gtAngle", "gtHatch", "gtPath", "gtTexture", "gtNone"}};
    return info;
}
const fw::EnumInfo& FillRoundingTypeEnum() {
    static const fw::EnumInfo info{"TFillRoundingType", {"rtNone", "rtTop", "rtBottom", "rtBoth", "rtLeft", "rtRight"}};
    return info;
}
const fw::EnumInfo& FillPicturePositionEnum() {
    static const fw::EnumInfo info{"TFillPicturePosition",
                                   {"ppTopLeft", "ppTopCenter", "ppTopRight", "ppBottomLeft", "ppBottomCenter",
                                    "ppBottomRight", "ppTiled", "ppStretched", "ppCenterLeft", "ppCenterCenter",
                                    "ppCenterRight", "ppCustom"}};
    return info;
}
const fw::EnumInfo& FillPictureSizeEnum() {
    static const fw::EnumInfo info{"TFillPictureSize", {"psOriginal", "psCustom"}};
    return info;
}
const fw::EnumInfo& FillPictureModeEnum() {
    static const fw::EnumInfo info{"TFillPictureMode", {"pmInsideFill", "pmOutsideFill"}};
    return info;
}
const fw::EnumInfo& PictureModeEnum() {
    static const fw::EnumInfo info{"TPictureMode", {"pmStretch", "pmNormal"}};
    return info;
}
const fw::EnumInfo& ShadowTypeEnum() {
    static const fw::EnumInfo info{"TShadowType", {"stRightBottom", "stBottom", "stSurround"}};
    return info;
}
const fw::EnumInfo& GlowModeEnum() {
    static const fw::EnumInfo info{"TGlowMode", {"gmNone", "gmGradient", "gmRadial", "gmRadialGradient"}};
    return info;
}
const fw::EnumInfo& HatchStyleEnum() {
    static const fw::EnumInfo info{
        "HatchStyle",
        {"HatchStyleHorizontal", "HatchStyleVertical", "HatchStyleForwardDiagonal", "HatchStyleBackwardDiagonal",
         "HatchStyleCross", "HatchStyleDiagonalCross", "HatchStyle05Percent", "HatchStyle10Percent",
         "HatchStyle20Percent", "HatchStyle25Percent", "HatchStyle30Percent", "HatchStyle40Percent",
         "HatchStyle50Percent", "HatchStyle60Percent", "HatchStyle70Percent", "HatchStyle75Percent",
         "HatchStyle80Percent", "HatchStyle90Percent", "HatchStyleLightDownwardDiagonal",
         "HatchStyleLightUpwardDiagonal", "HatchStyleDarkDownwardDiagonal", "HatchStyleDarkUpwardDiagonal",
         "HatchStyleWideDownwardDiagonal", "HatchStyleWideUpwardDiagonal", "HatchStyleLightVertical",
         "HatchStyleLightHorizontal", "HatchStyleNarrowVertical", "HatchStyleNarrowHorizontal",
         "HatchStyleDarkVertical", "HatchStyleDarkHorizontal", "HatchStyleDashedDownwardDiagonal",
         "HatchStyleDashedUpwardDiagonal", "HatchStyleDashedHorizontal", "HatchStyleDashedVertical",
         "HatchStyleSmallConfetti", "HatchStyleLargeConfetti", "HatchStyleZigZag", "HatchStyleWave",
         "HatchStyleDiagonalBrick", "HatchStyleHorizontalBrick", "HatchStyleWeave", "HatchStylePlaid",
         "HatchStyleDivot", "HatchStyleDottedGrid", "HatchStyleDottedDiamond", "HatchStyleShingle",
         "HatchStyleTrellis", "HatchStyleSphere", "HatchStyleSmallGrid", "HatchStyleSmallCheckerBoard",
         "HatchStyleLargeCheckerBoard", "HatchStyleOutlinedDiamond", "HatchStyleSolidDiamond", "HatchStyleTotal"}};
    return info;
}

// ---- Geometry ----------------------------------------------------------------------------------

Path CreateRoundRectPath(RectF r, float radius, TFillRoundingType type) {
    const float x = r.x, y = r.y, w = r.width, h = r.height, R = radius, D = 2 * radius;
    using S = PathSegment;
    auto arc = [&](float ax, float ay, float start) { return S::Arc({ax, ay, D, D}, start, 90); };
    auto line = [](float x1, float y1, float x2, float y2) { return S::Line({x1, y1}, {x2, y2}); };
    Path p;
    auto& s = p.segments;
    switch (type) {
    case TFillRoundingType::rtNone:
        s = {line(x, y, x + w, y), line(x + w, y, x + w, y + h), line(x + w, y + h, x, y + h), line(x, y + h, x, y)};
        break;
    case TFillRoundingType::rtTop:
        s = {arc(x, y, 180), line(x + R, y, x + w - R, y), arc(x + w - D, y, 270), line(x + w, y + R, x + w, y + h),
             line(x + w, y + h, x, y + h), line(x, y + h, x, y + R)};
        break;
    case TFillRoundingType::rtBottom:
        s = {line(x, y, x + w, y), line(x + w, y, x + w, y + h - R), arc(x + w - D, y + h - D, 0),
             line(x + w - R, y + h, x + R, y + h), arc(x, y + h - D, 90), line(x, y + h - R, x, y)};
        break;
    case TFillRoundingType::rtBoth:
        s = {arc(x, y, 180), line(x + R, y, x + w - R, y), arc(x + w - D, y, 270),
             line(x + w, y + R, x + w, y + h - R), arc(x + w - D, y + h - D, 0), line(x + w - R, y + h, x + R, y + h),
             arc(x, y + h - D, 90), line(x, y + h - R, x, y + R)};
        break;
    case TFillRoundingType::rtLeft:
        s = {arc(x, y, 180), line(x + R, y, x + w - R, y), line(x + w, y, x + w, y + h),
             line(x + w - R, y + h, x + R, y + h), arc(x, y + h - D, 90), line(x, y + h - R, x, y + R)};
        break;
    case TFillRoundingType::rtRight:
        s = {line(x, y, x + w - R, y), arc(x + w - D, y, 270), line(x + w, y + R, x + w, y + h - R),
             arc(x + w - D, y + h - D, 0), line(x + w - R, y + h, x, y + h), line(x, y + h - R, x, y + R)};
        break;
    }
    return p;
}

TFillRoundingType SplitRounding(TFillRoundingType type, bool mirrorHalf) {
    using enum TFillRoundingType;
    switch (type) {
    case rtBoth: return mirrorHalf ? rtBottom : rtTop;
    case rtTop: return mirrorHalf ? rtNone : rtTop;
    case rtBottom: return mirrorHalf ? rtBottom : rtNone;
    case rtNone: return rtNone;
    default: return type;  // rtLeft, rtRight
    }
}

MirrorParts SplitMirror(RectF r) {
    const float h2 = r.height / 2;
    return {{r.x, r.y, r.width, r.height - h2 + 1}, {r.x, r.y + h2 - 1, r.width, r.height - h2 + 1}};
}

RectF ShadowReducedRect(RectF r, int offset, TShadowType type) {
    if (offset <= 0) return r;
    const float o = static_cast<float>(offset);
    switch (type) {
    case TShadowType::stRightBottom: return {r.x, r.y, r.width - o, r.height - o};
    case TShadowType::stSurround: return {r.x + o, r.y + o, r.width - 2 * o, r.height - 2 * o};
    case TShadowType::stBottom: return {r.x, r.y, r.width, r.height - o};
    }
    return r;
}

RectF BottomShadowBand(RectF r, int offset) {
    const float o = static_cast<float>(offset);
    return {r.x, r.y + r.height - 2 * o, r.width, 2 * o};
}

std::pair<double, double> FitPictureSize(double w, double h, double rw, double rh, TPictureMode mode) {
    if (w <= 0 || h <= 0 || rw <= 0 || rh <= 0) return {0, 0};
    if (w < rw && h < rh && mode == TPictureMode::pmNormal) return {w, h};
    if (rw / rh > w / h) return {rh * w / h, rh};
    return {rw, rw * h / w};
}

std::optional<RectL> PictureTarget(const RectL& r, int w, int h, TFillPicturePosition position, bool keepAspect,
                                   TPictureMode aspectMode, int customX, int customY) {
    using enum TFillPicturePosition;
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    const int cl = L + (R - L - w) / 2;  // integer halving truncates toward zero
    const int ct = T + (B - T - h) / 2;
    switch (position) {
    case ppTopLeft: return RectL{L, T, L + w, T + h};
    case ppTopCenter: return RectL{cl, T, cl + w, T + h};
    case ppTopRight: return RectL{R - w, T, R, T + h};
    case ppBottomLeft: return RectL{L, B - h, L + w, B};
    case ppBottomCenter: return RectL{cl, B - h, cl + w, B};
    case ppBottomRight: return RectL{R - w, B - h, R, B};
    case ppCenterLeft: return RectL{L, ct, L + w, ct + h};
    case ppCenterCenter: return RectL{cl, ct, cl + w, ct + h};
    case ppCenterRight: return RectL{R - w, ct, R, ct + h};
    case ppCustom: return RectL{customX, customY, customX + w, customY + h};
    case ppStretched: {
        auto [sw, sh] = keepAspect ? FitPictureSize(w, h, R - L, B - T, aspectMode)
                                   : std::pair<double, double>(R - L, B - T);
        const int left = static_cast<int>(std::lround(L + ((R - L) - sw) / 2));
        const int top = static_cast<int>(std::lround(T + ((B - T) - sh) / 2));
        return RectL{left, top, left + static_cast<int>(std::lround(sw)), top + static_cast<int>(std::lround(sh))};
    }
    case ppTiled: return std::nullopt;
    }
    return std::nullopt;
}

RectL RoundedRect(RectF r) {
    const int x = static_cast<int>(std::lround(r.x)), y = static_cast<int>(std::lround(r.y));
    return {x, y, x + static_cast<int>(std::lround(r.width)), y + static_cast<int>(std::lround(r.height))};
}

// ---- The fill ----------------------------------------------------------------------------------

TGDIPFill::TGDIPFill() {
    picture_.OnChange = [this](fw::Persistent&) { Changed(); };
    backGroundPicture_.OnChange = [this](fw::Persistent&) { Changed(); };
}

void TGDIPFill::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TGDIPFill::Changed() {
    if (OnChange && updateCount_ == 0) OnChange(*this);
}

void TGDIPFill::Assign(const fw::Persistent* source) {
    auto* s = dynamic_cast<const TGDIPFill*>(source);
    if (s == nullptr || s == this) return;
    ++updateCount_;  // the values' and the pictures' own notifications are folded into the one below
    fw::CopyValueProperties(*s, *this);
    backGroundPicture_.Assign(&s->backGroundPicture_);
    picture_.Assign(&s->picture_);
    --updateCount_;
    Changed();
}

struct TGDIPFill::GradientParams {
    const Path* path = nullptr;  // paint the path when set, else the rectangle
    RectF rect;
    TAdvGradientType kind = TAdvGradientType::gtNone;
    fw::TColor colour = 0, colourTo = 0;
    std::uint8_t opacity = 255, opacityTo = 255;
    HatchStyle hatch = HatchStyle::HatchStyleHorizontal;
    int angle = 0;
    const TEncodedPicture* texture = nullptr;
    fw::TColor outline = clNone;
    int outlineWidth = 0;
    DashStyle outlineDash = DashStyle::Solid;
    bool mirrorSeam = false;
};

void TGDIPFill::FillGradient(Canvas& canvas, const GradientParams& p) {
    auto paint = [&](const Brush& brush) {
        if (p.path) canvas.FillPath(*p.path, brush);
        else canvas.FillRect(p.rect, brush);
    };
    const Argb from = ToArgb(p.opacity, p.colour);
    const Argb to = ToArgb(p.opacityTo, p.colourTo);
    // Linear brushes span one pixel more on every side, so that the end colours sit exactly on
    // the rectangle's edges rather than being repeated by the tiling.
    const RectF wide{p.rect.x - 1, p.rect.y - 1, p.rect.width + 2, p.rect.height + 2};
    auto linear = [&](LinearMode mode) {
        paint(LinearGradientBrush{wide, from, to, mode, 0, WrapMode::Tile, true});
        // The top pixel row of a mirror half carries exactly its start colour.
        if (p.mirrorSeam) canvas.FillRect({p.rect.x, p.rect.y, p.rect.width, 1}, SolidBrush{from});
    };
    using enum TAdvGradientType;
    switch (p.kind) {
    case gtSolid: paint(SolidBrush{from}); break;
    case gtVertical: linear(LinearMode::Vertical); break;
    case gtHorizontal: linear(LinearMode::Horizontal); break;
    case gtForwardDiagonal: linear(LinearMode::ForwardDiagonal); break;
    case gtBackwardDiagonal: linear(LinearMode::BackwardDiagonal); break;
    case gtAngle:
        paint(LinearGradientBrush{wide, from, to, std::nullopt, static_cast<float>(p.angle), WrapMode::Tile, true});
        break;
    case gtHatch: paint(HatchBrush{static_cast<std::int32_t>(p.hatch), from, to}); break;
    case gtTexture:
        if (p.texture && p.texture->HasBytes()) paint(TextureBrush{p.texture});
        break;
    case gtRadial:
    case gtPath:
    case gtNone: break;
    }
    if (p.outline != clNone) {
        const Pen pen{ToArgb(p.opacity, p.outline), static_cast<float>(p.outlineWidth), p.outlineDash};
        if (p.path) canvas.DrawPath(*p.path, pen);
        else canvas.DrawRect(p.rect, pen);
    }
}

void TGDIPFill::FillHalf(Canvas& canvas, RectF rect, bool mirror, std::uint8_t opacity, std::uint8_t opacityTo,
                         std::uint8_t opacityMirror, std::uint8_t opacityMirrorTo) {
    GradientParams p;
    p.rect = rect;
    p.colour = mirror ? colorMirror_ : color_;
    p.colourTo = mirror ? colorMirrorTo_ : colorTo_;
    p.kind = mirror ? gradientMirrorType_ : gradientType_;
    p.hatch = mirror ? hatchStyleMirror_ : hatchStyle_;
    p.opacity = mirror ? opacityMirror : opacity;
    p.opacityTo = mirror ? opacityMirrorTo : opacityTo;
    if (p.colour == clNone) p.kind = TAdvGradientType::gtNone;
    else if (p.colourTo == clNone) p.kind = TAdvGradientType::gtSolid;
    p.angle = angle_;
    if (backGroundPicturePosition_ == TFillPicturePosition::ppTiled) p.texture = &backGroundPicture_;
    p.mirrorSeam = mirror;
    if (rounding_ == 0) {
        FillGradient(canvas, p);
        return;
    }
    const TFillRoundingType type = colorMirror_ == clNone ? roundingType_ : SplitRounding(roundingType_, mirror);
    const Path path = CreateRoundRectPath(rect, static_cast<float>(rounding_), type);
    p.path = &path;
    SmoothingScope smooth(canvas, SmoothingMode::AntiAlias);
    FillGradient(canvas, p);
}

void TGDIPFill::FillRadial(Canvas& canvas, RectF r, fw::TColor colour, fw::TColor colourTo, std::uint8_t opacity,
                           std::uint8_t opacityTo, bool upper, int rounding, TFillRoundingType type) {
    if (colourTo == clNone) colourTo = colour;
    const Argb outer = ToArgb(opacity, colour);
    const Argb inner = ToArgb(opacityTo, colourTo);
    const Path shape = CreateRoundRectPath(r, static_cast<float>(rounding), type);
    canvas.FillPath(shape, SolidBrush{upper ? outer : inner});
    canvas.SetClip(shape);
    PathGradientBrush brush;
    if (upper) {
        brush.shape = Path::Ellipse({r.x, r.y - r.height / 2, r.width, r.height + r.height / 2});
        brush.centre = PointF{r.x + r.width / 2, r.y};
        brush.centreColour = inner;
        brush.surround = {outer};
    } else {
        brush.shape = Path::Ellipse({r.x, r.y, r.width, r.height + r.height / 2});
        brush.centre = PointF{r.x + r.width / 2, r.y + r.height};
        brush.centreColour = outer;
        brush.surround = {inner};
    }
    canvas.FillRect(r, brush);
    canvas.ResetClip();
}

void TGDIPFill::DrawPicturePositioned(Canvas& canvas, TAdvGDIPPicture& picture, const RectL& rect, int w, int h,
                                      TFillPicturePosition position, bool keepAspect, TPictureMode aspectMode,
                                      int customX, int customY) {
    if (picture.Empty()) return;
    auto target = PictureTarget(rect, w, h, position, keepAspect, aspectMode, customX, customY);
    if (target) {
        canvas.DrawPicture(picture, *target);
        return;
    }
    GradientParams p;  // tiled: the whole rectangle as a texture, no path, no outline
    p.rect = {static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right - rect.left),
              static_cast<float>(rect.bottom - rect.top)};
    p.kind = TAdvGradientType::gtTexture;
    p.texture = &picture;
    FillGradient(canvas, p);
}

void TGDIPFill::DrawGlow(Canvas& canvas, RectF r) {
    if (glow_ == TGlowMode::gmNone) return;
    canvas.SetClip(r);
    const RectF g{r.x + 1, r.y + 1, r.width - 2, r.height - 2};
    if (glow_ == TGlowMode::gmGradient || glow_ == TGlowMode::gmRadialGradient) {
        const fw::TColor c = glowGradientColor_;
        canvas.DrawPath(CreateRoundRectPath(g, static_cast<float>(rounding_), roundingType_), Pen{ToArgb(200, c), 1});
        auto band = [&](RectF b, Argb from, Argb to, float edgeY, float innerY) {
            const LinearGradientBrush brush{{b.x - 1, b.y - 1, b.width + 2, b.height + 2}, from, to,
                                            LinearMode::Vertical};
            canvas.FillPath(Path::Polygon({{g.x, edgeY}, {g.x + 5, edgeY}, {g.x + 5, innerY}}), brush);
            canvas.FillPath(
                Path::Polygon({{g.x + g.width, edgeY}, {g.x + g.width - 5, edgeY}, {g.x + g.width - 5, innerY}}), brush);
            canvas.FillRect(b, brush);
        };
        band({g.x + 5, g.y, g.width - 10, 4}, ToArgb(175, c), ToArgb(0, c), g.y, g.y + 4);
        band({g.x + 5, g.y + g.height - 7, g.width - 10, 7}, ToArgb(0, c), ToArgb(220, c), g.y + g.height,
             g.y + g.height - 7);
    }
    if (glow_ == TGlowMode::gmRadial || glow_ == TGlowMode::gmRadialGradient) {
        const RectF e{g.x + 10, g.y - g.height / 2, g.width - 20, 3 * g.height};
        PathGradientBrush brush;
        brush.shape = Path::Ellipse(e);
        brush.centre = PointF{e.x + e.width / 2, e.y + e.height / 2};
        brush.centreColour = ToArgb(150, glowRadialColor_);
        brush.surround = {ToArgb(0, color_)};
        canvas.FillPath(Path::Ellipse(e), brush);
    }
    canvas.ResetClip();
}

RectF TGDIPFill::FilledRect(RectF r) const {
    const bool line = r.height == 1 || r.width == 1;
    return !line && ShadowActive() ? ShadowReducedRect(r, shadowOffset_, shadowType_) : r;
}

RectF TGDIPFill::Fill(Canvas* canvas, RectF r, std::uint8_t borderOpacity, std::uint8_t opacity,
                      std::uint8_t opacityTo, std::uint8_t mirrorOpacity, std::uint8_t mirrorOpacityTo) {
    // 255 means "the property of that role".
    if (borderOpacity == 255) borderOpacity = borderOpacity_;
    if (opacity == 255) opacity = opacity_;
    if (opacityTo == 255) opacityTo = opacityTo_;
    if (mirrorOpacity == 255) mirrorOpacity = opacityMirror_;
    if (mirrorOpacityTo == 255) mirrorOpacityTo = opacityMirrorTo_;
    if (canvas == nullptr) return r;
    Canvas& c = *canvas;
    const bool hasBorder = borderWidth_ > 0 && borderColor_ != clNone;
    const Pen borderPen{ToArgb(borderOpacity, borderColor_), static_cast<float>(borderWidth_)};

    // A one-pixel rectangle is a line in the border's pen; no gradient.
    const bool line = r.height == 1 || r.width == 1;
    if (line) {
        if (hasBorder) c.DrawLine({r.x, r.y}, {r.x + r.width, r.y + r.height}, borderPen);
    } else {
        if (ShadowActive()) {
            const int o = shadowOffset_;
            if (shadowType_ == TShadowType::stBottom) {
                FillRadial(c, BottomShadowBand(r, o), shadowColor_, shadowColor_, 0, 255, true, rounding_,
                           TFillRoundingType::rtBottom);
            } else {
                const Path shape = shadowType_ == TShadowType::stSurround
                                       ? CreateRoundRectPath(r, static_cast<float>(o), TFillRoundingType::rtBoth)
                                       : CreateRoundRectPath(r, static_cast<float>(rounding_), roundingType_);
                PathGradientBrush brush;
                brush.shape = shape;
                brush.wrap = WrapMode::Clamp;
                const Argb s = ToArgb(180, shadowColor_);
                brush.blend = {{0.0f, ToArgb(0, fw::clBlack)}, {0.1f, s}, {1.0f, s}};
                c.FillPath(shape, brush);
            }
            r = FilledRect(r);
        }

        using enum TAdvGradientType;
        const bool radial = gradientType_ == gtRadial;
        if (gradientType_ == gtHatch || gradientType_ == gtTexture || colorMirror_ == clNone) {
            if (!radial) FillHalf(c, r, false, opacity, opacityTo, mirrorOpacity, mirrorOpacityTo);
            else if (color_ != clNone)
                FillRadial(c, r, color_, colorTo_, opacity, opacityTo, true, rounding_, roundingType_);
        } else {
            const MirrorParts parts = SplitMirror(r);
            if (!radial) FillHalf(c, parts.upper, false, opacity, opacityTo, mirrorOpacity, mirrorOpacityTo);
            else if (color_ != clNone)
                FillRadial(c, parts.upper, color_, colorTo_, opacity, opacityTo, true, rounding_,
                           TFillRoundingType::rtTop);
            if (gradientMirrorType_ != gtRadial)
                FillHalf(c, parts.lower, true, opacity, opacityTo, mirrorOpacity, mirrorOpacityTo);
            else if (colorMirror_ != clNone)
                FillRadial(c, parts.lower, colorMirror_, colorMirrorTo_, mirrorOpacity, mirrorOpacityTo, false,
                           rounding_, TFillRoundingType::rtBottom);
        }

        if (backGroundPictureMode_ == TFillPictureMode::pmInsideFill && !backGroundPicture_.Empty() &&
            gradientType_ == gtTexture) {
            c.DecodePicture(backGroundPicture_);
            c.SetClip(CreateRoundRectPath(r, static_cast<float>(rounding_), roundingType_));
            DrawPicturePositioned(c, backGroundPicture_, RoundedRect(r), backGroundPicture_.GetWidth(),
                                  backGroundPicture_.GetHeight(), backGroundPicturePosition_,
                                  backGroundPictureAspectRatio_, backGroundPictureAspectMode_, backGroundPictureLeft_,
                                  backGroundPictureTop_);
            c.ResetClip();
        }

        // The outline path is built even for square corners.
        if (hasBorder) c.DrawPath(CreateRoundRectPath(r, static_cast<float>(rounding_), roundingType_), borderPen);
    }

    DrawGlow(c, r);

    const float b = static_cast<float>(borderWidth_);
    focusRect_ = {r.x + b, r.y + b, r.width - 2 * b, r.height - 2 * b};
    if (focus_) {
        SmoothingScope crisp(c, SmoothingMode::None);
        const float radius = static_cast<float>(std::max(0, rounding_ - borderWidth_));
        c.DrawPath(CreateRoundRectPath(focusRect_, radius, roundingType_),
                   Pen{ToArgb(opacity, focusColor_), 1, DashStyle::Dot});
    }

    // Outside the fill the background picture keeps its own aspect settings, as it does inside.
    if (backGroundPictureMode_ == TFillPictureMode::pmOutsideFill && !backGroundPicture_.Empty() &&
        gradientType_ == TAdvGradientType::gtTexture) {
        c.DecodePicture(backGroundPicture_);
        DrawPicturePositioned(c, backGroundPicture_, RoundedRect(r), backGroundPicture_.GetWidth(),
                              backGroundPicture_.GetHeight(), backGroundPicturePosition_,
                              backGroundPictureAspectRatio_, backGroundPictureAspectMode_, backGroundPictureLeft_,
                              backGroundPictureTop_);
    }

    if (!picture_.Empty()) {
        c.DecodePicture(picture_);
        const bool own = pictureSize_ == TFillPictureSize::psOriginal;
        DrawPicturePositioned(c, picture_, RoundedRect(r), own ? picture_.GetWidth() : pictureWidth_,
                              own ? picture_.GetHeight() : pictureHeight_, picturePosition_, pictureAspectRatio_,
                              pictureAspectMode_, pictureLeft_, pictureTop_);
    }
    return r;
}

// ---- Published properties ----------------------------------------------------------------------

const fw::ClassInfo& TGDIPFill::Class() const { return StaticClass(); }

const fw::ClassInfo& TGDIPFill::StaticClass() {
    using C = TGDIPFill;
    using namespace table;
    using fw::TColor;
    using std::int32_t;
    using std::uint8_t;
    static const fw::ClassInfo info{
        "TGDIPFill",
        nullptr,
        {
            Colour<C, TColor>("Color", &C::Color, &C::SetColor, 0xC0C0C0),
            Colour<C, TColor>("ColorTo", &C::ColorTo, &C::SetColorTo, 0x808080),
            Colour<C, TColor>("ColorMirror", &C::ColorMirror, &C::SetColorMirror, std::nullopt),
            Colour<C, TColor>("ColorMirrorTo", &C::ColorMirrorTo, &C::SetColorMirrorTo, std::nullopt),
            Property("GradientType", &C::GradientType, &C::SetGradientType, std::nullopt, &AdvGradientTypeEnum()),
            Property("GradientMirrorType", &C::GradientMirrorType, &C::SetGradientMirrorType, std::nullopt,
                     &AdvGradientTypeEnum()),
            Property("HatchStyle", &C::GetHatchStyle, &C::SetHatchStyle, HatchStyle::HatchStyleHorizontal,
                     &HatchStyleEnum()),
            Property("HatchStyleMirror", &C::HatchStyleMirror, &C::SetHatchStyleMirror,
                     HatchStyle::HatchStyleHorizontal, &HatchStyleEnum()),
            Property("BackGroundPictureAspectRatio", &C::BackGroundPictureAspectRatio,
                     &C::SetBackGroundPictureAspectRatio, false),
            Property("BackGroundPictureMode", &C::BackGroundPictureMode, &C::SetBackGroundPictureMode,
                     TFillPictureMode::pmOutsideFill, &FillPictureModeEnum()),
            Object<C, TAdvGDIPPicture>("BackGroundPicture", &C::BackGroundPicture, TAdvGDIPPicture::StaticClass()),
            Property("BackGroundPicturePosition", &C::BackGroundPicturePosition, &C::SetBackGroundPicturePosition,
                     TFillPicturePosition::ppTopLeft, &FillPicturePositionEnum()),
            fw::Pixels(Property("BackGroundPictureLeft", &C::BackGroundPictureLeft, &C::SetBackGroundPictureLeft, 0), fw::PixelUnit::Position),
            fw::Pixels(Property("BackGroundPictureTop", &C::BackGroundPictureTop, &C::SetBackGroundPictureTop, 0), fw::PixelUnit::Position),
            Property("BackGroundPictureAspectMode", &C::BackGroundPictureAspectMode,
                     &C::SetBackGroundPictureAspectMode, TPictureMode::pmStretch, &PictureModeEnum()),
            Object<C, TAdvGDIPPicture>("Picture", &C::Picture, TAdvGDIPPicture::StaticClass()),
            Property("PicturePosition", &C::PicturePosition, &C::SetPicturePosition, TFillPicturePosition::ppTopLeft,
                     &FillPicturePositionEnum()),
            fw::Pixels(Property("PictureLeft", &C::PictureLeft, &C::SetPictureLeft, 0), fw::PixelUnit::Position),
            fw::Pixels(Property("PictureTop", &C::PictureTop, &C::SetPictureTop, 0), fw::PixelUnit::Position),
            Property("PictureSize", &C::PictureSize, &C::SetPictureSize, TFillPictureSize::psOriginal,
                     &FillPictureSizeEnum()),
            fw::Pixels(Property("PictureWidth", &C::PictureWidth, &C::SetPictureWidth, 50), fw::PixelUnit::Extent, "PictureLeft"),
            fw::Pixels(Property("PictureHeight", &C::PictureHeight, &C::SetPictureHeight, 50), fw::PixelUnit::Extent, "PictureTop"),
            Property("PictureAspectRatio", &C::PictureAspectRatio, &C::SetPictureAspectRatio, false),
            Property("PictureAspectMode", &C::PictureAspectMode, &C::SetPictureAspectMode, TPictureMode::pmStretch,
                     &PictureModeEnum()),
            Property<C, uint8_t>("Opacity", &C::Opacity, &C::SetOpacity, 255),
            Property<C, uint8_t>("OpacityTo", &C::OpacityTo, &C::SetOpacityTo, 255),
            Property<C, uint8_t>("OpacityMirror", &C::OpacityMirror, &C::SetOpacityMirror, 255),
            Property<C, uint8_t>("OpacityMirrorTo", &C::OpacityMirrorTo, &C::SetOpacityMirrorTo, 255),
            Colour<C, TColor>("BorderColor", &C::BorderColor, &C::SetBorderColor, std::nullopt),
            Property<C, uint8_t>("BorderOpacity", &C::BorderOpacity, &C::SetBorderOpacity, 255),
            fw::Pixels(Property("BorderWidth", &C::BorderWidth, &C::SetBorderWidth, 1), fw::PixelUnit::Line),
            fw::Pixels(Property("Rounding", &C::Rounding, &C::SetRounding, std::nullopt), fw::PixelUnit::Length),
            Property("RoundingType", &C::RoundingType, &C::SetRoundingType, TFillRoundingType::rtBoth,
                     &FillRoundingTypeEnum()),
            Colour<C, TColor>("ShadowColor", &C::ShadowColor, &C::SetShadowColor, 0x808080),
            fw::Pixels(Property("ShadowOffset", &C::ShadowOffset, &C::SetShadowOffset, std::nullopt), fw::PixelUnit::Length),
            Property("ShadowType", &C::ShadowType, &C::SetShadowType, TShadowType::stRightBottom, &ShadowTypeEnum()),
            Property("Angle", &C::Angle, &C::SetAngle, 0),
            Property("Glow", &C::Glow, &C::SetGlow, std::nullopt, &GlowModeEnum()),
            Colour<C, TColor>("GlowGradientColor", &C::GlowGradientColor, &C::SetGlowGradientColor, 0xFFFFFF),
            Colour<C, TColor>("GlowRadialColor", &C::GlowRadialColor, &C::SetGlowRadialColor, 0xFFFFFF),
        }};
    return info;
}

}  // namespace ctl
