#pragma once
// The server's error log read by its structure, whatever language the server writes it in: a
// refused login is a line holding 18456 followed by two more numbers (its severity and state),
// with the login's name in quotes on the line next to it; every line starts with the time it was
// written ("2026-12-09 09:15:42.31"), in this PC's clock when the server runs here. Only a refusal
// logged since the check began is the cause of the refusal the check just met.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace checker {

struct LogTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    friend bool operator==(const LogTime&, const LogTime&) = default;
};

// The time a log line starts with ("YYYY-MM-DD hh:mm:ss", then anything); nullopt when it has none.
std::optional<LogTime> LineTime(std::u16string_view line);

// Seconds from 1970-01-01 00:00:00 in the same clock, for comparing and subtracting.
long long SecondsOf(const LogTime& time);

// "2026-12-09 09:15:42"
std::string FormatLogTime(const LogTime& time);

// The server's clock is this PC's, but the log's lines are written when the server gets to them:
// a refusal up to this long before the check began still counts as the check's own.
inline constexpr int kLogClockSlackSeconds = 5;

struct LoggedRefusal {
    int severity = 0;
    int state = 0;
    LogTime when;
    // The refusal's two lines (the numbers and the login's), as a range of the tail they were read from.
    std::size_t at = 0;
    std::size_t length = 0;
};

struct ErrorLogReading {
    std::optional<LoggedRefusal> sinceCheckBegan;  // the latest refusal of the login logged since the check began
    std::optional<LoggedRefusal> earlier;          // the latest one before it, when there is none since
};

// The refusals of `login` (Windows-1252, compared without case) in the tail of the log (UTF-16,
// as the server writes it; the first line may be cut).
ErrorLogReading ReadLoginRefusals(std::u16string_view tail, std::string_view login, const LogTime& checkBegan);

}  // namespace checker
