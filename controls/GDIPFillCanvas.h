#pragma once
// The drawing surface the gradient fill, the smooth panel (its face and plain caption) and the
// glass button (its body and GDI+ caption) paint on. The painters are written
// against this small interface, so that their whole algorithm runs (and is tested) without GDI+;
// controls/win/GDIPFill.h implements it over a GDI+ graphics object, creating every GDI+ path,
// brush and pen for the one call that needs it.
//
// Geometry is single-precision, in the graphics' coordinate space; colours are GDI+ ARGB values.
// Every call carries its own brush or pen: the canvas keeps no drawing state but the clip and
// the smoothing mode.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ctl {

class TEncodedPicture;
class TAdvGDIPPicture;

using Argb = std::uint32_t;

struct PointF {
    float x = 0, y = 0;
    friend bool operator==(const PointF&, const PointF&) = default;
};

// (X, Y, Width, Height)
struct RectF {
    float x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const RectF&, const RectF&) = default;
};

// Whole pixels as left, top, right, bottom (the picture placement's rectangles).
struct RectL {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const RectL&, const RectL&) = default;
};

// One piece of a path figure. Consecutive pieces of a figure are joined by the graphics layer,
// so a gap between one piece's end and the next one's start becomes a straight line.
struct PathSegment {
    enum class Kind { Line, Arc, Ellipse, Curve };
    Kind kind = Kind::Line;
    PointF from, to;                      // Line
    RectF box;                            // Arc (the ellipse's bounding box), Ellipse
    float startAngle = 0, sweepAngle = 0; // Arc, degrees
    std::vector<PointF> points;           // Curve: a cardinal spline through them (tension 0.5)
    friend bool operator==(const PathSegment&, const PathSegment&) = default;

    static PathSegment Line(PointF a, PointF b) { return {Kind::Line, a, b, {}, 0, 0, {}}; }
    static PathSegment Arc(RectF box, float start, float sweep) { return {Kind::Arc, {}, {}, box, start, sweep, {}}; }
    static PathSegment Ellipse(RectF box) { return {Kind::Ellipse, {}, {}, box, 0, 0, {}}; }
    static PathSegment Curve(std::vector<PointF> through) {
        return {Kind::Curve, {}, {}, {}, 0, 0, std::move(through)};
    }
};

// One closed figure.
struct Path {
    std::vector<PathSegment> segments;
    friend bool operator==(const Path&, const Path&) = default;

    static Path Polygon(std::initializer_list<PointF> points);
    static Path Rectangle(RectF r);
    static Path Ellipse(RectF box) { return Path{{PathSegment::Ellipse(box)}}; }
};

enum class WrapMode { Tile, Clamp };
enum class LinearMode { Horizontal, Vertical, ForwardDiagonal, BackwardDiagonal };  // GDI+ ordinals

struct SolidBrush {
    Argb colour = 0;
    friend bool operator==(const SolidBrush&, const SolidBrush&) = default;
};

// A linear gradient over a rectangle: by mode, or (no mode) at an angle in degrees that scales
// with the rectangle.
struct LinearGradientBrush {
    RectF rect;
    Argb from = 0, to = 0;
    std::optional<LinearMode> mode;
    float angle = 0;
    WrapMode wrap = WrapMode::Tile;
    bool gammaCorrection = false;
    friend bool operator==(const LinearGradientBrush&, const LinearGradientBrush&) = default;
};

// A linear gradient between two points.
struct LineGradientBrush {
    PointF start, end;
    Argb from = 0, to = 0;
    WrapMode wrap = WrapMode::Tile;
    friend bool operator==(const LineGradientBrush&, const LineGradientBrush&) = default;
};

struct HatchBrush {
    std::int32_t style = 0;  // GDI+ hatch style ordinal
    Argb fore = 0, back = 0;
    friend bool operator==(const HatchBrush&, const HatchBrush&) = default;
};

// A gradient from a centre point to the boundary of a path: either one centre colour and one
// surround colour, or a blend of (position, colour) pairs from the boundary (0) to the centre (1).
struct PathGradientBrush {
    Path shape;
    std::optional<PointF> centre;  // absent: the graphics layer's own centre of the path
    Argb centreColour = 0;
    std::vector<Argb> surround;
    std::vector<std::pair<float, Argb>> blend;
    std::optional<WrapMode> wrap;  // absent: the graphics layer's default
    friend bool operator==(const PathGradientBrush&, const PathGradientBrush&) = default;
};

