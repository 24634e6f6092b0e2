#pragma once
// What the description's reader and writer share (framework/Description.h): the limits, the
// characters of names, hexadecimal bytes, and how a text is quoted in a message. Internal to the
// description's files.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace fw::description {

constexpr int kMaxDepth = 64;  // objects nest at most this deep
constexpr std::int64_t kMinInteger = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMaxInteger = std::numeric_limits<std::uint32_t>::max();

inline bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
inline bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline bool IsName(std::string_view text) {
    if (text.empty() || !IsNameStart(text[0])) return false;
    for (char c : text) {
        if (!IsNameChar(c)) return false;
    }
    return true;
}

inline std::string HexByte(unsigned char byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

inline std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            out += "\\x" + HexByte(byte);
        } else {
            out += c;
        }
    }
    return out + "'";
}
}  // namespace fw::description
