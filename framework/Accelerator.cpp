#include "framework/Accelerator.h"

#include "base/Text.h"

namespace fw {

namespace {

// The case pairs of Windows-1252 outside ASCII and Latin-1's own block: Š š, Œ œ, Ž ž, Ÿ ÿ.
struct CasePair {
    char16_t upper, lower;
};
constexpr CasePair kOtherPairs[] = {{0x0160, 0x0161}, {0x0152, 0x0153}, {0x017D, 0x017E}, {0x0178, 0x00FF}};

char16_t UpperCase1252(char16_t ch) {
    if (ch >= u'a' && ch <= u'z') return static_cast<char16_t>(ch - 0x20);
    if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7) return static_cast<char16_t>(ch - 0x20);  // à..þ, not ÷
    for (const CasePair& pair : kOtherPairs)
        if (ch == pair.lower) return pair.upper;
    return ch;
}

}  // namespace

char16_t LowerCase1252(char16_t ch) {
    if (ch >= u'A' && ch <= u'Z') return static_cast<char16_t>(ch + 0x20);
    if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) return static_cast<char16_t>(ch + 0x20);  // À..Þ, not ×
    for (const CasePair& pair : kOtherPairs)
        if (ch == pair.upper) return pair.lower;
    return ch;
}

std::optional<char16_t> AcceleratorOf(std::string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {  // a literal "&"
            ++i;
            continue;
        }
        return base::Cp1252ToUnit(static_cast<unsigned char>(caption[i + 1]));
    }
    return std::nullopt;
}

bool IsAccelerator(std::string_view caption, char16_t typed) {
    const std::optional<char16_t> letter = AcceleratorOf(caption);
    return letter && UpperCase1252(*letter) == UpperCase1252(typed);
}

}  // namespace fw
