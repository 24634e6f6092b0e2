#include "framework/win/Automation.h"

#include <commctrl.h>

#include <charconv>
#include <exception>
#include <memory>

namespace fw {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool NeedsEscape(unsigned char byte) {
    return byte < 0x21 || byte > 0x7E || byte == '%' || byte == ',' || byte == '=';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

template <typename Int>
bool ParseInt(std::string_view text, Int& out, int base = 10) {
    if (text.empty()) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size();
}

std::optional<bool> ParseFlag(std::string_view text) {
    if (text == "1") return true;
    if (text == "0") return false;
    return std::nullopt;
}

// The subclass procedure's per-window data; deleted when the window goes.
struct Responder {
    std::function<std::string()> describe;
};

constexpr UINT_PTR kSubclassId = 0x46574155;  // "FWAU"
constexpr wchar_t kResponderProperty[] = L"fw.AutomationResponder";

bool SendReply(HWND mainWindow, HWND replyWindow, const std::string& reply) {
    COPYDATASTRUCT data{};
    data.dwData = kAutomationReply;
    data.cbData = static_cast<DWORD>(reply.size());
    data.lpData = const_cast<char*>(reply.data());
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(replyWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(mainWindow),
                               reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

LRESULT CALLBACK AutomationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR, DWORD_PTR refData) {
    auto* responder = reinterpret_cast<Responder*>(refData);
    if (message == WM_COPYDATA) {
        const auto* request = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (request && request->dwData == kAutomationDescribe) {
            const std::string_view protocol(static_cast<const char*>(request->lpData), request->cbData);
            const HWND replyWindow = reinterpret_cast<HWND>(wParam);
            if (!IsWindow(replyWindow)) return FALSE;
            std::string reply;
            if (protocol != kAutomationProtocol) {
                reply = "fwauto-error unsupported protocol";
            } else {
                // No exception may unwind through the window manager.
                try {
                    reply = std::string(kAutomationProtocol) + "\n" + responder->describe();
                } catch (const std::exception& e) {
                    reply = "fwauto-error " + PercentEncode(e.what());
                } catch (...) {
                    reply = "fwauto-error unknown";
                }
            }
            return SendReply(window, replyWindow, reply) ? TRUE : FALSE;
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, AutomationProc, kSubclassId);
        RemovePropW(window, kResponderProperty);
        delete responder;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

std::optional<std::string> AutomationRecord::Extra(std::string_view key) const {
    for (const auto& [k, v] : extras)
        if (k == key) return v;
    return std::nullopt;
}

std::string PercentEncode(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (NeedsEscape(byte)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string FormatAutomationRecord(const AutomationRecord& r) {
    std::string line = PercentEncode(r.name);
    line += '\t' + PercentEncode(r.className);
    char handle[2 * sizeof(std::uintptr_t) + 1];
    const auto end = std::to_chars(handle, handle + sizeof handle, r.handle, 16).ptr;
    line += '\t' + std::string(handle, end);
    line += '\t' + PercentEncode(r.parent);
    line += r.visible ? "\t1" : "\t0";
    line += r.enabled ? "\t1" : "\t0";
    line += r.focused ? "\t1" : "\t0";
    line += r.checked < 0 ? "\t-" : (r.checked ? "\t1" : "\t0");
    line += '\t' + std::to_string(r.screen.left) + ',' + std::to_string(r.screen.top) + ',' +
            std::to_string(r.screen.right) + ',' + std::to_string(r.screen.bottom);
    line += '\t' + PercentEncode(r.text);
    line += '\t';
    bool first = true;
    for (const auto& [key, value] : r.extras) {
        if (!first) line += ',';
        first = false;
        line += PercentEncode(key) + '=' + PercentEncode(value);
    }
    return line;
}

std::optional<AutomationRecord> ParseAutomationRecord(std::string_view line) {
    const auto fields = Split(line, '\t');
    if (fields.size() != 11) return std::nullopt;
    AutomationRecord r;
    auto name = PercentDecode(fields[0]);
    auto className = PercentDecode(fields[1]);
    auto parent = PercentDecode(fields[3]);
    auto text = PercentDecode(fields[9]);
    if (!name || name->empty() || !className || !parent || !text) return std::nullopt;
    r.name = std::move(*name);
    r.className = std::move(*className);
    r.parent = std::move(*parent);
    r.text = std::move(*text);
    if (!ParseInt(fields[2], r.handle, 16)) return std::nullopt;
    const auto visible = ParseFlag(fields[4]);
    const auto enabled = ParseFlag(fields[5]);
    const auto focused = ParseFlag(fields[6]);
    if (!visible || !enabled || !focused) return std::nullopt;
    r.visible = *visible;
    r.enabled = *enabled;
    r.focused = *focused;
    if (fields[7] == "-") {
        r.checked = -1;
    } else if (const auto checked = ParseFlag(fields[7])) {
        r.checked = *checked ? 1 : 0;
    } else {
        return std::nullopt;
    }
    const auto corners = Split(fields[8], ',');
    if (corners.size() != 4 || !ParseInt(corners[0], r.screen.left) || !ParseInt(corners[1], r.screen.top) ||
        !ParseInt(corners[2], r.screen.right) || !ParseInt(corners[3], r.screen.bottom))
        return std::nullopt;
    if (!fields[10].empty()) {
        for (const auto pair : Split(fields[10], ',')) {
            const auto equals = pair.find('=');
            if (equals == std::string_view::npos) return std::nullopt;
            auto key = PercentDecode(pair.substr(0, equals));
            auto value = PercentDecode(pair.substr(equals + 1));
            if (!key || key->empty() || !value) return std::nullopt;
            r.extras.emplace_back(std::move(*key), std::move(*value));
        }
    }
    return r;
}

std::string FormatAutomationRecords(const std::vector<AutomationRecord>& records) {
    std::string text;
    for (const auto& record : records) text += FormatAutomationRecord(record) + '\n';
    return text;
}

std::optional<std::vector<AutomationRecord>> ParseAutomationReply(std::string_view reply, std::string* error) {
    const auto fail = [error](std::string reason) -> std::optional<std::vector<AutomationRecord>> {
        if (error) *error = std::move(reason);
        return std::nullopt;
    };
    auto lines = Split(reply, '\n');
    if (lines.empty() || lines.front() != kAutomationProtocol) {
        const auto head = lines.empty() ? std::string_view{} : lines.front();
        if (head.starts_with("fwauto-error ")) {
            const auto what = PercentDecode(head.substr(13));
            return fail("responder error: " + (what ? *what : std::string(head.substr(13))));
        }
        return fail("not an automation reply: \"" + std::string(head.substr(0, 40)) + "\"");
    }
    if (!lines.back().empty()) return fail("reply not ended by a line feed");
    std::vector<AutomationRecord> records;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        auto record = ParseAutomationRecord(lines[i]);
        if (!record) return fail("malformed line " + std::to_string(i + 1) + ": " + std::string(lines[i]));
        records.push_back(std::move(*record));
    }
    return records;
}

bool InstallAutomation(HWND mainWindow, std::function<std::string()> describe) {
    if (auto* installed = static_cast<Responder*>(GetPropW(mainWindow, kResponderProperty))) {
        installed->describe = std::move(describe);  // installed twice: the last describe wins
        return true;
    }
    auto responder = std::make_unique<Responder>(Responder{std::move(describe)});
    if (!SetPropW(mainWindow, kResponderProperty, responder.get())) return false;
    if (!SetWindowSubclass(mainWindow, AutomationProc, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(responder.get()))) {
        RemovePropW(mainWindow, kResponderProperty);
        return false;
    }
    (void)responder.release();  // owned by the subclass now; freed at WM_NCDESTROY
    return true;
}

}  // namespace fw
