#pragma once
// A timer whose ticks arrive through the message loop (WM_TIMER on a hidden message window), so
// they run on the user-interface thread, also inside the nested loops of modal boxes. A tick that
// throws is reported by the application's default exception report.
//
// Each run of a timer (from start to stop) has an id of its own, never given again; a tick finds
// its timer through the table of running timers. A WM_TIMER still queued when its timer stops or
// is destroyed finds nothing there and does nothing. A tick that opens a modal box (its failure's
// report) holds the timer's further ticks until the box closes; other timers go on ticking.
// Timers live on the user-interface thread.

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
    void Start();
    void Stop();
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static HWND MessageWindow();
    unsigned interval_ = 1000;
    bool enabled_ = false;
    UINT_PTR runId_ = 0;  // the platform timer's id while running, else 0
};

}  // namespace fw
