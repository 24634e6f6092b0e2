#include "controls/win/GDIPFill.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "controls/win/AdvGDIP.h"
#include "controls/win/GdipFont.h"
#include "framework/win/Controls.h"

namespace ctl::win {
namespace {

Gdiplus::RectF ToGdip(const RectF& r) { return {r.x, r.y, r.width, r.height}; }
Gdiplus::PointF ToGdip(PointF p) { return {p.x, p.y}; }
Gdiplus::Color ToColor(Argb argb) { return Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb)); }
Gdiplus::WrapMode ToGdip(WrapMode w) { return w == WrapMode::Tile ? Gdiplus::WrapModeTile : Gdiplus::WrapModeClamp; }

// Makes the GDI+ brush of `brush` on the stack and hands it to `use`. A texture without a
// decodable picture gives no brush, and `use` is not called.
template <class Use>
void WithBrush(const Brush& brush, Use&& use) {
    if (auto* b = std::get_if<SolidBrush>(&brush)) {
        Gdiplus::SolidBrush solid(ToColor(b->colour));
        use(solid);
    } else if (auto* b = std::get_if<LinearGradientBrush>(&brush)) {
        auto make = [&]() -> Gdiplus::LinearGradientBrush {
            if (b->mode)
                return {ToGdip(b->rect), ToColor(b->from), ToColor(b->to),
                        static_cast<Gdiplus::LinearGradientMode>(*b->mode)};
            return {ToGdip(b->rect), ToColor(b->from), ToColor(b->to), b->angle, TRUE};
        };
        Gdiplus::LinearGradientBrush linear = make();
        linear.SetWrapMode(ToGdip(b->wrap));
        linear.SetGammaCorrection(b->gammaCorrection ? TRUE : FALSE);
        use(linear);
    } else if (auto* b = std::get_if<LineGradientBrush>(&brush)) {
        Gdiplus::LinearGradientBrush linear(ToGdip(b->start), ToGdip(b->end), ToColor(b->from), ToColor(b->to));
        linear.SetWrapMode(ToGdip(b->wrap));
        use(linear);
    } else if (auto* b = std::get_if<HatchBrush>(&brush)) {
        Gdiplus::HatchBrush hatch(static_cast<Gdiplus::HatchStyle>(b->style), ToColor(b->fore), ToColor(b->back));
        use(hatch);
    } else if (auto* b = std::get_if<PathGradientBrush>(&brush)) {
        Gdiplus::GraphicsPath shape;
        AddPath(shape, b->shape);
        Gdiplus::PathGradientBrush gradient(&shape);
        if (b->centre) gradient.SetCenterPoint(ToGdip(*b->centre));
        gradient.SetCenterColor(ToColor(b->centreColour));
        if (!b->surround.empty()) {
            std::vector<Gdiplus::Color> colours;
            for (Argb c : b->surround) colours.push_back(ToColor(c));
            INT count = static_cast<INT>(colours.size());
            gradient.SetSurroundColors(colours.data(), &count);
        }
        if (!b->blend.empty() && b->surround.empty()) {
            // The blend's ends as plain centre and surround colours too: a graphics layer that
            // ignores preset blends still fades from the outline inwards.
            gradient.SetCenterColor(ToColor(b->blend.back().second));
            Gdiplus::Color edge = ToColor(b->blend.front().second);
            INT one = 1;
            gradient.SetSurroundColors(&edge, &one);
        }
        if (!b->blend.empty()) {
            std::vector<Gdiplus::Color> colours;
            std::vector<Gdiplus::REAL> positions;
            for (auto [position, colour] : b->blend) {
                positions.push_back(position);
                colours.push_back(ToColor(colour));
            }
            gradient.SetInterpolationColors(colours.data(), positions.data(), static_cast<INT>(colours.size()));
        }
        if (b->wrap) gradient.SetWrapMode(ToGdip(*b->wrap));
        use(gradient);
    } else if (auto* b = std::get_if<TextureBrush>(&brush)) {
        if (b->picture == nullptr) return;
        LoadedImage image = LoadPicture(*b->picture);
        if (!image) return;
        Gdiplus::TextureBrush texture(image.Get(), Gdiplus::WrapModeTile);
        use(texture);
    }
}

