#pragma once
// The gradient fill on GDI+: a Canvas over a GDI+ graphics object. Every path, brush and pen is
// made on the stack for the one call that needs it and freed before the call returns; status
// codes of individual GDI+ calls are ignored (a zero-size arc, say, adds nothing).

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <functional>
#include <memory>

#include "controls/GDIPFill.h"
#include "controls/GDIPFillCanvas.h"

namespace ctl::win {

class GdiplusCanvas : public Canvas {
public:
    explicit GdiplusCanvas(Gdiplus::Graphics& graphics) : graphics_(graphics) {}
    Gdiplus::Graphics& Graphics() const { return graphics_; }

    void FillPath(const Path& path, const Brush& brush) override;
    void FillRect(const RectF& rect, const Brush& brush) override;
    void DrawPath(const Path& path, const Pen& pen) override;
    void DrawRect(const RectF& rect, const Pen& pen) override;
    void DrawLine(PointF from, PointF to, const Pen& pen) override;
    void SetClip(const Path& path) override;
    void SetClip(const RectF& rect) override;
    void ResetClip() override;
    SmoothingMode Smoothing() const override;
    void SetSmoothing(SmoothingMode mode) override;
    RectF MeasureString(std::string_view text, const TextFont& font, const RectF& box,
                        const TextFormat& format) override;
    void DrawString(std::string_view text, const TextFont& font, const RectF& box, const TextFormat& format,
                    const Brush& brush) override;
    void DecodePicture(TEncodedPicture& picture) override;
    void DrawPicture(TAdvGDIPPicture& picture, const RectL& target) override;

private:
    // The font of the last text call, kept for the next one (a caption is measured, then drawn);
    // it goes with the canvas, at the end of the paint.
    Gdiplus::Font* FontFor(const TextFont& font);

    Gdiplus::Graphics& graphics_;
    TextFont fontFor_;
    std::unique_ptr<Gdiplus::Font> font_;
};

// Makes the GDI+ brush of `brush` for one use (a texture whose picture cannot be decoded gives
// none, and `use` is not called).
void WithGdiplusBrush(const Brush& brush, const std::function<void(Gdiplus::Brush&)>& use);

// Adds the figure to a GDI+ path and closes it.
void AddPath(Gdiplus::GraphicsPath& out, const Path& path);

// TGDIPFill::Fill on a GDI+ graphics object (null: nothing is drawn).
RectF Fill(TGDIPFill& fill, Gdiplus::Graphics* graphics, RectF rect, std::uint8_t borderOpacity = 255,
           std::uint8_t opacity = 255, std::uint8_t opacityTo = 255, std::uint8_t mirrorOpacity = 255,
           std::uint8_t mirrorOpacityTo = 255);

}  // namespace ctl::win
