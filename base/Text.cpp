#include "base/Text.h"

#include <array>
#include <cstdint>

namespace base {
namespace {

// Bytes 80..9F of Windows-1252; the rest of the page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> UnitToCp1252(char32_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unit) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

char16_t Cp1252ToUnit(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

std::u16string Cp1252ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out += Cp1252ToUnit(static_cast<unsigned char>(c));
    return out;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) AppendUtf8(out, Cp1252ToUnit(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        std::size_t length = 0;
        if (lead < 0x80) {
            cp = lead, length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F, length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F, length = 3;
        } else {
            return std::nullopt;  // four-byte sequences lie outside Windows-1252 anyway
        }
        if (i + length > utf8.size()) return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
        }
        if ((length == 2 && cp < 0x80) || (length == 3 && cp < 0x800)) return std::nullopt;  // overlong
        const auto byte = UnitToCp1252(cp);
        if (!byte) return std::nullopt;
        out += *byte;
        i += length;
    }
    return out;
}

std::optional<std::string> Utf16ToCp1252(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) {
        const auto byte = UnitToCp1252(unit);
        if (!byte) return std::nullopt;
        out += *byte;
    }
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

}  // namespace base
