#include "checker/ErrorLog.h"

#include <array>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Text.h"

namespace checker {
namespace {

constexpr long kRefusal = 18456;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A letter folded as a login's name compares (ASCII and the Latin-1 letters).
char16_t Folded(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
    return c;
}

bool IsQuote(char16_t c) {
    constexpr std::array<char16_t, 9> kQuotes = {u'\'', u'"', 0x2018, 0x2019, 0x201C, 0x201D, 0x201E, 0x00AB, 0x00BB};
    for (char16_t q : kQuotes)
        if (c == q) return true;
    return false;
}

// The number made of the digits at `at` (at most nine of them count), and where it ends.
long NumberAt(std::u16string_view text, std::size_t at, std::size_t& end) {
    long value = 0;
    int digits = 0;
    for (end = at; end < text.size() && IsDigit(text[end]); ++end)
        if (++digits <= 9) value = value * 10 + (text[end] - u'0');
    return value;
}

// Severity and state of a refusal's line: 18456 as a number of its own, then the next two numbers.
std::optional<std::pair<int, int>> RefusalNumbers(std::u16string_view line) {
    std::size_t i = 0;
    bool found = false;
    while (i < line.size()) {
        if (!IsDigit(line[i])) {
            ++i;
            continue;
        }
        std::size_t end = 0;
        const long number = NumberAt(line, i, end);
        i = end;
        if (number == kRefusal) {
            found = true;
            break;
        }
    }
    if (!found) return std::nullopt;
    long numbers[2] = {};
    for (long& number : numbers) {
        while (i < line.size() && !IsDigit(line[i])) ++i;
        if (i == line.size()) return std::nullopt;
        std::size_t end = 0;
        number = NumberAt(line, i, end);
        i = end;
    }
    if (numbers[0] > 25 || numbers[1] > 1000) return std::nullopt;  // a severity is at most 25
    return std::pair<int, int>(static_cast<int>(numbers[0]), static_cast<int>(numbers[1]));
}

// Whether the line names `login` between quotes ('sa', "sa", «sa», ...).
bool QuotesLogin(std::u16string_view line, std::u16string_view login) {
    if (login.empty() || line.size() < login.size() + 2) return false;
    for (std::size_t at = 1; at + login.size() < line.size(); ++at) {
        if (!IsQuote(line[at - 1]) || !IsQuote(line[at + login.size()])) continue;
        std::size_t i = 0;
        while (i < login.size() && Folded(line[at + i]) == Folded(login[i])) ++i;
        if (i == login.size()) return true;
    }
    return false;
}

struct Line {
    std::u16string_view text;  // without its line end
    std::size_t at = 0;        // where it starts in the tail
};

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

}  // namespace

std::optional<LogTime> LineTime(std::u16string_view line) {
    // "YYYY-MM-DD hh:mm:ss": digits where digits go, these separators between them.
    constexpr std::u16string_view kShape = u"0000-00-00 00:00:00";
    if (line.size() < kShape.size()) return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] == u'0' ? !IsDigit(line[i]) : line[i] != kShape[i]) return std::nullopt;
    }
    const auto field = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (line[i] - u'0');
        return value;
    };
    LogTime t{field(0, 4), field(5, 2), field(8, 2), field(11, 2), field(14, 2), field(17, 2)};
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 60)
        return std::nullopt;
    return t;
}

long long SecondsOf(const LogTime& t) {
    return DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) * 86400LL +
           t.hour * 3600LL + t.minute * 60LL + t.second;
}

std::string FormatLogTime(const LogTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

ErrorLogReading ReadLoginRefusals(std::u16string_view tail, std::string_view login, const LogTime& checkBegan) {
    const std::u16string wanted = base::Cp1252ToUtf16(login);
    std::vector<Line> lines;
    for (std::size_t at = 0; at < tail.size();) {
        const std::size_t end = std::min(tail.find(u'\n', at), tail.size());
        Line line{tail.substr(at, end - at), at};
        while (!line.text.empty() && (line.text.back() == u'\r' || line.text.back() == 0xFEFF)) line.text.remove_suffix(1);
        while (!line.text.empty() && line.text.front() == 0xFEFF) {
            line.text.remove_prefix(1);
            ++line.at;
        }
        lines.push_back(line);
        at = end + 1;
    }
    std::vector<bool> isNumbers(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) isNumbers[i] = RefusalNumbers(lines[i].text).has_value();
    // The login's line: the one after the numbers, as the server writes them; else the one before,
    // unless that one belongs to the refusal before it.
    const auto namesLogin = [&](std::size_t i) { return i < lines.size() && !isNumbers[i] && QuotesLogin(lines[i].text, wanted); };

    const long long since = SecondsOf(checkBegan) - kLogClockSlackSeconds;
    ErrorLogReading reading;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!isNumbers[i]) continue;
        const std::optional<LogTime> when = LineTime(lines[i].text);
        if (!when) continue;
        std::size_t first = i, last = i;
        if (namesLogin(i + 1)) {
            last = i + 1;
        } else if (i > 0 && namesLogin(i - 1) && !(i > 1 && isNumbers[i - 2])) {
            first = i - 1;
        } else {
            continue;
        }
        const std::pair<int, int> numbers = *RefusalNumbers(lines[i].text);
        const LoggedRefusal refusal{numbers.first, numbers.second, *when, lines[first].at,
                                    lines[last].at + lines[last].text.size() - lines[first].at};
        (SecondsOf(*when) >= since ? reading.sinceCheckBegan : reading.earlier) = refusal;
    }
    if (reading.sinceCheckBegan) reading.earlier.reset();
    return reading;
}

}  // namespace checker
