#pragma once
// The styled controls' fonts. The one way they make a GDI+ font: a face by name, falling back to
// Arial and then the generic sans serif when GDI+ does not know the face; size in points; GDI+
// style bits (bold 1, italic 2, underline 4, strike-out 8) as the caller chooses to carry them over.
// And whether a face is among the screen's fonts.

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

namespace ctl::win {

std::unique_ptr<Gdiplus::Font> MakeGdipFont(const std::wstring& face, float points, INT style);

// Looked up once per face (for the program's life): enumerating fonts costs more than a paint.
bool FaceInstalled(const std::wstring& face);

}  // namespace ctl::win
