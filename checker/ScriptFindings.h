#pragma once
// What a script file holds that the wizard's run would trip over. The file is read exactly as the
// wizard reads it (ScriptCommandText: lines, the zero byte that ends the text) and its markers
// found by the wizard's own rule (ApplyParameterMarkers, which knows quotes but not comments).
// Each finding names the file and the line (lines as the wizard counts them, from 1):
//   FALHA: an empty text; a byte-order mark (UTF-8 or UTF-16); a zero byte (the text ends there);
//          a GO line (the batch separator of the server's tools, with a count or a comment
//          after it or not: the wizard sends the file as one batch); a colon that becomes a parameter marker; a '?' outside quotes;
//   AVISO: valid UTF-8 sequences outside ASCII (the wizard reads the ANSI code page: accents
//          would be stored wrong).
// Of each kind the first few are named and the rest counted. No finding gives one OK line.
// Linear in the size of the file.

#include <string_view>
#include <vector>

#include "checker/Report.h"

namespace checker {

std::vector<Finding> CheckScript(std::string_view fileName, std::string_view fileBytes);

}  // namespace checker
