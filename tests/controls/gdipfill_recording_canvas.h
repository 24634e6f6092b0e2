#pragma once
// A canvas that records every call, for tests of the painters' algorithms without GDI+.

#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "controls/AdvGDIP.h"
#include "controls/GDIPFillCanvas.h"

namespace ctl::testing {

struct Call {
    enum class Op { FillPath, FillRect, DrawPath, DrawRect, DrawLine, ClipPath, ClipRect, ResetClip, Smoothing,
                    DrawPicture, DrawString };
    Op op;
    Path path;
    RectF rect;
    Brush brush;
    Pen pen;
    PointF from, to;
    SmoothingMode mode = SmoothingMode::Default;
    RectL target;
    const void* picture = nullptr;
    std::string text;
    TextFont font;
    TextFormat format;
};

inline const char* OpName(Call::Op op) {
    static const char* names[] = {"FillPath", "FillRect", "DrawPath", "DrawRect", "DrawLine", "ClipPath",
                                  "ClipRect", "ResetClip", "Smoothing", "DrawPicture", "DrawString"};
    return names[static_cast<int>(op)];
}

inline const char* BrushName(const Brush& b) {
    static const char* names[] = {"Solid", "Linear", "Line", "Hatch", "PathGradient", "Texture"};
    return names[b.index()];
}

class RecordingCanvas : public Canvas {
public:
    std::vector<Call> calls;
    SmoothingMode smoothing = SmoothingMode::AntiAlias;

    void FillPath(const Path& p, const Brush& b) override { calls.push_back({Call::Op::FillPath, p, {}, b}); }
    void FillRect(const RectF& r, const Brush& b) override { calls.push_back({Call::Op::FillRect, {}, r, b}); }
    void DrawPath(const Path& p, const Pen& pen) override {
        calls.push_back({Call::Op::DrawPath, p, {}, {}, pen});
    }
    void DrawRect(const RectF& r, const Pen& pen) override {
        calls.push_back({Call::Op::DrawRect, {}, r, {}, pen});
    }
    void DrawLine(PointF a, PointF b, const Pen& pen) override {
        calls.push_back({Call::Op::DrawLine, {}, {}, {}, pen, a, b});
    }
    void SetClip(const Path& p) override { calls.push_back({Call::Op::ClipPath, p}); }
    void SetClip(const RectF& r) override { calls.push_back({Call::Op::ClipRect, {}, r}); }
    void ResetClip() override { calls.push_back({Call::Op::ResetClip}); }
    SmoothingMode Smoothing() const override { return smoothing; }
    void SetSmoothing(SmoothingMode m) override {
        smoothing = m;
        Call c{Call::Op::Smoothing};
        c.mode = m;
        calls.push_back(c);
    }
    void DecodePicture(TEncodedPicture& picture) override { picture.Decode(); }
    void DrawPicture(TAdvGDIPPicture& picture, const RectL& target) override {
        Call c{Call::Op::DrawPicture};
        c.target = target;
        c.picture = &picture;
        calls.push_back(c);
    }

    // Text measures 6 pixels a character and 13 a line, from the box's top-left corner.
    RectF MeasureString(std::string_view text, const TextFont&, const RectF& box, const TextFormat&) override {
        float lines = 1, width = 0, line = 0;
        for (char ch : text) {
            if (ch == '\n') {
                ++lines;
                line = 0;
            } else if (ch != '\r') {
                width = std::max(width, line += 6);
            }
        }
        return {box.x, box.y, width, 13 * lines};
    }
    void DrawString(std::string_view text, const TextFont& font, const RectF& box, const TextFormat& format,
                    const Brush& brush) override {
        Call c{Call::Op::DrawString, {}, box, brush};
        c.text = std::string(text);
        c.font = font;
        c.format = format;
        calls.push_back(c);
    }

    // "FillPath:Linear DrawPath ..." — the shape of the call list, for failure messages and
    // for asserting the sequence.
    std::string Summary() const {
        std::ostringstream out;
        for (const Call& c : calls) {
            if (out.tellp() > 0) out << ' ';
            out << OpName(c.op);
            if (c.op == Call::Op::FillPath || c.op == Call::Op::FillRect) out << ':' << BrushName(c.brush);
        }
        return out.str();
    }
};

}  // namespace ctl::testing
