#pragma once
// A timer whose ticks arrive through the message loop (WM_TIMER on a hidden message window), so
// they run on the user-interface thread, also inside the nested loops of modal boxes. A tick that
// throws is reported by the application's default exception report.

#include <windows.h>

#include <functional>

namespace fw {

class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned milliseconds);  // restarts a running timer
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void()> OnTimer;

private:
    void Update();
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static HWND MessageWindow();
    unsigned interval_ = 1000;
    bool enabled_ = false;
    bool running_ = false;
};

}  // namespace fw
