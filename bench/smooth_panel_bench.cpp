// Smooth panel: the cost of a first paint (which renders the cached face: fill, captions) and of
// a repaint of an unchanged panel (which only copies the cached face), for the wizard's
// 580 x 347 background panel, plus the number of cache builds during the unchanged repaints.
// Goal: a cached repaint costs at most a tenth of a first paint.
//
// Windows program; runs under Wine without a display (painting goes into a memory DC, as the
// framework's double-buffered WM_PAINT does):
//   cmake --build --preset windows --target smooth_panel_bench && build/windows/wine-run.sh build/windows/bin/smooth_panel_bench.exe

#include <objidl.h>
#include <windows.h>
#include <gdiplus.h>

#include <chrono>
#include <cstdio>

#include "controls/win/AdvSmoothPanel.h"
#include "framework/win/Gdi.h"
#include "tests/support/WizardPanel.h"
#include "bench/BenchClock.h"

namespace {

void Run(const char* title, bool transparent) {
    fw::TCustomControl form;  // stands in for the window under a transparent panel
    form.SetBounds(0, 0, 580, 347);
    ctl::TAdvSmoothPanel panel;
    testsupport::MakeWizardPanel(panel);
    panel.SetTransparent(transparent);
    if (transparent) panel.SetParent(&form);
    fw::OffscreenBitmap target(nullptr, 580, 347);
    panel.Paint(target.Dc());  // warm-up: fonts, GDI+ caches

    constexpr int kFirst = 40, kCached = 400;
    auto start = bench::Clock::now();
    for (int i = 0; i < kFirst; ++i) {
        panel.Changed();  // stale face: the next paint renders it again
        panel.Paint(target.Dc());
    }
    const double first = bench::Microseconds(bench::Clock::now() - start) / kFirst;

    const int buildsBefore = panel.CacheBuilds();
    start = bench::Clock::now();
    for (int i = 0; i < kCached; ++i) panel.Paint(target.Dc());
    const double cached = bench::Microseconds(bench::Clock::now() - start) / kCached;
    const int rebuilt = panel.CacheBuilds() - buildsBefore;

    std::printf("%s\n", title);
    std::printf("  first paint (renders the cached face): %9.1f us  (mean of %d)\n", first, kFirst);
    std::printf("  cached repaint:                        %9.1f us  (mean of %d) = %.1f%% of a first paint (goal <= 10%%)\n",
                cached, kCached, 100.0 * cached / first);
    std::printf("  cache builds during %d unchanged repaints: %d\n", kCached, rebuilt);
    panel.SetParent(nullptr);
}

}  // namespace

int main() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    std::printf("smooth panel 580 x 347, the wizard's background, painted into a memory DC\n");
    Run("opaque panel (Transparent false)", false);
    Run("transparent panel over its parent (the wizard's setting)", true);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
