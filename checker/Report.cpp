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

namespace {

constexpr std::size_t kSecretHiddenAnywhere = 4;

// Letters and digits, the accented letters of Windows-1252 included.
bool IsWordByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b >= 0xC0;
}

}  // namespace

std::string Redact(std::string text, std::string_view secret) {
    if (secret.empty()) return text;
    const bool anywhere = secret.size() >= kSecretHiddenAnywhere;
    for (std::size_t at = text.find(secret); at != std::string::npos;) {
        const std::size_t end = at + secret.size();
        const bool word = (at == 0 || !IsWordByte(text[at - 1]) || !IsWordByte(secret.front())) &&
                          (end == text.size() || !IsWordByte(text[end]) || !IsWordByte(secret.back()));
        if (anywhere || word) {
            text.replace(at, secret.size(), "***");
            at = text.find(secret, at + 3);
        } else {
            at = text.find(secret, at + 1);
        }
    }
    return text;
}

}  // namespace checker
