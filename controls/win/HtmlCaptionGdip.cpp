#include "controls/win/HtmlCaptionGdip.h"

#include "controls/win/GdipFont.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Text.h"
#include "controls/GDIPPictureContainer.h"
#include "controls/win/AdvGDIP.h"
#include "framework/Colour.h"
#include "framework/win/Gdi.h"

namespace ctl {

namespace {

std::wstring Cp1252ToWide(std::string_view text) {
    const std::u16string u = base::Cp1252ToUtf16(text);
    return std::wstring(u.begin(), u.end());
}

bool IsSymbolFont(const HtmlFont& font) { return base::EqualsIgnoreCase(font.name, "Symbol"); }

// Text as GDI+ takes it. The list bullets come in the "Symbol" font, whose encoding GDI+
// implementations address differently (and Wine's copy of the font answers with other glyphs):
// they are drawn as the Unicode characters they stand for, in a text face.
std::wstring TextFor(std::string_view text, const HtmlFont& font) {
    if (!IsSymbolFont(font)) return Cp1252ToWide(text);
    std::wstring out;
    out.reserve(text.size());
    for (char c : text) out.push_back(static_cast<unsigned char>(c) == 0xB7 ? L'\u2022' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
}

HtmlFont FaceFor(HtmlFont font) {
    if (IsSymbolFont(font)) font.name = "Arial";
    return font;
}

// The font text is drawn in: its decorations are drawn as lines of their own.
HtmlFont Undecorated(HtmlFont font) {
    font.underline = font.strikeOut = false;
    return font;
}

Gdiplus::Color Opaque(HtmlColour colour) { return Gdiplus::Color(fw::ToArgb(255, colour)); }

// The last font asked for, kept while the same description keeps coming (runs mostly share one).
// Sizes are the design's points, drawn at the caption's DPI on a surface of its own DPI.
struct FontCache {
    float scale = 1;  // caption DPI / surface DPI
    HtmlFont key;
    std::unique_ptr<Gdiplus::Font> font;
    Gdiplus::Font* Get(const HtmlFont& description) {
        if (!font || !(key == description)) {
            font = MakeGdipFont(description, scale);
            key = description;
        }
        return font.get();
    }
};

// A shell icon: the system image list of that size and the icon's index in it.
struct ShellIcon {
    HIMAGELIST list = nullptr;
    int index = -1;
};

// The shell's file information, with shell32.dll loaded by the first icon a caption shows rather
// than with the program (it would add a millisecond or more to every start under Wine).
HIMAGELIST SystemImageList(const wchar_t* path, SHFILEINFOW& info, UINT flags) {
    using Function = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
    static const Function getFileInfo = [] {
        const HMODULE shell = ::LoadLibraryW(L"shell32.dll");
        return shell ? reinterpret_cast<Function>(::GetProcAddress(shell, "SHGetFileInfoW")) : nullptr;
    }();
    if (!getFileInfo) return nullptr;
    return reinterpret_cast<HIMAGELIST>(getFileInfo(path, 0, &info, sizeof info, flags | SHGFI_SYSICONINDEX));
}

ShellIcon FindShellIcon(bool large, std::string_view source) {
    const UINT size = large ? SHGFI_LARGEICON : SHGFI_SMALLICON;
    SHFILEINFOW info{};
    const bool isIndex = !source.empty() && std::all_of(source.begin(), source.end(), [](char c) { return c >= '0' && c <= '9'; });
    ShellIcon icon;
    if (isIndex) {
        icon.list = SystemImageList(L"C:\\", info, size);
        icon.index = source.size() <= 9 ? std::stoi(std::string(source)) : -1;
    } else {
        const std::wstring path = Cp1252ToWide(source);
        icon.list = SystemImageList(path.c_str(), info, size);
        icon.index = icon.list ? info.iIcon : -1;
    }
    if (!icon.list || icon.index < 0 || icon.index >= ImageList_GetImageCount(icon.list)) return {};
    return icon;
}

// Draws an icon scaled into the box through a 32-bit ARGB copy of its pixels: drawing through a
// device context of the graphics would lose the alpha of an ARGB target. Icons without alpha take
// their transparency from the mask.
void DrawIconImage(Gdiplus::Graphics& graphics, HICON handle, const HtmlRect& box) {
    const fw::UniqueIcon icon(handle);
    ICONINFO info{};
    if (!icon.Get() || !GetIconInfo(icon.Get(), &info)) return;
    const fw::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    if (!colour.Get() || !GetObjectW(colour.Get(), sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
    const int w = bm.bmWidth, h = bm.bmHeight;
    BITMAPINFO bi = fw::TopDownBitmapInfo(w, h);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h), masks(pixels.size());
    HDC dc = GetDC(nullptr);
    const bool gotColour = GetDIBits(dc, colour.Get(), 0, h, pixels.data(), &bi, DIB_RGB_COLORS) == h;
    const bool gotMask = mask.Get() && GetDIBits(dc, mask.Get(), 0, h, masks.data(), &bi, DIB_RGB_COLORS) == h;
    ReleaseDC(nullptr, dc);
    if (!gotColour) return;
    const bool hasAlpha = std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
    if (!hasAlpha) {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const bool transparent = gotMask && (masks[i] & 0xFFFFFF) != 0;
            pixels[i] = transparent ? 0 : (pixels[i] | 0xFF000000u);
        }
    }
    Gdiplus::Bitmap bitmap(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data()));
    graphics.DrawImage(&bitmap, Gdiplus::Rect(box.left, box.top, box.Width(), box.Height()));
}

}  // namespace

std::unique_ptr<Gdiplus::Font> MakeGdipFont(const HtmlFont& font, float scale) {
    INT style = Gdiplus::FontStyleRegular;
    if (font.bold) style |= Gdiplus::FontStyleBold;
    if (font.italic) style |= Gdiplus::FontStyleItalic;
    if (font.underline) style |= Gdiplus::FontStyleUnderline;
    if (font.strikeOut) style |= Gdiplus::FontStyleStrikeout;
    return win::MakeGdipFont(Cp1252ToWide(font.name), static_cast<float>(font.size) * scale, style);
}

// ---------------------------------------------------------------------------------------------
// Measuring

struct GdipTextMeasurer::Cache : FontCache {};

GdipTextMeasurer::GdipTextMeasurer(Gdiplus::Graphics& graphics, int dpi)
    : graphics_(graphics), cache_(std::make_unique<Cache>()) {
    cache_->scale = static_cast<float>(dpi) / graphics.GetDpiY();
}
GdipTextMeasurer::~GdipTextMeasurer() = default;

TextMeasurer::Extent GdipTextMeasurer::Measure(std::string_view text, const HtmlFont& font, double layoutWidth,
                                               double layoutHeight) const {
    Gdiplus::Font* gdipFont = cache_->Get(FaceFor(font));
    const std::wstring wide = TextFor(text, font);
    // A zero dimension of the layout is unbounded for GDI+.
    const Gdiplus::RectF layout(0, 0, static_cast<Gdiplus::REAL>(layoutWidth > 0 ? layoutWidth : 0),
                                static_cast<Gdiplus::REAL>(layoutHeight > 0 ? layoutHeight : 0));
    Gdiplus::RectF box;
    if (graphics_.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), gdipFont, layout, nullptr, &box) !=
        Gdiplus::Ok)
        return {};
    return {box.Width, box.Height};
}

