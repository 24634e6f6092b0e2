#include "controls/AdvGDIPImageHeader.h"

#include <cstdlib>
#include <string>

#include "base/Text.h"

namespace ctl {
namespace {

// Bounds-checked readers: nullopt past the end, so a truncated header is simply "not understood".
std::optional<std::uint32_t> Be(ByteView b, std::size_t at, int bytes) {
    if (at + bytes > b.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | b[at + i];
    return v;
}

std::optional<std::uint32_t> Le(ByteView b, std::size_t at, int bytes) {
    if (at + bytes > b.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

bool StartsWith(ByteView b, std::string_view magic) {
    if (b.size() < magic.size()) return false;
    for (std::size_t i = 0; i < magic.size(); ++i) {
        if (b[i] != static_cast<std::uint8_t>(magic[i])) return false;
    }
    return true;
}

std::optional<ImageSize> Positive(std::int64_t w, std::int64_t h) {
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return std::nullopt;
    return ImageSize{static_cast<int>(w), static_cast<int>(h)};
}

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};

}  // namespace

std::optional<ImageSize> ReadPngSize(ByteView file) {
    // Signature, then the IHDR chunk: length, type, width, height (big-endian).
    if (!StartsWith(file, kPngSignature) || file.size() < 24) return std::nullopt;
    if (file[12] != 'I' || file[13] != 'H' || file[14] != 'D' || file[15] != 'R') return std::nullopt;
    return Positive(*Be(file, 16, 4), *Be(file, 20, 4));
}

std::optional<ImageSize> ReadJpegSize(ByteView file) {
    if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    while (at + 1 < file.size()) {
        if (file[at] != 0xFF) return std::nullopt;  // lost sync: not a marker stream
        std::uint8_t marker = file[at + 1];
        if (marker == 0xFF) {  // fill byte before a marker
            ++at;
            continue;
        }
        at += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // markers without a length
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;            // image data before any frame
        auto length = Be(file, at, 2);
        if (!length || *length < 2) return std::nullopt;
        bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            auto height = Be(file, at + 3, 2);
            auto width = Be(file, at + 5, 2);
            if (!height || !width) return std::nullopt;
            return Positive(*width, *height);
        }
        at += *length;
    }
    return std::nullopt;
}

std::optional<ImageSize> ReadGifSize(ByteView file) {
    if (!StartsWith(file, "GIF87a") && !StartsWith(file, "GIF89a")) return std::nullopt;
    auto w = Le(file, 6, 2);
    auto h = Le(file, 8, 2);
    if (!w || !h) return std::nullopt;
    return Positive(*w, *h);
}

std::optional<ImageSize> ReadBmpSize(ByteView file) {
    if (!StartsWith(file, "BM")) return std::nullopt;
    auto headerSize = Le(file, 14, 4);
    if (!headerSize) return std::nullopt;
    if (*headerSize == 12) {  // core header: 16-bit unsigned sizes
        auto w = Le(file, 18, 2);
        auto h = Le(file, 20, 2);
        if (!w || !h) return std::nullopt;
        return Positive(*w, *h);
    }
    if (*headerSize < 40) return std::nullopt;
    auto w = Le(file, 18, 4);
    auto h = Le(file, 22, 4);
    if (!w || !h) return std::nullopt;
    std::int64_t height = static_cast<std::int32_t>(*h);
    return Positive(static_cast<std::int32_t>(*w), std::llabs(height));  // negative height: top-down rows
}

std::optional<ImageSize> ReadTiffSize(ByteView file) {
    bool little;
    if (StartsWith(file, std::string_view{"II*\0", 4})) {
        little = true;
    } else if (StartsWith(file, std::string_view{"MM\0*", 4})) {
        little = false;
    } else {
        return std::nullopt;
    }
    auto read = [&](std::size_t at, int bytes) { return little ? Le(file, at, bytes) : Be(file, at, bytes); };
    auto ifd = read(4, 4);
    if (!ifd) return std::nullopt;
    auto count = read(*ifd, 2);
    if (!count) return std::nullopt;
    std::optional<std::uint32_t> width, height;
    for (std::uint32_t i = 0; i < *count; ++i) {
        std::size_t entry = *ifd + 2 + std::size_t{i} * 12;
        auto tag = read(entry, 2);
        auto type = read(entry + 2, 2);
        if (!tag || !type) return std::nullopt;
        if (*tag != 256 && *tag != 257) continue;
        std::optional<std::uint32_t> value;
        if (*type == 3) value = read(entry + 8, 2);       // SHORT, left-justified in the value field
        else if (*type == 4) value = read(entry + 8, 4);  // LONG
        if (!value) return std::nullopt;
        (*tag == 256 ? width : height) = value;
    }
    if (!width || !height) return std::nullopt;
    return Positive(*width, *height);
}

std::optional<ImageSize> ReadImageSize(ByteView file) {
    if (auto s = ReadPngSize(file)) return s;
    if (auto s = ReadJpegSize(file)) return s;
    if (auto s = ReadGifSize(file)) return s;
    if (auto s = ReadBmpSize(file)) return s;
    return ReadTiffSize(file);
}

ImageSize ImageSizeByExtension(ByteView file, std::string_view fileName) {
    auto dot = fileName.find_last_of('.');
    auto slash = fileName.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    std::string ext = base::ToLowerAscii(fileName.substr(dot));
    std::optional<ImageSize> size;
    if (ext == ".jpg" || ext == ".jpeg") size = ReadJpegSize(file);
    else if (ext == ".png") size = ReadPngSize(file);
    else if (ext == ".bmp") size = ReadBmpSize(file);
    else if (ext == ".tif" || ext == ".tiff") size = ReadTiffSize(file);
    else if (ext == ".gif") size = ReadGifSize(file);
    return size.value_or(ImageSize{});
}

}  // namespace ctl
