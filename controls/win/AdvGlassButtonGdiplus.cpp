#include "controls/win/AdvGlassButtonGdiplus.h"

#include <memory>
#include <vector>

namespace ctl::win {

namespace {

using glass::GlassBrush;
using glass::GlassDrawCommand;
using glass::GlassPath;
using glass::GlassPen;
using glass::PathCommand;

Gdiplus::RectF ToGdip(const RectF& r) { return {r.x, r.y, r.width, r.height}; }
Gdiplus::PointF ToGdip(PointF p) { return {p.x, p.y}; }
Gdiplus::Color ToColor(Argb argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }

// The brush of one fill; a path gradient is made over the filled path itself.
std::unique_ptr<Gdiplus::Brush> MakeBrush(const GlassBrush& brush, const Gdiplus::GraphicsPath* filled) {
    switch (brush.kind) {
        case GlassBrush::Kind::Solid:
            return std::make_unique<Gdiplus::SolidBrush>(ToColor(brush.colour));
        case GlassBrush::Kind::VerticalGradient:
            return std::make_unique<Gdiplus::LinearGradientBrush>(ToGdip(brush.rect), ToColor(brush.colour),
                                                                  ToColor(brush.colourTo),
                                                                  Gdiplus::LinearGradientModeVertical);
        case GlassBrush::Kind::PathGradient: {
            if (!filled) return nullptr;
            auto gradient = std::make_unique<Gdiplus::PathGradientBrush>(filled);
            gradient->SetCenterPoint(ToGdip(brush.centre));
            gradient->SetCenterColor(ToColor(brush.colour));
            Gdiplus::Color surround = ToColor(brush.colourTo);
            INT count = 1;
            gradient->SetSurroundColors(&surround, &count);
            return gradient;
        }
    }
    return nullptr;
}

std::unique_ptr<Gdiplus::Pen> MakePen(const GlassPen& pen) {
    auto out = std::make_unique<Gdiplus::Pen>(ToColor(pen.colour), pen.width);
    if (pen.arrowEndCap) out->SetEndCap(Gdiplus::LineCapArrowAnchor);
    return out;
}

}  // namespace

void AddGlassPath(Gdiplus::GraphicsPath& out, const GlassPath& path) {
    out.StartFigure();
    for (const PathCommand& c : path.commands) {
        switch (c.kind) {
            case PathCommand::Kind::Line:
                out.AddLine(ToGdip(c.points[0]), ToGdip(c.points[1]));
                break;
            case PathCommand::Kind::Arc:
                out.AddArc(ToGdip(c.box), c.startAngle, c.sweepAngle);
                break;
            case PathCommand::Kind::Curve: {
                std::vector<Gdiplus::PointF> points;
                for (PointF p : c.points) points.push_back(ToGdip(p));
                out.AddCurve(points.data(), static_cast<INT>(points.size()));
                break;
            }
            case PathCommand::Kind::Ellipse:
                out.AddEllipse(ToGdip(c.box));
                break;
        }
    }
    out.CloseFigure();
}

void ReplayGlassDrawing(Gdiplus::Graphics& graphics, const std::vector<GlassDrawCommand>& commands,
                        const std::function<void(Gdiplus::Graphics&, const RectF&)>& customSymbol) {
    const Gdiplus::SmoothingMode smoothing = graphics.GetSmoothingMode();
    Gdiplus::Region savedClip;
    graphics.GetClip(&savedClip);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    for (const GlassDrawCommand& c : commands) {
        switch (c.op) {
            case GlassDrawCommand::Op::FillPath: {
                Gdiplus::GraphicsPath path;
                AddGlassPath(path, c.path);
                if (auto brush = MakeBrush(c.brush, &path)) graphics.FillPath(brush.get(), &path);
                break;
            }
            case GlassDrawCommand::Op::StrokePath: {
                Gdiplus::GraphicsPath path;
                AddGlassPath(path, c.path);
                graphics.DrawPath(MakePen(c.pen).get(), &path);
                break;
            }
            case GlassDrawCommand::Op::ClipToPath: {
                Gdiplus::GraphicsPath path;
                AddGlassPath(path, c.path);
                graphics.SetClip(&path, Gdiplus::CombineModeReplace);
                break;
            }
            case GlassDrawCommand::Op::ResetClip:
                graphics.ResetClip();
                break;
            case GlassDrawCommand::Op::FillRect:
                if (auto brush = MakeBrush(c.brush, nullptr)) graphics.FillRectangle(brush.get(), ToGdip(c.rect));
                break;
            case GlassDrawCommand::Op::StrokeLine: {
                graphics.DrawLine(MakePen(c.pen).get(), ToGdip(c.from), ToGdip(c.to));
                break;
            }
            case GlassDrawCommand::Op::CustomSymbol:
                if (customSymbol) customSymbol(graphics, c.rect);
                break;
        }
    }
    graphics.SetClip(&savedClip, Gdiplus::CombineModeReplace);
    graphics.SetSmoothingMode(smoothing);
}

}  // namespace ctl::win
