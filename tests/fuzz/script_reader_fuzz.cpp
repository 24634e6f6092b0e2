// The script reading rule on arbitrary file bytes: no crash, and the text it gives is made of
// whole CR LF lines, holds no zero byte, and reads back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "provisioning/ScriptText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = prov::ScriptCommandText(bytes);
    if (text.find('\0') != std::string::npos) std::abort();
    if (!text.empty() && text.substr(text.size() - 2) != "\r\n") std::abort();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) std::abort();
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) std::abort();
    }
    if (text.size() > 2 * size + 2) std::abort();
    if (prov::ScriptCommandText(text) != text) std::abort();
    return 0;
}
