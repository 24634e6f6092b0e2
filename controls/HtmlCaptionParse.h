#pragma once
// The HTML caption's mark-up, taken apart: the text split into runs and tags, tag kinds and
// attribute values. Used by the layout (controls/HtmlCaptionLayout.cpp) and by its tests.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ctl::html {

enum class TagKind {
    Other,      // skipped
    Link,       // A
    Bold,       // B
    Body,       // BODY (B, O)
    Blink,      // BLINK (B, L)
    Break,      // BR
    Error,      // E
    Font,       // F
    Highlight,  // HI
    Rule,       // HR
    Italic,     // I
    Indent,     // IND (I, N)
    Image,      // IMG (I, M)
    ListItem,   // L
    Offset,     // O
    Paragraph,  // P
    Strike,     // S
    Shadow,     // SHAD (S, H)
    Sub,        // SUB
    Sup,        // SUP
    Underline,  // U
    List,       // UL (U, L)
    Hidden,     // Z
};

struct Token {
    enum class Kind { Run, Tag };
    Kind kind = Kind::Run;
    std::string_view raw;       // the run's text, or the whole tag from "<" to ">" (or the end)
    TagKind tag = TagKind::Other;
    bool closing = false;       // "</..."
};

// The kind of a tag, from its first letters; `closing` tells "</...".
TagKind ClassifyTag(std::string_view tag, bool& closing);

// Runs and tags of a prepared text. A run is the text up to the next "<"; with word wrap it
// also ends after each blank, so that it is one word with its blank. The tokens view `prepared`.
std::vector<Token> Tokenize(std::string_view prepared, bool wordWrap);

// The value of attribute `name` in a tag: nullopt when the tag has no such attribute, "" when its
// value is not a double-quoted string after "=". Names match without regard to case, as whole
// words outside quoted values (so COLOR is not found inside BGCOLOR).
std::optional<std::string_view> FindAttribute(std::string_view tag, std::string_view name);

// The first double-quoted string of a tag ("" when it has none): a link's target.
std::string_view FirstQuoted(std::string_view tag);

// A whole decimal number (optionally negative, blanks around ignored); 0 for anything else,
// and for more than nine digits.
int ParseNumber(std::string_view value);

// A run's text as drawn: "&nbsp;" a blank, "&lt;" "<", "&gt;" ">", and "&&" (what "&amp;"
// became) a single "&".
std::string DecodeRunText(std::string_view raw);

// ASCII upper case of one byte.
constexpr char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
bool ContainsIgnoreCase(std::string_view text, std::string_view part);

}  // namespace ctl::html
