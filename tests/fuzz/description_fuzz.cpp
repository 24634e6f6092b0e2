// Any text: parsing either fails with a DescriptionError or gives a tree whose written form
// parses back to the same tree and is itself stable under another write.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/Description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fw::ObjectNode tree;
    try {
        tree = fw::ParseDescription(text, "fuzz");
    } catch (const fw::DescriptionError&) {
        return 0;
    }
    const std::string written = fw::WriteDescription(tree);  // a parsed tree always has a text
    const fw::ObjectNode again = fw::ParseDescription(written, "written");
    if (!(again == tree)) std::abort();
    if (fw::WriteDescription(again) != written) std::abort();
    return 0;
}
