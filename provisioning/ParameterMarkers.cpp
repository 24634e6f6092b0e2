#include "provisioning/ParameterMarkers.h"


#include "framework/Text.h"

namespace prov {
namespace {

bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`'; }

bool EndsMarkerName(char c) {
    return c == ' ' || c == ',' || c == ';' || c == ')' || c == '\r' || c == '\n';
}


std::size_t NextSpecial(std::string_view text, std::size_t from) {
    const char* p = text.data() + from;
    const char* end = text.data() + text.size();
    for (; p != end; ++p) {
        const char c = *p;
        if (c == ':' || c == '\'' || c == '"' || c == '`') break;
    }
    return static_cast<std::size_t>(p - text.data());
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
        } else if (literal) {  // a colon inside a literal is text
            result.text += c;
            ++i;
        } else if (i + 1 < text.size() && text[i + 1] == ':') {
            result.text += ':';
            i += 2;
        } else {
            std::size_t nameEnd = i + 1;
            while (nameEnd < text.size() && !EndsMarkerName(text[nameEnd])) ++nameEnd;
            result.names.emplace_back(text.substr(i + 1, nameEnd - i - 1));
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
            if (fw::EqualsIgnoreCase(parameter.name, name)) {
                value = parameter.value;
                break;
            }
        }
        values.push_back(value);
    }
    return values;
}

PreparedText PrepareText(std::string_view text, Widen widen) {
    if (text.empty()) throw DatabaseError("Command text was not set");
    MarkedText marked = ApplyParameterMarkers(text);
    return PreparedText{widen(marked.text), std::move(marked.names)};
}

}  // namespace prov
