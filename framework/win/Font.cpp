// TFont: a font description (name, height at a DPI, style, colour) and the platform font made from
// it on first use.

#include <cstdlib>
#include <cwchar>

#include "framework/PropertyBuilders.h"
#include "framework/win/Controls.h"

namespace fw {
namespace {

int PointsFromHeight(int height) { return (std::abs(height) * 72 + 48) / 96; }
int HeightFromPoints(int points) { return -((points * 96 + 36) / 72); }

}  // namespace

const EnumInfo& FontStyleEnum() {
    static const EnumInfo info{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return info;
}

TFont::TFont() = default;

const ClassInfo& TFont::StaticClass() {
    static const ClassInfo info{
        "TFont",
        nullptr,
        {
            StringProperty<TFont>("Name", &TFont::Name, &TFont::SetName),
            Pixels(IntProperty<TFont>("Height", &TFont::Height, &TFont::SetHeight), PixelUnit::FontHeight),
            IntProperty<TFont>("Size", &TFont::Size, &TFont::SetSize),
            SetProperty<TFont>("Style", FontStyleEnum(), &TFont::Style, &TFont::SetStyle, 0),
            ColourProperty<TFont>("Color", &TFont::Color, &TFont::SetColor, clWindowText),
            Stored<TFont>(Pixels(IntProperty<TFont>("PixelsPerInch", &TFont::PixelsPerInch, &TFont::SetPixelsPerInch),
                                 PixelUnit::Dpi),
                          [](const TFont&) { return false; }),
        }};
    return info;
}
const ClassInfo& TFont::Class() const { return StaticClass(); }

void TFont::SetName(std::string name) {
    if (name == name_) return;
    name_ = std::move(name);
    Changed();
}
void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}
int TFont::Size() const {
    const int design = DpiScale(pixelsPerInch_).DesignFontHeight(height_);
    return design < 0 ? PointsFromHeight(design) : (design * 72 + 48) / 96;
}
void TFont::SetSize(int points) { SetHeight(DpiScale(pixelsPerInch_).FontHeight(HeightFromPoints(points))); }
float TFont::DrawingPoints() const {
    return static_cast<float>(Size()) * static_cast<float>(pixelsPerInch_) / static_cast<float>(kDesignDpi);
}
void TFont::SetStyle(std::uint8_t style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}
void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

bool TFont::SameAs(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ && color_ == other.color_ &&
           pixelsPerInch_ == other.pixelsPerInch_;
}

void TFont::Assign(const TFont& other) {
    if (SameAs(other)) return;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    pixelsPerInch_ = other.pixelsPerInch_;
    Changed();
}

void TFont::Changed() {
    handle_.Reset();
    if (OnChange) OnChange();
}

HFONT TFont::Handle() const {
    if (!handle_) {
        LOGFONTW lf{};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
        lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        const std::wstring face = Widen(name_);
        wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        handle_.Reset(::CreateFontIndirectW(&lf));
    }
    return handle_.Get();
}

}  // namespace fw
