// The HTML caption's layout: the line loop, runs with word wrap, tags and images, turned into a
// list of drawing instructions with their boxes.
//
// Every line is laid out once (LayLine): it decides where the line ends (a line break, a run or
// image that does not fit, a list item after content), yields the line's width, height and
// alignment, and places its items along it from the line's start. Once those are known, EmitLine
// moves the items to the line's final x (alignment and indent) and y and makes the instructions.
// Measure mode places and emits nothing.
//
// Each token is processed once, and each line starts where the previous one ended, so a caption
// lays out in time linear in its length.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>

#include "controls/GDIPPictureContainer.h"
#include "controls/HtmlCaption.h"
#include "controls/HtmlCaptionParse.h"
#include "framework/Scaling.h"

namespace ctl {

using html::TagKind;
using html::Token;

int HtmlTextHeight(const TextMeasurer& measurer, std::string_view text, const HtmlFont& font) {
    const double h = measurer.Measure(text, font, 10000, 10000).height;
    return h > 0 && h < 1e9 ? static_cast<int>(std::lround(h)) : 0;
}

HtmlSize MeasureHtmlRun(const TextMeasurer& measurer, std::string_view text, const HtmlFont& font,
                        const HtmlRect& layout) {
    // The graphics layer gives a trailing blank no room; an "i" stands in for it.
    std::string measured(text);
    if (measured.size() > 1 && measured.back() == ' ') measured.back() = 'i';
    const auto extent = measurer.Measure(measured, font, static_cast<double>(layout.Width()) + 1000,
                                         static_cast<double>(layout.Height()));
    // Measured boxes carry some padding that drawn runs must not leave between them.
    long correction = 2;
    if (font.size > 8) correction += std::lround((font.size - 8) / 1.5);
    auto whole = [](double v) { return v > 0 && v < 1e9 ? std::lround(v) : 0L; };
    const long width = std::max(0L, whole(extent.width) - correction);
    return HtmlSize{static_cast<int>(width), static_cast<int>(whole(extent.height))};
}

std::optional<HtmlSize> ContainerPictureSource::PictureSize(std::string_view name) const {
    TAdvGDIPPicture* picture = FindPicture(container_, name);
    if (!picture || picture->Empty()) return std::nullopt;
    if (decode_)
        decode_(*picture);
    else
        picture->Decode();
    return HtmlSize{picture->GetWidth(), picture->GetHeight()};
}

namespace {

using Coord = std::int64_t;

// Boxes are ints; positions far outside any surface are held at a safe distance from overflow.
int ToInt(Coord v) { return static_cast<int>(std::clamp<Coord>(v, INT_MIN / 4, INT_MAX / 4)); }
Coord ClampSize(Coord v) { return std::clamp<Coord>(v, 0, 1'000'000); }

enum class Align { Left, Center, Right };
enum class ImageAlign { Bottom, Top, Middle };

// What carries over from one line to the next.
struct Style {
    HtmlFont font;
    HtmlColour background = fw::clNone;
    // Link
    bool inLink = false;
    int link = -1;
    HtmlColour linkSavedColour = 0, linkSavedBackground = fw::clNone;
    bool linkSavedUnderline = false;
    // Highlight and blink keep the colours they replaced.
    bool highlight = false;
    HtmlColour highlightSavedColour = 0, highlightSavedBackground = fw::clNone;
    bool blink = false;
    HtmlColour blinkSavedColour = 0;
    bool sub = false, sup = false, shadow = false, hidden = false, error = false;
    int listLevel = 0;
    Align align = Align::Left;
    int indent = 0;
    bool paragraphBackground = false;
    HtmlColour paragraphFrom = fw::clNone, paragraphTo = fw::clNone;
    int offset = 0;  // OFS: the following lines start this far right
    int linkCount = 0;
    int imageCount = 0;
};

struct Line {
    std::size_t end = 0;  // the first token of the next line
    Coord startX = 0;     // where the line starts before alignment
    Coord width = 0;
    Coord height = 0;     // the tallest of "gh", runs and images
    Coord gh = 0;         // minimum height: "gh" in the font the line starts with
    ImageAlign imageAlign = ImageAlign::Bottom;
    Coord imageHeight = 0;
    Align align = Align::Left;
    int indent = 0;
    bool background = false;
    HtmlColour backgroundFrom = fw::clNone, backgroundTo = fw::clNone;
    bool endedByBreak = false;
};

struct Metric {
    Coord width = 0, height = 0;
};

// One thing of a line, measured and placed along it before the line's alignment is known: its
// instruction with the left edge and size set, and how its top follows from the line's height.
struct Placed {
    enum class Top {
        LineTop,      // images: at the line's top
        Text,         // runs and symbol bullets: on the line's text base (TextTop)
        BulletShape,  // square and circle bullets: centred on the height of "gh"
        BelowLine,    // a rule: one pixel below the line
    };
    HtmlInstr instr;  // box: left and size only; font: not yet interned
    Coord left = 0;
    Metric size;
    Top top = Top::LineTop;
    HtmlFont font;           // Text, Symbol bullet
    bool sub = false, sup = false;
};

struct FontLess {
    bool operator()(const HtmlFont& a, const HtmlFont& b) const {
        return std::tie(a.name, a.size, a.colour, a.bold, a.italic, a.underline, a.strikeOut) <
               std::tie(b.name, b.size, b.colour, b.bold, b.italic, b.underline, b.strikeOut);
    }
};

class Layouter {
public:
    Layouter(std::string_view prepared, const HtmlOptions& options, const TextMeasurer& measurer,
             const HtmlImages& images)
        : tokens_(html::Tokenize(prepared, options.wordWrap)),
          options_(options),
          measurer_(measurer),
          images_(images),
          rect_(options.rect),
          placing_(options.mode != HtmlMode::Measure) {
        style_.font = options.font;
    }

