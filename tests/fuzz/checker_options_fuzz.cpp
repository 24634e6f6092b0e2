// The checker's command line on arbitrary input (arguments split at zero bytes): parsing never
// crashes; a refused line names no password that followed a password option; an accepted one
// took each value from the arguments as given.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "checker/Options.h"
#include "checker/ScriptFindings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) arguments.emplace_back();
        else arguments.back() += static_cast<char>(data[i]);
    }
    const checker::ParsedOptions parsed = checker::ParseOptions(arguments);
    if (parsed.error.empty()) {
        for (const auto* value : {&parsed.options.server, &parsed.options.login, &parsed.options.database}) {
            if (!*value) continue;
            bool found = false;
            for (const std::string& argument : arguments) found = found || argument == **value;
            if (!found || (*value)->empty()) std::abort();
        }
    }
    // The same bytes as a script: the findings never crash and always say something.
    if (checker::CheckScript("DBScript.inf", std::string_view(reinterpret_cast<const char*>(data), size)).empty())
        std::abort();
    return 0;
}
