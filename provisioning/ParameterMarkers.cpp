#include "provisioning/ParameterMarkers.h"


#include "base/Text.h"

namespace prov {
namespace {

bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`'; }

bool EndsMarkerName(char c) {
    return c == ' ' || c == ',' || c == ';' || c == ')' || c == '\r' || c == '\n';
}


// The bytes the scanner stops at: the three quotes, the colon and the question mark.
constexpr bool IsSpecial(unsigned char c) { return c == ':' || c == '?' || c == '\'' || c == '"' || c == '`'; }

struct SpecialTable {
    bool special[256] = {};
    constexpr SpecialTable() {
        for (int c = 0; c < 256; ++c) special[c] = IsSpecial(static_cast<unsigned char>(c));
    }
};
constexpr SpecialTable kSpecial;

std::size_t NextSpecial(std::string_view text, std::size_t from) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data()) + from;
    const unsigned char* end = reinterpret_cast<const unsigned char*>(text.data()) + text.size();
    while (p != end && !kSpecial.special[*p]) ++p;
    return static_cast<std::size_t>(p - reinterpret_cast<const unsigned char*>(text.data()));
}

// The position of the first colon outside a literal (where the rule changes the text), or npos.
std::size_t FirstChange(std::string_view text) {
    bool literal = false;
    for (std::size_t i = NextSpecial(text, 0); i < text.size(); i = NextSpecial(text, i + 1)) {
        if (text[i] == ':') {
            if (!literal) return i;
        } else if (IsQuote(text[i])) {
            literal = !literal;
        }
    }
    return std::string_view::npos;
}

}  // namespace

MarkedText ApplyParameterMarkers(std::string_view text) {
    MarkedText result;
    result.text.reserve(text.size());
    bool literal = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t special = NextSpecial(text, i);
        result.text.append(text.data() + i, special - i);
        i = special;
        if (i == text.size()) break;
        const char c = text[i];
        if (IsQuote(c)) {
            literal = !literal;
            result.text += c;
            ++i;
        } else if (literal) {  // a colon or question mark inside a literal is text
            result.text += c;
            ++i;
        } else if (c == '?') {
            result.strayQuestionMarks.push_back(i);
            result.text += c;
            ++i;
        } else if (i + 1 < text.size() && text[i + 1] == ':') {
            result.text += ':';
            i += 2;
        } else {
            std::size_t nameEnd = i + 1;
            while (nameEnd < text.size() && !EndsMarkerName(text[nameEnd])) ++nameEnd;
            result.names.emplace_back(text.substr(i + 1, nameEnd - i - 1));
            result.at.push_back(i);
            result.text += '?';
            i = nameEnd;
        }
    }
    return result;
}

std::vector<std::optional<std::int32_t>> BindByName(std::span<const std::string> markerNames,
                                                    std::span<const IntParameter> parameters) {
    std::vector<std::optional<std::int32_t>> values;
    values.reserve(markerNames.size());
    for (const std::string& name : markerNames) {
        std::optional<std::int32_t> value;
        for (const IntParameter& parameter : parameters) {
            if (base::EqualsIgnoreCase(parameter.name, name)) {
                value = parameter.value;
                break;
            }
        }
        values.push_back(value);
    }
    return values;
}

PreparedText PrepareText(std::string_view text, WidenFunction widen) {
    if (text.empty()) throw DatabaseError("Command text was not set");
    // Scripts seldom hold a colon outside their literals: then the text goes as it is.
    if (FirstChange(text) == std::string_view::npos) return PreparedText{widen(text), {}};
    MarkedText marked = ApplyParameterMarkers(text);
    return PreparedText{widen(marked.text), std::move(marked.names)};
}

}  // namespace prov
