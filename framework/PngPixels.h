#pragma once
// The pixels of a PNG picture of the plainest kind, read without the platform's image codecs
// (under Wine, loading them is the largest single cost of the window's first paint).
//
// Read: 8 bits per channel, red-green-blue-alpha (colour type 6), not interlaced, every chunk's
// CRC right, and no chunk that could change a pixel's colour or meaning (only text, time and
// physical size may come along). Anything else gives nothing, and the caller decodes the picture
// the platform's way: for such files the platform's result and this one are the same values.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace fw {

struct PngPixels {
    int width = 0;
    int height = 0;
    // Rows from the top, one 0xAARRGGBB word per pixel, alpha not premultiplied.
    std::vector<std::uint32_t> argb;
};

// Pictures larger than this (in pixels) are left to the platform.
inline constexpr std::int64_t kMaxPlainPngPixels = std::int64_t{1} << 24;

std::optional<PngPixels> ReadPlainPng(std::span<const std::uint8_t> file);

}  // namespace fw
