#pragma once
// Move-only owners of GDI handles and scoped guards for device-context state.
// Owning and borrowing types are kept apart: a raw HDC/HFONT is a borrowed one.

#include <windows.h>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace fw {

// An owned handle released by Close(handle) unless it equals the invalid value.
template <typename Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, Invalid));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    void Reset(Handle handle = Invalid) {
        if (handle_ != Invalid) Close(handle_);
        handle_ = handle;
    }
    [[nodiscard]] Handle Release() { return std::exchange(handle_, Invalid); }

private:
    Handle handle_ = Invalid;
};

namespace detail {
template <typename T>
void DeleteGdiObject(T object) { ::DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { ::DeleteDC(dc); }
inline void CloseKernelHandle(HANDLE handle) { ::CloseHandle(handle); }
inline void DestroyIconHandle(HICON icon) { ::DestroyIcon(icon); }
}  // namespace detail

template <typename T>
using UniqueGdiObject = UniqueHandle<T, &detail::DeleteGdiObject<T>>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueRegion = UniqueGdiObject<HRGN>;
using UniqueMemoryDc = UniqueHandle<HDC, detail::DeleteMemoryDc>;
// (A file handle's invalid value, -1, cannot be a template argument: file owners test it themselves.)
using UniqueKernelHandle = UniqueHandle<HANDLE, detail::CloseKernelHandle>;
using UniqueIcon = UniqueHandle<HICON, detail::DestroyIconHandle>;

static_assert(!std::is_copy_constructible_v<UniqueBrush>);
static_assert(std::is_nothrow_move_constructible_v<UniqueBrush>);

// Selects an object into a DC and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelect() { ::SelectObject(dc_, previous_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// SaveDC/RestoreDC around a block.
class ScopedSaveDc {
public:
    explicit ScopedSaveDc(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~ScopedSaveDc() { ::RestoreDC(dc_, saved_); }
    ScopedSaveDc(const ScopedSaveDc&) = delete;
    ScopedSaveDc& operator=(const ScopedSaveDc&) = delete;

private:
    HDC dc_;
    int saved_;
};

// GetDC/ReleaseDC for a window (or the screen when hwnd is null).
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint/EndPaint; only valid inside WM_PAINT.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &paint_); }
    ~PaintDc() { ::EndPaint(hwnd_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC Get() const { return dc_; }
    const RECT& Dirty() const { return paint_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// The header of a 32-bit top-down DIB (rows from the top, one 0x00RRGGBB word per pixel).
inline BITMAPINFO TopDownBitmapInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// An off-screen 32-bit top-down DIB with its own memory DC, for double buffering.
class OffscreenBitmap {
public:
    OffscreenBitmap(HDC compatibleWith, int width, int height);
    HDC Dc() const { return dc_.Get(); }
    HBITMAP Bitmap() const { return bitmap_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Top-down BGRA pixels (alpha as GDI leaves it), Width() * Height() of them.
    const std::uint32_t* Pixels() const { return pixels_; }
    std::uint32_t* Pixels() { return pixels_; }
    void CopyTo(HDC target, int x, int y) const;

private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
    int width_;
    int height_;

public:
    ~OffscreenBitmap();
    OffscreenBitmap(const OffscreenBitmap&) = delete;
    OffscreenBitmap& operator=(const OffscreenBitmap&) = delete;
};

}  // namespace fw