    HtmlLayout Run();

private:
    // Where the pen is along a line, and how far right anything reached.
    struct Cursor {
        explicit Cursor(Coord x) : pen(x), widest(x) {}
        Coord pen, widest;
        bool content = false;   // a run, image or bullet is on the line
        char lastText = '\0';   // the last byte of the text on the line
        void Advance(Coord by) {
            pen += by;
            widest = std::max(widest, pen);
            content = true;
        }
        void MoveTo(Coord x) {
            pen = x;
            widest = std::max(widest, pen);
        }
    };
    // A list item's mark.
    struct Bullet {
        enum class Kind { Square, Circle, Picture, Symbol } kind = Kind::Symbol;
        HtmlColour colour = 0;
        HtmlFont symbol;        // Symbol: the font and the character
        std::string mark;
    };
    static constexpr Coord kBulletSide = 8;  // square and circle bullets

    // The line being laid: its top, the room of a whole line, the pen, and whether it has ended.
    struct LineInProgress {
        Line& line;
        Coord y;
        Coord room;
        Cursor cursor;
        bool ended = false;
    };

    // Measures the line from token `begin` once: where it ends (Finish), its height and width,
    // and its items placed along it (when the layout places anything). Each token goes on the
    // line, or ends it before itself (it starts the next line) or with itself.
    void LayLine(std::size_t begin, Coord y, Line& line);
    void LayRun(std::size_t i, LineInProgress& lp);
    void LayTag(std::size_t i, LineInProgress& lp);
    void LayListItem(const Token& t, LineInProgress& lp);
    void LayImage(std::size_t i, LineInProgress& lp);
    // A rule below the line, across the whole rectangle.
    void PlaceRule();
    // BODY with BGCOLOR and BGCOLORTO: a gradient behind the whole caption.
    void AddBodyFill(const Token& t);
    void EndLine(LineInProgress& lp, std::size_t end) const {
        Finish(lp.line, end);
        lp.ended = true;
    }
    // What is left of the rectangle right of and below a point: the box a run is measured in.
    HtmlRect RoomFrom(Coord pen, Coord y) const {
        return Box(pen, y, static_cast<Coord>(rect_.right) - pen, static_cast<Coord>(rect_.bottom) - y);
    }
    // Where a laid line goes: right or centre alignment within the rectangle, then the indent.
    Coord AlignedX(const Line& line, int indentAtStart) const;
    // A paragraph's background behind the whole width of the line (and the spacing below it).
    void EmitParagraphBackground(const Line& line, Coord y, bool more);
    // Emits the measured line's items, moved right by `shift` (alignment and indent).
    void EmitLine(const Line& line, Coord y, Coord shift);
    // The style a tag sets; false for a tag that sets none.
    bool ApplyStyleTag(const Token& t);
    // INDENT and OFS move the pen.
    void MoveForTag(const Token& t, Cursor& cursor) const;
    Bullet ListBullet(const Token& t) const;
    Coord ListItemX(const Line& line) const;
    // A run of text as the style stands now, placed at `pen`.
    void PlaceRun(std::string text, Coord pen, const Metric& m);
    void Place(Placed item) {
        if (placing_) items_.push_back(std::move(item));
    }
    // The end of a line: its alignment and indent as they stand when it ends.
    void Finish(Line& line, std::size_t end) const {
        line.end = end;
        line.align = style_.align;
        line.indent = style_.indent;
    }
    Coord TextTop(const Line& line, Coord y, Coord height) const;
    Coord LineStart(Coord y) const {
        Coord x = static_cast<Coord>(rect_.left) + 1 + style_.offset;
        if (y < floatBottom_) x = std::max(x, floatRight_);
        return x + style_.indent;
    }
    Coord Gh(const HtmlFont& font);
    int InternFont(const HtmlFont& font);
    HtmlRect Box(Coord left, Coord top, Coord width, Coord height) const {
        return HtmlRect{ToInt(left), ToInt(top), ToInt(left + width), ToInt(top + height)};
    }
    std::optional<std::pair<HtmlImageRef, Metric>> ResolveImage(std::string_view tag, int index) const;
    void OpenLink(std::string_view tag);
    void CloseLink();
    void Emit(HtmlInstr instr, int lineIndex) {
        instr.line = lineIndex;
        out_.instrs.push_back(std::move(instr));
    }

