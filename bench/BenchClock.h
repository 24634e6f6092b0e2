#pragma once
// The benchmarks' clock: the steady clock, and its durations read in milliseconds or microseconds.

#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
inline double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

// Seconds on the steady clock (its epoch is arbitrary: differences only).
inline double NowSeconds() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

// Milliseconds since `start`, and `start` moved to now: for a row of timed steps.
inline double Lap(Clock::time_point& start) {
    const Clock::time_point now = Clock::now();
    const double ms = Milliseconds(now - start);
    start = now;
    return ms;
}

}  // namespace bench