// ---------------------------------------------------------------------------------------------
// Image sources

int ImageListSource::Count() const { return list_ ? ImageList_GetImageCount(list_) : 0; }

HtmlSize ImageListSource::ImageSize() const {
    int w = 0, h = 0;
    if (list_) ImageList_GetIconSize(list_, &w, &h);
    return HtmlSize{w, h};
}

std::optional<HtmlSize> ShellIconSource::IconSize(bool large, std::string_view source) const {
    const ShellIcon icon = FindShellIcon(large, source);
    if (!icon.list) return std::nullopt;
    int w = 0, h = 0;
    ImageList_GetIconSize(icon.list, &w, &h);
    return HtmlSize{w, h};
}

// ---------------------------------------------------------------------------------------------
// Painting

struct GdipHtmlCanvas::Cache : FontCache {};

GdipHtmlCanvas::GdipHtmlCanvas(Gdiplus::Graphics& graphics, const TGDIPPictureContainer* pictures, HIMAGELIST images,
                               int dpi)
    : graphics_(graphics), pictures_(pictures), images_(images), cache_(std::make_unique<Cache>()) {
    cache_->scale = static_cast<float>(dpi) / graphics.GetDpiY();
}
GdipHtmlCanvas::~GdipHtmlCanvas() = default;

void GdipHtmlCanvas::FillRect(const HtmlRect& rect, HtmlColour colour) {
    if (colour == fw::clNone || rect.Width() <= 0 || rect.Height() <= 0) return;
    Gdiplus::SolidBrush brush(Opaque(colour));
    graphics_.FillRectangle(&brush, rect.left, rect.top, rect.Width(), rect.Height());
}

void GdipHtmlCanvas::FillGradient(const HtmlRect& rect, HtmlColour from, HtmlColour to, bool horizontal) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    const Gdiplus::Rect area(rect.left, rect.top, rect.Width(), rect.Height());
    Gdiplus::LinearGradientBrush brush(area, Opaque(from), Opaque(to),
                                       horizontal ? Gdiplus::LinearGradientModeHorizontal
                                                  : Gdiplus::LinearGradientModeVertical);
    graphics_.FillRectangle(&brush, area);
}

void GdipHtmlCanvas::FillEllipse(const HtmlRect& rect, HtmlColour colour) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    Gdiplus::SolidBrush brush(Opaque(colour));
    graphics_.FillEllipse(&brush, rect.left, rect.top, rect.Width(), rect.Height());
}