    std::vector<Token> tokens_;
    const HtmlOptions& options_;
    const TextMeasurer& measurer_;
    const HtmlImages& images_;
    const HtmlRect rect_;
    Style style_;
    HtmlLayout out_;
    std::vector<HtmlInstr> bodyFills_;  // painted before everything else
    const bool placing_;         // the layout places items (not in Measure mode)
    std::vector<Placed> items_;  // the current line's, in token order
    // A WRAP image: lines that start above its bottom start right of it.
    Coord floatRight_ = 0, floatBottom_ = INT64_MIN;
    std::map<HtmlFont, int, FontLess> fontIndex_;
    std::map<HtmlFont, Coord, FontLess> ghCache_;
    int lineIndex_ = 0;
};

Coord Layouter::Gh(const HtmlFont& font) {
    auto it = ghCache_.find(font);
    if (it != ghCache_.end()) return it->second;
    Coord h = HtmlTextHeight(measurer_, "gh", font);
    ghCache_.emplace(font, h);
    return h;
}

int Layouter::InternFont(const HtmlFont& font) {
    auto [it, added] = fontIndex_.emplace(font, static_cast<int>(out_.fonts.size()));
    if (added) out_.fonts.push_back(font);
    return it->second;
}

Coord Layouter::TextTop(const Line& line, Coord y, Coord height) const {
    switch (line.imageAlign) {
    case ImageAlign::Top: return y;
    case ImageAlign::Middle: return std::max(y, y + line.imageHeight / 2 - height);
    case ImageAlign::Bottom: break;
    }
    return y + line.height - height;
}

HtmlLayout Layouter::Run() {
    Coord y = rect_.top;
    Coord total = 0;
    Coord widest = 0;
    std::size_t pos = 0;
    bool emptyLineDue = false;
    bool drawnEnd = false;  // the next line would be below what Draw mode keeps
    while (pos < tokens_.size() || emptyLineDue) {
        emptyLineDue = false;
        Line line;
        line.gh = Gh(style_.font);
        line.height = line.gh;
        line.startX = LineStart(y);
        line.background = style_.paragraphBackground;
        line.backgroundFrom = style_.paragraphFrom;
        line.backgroundTo = style_.paragraphTo;
        const int indentAtStart = style_.indent;
        items_.clear();

        LayLine(pos, y, line);
        widest = std::max(widest, line.width);
        const bool more = line.end < tokens_.size() || line.endedByBreak;
        if (placing_) {
            EmitParagraphBackground(line, y, more);
            EmitLine(line, y, AlignedX(line, indentAtStart) - line.startX);
        }
        pos = line.end;
        ++lineIndex_;
        ++out_.lineCount;
        // A line break at the very end leaves an empty last line.
        emptyLineDue = line.endedByBreak && pos >= tokens_.size();
        Coord advance = line.height + (more ? options_.lineSpacing : 0);
        y += advance;
        total += advance;
        if (!drawnEnd && more && y + Gh(style_.font) > rect_.bottom) {
            drawnEnd = true;
            out_.drawnLineCount = out_.lineCount;
            if (options_.mode == HtmlMode::Draw) break;
        }
    }
    if (!drawnEnd) out_.drawnLineCount = out_.lineCount;
    if (total == 0) total = Gh(options_.font);
    if (floatBottom_ != INT64_MIN) total = std::max(total, floatBottom_ - rect_.top);
    total += 2;
    out_.height = ToInt(total);
    out_.width = widest > 0 ? ToInt(widest + 2) : 0;
    if (!bodyFills_.empty()) out_.instrs.insert(out_.instrs.begin(), bodyFills_.begin(), bodyFills_.end());
    if (placing_) {
        if (auto hit = HitTestHtml(out_, options_.hitX, options_.hitY)) {
            out_.hitLink = hit->link;
            out_.hitImage = hit->image;
            out_.hitTarget = std::move(hit->target);
        }
    }
    return std::move(out_);
}

Coord Layouter::AlignedX(const Line& line, int indentAtStart) const {
    Coord x = line.startX - indentAtStart;
    if (line.align == Align::Right) {
        x = std::max(x, static_cast<Coord>(rect_.right) - line.width);
    } else if (line.align == Align::Center) {
        Coord room = rect_.right - x - line.width;
        if (room > 0) x += room / 2;
    }
    return x + line.indent;
}

void Layouter::EmitParagraphBackground(const Line& line, Coord y, bool more) {
    if (!line.background || line.backgroundFrom == fw::clNone) return;
    HtmlInstr fill;
    fill.kind = HtmlInstrKind::Background;
    fill.box = Box(rect_.left, y, static_cast<Coord>(rect_.right) - rect_.left,
                   line.height + (more ? options_.lineSpacing : 0));
    fill.colour = line.backgroundFrom;
    fill.colourTo = line.backgroundTo;
    fill.horizontal = false;
    Emit(std::move(fill), lineIndex_);
}

void Layouter::OpenLink(std::string_view tag) {
    if (style_.inLink) CloseLink();
    style_.inLink = true;
    style_.link = style_.linkCount++;
    out_.links.emplace_back(html::FirstQuoted(tag));
    style_.linkSavedColour = style_.font.colour;
    style_.linkSavedBackground = style_.background;
    style_.linkSavedUnderline = style_.font.underline;
    style_.font.underline = true;
    const bool hovered = style_.link == options_.hoveredLink;
    style_.font.colour = hovered && options_.hoverColour != fw::clNone ? options_.hoverColour : options_.linkColour;
    if (hovered && options_.hoverBackground != fw::clNone) style_.background = options_.hoverBackground;
}

void Layouter::CloseLink() {
    if (!style_.inLink) return;
    style_.inLink = false;
    style_.link = -1;
    style_.font.colour = style_.linkSavedColour;
    style_.background = style_.linkSavedBackground;
    style_.font.underline = style_.linkSavedUnderline;
}

std::optional<std::pair<HtmlImageRef, Metric>> Layouter::ResolveImage(std::string_view tag, int index) const {
    std::string_view source = html::FindAttribute(tag, "SRC").value_or("");
    if (index == options_.hoveredImage) {
        if (auto alt = html::FindAttribute(tag, "ALT"); alt && !alt->empty()) source = *alt;
    }
    HtmlImageRef ref;
    if (html::StartsWithIgnoreCase(source, "IDX:")) {
        const int n = html::ParseNumber(source.substr(4));
        if (!images_.imageList || n < 0 || n >= images_.imageList->Count()) return std::nullopt;
        ref.kind = HtmlImageKind::ListImage;
        ref.index = n;
        const HtmlSize size = images_.imageList->ImageSize();
        return std::pair{ref, Metric{ClampSize(size.width), ClampSize(size.height)}};
    }
    const bool small = html::StartsWithIgnoreCase(source, "SSYS:");
    if (small || html::StartsWithIgnoreCase(source, "LSYS:")) {
        if (!images_.systemIcons) return std::nullopt;
        ref.kind = small ? HtmlImageKind::SmallIcon : HtmlImageKind::LargeIcon;
        ref.source = std::string(source.substr(5));
        auto size = images_.systemIcons->IconSize(!small, ref.source);
        if (!size) return std::nullopt;
        double scale = options_.imageScale;
        if (!(scale > 0 && scale < 100)) scale = 1;
        Metric m{ClampSize(std::llround(size->width * scale)), ClampSize(std::llround(size->height * scale))};
        return std::pair{ref, m};
    }
    if (source.find(':') != std::string_view::npos || !images_.pictures) return std::nullopt;
    auto size = images_.pictures->PictureSize(source);
    if (!size) return std::nullopt;
    ref.kind = HtmlImageKind::Picture;
    ref.source = std::string(source);
    // A picture's pixels, and the sizes the mark-up gives, are the design's (96 DPI).
    const fw::DpiScale scale(options_.dpi);
    Metric m{ClampSize(scale.Length(size->width)), ClampSize(scale.Length(size->height))};
    const int width = html::ParseNumber(html::FindAttribute(tag, "WIDTH").value_or(""));
    const int height = html::ParseNumber(html::FindAttribute(tag, "HEIGHT").value_or(""));
    if (width >= 1 && height >= 1) m = Metric{scale.Length(width), scale.Length(height)};
    return std::pair{ref, m};
}

bool Layouter::ApplyStyleTag(const Token& t) {
    const bool closing = t.closing;
    switch (t.tag) {
    case TagKind::Link:
        if (closing)
            CloseLink();
        else
            OpenLink(t.raw);
        return true;
    case TagKind::Bold: style_.font.bold = !closing; return true;
    case TagKind::Italic: style_.font.italic = !closing; return true;
    case TagKind::Underline: style_.font.underline = !closing; return true;
    case TagKind::Strike: style_.font.strikeOut = !closing; return true;
    case TagKind::Error: style_.error = !closing; return true;
    case TagKind::Hidden: style_.hidden = !closing; return true;
    case TagKind::Shadow: style_.shadow = !closing; return true;
    case TagKind::Sub: style_.sub = !closing; return true;
    case TagKind::Sup: style_.sup = !closing; return true;
    case TagKind::Body:
        if (!closing) {
            auto from = html::FindAttribute(t.raw, "BGCOLOR");
            // With BGCOLORTO a gradient goes behind the whole caption and runs get no background
            // of their own (LayLine adds the gradient).
            if (from && html::FindAttribute(t.raw, "BGCOLORTO"))
                style_.background = fw::clNone;
            else if (from)
                style_.background = ParseHtmlColour(*from);
        }
        return true;
    case TagKind::Blink:
        if (!closing && !style_.blink) {
            style_.blink = true;
            style_.blinkSavedColour = style_.font.colour;
            if (auto colour = html::FindAttribute(t.raw, "COLOR")) style_.font.colour = ParseHtmlColour(*colour);
        } else if (closing && style_.blink) {
            style_.blink = false;
            style_.font.colour = style_.blinkSavedColour;
        }
        return true;
    case TagKind::Font:
        if (closing) {
            style_.font.name = options_.font.name;
            style_.font.size = options_.font.size;
            style_.font.colour = options_.font.colour;
            style_.background = fw::clNone;
        } else {
            if (auto face = html::FindAttribute(t.raw, "FACE"); face && !face->empty()) style_.font.name = *face;
            if (auto colour = html::FindAttribute(t.raw, "COLOR")) style_.font.colour = ParseHtmlColour(*colour);
            if (auto back = html::FindAttribute(t.raw, "BGCOLOR")) style_.background = ParseHtmlColour(*back);
            if (auto size = html::FindAttribute(t.raw, "SIZE")) {
                if (auto points = HtmlFontSize(*size)) style_.font.size = *points;
            }
        }
        return true;
    case TagKind::Highlight:
        if (!closing && !style_.highlight) {
            style_.highlight = true;
            style_.highlightSavedColour = style_.font.colour;
            style_.highlightSavedBackground = style_.background;
            style_.background = fw::clHighlight;
            style_.font.colour = fw::clHighlightText;
        } else if (closing && style_.highlight) {
            style_.highlight = false;
            style_.font.colour = style_.highlightSavedColour;
            style_.background = style_.highlightSavedBackground;
        }
        return true;
    case TagKind::Paragraph:
        if (closing) {
            // The next line starts plain.
            style_.paragraphBackground = false;
            style_.align = Align::Left;
            style_.indent = 0;
        } else {
            if (auto align = html::FindAttribute(t.raw, "ALIGN")) {
                if (html::ContainsIgnoreCase(*align, "RIGHT"))
                    style_.align = Align::Right;
                else if (html::ContainsIgnoreCase(*align, "LEFT"))
                    style_.align = Align::Left;
                else if (html::ContainsIgnoreCase(*align, "CENTER"))
                    style_.align = Align::Center;
            }
            if (auto indent = html::FindAttribute(t.raw, "INDENT"))
                style_.indent = std::clamp(html::ParseNumber(*indent), 0, 100000);
            if (auto back = html::FindAttribute(t.raw, "BGCOLOR")) {
                style_.paragraphBackground = true;
                style_.paragraphFrom = ParseHtmlColour(*back);
                auto to = html::FindAttribute(t.raw, "BGCOLORTO");
                style_.paragraphTo = to ? ParseHtmlColour(*to) : fw::clNone;
            }
        }
        return true;
    case TagKind::List:
        style_.listLevel = closing ? std::max(0, style_.listLevel - 1) : style_.listLevel + 1;
        return true;
    case TagKind::Offset:
        style_.offset = closing ? 0 : std::max(0, html::ParseNumber(html::FindAttribute(t.raw, "X").value_or("")));
        return true;
    default:
        return false;
    }
}

void Layouter::MoveForTag(const Token& t, Cursor& cursor) const {
    if (t.closing) return;
    if (t.tag == TagKind::Indent) {
        // The pen moves right to X (never back).
        const Coord to = static_cast<Coord>(rect_.left) + html::ParseNumber(html::FindAttribute(t.raw, "X").value_or(""));
        if (to > cursor.pen) cursor.MoveTo(to);
    } else if (t.tag == TagKind::Offset) {
        cursor.MoveTo(static_cast<Coord>(rect_.left) + 1 + style_.offset);
    }
}

Layouter::Bullet Layouter::ListBullet(const Token& t) const {
    Bullet bullet;
    const std::string_view type = html::FindAttribute(t.raw, "TYPE").value_or("");
    const auto colourValue = html::FindAttribute(t.raw, "COLOR");
    bullet.colour = colourValue ? ParseHtmlColour(*colourValue) : style_.font.colour;
    if (html::ContainsIgnoreCase(type, "SQUARE")) {
        bullet.kind = Bullet::Kind::Square;
    } else if (html::ContainsIgnoreCase(type, "CIRCLE")) {
        bullet.kind = Bullet::Kind::Circle;
    } else if (html::ContainsIgnoreCase(type, "IMAGE")) {
        bullet.kind = Bullet::Kind::Picture;
    } else {
        bullet.kind = Bullet::Kind::Symbol;
        bullet.symbol = style_.font;
        bullet.symbol.name = "Symbol";
        bullet.symbol.colour = bullet.colour;
        bullet.symbol.underline = bullet.symbol.strikeOut = false;
        bullet.mark = style_.listLevel % 2 == 1 ? "\xB7" : "o";
    }
    return bullet;
}

Coord Layouter::ListItemX(const Line& line) const {
    return line.startX + 12 * static_cast<Coord>(std::min(style_.listLevel, 1000));
}

void Layouter::LayLine(std::size_t begin, Coord y, Line& line) {
    LineInProgress lp{line, y, static_cast<Coord>(rect_.right) - line.startX, Cursor(line.startX)};
    for (std::size_t i = begin; i < tokens_.size() && !lp.ended; ++i) {
        if (tokens_[i].kind == Token::Kind::Run)
            LayRun(i, lp);
        else
            LayTag(i, lp);
    }
    if (!lp.ended) Finish(line, tokens_.size());
    line.width = std::max<Coord>(0, lp.cursor.widest - line.startX);
}

void Layouter::LayRun(std::size_t i, LineInProgress& lp) {
    const Token& t = tokens_[i];
    std::string text = html::DecodeRunText(t.raw);
    if (style_.hidden) {
        out_.plainText += text;
        return;
    }
    Cursor& cursor = lp.cursor;
    const HtmlSize size = MeasureHtmlRun(measurer_, text, style_.font, RoomFrom(cursor.pen, lp.y));
    // A word that would pass the right edge starts the next line, unless it is wider than a whole
    // line or it continues a word that a tag interrupted.
    if (cursor.pen + size.width > rect_.right && size.width <= lp.room && cursor.lastText == ' ') {
        EndLine(lp, i);
        return;
    }
    lp.line.height = std::max<Coord>(lp.line.height, size.height);
    out_.plainText += text;
    cursor.lastText = t.raw.back();
    PlaceRun(std::move(text), cursor.pen, Metric{size.width, size.height});
    cursor.Advance(size.width);
}

void Layouter::LayTag(std::size_t i, LineInProgress& lp) {
    const Token& t = tokens_[i];
    // Tags that end the line, before any change they make.
    if (!t.closing && (t.tag == TagKind::Break || t.tag == TagKind::Rule)) {
        if (t.tag == TagKind::Break) {
            out_.plainText += '\r';
            lp.line.endedByBreak = true;
        } else {
            PlaceRule();
        }
        EndLine(lp, i + 1);
        return;
    }
    if (t.closing && t.tag == TagKind::Paragraph) EndLine(lp, i + 1);  // with the paragraph's alignment
    if (!t.closing && t.tag == TagKind::ListItem && lp.cursor.content) {
        EndLine(lp, i);  // an item starts its own line
        return;
    }

    ApplyStyleTag(t);
    MoveForTag(t, lp.cursor);
    if (t.closing) return;
    switch (t.tag) {
    case TagKind::Body: AddBodyFill(t); break;
    case TagKind::Paragraph:
        if (html::FindAttribute(t.raw, "BGCOLOR")) {
            lp.line.background = true;
            lp.line.backgroundFrom = style_.paragraphFrom;
            lp.line.backgroundTo = style_.paragraphTo;
        }
        break;
    case TagKind::List: EndLine(lp, i + 1); break;
    case TagKind::ListItem: LayListItem(t, lp); break;
    case TagKind::Image: LayImage(i, lp); break;
    default: break;
    }
}

void Layouter::PlaceRule() {
    Placed rule;
    rule.instr.kind = HtmlInstrKind::Rule;
    rule.instr.colour = fw::clBlack;
    rule.left = rect_.left;
    rule.size = Metric{static_cast<Coord>(rect_.right) - rect_.left, 1};
    rule.top = Placed::Top::BelowLine;
    Place(std::move(rule));
}

void Layouter::AddBodyFill(const Token& t) {
    auto from = html::FindAttribute(t.raw, "BGCOLOR");
    auto to = html::FindAttribute(t.raw, "BGCOLORTO");
    if (!placing_ || !from || !to) return;
    HtmlInstr fill;
    fill.kind = HtmlInstrKind::Background;
    fill.box = rect_;
    fill.colour = ParseHtmlColour(*from);
    fill.colourTo = ParseHtmlColour(*to);
    auto dir = html::FindAttribute(t.raw, "DIR").value_or("H");
    fill.horizontal = !html::StartsWithIgnoreCase(dir, "V");
    fill.line = lineIndex_;
    bodyFills_.push_back(std::move(fill));
}

void Layouter::LayListItem(const Token& t, LineInProgress& lp) {
    Cursor& cursor = lp.cursor;
    cursor.pen = std::max(cursor.pen, ListItemX(lp.line));
    const Bullet bullet = ListBullet(t);
    Placed mark;
    mark.instr.link = style_.inLink ? style_.link : -1;
    mark.left = cursor.pen;
    Coord slot = 12;  // the room a bullet takes at least
    switch (bullet.kind) {
    case Bullet::Kind::Square:
    case Bullet::Kind::Circle:
        lp.line.height = std::max(lp.line.height, kBulletSide);
        mark.instr.kind = HtmlInstrKind::Bullet;
        mark.instr.colour = bullet.colour;
        mark.instr.bullet = bullet.kind == Bullet::Kind::Square ? HtmlBullet::Square : HtmlBullet::Circle;
        mark.size = Metric{kBulletSide, kBulletSide};
        mark.top = Placed::Top::BulletShape;
        Place(std::move(mark));
        break;
    case Bullet::Kind::Picture: {
        const std::string_view name = html::FindAttribute(t.raw, "NAME").value_or("");
        if (!images_.pictures || name.empty() || name.find(':') != std::string_view::npos) break;
        const auto size = images_.pictures->PictureSize(name);
        if (!size) break;
        const Metric m{ClampSize(size->width), ClampSize(size->height)};
        lp.line.height = std::max(lp.line.height, m.height);
        slot = std::max(slot, m.width + 4);
        mark.instr.kind = HtmlInstrKind::Image;
        mark.instr.image.source = std::string(name);
        mark.size = m;
        Place(std::move(mark));
        break;
    }
    case Bullet::Kind::Symbol: {
        const HtmlSize size = MeasureHtmlRun(measurer_, bullet.mark, bullet.symbol, RoomFrom(cursor.pen, lp.y));
        lp.line.height = std::max<Coord>(lp.line.height, size.height);
        slot = std::max<Coord>(slot, size.width + 4);
        mark.instr.kind = HtmlInstrKind::Bullet;
        mark.instr.bullet = HtmlBullet::Symbol;
        mark.instr.colour = bullet.colour;
        mark.instr.text = bullet.mark;
        mark.font = bullet.symbol;
        mark.size = Metric{size.width, size.height};
        mark.top = Placed::Top::Text;
        Place(std::move(mark));
        break;
    }
    }
    cursor.Advance(slot);
}

void Layouter::LayImage(std::size_t i, LineInProgress& lp) {
    const Token& t = tokens_[i];
    Cursor& cursor = lp.cursor;
    const auto resolved = ResolveImage(t.raw, style_.imageCount);
    // An image that fits a line but not what is left of this one starts the next.
    if (resolved && cursor.content && resolved->second.width <= lp.room &&
        cursor.pen + resolved->second.width > rect_.right) {
        EndLine(lp, i);
        return;
    }
    const int index = style_.imageCount;
    out_.imageCount = ++style_.imageCount;
    if (!resolved) return;  // not found: nothing drawn, no room taken
    const Metric m = resolved->second;
    const std::string_view align = html::FindAttribute(t.raw, "ALIGN").value_or("");
    if (html::ContainsIgnoreCase(align, "TOP")) {
        lp.line.imageAlign = ImageAlign::Top;
        lp.line.imageHeight = m.height;
    } else if (html::ContainsIgnoreCase(align, "MIDDLE")) {
        lp.line.imageAlign = ImageAlign::Middle;
        lp.line.imageHeight = m.height;
    }
    if (html::FindAttribute(t.raw, "WRAP")) {
        // The line keeps its text height; the lines that follow start beside it.
        floatRight_ = cursor.pen + m.width;
        floatBottom_ = lp.y + m.height;
    } else {
        lp.line.height = std::max(lp.line.height, m.height);
    }
    Placed picture;
    picture.instr.kind = HtmlInstrKind::Image;
    picture.instr.image = resolved->first;
    picture.instr.link = style_.inLink ? style_.link : -1;
    picture.instr.imageIndex = index;
    picture.left = cursor.pen;
    picture.size = m;
    Place(std::move(picture));
    cursor.Advance(m.width);
}

void Layouter::PlaceRun(std::string text, Coord pen, const Metric& m) {
    if (!placing_) return;
    Placed run;
    run.instr.kind = HtmlInstrKind::Text;
    run.instr.link = style_.inLink ? style_.link : -1;
    run.instr.colour = style_.background;
    run.instr.shadow = style_.shadow;
    run.instr.errorMark = style_.error;
    run.instr.text = std::move(text);
    run.font = style_.font;
    run.left = pen;
    run.size = m;
    run.top = Placed::Top::Text;
    run.sub = style_.sub;
    run.sup = style_.sup;
    items_.push_back(std::move(run));
}

void Layouter::EmitLine(const Line& line, Coord y, Coord shift) {
    for (Placed& item : items_) {
        HtmlInstr instr = std::move(item.instr);
        const Coord left = item.left + shift;
        const Metric m = item.size;
        Coord top = y;
        switch (item.top) {
        case Placed::Top::LineTop: break;
        case Placed::Top::Text: top = TextTop(line, y, m.height); break;
        case Placed::Top::BulletShape: top = TextTop(line, y, line.gh) + (line.gh - m.height) / 2; break;
        case Placed::Top::BelowLine: top = y + line.height + 1; break;
        }
        if (item.sub) top += m.height / 4;
        if (item.sup) top -= m.height / 4;
        instr.box = Box(item.top == Placed::Top::BelowLine ? item.left : left, top, m.width, m.height);
        if (instr.kind == HtmlInstrKind::Text || (instr.kind == HtmlInstrKind::Bullet && instr.bullet == HtmlBullet::Symbol))
            instr.font = InternFont(item.font);
        if (instr.kind == HtmlInstrKind::Text) {
            instr.inkRight = instr.box.right;
            const std::string& text = instr.text;
            if ((item.font.underline || item.font.strikeOut) && text.size() > 1 && text.back() == ' ') {
                // Where the word's underline or strike-out ends; the blank is underlined only
                // when the underline continues into the next run.
                std::string_view word(text);
                while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
                const HtmlSize ink = MeasureHtmlRun(measurer_, word, item.font, instr.box);
                instr.inkRight = std::min(instr.box.right, ToInt(left + ink.width));
            }
        }
        Emit(std::move(instr), lineIndex_);
    }
}

}  // namespace

HtmlLayout LayoutHtml(std::string_view markup, const HtmlOptions& options, const TextMeasurer& measurer,
                      const HtmlImages& images) {
    const std::string prepared = PrepareHtml(markup);
    return Layouter(prepared, options, measurer, images).Run();
}

HtmlLayout DrawnLines(const HtmlLayout& all) {
    HtmlLayout drawn = all;
    drawn.lineCount = all.drawnLineCount;
    std::erase_if(drawn.instrs, [&](const HtmlInstr& instr) { return instr.line >= all.drawnLineCount; });
    return drawn;
}

std::optional<HtmlHit> HitTestHtml(const HtmlLayout& layout, int x, int y) {
    for (const HtmlInstr& instr : layout.instrs) {
        if (instr.link < 0) continue;
        if (instr.kind != HtmlInstrKind::Text && instr.kind != HtmlInstrKind::Image) continue;
        if (!instr.box.Contains(x, y)) continue;
        HtmlHit hit;
        hit.link = instr.link;
        if (instr.link < static_cast<int>(layout.links.size())) hit.target = layout.links[instr.link];
        hit.image = instr.kind == HtmlInstrKind::Image ? instr.imageIndex : -1;
        return hit;
    }
    return std::nullopt;
}

}  // namespace ctl
