#pragma once
// Where the glass button's content goes: the caption's text, rectangle, alignment and colour, the
// picture's corner, and the focus outline, for the eight layouts and for both ways of drawing
// text (GDI+ for an anti-aliased vector font, the platform's text call otherwise). Pure
// functions over a text measurer, so that painting and any hit-testing share one layout and the
// tests need no window. Nothing here draws.
//
// The caption is drawn with the hot-key prefix shown ("&" underlines the next letter), word
// wrapping and no trimming; the picture at its own size from its top-left corner.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "controls/AdvGlassButtonGeometry.h"

namespace ctl::glass {

enum class TextAlign { Near, Centre, Far };

struct PixelPoint {
    int x = 0, y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelSize {
    int width = 0, height = 0;
};

// Text measurement, as the platform does it.
struct GlassTextMeasurer {
    // GDI+: the bounding box of the text laid out in `box` with the given alignment and text
    // rendering hint (ordinal; 0 the default), as it is drawn.
    std::function<RectF(std::string_view text, const RectF& box, TextAlign horizontal, TextAlign vertical,
                        int renderingHint)>
        gdiPlus;
    // The platform's text call with word break: the size of the text broken to lines no wider
    // than `width`.
    std::function<PixelSize(std::string_view text, int width)> gdi;
};

struct GlassContentInput {
    PixelRect client{0, 0, 100, 32};
    std::string caption;
    bool showCaption = true;
    TButtonLayout layout = TButtonLayout::blGlyphLeft;
    TButtonShape shape = TButtonShape::btsRectangle;
    TButtonDirection direction = TButtonDirection::bdRight;
    int cornerRadius = 4;
    bool enabled = true;
    bool focusOutline = false;  // the button's window has the focus and ShowFocusRect is set
    PixelSize picture;          // the size the chosen picture is drawn at; 0 x 0 without one
    TAntiAlias antiAlias = TAntiAlias::aaClearType;
    bool fontDrawableByGdiPlus = true;  // a vector font installed on the screen, not a device font
    fw::TColor fontColor = fw::clWindowText;
    int dpi = 96;  // the margins and spacings below are the design's, scaled to this DPI
};

inline constexpr int kPictureSpacing = 2;  // at 96 DPI
inline constexpr Argb kFocusOutlineColour = 0xFF808080;
inline constexpr Argb kDisabledCaptionColour = 0xFF808080;

struct GlassContentLayout {
    std::string text;        // the caption with its line breaks; empty when no caption is shown
    bool gdiPlus = true;     // drawn with GDI+ (else with the platform's text call)
    TextAlign horizontal = TextAlign::Centre;
    TextAlign vertical = TextAlign::Centre;  // GDI+ only: the platform call gets a placed rectangle
    int renderingHint = 0;   // GDI+ text rendering hint ordinal; 0 keeps the default
    Argb gdiPlusColour = 0;  // the caption brush on the GDI+ path
    fw::TColor gdiColour = 0;  // the caption colour on the platform path (kept when disabled)
    PixelRect captionRect;   // where the caption is laid out (x, y, width, height)
    std::optional<PixelPoint> picture;  // top-left corner of the picture
    std::optional<GlassPath> focusOutline;  // drawn with a 1-pixel pen of kFocusOutlineColour
};

// A caption's text as drawn: "\n" (either case of the n) breaks the line.
std::string CaptionLines(std::string_view caption);

// The picture a paint shows: the disabled one while disabled, the down one while pressed under the
// pointer or down, the hot one under the pointer, else the normal one; a picture that is empty
// gives way to the next rule.
struct GlassPictureSet {
    bool normal = false, down = false, disabled = false, hot = false;  // which are not empty
};
GlassPicture ChoosePicture(const GlassPaintState& state, const GlassPictureSet& notEmpty);

// GDI+ font style bits of the caption font: strike-out is not carried over.
int GdiPlusFontStyle(bool bold, bool italic, bool underline);

GlassContentLayout LayoutGlassContent(const GlassContentInput& in, const GlassTextMeasurer& measure);

// --- Around the button ----------------------------------------------------------------------

// Where the shortcut-hint window goes, from the button's top-left corner on the screen, the
// button's size and the hint window's size: half over the named edge (or centred on it). Empty
// for the other positions, which leave the window where it is.
std::optional<PixelPoint> ShortCutHintPlace(TShortCutHintPos pos, PixelPoint buttonOnScreen, PixelSize button,
                                            PixelSize hint);

// Two overlapping glass buttons of one parent (bounds in the parent's client pixels): the shared
// part in each button's own coordinates, so that a button shown through another can be drawn
// into it. Empty when they do not overlap.
struct GlassOverlap {
    PixelRect inThis, inOther;
};
std::optional<GlassOverlap> OverlapOf(const PixelRect& thisBounds, const PixelRect& otherBounds);

}  // namespace ctl::glass
