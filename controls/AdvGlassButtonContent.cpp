#include "controls/AdvGlassButtonContent.h"

#include <algorithm>
#include <cmath>

#include "framework/Scaling.h"

namespace ctl::glass {

namespace {

// The sizes the placement works with: the text's left edge, width and height.
struct TextBox {
    double left = 0, width = 0, height = 0;
};

}  // namespace

std::string CaptionLines(std::string_view caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '\\' && i + 1 < caption.size() && (caption[i + 1] == 'n' || caption[i + 1] == 'N')) {
            // Carriage return then line feed: one break for both text layers (the reverse order
            // can be read as two breaks, which would leave an empty line between).
            out += "\r\n";
            ++i;
        } else {
            out += caption[i];
        }
    }
    return out;
}

GlassPicture ChoosePicture(const GlassPaintState& state, const GlassPictureSet& notEmpty) {
    if (!state.enabled && notEmpty.disabled) return GlassPicture::Disabled;
    if (((state.pressed && state.hot) || state.down) && notEmpty.down) return GlassPicture::Down;
    if (state.hot && notEmpty.hot) return GlassPicture::Hot;
    return GlassPicture::Normal;
}

int GdiPlusFontStyle(bool bold, bool italic, bool underline) {
    return (bold ? 1 : 0) | (italic ? 2 : 0) | (underline ? 4 : 0);
}

