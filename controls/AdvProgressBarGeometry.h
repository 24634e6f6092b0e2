#pragma once
// The progress bar's picture as data: from a snapshot of the bar and its client rectangle, the
// list of drawing instructions in painting order. The Win32 painter executes the list into an
// off-screen bitmap; the tests read it. Nothing here draws.
//
// Conventions: rectangles are (left, top, right, bottom) with right and bottom excluded, so a
// rectangle filled "with pen and brush of one colour" covers exactly its pixels. Empty or
// inverted rectangles are never emitted (a bar too small for a part simply lacks it). Colours in
// the instructions are resolved RGB values, 0x00BBGGRR.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/AdvProgressBarModel.h"

namespace ctl {

struct BarRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const BarRect&, const BarRect&) = default;
};

struct BarSize {
    int width = 0;
    int height = 0;
};

enum class BarPart {
    Key,    // the whole bitmap in the transparent key colour (rounded bars only)
    Frame,  // the frame: brush and a one-pixel pen, a round rectangle with a 6 x 6 corner ellipse when rounded
    Zone,   // a level zone's background
    Fill,   // a solid piece of the filled part
    Band,   // one band of a stepped gradient of the filled part
    Erase,  // background painted over the fill around the infinite block
};

struct BarInstruction {
    BarPart part = BarPart::Fill;
    BarRect rect;
    std::uint32_t colour = 0;  // brush, and pen except for a frame
    std::uint32_t pen = 0;     // frame only
    bool rounded = false;      // frame only
    int penWidth = 1;          // frame only: the line's thickness, inside the rectangle
    int corner = 6;            // frame only, rounded: the corner ellipse's width and height
    int level = -1;            // zone, fill and band: the level (zone) it belongs to
};

// One rectangle of the filled part, before it is painted solid or as gradient bands.
struct FillPiece {
    BarRect rect;
    int level = 0;
};

struct BarText {
    std::string text;  // Windows-1252
    int x = 0;         // origin of the text cell (for rotated text, the cell's top-left before turning)
    int y = 0;
    bool rotated = false;  // vertical bars: turned by 90 degrees, reading upward
};

struct ProgressBarDrawing {
    // Copy the bitmap leaving out its bottom-left pixel's colour (the key colour of the corners).
    bool transparentCorners = false;
    std::vector<BarInstruction> instructions;
    std::vector<FillPiece> fill;  // the filled part's rectangles, as given to the painting step
    std::optional<BarText> text;
};

inline constexpr std::uint32_t kTransparentKey = 0xFF00FF;
inline constexpr int kBlockPitch = 9;  // non-stacked blocks: 7 pixels and a 2-pixel gap
inline constexpr int kBlockLength = 7;

// The size of a text in the bar's font, in pixels.
using BarTextMeasure = std::function<BarSize(std::string_view text)>;

// At another DPI than 96 the client rectangle is the scaled one; the frame, the insets, the
// blocks and the infinite block's length are scaled from their 96-DPI sizes (fw::DpiScale).
ProgressBarDrawing LayoutProgressBar(const ProgressBarSnapshot& bar, const BarRect& client,
                                     const BarTextMeasure& measure, int dpi = 96);

// The bands of a stepped gradient over `area`, across its thickness: along y (each band the full
// width) when `alongY`, else along x. `from` and `to` are resolved RGB colours; steps below 1
// count as 1. Band i takes from + round(i * (to - from) / steps) per channel, starts at
// round(i * extent / steps) and is trunc(extent / steps) + 1 long, cut at the far edge; so the
// `to` colour itself is never reached.
std::vector<BarInstruction> SteppedGradient(const BarRect& area, std::uint32_t from, std::uint32_t to,
                                            int steps, bool alongY, int level);

// The bar's text for a Format string applied to (position, max): %d, %u, %x with an optional
// argument index ("%1:d"), left alignment, width and precision, and "%%". A placeholder the two
// integers cannot satisfy is kept as it stands.
std::string FormatBarText(std::string_view format, int position, int max);

}  // namespace ctl
