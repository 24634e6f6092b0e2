// The parameter-marker rule on arbitrary texts: no crash; every '?' of the input survives unless
// a marker name swallowed it, and each marker adds one; markers only shorten the text; binding
// gives one value per marker.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "provisioning/ParameterMarkers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const prov::MarkedText marked = prov::ApplyParameterMarkers(text);
    if (marked.text.size() > text.size()) std::abort();
    std::size_t inputMarks = 0, outputMarks = 0, colons = 0;
    for (char c : text) {
        inputMarks += c == '?';
        colons += c == ':';
    }
    for (char c : marked.text) outputMarks += c == '?';
    std::size_t swallowed = 0;
    for (const std::string& name : marked.names) {
        for (char c : name) swallowed += c == '?';
    }
    if (outputMarks + swallowed != inputMarks + marked.names.size()) std::abort();
    if (marked.names.size() > colons) std::abort();
    const prov::IntParameter parameters[] = {{"loja", 1}, {"major", 2}, {"", 3}};
    if (prov::BindByName(marked.names, parameters).size() != marked.names.size()) std::abort();
    // A text without colons goes through unchanged.
    if (colons == 0 && marked.text != text) std::abort();
    return 0;
}
