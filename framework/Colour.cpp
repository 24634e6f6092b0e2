#include "framework/Colour.h"

#include <array>

#include "base/Text.h"

namespace fw {
namespace {

struct NamedColour {
    std::string_view name;
    TColor value;
};

constexpr std::array<NamedColour, 47> kNamedColours = {{
    {"clNone", clNone},
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clHotLight", clHotLight},
    {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption},
    {"clMenuHighlight", clMenuHighlight},
    {"clMenuBar", clMenuBar},
}};

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// The classic scheme, by platform index; index 25 names no colour.
constexpr std::array<std::uint32_t, 31> kClassicScheme = {
    Rgb(212, 208, 200),  //  0 scroll bar
    Rgb(58, 110, 165),   //  1 desktop
    Rgb(10, 36, 106),    //  2 active caption
    Rgb(128, 128, 128),  //  3 inactive caption
    Rgb(212, 208, 200),  //  4 menu
    Rgb(255, 255, 255),  //  5 window
    Rgb(0, 0, 0),        //  6 window frame
    Rgb(0, 0, 0),        //  7 menu text
    Rgb(0, 0, 0),        //  8 window text
    Rgb(255, 255, 255),  //  9 caption text
    Rgb(212, 208, 200),  // 10 active border
    Rgb(212, 208, 200),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application workspace
    Rgb(10, 36, 106),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(212, 208, 200),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 grey text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(212, 208, 200),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(64, 64, 64),     // 21 3-D dark shadow
    Rgb(212, 208, 200),  // 22 3-D light
    Rgb(0, 0, 0),        // 23 tooltip text
    Rgb(255, 255, 225),  // 24 tooltip background
    0,                   // 25 (unused)
    Rgb(0, 0, 128),      // 26 hot-tracked item
    Rgb(166, 202, 240),  // 27 active caption gradient
    Rgb(192, 192, 192),  // 28 inactive caption gradient
    Rgb(10, 36, 106),    // 29 menu highlight
    Rgb(212, 208, 200),  // 30 menu bar
};

SystemColourSource g_source = &ClassicSystemColour;

}  // namespace

std::optional<TColor> ColourFromName(std::string_view name) {
    for (const auto& entry : kNamedColours) {
        if (base::EqualsIgnoreCase(entry.name, name)) return entry.value;
    }
    return std::nullopt;
}

std::optional<std::string_view> ColourName(TColor colour) {
    for (const auto& entry : kNamedColours) {
        if (entry.value == colour) return entry.name;
    }
    return std::nullopt;
}

std::uint32_t ClassicSystemColour(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kClassicScheme.size()) return 0;
    return kClassicScheme[static_cast<std::size_t>(index)];
}

SystemColourSource SetSystemColourSource(SystemColourSource source) {
    const SystemColourSource previous = g_source;
    g_source = source ? source : &ClassicSystemColour;
    return previous;
}

TColor ColorToRGB(TColor colour) {
    if (!IsSystemColour(colour)) return colour;
    return g_source(static_cast<int>(colour & 0xFF)) & 0xFFFFFF;
}

std::uint32_t ToArgb(std::uint8_t alpha, TColor colour) {
    const TColor rgb = ColorToRGB(colour);
    const std::uint32_t red = rgb & 0xFF;
    const std::uint32_t green = (rgb >> 8) & 0xFF;
    const std::uint32_t blue = (rgb >> 16) & 0xFF;
    return (std::uint32_t{alpha} << 24) | (red << 16) | (green << 8) | blue;
}

}  // namespace fw
