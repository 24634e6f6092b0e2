#pragma once
// The HTML caption on GDI+: text measured and drawn with GDI+ fonts (a family GDI+ cannot find
// falls back to Arial), pictures from a picture container, images from an image list, and the
// shell's system icons. DrawHTML is the one call the smooth panel makes to measure, draw and
// hit-test its caption.

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <string>
#include <string_view>

#include "controls/HtmlCaption.h"
#include "controls/HtmlCaptionPaint.h"

namespace ctl {

class TGDIPPictureContainer;

// Measures with the graphics' MeasureString (default string format). Keeps the GDI+ font of the
// last description asked for; lives no longer than one drawing operation.
class GdipTextMeasurer : public TextMeasurer {
public:
    explicit GdipTextMeasurer(Gdiplus::Graphics& graphics);
    ~GdipTextMeasurer() override;
    GdipTextMeasurer(const GdipTextMeasurer&) = delete;
    GdipTextMeasurer& operator=(const GdipTextMeasurer&) = delete;

    Extent Measure(std::string_view text, const HtmlFont& font, double layoutWidth,
                   double layoutHeight) const override;

private:
    struct Cache;
    Gdiplus::Graphics& graphics_;
    Cache* cache_;
};

struct HtmlCaptionResult {
    bool anchor = false;     // a link lies under the hit point
    std::string target;      // its target
    int hitImage = -1;       // the image under the hit point inside that link
    std::string plainText;
    int width = 0;
    int height = 0;
    int lineCount = 0;
};

// Measures (options.mode Measure), paints into `graphics` (Draw) or looks for the link under
// (options.hitX, options.hitY) (HitTest) of the caption `html` in options.rect. Pictures are
// found by name in `pictures`, "IDX:n" images in `images`; either may be absent.
HtmlCaptionResult DrawHTML(Gdiplus::Graphics& graphics, std::string_view html, const HtmlOptions& options,
                           const TGDIPPictureContainer* pictures = nullptr, HIMAGELIST images = nullptr);

}  // namespace ctl
