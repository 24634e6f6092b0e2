#pragma once
// Fakes for the HTML caption's layout and painting: a monospaced measurer, image sources that
// answer from tables, and a canvas that records its calls. Shared by the unit tests, the fuzzer
// and the benchmark.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/HtmlCaption.h"
#include "controls/HtmlCaptionPaint.h"

namespace ctl::fakes {

// Every byte is font.size pixels wide (one more in bold), plus 2 pixels of padding for the whole
// string; a line is 2 * font.size high. Trailing blanks take no room. Text wider than a positive
// layout width wraps onto as many lines as it needs.
class FakeMeasurer : public TextMeasurer {
public:
    Extent Measure(std::string_view text, const HtmlFont& font, double layoutWidth, double) const override {
        ++calls;
        std::size_t n = text.size();
        while (n > 0 && text[n - 1] == ' ') --n;
        const double advance = font.size + (font.bold ? 1 : 0);
        double width = static_cast<double>(n) * advance + kPadding;
        double height = 2.0 * font.size;
        if (layoutWidth > 0 && width > layoutWidth) {
            const double lines = static_cast<double>(static_cast<long long>((width + layoutWidth - 1) / layoutWidth));
            height *= lines;
            width = layoutWidth;
        }
        return {width, height};
    }
    static constexpr double kPadding = 2;
    mutable long calls = 0;
};

class FakePictures : public HtmlPictureSource {
public:
    std::map<std::string, HtmlSize> sizes;
    mutable std::vector<std::string> asked;
    std::optional<HtmlSize> PictureSize(std::string_view name) const override {
        asked.emplace_back(name);
        auto it = sizes.find(std::string(name));
        if (it == sizes.end()) return std::nullopt;
        return it->second;
    }
};

class FakeImageList : public HtmlImageList {
public:
    int count = 0;
    HtmlSize size;
    int Count() const override { return count; }
    HtmlSize ImageSize() const override { return size; }
};

class FakeIcons : public HtmlSystemIcons {
public:
    HtmlSize small{16, 16}, large{32, 32};
    std::string missing = "nosuch";  // the one source the shell has no icon for
    std::optional<HtmlSize> IconSize(bool isLarge, std::string_view source) const override {
        if (source == missing) return std::nullopt;
        return isLarge ? large : small;
    }
};

struct CanvasCall {
    std::string op;  // FillRect, FillGradient, FillEllipse, DrawLine, DrawPolyline, DrawText, Underline, StrikeOut, DrawImage
    HtmlRect rect;   // DrawText: left/top only; Underline, StrikeOut: left, top (text top), right; DrawLine: the two ends
    HtmlColour colour = 0, colourTo = 0;
    std::string text;
    HtmlFont font;
    std::vector<HtmlPoint> points;
    HtmlImageRef image;
};

class RecordingCanvas : public HtmlCanvas {
public:
    std::vector<CanvasCall> calls;

    void FillRect(const HtmlRect& r, HtmlColour c) override { calls.push_back({"FillRect", r, c}); }
    void FillGradient(const HtmlRect& r, HtmlColour from, HtmlColour to, bool) override {
        calls.push_back({"FillGradient", r, from, to});
    }
    void FillEllipse(const HtmlRect& r, HtmlColour c) override { calls.push_back({"FillEllipse", r, c}); }
    void DrawLine(HtmlPoint a, HtmlPoint b, HtmlColour c) override { calls.push_back({"DrawLine", {a.x, a.y, b.x, b.y}, c}); }
    void DrawPolyline(const std::vector<HtmlPoint>& points, HtmlColour c) override {
        calls.push_back({"DrawPolyline", {}, c, 0, {}, {}, points});
    }
    void DrawText(std::string_view text, int x, int y, const HtmlFont& font, HtmlColour c) override {
        calls.push_back({"DrawText", {x, y, x, y}, c, 0, std::string(text), font});
    }
    void DrawTextLine(HtmlTextLine line, int x1, int x2, int top, const HtmlFont& font, HtmlColour c) override {
        calls.push_back({line == HtmlTextLine::Underline ? "Underline" : "StrikeOut", {x1, top, x2, top}, c, 0, {}, font});
    }
    void DrawImage(const HtmlImageRef& image, const HtmlRect& box) override {
        calls.push_back({"DrawImage", box, 0, 0, {}, {}, {}, image});
    }

    std::vector<const CanvasCall*> Of(std::string_view op) const {
        std::vector<const CanvasCall*> found;
        for (const auto& c : calls)
            if (c.op == op) found.push_back(&c);
        return found;
    }
};

// A canvas that only counts its calls (for the fuzzer and the benchmark: painting without cost).
class CountingCanvas : public HtmlCanvas {
public:
    long calls = 0;
    void FillRect(const HtmlRect&, HtmlColour) override { ++calls; }
    void FillGradient(const HtmlRect&, HtmlColour, HtmlColour, bool) override { ++calls; }
    void FillEllipse(const HtmlRect&, HtmlColour) override { ++calls; }
    void DrawLine(HtmlPoint, HtmlPoint, HtmlColour) override { ++calls; }
    void DrawPolyline(const std::vector<HtmlPoint>&, HtmlColour) override { ++calls; }
    void DrawText(std::string_view, int, int, const HtmlFont&, HtmlColour) override { ++calls; }
    void DrawTextLine(HtmlTextLine, int, int, int, const HtmlFont&, HtmlColour) override { ++calls; }
    void DrawImage(const HtmlImageRef&, const HtmlRect&) override { ++calls; }
};

// The caption's text preparation as its rule reads, taken literally (each entity's first
// occurrence replaced until none is left; the first "<#...>" unwrapped; line feeds dropped and
// carriage returns made line breaks): the oracle the real preparation is checked against.
inline std::string PrepareByTheRule(std::string s) {
    const std::pair<std::string, std::string> entities[] = {
        {"&amp;", "&&"},    {"&quot;", "\""},   {"&sect;", "\xA7"},  {"&permil;", "\x89"}, {"&reg;", "\xAE"},
        {"&copy;", "\xA9"}, {"&para;", "\xB6"}, {"&trade;", "\x99"}, {"&euro;", "\x80"},
    };
    for (const auto& [entity, replacement] : entities)
        for (auto p = s.find(entity); p != std::string::npos; p = s.find(entity)) s.replace(p, entity.size(), replacement);
    if (auto p = s.find("<#"); p != std::string::npos) {
        s.erase(p, 1);
        if (auto q = s.find('>', p); q != std::string::npos) s.erase(q, 1);
    }
    std::string out;
    for (char c : s) {
        if (c == '\n') continue;
        if (c == '\r')
            out += "<BR>";
        else
            out += c;
    }
    return out;
}

}  // namespace ctl::fakes
