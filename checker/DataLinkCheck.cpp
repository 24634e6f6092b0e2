#include "checker/DataLinkCheck.h"

#include <algorithm>
#include <vector>

#include "base/Text.h"
#include "provisioning/DataLinkFile.h"

namespace checker {
namespace {

constexpr std::size_t kHeaderBytes = 128;  // BOM, "[oledb]" line, comment line

// The file stays: the product may still read it, and without it the product cannot connect.
const std::string kAdvice = "Se o produto não se liga, corra de novo o assistente até à página de revisão: "
                            "ele grava o ficheiro de novo (guarde antes uma cópia deste).";

}  // namespace

std::string MaskPassword(std::string_view text) {
    std::string masked(text);
    std::vector<std::string> secrets;
    // Field by field, as the OLE DB syntax reads them: a quoted value may hold ';'.
    std::size_t start = 0;
    while (start < masked.size()) {
        std::size_t equals = masked.find('=', start);
        if (equals == std::string::npos) break;
        // A field without '=' (an empty one between ";;", say) ends at its ';': the key starts after.
        if (const std::size_t separator = masked.rfind(';', equals); separator != std::string::npos && separator >= start)
            start = separator + 1;
        std::string_view key = std::string_view(masked).substr(start, equals - start);
        while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
        while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
        std::size_t valueEnd;
        const std::size_t valueStart = equals + 1;
        if (valueStart < masked.size() && (masked[valueStart] == '"' || masked[valueStart] == '\'')) {
            const char quote = masked[valueStart];
            valueEnd = valueStart + 1;
            while (valueEnd < masked.size()) {
                if (masked[valueEnd] == quote) {
                    if (valueEnd + 1 < masked.size() && masked[valueEnd + 1] == quote) {
                        valueEnd += 2;
                        continue;
                    }
                    ++valueEnd;
                    break;
                }
                ++valueEnd;
            }
            valueEnd = std::min(masked.find(';', valueEnd), masked.size());
        } else {
            valueEnd = std::min(masked.find(';', valueStart), masked.size());
        }
        if (base::EqualsIgnoreCase(key, "Password") || base::EqualsIgnoreCase(key, "Pwd")) {
            secrets.push_back(masked.substr(valueStart, valueEnd - valueStart));
            masked.replace(valueStart, valueEnd - valueStart, "***");
            valueEnd = valueStart + 3;
        }
        start = valueEnd + 1;
    }
    // The password may stand inside another value too (a server name typed with it): hidden there
    // as well (Redact: a short one where it stands as a word of its own).
    for (const std::string& secret : secrets) {
        masked = Redact(std::move(masked), secret);
        std::string_view unquoted = secret;
        if (unquoted.size() >= 2 && (unquoted.front() == '"' || unquoted.front() == '\'')) {
            unquoted = unquoted.substr(1, unquoted.size() - 2);
            masked = Redact(std::move(masked), unquoted);
        }
    }
    return masked;
}

DataLinkCheck CheckDataLinkBytes(std::string_view file, std::span<const std::uint8_t> bytes) {
    DataLinkCheck result;
    auto fail = [&](std::string why) {
        result.finding = Failure(std::string(file) + ": " + why, kAdvice);
        return result;
    };
    if (bytes.size() < kHeaderBytes + 4) return fail("tem " + std::to_string(bytes.size()) + " bytes, menos do que o mínimo (132)");
    if (bytes.size() % 2 != 0) return fail("tem um número ímpar de bytes (" + std::to_string(bytes.size()) + "): não é UTF-16");

    // The third line, read back through the code page the wizard widened it with.
    std::u16string line;
    for (std::size_t i = kHeaderBytes; i + 1 < bytes.size(); i += 2)
        line += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (line.size() >= 2 && line.substr(line.size() - 2) == u"\r\n") line.resize(line.size() - 2);
    const std::optional<std::string> text = base::Utf16ToCp1252(line);
    // The string is one line: a line end inside it (a line after it) is not the wizard's layout.
    if (const std::size_t lineEnd = line.find_first_of(u"\r\n"); lineEnd != std::u16string::npos) {
        return fail("difere do formato do assistente no byte " + std::to_string(kHeaderBytes + 2 * lineEnd) +
                    ", no fim da cadeia de ligação (deve acabar em CR LF, sem nada depois)");
    }

    // The wizard's own bytes for that string; the first difference is the finding.
    const std::vector<std::uint8_t> expected = prov::DataLinkFileBytes(text.value_or(""));
    const auto [mine, theirs] = std::mismatch(bytes.begin(), bytes.end(), expected.begin(), expected.end());
    if (mine != bytes.end() || theirs != expected.end()) {
        const std::size_t at = static_cast<std::size_t>(mine - bytes.begin());
        std::string where = at < 2 ? "na marca de ordem de bytes (deve ser FF FE)"
                            : at < 20 ? "na linha \"[oledb]\""
                            : at < kHeaderBytes ? "na linha de comentário"
                            : !text ? "na cadeia de ligação (caracteres fora do ANSI)"
                                    : "no fim da cadeia de ligação (deve acabar em CR LF, sem nada depois)";
        return fail("difere do formato do assistente no byte " + std::to_string(at) + ", " + where);
    }
    DataLinkContents contents;
    contents.connectionString = *text;
    try {
        const auto fields = prov::ParseOleDbConnectionString(*text);
        contents.settings.server = prov::FindField(fields, "Data Source").value_or("");
        contents.settings.login = prov::FindField(fields, "User ID").value_or("");
        contents.settings.password = prov::FindField(fields, "Password").value_or("");
        contents.settings.database = prov::FindField(fields, "Initial Catalog").value_or("");
    } catch (const prov::ConnectionStringError&) {
        return fail("a cadeia de ligação não se lê (aspas por fechar)");
    }
    if (contents.settings.server.empty()) return fail("a cadeia de ligação não tem Data Source");
    std::string found = std::string(file) + ": formato certo (" + std::to_string(bytes.size()) + " bytes); servidor " +
                        contents.settings.server + ", base de dados " + contents.settings.database +
                        ", utilizador " + contents.settings.login;
    found = Redact(std::move(found), contents.settings.password);
    result.finding = Ok(std::move(found));
    result.contents = std::move(contents);
    return result;
}

}  // namespace checker
