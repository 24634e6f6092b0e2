#pragma once
// Pictures on GDI+. The encoded bytes are handed to GDI+ through a COM stream on movable global
// memory; the stream lives exactly as long as the image decoded from it (GDI+ reads from the
// stream lazily), and both are released when the drawing operation ends: nothing is cached.
//
// Failures: running out of global memory throws std::runtime_error("Could not allocate memory for
// image"); bytes GDI+ cannot decode draw nothing and leave the picture's size as it was.

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <optional>

#include "controls/AdvGDIP.h"

namespace ctl::win {

// An image decoded from a picture's bytes, with the stream it reads from. Move-only.
class LoadedImage {
public:
    LoadedImage() = default;
    LoadedImage(LoadedImage&&) noexcept = default;
    LoadedImage& operator=(LoadedImage&& other) noexcept;
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;
    ~LoadedImage();

    // Null when there were no bytes or GDI+ could not decode them.
    Gdiplus::Image* Get() const { return image_.get(); }
    explicit operator bool() const { return image_ != nullptr; }

    // Decodes `bytes` (as a bitmap when asBitmap, so that pixels can be read).
    static LoadedImage FromBytes(ByteView bytes, bool asBitmap = false);

private:
    struct StreamRelease {
        void operator()(IStream* s) const { s->Release(); }
    };
    std::unique_ptr<IStream, StreamRelease> stream_;  // declared first: released after the image
    std::unique_ptr<Gdiplus::Image> image_;
};

// The image of a picture's bytes; empty pictures give no image.
LoadedImage LoadPicture(const TEncodedPicture& picture, bool asBitmap = false);

// GDI+ image formats, numbered in the order they are compared: undefined 1, in-memory bitmap 2,
// BMP 3, EMF 4, WMF 5, JPEG 6, PNG 7, GIF 8, TIFF 9, icon 10; anything else 0.
int RawFormatNumber(Gdiplus::Image& image);
inline constexpr int kMemoryBitmapFormat = 2;

// A SizeDecoder that decodes through GDI+.
std::optional<ImageSize> GdiplusImageSize(ByteView bytes);
// Decode: refreshes the picture's size by decoding its bytes with GDI+.
void DecodePicture(TEncodedPicture& picture);

// Draws the picture scaled into (left, top, right - left, bottom - top) with the graphics' own
// interpolation, or, with `smooth`, resampled with high-quality bicubic interpolation where the
// sizes differ (a picture of a window scaled to its screen's DPI); an in-memory bitmap of a
// transparent picture is drawn at its own size at (left, top), its colour key (the bottom-left
// pixel's colour, or the fixed transparent colour) left out. Stores the decoded size.
void DrawToGraphics(TAdvGDIPPicture& picture, Gdiplus::Graphics& graphics, const RECT& rect, bool smooth = false);
// Fill with the picture as a tiled texture; nothing for an empty picture.
void FillPathWithTexture(const TEncodedPicture& picture, Gdiplus::Graphics& graphics, const Gdiplus::GraphicsPath& path);
void FillRectWithTexture(const TEncodedPicture& picture, Gdiplus::Graphics& graphics, const Gdiplus::RectF& rect);

// The framework's drawing entry: the picture scaled into `rect` on a device context (resampled
// with high-quality bicubic interpolation when the sizes differ); an in-memory
// bitmap at its own size at the rectangle's top-left, its bottom-left pixel's colour transparent.
void Draw(TEncodedPicture& picture, HDC dc, const RECT& rect);

}  // namespace ctl::win
