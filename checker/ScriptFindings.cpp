#include "checker/ScriptFindings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "provisioning/ParameterMarkers.h"
#include "provisioning/ScriptText.h"

namespace checker {
namespace {

constexpr std::size_t kNamedPerKind = 3;

// Line numbers of offsets into the command text, whose lines each end with CR LF.
class LineIndex {
public:
    explicit LineIndex(std::string_view text) {
        for (const char* p = text.data(), *end = p + text.size();;) {
            const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            if (lf == nullptr) break;
            p = static_cast<const char*>(lf) + 1;
            starts_.push_back(static_cast<std::size_t>(p - text.data()));
        }
    }
    std::size_t LineOf(std::size_t offset) const {
        return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin()) + 1;
    }
    std::size_t Lines() const { return starts_.size(); }

private:
    std::vector<std::size_t> starts_;  // offsets where a line after the first starts
};

std::string Where(std::string_view file, std::size_t line) { return std::string(file) + ", linha " + std::to_string(line); }

// "linhas 3, 9, 12 e mais 4" for the lines of several occurrences of one kind.
std::string LinesList(const std::vector<std::size_t>& lines) {
    std::string text = lines.size() == 1 ? "linha " : "linhas ";
    for (std::size_t i = 0; i < std::min(lines.size(), kNamedPerKind); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(lines[i]);
    }
    if (lines.size() > kNamedPerKind) text += " e mais " + std::to_string(lines.size() - kNamedPerKind);
    return text;
}

// Whether the line (without its CR LF) is a batch separator as the server's tools accept it: GO
// in any case, blanks around it, then a repeat count ("GO 2") and a "--" comment ("GO -- fim"),
// each optional. The wizard splits nothing: every such line goes to the server inside the batch.
bool IsGoLine(std::string_view line) {
    auto skipBlanks = [&] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    };
    skipBlanks();
    if (line.size() < 2 || (line[0] != 'G' && line[0] != 'g') || (line[1] != 'O' && line[1] != 'o')) return false;
    line.remove_prefix(2);
    const std::size_t blanks = line.size();
    skipBlanks();
    if (!line.empty() && line.front() >= '0' && line.front() <= '9') {
        if (blanks == line.size()) return false;  // "GO2" is a name, not GO and a count
        while (!line.empty() && line.front() >= '0' && line.front() <= '9') line.remove_prefix(1);
        skipBlanks();
    }
    return line.empty() || line.starts_with("--");
}

// Length of a valid UTF-8 sequence of two to four bytes at `p` (0 when there is none).
std::size_t Utf8SequenceAt(const unsigned char* p, const unsigned char* end) {
    const unsigned char b = *p;
    std::size_t length = 0;
    if (b >= 0xC2 && b <= 0xDF) length = 2;
    else if (b >= 0xE0 && b <= 0xEF) length = 3;
    else if (b >= 0xF0 && b <= 0xF4) length = 4;
    if (length == 0 || static_cast<std::size_t>(end - p) < length) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    if (b == 0xE0 && p[1] < 0xA0) return 0;  // overlong
    if (b == 0xED && p[1] > 0x9F) return 0;  // surrogates
    if (b == 0xF0 && p[1] < 0x90) return 0;  // overlong
    if (b == 0xF4 && p[1] > 0x8F) return 0;  // beyond U+10FFFF
    return length;
}

}  // namespace

