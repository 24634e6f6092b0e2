#include "framework/PngPixels.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace fw {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kChannels = 4;

std::uint32_t BigEndian(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Chunks that say nothing about the pixels' values.
bool Harmless(std::string_view type) {
    for (std::string_view known : {"tEXt", "zTXt", "iTXt", "tIME", "pHYs"}) {
        if (type == known) return true;
    }
    return false;
}

std::uint8_t Paeth(int left, int up, int upLeft) {
    const int p = left + up - upLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(pb <= pc ? up : upLeft);
}

// Undoes each row's filter in place; false for an unknown filter type.
bool Unfilter(std::vector<std::uint8_t>& rows, int width, int height) {
    const std::size_t stride = static_cast<std::size_t>(width) * kChannels;
    const std::uint8_t* previous = nullptr;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + y * (stride + 1);
        const std::uint8_t filter = row[0];
        std::uint8_t* line = row + 1;
        for (std::size_t i = 0; i < stride; ++i) {
            const int left = i >= kChannels ? line[i - kChannels] : 0;
            const int up = previous ? previous[i] : 0;
            const int upLeft = previous && i >= kChannels ? previous[i - kChannels] : 0;
            switch (filter) {
            case 0: break;
            case 1: line[i] = static_cast<std::uint8_t>(line[i] + left); break;
            case 2: line[i] = static_cast<std::uint8_t>(line[i] + up); break;
            case 3: line[i] = static_cast<std::uint8_t>(line[i] + (left + up) / 2); break;
            case 4: line[i] = static_cast<std::uint8_t>(line[i] + Paeth(left, up, upLeft)); break;
            default: return false;
            }
        }
        previous = line;
    }
    return true;
}

// The whole zlib stream into exactly `size` bytes: a shorter or longer stream is refused.
bool Inflate(const std::vector<std::uint8_t>& compressed, std::vector<std::uint8_t>& out, std::size_t size) {
    out.resize(size);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(size);
    const int result = inflate(&stream, Z_FINISH);
    const bool whole = result == Z_STREAM_END && stream.avail_out == 0;
    inflateEnd(&stream);
    return whole;
}

}  // namespace

std::optional<PngPixels> ReadPlainPng(std::span<const std::uint8_t> file) {
    if (file.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), file.begin())) {
        return std::nullopt;
    }
    PngPixels picture;
    std::vector<std::uint8_t> compressed;
    bool header = false, dataBegun = false, dataEnded = false;
    std::size_t at = kSignature.size();
    while (true) {
        if (file.size() - at < 12) return std::nullopt;  // length, type and CRC at least
        const std::uint32_t length = BigEndian(&file[at]);
        if (length > file.size() - at - 12) return std::nullopt;
        const std::uint8_t* typeAndData = &file[at + 4];
        const std::string_view type(reinterpret_cast<const char*>(typeAndData), 4);
        const std::uint8_t* data = typeAndData + 4;
        if (crc32(0, typeAndData, length + 4) != BigEndian(data + length)) return std::nullopt;
        at += 12 + std::size_t{length};

        if (!header) {
            if (type != "IHDR" || length != 13) return std::nullopt;
            picture.width = static_cast<int>(std::min<std::uint32_t>(BigEndian(data), 0x7FFFFFFF));
            picture.height = static_cast<int>(std::min<std::uint32_t>(BigEndian(data + 4), 0x7FFFFFFF));
            const bool plain = data[8] == 8 && data[9] == 6 && data[10] == 0 && data[11] == 0 && data[12] == 0;
            const std::int64_t pixels = std::int64_t{picture.width} * picture.height;
            if (!plain || pixels == 0 || pixels > kMaxPlainPngPixels) return std::nullopt;
            header = true;
        } else if (type == "IDAT") {
            if (dataEnded) return std::nullopt;  // the data chunks come one after another, empty ones too
            dataBegun = true;
            compressed.insert(compressed.end(), data, data + length);
        } else if (type == "IEND") {
            if (length != 0) return std::nullopt;  // the end chunk is empty
            break;
        } else if (Harmless(type)) {
            dataEnded = dataBegun;
        } else {
            return std::nullopt;
        }
    }
    if (compressed.empty()) return std::nullopt;

    const std::size_t stride = static_cast<std::size_t>(picture.width) * kChannels;
    std::vector<std::uint8_t> rows;
    if (!Inflate(compressed, rows, (stride + 1) * static_cast<std::size_t>(picture.height))) return std::nullopt;
    if (!Unfilter(rows, picture.width, picture.height)) return std::nullopt;

    picture.argb.resize(static_cast<std::size_t>(picture.width) * picture.height);
    std::uint32_t* out = picture.argb.data();
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* p = rows.data() + y * (stride + 1) + 1;
        for (int x = 0; x < picture.width; ++x, p += kChannels) {
            *out++ = std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
        }
    }
    return picture;
}

}  // namespace fw
