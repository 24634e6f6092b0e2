#include "controls/win/GdipFont.h"

#include <algorithm>

namespace ctl::win {

std::unique_ptr<Gdiplus::Font> MakeGdipFont(const std::wstring& face, float points, INT style) {
    const Gdiplus::REAL size = std::max(1.0f, points);
    for (const wchar_t* family : {face.c_str(), L"Arial"}) {
        Gdiplus::FontFamily candidate(family);
        if (candidate.GetLastStatus() != Gdiplus::Ok) continue;
        auto made = std::make_unique<Gdiplus::Font>(&candidate, size, style, Gdiplus::UnitPoint);
        if (made->GetLastStatus() == Gdiplus::Ok) return made;
    }
    return std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), size, style, Gdiplus::UnitPoint);
}

}  // namespace ctl::win
