#pragma once
// Where VerificaBD's report goes decides its encoding: a console gets UTF-16 through the wide
// console call (accents right whatever the console's code page); a pipe or a file gets UTF-8, so
// that the report can be pasted into a message to support. Lines end in CR LF in both.

#include <string>
#include <string_view>

namespace checker {

enum class Sink { Console, PipeOrFile };

// The bytes to write for Windows-1252 text: UTF-16LE for the console, UTF-8 otherwise.
std::string OutputBytes(std::string_view cp1252Text, Sink sink);

// Text the system gives in UTF-16 (an error log's lines, a provider's messages), for the report:
// a character Windows-1252 lacks becomes '?'.
std::string ReportText(std::u16string_view text);

}  // namespace checker
