#pragma once
// The parameter-marker rule shared by command texts and statements, applied before a text is
// handed to the driver:
// - an apostrophe, a double quote or a backquote toggles one quoted-literal state (any of the
//   three closes a literal that any of them opened);
// - outside a literal, "::" reaches the server as one ':';
// - outside a literal, any other ':' starts a marker whose name runs up to the next space, comma,
//   semicolon, ')', CR or LF (or the end of the text); the colon and the name become '?';
// - markers bind by position, in their order of appearance.
// The rule is linear in the length of the text.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "provisioning/WidenFunction.h"
#include "provisioning/Database.h"

namespace prov {

struct MarkedText {
    std::string text;                // the text with every marker replaced by '?'
    std::vector<std::string> names;  // one name per '?' marker, in order (a name may be empty)
    std::vector<std::size_t> at;     // where each marker's colon stands in the original text
    // Where a '?' of the original text stands outside a literal: the driver takes it for a marker
    // too, one that no name binds.
    std::vector<std::size_t> strayQuestionMarks;
};

MarkedText ApplyParameterMarkers(std::string_view text);

// The value bound to each marker: the first parameter whose name equals the marker's name
// (ASCII case-insensitive), or no value when none does (the parameter stays unassigned).
std::vector<std::optional<std::int32_t>> BindByName(std::span<const std::string> markerNames,
                                                    std::span<const IntParameter> parameters);

// What a driver sends for a command text: the marker rule applied, then widened to UTF-16 with
// `widen` (the running system's ANSI code page on Windows). Throws DatabaseError for an empty
// text, which is never sent.
struct PreparedText {
    std::u16string text;
    std::vector<std::string> names;
};
PreparedText PrepareText(std::string_view text, WidenFunction widen = base::Cp1252ToUtf16);

}  // namespace prov
