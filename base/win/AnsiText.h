#pragma once
// The program's single-byte text (the running system's ANSI code page) to and from the platform's
// UTF-16, by the platform's own calls. One rule for what does not convert, everywhere: a byte the
// code page leaves undefined becomes its default character, and a character the code page lacks
// its best fit or '?', as the platform's own ANSI calls do; a text too long for the platform's
// calls (2 GB or more) throws std::length_error.

#include <string>
#include <string_view>

namespace base {

std::wstring Widen(std::string_view ansi);
std::string Narrow(std::wstring_view wide);

// The same pair for portable code's UTF-16 strings (wchar_t is UTF-16 on Windows).
std::u16string WidenToUtf16(std::string_view ansi);
std::string Narrow(std::u16string_view wide);

}  // namespace base