// A fully transparent pen leaves every pixel as it was (nothing here draws other than over what
// is there), yet the graphics layer would still trace its whole outline: such a pen draws nothing.
void WithPen(const Pen& pen, auto&& use) {
    if ((pen.colour >> 24) == 0) return;
    Gdiplus::Pen gdipPen(ToColor(pen.colour), pen.width);
    gdipPen.SetDashStyle(static_cast<Gdiplus::DashStyle>(pen.dash));
    if (pen.arrowEndCap) gdipPen.SetEndCap(Gdiplus::LineCapArrowAnchor);
    use(gdipPen);
}

// Whether a brush paints every pixel of a row alike: a gradient straight down.
bool SameAlongRows(const Brush& brush) {
    if (auto* b = std::get_if<LinearGradientBrush>(&brush)) return b->mode == LinearMode::Vertical;
    if (auto* b = std::get_if<LineGradientBrush>(&brush)) return b->start.x == b->end.x && b->start.y != b->end.y;
    return false;
}

// The rectangle a path outlines when it is four sides, upright and level in turn, each starting
// where the one before ends.
std::optional<RectF> UprightRectangle(const Path& path) {
    const std::vector<PathSegment>& sides = path.segments;
    if (sides.size() != 4) return std::nullopt;
    auto level = [](const PathSegment& s) { return s.from.y == s.to.y && s.from.x != s.to.x; };
    auto upright = [](const PathSegment& s) { return s.from.x == s.to.x && s.from.y != s.to.y; };
    for (std::size_t i = 0; i < 4; ++i) {
        const PathSegment& side = sides[i];
        const PathSegment& next = sides[(i + 1) % 4];
        if (side.kind != PathSegment::Kind::Line || !(level(side) ? upright(next) : upright(side) && level(next)))
            return std::nullopt;
        if (side.to.x != next.from.x || side.to.y != next.from.y) return std::nullopt;
    }
    const PointF corner = sides[0].from, opposite = sides[1].to;
    return RectF{std::min(corner.x, opposite.x), std::min(corner.y, opposite.y), std::abs(opposite.x - corner.x),
                 std::abs(opposite.y - corner.y)};
}

}  // namespace

void WithGdiplusBrush(const Brush& brush, const std::function<void(Gdiplus::Brush&)>& use) { WithBrush(brush, use); }

void AddPath(Gdiplus::GraphicsPath& out, const Path& path) {
    out.StartFigure();
    for (const PathSegment& s : path.segments) {
        switch (s.kind) {
        case PathSegment::Kind::Line: out.AddLine(s.from.x, s.from.y, s.to.x, s.to.y); break;
        case PathSegment::Kind::Arc: out.AddArc(ToGdip(s.box), s.startAngle, s.sweepAngle); break;
        case PathSegment::Kind::Ellipse: out.AddEllipse(ToGdip(s.box)); break;
        case PathSegment::Kind::Curve: {
            std::vector<Gdiplus::PointF> points;
            for (PointF p : s.points) points.push_back(ToGdip(p));
            if (!points.empty()) out.AddCurve(points.data(), static_cast<INT>(points.size()));
            break;
        }
        }
    }
    out.CloseFigure();
}

