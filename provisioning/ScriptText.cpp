#include "provisioning/ScriptText.h"

#include <cstring>

namespace prov {

std::string ScriptCommandText(std::string_view fileBytes) {
    if (const void* nul = std::memchr(fileBytes.data(), '\0', fileBytes.size())) {
        fileBytes = fileBytes.substr(0, static_cast<const char*>(nul) - fileBytes.data());
    }
    std::string text;
    // Lone CR or LF grow by one byte each; reserve for the common case and let the rest grow.
    text.reserve(fileBytes.size() + fileBytes.size() / 64 + 2);
    // Line ends are found with memchr, one search per kind, each repeated only once passed.
    const char* p = fileBytes.data();
    const char* const end = p + fileBytes.size();
    auto find = [end](const char* from, char c) {
        const void* at = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return at != nullptr ? static_cast<const char*>(at) : end;
    };
    const char* nextCr = find(p, '\r');
    const char* nextLf = find(p, '\n');
    while (p != end) {
        if (nextCr < p) nextCr = find(p, '\r');
        if (nextLf < p) nextLf = find(p, '\n');
        const char* lineEnd = nextCr < nextLf ? nextCr : nextLf;
        text.append(p, lineEnd);
        text += "\r\n";
        if (lineEnd == end) break;
        p = lineEnd + ((*lineEnd == '\r' && lineEnd + 1 != end && lineEnd + 1 == nextLf) ? 2 : 1);
    }
    return text;
}

}  // namespace prov
