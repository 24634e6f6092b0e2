#pragma once
// Image sizes read from encoded file headers, without decoding the image: PNG, JPEG, GIF, BMP
// and TIFF. Pictures use them when a file is loaded (the size is known before the graphics layer
// ever decodes the bytes) and in builds that have no graphics layer at all. Every reader takes
// the whole file and returns nothing for bytes that are not a well-formed header of its format.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ctl {

struct ImageSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

using ByteView = std::span<const std::uint8_t>;

std::optional<ImageSize> ReadPngSize(ByteView file);
std::optional<ImageSize> ReadJpegSize(ByteView file);  // first start-of-frame marker
std::optional<ImageSize> ReadGifSize(ByteView file);   // logical screen size
std::optional<ImageSize> ReadBmpSize(ByteView file);   // core and info headers; top-down gives a positive height
std::optional<ImageSize> ReadTiffSize(ByteView file);  // first image file directory, either byte order

// Picks the reader by the file's signature (whatever the file was called).
std::optional<ImageSize> ReadImageSize(ByteView file);

// The size a picture loaded from a file takes: the reader is chosen by the file name's
// extension, compared without regard to case (".JPG"/".JPEG", ".PNG", ".BMP", ".TIF"/".TIFF",
// ".GIF"). Any other extension, or a header the reader does not understand, gives 0 x 0.
ImageSize ImageSizeByExtension(ByteView file, std::string_view fileName);

}  // namespace ctl
