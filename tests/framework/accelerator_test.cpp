// The accelerator rule every control and the screen reader's shortcut share: the character after
// the first single "&", "&&" a literal "&", typed characters matched case-blind over the letters of
// Windows-1252.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "framework/Accelerator.h"

namespace {

TEST(Accelerator, TheCharacterAfterTheFirstSingleMark) {
    const struct {
        std::string caption;
        std::optional<char16_t> letter;
    } cases[] = {
        {"&Seguinte", u'S'},  {"Sa&ir", u'i'},     {"Sair", std::nullopt}, {"A && B", std::nullopt},
        {"A && &B", u'B'},    {"&&&x", u'x'},      {"fim&", std::nullopt}, {"", std::nullopt},
        {"&a &b", u'a'},      {"&\xC9xito", 0xC9},  // É, a Windows-1252 byte
        {"&\x8A" "a", 0x0160},  // Š lies outside Latin-1
    };
    for (const auto& c : cases) EXPECT_EQ(fw::AcceleratorOf(c.caption), c.letter) << c.caption;
}

TEST(Accelerator, TypedCharactersMatchWithoutRegardToCase) {
    const struct {
        std::string caption;
        char16_t typed;
        bool matches;
    } cases[] = {
        {"&Seguinte", u's', true},   {"&Seguinte", u'S', true},   {"&seguinte", u'S', true},
        {"&Seguinte", u'e', false},  {"A && B", u'&', false},     {"A && B", u'b', false},
        {"&\xC9xito", 0xE9, true},   {"&\xE9xito", 0xC9, true},   // é / É
        {"&\xC7", 0xE7, true},       {"&\xD7", 0xF7, false},      // Ç / ç; × and ÷ are no pair
        {"&\x8A", 0x0161, true},     {"&\x9F", 0x00FF, true},     // Š / š, Ÿ / ÿ
        {"&\x8C", 0x0153, true},     {"&\x9E", 0x017D, true},     // Œ / œ, ž / Ž
        {"&1", u'1', true},          {"&1", u'!', false},         {"Sair", u's', false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fw::IsAccelerator(c.caption, c.typed), c.matches)
            << c.caption << " typed U+" << std::hex << static_cast<int>(c.typed);
    }
    EXPECT_EQ(fw::LowerCase1252(0xC0), 0xE0);
    EXPECT_EQ(fw::LowerCase1252(0x0178), 0x00FF);
    EXPECT_EQ(fw::LowerCase1252(0xDF), 0xDF) << "ß has no capital in the code page";
}

}  // namespace
