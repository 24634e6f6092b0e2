#pragma once
// TGDIPFill: a streamable description of how a rectangle is painted: a two-colour gradient of one
// of several kinds, optionally split into an upper part and a mirrored lower half with colours of
// their own, rounded corners, a border, a shadow, a glow, a background and a foreground picture.
// It draws nothing by itself: its owner calls Fill with a canvas and a rectangle, and repaints
// whenever the fill raises OnChange.
//
// Contract:
// - Every setter stores the value only when it differs, then raises OnChange (Changed). Changed
//   raises nothing while BeginUpdate calls outnumber EndUpdate calls.
// - The fill owns its two pictures; loading, assigning or clearing one raises the fill's OnChange.
// - Fill creates nothing that outlives the call: every path, brush and pen belongs to one canvas
//   call.
//
// The geometry (rounded-rectangle paths, the mirror split, the shadow, picture placement) is
// exposed as pure functions below.

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "controls/AdvGDIP.h"
#include "controls/GDIPFillCanvas.h"
#include "framework/Colour.h"
#include "framework/Properties.h"

namespace ctl {

enum class TAdvGradientType : std::int32_t {
    gtSolid, gtRadial, gtVertical, gtHorizontal, gtForwardDiagonal, gtBackwardDiagonal,
    gtAngle, gtHatch, gtPath, gtTexture, gtNone
};
enum class TFillRoundingType : std::uint8_t { rtNone, rtTop, rtBottom, rtBoth, rtLeft, rtRight };
enum class TFillPicturePosition : std::uint8_t {
    ppTopLeft, ppTopCenter, ppTopRight, ppBottomLeft, ppBottomCenter, ppBottomRight,
    ppTiled, ppStretched, ppCenterLeft, ppCenterCenter, ppCenterRight, ppCustom
};
enum class TFillPictureSize : std::uint8_t { psOriginal, psCustom };
enum class TFillPictureMode : std::uint8_t { pmInsideFill, pmOutsideFill };
enum class TPictureMode : std::uint8_t { pmStretch, pmNormal };
enum class TShadowType : std::uint8_t { stRightBottom, stBottom, stSurround };
enum class TGlowMode : std::uint8_t { gmNone, gmGradient, gmRadial, gmRadialGradient };

// The GDI+ hatch styles, with the GDI+ ordinals.
enum class HatchStyle : std::int32_t {
    HatchStyleHorizontal, HatchStyleVertical, HatchStyleForwardDiagonal, HatchStyleBackwardDiagonal,
    HatchStyleCross, HatchStyleDiagonalCross, HatchStyle05Percent, HatchStyle10Percent,
    HatchStyle20Percent, HatchStyle25Percent, HatchStyle30Percent, HatchStyle40Percent,
    HatchStyle50Percent, HatchStyle60Percent, HatchStyle70Percent, HatchStyle75Percent,
    HatchStyle80Percent, HatchStyle90Percent, HatchStyleLightDownwardDiagonal,
    HatchStyleLightUpwardDiagonal, HatchStyleDarkDownwardDiagonal, HatchStyleDarkUpwardDiagonal,
    HatchStyleWideDownwardDiagonal, HatchStyleWideUpwardDiagonal, HatchStyleLightVertical,
    HatchStyleLightHorizontal, HatchStyleNarrowVertical, HatchStyleNarrowHorizontal,
    HatchStyleDarkVertical, HatchStyleDarkHorizontal, HatchStyleDashedDownwardDiagonal,
    HatchStyleDashedUpwardDiagonal, HatchStyleDashedHorizontal, HatchStyleDashedVertical,
    HatchStyleSmallConfetti, HatchStyleLargeConfetti, HatchStyleZigZag, HatchStyleWave,
    HatchStyleDiagonalBrick, HatchStyleHorizontalBrick, HatchStyleWeave, HatchStylePlaid,
    HatchStyleDivot, HatchStyleDottedGrid, HatchStyleDottedDiamond, HatchStyleShingle,
    HatchStyleTrellis, HatchStyleSphere, HatchStyleSmallGrid, HatchStyleSmallCheckerBoard,
    HatchStyleLargeCheckerBoard, HatchStyleOutlinedDiamond, HatchStyleSolidDiamond, HatchStyleTotal
};

const fw::EnumInfo& AdvGradientTypeEnum();
const fw::EnumInfo& FillRoundingTypeEnum();
const fw::EnumInfo& FillPicturePositionEnum();
const fw::EnumInfo& FillPictureSizeEnum();
const fw::EnumInfo& FillPictureModeEnum();
const fw::EnumInfo& PictureModeEnum();
const fw::EnumInfo& ShadowTypeEnum();
const fw::EnumInfo& GlowModeEnum();
const fw::EnumInfo& HatchStyleEnum();

// ---- Geometry ----------------------------------------------------------------------------------

// The closed figure of a rectangle whose corners of `type` are rounded with `radius` (arcs in
// (x, y, 2r, 2r) boxes, clockwise from the top-left).
Path CreateRoundRectPath(RectF rect, float radius, TFillRoundingType type);

// The corners a mirror-split half keeps: the upper part keeps only top corners, the lower half
// only bottom ones; left and right roundings pass through.
TFillRoundingType SplitRounding(TFillRoundingType type, bool mirrorHalf);

// The two parts of a split fill; they overlap by two pixel rows around the middle.
struct MirrorParts {
    RectF upper, lower;
};
MirrorParts SplitMirror(RectF rect);

// The rectangle the fill keeps after a shadow of `offset` pixels of the given kind.
RectF ShadowReducedRect(RectF rect, int offset, TShadowType type);
// The band a bottom shadow paints its radial gradient in.
RectF BottomShadowBand(RectF rect, int offset);

// A picture of w x h fitted into rw x rh keeping its aspect ratio (small pictures are only
// enlarged with pmStretch); (0, 0) when any size is not positive.
std::pair<double, double> FitPictureSize(double w, double h, double rw, double rh, TPictureMode mode);

// Where a w x h picture goes in `rect` for a position; nullopt for ppTiled (the whole rectangle
// is filled with the picture as a texture instead).
std::optional<RectL> PictureTarget(const RectL& rect, int w, int h, TFillPicturePosition position,
                                   bool keepAspect, TPictureMode aspectMode, int customX, int customY);

// Each of X, Y, W, H rounded to whole pixels, as left, top, right, bottom.
RectL RoundedRect(RectF rect);

// ---- The fill ----------------------------------------------------------------------------------

class TGDIPFill : public fw::Persistent {
public:
    TGDIPFill();
    TGDIPFill(const TGDIPFill&) = delete;
    TGDIPFill& operator=(const TGDIPFill&) = delete;

    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    // From another fill: every published property but OnChange (pictures by content), then one
    // OnChange. Other classes are ignored.
    void Assign(const fw::Persistent* source);

