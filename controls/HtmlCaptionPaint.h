#pragma once
// Painting a laid-out HTML caption (controls/HtmlCaption.h) onto a small drawing surface.
// PaintHtml turns the instruction list into canvas calls: backgrounds first, then every run
// with its background, shadow, underline and strike-out and error zig-zag, images, bullets and
// rules. controls/win/HtmlCaptionGdip.h implements the canvas with GDI+; tests record the calls.

#include <string_view>
#include <vector>

#include "controls/HtmlCaption.h"

namespace ctl {

struct HtmlPoint {
    int x = 0, y = 0;
    friend bool operator==(const HtmlPoint&, const HtmlPoint&) = default;
};

enum class HtmlTextLine { Underline, StrikeOut };

// Every call carries its own colour (not yet resolved: system colours and all) and draws
// opaquely; the canvas keeps no drawing state.
class HtmlCanvas {
public:
    virtual ~HtmlCanvas() = default;
    virtual void FillRect(const HtmlRect& rect, HtmlColour colour) = 0;
    virtual void FillGradient(const HtmlRect& rect, HtmlColour from, HtmlColour to, bool horizontal) = 0;
    virtual void FillEllipse(const HtmlRect& rect, HtmlColour colour) = 0;
    // A 1-pixel line, both ends included.
    virtual void DrawLine(HtmlPoint from, HtmlPoint to, HtmlColour colour) = 0;
    virtual void DrawPolyline(const std::vector<HtmlPoint>& points, HtmlColour colour) = 0;
    // Text with its top-left at (x, y), bold and italic as the font says (font.colour, underline
    // and strike-out are not used).
    virtual void DrawText(std::string_view text, int x, int y, const HtmlFont& font, HtmlColour colour) = 0;
    // An underline or strike-out line under or through text of that font whose top is at textTop,
    // from x1 to x2 (pen positions of the layout: the canvas adds the lead its text drawing leaves
    // before the first glyph). Text decorations are drawn this way, never by the font, so that
    // underlines run on through the blanks between words.
    virtual void DrawTextLine(HtmlTextLine line, int x1, int x2, int textTop, const HtmlFont& font,
                              HtmlColour colour) = 0;
    virtual void DrawImage(const HtmlImageRef& image, const HtmlRect& box) = 0;
};

// Paints what the layout placed. The shadow colour and offset come from the options the layout
// was made with.
void PaintHtml(const HtmlLayout& layout, HtmlCanvas& canvas, const HtmlOptions& options);

}  // namespace ctl
