#include "framework/win/Timer.h"

#include <unordered_map>
#include <unordered_set>

#include "framework/win/ExceptionReport.h"

namespace fw {
namespace {

// The running timers by the id of their run. Ids are counted, not the objects' addresses: a
// timer created where a destroyed one lived must not take the ticks still queued for that one.
std::unordered_map<UINT_PTR, Timer*>& RunningTimers() {
    static auto* const timers = new std::unordered_map<UINT_PTR, Timer*>;  // timers may outlive statics
    return *timers;
}

UINT_PTR g_lastRunId = 0;

// Timers whose tick is running. A tick that opens a modal box (its failure's report, say) runs
// until the box closes, and the box's loop keeps dispatching ticks: the same timer's next ticks
// are dropped meanwhile, or each would open one more box inside the last.
std::unordered_set<const Timer*>& TickingTimers() {
    static auto* const timers = new std::unordered_set<const Timer*>;
    return *timers;
}

}  // namespace

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
        const auto found = RunningTimers().find(static_cast<UINT_PTR>(wParam));
        if (found == RunningTimers().end()) return 0;  // queued before its timer stopped or went
        Timer* timer = found->second;
        if (!TickingTimers().insert(timer).second) return 0;  // its previous tick still runs
        try {
            if (timer->OnTimer) timer->OnTimer();
        } catch (...) {
            ReportException(std::current_exception());
        }
        TickingTimers().erase(timer);  // by address only: the timer may have gone during its tick
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

Timer::~Timer() { Stop(); }

void Timer::SetInterval(unsigned milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    Stop();
    Update();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Update();
}

void Timer::Update() {
    const bool wanted = enabled_ && interval_ > 0 && OnTimer;
    if (wanted && !runId_) {
        Start();
    } else if (!wanted && runId_) {
        Stop();
    }
}

void Timer::Start() {
    const UINT_PTR id = ++g_lastRunId;
    if (!::SetTimer(MessageWindow(), id, interval_, nullptr)) return;
    RunningTimers()[id] = this;
    runId_ = id;
}

void Timer::Stop() {
    if (!runId_) return;
    ::KillTimer(MessageWindow(), runId_);
    RunningTimers().erase(runId_);
    runId_ = 0;
}

}  // namespace fw