    // The rectangle a fill of `rect` finally occupies: reduced by an active shadow, unless the
    // rectangle is one pixel thin (drawn as a line).
    RectF FilledRect(RectF rect) const;
    // Paints `rect` and returns the rectangle the fill finally occupied (reduced by the shadow).
    // Each opacity argument overrides the property of its role unless it is 255. A null canvas
    // draws nothing and returns the rectangle.
    RectF Fill(Canvas* canvas, RectF rect, std::uint8_t borderOpacity = 255, std::uint8_t opacity = 255,
               std::uint8_t opacityTo = 255, std::uint8_t mirrorOpacity = 255, std::uint8_t mirrorOpacityTo = 255);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Changed();

    NotifyHandler OnChange;

    // Unpublished focus state: the rectangle inside the border (written by every Fill) and, when
    // Focus is set, a dotted outline in FocusColor.
    bool Focus() const { return focus_; }
    void SetFocus(bool value) { focus_ = value; }
    fw::TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(fw::TColor colour) { focusColor_ = colour; }
    RectF FocusRect() const { return focusRect_; }

    // Published properties.
    fw::TColor Color() const { return color_; }
    void SetColor(fw::TColor v) { Set(color_, v); }
    fw::TColor ColorTo() const { return colorTo_; }
    void SetColorTo(fw::TColor v) { Set(colorTo_, v); }
    fw::TColor ColorMirror() const { return colorMirror_; }
    void SetColorMirror(fw::TColor v) { Set(colorMirror_, v); }
    fw::TColor ColorMirrorTo() const { return colorMirrorTo_; }
    void SetColorMirrorTo(fw::TColor v) { Set(colorMirrorTo_, v); }
    TAdvGradientType GradientType() const { return gradientType_; }
    void SetGradientType(TAdvGradientType v) { Set(gradientType_, v); }
    TAdvGradientType GradientMirrorType() const { return gradientMirrorType_; }
    void SetGradientMirrorType(TAdvGradientType v) { Set(gradientMirrorType_, v); }
    HatchStyle GetHatchStyle() const { return hatchStyle_; }
    void SetHatchStyle(HatchStyle v) { Set(hatchStyle_, v); }
    HatchStyle HatchStyleMirror() const { return hatchStyleMirror_; }
    void SetHatchStyleMirror(HatchStyle v) { Set(hatchStyleMirror_, v); }
    bool BackGroundPictureAspectRatio() const { return backGroundPictureAspectRatio_; }
    void SetBackGroundPictureAspectRatio(bool v) { Set(backGroundPictureAspectRatio_, v); }
    TFillPictureMode BackGroundPictureMode() const { return backGroundPictureMode_; }
    void SetBackGroundPictureMode(TFillPictureMode v) { Set(backGroundPictureMode_, v); }
    TAdvGDIPPicture& BackGroundPicture() { return backGroundPicture_; }
    const TAdvGDIPPicture& BackGroundPicture() const { return backGroundPicture_; }
    void SetBackGroundPicture(const TAdvGDIPPicture& v) { backGroundPicture_.Assign(&v); }
    TFillPicturePosition BackGroundPicturePosition() const { return backGroundPicturePosition_; }
    void SetBackGroundPicturePosition(TFillPicturePosition v) { Set(backGroundPicturePosition_, v); }
    std::int32_t BackGroundPictureLeft() const { return backGroundPictureLeft_; }
    void SetBackGroundPictureLeft(std::int32_t v) { Set(backGroundPictureLeft_, v); }
    std::int32_t BackGroundPictureTop() const { return backGroundPictureTop_; }
    void SetBackGroundPictureTop(std::int32_t v) { Set(backGroundPictureTop_, v); }
    TPictureMode BackGroundPictureAspectMode() const { return backGroundPictureAspectMode_; }
    void SetBackGroundPictureAspectMode(TPictureMode v) { Set(backGroundPictureAspectMode_, v); }
    TAdvGDIPPicture& Picture() { return picture_; }
    const TAdvGDIPPicture& Picture() const { return picture_; }
    void SetPicture(const TAdvGDIPPicture& v) { picture_.Assign(&v); }
    TFillPicturePosition PicturePosition() const { return picturePosition_; }
    void SetPicturePosition(TFillPicturePosition v) { Set(picturePosition_, v); }
    std::int32_t PictureLeft() const { return pictureLeft_; }
    void SetPictureLeft(std::int32_t v) { Set(pictureLeft_, v); }
    std::int32_t PictureTop() const { return pictureTop_; }
    void SetPictureTop(std::int32_t v) { Set(pictureTop_, v); }
    TFillPictureSize PictureSize() const { return pictureSize_; }
    void SetPictureSize(TFillPictureSize v) { Set(pictureSize_, v); }
    std::int32_t PictureWidth() const { return pictureWidth_; }
    void SetPictureWidth(std::int32_t v) { Set(pictureWidth_, v); }
    std::int32_t PictureHeight() const { return pictureHeight_; }
    void SetPictureHeight(std::int32_t v) { Set(pictureHeight_, v); }
    bool PictureAspectRatio() const { return pictureAspectRatio_; }
    void SetPictureAspectRatio(bool v) { Set(pictureAspectRatio_, v); }
    TPictureMode PictureAspectMode() const { return pictureAspectMode_; }
    void SetPictureAspectMode(TPictureMode v) { Set(pictureAspectMode_, v); }
    std::uint8_t Opacity() const { return opacity_; }
    void SetOpacity(std::uint8_t v) { Set(opacity_, v); }
    std::uint8_t OpacityTo() const { return opacityTo_; }
    void SetOpacityTo(std::uint8_t v) { Set(opacityTo_, v); }
    std::uint8_t OpacityMirror() const { return opacityMirror_; }
    void SetOpacityMirror(std::uint8_t v) { Set(opacityMirror_, v); }
    std::uint8_t OpacityMirrorTo() const { return opacityMirrorTo_; }
    void SetOpacityMirrorTo(std::uint8_t v) { Set(opacityMirrorTo_, v); }
    fw::TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(fw::TColor v) { Set(borderColor_, v); }
    std::uint8_t BorderOpacity() const { return borderOpacity_; }
    void SetBorderOpacity(std::uint8_t v) { Set(borderOpacity_, v); }
    std::int32_t BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(std::int32_t v) { Set(borderWidth_, v); }
    std::int32_t Rounding() const { return rounding_; }
    void SetRounding(std::int32_t v) { Set(rounding_, v); }
    TFillRoundingType RoundingType() const { return roundingType_; }
    void SetRoundingType(TFillRoundingType v) { Set(roundingType_, v); }
    fw::TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(fw::TColor v) { Set(shadowColor_, v); }
    std::int32_t ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(std::int32_t v) { Set(shadowOffset_, v); }
    TShadowType ShadowType() const { return shadowType_; }
    void SetShadowType(TShadowType v) { Set(shadowType_, v); }
    std::int32_t Angle() const { return angle_; }
    void SetAngle(std::int32_t v) { Set(angle_, v); }
    TGlowMode Glow() const { return glow_; }
    void SetGlow(TGlowMode v) { Set(glow_, v); }
    fw::TColor GlowGradientColor() const { return glowGradientColor_; }
    void SetGlowGradientColor(fw::TColor v) { Set(glowGradientColor_, v); }
    fw::TColor GlowRadialColor() const { return glowRadialColor_; }
    void SetGlowRadialColor(fw::TColor v) { Set(glowRadialColor_, v); }

