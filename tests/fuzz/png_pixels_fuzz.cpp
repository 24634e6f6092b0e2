// The window's reading of plain PNG files on arbitrary input, taken twice: as a file, and as the
// size and rows of a file made well-formed around them (right CRCs, a real zlib stream), so that
// the reading gets past its checks into the row filters. It never crashes or reads out of bounds,
// and a picture it returns has one word per pixel of the size its header gave.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "framework/PngPixels.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Check(const Bytes& file, std::int64_t width, std::int64_t height) {
    const auto picture = fw::ReadPlainPng(file);
    if (!picture) return;
    if (static_cast<std::int64_t>(picture->argb.size()) != std::int64_t{picture->width} * picture->height) std::abort();
    if (width >= 0 && (picture->width != width || picture->height != height)) std::abort();
}

void Chunk(Bytes& out, const std::string& type, const Bytes& data) {
    auto put = [&](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    put(static_cast<std::uint32_t>(data.size()));
    Bytes body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put(static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Check(Bytes(data, data + size), -1, -1);
    if (size < 3) return 0;
    const int width = data[0] % 16 + 1, height = data[1] % 16 + 1, flags = data[2];
    const Bytes rows(data + 3, data + size);
    uLongf length = compressBound(static_cast<uLong>(rows.size()));
    Bytes stream(length);
    if (compress(stream.data(), &length, rows.data(), static_cast<uLong>(rows.size())) != Z_OK) return 0;
    stream.resize(length);

    Bytes file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(file, "IHDR", {0, 0, 0, static_cast<std::uint8_t>(width), 0, 0, 0, static_cast<std::uint8_t>(height), 8, 6, 0, 0, 0});
    const std::size_t half = flags & 1 ? stream.size() / 2 : stream.size();
    Chunk(file, "IDAT", Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(half)));
    if (flags & 2) Chunk(file, "tEXt", {'a', 0, 'b'});
    if (half < stream.size()) Chunk(file, "IDAT", Bytes(stream.begin() + static_cast<std::ptrdiff_t>(half), stream.end()));
    Chunk(file, "IEND", {});
    Check(file, width, height);
    return 0;
}
