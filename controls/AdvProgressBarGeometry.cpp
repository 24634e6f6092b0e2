#include "controls/AdvProgressBarGeometry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "framework/Scaling.h"

namespace ctl {
namespace {

std::uint32_t Rgb(fw::TColor colour) { return fw::ColorToRGB(colour) & 0xFFFFFF; }

int Channel(std::uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

BarRect Intersect(const BarRect& a, const BarRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// The bar's sizes at its DPI, from the design's: the frame line (1 pixel at 96 DPI), the filled
// part's inset from the outer edge (2), the blocks of the non-stacked bar (7 pixels every 9), a
// fill too short for blocks (under 10) and the infinite block (10 before its point, 12 after).
struct Metrics {
    int frame, inset, pitch, block, shortFill, before, after, corner;
    explicit Metrics(int dpi) {
        const fw::DpiScale s(dpi);
        frame = s.Line(1);
        inset = std::max(s.Length(2), frame + 1);
        pitch = s.Length(kBlockPitch);
        block = s.Length(kBlockLength);
        shortFill = s.Length(10);
        before = s.Length(10);
        after = s.Length(12);
        corner = s.Length(6);
    }
};

class Builder {
public:
    Builder(ProgressBarDrawing& drawing, const BarRect& client, int frame)
        : drawing_(drawing),
          // Nothing but the frame may touch the outer pixel ring: the parts below stay inside
          // it even when percentages beyond 100 ask for more.
          inside_{client.left + frame, client.top + frame, client.right - frame, client.bottom - frame} {}

    void Add(BarInstruction instruction) {
        if (instruction.part != BarPart::Key && instruction.part != BarPart::Frame) {
            instruction.rect = Intersect(instruction.rect, inside_);
        }
        if (!instruction.rect.Empty()) drawing_.instructions.push_back(instruction);
    }

    void Piece(const BarRect& rect, int level) {
        const BarRect clipped = Intersect(rect, inside_);
        if (!clipped.Empty()) drawing_.fill.push_back({clipped, level});
    }

private:
    ProgressBarDrawing& drawing_;
    BarRect inside_;
};

// The rectangles of the filled part, outside the stacked mode: one level for the whole fill.
void NonStackedPieces(const ProgressBarSnapshot& bar, const BarRect& client, bool vertical, int length,
                      int percent, int level, const Metrics& m, std::vector<FillPiece>& out) {
    const int left = client.left, top = client.top, right = client.right, bottom = client.bottom;
    const int inset = m.inset;
    auto piece = [&](BarRect rect) { out.push_back({rect, level}); };
    if (bar.completionSmooth) {
        const int filled = RoundHalfEven(percent / 100.0 * length);
        piece(vertical ? BarRect{left + inset, bottom - filled, right - inset, bottom - inset}
                       : BarRect{left + inset, top + inset, left + filled, bottom - inset});
        return;
    }
    const int filled = RoundHalfEven(static_cast<double>(length) * percent / 100.0);
    if (filled < m.shortFill) {
        // One short block, one pixel shorter than the fill length.
        if (filled > 1) {
            piece(vertical ? BarRect{left + inset, bottom - filled - 1, right - inset, bottom - inset}
                           : BarRect{left + inset, top + inset, left + filled + 1, bottom - inset});
        }
        return;
    }
    const int blocks = filled / m.pitch;
    for (int k = 0; k < blocks; ++k) {
        const int offset = k * m.pitch;
        const int start = inset + offset, end = inset + m.block + offset;  // from the bar's start
        piece(vertical ? BarRect{left + inset, bottom - end, right - inset, bottom - start}
                       : BarRect{left + start, top + inset, left + end, bottom - inset});
    }
    const int rest = filled % m.pitch;
    if (rest >= inset) {
        // After the gap, a last block of rest - inset pixels.
        const int end = blocks * m.pitch;  // where the last full block ends, from the start
        piece(vertical ? BarRect{left + inset, std::max(top + inset, bottom - end - rest), right - inset,
                                 bottom - end - inset}
                       : BarRect{left + end + inset, top + inset, left + end + rest, bottom - inset});
    }
}

// The three levels' stretches, one after the other from the bar's start (its left, or its bottom
// when vertical), `lengths` pixels long each: the level zones' backgrounds and the stacked fill.
std::array<BarRect, 3> LevelStretches(const BarRect& client, bool vertical, const std::array<int, 3>& lengths,
                                      const Metrics& m) {
    const int left = client.left, top = client.top, right = client.right, bottom = client.bottom;
    const int frame = m.frame, inset = m.inset;
    if (!vertical) {
        const int end0 = left + lengths[0], end1 = end0 + lengths[1];
        return {BarRect{left + inset, top + frame, end0, bottom - frame},
                BarRect{end0, top + frame, end1, bottom - frame},
                BarRect{end1, top + frame, end1 + lengths[2], bottom - frame}};
    }
    const int top0 = bottom - lengths[0] + frame;
    const int top1 = top0 - lengths[1];
    return {BarRect{left + frame, top0, right - frame, bottom - inset},
            BarRect{left + frame, top1, right - frame, top0},
            BarRect{left + frame, top1 - lengths[2] - frame, right - frame, top1 - frame}};
}

// The stacked fill: level 0 up to level1 %, level 1 up to level2 %, level 2 beyond; at 100 % the
// last level takes what rounding left, so that the fill ends at the bar's end.
void StackedPieces(const BarRect& client, bool vertical, int length, int percent, int level1, int level2,
                   const Metrics& m, std::vector<FillPiece>& out) {
    std::array<int, 3> lengths{};
    lengths[0] = RoundHalfEven(std::min(percent, level1) / 100.0 * length);
    if (percent >= level1)
        lengths[1] = RoundHalfEven(length * static_cast<double>(std::min(percent, level2) - level1) / 100.0);
    if (percent >= level2) {
        lengths[2] = percent == 100 ? length - lengths[0] - lengths[1]
                                    : RoundHalfEven(length * static_cast<double>(percent - level2) / 100.0);
    }
    const std::array<BarRect, 3> stretches = LevelStretches(client, vertical, lengths, m);
    out.push_back({stretches[0], 0});
    if (percent >= level1) out.push_back({stretches[1], 1});
    if (percent >= level2) out.push_back({stretches[2], 2});
}

void AppendDecimal(std::string& out, std::uint64_t magnitude) { out += std::to_string(magnitude); }

std::string Hex(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

// Reads decimal digits at `i`; the value saturates (a width of a million means nothing useful).
bool ReadNumber(std::string_view text, std::size_t& i, int& value) {
    const std::size_t start = i;
    value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = std::min(value * 10 + (text[i] - '0'), 1000);
        ++i;
    }
    return i > start;
}

}  // namespace

std::vector<BarInstruction> SteppedGradient(const BarRect& area, std::uint32_t from, std::uint32_t to,
                                            int steps, bool alongY, int level) {
    std::vector<BarInstruction> bands;
    const int start = alongY ? area.top : area.left;
    const int end = alongY ? area.bottom : area.right;
    const int extent = end - start;
    if (extent <= 0 || area.Empty()) return bands;
    const int count = std::max(steps, 1);
    const double bandLength = static_cast<double>(extent) / count;
    const int bandPixels = static_cast<int>(bandLength) + 1;
    auto bandStart = [&](int i) { return start + RoundHalfEven(i * bandLength); };
    for (int i = 0; i < count; ++i) {
        const int first = bandStart(i);
        // Bands shorter than a pixel: one wholly covered by the next paints nothing that stays.
        if (bandLength < 1.0 && i + 1 < count && bandStart(i + 1) == first) continue;
        const int last = std::min(end, first + bandPixels);
        std::uint32_t colour = 0;
        for (int shift : {0, 8, 16}) {
            const int a = Channel(from, shift);
            const int b = Channel(to, shift);
            const int value = a + RoundHalfEven(static_cast<double>(i) * (b - a) / count);
            colour |= static_cast<std::uint32_t>(std::clamp(value, 0, 255)) << shift;
        }
        BarInstruction band;
        band.part = BarPart::Band;
        band.colour = colour;
        band.level = level;
        band.rect = alongY ? BarRect{area.left, first, area.right, last}
                           : BarRect{first, area.top, last, area.bottom};
        if (!band.rect.Empty()) bands.push_back(band);
    }
    return bands;
}

ProgressBarDrawing LayoutProgressBar(const ProgressBarSnapshot& bar, const BarRect& client,
                                     const BarTextMeasure& measure, int dpi) {
    const Metrics m(dpi);
    ProgressBarDrawing drawing;
    Builder out(drawing, client, m.frame);
    const int left = client.left, top = client.top, right = client.right, bottom = client.bottom;
    const bool vertical = bar.orientation == TGaugeOrientation::goVertical;
    const std::uint32_t background = Rgb(bar.backgroundColor);

    if (bar.rounded) {
        drawing.transparentCorners = true;
        BarInstruction key;
        key.part = BarPart::Key;
        key.rect = client;
        key.colour = kTransparentKey;
        out.Add(key);
    }
    BarInstruction border;
    border.part = BarPart::Frame;
    border.rect = client;
    border.colour = background;
    border.pen = bar.showBorder ? Rgb(bar.borderColor) : background;
    border.rounded = bar.rounded;
    border.penWidth = m.frame;
    border.corner = m.corner;
    out.Add(border);

    // In infinite mode the whole bar is one full level-0 fill.
    int percent = bar.infinite ? 100 : bar.percentage;
    const int level1 = bar.infinite ? 101 : bar.level1Perc;
    const int level2 = bar.infinite ? 101 : bar.level2Perc;
    // A position outside the range (the range changed after it was set, or min is not 0) may
    // give more than 100 %: the text says so, the fill stops at the end of the bar.
    percent = std::min(percent, 100);
    const int length = (vertical ? bottom - top : right - left) - 2 * m.frame;

    const bool anyZone = bar.levelBkColor[0] != fw::clNone || bar.levelBkColor[1] != fw::clNone ||
                         bar.levelBkColor[2] != fw::clNone;
    if (anyZone) {
        std::array<int, 3> lengths{};
        lengths[0] = RoundHalfEven(level1 / 100.0 * length);
        lengths[1] = RoundHalfEven(length * static_cast<double>(level2 - level1) / 100.0);
        lengths[2] = length - lengths[0] - lengths[1];
        const std::array<BarRect, 3> zones = LevelStretches(client, vertical, lengths, m);
        for (int zone = 0; zone < 3; ++zone) {
            if (bar.levelBkColor[zone] == fw::clNone) continue;
            BarInstruction instruction;
            instruction.part = BarPart::Zone;
            instruction.rect = zones[zone];
            instruction.colour = Rgb(bar.levelBkColor[zone]);
            instruction.level = zone;
            out.Add(instruction);
        }
    }

    if (percent > 0) {
        std::vector<FillPiece> pieces;
        if (bar.stacked) {
            StackedPieces(client, vertical, length, percent, level1, level2, m, pieces);
        } else {
            const int level = percent < level1 ? 0 : percent < level2 ? 1 : percent > 99 ? 3 : 2;
            NonStackedPieces(bar, client, vertical, length, percent, level, m, pieces);
        }
        for (const FillPiece& piece : pieces) {
            out.Piece(piece.rect, piece.level);
        }
        for (const FillPiece& piece : drawing.fill) {
            const std::uint32_t colour = Rgb(bar.levelColor[piece.level]);
            if (!bar.showGradient) {
                BarInstruction solid;
                solid.part = BarPart::Fill;
                solid.rect = piece.rect;
                solid.colour = colour;
                solid.level = piece.level;
                out.Add(solid);
                continue;
            }
            // Two halves across the thickness, split at the middle rounded toward the start:
            // light edge -> strong middle -> light edge for a lighter To colour.
            const std::uint32_t colourTo = Rgb(bar.levelColorTo[piece.level]);
            BarRect first = piece.rect;
            BarRect second = piece.rect;
            if (!vertical) {
                first.bottom = second.top = piece.rect.top + piece.rect.Height() / 2;
            } else {
                first.right = second.left = piece.rect.left + piece.rect.Width() / 2;
            }
            for (const auto& band : SteppedGradient(first, colourTo, colour, bar.steps, !vertical, piece.level)) {
                out.Add(band);
            }
            for (const auto& band : SteppedGradient(second, colour, colourTo, bar.steps, !vertical, piece.level)) {
                out.Add(band);
            }
        }
    }

    if (bar.infinite) {
        // The block is 22 pixels long (at 96 DPI), from its point - 10 to its point + 12; everything else of the
        // fill is painted over in the background colour, across the fill's whole thickness on
        // both sides of the block.
        const int frame = m.frame, inset = m.inset;
        const int total = vertical ? bottom - top : right - left;
        const int block = total < 2 * inset + 1 ? 0 : RoundHalfEven(bar.infinitePos / 100.0 * (total - 2 * inset));
        BarInstruction erase;
        erase.part = BarPart::Erase;
        erase.colour = background;
        if (!vertical) {
            erase.rect = {left + inset, top + frame, std::max(left + inset, left + block - m.before), bottom - frame};
            out.Add(erase);
            erase.rect = {std::min(right - inset, left + block + m.after), top + frame, right - inset, bottom - frame};
            out.Add(erase);
        } else {
            erase.rect = {left + frame, top + inset, right - frame, std::max(top + block - m.before, top + inset)};
            out.Add(erase);
            erase.rect = {left + frame, std::min(bottom - inset, top + block + m.after), right - frame, bottom - inset};
            out.Add(erase);
        }
    }

    if (bar.showPosition) {
        BarText text;
        if (!bar.format.empty()) {
            text.text = FormatBarText(bar.format, bar.position, bar.max);
        } else if (bar.showPercentage) {
            text.text = std::to_string(bar.infinite ? 100 : bar.percentage) + "%";
        } else {
            text.text = std::to_string(bar.position);
        }
        const BarSize size = measure ? measure(text.text) : BarSize{};
        const int middleX = left + (right - left) / 2, middleY = top + (bottom - top) / 2;
        if (!vertical) {
            text.x = middleX - size.width / 2;
            text.y = middleY - size.height / 2;
        } else {
            text.rotated = true;
            text.x = middleX - size.height / 2;
            text.y = middleY + size.width / 2;
        }
        drawing.text = std::move(text);
    }
    return drawing;
}

std::string FormatBarText(std::string_view format, int position, int max) {
    const int args[2] = {position, max};
    std::string out;
    int nextArg = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        const std::size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        int argIndex = nextArg;
        {
            std::size_t j = i;
            int index = 0;
            if (ReadNumber(format, j, index) && j < format.size() && format[j] == ':') {
                argIndex = index;
                i = j + 1;
            }
        }
        bool leftAlign = false;
        if (i < format.size() && format[i] == '-') {
            leftAlign = true;
            ++i;
        }
        int width = 0;
        ReadNumber(format, i, width);
        int precision = -1;
        if (i < format.size() && format[i] == '.') {
            ++i;
            precision = 0;
            ReadNumber(format, i, precision);
        }
        const char type = i < format.size() ? static_cast<char>(std::tolower(static_cast<unsigned char>(format[i]))) : '\0';
        if ((type != 'd' && type != 'u' && type != 'x') || argIndex < 0 || argIndex > 1) {
            // Not something two integers can fill: keep the placeholder as written.
            const std::size_t stop = std::min(format.size(), i + 1);
            out.append(format.substr(start, stop - start));
            i = stop;
            continue;
        }
        ++i;
        nextArg = argIndex + 1;
        const int value = args[argIndex];
        std::string digits;
        bool negative = false;
        if (type == 'd') {
            negative = value < 0;
            const std::int64_t wide = value;
            AppendDecimal(digits, static_cast<std::uint64_t>(negative ? -wide : wide));
        } else if (type == 'u') {
            AppendDecimal(digits, static_cast<std::uint32_t>(value));
        } else {
            digits = Hex(static_cast<std::uint32_t>(value));
        }
        if (precision > static_cast<int>(digits.size())) {
            digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
        }
        if (negative) digits.insert(digits.begin(), '-');
        if (width > static_cast<int>(digits.size())) {
            const std::string pad(static_cast<std::size_t>(width) - digits.size(), ' ');
            digits = leftAlign ? digits + pad : pad + digits;
        }
        out += digits;
    }
    return out;
}

}  // namespace ctl
