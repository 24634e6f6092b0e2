#include "framework/win/PaintBuffer.h"

#include <algorithm>

namespace fw {

PaintBuffer::PaintBuffer(HDC compatibleWith, int width, int height) {
    std::unique_ptr<OffscreenBitmap>& kept = Kept();
    if (inUse_) {
        own_ = std::make_unique<OffscreenBitmap>(compatibleWith, width, height);
        bitmap_ = own_.get();
        return;
    }
    if (!kept || kept->Width() < width || kept->Height() < height) {
        const int keptWidth = kept ? kept->Width() : 0, keptHeight = kept ? kept->Height() : 0;
        kept.reset();
        kept = std::make_unique<OffscreenBitmap>(compatibleWith, std::max(width, keptWidth), std::max(height, keptHeight));
    } else {
        ::GdiFlush();
        for (int y = 0; y < height; ++y) std::fill_n(kept->Pixels() + y * kept->Width(), width, 0u);
    }
    bitmap_ = kept.get();
    inUse_ = true;
    saved_ = ::SaveDC(bitmap_->Dc());
    ::IntersectClipRect(bitmap_->Dc(), 0, 0, width, height);
}

PaintBuffer::~PaintBuffer() {
    if (own_) return;
    ::RestoreDC(bitmap_->Dc(), saved_);
    inUse_ = false;
}

std::unique_ptr<OffscreenBitmap>& PaintBuffer::Kept() {
    static std::unique_ptr<OffscreenBitmap> kept;
    return kept;
}

}  // namespace fw
