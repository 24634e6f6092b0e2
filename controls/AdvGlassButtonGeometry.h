#pragma once
// The glass button's body as data: the outline paths of both shapes, the shine, the pressed glow,
// the inner border and the sixteen background symbols, and the list of drawing commands that
// paints the body in order. PaintGlassDrawing plays the list onto the canvas the other styled
// controls paint on (controls/GDIPFillCanvas.h); the tests read the list and record the canvas.
//
// Conventions: coordinates are client pixels as single-precision floats; a rectangle is
// (x, y, width, height); angles are degrees, clockwise positive; colours are GDI+ ARGB.

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "controls/AdvGlassButtonModel.h"
#include "controls/GDIPFillCanvas.h"

namespace ctl::glass {

using ctl::Argb;
using ctl::Canvas;
using ctl::Path;
using ctl::PointF;
using ctl::RectF;

// round() of the shapes and the content's placement: halves go to the even neighbour (the default
// rounding mode).
inline int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

// A rectangle of whole pixels, (x, y, width, height): the path builders divide its sizes with
// integer division where the shapes are defined that way.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// One piece of a figure. Consecutive pieces are joined: a gap between one piece's end and the
// next one's start becomes a straight line, and every figure is closed back to its first point.
struct PathCommand {
    enum class Kind {
        Line,     // points[0] to points[1]
        Arc,      // part of the ellipse in `box`, from `startAngle` sweeping `sweepAngle`
        Curve,    // a cardinal spline through `points`, tension 0.5 (the graphics layer's default)
        Ellipse,  // the whole ellipse in `box`, a figure of its own
    };
    Kind kind = Kind::Line;
    std::vector<PointF> points;
    RectF box;
    float startAngle = 0, sweepAngle = 0;
    friend bool operator==(const PathCommand&, const PathCommand&) = default;

    static PathCommand MakeLine(PointF from, PointF to) { return {Kind::Line, {from, to}, {}, 0, 0}; }
    static PathCommand MakeArc(RectF box, float start, float sweep) { return {Kind::Arc, {}, box, start, sweep}; }
    static PathCommand MakeCurve(std::vector<PointF> points) { return {Kind::Curve, std::move(points), {}, 0, 0}; }
    static PathCommand MakeEllipse(RectF box) { return {Kind::Ellipse, {}, box, 0, 0}; }
};

// One closed figure.
struct GlassPath {
    std::vector<PathCommand> commands;
    friend bool operator==(const GlassPath&, const GlassPath&) = default;

    static GlassPath Polygon(const std::vector<PointF>& corners);
    // Where the figure starts and where its last piece ends (before closing).
    PointF Start() const;
    PointF End() const;
};

// The point of an ellipse (given by its box) at an angle, as the graphics layer places arcs.
PointF PointOnEllipse(const RectF& box, float degrees);
// Start and end point of one piece.
PointF CommandStart(const PathCommand& c);
PointF CommandEnd(const PathCommand& c);

// --- Path builders ------------------------------------------------------------------------

// Rounded rectangle with four quarter-circle corners. The radius is limited to half the shorter
// side (larger corners would cross each other); 0 or less gives square corners.
GlassPath RoundedRectPath(const PixelRect& r, int radius);
// Rounded at the top only (the shine of a rectangular button); the radius limited to half the width
// and to the height.
GlassPath TopRoundedRectPath(const PixelRect& r, int radius);
// The curved outline: the end named by `direction` is a half circle of diameter h, the other end
// a shallow inward curve.
GlassPath CurvedPath(const PixelRect& r, TButtonDirection direction);
// The shine of a curved button (h is the shine's height).
GlassPath CurvedShinePath(const PixelRect& r, TButtonDirection direction);
// The outline of the button's shape (rounded rectangle or curved) on a rectangle.
GlassPath ShapePath(const PixelRect& r, TButtonShape shape, TButtonDirection direction, int radius);

// --- Drawing commands ---------------------------------------------------------------------

struct GlassPen {
    Argb colour = 0;
    float width = 1;
    bool arrowEndCap = false;  // the line ends in an arrow head (anchor cap)
    friend bool operator==(const GlassPen&, const GlassPen&) = default;
};

struct GlassBrush {
    enum class Kind {
        Solid,             // colour
        VerticalGradient,  // colour at the top of `rect` to colourTo at its bottom
        PathGradient,      // over the filled path itself: colour at `centre`, colourTo at the boundary
    };
    Kind kind = Kind::Solid;
    Argb colour = 0;
    Argb colourTo = 0;
    RectF rect;
    PointF centre;
    friend bool operator==(const GlassBrush&, const GlassBrush&) = default;
};

struct GlassDrawCommand {
    enum class Op {
        FillPath,      // path, brush
        StrokePath,    // path, pen
        ClipToPath,    // path (replaces any clip)
        ResetClip,
        FillRect,      // rect, brush
        StrokeLine,    // from, to, pen
        CustomSymbol,  // rect: the owner's custom symbol handler draws here, if it has one
    };
    Op op = Op::FillPath;
    GlassPath path;
    GlassBrush brush;
    GlassPen pen;
    RectF rect;
    PointF from, to;
    friend bool operator==(const GlassDrawCommand&, const GlassDrawCommand&) = default;
};

// A colour value taken as it stands (red, green, blue from the low three bytes, no system-colour
// lookup) with the given alpha: the body, glow, shine and symbol.
Argb TranslucentArgb(std::uint8_t alpha, fw::TColor colour);
// A colour resolved first (system colours become RGB), fully opaque: borders, focus outline, caption.
Argb OpaqueArgb(fw::TColor colour);

inline constexpr std::uint8_t kBodyAlpha = 127;
inline constexpr std::uint8_t kGlowAlpha = 173;
inline constexpr std::uint8_t kShineAlpha = 153;
inline constexpr std::uint8_t kShineAlphaTo = 153 / 3;
inline constexpr std::uint8_t kSymbolAlpha = 160;

// The glow ellipse's box for a button of W x H whose border lines are `line` pixels thick:
// centred on the button's horizontal middle with its centre at the inner rectangle's bottom edge.
RectF GlowEllipse(int width, int height, int line = 1);
// Whether a button of W x H is big enough for the shine (wider than 3, at least 5 high).
bool HasShine(int width, int height);

// The symbol drawn on a body of W x H in `colour` (already at the symbol's alpha). Empty for
// bsNone; bsCustom gives one CustomSymbol command.
std::vector<GlassDrawCommand> SymbolDrawing(TBackGroundSymbol symbol, int width, int height, Argb colour);

// The whole body of a button of W x H, in painting order: outer border, body, glow (when the
// paint state shows it), shine, symbol, inner border. Elements whose colour is clNone are left out.
// At another DPI than 96 the size is the scaled one and the border lines are as thick as
// DpiScale::Line makes a one-pixel line (the corner radius comes scaled in the look).
std::vector<GlassDrawCommand> GlassBodyDrawing(const GlassLook& look, const GlassPaintState& state, int width,
                                               int height, int dpi = 96);

// --- On the styled controls' canvas -------------------------------------------------------

// The figure as a canvas path.
Path ToCanvasPath(const GlassPath& path);

// Paints the commands in order on the canvas with anti-aliased smoothing (the previous smoothing
// comes back afterwards, the clip is reset). A CustomSymbol command calls `customSymbol` with its
// rectangle, if one is given.
void PaintGlassDrawing(Canvas& canvas, const std::vector<GlassDrawCommand>& commands,
                       const std::function<void(const RectF&)>& customSymbol = {});

}  // namespace ctl::glass
