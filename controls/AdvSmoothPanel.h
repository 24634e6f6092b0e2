#pragma once
// The smooth panel's layout, apart from its window: where the fill, the plain caption, its band
// and line, and the HTML caption go. Painting (controls/win/AdvSmoothPanel.h) and the link hit
// test both use these functions, so they agree on every rectangle.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controls/GDIPFill.h"
#include "controls/GDIPicture.h"
#include "controls/HtmlCaption.h"
#include "framework/Properties.h"

namespace ctl {

enum class TAdvSmoothPanelLocation : std::uint8_t {
    plTopLeft, plTopCenter, plTopRight, plCenterLeft, plCenterCenter, plCenterRight,
    plBottomLeft, plBottomCenter, plBottomRight, plCustom
};
enum class TAdvSmoothPanelTextRenderingHint : std::uint8_t { tAntiAlias, tAntiAliasGridFit, tClearType };

const fw::EnumInfo& SmoothPanelLocationEnum();
const fw::EnumInfo& SmoothPanelTextRenderingHintEnum();

struct PointL {
    int x = 0, y = 0;
    friend bool operator==(const PointL&, const PointL&) = default;
};

// Places a w x h block in an area (rounded to whole pixels first). Centre and bottom rows do not
// add the area's top, and the horizontal centre halves max(X, W - w): both measure from the
// panel's own origin. plCustom is the caller's business (it gives X, Y).
PointL PlaceByLocation(TAdvSmoothPanelLocation location, RectF area, int w, int h);

// The rectangle the fill paints: inside the last row and column when a border is drawn, else
// one pixel beyond every edge, so that anti-aliased edges leave no seam.
RectF PanelFillRect(int width, int height, fw::TColor borderColor, int borderWidth);

// The plain caption's text area T and its right reserve r: a fill picture in the corner the
// caption goes to takes its width from the area.
struct CaptionArea {
    RectF area;
    float reserve = 0;
    friend bool operator==(const CaptionArea&, const CaptionArea&) = default;
};
CaptionArea PlainCaptionArea(RectF fillRect, bool fillHasPicture, int pictureWidth, TFillPicturePosition position,
                             TAdvSmoothPanelLocation location);

// The y of the caption line: under the text, or above it for the bottom locations.
float CaptionLineY(TAdvSmoothPanelLocation location, int y, float textHeight);

// The HTML caption (rectangles as left, top, right, bottom). c is the plain caption's rounded
// height (0 without one), wmax the widest the caption may be (width - shadow - 2 * border).
// First the rectangle the renderer measures in, then, with the measured size hw x hh, the target
// it draws in and links are hit-tested in: placed in the fill rectangle whose height loses c.
RectL HtmlMeasureRect(TAdvSmoothPanelLocation location, int htmlLeft, int c, int wmax);
RectL HtmlTargetRect(TAdvSmoothPanelLocation location, int htmlLeft, int htmlTop, int c, int wmax, RectF fillRect,
                     int hw, int hh);

// Everything the panel's two captions are laid out from, at one size and DPI.
struct PanelCaptionInputs {
    int width = 0, height = 0;  // the panel's
    // Its border and shadow leave the room; its picture, in the plain caption's corner, takes its
    // width from the caption (a picture drawn at its own size is decoded for it).
    TGDIPFill* fill = nullptr;
    std::string text;  // the plain caption
    TextFont font;
    TAdvSmoothPanelLocation location = TAdvSmoothPanelLocation::plTopLeft;
    int left = 0, top = 0;  // plCustom
    std::string html;       // the HTML caption
    HtmlOptions options;    // its font, colours, line spacing and DPI (the layout sets rectangle and mode)
    TAdvSmoothPanelLocation htmlLocation = TAdvSmoothPanelLocation::plCenterCenter;
    int htmlLeft = 0, htmlTop = 0;
};

// Where both captions go. Painting, the mouse and readers use this one layout.
struct PanelCaptionLayout {
    RectF fillRect;  // what the fill occupies
    int shadow = 0;  // the fill's shadow offset, 0 without a shadow colour
    // The plain caption (all zero without text): its area and right reserve, its measured box and
    // its top-left corner.
    CaptionArea area;
    RectF textBounds;
    PointL at;
    // The HTML caption: the rectangle it goes in, the options it was laid out with (Draw mode),
    // every line (what readers are told) and the lines drawn (what is painted and what the mouse hits).
    RectL htmlRect;
    HtmlOptions htmlOptions;
    HtmlLayout lines;
    HtmlLayout drawn;
};

// Measures the plain caption on `canvas` (the graphics layer's default format) and the HTML
// caption with `measurer` and `images`.
PanelCaptionLayout LayoutPanelCaptions(const PanelCaptionInputs& in, Canvas& canvas, const TextMeasurer& measurer,
                                       const HtmlImages& images);

// The panel's caption layout as it stands, made when first asked for after a change: painting
// before the first paint or after a resize sees what will be painted.
class PanelCaptionCache {
public:
    // What a layout is made for: the panel's size and DPI, and its count of changes (of the
    // captions, their fonts, the fill, the image sources).
    struct Key {
        int width = 0, height = 0, dpi = 0;
        std::uint64_t changes = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };
    // The layout made for `key`, made by `make` when the last one was made for another key.
    template <class Make>
    const PanelCaptionLayout& Get(const Key& key, Make&& make) {
        if (!layout_ || !(key == key_)) {
            layout_ = make();
            key_ = key;
            ++builds_;
        }
        return *layout_;
    }
    int Builds() const { return builds_; }

private:
    std::optional<PanelCaptionLayout> layout_;
    Key key_;
    int builds_ = 0;
};

}  // namespace ctl

namespace ctl {

// Rich hint data: a title, notes and a picture. The panel owns and copies it; it is not shown.
class TAdvHintInfo : public fw::Persistent {
public:
    TAdvHintInfo() = default;
    TAdvHintInfo(const TAdvHintInfo&) = delete;
    TAdvHintInfo& operator=(const TAdvHintInfo&) = delete;
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    std::string Title;
    std::vector<std::string> Notes;
    TGDIPPicture& Picture() { return picture_; }
    const TGDIPPicture& Picture() const { return picture_; }
    const std::string& GetTitle() const { return Title; }
    void SetTitle(std::string title) { Title = std::move(title); }

    // From another hint: title, notes and the picture's content. Other classes are ignored.
    void Assign(const fw::Persistent* source);

private:
    TGDIPPicture picture_;
};

}  // namespace ctl
