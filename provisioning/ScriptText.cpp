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
    const char* p = fileBytes.data();
    const char* const end = p + fileBytes.size();
    while (p != end) {
        const char* lineEnd = p;
        while (lineEnd != end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
        text.append(p, lineEnd);
        text += "\r\n";
        if (lineEnd == end) break;
        p = lineEnd + ((lineEnd[0] == '\r' && lineEnd + 1 != end && lineEnd[1] == '\n') ? 2 : 1);
    }
    return text;
}

}  // namespace prov