std::vector<Finding> CheckScript(std::string_view file, std::string_view bytes) {
    std::vector<Finding> findings;
    if (bytes.empty()) {
        findings.push_back(Failure(std::string(file) + ": o ficheiro está vazio",
                                   "Copie de novo o ficheiro do pacote de instalação."));
        return findings;
    }
    const bool utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        findings.push_back(Failure(Where(file, 1) + ": marca de ordem de bytes UTF-8 (EF BB BF) no início",
                                   "Grave o ficheiro como texto ANSI (Windows-1252), sem BOM."));
    } else if (utf16) {
        findings.push_back(Failure(Where(file, 1) + ": o ficheiro está em UTF-16 (marca de ordem de bytes " +
                                       (bytes[0] == '\xFF' ? "FF FE" : "FE FF") + ")",
                                   "Grave o ficheiro como texto ANSI (Windows-1252), sem BOM."));
        return findings;  // every other byte is zero: nothing more to say
    }

    const std::string text = prov::ScriptCommandText(bytes);
    const LineIndex lines(text);

    if (const void* nul = std::memchr(bytes.data(), '\0', bytes.size())) {
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data());
        const char before = at == 0 ? '\n' : bytes[at - 1];
        const std::size_t line = lines.Lines() + (before == '\r' || before == '\n' ? 1 : 0);
        if (at == 0) {
            findings.push_back(Failure(Where(file, 1) + ": byte zero (NUL) no primeiro byte: o assistente não envia nada",
                                       "Grave o ficheiro como texto ANSI, sem bytes zero."));
        } else {
            findings.push_back(Failure(Where(file, line) + ": byte zero (NUL) no byte " + std::to_string(at + 1) +
                                           ": o texto acaba aqui para o assistente; os " +
                                           std::to_string(bytes.size() - at) + " bytes seguintes são ignorados",
                                       "Retire os bytes zero; grave o ficheiro como texto ANSI."));
        }
    }
    if (text.empty()) {
        if (findings.empty())
            findings.push_back(Failure(std::string(file) + ": o ficheiro está vazio",
                                       "Copie de novo o ficheiro do pacote de instalação."));
        return findings;
    }

    std::vector<std::size_t> goLines;
    for (std::size_t start = 0, line = 1; start < text.size(); ++line) {
        const std::size_t end = text.find("\r\n", start);
        if (IsGoLine(std::string_view(text).substr(start, end - start))) goLines.push_back(line);
        start = end + 2;
    }
    if (!goLines.empty()) {
        findings.push_back(Failure(std::string(file) + ", " + LinesList(goLines) +
                                       ": linha GO (separador de lotes): o assistente envia o ficheiro inteiro como um "
                                       "só lote e o servidor recusa o GO",
                                   "O fornecedor tem de corrigir o script para correr num só lote. Não retire as "
                                   "linhas GO à mão: um CREATE PROCEDURE, VIEW, FUNCTION ou TRIGGER tem de começar "
                                   "o seu próprio lote."));
    }

    std::vector<std::size_t> utf8Lines;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    const std::size_t bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (const unsigned char* q = p + bom; q < end; ++q) {
        if (*q < 0x80) continue;
        const std::size_t length = Utf8SequenceAt(q, end);
        if (length == 0) continue;
        const std::size_t line = lines.LineOf(static_cast<std::size_t>(q - p));
        if (utf8Lines.empty() || utf8Lines.back() != line) utf8Lines.push_back(line);
        q += length - 1;
    }
    if (!utf8Lines.empty()) {
        findings.push_back(Warning(std::string(file) + ", " + LinesList(utf8Lines) +
                                       ": texto em UTF-8; o assistente lê o ficheiro em ANSI e grava os acentos errados",
                                   "Grave o ficheiro como texto ANSI (Windows-1252)."));
    }

    const prov::MarkedText marked = prov::ApplyParameterMarkers(text);
    if (!marked.at.empty()) {
        std::vector<std::size_t> markerLines;
        for (std::size_t at : marked.at) markerLines.push_back(lines.LineOf(at));
        const std::string first = marked.names.front();
        findings.push_back(Failure(std::string(file) + ", " + LinesList(markerLines) + ": \":" + first.substr(0, 30) +
                                       "\" fora de aspas torna-se um parâmetro sem valor (também em comentários)",
                                   "Ponha esse texto entre aspas, ou escreva \"::\" para um só ':'."));
    }
    if (!marked.strayQuestionMarks.empty()) {
        std::vector<std::size_t> markLines;
        for (std::size_t at : marked.strayQuestionMarks) markLines.push_back(lines.LineOf(at));
        findings.push_back(Failure(std::string(file) + ", " + LinesList(markLines) +
                                       ": \"?\" fora de aspas é um parâmetro sem valor",
                                   "Ponha o \"?\" entre aspas, ou retire-o."));
    }
    if (findings.empty()) {
        findings.push_back(Ok(std::string(file) + ": " + std::to_string(lines.Lines()) + " linhas, " +
                              std::to_string(bytes.size()) + " bytes, sem problemas"));
    }
    return findings;
}

}  // namespace checker
