// Colour names, system colours and the GDI+ form.
#include <gtest/gtest.h>

#include "framework/Colour.h"

namespace {

// Names a description may use, with the values the window's settings are written in.
TEST(Colour, NamesAndValuesMapBothWays) {
    const std::pair<const char*, fw::TColor> cases[] = {
        {"clNone", 0x1FFFFFFF},         {"clBlack", 0x000000},       {"clWhite", 0xFFFFFF},
        {"clGray", 0x808080},           {"clSilver", 0xC0C0C0},      {"clRed", 0x0000FF},
        {"clBlue", 0xFF0000},           {"clLime", 0x00FF00},        {"clNavy", 0x800000},
        {"clBtnFace", 0xFF00000F},      {"clWindowText", 0xFF000008}, {"clWindow", 0xFF000005},
        {"clHighlight", 0xFF00000D},    {"clBtnText", 0xFF000012},   {"clMenuBar", 0xFF00001E},
    };
    for (const auto& [name, value] : cases) {
        EXPECT_EQ(fw::ColourFromName(name), value) << name;
        EXPECT_EQ(fw::ColourName(value), std::optional<std::string_view>(name)) << name;
    }
    EXPECT_EQ(fw::ColourFromName("CLBTNFACE"), fw::clBtnFace);
    EXPECT_EQ(fw::ColourFromName("clPink"), std::nullopt);
    EXPECT_EQ(fw::ColourName(0x333333), std::nullopt);
    // Whatever has a name reads back as itself through it: no two names share a value.
    int named = 0;
    auto check = [&](fw::TColor value) {
        if (const auto name = fw::ColourName(value)) {
            ++named;
            EXPECT_EQ(fw::ColourFromName(*name), value) << *name;
        }
    };
    for (fw::TColor index = 0; index < 0x100; ++index) check(fw::kSystemColourBase | index);
    for (std::uint32_t r : {0x00, 0x80, 0xC0, 0xFF}) {  // the levels every standard colour is made of
        for (std::uint32_t g : {0x00, 0x80, 0xC0, 0xFF}) {
            for (std::uint32_t b : {0x00, 0x80, 0xC0, 0xFF}) check(r | (g << 8) | (b << 16));
        }
    }
    check(fw::clNone);
    EXPECT_EQ(named, 16 + 30 + 1);  // the standard colours, the system colours, clNone
}

TEST(Colour, OnlyATopByteOfFFNamesASystemColour) {
    const std::pair<fw::TColor, bool> cases[] = {
        {0xFF000000, true}, {0xFF00000F, true}, {0xFFFFFFFF, true}, {0xFEFFFFFF, false},
        {0x80000005, false}, {fw::clNone, false}, {0x00FFFFFF, false}, {0, false},
    };
    for (const auto& [value, system] : cases) EXPECT_EQ(fw::IsSystemColour(value), system) << std::hex << value;
}

// A source that tells which index it was asked for, with junk in the top byte.
std::uint32_t IndexSource(int index) { return 0xAB000000u | static_cast<std::uint32_t>(index) * 0x010203u; }

TEST(Colour, SystemColoursResolveThroughTheInstalledSource) {
    const fw::SystemColourSource original = fw::SetSystemColourSource(&IndexSource);
    EXPECT_EQ(fw::ColorToRGB(fw::clBtnFace), 0x0F1E2Du);  // top byte of the source's answer dropped
    EXPECT_EQ(fw::ColorToRGB(fw::clWindowText), 0x081018u);
    EXPECT_EQ(fw::ColorToRGB(0x123456), 0x123456u);      // an RGB value stays as it is
    EXPECT_EQ(fw::ColorToRGB(fw::clNone), fw::clNone);   // "no colour" is not resolved
    EXPECT_EQ(fw::SetSystemColourSource(nullptr), &IndexSource);
    // The default is the classic scheme: button face is a light grey, window text black.
    EXPECT_EQ(fw::ColorToRGB(fw::clBtnFace), fw::ClassicSystemColour(15));
    EXPECT_EQ(fw::ColorToRGB(fw::clWindowText), 0u);
    EXPECT_EQ(fw::ClassicSystemColour(-1), 0u);
    EXPECT_EQ(fw::ClassicSystemColour(31), 0u);
    fw::SetSystemColourSource(original);
}

// GDI+ wants 0xAARRGGBB where the stored value is 0x00BBGGRR.
TEST(Colour, ArgbSwapsRedAndBlueAfterResolving) {
    struct Case {
        std::uint8_t alpha;
        fw::TColor colour;
        std::uint32_t argb;
    };
    const fw::SystemColourSource original = fw::SetSystemColourSource(&IndexSource);
    const Case cases[] = {
        {255, 0x00332211, 0xFF112233}, {178, 0x333333, 0xB2333333}, {0, fw::clWhite, 0x00FFFFFF},
        {255, fw::clRed, 0xFFFF0000},  {128, fw::clBlue, 0x800000FF}, {255, fw::clNone, 0xFFFFFFFF},
        {255, fw::clBtnFace, 0xFF2D1E0F},  // the source gives 0x0F1E2D for index 15
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fw::ToArgb(c.alpha, c.colour), c.argb) << std::hex << c.colour << " at " << int(c.alpha);
    }
    fw::SetSystemColourSource(original);
}

}  // namespace
