#include "controls/win/GdipFont.h"

#include <algorithm>
#include <map>

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

namespace {

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

}  // namespace

bool FaceInstalled(const std::wstring& face) {
    static std::map<std::wstring, bool> known;
    if (const auto it = known.find(face); it != known.end()) return it->second;
    bool found = false;
    if (!face.empty() && face.size() < LF_FACESIZE) {
        LOGFONTW query{};
        query.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(query.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        HDC screen = ::GetDC(nullptr);
        ::EnumFontFamiliesExW(screen, &query, &FoundFace, reinterpret_cast<LPARAM>(&found), 0);
        ::ReleaseDC(nullptr, screen);
    }
    known.emplace(face, found);
    return found;
}

}  // namespace ctl::win
