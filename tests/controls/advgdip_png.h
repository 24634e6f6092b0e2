#pragma once
// Builds small, valid PNG files in memory (stored deflate blocks, real CRCs), so that tests carry
// no binary fixtures: 8-bit RGBA, one colour per pixel from a callback.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace testpng {

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void PutBe(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

inline void Chunk(std::vector<std::uint8_t>& out, std::string_view type, const std::vector<std::uint8_t>& data) {
    PutBe(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBe(out, Crc32(body.data(), body.size()));
}

// rgba(x, y) returns 0xAARRGGBB.
inline std::vector<std::uint8_t> Make(int width, int height, const std::function<std::uint32_t(int, int)>& argb) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < width; ++x) {
            std::uint32_t c = argb(x, y);
            raw.push_back(static_cast<std::uint8_t>(c >> 16));
            raw.push_back(static_cast<std::uint8_t>(c >> 8));
            raw.push_back(static_cast<std::uint8_t>(c));
            raw.push_back(static_cast<std::uint8_t>(c >> 24));
        }
    }
    std::vector<std::uint8_t> z = {0x78, 0x01};
    std::size_t at = 0;
    do {  // stored blocks of at most 65535 bytes
        std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBe(z, (b << 16) | a);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> ihdr;
    PutBe(ihdr, static_cast<std::uint32_t>(width));
    PutBe(ihdr, static_cast<std::uint32_t>(height));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

inline std::vector<std::uint8_t> Solid(int width, int height, std::uint32_t argb) {
    return Make(width, height, [argb](int, int) { return argb; });
}

}  // namespace testpng