bool GdiplusCanvas::FillByColumn(const std::optional<BlankPixels>& blank, const RectF& bounds, const Brush& brush,
                                 const std::function<void(Gdiplus::Graphics&)>& fill) {
    if (!blank || !SameAlongRows(brush)) return false;
    Gdiplus::Matrix transform;
    graphics_.GetTransform(&transform);
    Gdiplus::Region clip;
    graphics_.GetClip(&clip);
    const Gdiplus::Unit unit = graphics_.GetPageUnit();
    if (!transform.IsIdentity() || !clip.IsInfinite(&graphics_) || graphics_.GetPageScale() != 1.0f ||
        (unit != Gdiplus::UnitPixel && unit != Gdiplus::UnitDisplay))
        return false;
    // Columns two pixels clear of either edge: what smoothing and the pixel offset do at an edge
    // stays within that.
    const int first = std::max(0, static_cast<int>(std::ceil(bounds.x)) + 2);
    const int end = std::min(blank->width, static_cast<int>(std::floor(bounds.x + bounds.width)) - 2);
    const int top = std::max(0, static_cast<int>(std::floor(bounds.y)) - 2);
    const int bottom = std::min(blank->height, static_cast<int>(std::ceil(bounds.y + bounds.height)) + 2);
    if (end - first < 8 || bottom <= top) return false;  // too narrow to gain anything
    // GDI+ paints a band of columns through a bitmap over just those columns of the pixels, its
    // origin moved so that the fill lands where it would: a clip would not spare it the other
    // columns' work.
    auto fillColumns = [&](int x, int width) {
        if (width <= 0) return;
        Gdiplus::Bitmap band(width, blank->height, blank->width * 4, PixelFormat32bppPARGB,
                             reinterpret_cast<BYTE*>(blank->pixels + x));
        Gdiplus::Graphics graphics(&band);
        graphics.SetSmoothingMode(graphics_.GetSmoothingMode());
        graphics.SetPixelOffsetMode(graphics_.GetPixelOffsetMode());
        graphics.SetCompositingMode(graphics_.GetCompositingMode());
        graphics.SetCompositingQuality(graphics_.GetCompositingQuality());
        graphics.TranslateTransform(static_cast<Gdiplus::REAL>(-x), 0);
        fill(graphics);
    };
    fillColumns(0, first + 1);
    fillColumns(end, blank->width - end);
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = blank->pixels + static_cast<std::size_t>(y) * blank->width;
        std::fill(row + first + 1, row + end, row[first]);
    }
    return true;
}

void GdiplusCanvas::FillPath(const Path& path, const Brush& brush) {
    Gdiplus::GraphicsPath gdipPath;
    AddPath(gdipPath, path);
    auto fill = [&](Gdiplus::Graphics& on) { WithBrush(brush, [&](Gdiplus::Brush& b) { on.FillPath(&b, &gdipPath); }); };
    const std::optional<BlankPixels> blank = std::exchange(blank_, std::nullopt);
    const std::optional<RectF> rectangle = blank ? UprightRectangle(path) : std::nullopt;
    if (!rectangle || !FillByColumn(blank, *rectangle, brush, fill)) fill(graphics_);
}

void GdiplusCanvas::FillRect(const RectF& rect, const Brush& brush) {
    auto fill = [&](Gdiplus::Graphics& on) {
        WithBrush(brush, [&](Gdiplus::Brush& b) { on.FillRectangle(&b, ToGdip(rect)); });
    };
    if (!FillByColumn(std::exchange(blank_, std::nullopt), rect, brush, fill)) fill(graphics_);
}

void GdiplusCanvas::DrawPath(const Path& path, const Pen& pen) {
    blank_.reset();
    Gdiplus::GraphicsPath gdipPath;
    AddPath(gdipPath, path);
    WithPen(pen, [&](Gdiplus::Pen& p) { graphics_.DrawPath(&p, &gdipPath); });
}

void GdiplusCanvas::DrawRect(const RectF& rect, const Pen& pen) {
    blank_.reset();
    WithPen(pen, [&](Gdiplus::Pen& p) { graphics_.DrawRectangle(&p, ToGdip(rect)); });
}

void GdiplusCanvas::DrawLine(PointF from, PointF to, const Pen& pen) {
    blank_.reset();
    WithPen(pen, [&](Gdiplus::Pen& p) { graphics_.DrawLine(&p, ToGdip(from), ToGdip(to)); });
}

