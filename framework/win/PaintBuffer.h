#pragma once
// The double buffer of one paint. The windows' paints share one bitmap, kept and grown to the
// largest window painted, rather than each taking fresh memory (under Wine each fresh page costs a
// fault on first touch, and a window's first paint touched a whole window of them). Each paint
// gets the bitmap as a new one would be: black, its DC in its first state, clipped to the window.
// A paint within a paint gets a bitmap of its own. The windows' thread only.

#include <windows.h>

#include <memory>

#include "framework/win/Gdi.h"

namespace fw {

class PaintBuffer {
public:
    PaintBuffer(HDC compatibleWith, int width, int height);
    ~PaintBuffer();
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

    HDC Dc() const { return bitmap_->Dc(); }

private:
    static std::unique_ptr<OffscreenBitmap>& Kept();
    static inline bool inUse_ = false;
    std::unique_ptr<OffscreenBitmap> own_;
    OffscreenBitmap* bitmap_ = nullptr;
    int saved_ = 0;
};

}  // namespace fw
