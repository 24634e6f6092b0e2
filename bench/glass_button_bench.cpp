// Glass buttons of the real window (loaded from its description in this process and shown):
// - the cost of one full repaint of "Seguinte >>": the parent's image copied in, the body and the
//   caption, painted into a memory DC as the double-buffered paint does, and the whole WM_PAINT
//   path (buffer, paint, copy to the screen);
// - the paints each button makes while the pointer crosses the three buttons with real mouse input
//   from left to right and then leaves them: the hover rules ask for one repaint per enabled
//   button, when the pointer leaves it, and none on entering.
// Needs a display (under Wine: DISPLAY naming an X server such as Xvfb). Prints figures; not a test.
// Run: DISPLAY=:1 build/windows/wine-run.sh build/windows/bin/glass_button_bench.exe

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "app/Main.h"
#include "framework/win/Application.h"
#include "framework/win/Gdi.h"
#include "bench/BenchClock.h"

namespace {

using bench::Clock;

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Pumps messages for a while, so that timers tick.
void PumpFor(int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < end) {
        Pump();
        ::Sleep(1);
    }
}

void MoveTo(int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof input);
}

double PerCall(Clock::duration total, int calls) { return bench::Microseconds(total) / calls; }

}  // namespace

int wmain() {
    fw::Application application;
    app::TfrmMain form;
    form.LoadDescription();
    application.SetMainForm(&form);
    form.Show();
    PumpFor(300);
    ctl::TAdvGlassButton* buttons[] = {form.Anterior, form.Seguinte, form.btCancel};
    ctl::TAdvGlassButton& seguinte = *form.Seguinte;

    constexpr int kPaints = 500;
    {
        fw::WindowDc screen(nullptr);
        fw::OffscreenBitmap buffer(screen.Get(), seguinte.Width(), seguinte.Height());
        for (int i = 0; i < 20; ++i) seguinte.Paint(buffer.Dc());
        const auto start = Clock::now();
        for (int i = 0; i < kPaints; ++i) seguinte.Paint(buffer.Dc());
        ::GdiFlush();
        std::printf("one repaint into a memory DC (parent image, body, caption): %.1f us\n",
                    PerCall(Clock::now() - start, kPaints));
        const auto glassStart = Clock::now();
        for (int i = 0; i < kPaints; ++i) seguinte.DrawGlassButton(buffer.Dc());
        ::GdiFlush();
        std::printf("  of which body and caption alone: %.1f us\n", PerCall(Clock::now() - glassStart, kPaints));
        seguinte.Apply(seguinte.Model().SetShowCaption(false));
        const auto bodyStart = Clock::now();
        for (int i = 0; i < kPaints; ++i) seguinte.DrawGlassButton(buffer.Dc());
        ::GdiFlush();
        std::printf("  of which the body alone: %.1f us\n", PerCall(Clock::now() - bodyStart, kPaints));
        seguinte.Apply(seguinte.Model().SetShowCaption(true));
    }
    {
        const auto start = Clock::now();
        for (int i = 0; i < kPaints; ++i) {
            ::RedrawWindow(seguinte.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        ::GdiFlush();
        std::printf("one WM_PAINT of the window (buffer, paint, copy to the screen): %.1f us\n",
                    PerCall(Clock::now() - start, kPaints));
    }

    // The pointer crosses the three buttons at their middle height, 3 pixels a step.
    RECT first{}, last{};
    ::GetWindowRect(form.Anterior->Handle(), &first);
    ::GetWindowRect(form.btCancel->Handle(), &last);
    const int y = (first.top + first.bottom) / 2;
    MoveTo(first.left - 20, y - 60);
    PumpFor(200);
    unsigned before[3];
    for (int i = 0; i < 3; ++i) before[i] = buttons[i]->PaintCount();
    for (int x = first.left - 10; x <= last.right + 10; x += 3) {
        MoveTo(x, y);
        PumpFor(4);
    }
    MoveTo(last.right + 10, y - 60);
    PumpFor(300);
    const char* names[] = {"<< Anterior (disabled)", "Seguinte >>", "Sair"};
    unsigned total = 0;
    for (int i = 0; i < 3; ++i) {
        const unsigned painted = buttons[i]->PaintCount() - before[i];
        total += painted;
        std::printf("paints while the pointer crossed %s: %u\n", names[i], painted);
    }
    std::printf("paints in all: %u (the hover rules order 2: one per enabled button left)\n", total);
    application.SetMainForm(nullptr);
    return 0;
}
