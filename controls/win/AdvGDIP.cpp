#include "controls/win/AdvGDIP.h"

#include <stdexcept>

#include "framework/Colour.h"

namespace ctl::win {

LoadedImage::~LoadedImage() { image_.reset(); }  // the image before the stream it reads

LoadedImage& LoadedImage::operator=(LoadedImage&& other) noexcept {
    if (this != &other) {
        image_.reset();
        stream_ = std::move(other.stream_);
        image_ = std::move(other.image_);
    }
    return *this;
}

LoadedImage LoadedImage::FromBytes(ByteView bytes, bool asBitmap) {
    LoadedImage result;
    if (bytes.empty()) return result;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (memory == nullptr) throw std::runtime_error("Could not allocate memory for image");
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {  // the stream frees the block
        ::GlobalFree(memory);
        throw std::runtime_error("Could not allocate memory for image");
    }
    result.stream_.reset(stream);
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    std::unique_ptr<Gdiplus::Image> image(asBitmap ? Gdiplus::Bitmap::FromStream(stream)
                                                   : Gdiplus::Image::FromStream(stream));
    if (image && image->GetLastStatus() == Gdiplus::Ok) result.image_ = std::move(image);
    return result;
}

LoadedImage LoadPicture(const TEncodedPicture& picture, bool asBitmap) {
    if (!picture.HasBytes()) return {};
    return LoadedImage::FromBytes(picture.Data(), asBitmap);
}

// mingw's import libraries lack this one identifier; its value is fixed by the platform.
constexpr GUID kImageFormatUndefined = {0xb96b3ca9, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

int RawFormatNumber(Gdiplus::Image& image) {
    GUID format{};
    if (image.GetRawFormat(&format) != Gdiplus::Ok) return 0;
    const GUID* formats[] = {&kImageFormatUndefined, &Gdiplus::ImageFormatMemoryBMP, &Gdiplus::ImageFormatBMP,
                             &Gdiplus::ImageFormatEMF,       &Gdiplus::ImageFormatWMF,       &Gdiplus::ImageFormatJPEG,
                             &Gdiplus::ImageFormatPNG,       &Gdiplus::ImageFormatGIF,       &Gdiplus::ImageFormatTIFF,
                             &Gdiplus::ImageFormatIcon};
    for (int i = 0; i < 10; ++i) {
        if (IsEqualGUID(format, *formats[i])) return i + 1;
    }
    return 0;
}

std::optional<ImageSize> GdiplusImageSize(ByteView bytes) {
    LoadedImage image = LoadedImage::FromBytes(bytes);
    if (!image) return std::nullopt;
    return ImageSize{static_cast<int>(image.Get()->GetWidth()), static_cast<int>(image.Get()->GetHeight())};
}

void DecodePicture(TEncodedPicture& picture) { picture.DecodeWith(&GdiplusImageSize); }

namespace {

ImageSize SizeOf(Gdiplus::Image& image) {
    return {static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight())};
}

// Draws a bitmap at its own size with one colour left out.
void DrawKeyed(Gdiplus::Graphics& graphics, Gdiplus::Image& image, int left, int top, Gdiplus::Color key) {
    Gdiplus::ImageAttributes attributes;
    attributes.SetColorKey(key, key);
    const INT w = static_cast<INT>(image.GetWidth()), h = static_cast<INT>(image.GetHeight());
    graphics.DrawImage(&image, Gdiplus::Rect(left, top, w, h), 0, 0, w, h, Gdiplus::UnitPixel, &attributes);
}

Gdiplus::Color BottomLeftPixel(Gdiplus::Image& image) {
    Gdiplus::Color pixel;
    static_cast<Gdiplus::Bitmap&>(image).GetPixel(0, static_cast<INT>(image.GetHeight()) - 1, &pixel);
    return Gdiplus::Color(255, pixel.GetR(), pixel.GetG(), pixel.GetB());
}

// Draws an image into a rectangle; with `smooth`, one of another size than the image's (a picture
// of a window scaled to its screen's DPI) is resampled with high-quality bicubic interpolation.
void DrawSized(Gdiplus::Graphics& graphics, Gdiplus::Image& image, const RECT& rect, bool smooth) {
    const INT w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (!smooth || (w == static_cast<INT>(image.GetWidth()) && h == static_cast<INT>(image.GetHeight()))) {
        graphics.DrawImage(&image, Gdiplus::Rect(rect.left, rect.top, w, h));
        return;
    }
    const Gdiplus::GraphicsState state = graphics.Save();
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.DrawImage(&image, Gdiplus::Rect(rect.left, rect.top, w, h));
    graphics.Restore(state);
}

}  // namespace

void DrawToGraphics(TAdvGDIPPicture& picture, Gdiplus::Graphics& graphics, const RECT& rect, bool smooth) {
    LoadedImage image = LoadPicture(picture);
    if (!image) return;
    picture.SetDecodedSize(SizeOf(*image.Get()));
    if (RawFormatNumber(*image.Get()) == kMemoryBitmapFormat && picture.Transparent()) {
        Gdiplus::Color key;
        if (picture.TransparentMode() == TTransparentMode::tmFixed) {
            key = Gdiplus::Color(fw::ToArgb(255, picture.TransparentColor()));
        } else {
            LoadedImage bitmap = LoadPicture(picture, true);
            if (!bitmap) return;
            key = BottomLeftPixel(*bitmap.Get());
        }
        DrawKeyed(graphics, *image.Get(), rect.left, rect.top, key);
        return;
    }
    DrawSized(graphics, *image.Get(), rect, smooth);
}

void FillPathWithTexture(const TEncodedPicture& picture, Gdiplus::Graphics& graphics,
                         const Gdiplus::GraphicsPath& path) {
    LoadedImage image = LoadPicture(picture);
    if (!image) return;
    Gdiplus::TextureBrush brush(image.Get(), Gdiplus::WrapModeTile);
    graphics.FillPath(&brush, &path);
}

void FillRectWithTexture(const TEncodedPicture& picture, Gdiplus::Graphics& graphics, const Gdiplus::RectF& rect) {
    LoadedImage image = LoadPicture(picture);
    if (!image) return;
    Gdiplus::TextureBrush brush(image.Get(), Gdiplus::WrapModeTile);
    graphics.FillRectangle(&brush, rect);
}

void Draw(TEncodedPicture& picture, HDC dc, const RECT& rect) {
    LoadedImage image = LoadPicture(picture);
    if (!image) return;
    Gdiplus::Graphics graphics(dc);
    if (RawFormatNumber(*image.Get()) == kMemoryBitmapFormat) {
        // A transparent bitmap in automatic mode: the bottom-left pixel's colour is left out.
        LoadedImage bitmap = LoadPicture(picture, true);
        if (!bitmap) return;
        DrawKeyed(graphics, *bitmap.Get(), rect.left, rect.top, BottomLeftPixel(*bitmap.Get()));
        return;
    }
    picture.SetDecodedSize(SizeOf(*image.Get()));
    DrawSized(graphics, *image.Get(), rect, true);
}

}  // namespace ctl::win
