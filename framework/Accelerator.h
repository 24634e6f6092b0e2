#pragma once
// The accelerator of a caption, one rule for every control that has one (labels, buttons, check
// boxes, the glass button) and for what a screen reader is told: the character after "&", where
// "&&" shows one "&" and marks nothing; only the first mark counts. A typed character matches it
// without regard to case, by the letters of the program's ANSI code page (Windows-1252, accented
// capitals included), whatever the C library's locale.

#include <optional>
#include <string_view>

namespace fw {

// The marked character as a UTF-16 unit; none when the caption marks none (or ends in "&").
std::optional<char16_t> AcceleratorOf(std::string_view caption);

// Whether typing `typed` activates the caption's accelerator.
bool IsAccelerator(std::string_view caption, char16_t typed);

// The lower-case form of a Windows-1252 letter (as a UTF-16 unit); other characters unchanged.
char16_t LowerCase1252(char16_t ch);

}  // namespace fw
