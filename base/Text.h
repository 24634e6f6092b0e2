#pragma once
// Text conversions. Inside the program every text is single-byte Windows-1252 (the texts the user
// sees are Portuguese); files in the repository are UTF-8; the platform and the database layer
// take UTF-16. No Win32 here: Windows-1252 is converted by table. (The Win32 layer converts the
// running system's ANSI code page with the platform's own calls.)

#include <optional>
#include <string>
#include <string_view>

namespace base {

// The UTF-16 unit of one Windows-1252 byte. The five bytes that code page leaves undefined
// (81, 8D, 8F, 90, 9D) map to the C1 control of the same value, as the platform does.
char16_t Cp1252ToUnit(unsigned char byte);

std::u16string Cp1252ToUtf16(std::string_view text);
std::string Cp1252ToUtf8(std::string_view text);

// Empty optional when a character has no Windows-1252 byte (or the UTF-8 is malformed).
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);
std::optional<std::string> Utf16ToCp1252(std::u16string_view text);

// ASCII-only case folding, for names that are compared without regard to case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

}  // namespace base