GlassContentLayout LayoutGlassContent(const GlassContentInput& in, const GlassTextMeasurer& measure) {
    using L = TButtonLayout;
    GlassContentLayout out;
    const int left = in.client.x, top = in.client.y, width = in.client.width, height = in.client.height;
    const bool curved = in.shape == TButtonShape::btsCurvedRectangle;
    // The margins of the design, scaled to the button's DPI.
    const fw::DpiScale scale(in.dpi);
    const auto px = [&scale](int design) { return scale.Length(design); };

    out.text = in.showCaption ? CaptionLines(in.caption) : std::string();
    const bool hasText = !out.text.empty();

    if (in.focusOutline) {
        out.focusOutline = curved ? CurvedPath({left + px(6), top + px(5), width - 2 * px(6), height - 2 * px(5)},
                                               in.direction)
                                  : RoundedRectPath({left + px(4), top + px(4), width - 2 * px(4), height - 2 * px(4)},
                                                    in.cornerRadius - px(2));
    }

    // The picture's width carries the gap to the caption.
    const int pictureHeight = in.picture.height;
    const int pictureWidth = in.picture.width + (hasText && in.picture.width > 0 ? px(kPictureSpacing) : 0);

    out.horizontal = in.layout == L::blGlyphLeftAdjusted    ? TextAlign::Near
                     : in.layout == L::blGlyphRightAdjusted ? TextAlign::Far
                                                            : TextAlign::Centre;
    out.vertical = in.layout == L::blGlyphTopAdjusted      ? TextAlign::Near
                   : in.layout == L::blGlyphBottomAdjusted ? TextAlign::Far
                                                           : TextAlign::Centre;
    out.gdiPlus = in.antiAlias != TAntiAlias::aaNone && in.fontDrawableByGdiPlus;
    out.renderingHint = in.antiAlias == TAntiAlias::aaClearType ? 5 : in.antiAlias == TAntiAlias::aaAntiAlias ? 4 : 0;
    out.gdiPlusColour = in.enabled ? OpaqueArgb(in.fontColor) : kDisabledCaptionColour;
    out.gdiColour = in.fontColor;

    TextBox text;
    if (hasText) {
        if (out.gdiPlus) {
            const RectF box = measure.gdiPlus(out.text, RectF{float(left), float(top), float(width), float(height)},
                                              out.horizontal, out.vertical, out.renderingHint);
            text = {box.x, box.width, box.height};
        } else {
            const PixelSize size = measure.gdi(out.text, width - 2 * px(2));
            text = {double((width - size.width - pictureWidth) / 2), double(size.width), double(size.height)};
        }
    }
    const double textWidth = text.width, textHeight = text.height;
    const bool gdip = out.gdiPlus;

    const int centredX = left + std::max(0, (width - pictureWidth) / 2);
    const int centredY = top + std::max(0, (height - pictureHeight) / 2);
    PixelRect cap;
    PixelPoint pic;
    switch (in.layout) {
        case L::blGlyphLeft:
            cap = {left + pictureWidth + px(2), top, width - pictureWidth - px(2), height};
            pic = {std::max(px(2), gdip ? Round(text.left - pictureWidth / 2) : static_cast<int>(text.left)), centredY};
            break;
        case L::blGlyphTop: {
            cap = {left, top + pictureHeight, width, height - px(2) - pictureHeight};
            const int above = std::max(0, Round(height - px(2) - pictureHeight - textHeight) / 2);
            pic = {centredX, std::max(px(2), gdip ? top + above : top + above - px(4))};
            break;
        }
        case L::blGlyphRight: {
            cap = {px(2), top, width - px(4) - pictureWidth, height};
            const int x = std::max(0, Round(width - px(4) - pictureWidth - textWidth) / 2) + Round(textWidth) + px(4);
            pic = {x > width - pictureWidth ? width - pictureWidth - px(2) : x, centredY};
            break;
        }
        case L::blGlyphBottom: {
            cap = {left, px(2), width, height - px(2) - pictureHeight};
            const int y = std::max(0, Round(height - px(2) - pictureHeight - textHeight) / 2) +
                          (gdip ? Round(textHeight + px(2)) : Round(textHeight + px(5)));
            pic = {centredX, y > height - pictureHeight ? height - pictureHeight - px(2) : y};
            break;
        }
        case L::blGlyphLeftAdjusted:
            cap = {left + pictureWidth + px(2), top, width - pictureWidth - px(2), height};
            if (curved) cap.x += height / 4, cap.width -= height / 4;  // clear of the curved end
            pic = {std::max(px(2), cap.x - pictureWidth), centredY};
            break;
        case L::blGlyphRightAdjusted:
            cap = {px(2), top, width - px(4) - pictureWidth, height};
            if (curved) cap.width -= height / 4;
            pic = {width - pictureWidth - px(2) - (curved ? height / 4 : 0), centredY};
            break;
        case L::blGlyphTopAdjusted:
            cap = {left, top + pictureHeight, width, height - px(2) - pictureHeight};
            pic = {centredX, std::max(px(2), top)};
            break;
        case L::blGlyphBottomAdjusted: {
            cap = {left, px(2), width, gdip ? height - px(2) - pictureHeight : height - px(4) - pictureHeight};
            const int y = height / 2 + Round(textHeight + px(2));
            const int lowest = height - pictureHeight - px(2);
            pic = {centredX, gdip ? (y > height - pictureHeight ? lowest : y) : lowest};
            break;
        }
    }

    if (in.picture.width > 0 || in.picture.height > 0) {
        // Without a caption the picture is centred in the whole button.
        out.picture = hasText ? pic : PixelPoint{centredX, centredY};
    }

    if (!gdip && hasText) {
        // The platform call cannot centre wrapped text vertically: the rectangle's top is placed
        // from the measured height instead, keeping its bottom.
        if (in.layout == L::blGlyphLeftAdjusted) cap.x += px(2);
        const int bottom = cap.y + cap.height;
        const int measuredHeight = measure.gdi(out.text, cap.width).height;
        int newTop = cap.y;
        switch (in.layout) {
            case L::blGlyphTop: {
                const int pictureBottom = pic.y + pictureHeight;
                newTop = pictureBottom + (bottom - pictureBottom - measuredHeight) / 2;
                break;
            }
            case L::blGlyphTopAdjusted:
                break;
            case L::blGlyphBottomAdjusted:
                newTop = bottom - measuredHeight;
                break;
            default:
                // Measured from the client's top, not the rectangle's: a caption above its
                // picture (whose rectangle starts 2 pixels down) is not pushed lower.
                newTop = (bottom - cap.y - measuredHeight) / 2;
                break;
        }
        cap.y = newTop;
        cap.height = bottom - newTop;
    }
    out.captionRect = cap;
    return out;
}

std::optional<PixelPoint> ShortCutHintPlace(TShortCutHintPos pos, PixelPoint at, PixelSize button, PixelSize hint) {
    switch (pos) {
        case TShortCutHintPos::shpLeft:
            return PixelPoint{at.x - hint.width / 2, at.y + (button.height - hint.height) / 2};
        case TShortCutHintPos::shpTop:
            return PixelPoint{at.x + (button.width - hint.width) / 2, at.y - hint.height / 2};
        case TShortCutHintPos::shpRight:
            return PixelPoint{at.x + button.width - hint.width / 2, at.y + (button.height - hint.height) / 2};
        case TShortCutHintPos::shpBottom:
            return PixelPoint{at.x + (button.width - hint.width) / 2, at.y + button.height - hint.height / 2};
        default:
            return std::nullopt;
    }
}

std::optional<GlassOverlap> OverlapOf(const PixelRect& a, const PixelRect& b) {
    const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const int right = std::min(a.x + a.width, b.x + b.width), bottom = std::min(a.y + a.height, b.y + b.height);
    if (right <= left || bottom <= top) return std::nullopt;
    const int w = right - left, h = bottom - top;
    return GlassOverlap{{left - a.x, top - a.y, w, h}, {left - b.x, top - b.y, w, h}};
}

}  // namespace ctl::glass
