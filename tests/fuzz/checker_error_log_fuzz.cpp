// The error-log reader on arbitrary input: any bytes as the log's tail (UTF-16 units), any login
// name. It never crashes nor reads outside the tail (the sanitizers watch), and every refusal it
// reports is one the tail holds: its range lies inside the tail, starts a line with its time,
// holds 18456 and its state, and names the login between quotes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Text.h"
#include "checker/ErrorLog.h"

namespace {

char16_t Folded(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? static_cast<char16_t>(c + 32) : c;
}

std::u16string Folded(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = Folded(c);
    return out;
}

void Check(const std::u16string& tail, const std::string& login, const checker::LoggedRefusal& r) {
    if (r.at > tail.size() || r.length > tail.size() - r.at) std::abort();
    const std::u16string_view held = std::u16string_view(tail).substr(r.at, r.length);
    if (held.find(u"18456") == std::u16string_view::npos) std::abort();
    const std::string state = std::to_string(r.state);
    if (held.find(std::u16string(state.begin(), state.end())) == std::u16string_view::npos) std::abort();
    const std::u16string name = Folded(base::Cp1252ToUtf16(login));
    if (name.empty() || Folded(held).find(name) == std::u16string::npos) std::abort();
    // Its time is the time of a line of the range.
    bool timed = false;
    for (std::size_t at = 0; at < held.size() && !timed; at = held.find(u'\n', at) + 1) {
        timed = checker::LineTime(held.substr(at)) == r.when;
        if (held.find(u'\n', at) == std::u16string_view::npos) break;
    }
    if (!timed) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t loginSize = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::string login(reinterpret_cast<const char*>(data + 1), loginSize);
    std::u16string tail;
    for (std::size_t i = 1 + loginSize; i + 1 < size; i += 2) tail += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    const checker::ErrorLogReading read = checker::ReadLoginRefusals(tail, login, {2026, 12, 9, 10, 0, 0});
    if (read.sinceCheckBegan && read.earlier) std::abort();
    if (read.sinceCheckBegan) Check(tail, login, *read.sinceCheckBegan);
    if (read.earlier) Check(tail, login, *read.earlier);
    return 0;
}
