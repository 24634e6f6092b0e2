#include "controls/HtmlCaptionParse.h"

#include <array>
#include <utility>

#include "controls/HtmlCaption.h"

namespace ctl {

namespace {

// Replaces every occurrence of `entity`, again and again until none is left, as if the first
// occurrence were replaced each round. One pass does it: an occurrence can only end at the byte
// just appended (a replacement never ends in the entity's last byte), and whatever a
// replacement forms with the bytes that follow is found as those bytes arrive.
std::string ReplaceEntity(std::string text, std::string_view entity, std::string_view replacement) {
    if (text.find(entity) == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    const char last = entity.back();
    for (char c : text) {
        out.push_back(c);
        while (c == last && std::string_view(out).ends_with(entity)) {
            out.resize(out.size() - entity.size());
            out.append(replacement);
            if (out.empty()) break;
            c = out.back();
        }
    }
    return out;
}

}  // namespace

std::string PrepareHtml(std::string_view markup) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kEntities{{
        {"&amp;", "&&"},
        {"&quot;", "\""},
        {"&sect;", "\xA7"},
        {"&permil;", "\x89"},
        {"&reg;", "\xAE"},
        {"&copy;", "\xA9"},
        {"&para;", "\xB6"},
        {"&trade;", "\x99"},
        {"&euro;", "\x80"},
    }};
    std::string text(markup);
    for (const auto& [entity, replacement] : kEntities) text = ReplaceEntity(std::move(text), entity, replacement);

    // "<#...>" shows its content as text: the "<" goes, and the first ">" after it.
    if (auto open = text.find("<#"); open != std::string::npos) {
        text.erase(open, 1);
        if (auto close = text.find('>', open); close != std::string::npos) text.erase(close, 1);
    }

    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n') continue;
        if (c == '\r')
            out.append("<BR>");
        else
            out.push_back(c);
    }
    return out;
}

HtmlColour ParseHtmlColour(std::string_view value) {
    if (!value.empty() && value.front() == '#') {
        if (value.size() != 7) return 0;
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            c = html::UpperAscii(c);
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        HtmlColour rgb[3] = {};
        for (int i = 0; i < 3; ++i) {
            int hi = hex(value[1 + 2 * i]), lo = hex(value[2 + 2 * i]);
            if (hi < 0 || lo < 0) return 0;
            rgb[i] = static_cast<HtmlColour>(hi * 16 + lo);
        }
        return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);  // #RRGGBB -> 0x00BBGGRR
    }
    static constexpr std::array<std::pair<std::string_view, HtmlColour>, 40> kNames{{
        {"clred", 0x0000FF},          {"clblack", 0x000000},       {"clblue", 0xFF0000},
        {"clgreen", 0x008000},        {"claqua", 0xFFFF00},        {"clyellow", 0x00FFFF},
        {"clfuchsia", 0xFF00FF},      {"clwhite", 0xFFFFFF},       {"cllime", 0x00FF00},
        {"clsilver", 0xC0C0C0},       {"clgray", 0x808080},        {"clolive", 0x008080},
        {"clnavy", 0x800000},         {"clpurple", 0x800080},      {"clteal", 0x808000},
        {"clmaroon", 0x000080},       {"clbackground", 0xFF000001}, {"clactivecaption", 0xFF000002},
        {"clinactivecaption", 0xFF000003}, {"clmenu", 0xFF000004}, {"clwindow", 0xFF000005},
        {"clwindowframe", 0xFF000006}, {"clmenutext", 0xFF000007}, {"clwindowtext", 0xFF000008},
        {"clcaptiontext", 0xFF000009}, {"clactiveborder", 0xFF00000A}, {"clinactiveborder", 0xFF00000B},
        {"clappworkspace", 0xFF00000C}, {"clhighlight", 0xFF00000D}, {"clhighlighttext", 0xFF00000E},
        {"clbtnface", 0xFF00000F},    {"clbtnshadow", 0xFF000010}, {"clgraytext", 0xFF000011},
        {"clbtntext", 0xFF000012},    {"clinactivecaptiontext", 0xFF000013}, {"clbtnhighlight", 0xFF000014},
        {"cl3ddkshadow", 0xFF000015}, {"cl3dlight", 0xFF000016},   {"clinfotext", 0xFF000017},
        {"clinfobk", 0xFF000018},
    }};
    for (const auto& [name, colour] : kNames) {
        if (name.size() != value.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            char c = value[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == name[i];
        }
        if (same) return colour;
    }
    return 0;
}

std::optional<int> HtmlFontSize(std::string_view value) {
    static constexpr int kBySize[] = {8, 10, 12, 14, 16};
    // Beyond this a font is no longer something the graphics layer draws sensibly.
    constexpr int kLargest = 1638;
    const int n = html::ParseNumber(value);
    if (n <= 0) return std::nullopt;
    if (n <= 5) return kBySize[n - 1];
    return n < kLargest ? n : kLargest;
}

namespace html {

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
    return true;
}

