#pragma once
// Texts of the wizard are single-byte ANSI code-page text. Where they leave the program as UTF-16
// (to the driver, into the data link file) they are widened by a function of this type. Portable
// code defaults to the Windows-1252 table (base::Cp1252ToUtf16); the Win32 layer passes the running
// system's ANSI code page (base::WidenToUtf16, base/win/AnsiText.h), so that what the data link
// file holds is exactly what the wizard connected with.

#include <string>
#include <string_view>

#include "base/Text.h"

namespace prov {

using WidenFunction = std::u16string (*)(std::string_view);

}  // namespace prov
