#pragma once
// The gradient fill on GDI+: a Canvas over a GDI+ graphics object. Every path, brush and pen is
// made on the stack for the one call that needs it and freed before the call returns; status
// codes of individual GDI+ calls are ignored (a zero-size arc, say, adds nothing).

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "controls/GDIPFill.h"
#include "controls/GDIPFillCanvas.h"

namespace ctl::win {

// The pixels under a canvas's graphics object when they are the caller's own memory, premultiplied
// 32-bit ARGB one row after the other (`width` pixels each), and still all zero: nothing drawn on
// them yet.
struct BlankPixels {
    std::uint32_t* pixels = nullptr;
    int width = 0, height = 0;
};

class GdiplusCanvas : public Canvas {
public:
    explicit GdiplusCanvas(Gdiplus::Graphics& graphics, std::optional<BlankPixels> blank = std::nullopt)
        : graphics_(graphics), blank_(blank) {}
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
    // A fill on the blank pixels (the first fill takes them from the canvas) whose columns come out
    // alike, a vertical gradient over an upright rectangle: GDI+ paints the edges and the column
    // next to the left one, which is copied to the others. GDI+ takes some 35 ns a pixel for a
    // gradient under Wine, 13 ms for the wizard's panel at 144 DPI. False when the fill does not
    // qualify (nothing is drawn).
    bool FillByColumn(const std::optional<BlankPixels>& blank, const RectF& bounds, const Brush& brush,
                      const std::function<void(Gdiplus::Graphics&)>& fill);

    // The font of the last text call, kept for the next one (a caption is measured, then drawn);
    // it goes with the canvas, at the end of the paint.
    Gdiplus::Font* FontFor(const TextFont& font);

    Gdiplus::Graphics& graphics_;
    std::optional<BlankPixels> blank_;  // until the first drawing
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