bool ContainsIgnoreCase(std::string_view text, std::string_view part) {
    if (part.empty()) return true;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (StartsWithIgnoreCase(text.substr(i), part)) return true;
    return false;
}

TagKind ClassifyTag(std::string_view tag, bool& closing) {
    std::size_t p = 1;  // after "<"
    closing = p < tag.size() && tag[p] == '/';
    if (closing) ++p;
    auto at = [&](std::size_t i) { return p + i < tag.size() ? UpperAscii(tag[p + i]) : '\0'; };
    switch (at(0)) {
    case 'A': return TagKind::Link;
    case 'B':
        switch (at(1)) {
        case 'R': return TagKind::Break;
        case 'O': return TagKind::Body;
        case 'L': return TagKind::Blink;
        default: return TagKind::Bold;
        }
    case 'E': return TagKind::Error;
    case 'F': return TagKind::Font;
    case 'H':
        switch (at(1)) {
        case 'I': return TagKind::Highlight;
        case 'R': return TagKind::Rule;
        default: return TagKind::Other;
        }
    case 'I':
        switch (at(1)) {
        case 'N': return TagKind::Indent;
        case 'M': return TagKind::Image;
        default: return TagKind::Italic;
        }
    case 'L': return TagKind::ListItem;
    case 'O': return TagKind::Offset;
    case 'P': return TagKind::Paragraph;
    case 'S':
        if (at(1) == 'H') return TagKind::Shadow;
        if (at(1) == 'U' && at(2) == 'B') return TagKind::Sub;
        if (at(1) == 'U' && at(2) == 'P') return TagKind::Sup;
        return TagKind::Strike;
    case 'U': return at(1) == 'L' ? TagKind::List : TagKind::Underline;
    case 'Z': return TagKind::Hidden;
    default: return TagKind::Other;
    }
}

std::vector<Token> Tokenize(std::string_view prepared, bool wordWrap) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = prepared.size();
    while (i < n) {
        if (prepared[i] == '<') {
            std::size_t close = prepared.find('>', i);
            std::size_t end = close == std::string_view::npos ? n : close + 1;
            Token t;
            t.kind = Token::Kind::Tag;
            t.raw = prepared.substr(i, end - i);
            t.tag = ClassifyTag(t.raw, t.closing);
            tokens.push_back(t);
            i = end;
            continue;
        }
        std::size_t next = prepared.find('<', i);
        std::size_t end = next == std::string_view::npos ? n : next;
        while (i < end) {
            std::size_t stop = end;
            if (wordWrap) {
                std::size_t blank = prepared.find(' ', i);
                if (blank != std::string_view::npos && blank < end) stop = blank + 1;
            }
            tokens.push_back(Token{Token::Kind::Run, prepared.substr(i, stop - i)});
            i = stop;
        }
    }
    return tokens;
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

std::optional<std::string_view> FindAttribute(std::string_view tag, std::string_view name) {
    if (name.empty()) return std::nullopt;
    bool quoted = false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        const char c = tag[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted || i == 0 || !IsBlank(tag[i - 1])) continue;
        if (!StartsWithIgnoreCase(tag.substr(i), name)) continue;
        std::size_t p = i + name.size();
        if (p < tag.size() && !(IsBlank(tag[p]) || tag[p] == '=' || tag[p] == '>' || tag[p] == '/')) continue;
        // Found: the value is a quoted string after "=".
        while (p < tag.size() && IsBlank(tag[p])) ++p;
        if (p >= tag.size() || tag[p] != '=') return std::string_view{};
        ++p;
        while (p < tag.size() && IsBlank(tag[p])) ++p;
        if (p >= tag.size() || tag[p] != '"') return std::string_view{};
        std::size_t close = tag.find('"', p + 1);
        if (close == std::string_view::npos) return std::string_view{};
        return tag.substr(p + 1, close - p - 1);
    }
    return std::nullopt;
}

std::string_view FirstQuoted(std::string_view tag) {
    std::size_t open = tag.find('"');
    if (open == std::string_view::npos) return {};
    std::size_t close = tag.find('"', open + 1);
    if (close == std::string_view::npos) return {};
    return tag.substr(open + 1, close - open - 1);
}

int ParseNumber(std::string_view value) {
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    bool negative = false;
    if (!value.empty() && value.front() == '-') {
        negative = true;
        value.remove_prefix(1);
    }
    if (value.empty() || value.size() > 9) return 0;
    int n = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return negative ? -n : n;
}

std::string DecodeRunText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        std::string_view rest = raw.substr(i);
        if (rest.starts_with("&nbsp;")) {
            out.push_back(' ');
            i += 5;
        } else if (rest.starts_with("&lt;")) {
            out.push_back('<');
            i += 3;
        } else if (rest.starts_with("&gt;")) {
            out.push_back('>');
            i += 3;
        } else if (rest.starts_with("&&")) {
            out.push_back('&');
            i += 1;
        } else {
            out.push_back(raw[i]);
        }
    }
    return out;
}

}  // namespace html
}  // namespace ctl
