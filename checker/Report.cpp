#include "checker/Report.h"

#include <algorithm>

namespace checker {

std::string FormatFinding(const Finding& finding) {
    static constexpr std::string_view kTags[] = {"[ OK ] ", "[AVISO] ", "[FALHA] "};
    std::string line(kTags[static_cast<int>(finding.level)]);
    line += finding.text;
    line += '\n';
    if (finding.level != Level::Ok && !finding.advice.empty()) {
        line += "        O que fazer: ";
        line += finding.advice;
        line += '\n';
    }
    return line;
}

std::string FormatHeading(std::string_view title) { return "\n== " + std::string(title) + " ==\n"; }

int ExitCode(const std::vector<Finding>& findings) {
    const bool failed = std::any_of(findings.begin(), findings.end(),
                                    [](const Finding& f) { return f.level == Level::Failure; });
    return failed ? kExitFailed : kExitOk;
}

std::string Redact(std::string text, std::string_view secret) {
    if (secret.empty()) return text;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
        text.replace(at, secret.size(), "***");
    return text;
}

}  // namespace checker
