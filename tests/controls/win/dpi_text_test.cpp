// Text of a window scaled to its screen's DPI: a font keeps its design points while its pixel
// height follows the DPI, and the GDI+ text of the styled controls (the canvas of the panel and
// the glass buttons, the HTML caption) comes out as much larger as the DPI says, whatever DPI GDI+
// takes its drawing surface to have (a memory bitmap's, a device context's).

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/win/GDIPFill.h"
#include "controls/win/HtmlCaptionGdip.h"
#include "framework/Scaling.h"
#include "framework/win/Controls.h"
#include "tests/controls/win/gdipfill_pixels.h"

namespace ctl {
namespace {

constexpr char kText[] = "Seguinte >> Base de dados";

TEST(DpiText, AScaledFontKeepsItsDesignPointsAndDrawsAtItsScaledPixels) {
    struct Case {
        int height, dpi, scaledHeight, points;
        float drawingPoints;
    } const cases[] = {
        {-11, 96, -11, 8, 8},  {-11, 120, -13, 8, 10}, {-11, 144, -16, 8, 12}, {-11, 192, -22, 8, 16},
        {-13, 144, -19, 10, 15}, {-19, 168, -33, 14, 24.5f},
    };
    for (const Case& c : cases) {
        fw::TFont font;
        font.SetHeight(c.height);
        font.SetPixelsPerInch(c.dpi);
        font.SetHeight(fw::DpiScale(c.dpi).FontHeight(c.height));
        EXPECT_EQ(font.Height(), c.scaledHeight) << c.height << " at " << c.dpi;
        EXPECT_EQ(font.Size(), c.points) << c.height << " at " << c.dpi;
        EXPECT_FLOAT_EQ(font.DrawingPoints(), c.drawingPoints) << c.height << " at " << c.dpi;
        LOGFONTW made{};
        ASSERT_NE(::GetObjectW(font.Handle(), sizeof made, &made), 0);
        EXPECT_EQ(made.lfHeight, c.scaledHeight) << "the platform's font at " << c.dpi;
        // Points given at that DPI make the same font.
        fw::TFont byPoints;
        byPoints.SetPixelsPerInch(c.dpi);
        byPoints.SetSize(c.points);
        EXPECT_EQ(byPoints.Size(), c.points);
    }
    // A font that follows its parent's takes its DPI along.
    fw::TFont parent, child;
    parent.SetPixelsPerInch(144);
    parent.SetHeight(-16);
    child.Assign(parent);
    EXPECT_EQ(child.PixelsPerInch(), 144);
    EXPECT_EQ(child.Size(), 8);
}

// The height of a text measured on a surface, in pixels.
struct TextSurface {
    std::unique_ptr<Gdiplus::Bitmap> bitmap;
    HDC screen = nullptr, memory = nullptr;
    HBITMAP dib = nullptr;
    std::unique_ptr<Gdiplus::Graphics> graphics;

    // A memory bitmap of GDI+ (of its own DPI, or of 144), or a device context of GDI (the
    // screen's DPI).
    enum Kind { kBitmap, kBitmapAt144, kDeviceContext };
    explicit TextSurface(Kind kind) {
        if (kind == kDeviceContext) {
            screen = ::GetDC(nullptr);
            memory = ::CreateCompatibleDC(screen);
            dib = ::CreateCompatibleBitmap(screen, 400, 100);
            ::SelectObject(memory, dib);
            graphics = std::make_unique<Gdiplus::Graphics>(memory);
        } else {
            bitmap = std::make_unique<Gdiplus::Bitmap>(400, 100, PixelFormat32bppARGB);
            if (kind == kBitmapAt144) bitmap->SetResolution(144, 144);
            graphics = std::make_unique<Gdiplus::Graphics>(bitmap.get());
        }
    }
    ~TextSurface() {
        graphics.reset();
        if (memory) ::DeleteDC(memory);
        if (dib) ::DeleteObject(dib);
        if (screen) ::ReleaseDC(nullptr, screen);
    }
    RectF CanvasText(const TextFont& font) {
        win::GdiplusCanvas canvas(*graphics);
        return canvas.MeasureString(kText, font, {0, 0, 10000, 1000}, TextFormat{});
    }
    TextMeasurer::Extent HtmlText(int dpi) {
        GdipTextMeasurer measurer(*graphics, dpi);
        HtmlFont font;
        font.size = 8;
        return measurer.Measure(kText, font, 0, 0);
    }
};

// Heights grow with the scale to a tenth; widths to an eighth (small sizes are hinted wider).
TEST(DpiText, TheCanvasDrawsAFontsPointsAsA96DpiSurfaceDoesWhateverItsSurfacesDpi) {
    for (auto kind : {TextSurface::kBitmap, TextSurface::kBitmapAt144, TextSurface::kDeviceContext}) {
        TextSurface surface(kind);
        const RectF design = surface.CanvasText({"Tahoma", 8, 0});
        ASSERT_GT(design.width, 50) << "nothing measured";
        for (float scale : {1.25f, 1.5f, 2.0f}) {
            const RectF scaled = surface.CanvasText({"Tahoma", 8 * scale, 0});
            EXPECT_NEAR(scaled.height / design.height, scale, 0.1) << "scale " << scale << " on a surface of "
                                                                   << surface.graphics->GetDpiY() << " DPI";
            EXPECT_NEAR(scaled.width / design.width, scale, scale / 8) << "scale " << scale;
        }
    }
    // The same size on every surface, whatever DPI GDI+ gives it.
    TextSurface bitmap(TextSurface::kBitmap), at144(TextSurface::kBitmapAt144), deviceContext(TextSurface::kDeviceContext);
    ASSERT_EQ(at144.graphics->GetDpiY(), 144.0f);
    const float height = bitmap.CanvasText({"Tahoma", 12, 0}).height;
    EXPECT_NEAR(at144.CanvasText({"Tahoma", 12, 0}).height, height, 1.0);
    EXPECT_NEAR(deviceContext.CanvasText({"Tahoma", 12, 0}).height, height, 1.0);
}

TEST(DpiText, TheHtmlCaptionsFontsGrowWithItsDpiWhateverItsSurfacesDpi) {
    for (auto kind : {TextSurface::kBitmap, TextSurface::kBitmapAt144, TextSurface::kDeviceContext}) {
        TextSurface surface(kind);
        const auto design = surface.HtmlText(96);
        ASSERT_GT(design.width, 50) << "nothing measured";
        for (int dpi : {120, 144, 192}) {
            const double scale = dpi / 96.0;
            const auto scaled = surface.HtmlText(dpi);
            EXPECT_NEAR(scaled.height / design.height, scale, 0.1) << dpi << " DPI on a surface of "
                                                                   << surface.graphics->GetDpiY() << " DPI";
            EXPECT_NEAR(scaled.width / design.width, scale, scale / 8) << dpi << " DPI";
        }
    }
    TextSurface bitmap(TextSurface::kBitmap), at144(TextSurface::kBitmapAt144);
    EXPECT_NEAR(at144.HtmlText(144).height, bitmap.HtmlText(144).height, 1.0);
}

}  // namespace
}  // namespace ctl
