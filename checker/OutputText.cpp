#include "checker/OutputText.h"

#include "base/Text.h"

namespace checker {

std::string OutputBytes(std::string_view text, Sink sink) {
    std::string withCrLf;
    withCrLf.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) withCrLf += '\r';
        withCrLf += text[i];
    }
    if (sink == Sink::PipeOrFile) return base::Cp1252ToUtf8(withCrLf);
    const std::u16string wide = base::Cp1252ToUtf16(withCrLf);
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string ReportText(std::u16string_view text) {
    std::string out;
    for (char16_t unit : text) out += base::Utf16ToCp1252(std::u16string_view(&unit, 1)).value_or("?");
    return out;
}

}  // namespace checker