    // True when the shadow takes room (a colour and a positive offset).
    bool ShadowActive() const { return shadowColor_ != fw::clNone && shadowOffset_ > 0; }

private:
    template <class T>
    void Set(T& field, T value) {
        if (field == value) return;
        field = value;
        Changed();
    }

    struct GradientParams;
    void FillGradient(Canvas& canvas, const GradientParams& p);
    void FillHalf(Canvas& canvas, RectF rect, bool mirror, std::uint8_t opacity, std::uint8_t opacityTo,
                  std::uint8_t opacityMirror, std::uint8_t opacityMirrorTo);
    void FillRadial(Canvas& canvas, RectF rect, fw::TColor colour, fw::TColor colourTo, std::uint8_t opacity,
                    std::uint8_t opacityTo, bool upper, int rounding, TFillRoundingType type);
    void DrawPicturePositioned(Canvas& canvas, TAdvGDIPPicture& picture, const RectL& rect, int w, int h,
                               TFillPicturePosition position, bool keepAspect, TPictureMode aspectMode, int customX,
                               int customY);
    void DrawGlow(Canvas& canvas, RectF rect);

    fw::TColor color_ = 0xC0C0C0;
    fw::TColor colorTo_ = 0x808080;
    fw::TColor colorMirror_ = fw::clNone;
    fw::TColor colorMirrorTo_ = fw::clNone;
    TAdvGradientType gradientType_ = TAdvGradientType::gtVertical;
    TAdvGradientType gradientMirrorType_ = TAdvGradientType::gtSolid;
    HatchStyle hatchStyle_ = HatchStyle::HatchStyleHorizontal;
    HatchStyle hatchStyleMirror_ = HatchStyle::HatchStyleHorizontal;
    bool backGroundPictureAspectRatio_ = false;
    TFillPictureMode backGroundPictureMode_ = TFillPictureMode::pmOutsideFill;
    TAdvGDIPPicture backGroundPicture_;
    TFillPicturePosition backGroundPicturePosition_ = TFillPicturePosition::ppTopLeft;
    std::int32_t backGroundPictureLeft_ = 0;
    std::int32_t backGroundPictureTop_ = 0;
    TPictureMode backGroundPictureAspectMode_ = TPictureMode::pmStretch;
    TAdvGDIPPicture picture_;
    TFillPicturePosition picturePosition_ = TFillPicturePosition::ppTopLeft;
    std::int32_t pictureLeft_ = 0;
    std::int32_t pictureTop_ = 0;
    TFillPictureSize pictureSize_ = TFillPictureSize::psOriginal;
    std::int32_t pictureWidth_ = 50;
    std::int32_t pictureHeight_ = 50;
    bool pictureAspectRatio_ = false;
    TPictureMode pictureAspectMode_ = TPictureMode::pmStretch;
    std::uint8_t opacity_ = 255;
    std::uint8_t opacityTo_ = 255;
    std::uint8_t opacityMirror_ = 255;
    std::uint8_t opacityMirrorTo_ = 255;
    fw::TColor borderColor_ = fw::clNone;
    std::uint8_t borderOpacity_ = 255;
    std::int32_t borderWidth_ = 1;
    std::int32_t rounding_ = 0;
    TFillRoundingType roundingType_ = TFillRoundingType::rtBoth;
    fw::TColor shadowColor_ = 0x808080;
    std::int32_t shadowOffset_ = 0;
    TShadowType shadowType_ = TShadowType::stRightBottom;
    std::int32_t angle_ = 0;
    TGlowMode glow_ = TGlowMode::gmNone;
    fw::TColor glowGradientColor_ = 0xFFFFFF;
    fw::TColor glowRadialColor_ = 0xFFFFFF;

    std::int32_t updateCount_ = 0;
    bool focus_ = false;
    fw::TColor focusColor_ = 0;
    RectF focusRect_;
};

}  // namespace ctl
