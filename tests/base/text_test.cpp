#include <gtest/gtest.h>

#include "base/Text.h"

namespace {

// UTF-8 test input; plain narrow literals are Windows-1252 in this build.
std::string Utf8(std::u8string_view text) { return {text.begin(), text.end()}; }

TEST(Text, Cp1252HighBytesMapThroughTheCodePage) {
    EXPECT_EQ(base::Cp1252ToUtf16("\x80\xE7"), u"\u20AC\u00E7");
    EXPECT_EQ(base::Cp1252ToUtf8("Confirma\xE7\xE3o"), Utf8(u8"Confirmação"));
    EXPECT_EQ(base::Cp1252ToUnit(0x81), 0x81);  // undefined byte keeps its control value
}

TEST(Text, Utf8RoundTripsAndRejectsWhatTheCodePageLacks) {
    EXPECT_EQ(base::Utf8ToCp1252(Utf8(u8"Instância €")), std::optional<std::string>("Inst\xE2ncia \x80"));
    const std::string arrow = Utf8(u8"\u2192");  // (gtest stringifies its arguments as narrow text)
    EXPECT_FALSE(base::Utf8ToCp1252(arrow));          // no Windows-1252 byte
    EXPECT_FALSE(base::Utf8ToCp1252("\xC3"));         // cut sequence
    EXPECT_FALSE(base::Utf8ToCp1252("\xC0\xAF"));     // overlong
    EXPECT_EQ(base::Utf16ToCp1252(u"a\u201Cb"), std::optional<std::string>("a\x93" "b"));
}

TEST(Text, CaseFoldingIsAsciiOnly) {
    EXPECT_TRUE(base::EqualsIgnoreCase("Fill.COLOR", "fill.color"));
    EXPECT_FALSE(base::EqualsIgnoreCase("\xC7", "\xE7"));
    EXPECT_EQ(base::ToLowerAscii("VelmoPos"), "velmopos");
}

}  // namespace
