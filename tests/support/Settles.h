#pragma once
// Assertions about what settles after an input: the focus, a control's state, the accessible
// events heard, a window coming or going. Such things follow the input through the message queue
// (and under Wine through the X server as well), so one look right after the input can see the
// state from before it, the more so on a busy machine. Settles reads the value again, handling the
// thread's messages in between, until it is the one expected or the time-out passes, and then
// fails naming the value it read last.
//
// What needs no wait is read once: a value computed in the process without a message's round
// trip, a call's own result, and whatever a synchronous SendMessage to the thread's own window has
// already done by the time it returns.

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>

namespace testsupport {

inline constexpr std::chrono::milliseconds kSettleTimeout{10000};

// Handles the thread's waiting messages, then waits for the next one, 20 ms at most (for values no
// message announces).
inline void HandleWaitingMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// Succeeds once read() == expected; when the time-out passes first, fails with the value read
// last. handleMessages runs between two reads (the program's own loop where keys must pass its
// navigation filter).
template <typename Read, typename Expected>
::testing::AssertionResult Settles(Read read, const Expected& expected,
                                   const std::function<void()>& handleMessages = HandleWaitingMessages,
                                   std::chrono::milliseconds timeout = kSettleTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto seen = read();
        if (seen == expected) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() >= deadline) {
            return ::testing::AssertionFailure() << "still " << ::testing::PrintToString(seen) << " after "
                                                 << timeout.count() << " ms, expected "
                                                 << ::testing::PrintToString(expected);
        }
        handleMessages();
    }
}

}  // namespace testsupport
