#pragma once
// The styled controls' fonts. The one way they make a GDI+ font: a face by name, falling back to
// Arial and then the generic sans serif when GDI+ does not know the face; size in points; GDI+
// style bits (bold 1, italic 2, underline 4, strike-out 8) as the caller chooses to carry them over.
// And whether a face is among the screen's fonts.
//
// GDI+ reads every installed font when it makes its first font, and loads the rasterizer at the
// first text it measures: 8-16 ms under Wine, on the way to the window's first paint.
// GdipFontWarmup does both on a second thread while the window is being made; MakeGdipFont waits
// for it to end first, so that the two threads never make fonts at once.

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

namespace ctl::win {

std::unique_ptr<Gdiplus::Font> MakeGdipFont(const std::wstring& face, float points, INT style);

// One per process at most, made after GDI+ has started and gone before it shuts down (its end
// waits for the thread).
class GdipFontWarmup {
public:
    explicit GdipFontWarmup(std::wstring face);
    ~GdipFontWarmup();
    GdipFontWarmup(const GdipFontWarmup&) = delete;
    GdipFontWarmup& operator=(const GdipFontWarmup&) = delete;
};

// Looked up once per face (for the program's life): enumerating fonts costs more than a paint.
bool FaceInstalled(const std::wstring& face);

}  // namespace ctl::win