// A picture as a tiled texture.
struct TextureBrush {
    const TEncodedPicture* picture = nullptr;
    friend bool operator==(const TextureBrush&, const TextureBrush&) = default;
};

using Brush = std::variant<SolidBrush, LinearGradientBrush, LineGradientBrush, HatchBrush, PathGradientBrush, TextureBrush>;

enum class DashStyle { Solid, Dash, Dot, DashDot, DashDotDot };  // GDI+ ordinals

struct Pen {
    Argb colour = 0;
    float width = 1;
    DashStyle dash = DashStyle::Solid;
    bool arrowEndCap = false;  // the line ends in an arrow head (anchor cap)
    friend bool operator==(const Pen&, const Pen&) = default;
};

enum class SmoothingMode { Default = 0, HighSpeed = 1, HighQuality = 2, None = 3, AntiAlias = 4 };  // GDI+ ordinals

// A font as the canvas makes it: a face (falling back to Arial), a size in points of a 96-DPI
// surface (three quarters of the size in pixels, whatever the surface's own DPI: a font of a
// window scaled to 144 DPI is given 1.5 times its design points), GDI+ style bits (bold 1,
// italic 2, underline 4, strike-out 8).
struct TextFont {
    std::string name = "Tahoma";
    float points = 8;
    int style = 0;
    friend bool operator==(const TextFont&, const TextFont&) = default;
};

enum class StringAlign { Near, Centre, Far };  // GDI+ ordinals

// How text is laid out in its box. The defaults are the graphics layer's own: wrapping, near
// alignment both ways, "&" shown as it is, trimmed at a character.
struct TextFormat {
    StringAlign horizontal = StringAlign::Near;
    StringAlign vertical = StringAlign::Near;
    bool hotkeyPrefix = false;     // "&" underlines the next letter and is not drawn
    bool trimming = true;          // false: no trimming
    std::optional<int> renderingHint;  // GDI+ text rendering hint ordinal; absent: as it is
    friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void FillPath(const Path& path, const Brush& brush) = 0;
    virtual void FillRect(const RectF& rect, const Brush& brush) = 0;
    virtual void DrawPath(const Path& path, const Pen& pen) = 0;
    virtual void DrawRect(const RectF& rect, const Pen& pen) = 0;
    virtual void DrawLine(PointF from, PointF to, const Pen& pen) = 0;

    // Clipping replaces any previous clip.
    virtual void SetClip(const Path& path) = 0;
    virtual void SetClip(const RectF& rect) = 0;
    virtual void ResetClip() = 0;

    virtual SmoothingMode Smoothing() const = 0;
    virtual void SetSmoothing(SmoothingMode mode) = 0;

    // Text (single-byte, the program's code page): its bounding box laid out in `box`, and the
    // text drawn there. A brush the canvas cannot make draws nothing.
    virtual RectF MeasureString(std::string_view text, const TextFont& font, const RectF& box,
                                const TextFormat& format) = 0;
    virtual void DrawString(std::string_view text, const TextFont& font, const RectF& box, const TextFormat& format,
                            const Brush& brush) = 0;

    // Refreshes the picture's size by decoding it the way this canvas draws it.
    virtual void DecodePicture(TEncodedPicture& picture) = 0;
    // Draws the picture into the rectangle (scaled; a transparent in-memory bitmap at its own size
    // with its colour key).
    virtual void DrawPicture(TAdvGDIPPicture& picture, const RectL& target) = 0;
};

// Restores the canvas' smoothing mode when it goes out of scope.
class SmoothingScope {
public:
    SmoothingScope(Canvas& canvas, SmoothingMode mode) : canvas_(canvas), saved_(canvas.Smoothing()) {
        canvas_.SetSmoothing(mode);
    }
    ~SmoothingScope() { canvas_.SetSmoothing(saved_); }
    SmoothingScope(const SmoothingScope&) = delete;
    SmoothingScope& operator=(const SmoothingScope&) = delete;

private:
    Canvas& canvas_;
    SmoothingMode saved_;
};

inline Path Path::Polygon(std::initializer_list<PointF> points) {
    Path p;
    const PointF* prev = nullptr;
    for (const PointF& pt : points) {
        if (prev) p.segments.push_back(PathSegment::Line(*prev, pt));
        prev = &pt;
    }
    return p;  // the figure is closed back to the first point
}

inline Path Path::Rectangle(RectF r) {
    return Polygon({{r.x, r.y}, {r.x + r.width, r.y}, {r.x + r.width, r.y + r.height}, {r.x, r.y + r.height}});
}

}  // namespace ctl
