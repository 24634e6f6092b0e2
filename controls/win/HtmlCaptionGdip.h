#pragma once
// The HTML caption on GDI+: text measured and drawn with GDI+ fonts (a family GDI+ cannot find
// falls back to Arial), pictures from a picture container, images from an image list, and the
// shell's system icons. DrawHTML measures, draws or hit-tests a caption in one call.

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/HtmlCaption.h"
#include "controls/HtmlCaptionPaint.h"

namespace ctl {

class TGDIPPictureContainer;

// Measures with the graphics' MeasureString (default string format). Keeps the GDI+ font of the
// last description asked for; lives no longer than one drawing operation.
class GdipTextMeasurer : public TextMeasurer {
public:
    // Fonts at `dpi` (the design's points scaled from 96 DPI to it).
    explicit GdipTextMeasurer(Gdiplus::Graphics& graphics, int dpi = 96);
    ~GdipTextMeasurer() override;
    GdipTextMeasurer(const GdipTextMeasurer&) = delete;
    GdipTextMeasurer& operator=(const GdipTextMeasurer&) = delete;

    Extent Measure(std::string_view text, const HtmlFont& font, double layoutWidth,
                   double layoutHeight) const override;

private:
    Gdiplus::Graphics& graphics_;
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

// Image lists and the shell's icons as image sources of the layout.
class ImageListSource : public HtmlImageList {
public:
    explicit ImageListSource(HIMAGELIST list) : list_(list) {}
    int Count() const override;
    HtmlSize ImageSize() const override;

private:
    HIMAGELIST list_;
};

class ShellIconSource : public HtmlSystemIcons {
public:
    std::optional<HtmlSize> IconSize(bool large, std::string_view source) const override;
};

// A caption's image sources on GDI+: pictures by name from a picture container (decoded as GDI+
// draws them), "IDX:n" images from an image list (either may be absent), the shell's icons.
class GdipHtmlImages {
public:
    GdipHtmlImages(const TGDIPPictureContainer* pictures, HIMAGELIST images);
    GdipHtmlImages(const GdipHtmlImages&) = delete;
    GdipHtmlImages& operator=(const GdipHtmlImages&) = delete;
    const HtmlImages& Sources() const { return sources_; }

private:
    ContainerPictureSource pictures_;
    ImageListSource list_;
    ShellIconSource icons_;
    HtmlImages sources_;
};

// The canvas on a GDI+ graphics object. Pictures are drawn from `pictures`, list images from
// `images`, icons from the shell; colours are resolved (system colours included) and drawn
// opaquely. Underline and strike-out are lines of their own (the font draws neither). List
// bullets in the "Symbol" font are drawn (and measured) as the Unicode characters they stand for.
// Every GDI+ object but the current font lives for one call.
class GdipHtmlCanvas : public HtmlCanvas {
public:
    GdipHtmlCanvas(Gdiplus::Graphics& graphics, const TGDIPPictureContainer* pictures, HIMAGELIST images,
                   int dpi = 96);
    ~GdipHtmlCanvas() override;
    GdipHtmlCanvas(const GdipHtmlCanvas&) = delete;
    GdipHtmlCanvas& operator=(const GdipHtmlCanvas&) = delete;

    void FillRect(const HtmlRect& rect, HtmlColour colour) override;
    void FillGradient(const HtmlRect& rect, HtmlColour from, HtmlColour to, bool horizontal) override;
    void FillEllipse(const HtmlRect& rect, HtmlColour colour) override;
    void DrawLine(HtmlPoint from, HtmlPoint to, HtmlColour colour) override;
    void DrawPolyline(const std::vector<HtmlPoint>& points, HtmlColour colour) override;
    void DrawText(std::string_view text, int x, int y, const HtmlFont& font, HtmlColour colour) override;
    void DrawTextLine(HtmlTextLine line, int x1, int x2, int textTop, const HtmlFont& font, HtmlColour colour) override;
    void DrawImage(const HtmlImageRef& image, const HtmlRect& box) override;

private:
    Gdiplus::Graphics& graphics_;
    const TGDIPPictureContainer* pictures_;
    HIMAGELIST images_;
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

// A GDI+ font for a font description: bold, italic, underline and strike-out, size in points
// times `scale`. A family (or style) GDI+ cannot find falls back to Arial, then to the generic
// sans-serif family.
std::unique_ptr<Gdiplus::Font> MakeGdipFont(const HtmlFont& font, float scale = 1);

struct HtmlCaptionResult {
    bool anchor = false;     // a link lies under the hit point
    std::string target;      // its target
    int hitImage = -1;       // the image under the hit point inside that link
    std::string plainText;
    int width = 0;
    int height = 0;
    int lineCount = 0;
    HtmlLayout layout;       // what was laid out (and, for Draw, painted)
};

// Measures (options.mode Measure), paints into `graphics` (Draw) or looks for the link under
// (options.hitX, options.hitY) (HitTest) of the caption `html` in options.rect. Pictures are
// found by name in `pictures`, "IDX:n" images in `images`; either may be absent.
HtmlCaptionResult DrawHTML(Gdiplus::Graphics& graphics, std::string_view html, const HtmlOptions& options,
                           const TGDIPPictureContainer* pictures = nullptr, HIMAGELIST images = nullptr);

}  // namespace ctl
