#include "framework/win/Gdi.h"

#include <stdexcept>

namespace fw {

OffscreenBitmap::OffscreenBitmap(HDC compatibleWith, int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    bitmap_.Reset(::CreateDIBSection(compatibleWith, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc_.Reset(::CreateCompatibleDC(compatibleWith));
    if (!bitmap_ || !dc_) throw std::runtime_error("Out of system resources");
    pixels_ = static_cast<std::uint32_t*>(bits);
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
}

OffscreenBitmap::~OffscreenBitmap() {
    if (dc_) ::SelectObject(dc_.Get(), previous_);
}

void OffscreenBitmap::CopyTo(HDC target, int x, int y) const {
    ::BitBlt(target, x, y, width_, height_, dc_.Get(), 0, 0, SRCCOPY);
}

}  // namespace fw
