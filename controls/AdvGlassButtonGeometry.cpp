#include "controls/AdvGlassButtonGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "framework/Scaling.h"

namespace ctl::glass {

namespace {

using Kind = PathCommand::Kind;

float F(int v) { return static_cast<float>(v); }

PathCommand Line(float x1, float y1, float x2, float y2) { return PathCommand::MakeLine({x1, y1}, {x2, y2}); }
PathCommand Arc(float x, float y, float w, float h, float start, float sweep) {
    return PathCommand::MakeArc({x, y, w, h}, start, sweep);
}

// A command of one kind on a path; the builders below set the one field more each kind uses.
GlassDrawCommand Op(GlassDrawCommand::Op op, GlassPath path = {}) {
    GlassDrawCommand c;
    c.op = op;
    c.path = std::move(path);
    return c;
}

GlassDrawCommand Fill(GlassPath path, GlassBrush brush) {
    GlassDrawCommand c = Op(GlassDrawCommand::Op::FillPath, std::move(path));
    c.brush = brush;
    return c;
}

GlassDrawCommand Stroke(GlassPath path, GlassPen pen) {
    GlassDrawCommand c = Op(GlassDrawCommand::Op::StrokePath, std::move(path));
    c.pen = pen;
    return c;
}

GlassDrawCommand FillRect(RectF rect, Argb colour) {
    GlassDrawCommand c = Op(GlassDrawCommand::Op::FillRect);
    c.rect = rect;
    c.brush.colour = colour;
    return c;
}

GlassDrawCommand StrokeLine(PointF from, PointF to, GlassPen pen) {
    GlassDrawCommand c = Op(GlassDrawCommand::Op::StrokeLine);
    c.from = from;
    c.to = to;
    c.pen = pen;
    return c;
}

GlassBrush Solid(Argb colour) { return GlassBrush{GlassBrush::Kind::Solid, colour, 0, {}, {}}; }

// Four sides, ending where the figure started.
GlassPath SquarePath(float x, float y, float w, float h) {
    return GlassPath::Polygon({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}});
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Points of a figure

GlassPath GlassPath::Polygon(const std::vector<PointF>& corners) {
    GlassPath p;
    for (std::size_t i = 1; i < corners.size(); ++i) p.commands.push_back(PathCommand::MakeLine(corners[i - 1], corners[i]));
    return p;
}

PointF PointOnEllipse(const RectF& box, float degrees) {
    // The graphics layer places an arc's ends where the ray from the centre at that angle meets
    // the ellipse (on a circle: the usual polar point).
    const double a = box.width / 2.0, b = box.height / 2.0;
    const double t = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(t), s = std::sin(t);
    const double denominator = std::hypot(b * c, a * s);
    const double radius = denominator == 0 ? 0 : a * b / denominator;
    return {static_cast<float>(box.x + a + radius * c), static_cast<float>(box.y + b + radius * s)};
}

PointF CommandStart(const PathCommand& c) {
    switch (c.kind) {
        case Kind::Arc:
            return PointOnEllipse(c.box, c.startAngle);
        case Kind::Ellipse:
            return PointOnEllipse(c.box, 0);
        default:
            return c.points.empty() ? PointF{} : c.points.front();
    }
}

PointF CommandEnd(const PathCommand& c) {
    switch (c.kind) {
        case Kind::Arc:
            return PointOnEllipse(c.box, c.startAngle + c.sweepAngle);
        case Kind::Ellipse:
            return PointOnEllipse(c.box, 0);
        default:
            return c.points.empty() ? PointF{} : c.points.back();
    }
}

PointF GlassPath::Start() const { return commands.empty() ? PointF{} : CommandStart(commands.front()); }
PointF GlassPath::End() const { return commands.empty() ? PointF{} : CommandEnd(commands.back()); }

// ---------------------------------------------------------------------------------------------
// Path builders

GlassPath RoundedRectPath(const PixelRect& rect, int radius) {
    const float x = F(rect.x), y = F(rect.y), w = F(rect.width), h = F(rect.height);
    radius = std::min(radius, std::min(rect.width, rect.height) / 2);
    if (radius <= 0) return SquarePath(x, y, w, h);
    const float r = F(radius), d = 2 * r;
    return GlassPath{{
        Arc(x, y, d, d, 180, 90),
        Line(x + r, y, x + w - r, y),
        Arc(x + w - d, y, d, d, 270, 90),
        Line(x + w, y + r, x + w, y + h - r),
        Arc(x + w - d, y + h - d, d, d, 0, 90),
        Line(x + w - r, y + h, x + r, y + h),
        Arc(x, y + h - d, d, d, 90, 90),
        Line(x, y + h - r, x, y + r),
    }};
}

GlassPath TopRoundedRectPath(const PixelRect& rect, int radius) {
    const float x = F(rect.x), y = F(rect.y), w = F(rect.width), h = F(rect.height);
    radius = std::min({radius, rect.width / 2, rect.height});
    if (radius <= 0) return SquarePath(x, y, w, h);
    const float r = F(radius), d = 2 * r;
    return GlassPath{{
        Arc(x, y, d, d, 180, 90),
        Line(x + r, y, x + w - r, y),
        Arc(x + w - d, y, d, d, 270, 90),
        Line(x + w, y + r, x + w, y + h),
        Line(x + w, y + h, x, y + h),
        Line(x, y + h, x, y + r),
    }};
}

GlassPath CurvedPath(const PixelRect& rect, TButtonDirection direction) {
    const int ih = rect.height;
    const float x = F(rect.x), y = F(rect.y), w = F(rect.width), h = F(rect.height);
    if (direction == TButtonDirection::bdRight) {
        return GlassPath{{
            PathCommand::MakeCurve({{x, y},
                                    {x + F(ih / 6), y + F(ih / 4)},
                                    {F(Round(x + h / 4.85)), y + F(ih / 2)},
                                    {x + F(ih / 6), y + F(3 * ih / 4)},
                                    {x, y + h}}),
            Line(x, y + h, x + w - h, y + h),
            Arc(x + w - h, y, h, h, 90, -180),
            Line(x + w - h, y, x, y),
        }};
    }
    return GlassPath{{
        Arc(x, y, h, h, 90, 180),
        Line(x + h, y, x + w, y),
        PathCommand::MakeCurve({{x + w, y},
                                {x + w - F(ih / 6), y + F(ih / 4)},
                                {F(Round(x + w - h / 4.7)), y + F(ih / 2)},
                                {x + w - F(ih / 6), y + F(3 * ih / 4)},
                                {x + w, y + h}}),
        Line(x + h, y + h, x + w, y + h),
    }};
}

GlassPath CurvedShinePath(const PixelRect& rect, TButtonDirection direction) {
    const int ih = rect.height;
    const float x = F(rect.x), y = F(rect.y), w = F(rect.width), h = F(rect.height);
    if (direction == TButtonDirection::bdRight) {
        const PointF foot{F(Round(x + h / 2.35)), y + h};
        return GlassPath{{
            PathCommand::MakeCurve({{x, y}, {x + F(ih / 3), y + F(ih / 2)}, foot}),
            PathCommand::MakeLine(foot, {x + w - h, y + h}),
            Arc(x + w - 2 * h, y, 2 * h, 2 * h, 0, -90),
        }};
    }
    return GlassPath{{
        Arc(x, y, 2 * h, 2 * h, 180, 90),
        Line(x + h, y, x + w, y),
        PathCommand::MakeCurve(
            {{x + w, y}, {x + w - F(ih / 3), y + F(ih / 2)}, {F(Round(x + w - h / 2.35)), y + h}}),
    }};
}

GlassPath ShapePath(const PixelRect& r, TButtonShape shape, TButtonDirection direction, int radius) {
    return shape == TButtonShape::btsCurvedRectangle ? CurvedPath(r, direction) : RoundedRectPath(r, radius);
}

// ---------------------------------------------------------------------------------------------
// Colours

Argb TranslucentArgb(std::uint8_t alpha, fw::TColor colour) {
    const std::uint32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
    return std::uint32_t(alpha) << 24 | red << 16 | green << 8 | blue;
}

Argb OpaqueArgb(fw::TColor colour) { return fw::ToArgb(255, colour); }

// ---------------------------------------------------------------------------------------------
// Body

RectF GlowEllipse(int width, int height, int line) {
    const float w = F(width - 2 - 2 * line), h = F(height - 2 - 2 * line);
    return {F(line) - 0.35f * w, F(line) - 0.15f * h, 1.7f * w, 2.3f * h};
}

bool HasShine(int width, int height) { return width - 3 > 0 && (height - 3) / 2 > 0; }

std::vector<GlassDrawCommand> SymbolDrawing(TBackGroundSymbol symbol, int width, int height, Argb colour) {
    using S = TBackGroundSymbol;
    const int iw = width - 1, ih = height - 1;  // integer sizes for the marked divisions
    const float w = F(iw), h = F(ih);
    const GlassPen arrow{colour, h / 4, true};
    const GlassBrush brush = Solid(colour);
    auto triangle = [&](int x1, int y1, int x2, int y2, int x3, int y3) {
        return Fill(GlassPath::Polygon({{F(x1), F(y1)}, {F(x2), F(y2)}, {F(x3), F(y3)}}), brush);
    };
    std::vector<GlassDrawCommand> out;
    switch (symbol) {
        case S::bsArrowLeft:
            out.push_back(StrokeLine({w - w / 5, h / 2}, {w / 8, h / 2}, arrow));
            break;
        case S::bsArrowRight:
            out.push_back(StrokeLine({w / 6, h / 2}, {w - w / 8, h / 2}, arrow));
            break;
        case S::bsArrowUp:
            out.push_back(StrokeLine({w / 2, h - h / 5}, {w / 2, h / 8}, arrow));
            break;
        case S::bsArrowDown:
            out.push_back(StrokeLine({w / 2, h / 5}, {w / 2, h - h / 8}, arrow));
            break;
        case S::bsPlay: {
            const int m = iw / 20;
            out.push_back(triangle(m + iw / 4, ih / 4, m + iw - iw / 4, ih / 2, m + iw / 4, ih - ih / 4));
            break;
        }
        case S::bsPause:
            out.push_back(FillRect({w / 4, h / 4, (w / 2 - w / 10) / 2, h / 2}, colour));
            out.push_back(FillRect({w / 2 + w / 20, h / 4, (w / 2 - w / 10) / 2, h / 2}, colour));
            break;
        case S::bsStop:
            out.push_back(FillRect({w / 4 + w / 20, h / 4 + h / 20, w / 2 - w / 10, h / 2 - h / 10}, colour));
            break;
        case S::bsFastForward:
            out.push_back(triangle(iw / 4, ih / 4, iw / 2, ih / 2, iw / 4, ih - ih / 4));
            out.push_back(triangle(iw / 2, ih / 4, 3 * iw / 4, ih / 2, iw / 2, ih - ih / 4));
            out.push_back(FillRect({3 * w / 4, h / 4, w / 12, h / 2}, colour));
            break;
        case S::bsForward: {
            const int m = iw / 12;
            out.push_back(triangle(m + iw / 4, ih / 4, m + iw / 2, ih / 2, m + iw / 4, ih - ih / 4));
            out.push_back(triangle(m + iw / 2, ih / 4, m + 3 * iw / 4, ih / 2, m + iw / 2, ih - ih / 4));
            break;
        }
        case S::bsBackward: {
            const int m = iw / 12;
            out.push_back(triangle(iw / 4 - m, ih / 2, iw / 2 - m, ih / 4, iw / 2 - m, ih - ih / 4));
            out.push_back(triangle(iw / 2 - m, ih / 2, 3 * iw / 4 - m, ih / 4, 3 * iw / 4 - m, ih - ih / 4));
            break;
        }
        case S::bsFastBackward:
            out.push_back(triangle(iw / 4, ih / 2, iw / 2, ih / 4, iw / 2, ih - ih / 4));
            out.push_back(triangle(iw / 2, ih / 2, 3 * iw / 4, ih / 4, 3 * iw / 4, ih - ih / 4));
            out.push_back(FillRect({w / 4 - w / 12, h / 4, w / 12, h / 2}, colour));
            break;
        case S::bsSpeaker:
        case S::bsNoSpeaker: {
            const GlassPen pen{colour, w / 20, false};
            const int g = iw / 15, c = iw / 2;
            const int upper = ih / 4 + ih / 10, lower = 3 * ih / 4 - ih / 10;
            const int cone = c - g + iw / 5;
            out.push_back(Stroke(GlassPath::Polygon({{F(c - iw / 6 - g), F(upper)},
                                                     {F(c - g), F(upper)},
                                                     {F(cone), F(ih / 4)},
                                                     {F(cone), F(3 * ih / 4)},
                                                     {F(c - g), F(lower)},
                                                     {F(c - iw / 6 - g), F(lower)}}),
                                 pen));
            const float a = h / 4 + h / 10 + w / 40;
            out.push_back(StrokeLine({w / 2 - w / 15, a}, {w / 2 - w / 15, h - a}, pen));
            if (symbol == S::bsNoSpeaker) {
                out.push_back(StrokeLine({F(Round(w / 2 - w / 3.5 - w / 15)), 3 * h / 4 - h / 10},
                                         {w / 2 + w / 3 - w / 15, h / 4 + h / 12 + w / 40}, pen));
            }
            break;
        }
        case S::bsRecord: {
            const float d = std::min(w, h) / 2;
            out.push_back(Fill(GlassPath{{PathCommand::MakeEllipse({(w - d) / 2, (h - d) / 2, d, d})}}, brush));
            break;
        }
        case S::bsCustom: {
            GlassDrawCommand custom = Op(GlassDrawCommand::Op::CustomSymbol);
            custom.rect = {0, 0, w, h};
            out.push_back(custom);
            break;
        }
        case S::bsNone:
            break;
    }
    return out;
}

std::vector<GlassDrawCommand> GlassBodyDrawing(const GlassLook& look, const GlassPaintState& state, int width,
                                               int height, int dpi) {
    // i: the border lines' thickness, and the inner outline's inset from the outer one.
    const int i = fw::DpiScale(dpi).Line(1);
    const float pen = F(i);
    const PixelRect outer{0, 0, width - 1, height - 1};
    const PixelRect inner{i, i, width - 1 - 2 * i, height - 1 - 2 * i};
    auto shape = [&](const PixelRect& r) {
        return ShapePath(r, look.buttonShape, look.buttonDirection, look.cornerRadius);
    };
    std::vector<GlassDrawCommand> out;
    if (look.outerBorderColor != fw::clNone) {
        out.push_back(Stroke(shape(outer), GlassPen{OpaqueArgb(look.outerBorderColor), pen, false}));
    }
    if (look.backColor != fw::clNone) {
        out.push_back(Fill(shape(inner), Solid(TranslucentArgb(kBodyAlpha, look.backColor))));
    }
    if (state.Glow() && look.glowColor != fw::clNone) {
        const RectF box = GlowEllipse(width, height, i);
        GlassBrush glow{GlassBrush::Kind::PathGradient, TranslucentArgb(kGlowAlpha, look.glowColor),
                        TranslucentArgb(0, look.glowColor), {}, {box.x + box.width / 2, box.y + box.height / 2}};
        out.push_back(Op(GlassDrawCommand::Op::ClipToPath, shape(inner)));
        out.push_back(Fill(GlassPath{{PathCommand::MakeEllipse(box)}}, glow));
        out.push_back(Op(GlassDrawCommand::Op::ResetClip));
    }
    if (HasShine(width, height) && look.shineColor != fw::clNone) {
        const int shineHeight = (height - 1 - 2 * i) / 2 + i;
        const PixelRect shine{i, i, width - 1 - 2 * i, shineHeight};
        GlassPath path = look.buttonShape == TButtonShape::btsCurvedRectangle
                             ? CurvedShinePath(shine, look.buttonDirection)
                             : TopRoundedRectPath(shine, look.cornerRadius);
        // The gradient runs top to bottom, so its width only has to be a valid one: at least a pixel.
        const GlassBrush brush{GlassBrush::Kind::VerticalGradient, TranslucentArgb(kShineAlpha, look.shineColor),
                               TranslucentArgb(kShineAlphaTo, look.shineColor),
                               {F(i), F(i), F(std::max(1, width - 2 - 2 * i)), F(shineHeight)}, {}};
        out.push_back(Fill(std::move(path), brush));
    }
    if (look.backGroundSymbolColor != fw::clNone) {
        for (auto& c : SymbolDrawing(look.backGroundSymbol, width, height,
                                     TranslucentArgb(kSymbolAlpha, look.backGroundSymbolColor))) {
            out.push_back(std::move(c));
        }
    }
    if (look.innerBorderColor != fw::clNone) {
        out.push_back(Stroke(shape(inner), GlassPen{OpaqueArgb(look.innerBorderColor), pen, false}));
    }
    return out;
}

}  // namespace ctl::glass

namespace ctl::glass {

Path ToCanvasPath(const GlassPath& path) {
    Path out;
    for (const PathCommand& c : path.commands) {
        switch (c.kind) {
            case PathCommand::Kind::Line:
                out.segments.push_back(PathSegment::Line(c.points[0], c.points[1]));
                break;
            case PathCommand::Kind::Arc:
                out.segments.push_back(PathSegment::Arc(c.box, c.startAngle, c.sweepAngle));
                break;
            case PathCommand::Kind::Curve:
                out.segments.push_back(PathSegment::Curve(c.points));
                break;
            case PathCommand::Kind::Ellipse:
                out.segments.push_back(PathSegment::Ellipse(c.box));
                break;
        }
    }
    return out;
}

namespace {

Pen ToCanvasPen(const GlassPen& pen) {
    Pen out;
    out.colour = pen.colour;
    out.width = pen.width;
    out.arrowEndCap = pen.arrowEndCap;
    return out;
}

// A path gradient spreads over the filled path itself.
Brush ToCanvasBrush(const GlassBrush& brush, const Path& filled) {
    switch (brush.kind) {
        case GlassBrush::Kind::VerticalGradient: {
            LinearGradientBrush linear;
            linear.rect = brush.rect;
            linear.from = brush.colour;
            linear.to = brush.colourTo;
            linear.mode = LinearMode::Vertical;
            return linear;
        }
        case GlassBrush::Kind::PathGradient: {
            PathGradientBrush gradient;
            gradient.shape = filled;
            gradient.centre = brush.centre;
            gradient.centreColour = brush.colour;
            gradient.surround = {brush.colourTo};
            return gradient;
        }
        case GlassBrush::Kind::Solid:
            break;
    }
    return SolidBrush{brush.colour};
}

}  // namespace

void PaintGlassDrawing(Canvas& canvas, const std::vector<GlassDrawCommand>& commands,
                       const std::function<void(const RectF&)>& customSymbol) {
    const SmoothingMode smoothing = canvas.Smoothing();
    canvas.SetSmoothing(SmoothingMode::AntiAlias);
    for (const GlassDrawCommand& c : commands) {
        switch (c.op) {
            case GlassDrawCommand::Op::FillPath: {
                const Path path = ToCanvasPath(c.path);
                canvas.FillPath(path, ToCanvasBrush(c.brush, path));
                break;
            }
            case GlassDrawCommand::Op::StrokePath:
                canvas.DrawPath(ToCanvasPath(c.path), ToCanvasPen(c.pen));
                break;
            case GlassDrawCommand::Op::ClipToPath:
                canvas.SetClip(ToCanvasPath(c.path));
                break;
            case GlassDrawCommand::Op::ResetClip:
                canvas.ResetClip();
                break;
            case GlassDrawCommand::Op::FillRect:
                canvas.FillRect(c.rect, ToCanvasBrush(c.brush, Path{}));
                break;
            case GlassDrawCommand::Op::StrokeLine:
                canvas.DrawLine(c.from, c.to, ToCanvasPen(c.pen));
                break;
            case GlassDrawCommand::Op::CustomSymbol:
                if (customSymbol) customSymbol(c.rect);
                break;
        }
    }
    canvas.ResetClip();
    canvas.SetSmoothing(smoothing);
}

}  // namespace ctl::glass
