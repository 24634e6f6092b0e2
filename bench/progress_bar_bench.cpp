// Cost of the progress bar's animation, on a real window (needs a display; under Wine an X
// server such as Xvfb named by DISPLAY).
//
//   1. One animation tick: Step() plus the whole immediate paint (layout, off-screen bitmap,
//      GDI drawing, transparent copy onto the parent window's DC), in microseconds; also the
//      layout alone, and the paint into a memory bitmap without the window.
//   2. The process's CPU share while the block runs for 10 s at the wizard's 50 ms interval
//      (GetProcessTimes before and after; the goal is under 2 % of one core). The display
//      server's own work is not counted.
//
// Prints figures; it is not a test. Options: --seconds N (default 10), --ticks N (default 2000).

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/BenchClock.h"
#include "controls/AdvProgressBarGeometry.h"
#include "controls/win/AdvProgressBar.h"
#include "framework/win/Application.h"
#include "framework/win/Controls.h"

namespace {

double CpuSeconds() {
    FILETIME creation, exit, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto seconds = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

struct Summary {
    double median, p90, min;
};
Summary Summarise(std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[micros.size() * 9 / 10], micros.front()};
}
void Print(const char* what, const Summary& s, std::size_t count) {
    std::printf("%-52s median %8.1f us   p90 %8.1f us   min %8.1f us   (%zu runs)\n", what, s.median, s.p90, s.min,
                count);
}

// The wizard's bar settings.
void SetUpWizardBar(ctl::TAdvProgressBar& bar) {
    auto& m = bar.Model();
    m.SetInfinite(true);
    m.SetStacked(true);
    m.SetShowPercentage(false);
    m.SetShowPosition(false);
    m.SetPosition(0);
    for (int level = 0; level < 4; ++level) {
        m.SetLevelColor(level, 16747287);
        m.SetLevelColorTo(level, 16762250);
    }
    bar.Font().SetHeight(-13);
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    double seconds = 10.0;
    int ticks = 2000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wcscmp(argv[i], L"--seconds") == 0) seconds = std::wcstod(argv[++i], nullptr);
        else if (std::wcscmp(argv[i], L"--ticks") == 0) ticks = std::max(1, static_cast<int>(std::wcstol(argv[++i], nullptr, 10)));
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    fw::Application application;
    fw::TForm form;
    form.SetBounds(0, 0, 400, 160);
    form.SetColor(0x202020);
    ctl::TAdvProgressBar bar;
    bar.SetBounds(3, 104, 327, 18);
    bar.SetParent(&form);
    SetUpWizardBar(bar);
    form.Show();
    if (!form.HandleAllocated() || !::IsWindowVisible(form.Handle())) {
        std::printf("no window could be shown (is DISPLAY set to a running X server?)\n");
        return 1;
    }
    for (int i = 0; i < 20; ++i) {  // let the first paint and the display settle
        Pump();
        ::Sleep(10);
    }

    std::printf("progress bar 327 x 18, infinite, stacked, stepped gradients (8 steps)\n");

    // Layout alone.
    {
        std::vector<double> runs;
        const auto snapshot = bar.Model().Snapshot();
        const ctl::BarTextMeasure measure = [](std::string_view) { return ctl::BarSize{0, 0}; };
        std::size_t sink = 0;
        for (int i = 0; i < ticks; ++i) {
            const double t0 = bench::NowSeconds();
            sink += ctl::LayoutProgressBar(snapshot, {0, 0, 327, 18}, measure).instructions.size();
            runs.push_back((bench::NowSeconds() - t0) * 1e6);
        }
        Print("layout (instruction list)", Summarise(runs), runs.size());
        if (sink == 0) std::printf("(empty layout?)\n");
    }
    // Paint into a memory bitmap: off-screen drawing and the transparent copy, no window.
    {
        fw::OffscreenBitmap target(nullptr, 327, 18);
        std::vector<double> runs;
        for (int i = 0; i < ticks; ++i) {
            const double t0 = bench::NowSeconds();
            bar.Paint(target.Dc());
            ::GdiFlush();
            runs.push_back((bench::NowSeconds() - t0) * 1e6);
        }
        Print("paint into a memory bitmap", Summarise(runs), runs.size());
    }
    // One tick as the timer runs it: Step() paints at once onto the window.
    {
        std::vector<double> runs;
        for (int i = 0; i < ticks; ++i) {
            const double t0 = bench::NowSeconds();
            bar.Model().Step();
            ::GdiFlush();
            runs.push_back((bench::NowSeconds() - t0) * 1e6);
            if (i % 64 == 0) Pump();
        }
        Print("animation tick (Step + paint onto the window DC)", Summarise(runs), runs.size());
    }

    // CPU share with the animation running at 50 ms.
    Pump();
    bar.Model().SetInfiniteInterval(50);
    bar.SetAnimated(true);
    int observedTicks = 0;
    int lastPos = bar.Model().InfinitePos();
    const double wall0 = bench::NowSeconds();
    const double cpu0 = CpuSeconds();
    while (bench::NowSeconds() - wall0 < seconds) {
        const double left = seconds - (bench::NowSeconds() - wall0);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::max(1.0, left * 1000.0)), QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            if (bar.Model().InfinitePos() != lastPos) {  // every step moves the block
                lastPos = bar.Model().InfinitePos();
                ++observedTicks;
            }
        }
    }
    const double cpu = CpuSeconds() - cpu0;
    const double wall = bench::NowSeconds() - wall0;
    bar.SetAnimated(false);
    std::printf("animation at 50 ms for %.1f s: %d ticks (%.1f per second), CPU %.3f s = %.2f %% of one core "
                "(goal < 2 %%)\n",
                wall, observedTicks, observedTicks / wall, cpu, 100.0 * cpu / wall);
    return 0;
}
