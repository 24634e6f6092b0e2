#include "controls/AdvSmoothPanel.h"

#include <algorithm>
#include <cmath>

#include "controls/GDIPFillTable.h"

namespace ctl {

const fw::EnumInfo& SmoothPanelLocationEnum() {
    static const fw::EnumInfo info{"TAdvSmoothPanelLocation",
                                   {"plTopLeft", "plTopCenter", "plTopRight", "plCenterLeft", "plCenterCenter",
                                    "plCenterRight", "plBottomLeft", "plBottomCenter", "plBottomRight", "plCustom"}};
    return info;
}

const fw::EnumInfo& SmoothPanelTextRenderingHintEnum() {
    static const fw::EnumInfo info{"TAdvSmoothPanelTextRenderingHint", {"tAntiAlias", "tAntiAliasGridFit", "tClearType"}};
    return info;
}

PointL PlaceByLocation(TAdvSmoothPanelLocation location, RectF area, int w, int h) {
    const RectL r = RoundedRect(area);
    const int X = r.left, Y = r.top, W = r.right - r.left, H = r.bottom - r.top;
    const int centreX = std::max(X, W - w) / 2, rightX = std::max(X, W - w);
    const int middleY = (H - h) / 2, bottomY = H - h;
    using enum TAdvSmoothPanelLocation;
    switch (location) {
    case plTopLeft: return {X, Y};
    case plTopCenter: return {centreX, Y};
    case plTopRight: return {rightX, Y};
    case plCenterLeft: return {X, middleY};
    case plCenterCenter: return {centreX, middleY};
    case plCenterRight: return {rightX, middleY};
    case plBottomLeft: return {X, bottomY};
    case plBottomCenter: return {centreX, bottomY};
    case plBottomRight: return {rightX, bottomY};
    case plCustom: break;
    }
    return {X, Y};
}

RectF PanelFillRect(int width, int height, fw::TColor borderColor, int borderWidth) {
    if (borderColor != fw::clNone && borderWidth != 0)
        return {0, 0, static_cast<float>(width - 1), static_cast<float>(height - 1)};
    return {-1, -1, static_cast<float>(width + 1), static_cast<float>(height + 1)};
}

CaptionArea PlainCaptionArea(RectF f, bool fillHasPicture, int p, TFillPicturePosition position,
                             TAdvSmoothPanelLocation location) {
    CaptionArea result{f, 0};
    if (!fillHasPicture) return result;
    using enum TAdvSmoothPanelLocation;
    using enum TFillPicturePosition;
    const bool top = location == plTopLeft || location == plTopRight;
    const bool bottom = location == plBottomLeft || location == plBottomRight;
    const float w = static_cast<float>(p);
    if ((position == ppTopLeft && top) || (position == ppBottomLeft && bottom)) {
        result.area.x += w;
        result.reserve = w;
    } else if ((position == ppTopRight && top) || (position == ppBottomRight && bottom)) {
        result.area.width -= w;
    }
    return result;
}

float CaptionLineY(TAdvSmoothPanelLocation location, int y, float textHeight) {
    using enum TAdvSmoothPanelLocation;
    if (location == plBottomLeft || location == plBottomCenter || location == plBottomRight)
        return static_cast<float>(y - 2);
    return static_cast<float>(y) + textHeight;
}

RectL HtmlMeasureRect(TAdvSmoothPanelLocation location, int htmlLeft, int c, int wmax) {
    if (location == TAdvSmoothPanelLocation::plCustom) return {0, c, wmax - htmlLeft, 10000};
    return {htmlLeft, c, wmax, 10000};
}

RectL HtmlTargetRect(TAdvSmoothPanelLocation location, int htmlLeft, int htmlTop, int c, int wmax, RectF fillRect,
                     int hw, int hh) {
    if (location == TAdvSmoothPanelLocation::plCustom) {
        const int x = htmlLeft, y = htmlTop;
        // (A measured width that passes wmax is cut there; the target keeps the full room.)
        return {x, y, x + (wmax - htmlLeft), y + hh};
    }
    RectF area = fillRect;
    area.height -= static_cast<float>(c);
    const PointL at = PlaceByLocation(location, area, hw, hh);
    return {at.x, c + at.y, at.x + hw, c + at.y + hh};
}

namespace {

int Round(float v) { return static_cast<int>(std::lround(v)); }

void LayoutPlainCaption(const PanelCaptionInputs& in, Canvas& canvas, PanelCaptionLayout& out) {
    TGDIPFill& fill = *in.fill;
    TAdvGDIPPicture& picture = fill.Picture();
    int pictureWidth = fill.PictureWidth();
    if (fill.PictureSize() == TFillPictureSize::psOriginal) {
        canvas.DecodePicture(picture);
        pictureWidth = picture.GetWidth();
    }
    out.area = PlainCaptionArea(out.fillRect, !picture.Empty(), pictureWidth, fill.PicturePosition(), in.location);
    const RectF t = out.area.area;
    out.textBounds = canvas.MeasureString(in.text, in.font, {t.x, t.y, t.width - out.area.reserve, t.height}, TextFormat{});
    out.at = in.location == TAdvSmoothPanelLocation::plCustom
                 ? PointL{in.left, in.top}
                 : PlaceByLocation(in.location, t, Round(out.textBounds.width), Round(out.textBounds.height));
}

// Measured in a rectangle as wide as it may be first; then placed, and laid out there.
void LayoutHtmlCaption(const PanelCaptionInputs& in, int c, const TextMeasurer& measurer, const HtmlImages& images,
                       PanelCaptionLayout& out) {
    const int wmax = in.width - out.shadow - 2 * in.fill->BorderWidth();
    HtmlOptions options = in.options;
    const RectL m = HtmlMeasureRect(in.htmlLocation, in.htmlLeft, c, wmax);
    options.rect = {m.left, m.top, m.right, m.bottom};
    options.mode = HtmlMode::Measure;
    const HtmlLayout measured = LayoutHtml(in.html, options, measurer, images);

    out.htmlRect = HtmlTargetRect(in.htmlLocation, in.htmlLeft, in.htmlTop, c, wmax, out.fillRect, measured.width,
                                  measured.height);
    options.rect = {out.htmlRect.left, out.htmlRect.top, out.htmlRect.right, out.htmlRect.bottom};
    options.mode = HtmlMode::HitTest;  // every line laid out, none dropped
    options.hitX = options.hitY = -1;
    out.lines = LayoutHtml(in.html, options, measurer, images);
    out.drawn = DrawnLines(out.lines);
    options.mode = HtmlMode::Draw;
    out.htmlOptions = options;
}

}  // namespace

PanelCaptionLayout LayoutPanelCaptions(const PanelCaptionInputs& in, Canvas& canvas, const TextMeasurer& measurer,
                                       const HtmlImages& images) {
    PanelCaptionLayout out;
    const TGDIPFill& fill = *in.fill;
    out.fillRect = fill.FilledRect(PanelFillRect(in.width, in.height, fill.BorderColor(), fill.BorderWidth()));
    out.shadow = fill.ShadowColor() != fw::clNone ? fill.ShadowOffset() : 0;
    if (!in.text.empty()) LayoutPlainCaption(in, canvas, out);
    if (!in.html.empty()) LayoutHtmlCaption(in, Round(out.textBounds.height), measurer, images, out);
    return out;
}

}  // namespace ctl

namespace ctl {

void TAdvHintInfo::Assign(const fw::Persistent* source) {
    auto* other = dynamic_cast<const TAdvHintInfo*>(source);
    if (other == nullptr || other == this) return;
    Title = other->Title;
    Notes = other->Notes;
    picture_.Assign(&other->picture_);
}

const fw::ClassInfo& TAdvHintInfo::Class() const { return StaticClass(); }

const fw::ClassInfo& TAdvHintInfo::StaticClass() {
    static const fw::ClassInfo info{
        "TAdvHintInfo",
        nullptr,
        {
            table::Property("Title", &TAdvHintInfo::GetTitle, &TAdvHintInfo::SetTitle,
                                                              std::string{}),
            table::Object<TAdvHintInfo, TGDIPPicture>("Picture", &TAdvHintInfo::Picture, TGDIPPicture::StaticClass()),
        }};
    return info;
}

}  // namespace ctl