void GdiplusCanvas::SetClip(const Path& path) {
    Gdiplus::GraphicsPath gdipPath;
    AddPath(gdipPath, path);
    graphics_.SetClip(&gdipPath, Gdiplus::CombineModeReplace);
}

void GdiplusCanvas::SetClip(const RectF& rect) { graphics_.SetClip(ToGdip(rect), Gdiplus::CombineModeReplace); }

void GdiplusCanvas::ResetClip() { graphics_.ResetClip(); }

namespace {

void SetUp(Gdiplus::StringFormat& out, const TextFormat& format) {
    out.SetAlignment(static_cast<Gdiplus::StringAlignment>(format.horizontal));
    out.SetLineAlignment(static_cast<Gdiplus::StringAlignment>(format.vertical));
    if (format.hotkeyPrefix) out.SetHotkeyPrefix(Gdiplus::HotkeyPrefixShow);
    if (!format.trimming) out.SetTrimming(Gdiplus::StringTrimmingNone);
}

}  // namespace

Gdiplus::Font* GdiplusCanvas::FontFor(const TextFont& font) {
    if (!font_ || !(fontFor_ == font)) {
        // Points of a 96-DPI surface, in points of this one (GDI+ turns points into pixels at the
        // surface's own DPI).
        font_ = MakeGdipFont(fw::Widen(font.name), font.points * 96.0f / graphics_.GetDpiY(), font.style);
        fontFor_ = font;
    }
    return font_.get();
}

RectF GdiplusCanvas::MeasureString(std::string_view text, const TextFont& font, const RectF& box,
                                   const TextFormat& format) {
    Gdiplus::Font* gdipFont = FontFor(font);
    Gdiplus::StringFormat gdipFormat(0);
    SetUp(gdipFormat, format);
    const std::wstring wide = fw::Widen(text);
    Gdiplus::RectF bounds;
    graphics_.MeasureString(wide.c_str(), -1, gdipFont, ToGdip(box), &gdipFormat, &bounds);
    return {bounds.X, bounds.Y, bounds.Width, bounds.Height};
}

void GdiplusCanvas::DrawString(std::string_view text, const TextFont& font, const RectF& box,
                               const TextFormat& format, const Brush& brush) {
    blank_.reset();
    Gdiplus::Font* gdipFont = FontFor(font);
    Gdiplus::StringFormat gdipFormat(0);
    SetUp(gdipFormat, format);
    if (format.renderingHint) graphics_.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(*format.renderingHint));
    const std::wstring wide = fw::Widen(text);
    WithBrush(brush, [&](Gdiplus::Brush& b) { graphics_.DrawString(wide.c_str(), -1, gdipFont, ToGdip(box), &gdipFormat, &b); });
}

SmoothingMode GdiplusCanvas::Smoothing() const { return static_cast<SmoothingMode>(graphics_.GetSmoothingMode()); }

void GdiplusCanvas::SetSmoothing(SmoothingMode mode) {
    graphics_.SetSmoothingMode(static_cast<Gdiplus::SmoothingMode>(mode));
}

void GdiplusCanvas::DecodePicture(TEncodedPicture& picture) { win::DecodePicture(picture); }

void GdiplusCanvas::DrawPicture(TAdvGDIPPicture& picture, const RectL& target) {
    blank_.reset();
    DrawToGraphics(picture, graphics_, RECT{target.left, target.top, target.right, target.bottom});
}

RectF Fill(TGDIPFill& fill, Gdiplus::Graphics* graphics, RectF rect, std::uint8_t borderOpacity, std::uint8_t opacity,
           std::uint8_t opacityTo, std::uint8_t mirrorOpacity, std::uint8_t mirrorOpacityTo) {
    if (graphics == nullptr) return fill.Fill(nullptr, rect, borderOpacity, opacity, opacityTo, mirrorOpacity,
                                              mirrorOpacityTo);
    GdiplusCanvas canvas(*graphics);
    return fill.Fill(&canvas, rect, borderOpacity, opacity, opacityTo, mirrorOpacity, mirrorOpacityTo);
}

}  // namespace ctl::win
