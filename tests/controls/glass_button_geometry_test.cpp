// The glass button's body as data: the outline, shine and curved paths (closed, joined only along
// their straight edges, inside their rectangle), the drawing order and colours of the body, the
// glow and shine conditions, and the sixteen symbols.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "controls/AdvGlassButtonGeometry.h"
#include "tests/controls/gdipfill_recording_canvas.h"

// Readable failure messages for paths: one piece per line.
namespace ctl::glass {
void PrintTo(const GlassPath& path, std::ostream* out) {
    for (const auto& c : path.commands) {
        *out << "\n  " << static_cast<int>(c.kind);
        for (const auto& p : c.points) *out << " (" << p.x << "," << p.y << ")";
        if (c.kind == PathCommand::Kind::Arc || c.kind == PathCommand::Kind::Ellipse) {
            *out << " box (" << c.box.x << "," << c.box.y << "," << c.box.width << "," << c.box.height << ") "
                 << c.startAngle << "/" << c.sweepAngle;
        }
    }
}
}  // namespace ctl::glass

namespace {

using namespace ctl::glass;
using Op = GlassDrawCommand::Op;
using Kind = PathCommand::Kind;

constexpr float kEps = 1e-3f;

bool Near(PointF a, PointF b) { return std::fabs(a.x - b.x) < kEps && std::fabs(a.y - b.y) < kEps; }
std::string Str(PointF p) {
    std::ostringstream s;
    s << "(" << p.x << "," << p.y << ")";
    return s.str();
}

// Points along a path: line and curve points, and arcs sampled every degree.
std::vector<PointF> Sample(const GlassPath& path) {
    std::vector<PointF> out;
    for (const auto& c : path.commands) {
        if (c.kind == Kind::Arc) {
            const int steps = static_cast<int>(std::fabs(c.sweepAngle));
            for (int i = 0; i <= steps; ++i) {
                out.push_back(PointOnEllipse(c.box, c.startAngle + c.sweepAngle * static_cast<float>(i) / steps));
            }
        } else if (c.kind == Kind::Ellipse) {
            for (int a = 0; a < 360; ++a) out.push_back(PointOnEllipse(c.box, static_cast<float>(a)));
        } else {
            out.insert(out.end(), c.points.begin(), c.points.end());
        }
    }
    return out;
}

RectF Bounds(const std::vector<PointF>& points) {
    float l = points.at(0).x, t = points[0].y, r = l, b = t;
    for (const auto& p : points) l = std::min(l, p.x), t = std::min(t, p.y), r = std::max(r, p.x), b = std::max(b, p.y);
    return {l, t, r - l, b - t};
}

void ExpectBounds(const GlassPath& path, const PixelRect& r, const std::string& what) {
    const RectF b = Bounds(Sample(path));
    EXPECT_NEAR(b.x, r.x, kEps) << what;
    EXPECT_NEAR(b.y, r.y, kEps) << what;
    EXPECT_NEAR(b.x + b.width, r.x + r.width, kEps) << what;
    EXPECT_NEAR(b.y + b.height, r.y + r.height, kEps) << what;
}

// The joins the graphics layer adds between pieces (and the closing line) may only run along the
// rectangle's top or bottom edge: a wrong arc angle or end point shows up as a slanted join.
void ExpectJoinsAlongTopOrBottom(const GlassPath& path, const PixelRect& r, const std::string& what) {
    const auto& c = path.commands;
    for (std::size_t i = 0; i < c.size(); ++i) {
        const PointF end = CommandEnd(c[i]);
        const PointF next = CommandStart(c[(i + 1) % c.size()]);
        if (Near(end, next)) continue;
        const bool horizontal = std::fabs(end.y - next.y) < kEps &&
                                (std::fabs(end.y - r.y) < kEps || std::fabs(end.y - (r.y + r.height)) < kEps);
        EXPECT_TRUE(horizontal) << what << ": piece " << i << " ends at " << Str(end) << ", the next starts at "
                                << Str(next);
    }
}

// ---------------------------------------------------------------------------------------------
// Paths

TEST(GlassButtonPaths, RoundedRectangleIsClosedInsideItsRectangleAndRunsClockwiseForEveryRadius) {
    const PixelRect rects[] = {{0, 0, 72, 28}, {1, 1, 70, 26}, {4, 4, 65, 21}, {0, 0, 10, 40}, {3, 5, 1, 1}};
    for (const PixelRect& r : rects) {
        for (int radius : {-2, 0, 1, 4, 10, 12, 13, 14, 20, 100}) {
            const std::string what = "rect " + std::to_string(r.width) + "x" + std::to_string(r.height) + " r " +
                                     std::to_string(radius);
            const GlassPath p = RoundedRectPath(r, radius);
            ExpectBounds(p, r, what);
            // Every piece continues where the previous one ended, and the last ends at the start.
            for (std::size_t i = 0; i < p.commands.size(); ++i) {
                EXPECT_TRUE(Near(CommandEnd(p.commands[i]), CommandStart(p.commands[(i + 1) % p.commands.size()])))
                    << what << ": gap after piece " << i;
            }
            // Clockwise (y down): top runs right, right side down, bottom left, left side up; a
            // side that ran backwards would mean corners crossing each other.
            for (const auto& c : p.commands) {
                if (c.kind != Kind::Line) continue;
                const PointF a = c.points[0], b = c.points[1];
                const bool top = a.y == r.y && b.y == r.y, bottom = a.y == r.y + r.height && b.y == a.y;
                const bool right = a.x == r.x + r.width && b.x == a.x, left = a.x == r.x && b.x == a.x;
                if (top) { EXPECT_GE(b.x, a.x) << what; }
                if (bottom) { EXPECT_LE(b.x, a.x) << what; }
                if (right && !top && !bottom) { EXPECT_GE(b.y, a.y) << what; }
                if (left && !top && !bottom) { EXPECT_LE(b.y, a.y) << what; }
            }
        }
    }
}

TEST(GlassButtonPaths, ShineOfARectangularButtonIsRoundedAtTheTopOnly) {
    const PixelRect shine{1, 1, 70, 14};  // the wizard's 73 x 29 button
    const GlassPath p = TopRoundedRectPath(shine, 12);
    ExpectBounds(p, shine, "shine");
    int arcs = 0;
    for (const auto& c : p.commands) {
        if (c.kind != Kind::Arc) continue;
        ++arcs;
        EXPECT_LE(c.box.y + c.box.height / 2, shine.y + shine.height) << "a top corner's centre";
        EXPECT_TRUE(c.startAngle == 180 || c.startAngle == 270) << c.startAngle;
    }
    EXPECT_EQ(arcs, 2);
    const auto points = Sample(p);
    EXPECT_TRUE(std::any_of(points.begin(), points.end(), [](PointF q) { return Near(q, {1, 15}); }))
        << "square bottom-left corner";
    EXPECT_TRUE(std::any_of(points.begin(), points.end(), [](PointF q) { return Near(q, {71, 15}); }))
        << "square bottom-right corner";

    // Corners taller than the shine are limited to its height, so the sides do not run upward.
    const GlassPath low = TopRoundedRectPath({1, 1, 70, 3}, 12);
    ExpectBounds(low, {1, 1, 70, 3}, "low shine");
}

TEST(GlassButtonPaths, CurvedOutlinesAreHalfCircleAtOneEndAndCurvedInAtTheOther) {
    for (const PixelRect r : {PixelRect{0, 0, 80, 28}, PixelRect{1, 1, 78, 26}, PixelRect{6, 5, 69, 19}}) {
        const float x = r.x, y = r.y, w = r.width, h = r.height;
        const GlassPath right = CurvedPath(r, TButtonDirection::bdRight);
        const GlassPath left = CurvedPath(r, TButtonDirection::bdLeft);
        ExpectBounds(right, r, "bdRight");
        ExpectBounds(left, r, "bdLeft");
        ExpectJoinsAlongTopOrBottom(right, r, "bdRight");
        ExpectJoinsAlongTopOrBottom(left, r, "bdLeft");

        auto arcOf = [](const GlassPath& p) {
            return *std::find_if(p.commands.begin(), p.commands.end(), [](const auto& c) { return c.kind == Kind::Arc; });
        };
        const PathCommand rightArc = arcOf(right), leftArc = arcOf(left);
        EXPECT_EQ(rightArc.box, (RectF{x + w - h, y, h, h}));
        EXPECT_FLOAT_EQ(std::fabs(rightArc.sweepAngle), 180);
        EXPECT_TRUE(Near(PointOnEllipse(rightArc.box, rightArc.startAngle + rightArc.sweepAngle / 2), {x + w, y + h / 2}))
            << "the half circle bulges to the right";
        EXPECT_EQ(leftArc.box, (RectF{x, y, h, h}));
        EXPECT_TRUE(Near(PointOnEllipse(leftArc.box, leftArc.startAngle + leftArc.sweepAngle / 2), {x, y + h / 2}))
            << "the half circle bulges to the left";

        // The other end's curve reaches into the button by about a fifth of the height at mid-height.
        auto curveOf = [](const GlassPath& p) {
            return *std::find_if(p.commands.begin(), p.commands.end(), [](const auto& c) { return c.kind == Kind::Curve; });
        };
        const auto rc = curveOf(right).points, lc = curveOf(left).points;
        ASSERT_EQ(rc.size(), 5u);
        ASSERT_EQ(lc.size(), 5u);
        EXPECT_FLOAT_EQ(rc[2].x, std::nearbyint(x + h / 4.85f));
        EXPECT_FLOAT_EQ(rc[2].y, y + r.height / 2);
        EXPECT_FLOAT_EQ(lc[2].x, std::nearbyint(x + w - h / 4.7f));
        EXPECT_TRUE(Near(rc.front(), {x, y}) && Near(rc.back(), {x, y + h}));
        EXPECT_TRUE(Near(lc.front(), {x + w, y}) && Near(lc.back(), {x + w, y + h}));
    }
}

TEST(GlassButtonPaths, CurvedShinesFollowTheirEnds) {
    const PixelRect s{1, 1, 78, 13};
    const float x = 1, y = 1, w = 78, h = 13;
    for (auto direction : {TButtonDirection::bdRight, TButtonDirection::bdLeft}) {
        const GlassPath p = CurvedShinePath(s, direction);
        ExpectBounds(p, s, "shine");
        ExpectJoinsAlongTopOrBottom(p, s, "shine");
    }
    const GlassPath right = CurvedShinePath(s, TButtonDirection::bdRight);
    ASSERT_EQ(right.commands[0].kind, Kind::Curve);
    EXPECT_TRUE(Near(right.commands[0].points[1], {x + 13 / 3, y + 13 / 2}));
    EXPECT_TRUE(Near(right.commands[0].points[2], {std::nearbyint(x + h / 2.35f), y + h}));
    EXPECT_EQ(right.commands[2].box, (RectF{x + w - 2 * h, y, 2 * h, 2 * h})) << "corner of radius h";
    const GlassPath left = CurvedShinePath(s, TButtonDirection::bdLeft);
    EXPECT_EQ(left.commands[0].box, (RectF{x, y, 2 * h, 2 * h}));
    EXPECT_TRUE(Near(left.commands[2].points[2], {std::nearbyint(x + w - h / 2.35f), y + h}));
}

// ---------------------------------------------------------------------------------------------
// Body

GlassLook WizardLook() {
    GlassLook look;
    look.outerBorderColor = 7105644;
    look.cornerRadius = 12;
    return look;
}

std::vector<Op> Ops(const std::vector<GlassDrawCommand>& d) {
    std::vector<Op> ops;
    for (const auto& c : d) ops.push_back(c.op);
    return ops;
}

TEST(GlassButtonBody, WizardButtonPaintsBorderBodyShineAndInnerBorderInOrder) {
    const auto d = GlassBodyDrawing(WizardLook(), GlassPaintState{}, 81, 29);
    ASSERT_EQ(Ops(d), (std::vector<Op>{Op::StrokePath, Op::FillPath, Op::FillPath, Op::StrokePath}));
    EXPECT_EQ(d[0].path, RoundedRectPath({0, 0, 80, 28}, 12));
    EXPECT_EQ(d[0].pen, (GlassPen{0xFF6C6C6C, 1, false}));
    EXPECT_EQ(d[1].path, RoundedRectPath({1, 1, 78, 26}, 12));
    EXPECT_EQ(d[1].brush, (GlassBrush{GlassBrush::Kind::Solid, 0x7F000000, 0, {}, {}})) << "black at alpha 127";
    EXPECT_EQ(d[2].path, TopRoundedRectPath({1, 1, 78, 14}, 12));
    EXPECT_EQ(d[2].brush.kind, GlassBrush::Kind::VerticalGradient);
    EXPECT_EQ(d[2].brush.colour, 0x99FFFFFFu);
    EXPECT_EQ(d[2].brush.colourTo, 0x33FFFFFFu);
    EXPECT_EQ(d[2].brush.rect, (RectF{1, 1, 77, 14}));
    EXPECT_EQ(d[3].path, d[1].path);
    EXPECT_EQ(d[3].pen.colour, 0xFF000000u);
}

TEST(GlassButtonBody, GlowShowsWhilePressedOrDownAndIsCentredOnTheBottomMiddle) {
    struct Case {
        const char* name;
        GlassPaintState state;
        bool glow;
    } cases[] = {
        {"up", {}, false},
        {"pressed (dragged outside)", {GlassState::gbsUp, true, false, true, false, false}, true},
        {"down", {GlassState::gbsUp, true, false, false, true, false}, true},
        {"drawn down", {GlassState::gbsDown, true, false, false, false, false}, true},
        {"exclusive", {GlassState::gbsExclusive, true, false, false, false, false}, true},
        {"disabled", {GlassState::gbsDisabled, false, false, false, false, false}, false},
        {"hot only", {GlassState::gbsUp, true, true, false, false, false}, false},
    };
    for (const auto& c : cases) {
        const auto d = GlassBodyDrawing(WizardLook(), c.state, 81, 29);
        const auto clip = std::find_if(d.begin(), d.end(), [](const auto& x) { return x.op == Op::ClipToPath; });
        EXPECT_EQ(clip != d.end(), c.glow) << c.name;
        if (clip == d.end()) continue;
        EXPECT_EQ(clip->path, RoundedRectPath({1, 1, 78, 26}, 12)) << "clipped to the body";
        const GlassDrawCommand& glow = *(clip + 1);
        EXPECT_EQ((clip + 2)->op, Op::ResetClip);
        ASSERT_EQ(glow.path.commands.size(), 1u);
        const RectF e = glow.path.commands[0].box;
        EXPECT_FLOAT_EQ(e.x, 1 - 0.35f * 77);
        EXPECT_FLOAT_EQ(e.width, 1.7f * 77);
        EXPECT_FLOAT_EQ(e.height, 2.3f * 25);
        EXPECT_NEAR(glow.brush.centre.x, 81 / 2.0f - 1, 1e-3) << "horizontal middle";
        EXPECT_NEAR(glow.brush.centre.y, 29 - 3, 1e-3) << "bottom edge of the body";
        EXPECT_EQ(glow.brush.colour, 0xAD8DBDFFu) << "glow colour 0xFFBD8D at alpha 173";
        EXPECT_EQ(glow.brush.colourTo, 0x008DBDFFu);
        EXPECT_LT(std::distance(d.begin(), clip), 3) << "under the shine";
    }
}

TEST(GlassButtonBody, NoShineOnButtonsThreeWideOrFourHighOrLess) {
    struct Case {
        int w, h;
        bool shine;
        int shineHeight;
    } cases[] = {{3, 29, false, 0}, {4, 29, true, 14}, {81, 4, false, 0}, {81, 5, true, 2},
                 {81, 6, true, 2},  {81, 7, true, 3},  {1, 1, false, 0},  {0, 0, false, 0}};
    for (const auto& c : cases) {
        GlassLook look = WizardLook();
        look.cornerRadius = 0;
        EXPECT_EQ(HasShine(c.w, c.h), c.shine) << c.w << "x" << c.h;
        const auto d = GlassBodyDrawing(look, GlassPaintState{}, c.w, c.h);
        const auto shine = std::find_if(d.begin(), d.end(), [](const auto& x) {
            return x.op == Op::FillPath && x.brush.kind == GlassBrush::Kind::VerticalGradient;
        });
        ASSERT_EQ(shine != d.end(), c.shine) << c.w << "x" << c.h;
        if (!c.shine) continue;
        EXPECT_EQ(shine->path, TopRoundedRectPath({1, 1, c.w - 3, c.shineHeight}, 0));
        EXPECT_GE(shine->brush.rect.width, 1) << "a usable gradient also on a 4-pixel button";
    }
}

TEST(GlassButtonBody, BordersResolveSystemColoursWhileTheBodyTakesTheValueAsItStands) {
    GlassLook look = WizardLook();
    look.backColor = fw::clBtnFace;         // 0xFF00000F
    look.outerBorderColor = fw::clBtnFace;  // resolved: the classic button face 212, 208, 200
    look.shineColor = 0x0000FF;             // red
    const auto d = GlassBodyDrawing(look, GlassPaintState{}, 81, 29);
    EXPECT_EQ(d[0].pen.colour, 0xFFD4D0C8u);
    EXPECT_EQ(d[1].brush.colour, 0x7F0F0000u);
    EXPECT_EQ(d[2].brush.colour, 0x99FF0000u);
}

TEST(GlassButtonBody, ElementsWithoutColourAreLeftOut) {
    GlassLook look = WizardLook();
    look.outerBorderColor = look.innerBorderColor = look.shineColor = fw::clNone;
    EXPECT_EQ(Ops(GlassBodyDrawing(look, GlassPaintState{}, 81, 29)), (std::vector<Op>{Op::FillPath}));
    look.backColor = fw::clNone;
    look.backGroundSymbol = TBackGroundSymbol::bsPlay;
    look.backGroundSymbolColor = fw::clNone;
    EXPECT_TRUE(GlassBodyDrawing(look, GlassPaintState{}, 81, 29).empty());
}

TEST(GlassButtonBody, CurvedButtonUsesTheCurvedOutlineAndShine) {
    GlassLook look = WizardLook();
    look.buttonShape = TButtonShape::btsCurvedRectangle;
    look.buttonDirection = TButtonDirection::bdLeft;
    const auto d = GlassBodyDrawing(look, GlassPaintState{GlassState::gbsDown, true, false, true, false, false}, 81, 29);
    ASSERT_EQ(Ops(d), (std::vector<Op>{Op::StrokePath, Op::FillPath, Op::ClipToPath, Op::FillPath, Op::ResetClip,
                                       Op::FillPath, Op::StrokePath}));
    EXPECT_EQ(d[0].path, CurvedPath({0, 0, 80, 28}, TButtonDirection::bdLeft));
    EXPECT_EQ(d[2].path, CurvedPath({1, 1, 78, 26}, TButtonDirection::bdLeft));
    EXPECT_EQ(d[5].path, CurvedShinePath({1, 1, 78, 14}, TButtonDirection::bdLeft));
}

// ---------------------------------------------------------------------------------------------
// Symbols

struct SymbolCase {
    TBackGroundSymbol symbol;
    const char* name;
};
const SymbolCase kSymbols[] = {
    {TBackGroundSymbol::bsArrowLeft, "ArrowLeft"},   {TBackGroundSymbol::bsArrowRight, "ArrowRight"},
    {TBackGroundSymbol::bsArrowUp, "ArrowUp"},       {TBackGroundSymbol::bsArrowDown, "ArrowDown"},
    {TBackGroundSymbol::bsPlay, "Play"},             {TBackGroundSymbol::bsPause, "Pause"},
    {TBackGroundSymbol::bsStop, "Stop"},             {TBackGroundSymbol::bsFastForward, "FastForward"},
    {TBackGroundSymbol::bsForward, "Forward"},       {TBackGroundSymbol::bsBackward, "Backward"},
    {TBackGroundSymbol::bsFastBackward, "FastBackward"}, {TBackGroundSymbol::bsSpeaker, "Speaker"},
    {TBackGroundSymbol::bsNoSpeaker, "NoSpeaker"},   {TBackGroundSymbol::bsRecord, "Record"},
};

TEST(GlassButtonSymbols, EverySymbolStaysInsideTheButtonAndTakesTheSymbolColour) {
    constexpr Argb kColour = 0xA0123456;
    for (const auto& s : kSymbols) {
        for (auto [w, h] : {std::pair{81, 29}, std::pair{32, 32}, std::pair{200, 20}, std::pair{20, 60}}) {
            const auto d = SymbolDrawing(s.symbol, w, h, kColour);
            ASSERT_FALSE(d.empty()) << s.name;
            std::vector<PointF> points;
            for (const auto& c : d) {
                const std::string what = std::string(s.name) + " " + std::to_string(w) + "x" + std::to_string(h);
                switch (c.op) {
                    case Op::FillPath:
                        EXPECT_EQ(c.brush, (GlassBrush{GlassBrush::Kind::Solid, kColour, 0, {}, {}})) << what;
                        for (auto p : Sample(c.path)) points.push_back(p);
                        break;
                    case Op::StrokePath:
                        EXPECT_EQ(c.pen.colour, kColour) << what;
                        for (auto p : Sample(c.path)) points.push_back(p);
                        break;
                    case Op::StrokeLine:
                        EXPECT_EQ(c.pen.colour, kColour) << what;
                        points.push_back(c.from), points.push_back(c.to);
                        break;
                    case Op::FillRect:
                        EXPECT_EQ(c.brush.colour, kColour) << what;
                        EXPECT_GT(c.rect.width, 0) << what;
                        EXPECT_GT(c.rect.height, 0) << what;
                        points.push_back({c.rect.x, c.rect.y});
                        points.push_back({c.rect.x + c.rect.width, c.rect.y + c.rect.height});
                        break;
                    default:
                        ADD_FAILURE() << what << ": unexpected command";
                }
            }
            const RectF b = Bounds(points);
            EXPECT_GE(b.x, 0) << s.name << " " << w << "x" << h;
            EXPECT_GE(b.y, 0) << s.name << " " << w << "x" << h;
            EXPECT_LE(b.x + b.width, w - 1) << s.name << " " << w << "x" << h;
            EXPECT_LE(b.y + b.height, h - 1) << s.name << " " << w << "x" << h;
        }
    }
}

TEST(GlassButtonSymbols, ArrowsPointTheirWayWithAQuarterHighPen) {
    struct Case {
        TBackGroundSymbol symbol;
        float dx, dy;  // sign of the line's direction (towards the head)
    } cases[] = {{TBackGroundSymbol::bsArrowLeft, -1, 0}, {TBackGroundSymbol::bsArrowRight, 1, 0},
                 {TBackGroundSymbol::bsArrowUp, 0, -1},   {TBackGroundSymbol::bsArrowDown, 0, 1}};
    for (const auto& c : cases) {
        const auto d = SymbolDrawing(c.symbol, 81, 29, 0xA0FFFFFF);
        ASSERT_EQ(d.size(), 1u);
        EXPECT_TRUE(d[0].pen.arrowEndCap);
        EXPECT_FLOAT_EQ(d[0].pen.width, 28 / 4.0f);
        const float dx = d[0].to.x - d[0].from.x, dy = d[0].to.y - d[0].from.y;
        EXPECT_EQ((dx > 0) - (dx < 0), c.dx);
        EXPECT_EQ((dy > 0) - (dy < 0), c.dy);
    }
}

TEST(GlassButtonSymbols, TrianglesPointForwardOrBackward) {
    // w = 80, h = 28: the play triangle from (4 + 20, 7) to its tip (4 + 60, 14) and back to (24, 21).
    const auto play = SymbolDrawing(TBackGroundSymbol::bsPlay, 81, 29, 0);
    ASSERT_EQ(play.size(), 1u);
    EXPECT_EQ(play[0].path, GlassPath::Polygon({{24, 7}, {64, 14}, {24, 21}}));

    // The tip is the corner at mid-height (14); it lies right of the other two for a forward one.
    auto tipsRight = [](const GlassDrawCommand& c) {
        const auto& lines = c.path.commands;
        const PointF corners[] = {lines.at(0).points[0], lines.at(0).points[1], lines.at(1).points[1]};
        const auto tip = std::find_if(std::begin(corners), std::end(corners), [](PointF p) { return p.y == 14; });
        EXPECT_NE(tip, std::end(corners));
        if (tip == std::end(corners)) return false;
        return std::count_if(std::begin(corners), std::end(corners), [&](PointF p) { return p.x >= tip->x; }) == 1;
    };
    for (auto symbol : {TBackGroundSymbol::bsForward, TBackGroundSymbol::bsFastForward}) {
        const auto d = SymbolDrawing(symbol, 81, 29, 0);
        EXPECT_TRUE(tipsRight(d[0]) && tipsRight(d[1]));
    }
    for (auto symbol : {TBackGroundSymbol::bsBackward, TBackGroundSymbol::bsFastBackward}) {
        const auto d = SymbolDrawing(symbol, 81, 29, 0);
        EXPECT_FALSE(tipsRight(d[0]) || tipsRight(d[1]));
    }
}

TEST(GlassButtonSymbols, RecordAndSpeakers) {
    const auto record = SymbolDrawing(TBackGroundSymbol::bsRecord, 81, 29, 0);
    EXPECT_EQ(record[0].path.commands[0].box, (RectF{33, 7, 14, 14})) << "a circle of half the shorter side, centred";

    const auto speaker = SymbolDrawing(TBackGroundSymbol::bsSpeaker, 81, 29, 0);
    const auto mute = SymbolDrawing(TBackGroundSymbol::bsNoSpeaker, 81, 29, 0);
    ASSERT_EQ(speaker.size(), 2u);
    ASSERT_EQ(mute.size(), 3u);
    EXPECT_EQ(mute[0], speaker[0]);
    EXPECT_EQ(mute[1], speaker[1]);
    EXPECT_FLOAT_EQ(speaker[0].pen.width, 4) << "a twentieth of the width";
    // Box then cone: g = 5, c = 40, so the box spans x 22..35 and the cone reaches x 51.
    EXPECT_EQ(speaker[0].path, GlassPath::Polygon({{22, 9}, {35, 9}, {51, 7}, {51, 21}, {35, 19}, {22, 19}}));
    EXPECT_FLOAT_EQ(mute[2].from.x, std::nearbyint(40 - 80 / 3.5f - 80 / 15.0f));
    EXPECT_GT(mute[2].from.y, mute[2].to.y) << "the strike rises to the right";
}

TEST(GlassButtonSymbols, NoneDrawsNothingAndCustomHandsTheRectangleToTheOwner) {
    EXPECT_TRUE(SymbolDrawing(TBackGroundSymbol::bsNone, 81, 29, 0).empty());
    const auto custom = SymbolDrawing(TBackGroundSymbol::bsCustom, 81, 29, 0);
    ASSERT_EQ(custom.size(), 1u);
    EXPECT_EQ(custom[0].op, Op::CustomSymbol);
    EXPECT_EQ(custom[0].rect, (RectF{0, 0, 80, 28}));

    GlassLook look = WizardLook();
    look.backGroundSymbol = TBackGroundSymbol::bsStop;
    const auto d = GlassBodyDrawing(look, GlassPaintState{}, 81, 29);
    ASSERT_EQ(d.size(), 5u);
    EXPECT_EQ(d[3].op, Op::FillRect) << "over the shine, under the inner border";
    EXPECT_EQ(d[3].brush.colour, 0xA0FFFFFFu) << "white at alpha 160";
}

// The body goes through the canvas the fill and the panel paint on: the same shapes and colours
// reach it, the glow spreads over its own ellipse, the curved outline keeps its splines, the
// arrow keeps its head, and the canvas is left as it was found.
TEST(GlassBodyOnCanvas, EveryCommandReachesTheCanvasWithItsShapeAndColour) {
    GlassLook look;
    look.buttonShape = TButtonShape::btsCurvedRectangle;
    look.backGroundSymbol = TBackGroundSymbol::bsArrowLeft;
    GlassPaintState pressed;
    pressed.state = GlassState::gbsDown;
    pressed.pressed = true;
    const std::vector<GlassDrawCommand> drawing = GlassBodyDrawing(look, pressed, 81, 29);

    ctl::testing::RecordingCanvas canvas;
    canvas.smoothing = ctl::SmoothingMode::HighSpeed;
    PaintGlassDrawing(canvas, drawing);
    EXPECT_EQ(canvas.smoothing, ctl::SmoothingMode::HighSpeed) << "smoothing restored";
    ASSERT_GE(canvas.calls.size(), drawing.size() + 3);
    EXPECT_EQ(canvas.calls.front().mode, ctl::SmoothingMode::AntiAlias) << canvas.Summary();
    EXPECT_EQ(canvas.calls[canvas.calls.size() - 2].op, ctl::testing::Call::Op::ResetClip) << canvas.Summary();

    using Op = ctl::testing::Call::Op;
    std::size_t call = 1;  // after the smoothing
    for (const GlassDrawCommand& c : drawing) {
        SCOPED_TRACE("command " + std::to_string(call));
        const ctl::testing::Call& got = canvas.calls.at(call++);
        switch (c.op) {
            case GlassDrawCommand::Op::FillPath:
                ASSERT_EQ(got.op, Op::FillPath);
                EXPECT_EQ(got.path, ToCanvasPath(c.path));
                if (c.brush.kind == GlassBrush::Kind::PathGradient) {
                    const auto& glow = std::get<ctl::PathGradientBrush>(got.brush);
                    EXPECT_EQ(glow.shape, got.path) << "the glow spreads over the ellipse it fills";
                    EXPECT_EQ(glow.centreColour, c.brush.colour);
                    EXPECT_EQ(glow.surround, std::vector<ctl::Argb>{c.brush.colourTo});
                } else if (c.brush.kind == GlassBrush::Kind::VerticalGradient) {
                    const auto& shine = std::get<ctl::LinearGradientBrush>(got.brush);
                    EXPECT_EQ(shine.rect, c.brush.rect);
                    EXPECT_EQ(shine.mode, ctl::LinearMode::Vertical);
                    EXPECT_EQ(shine.from, c.brush.colour);
                    EXPECT_EQ(shine.to, c.brush.colourTo);
                } else {
                    EXPECT_EQ(std::get<ctl::SolidBrush>(got.brush).colour, c.brush.colour);
                }
                break;
            case GlassDrawCommand::Op::StrokePath:
                ASSERT_EQ(got.op, Op::DrawPath);
                EXPECT_EQ(got.pen.colour, c.pen.colour);
                break;
            case GlassDrawCommand::Op::ClipToPath:
                ASSERT_EQ(got.op, Op::ClipPath);
                break;
            case GlassDrawCommand::Op::ResetClip:
                ASSERT_EQ(got.op, Op::ResetClip);
                break;
            case GlassDrawCommand::Op::StrokeLine:
                ASSERT_EQ(got.op, Op::DrawLine);
                EXPECT_TRUE(got.pen.arrowEndCap) << "the arrow keeps its head";
                EXPECT_EQ(got.pen.width, c.pen.width);
                break;
            default:
                ADD_FAILURE() << "unexpected command";
        }
    }
    // The curved outline's ends are splines, not straight lines.
    const auto& outline = canvas.calls.at(1).path.segments;
    EXPECT_TRUE(std::any_of(outline.begin(), outline.end(),
                            [](const ctl::PathSegment& s) { return s.kind == ctl::PathSegment::Kind::Curve && s.points.size() == 5; }));
}

// On a screen of another DPI the button comes scaled (size and corner radius, from the window's
// description); its border lines are as thick as a one-pixel line at that DPI (one below 192 DPI,
// two at 192) and the inner outline, the shine and the glow are inset by that much.
TEST(GlassButtonBody, BordersAndInsetsFollowTheLineThicknessOfTheDpi) {
    GlassLook look = WizardLook();
    struct Case {
        int dpi, width, height, radius, line;
    } const cases[] = {{120, 102, 36, 15, 1}, {144, 121, 43, 18, 1}, {192, 162, 58, 24, 2}};
    for (const Case& c : cases) {
        look.cornerRadius = c.radius;
        const auto d = GlassBodyDrawing(look, GlassPaintState{}, c.width, c.height, c.dpi);
        ASSERT_EQ(Ops(d), (std::vector<Op>{Op::StrokePath, Op::FillPath, Op::FillPath, Op::StrokePath})) << c.dpi;
        const int i = c.line;
        EXPECT_EQ(d[0].path, RoundedRectPath({0, 0, c.width - 1, c.height - 1}, c.radius)) << c.dpi;
        EXPECT_EQ(d[0].pen.width, static_cast<float>(i)) << c.dpi;
        EXPECT_EQ(d[1].path, RoundedRectPath({i, i, c.width - 1 - 2 * i, c.height - 1 - 2 * i}, c.radius)) << c.dpi;
        const int shine = (c.height - 1 - 2 * i) / 2 + i;
        EXPECT_EQ(d[2].path, TopRoundedRectPath({i, i, c.width - 1 - 2 * i, shine}, c.radius)) << c.dpi;
        EXPECT_EQ(d[2].brush.rect, (RectF{float(i), float(i), float(c.width - 2 - 2 * i), float(shine)})) << c.dpi;
        EXPECT_EQ(d[3].path, d[1].path) << c.dpi;
        EXPECT_EQ(d[3].pen.width, static_cast<float>(i)) << c.dpi;
        // The glow of a pressed button, inset the same.
        const auto pressed = GlassBodyDrawing(look, GlassPaintState{GlassState::gbsDown, true, false, false, false, false},
                                              c.width, c.height, c.dpi);
        const auto clip = std::find_if(pressed.begin(), pressed.end(), [](const auto& x) { return x.op == Op::ClipToPath; });
        ASSERT_NE(clip, pressed.end());
        const RectF e = (clip + 1)->path.commands[0].box;
        EXPECT_FLOAT_EQ(e.width, 1.7f * (c.width - 2 - 2 * i)) << c.dpi;
        EXPECT_FLOAT_EQ(e.x, i - 0.35f * (c.width - 2 - 2 * i)) << c.dpi;
    }
    // At 96 DPI the one-pixel design, as the wizard's button paints it.
    EXPECT_EQ(GlassBodyDrawing(WizardLook(), GlassPaintState{}, 81, 29, 96),
              GlassBodyDrawing(WizardLook(), GlassPaintState{}, 81, 29));
}

}  // namespace
