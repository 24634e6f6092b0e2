#pragma once
// Colour values as the controls store them: a 32-bit Windows colour, 0x00BBGGRR for an RGB colour.
// A value whose top byte is 0xFF names a system colour by its platform index in the low byte
// (clBtnFace = 0xFF00000F, the button-face colour) and is resolved to RGB before use. clNone
// (0x1FFFFFFF) means "no colour": whoever uses a colour checks for it first and switches the
// element off. No Win32 here: system colours resolve through a replaceable source, which the
// Win32 layer points at the platform's current scheme at start-up.

#include <cstdint>
#include <optional>
#include <string_view>

namespace fw {

using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;

// The sixteen standard colours.
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

// System colours: 0xFF000000 | the platform's colour index (COLOR_BTNFACE is 15, and so on).
inline constexpr TColor kSystemColourBase = 0xFF000000;
inline constexpr TColor clScrollBar = kSystemColourBase | 0;
inline constexpr TColor clBackground = kSystemColourBase | 1;
inline constexpr TColor clActiveCaption = kSystemColourBase | 2;
inline constexpr TColor clInactiveCaption = kSystemColourBase | 3;
inline constexpr TColor clMenu = kSystemColourBase | 4;
inline constexpr TColor clWindow = kSystemColourBase | 5;
inline constexpr TColor clWindowFrame = kSystemColourBase | 6;
inline constexpr TColor clMenuText = kSystemColourBase | 7;
inline constexpr TColor clWindowText = kSystemColourBase | 8;
inline constexpr TColor clCaptionText = kSystemColourBase | 9;
inline constexpr TColor clActiveBorder = kSystemColourBase | 10;
inline constexpr TColor clInactiveBorder = kSystemColourBase | 11;
inline constexpr TColor clAppWorkSpace = kSystemColourBase | 12;
inline constexpr TColor clHighlight = kSystemColourBase | 13;
inline constexpr TColor clHighlightText = kSystemColourBase | 14;
inline constexpr TColor clBtnFace = kSystemColourBase | 15;
inline constexpr TColor clBtnShadow = kSystemColourBase | 16;
inline constexpr TColor clGrayText = kSystemColourBase | 17;
inline constexpr TColor clBtnText = kSystemColourBase | 18;
inline constexpr TColor clInactiveCaptionText = kSystemColourBase | 19;
inline constexpr TColor clBtnHighlight = kSystemColourBase | 20;
inline constexpr TColor cl3DDkShadow = kSystemColourBase | 21;
inline constexpr TColor cl3DLight = kSystemColourBase | 22;
inline constexpr TColor clInfoText = kSystemColourBase | 23;
inline constexpr TColor clInfoBk = kSystemColourBase | 24;
inline constexpr TColor clHotLight = kSystemColourBase | 26;
inline constexpr TColor clGradientActiveCaption = kSystemColourBase | 27;
inline constexpr TColor clGradientInactiveCaption = kSystemColourBase | 28;
inline constexpr TColor clMenuHighlight = kSystemColourBase | 29;
inline constexpr TColor clMenuBar = kSystemColourBase | 30;

constexpr bool IsSystemColour(TColor colour) { return (colour >> 24) == 0xFF; }

// Name <-> value ("clBtnFace" <-> 0xFF00000F). Names compare without regard to ASCII case.
// Every named value has exactly one name, so a written value reads back as itself.
std::optional<TColor> ColourFromName(std::string_view name);
std::optional<std::string_view> ColourName(TColor colour);

// Where system colours come from: the platform index (0..30) to 0x00BBGGRR. The Win32 layer
// installs a wrapper of the platform's own lookup; the default gives the classic scheme.
using SystemColourSource = std::uint32_t (*)(int index);
// Installs a source (nullptr reinstalls the default) and returns the one it replaces.
SystemColourSource SetSystemColourSource(SystemColourSource source);
// The classic scheme's value of an index; 0 for an index that names no colour.
std::uint32_t ClassicSystemColour(int index);

// A system colour resolved through the current source (only its low 24 bits are kept); any
// other value unchanged (clNone included: check for it before resolving).
TColor ColorToRGB(TColor colour);

// A GDI+ colour: the colour resolved, then (alpha << 24) | (red << 16) | (green << 8) | blue.
// The top byte of a non-system value (clNone's 0x1F) takes no part.
std::uint32_t ToArgb(std::uint8_t alpha, TColor colour);

}  // namespace fw
