#include "checker/RepairRecord.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace checker {
namespace {

struct KindWord {
    ChangeKind kind;
    std::string_view word;
};
constexpr KindWord kKinds[] = {
    {ChangeKind::StartType, "arranque"},           {ChangeKind::Start, "iniciar"},
    {ChangeKind::Restart, "reiniciar"},            {ChangeKind::RegistryNumber, "registo-numero"},
    {ChangeKind::RegistryText, "registo-texto"},   {ChangeKind::LoginEnabled, "login-ativo"},
    {ChangeKind::RoleMember, "funcao-servidor"},  {ChangeKind::FirewallRule, "firewall"},
};

struct StatusWord {
    EntryStatus status;
    std::string_view word;
};
constexpr StatusWord kOutcomes[] = {
    {EntryStatus::Done, "feito"},
    {EntryStatus::Failed, "falhou"},
    {EntryStatus::Partly, "em parte"},
    {EntryStatus::Undone, "desfeito"},
};
constexpr std::string_view kStarted = "alterar";
constexpr std::string_view kPuttingBack = "repor";

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    }
    return out;
}

std::string ValueField(const std::optional<std::string>& value) { return value ? "=" + Escape(*value) : "-"; }

std::optional<std::optional<std::string>> ReadValue(std::string_view field) {
    if (field == "-") return std::optional<std::string>();
    if (field.empty() || field.front() != '=') return std::nullopt;
    return std::optional<std::string>(Unescape(field.substr(1)));
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab - at));
        if (tab == std::string_view::npos) return fields;
        at = tab + 1;
    }
}

std::string Head(int number, std::string_view when, std::string_view word) {
    return std::to_string(number) + "\t" + Escape(when) + "\t" + std::string(word);
}

}  // namespace

std::string RecordHeader() {
    return "# VerificaBD: alterações feitas por /corrigir, desfeitas por /desfazer. Não edite este ficheiro.\n";
}

std::string StartedLine(int number, std::string_view when, const Change& change, bool puttingBack) {
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindWord& k) { return k.kind == change.kind; });
    return Head(number, when, puttingBack ? kPuttingBack : kStarted) + "\t" + std::string(kind->word) + "\t" + Escape(change.target) + "\t" +
           Escape(change.value) + "\t" + ValueField(change.before) + "\t" + ValueField(change.after) + "\t" +
           Escape(change.service) + "\t" + Escape(change.server) + "\n";
}

std::string OutcomeLine(int number, std::string_view when, EntryStatus status, std::string_view detail) {
    const auto word = std::find_if(std::begin(kOutcomes), std::end(kOutcomes), [&](const StatusWord& s) { return s.status == status; });
    std::string line = Head(number, when, word->word);
    if (!detail.empty()) line += "\t" + Escape(detail);
    return line + "\n";
}

std::string UndoFailedLine(int number, std::string_view when, std::string_view detail) {
    return Head(number, when, kUndoFailed) + "\t" + Escape(detail) + "\n";
}

RecordContents ReadRecord(std::string_view text) {
    RecordContents record;
    std::map<int, std::size_t> byNumber;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            record.cutLastLine = true;
            break;
        }
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string_view> f = Fields(line);
        int number = 0;
        if (f.size() < 3 || std::from_chars(f[0].data(), f[0].data() + f[0].size(), number).ec != std::errc() ||
            number <= 0) {
            ++record.unreadLines;
            continue;
        }
        const auto known = byNumber.find(number);
        if (f[2] == kStarted || f[2] == kPuttingBack) {
            // number, time, "alterar", kind, target, value's name, before, after, service, server
            const bool whole = f.size() == 10;
            const auto kind = whole ? std::find_if(std::begin(kKinds), std::end(kKinds),
                                                   [&](const KindWord& k) { return k.word == f[3]; })
                                    : std::end(kKinds);
            const auto before = whole ? ReadValue(f[6]) : std::nullopt;
            const auto after = whole ? ReadValue(f[7]) : std::nullopt;
            if (kind == std::end(kKinds) || !before || !after || known != byNumber.end()) {
                ++record.unreadLines;
                continue;
            }
            RecordEntry entry{number, Unescape(f[1]),
                              Change{kind->kind, Unescape(f[4]), Unescape(f[5]), *before, *after, Unescape(f[8]), Unescape(f[9])},
                              f[2] == kPuttingBack};
            byNumber[number] = record.entries.size();
            record.entries.push_back(std::move(entry));
            continue;
        }
        if (known == byNumber.end()) {
            ++record.unreadLines;
            continue;
        }
        RecordEntry& entry = record.entries[known->second];
        const std::string detail = f.size() > 3 ? Unescape(f[3]) : std::string();
        if (f[2] == kUndoFailed) {
            entry.detail = detail;
            continue;
        }
        const auto outcome = std::find_if(std::begin(kOutcomes), std::end(kOutcomes), [&](const StatusWord& s) { return s.word == f[2]; });
        if (outcome == std::end(kOutcomes)) {
            ++record.unreadLines;
            continue;
        }
        entry.status = outcome->status;
        if (!detail.empty()) entry.detail = detail;
    }
    return record;
}

int NextEntryNumber(const RecordContents& record) {
    int highest = 0;
    for (const RecordEntry& e : record.entries) highest = std::max(highest, e.number);
    return highest + 1;
}

std::vector<RecordEntry> UndoPlan(const RecordContents& record) {
    std::vector<RecordEntry> plan;
    for (auto it = record.entries.rbegin(); it != record.entries.rend(); ++it) {
        const bool mayHaveChanged = it->status == EntryStatus::Done || it->status == EntryStatus::Partly ||
                                    it->status == EntryStatus::Started;
        if (mayHaveChanged && !it->puttingBack && CanUndo(it->change.kind) && IsOwnChange(it->change))
            plan.push_back(*it);
    }
    return plan;
}

}  // namespace checker
