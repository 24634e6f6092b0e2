#pragma once
// The script files (DBScript.inf, DBDefault.inf, DBDemo.inf) are single-byte T-SQL, each run as
// one batch. Their bytes become the command text by this rule:
// - CR LF ends a line; any other CR or LF ends a line by itself;
// - a zero byte ends the text: the rest of the file is ignored;
// - a last line without a line end still counts as a line;
// - the lines are joined again, each followed by CR LF.
// No byte-order mark is recognised. An empty file (or one whose first byte is zero) gives an empty
// text, which the connection refuses to execute. Linear in the size of the file.

#include <string>
#include <string_view>

namespace prov {

std::string ScriptCommandText(std::string_view fileBytes);

// The script files, by their names in the wizard's folder.
inline constexpr std::string_view kSchemaScript = "DBScript.inf";
inline constexpr std::string_view kDefaultDataScript = "DBDefault.inf";
inline constexpr std::string_view kDemoDataScript = "DBDemo.inf";

}  // namespace prov
