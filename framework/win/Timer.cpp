#include "framework/win/Timer.h"

#include "framework/win/Application.h"

namespace fw {

HWND Timer::MessageWindow() {
    static HWND window = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Timer::WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FwTimerWindow";
        ::RegisterClassExW(&wc);
        return ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
    }();
    return window;
}

LRESULT CALLBACK Timer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        auto* timer = reinterpret_cast<Timer*>(wParam);  // the timer id is the object's address
        try {
            if (timer->running_ && timer->OnTimer) timer->OnTimer();
        } catch (...) {
            Application::HandleException(std::current_exception());
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

Timer::~Timer() {
    if (running_) ::KillTimer(MessageWindow(), reinterpret_cast<UINT_PTR>(this));
}

void Timer::SetInterval(unsigned milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    if (running_) {
        ::KillTimer(MessageWindow(), reinterpret_cast<UINT_PTR>(this));
        running_ = false;
    }
    Update();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Update();
}

void Timer::Update() {
    const bool wanted = enabled_ && interval_ > 0 && OnTimer;
    if (wanted && !running_) {
        running_ = ::SetTimer(MessageWindow(), reinterpret_cast<UINT_PTR>(this), interval_, nullptr) != 0;
    } else if (!wanted && running_) {
        ::KillTimer(MessageWindow(), reinterpret_cast<UINT_PTR>(this));
        running_ = false;
    }
}

}  // namespace fw