void GdipHtmlCanvas::DrawLine(HtmlPoint from, HtmlPoint to, HtmlColour colour) {
    Gdiplus::Pen pen(Opaque(colour), 1);
    graphics_.DrawLine(&pen, from.x, from.y, to.x, to.y);
}

void GdipHtmlCanvas::DrawPolyline(const std::vector<HtmlPoint>& points, HtmlColour colour) {
    if (points.size() < 2) return;
    std::vector<Gdiplus::Point> line;
    line.reserve(points.size());
    for (const HtmlPoint& p : points) line.emplace_back(p.x, p.y);
    Gdiplus::Pen pen(Opaque(colour), 1);
    graphics_.DrawLines(&pen, line.data(), static_cast<INT>(line.size()));
}

void GdipHtmlCanvas::DrawText(std::string_view text, int x, int y, const HtmlFont& font, HtmlColour colour) {
    const std::wstring wide = TextFor(text, font);
    Gdiplus::SolidBrush brush(Opaque(colour));
    graphics_.DrawString(wide.c_str(), static_cast<INT>(wide.size()), cache_->Get(Undecorated(FaceFor(font))),
                         Gdiplus::PointF(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y)), &brush);
}

void GdipHtmlCanvas::DrawTextLine(HtmlTextLine line, int x1, int x2, int textTop, const HtmlFont& font,
                                  HtmlColour colour) {
    if (x2 <= x1) return;
    Gdiplus::Font* gdipFont = cache_->Get(Undecorated(FaceFor(font)));
    Gdiplus::FontFamily family;
    if (gdipFont->GetFamily(&family) != Gdiplus::Ok) return;
    const INT style = gdipFont->GetStyle();
    const double em = family.GetEmHeight(style);
    if (em <= 0) return;
    // The font's size in pixels; the text's baseline below its top; the lead DrawString leaves
    // before the first glyph (a sixth of the size).
    const double pixels = gdipFont->GetSize() * graphics_.GetDpiY() / 72.0;
    const double baseline = textTop + pixels * family.GetCellAscent(style) / em;
    const int lead = static_cast<int>(std::lround(pixels / 6));
    const int thickness = std::max(1, static_cast<int>(std::lround(pixels / 14)));
    const double at = line == HtmlTextLine::Underline ? baseline + std::max(1.0, pixels / 10) : baseline - pixels * 0.28;
    Gdiplus::SolidBrush brush(Opaque(colour));
    graphics_.FillRectangle(&brush, x1 + lead, static_cast<int>(std::lround(at)), x2 - x1, thickness);
}

void GdipHtmlCanvas::DrawImage(const HtmlImageRef& image, const HtmlRect& box) {
    if (box.Width() <= 0 || box.Height() <= 0) return;
    switch (image.kind) {
    case HtmlImageKind::Picture:
        if (TAdvGDIPPicture* picture = FindPicture(pictures_, image.source); picture && !picture->Empty())
            win::DrawToGraphics(*picture, graphics_, RECT{box.left, box.top, box.right, box.bottom}, true);
        break;
    case HtmlImageKind::ListImage:
        if (images_ && image.index >= 0 && image.index < ImageList_GetImageCount(images_))
            DrawIconImage(graphics_, ImageList_GetIcon(images_, image.index, ILD_TRANSPARENT), box);
        break;
    case HtmlImageKind::SmallIcon:
    case HtmlImageKind::LargeIcon: {
        const ShellIcon icon = FindShellIcon(image.kind == HtmlImageKind::LargeIcon, image.source);
        if (icon.list) DrawIconImage(graphics_, ImageList_GetIcon(icon.list, icon.index, ILD_TRANSPARENT), box);
        break;
    }
    }
}

// ---------------------------------------------------------------------------------------------

GdipHtmlImages::GdipHtmlImages(const TGDIPPictureContainer* pictures, HIMAGELIST images)
    : pictures_(pictures, &win::DecodePicture),
      list_(images),
      sources_{pictures ? &pictures_ : nullptr, images ? &list_ : nullptr, &icons_} {}

HtmlCaptionResult DrawHTML(Gdiplus::Graphics& graphics, std::string_view html, const HtmlOptions& options,
                           const TGDIPPictureContainer* pictures, HIMAGELIST images) {
    const GdipTextMeasurer measurer(graphics, options.dpi);
    const GdipHtmlImages sources(pictures, images);
    HtmlLayout layout = LayoutHtml(html, options, measurer, sources.Sources());
    if (options.mode == HtmlMode::Draw) {
        GdipHtmlCanvas canvas(graphics, pictures, images, options.dpi);
        PaintHtml(layout, canvas, options);
    }
    HtmlCaptionResult result;
    result.anchor = layout.hitLink >= 0;
    result.target = layout.hitTarget;
    result.hitImage = layout.hitImage;
    result.plainText = layout.plainText;
    result.width = layout.width;
    result.height = layout.height;
    result.lineCount = layout.lineCount;
    result.layout = std::move(layout);
    return result;
}

}  // namespace ctl
