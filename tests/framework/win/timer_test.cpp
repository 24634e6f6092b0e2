// Timers tick through the message loop, also inside a modal box's own loop; a tick that throws is
// reported once, its timer held while the report is open, and goes on after; a tick queued for a
// timer that has since stopped or gone reaches nothing.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>

#include "RealInput.h"
#include "framework/win/Application.h"
#include "framework/win/Controls.h"
#include "framework/win/Dialogs.h"
#include "framework/win/Timer.h"

namespace {

using fwtest::BoxAnswerer;
using fwtest::PumpUntil;

fw::Application& App() {
    static fw::Application application;
    return application;
}

void Start(fw::Timer& timer, unsigned interval, std::function<void()> onTimer) {
    timer.OnTimer = std::move(onTimer);
    timer.SetInterval(interval);
    timer.SetEnabled(true);
}

// Takes the next WM_TIMER of the framework's timers out of the queue without handling it, as a
// tick still queued while the program does something else.
MSG TakeQueuedTick() {
    MSG msg{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!::PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ADD_FAILURE() << "no tick was queued";
            return msg;
        }
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_TIMER, 0);
    }
    return msg;
}

// A form to own the boxes, as in the program.
struct OwnerForm {
    OwnerForm() {
        App().SetMainForm(&form);
        form.SetClientWidth(200);
        form.SetClientHeight(80);
        form.Show();
        fwtest::BringToFront(form.Handle());
    }
    ~OwnerForm() { App().SetMainForm(nullptr); }
    fw::TForm form;
};

TEST(Timer, TicksArriveThroughTheLoopAndInsideAModalBox) {
    OwnerForm owner;
    std::atomic<int> ticks{0};
    fw::Timer timer;
    Start(timer, 20, [&] { ++ticks; });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; })) << "ticks through the loop: " << ticks;

    // The box is answered only after three more ticks came while it was open.
    std::atomic<int> ticksAtOpen{-1};
    BoxAnswerer answerer(BoxAnswerer::Enter(), [&] {
        if (ticksAtOpen < 0) ticksAtOpen = ticks.load();
        return ticks >= ticksAtOpen + 3;
    });
    fw::ShowMessageBox(&owner.form, "Aguarde", "Teste", MB_OK);
    answerer.Join();
    EXPECT_EQ(answerer.Failure(), "");
    EXPECT_TRUE(answerer.Join().closed);
}

TEST(Timer, AStoppedTimerTicksNoMoreWhileAnotherGoesOn) {
    App();
    int stoppedTicks = 0, referenceTicks = 0;
    fw::Timer stopped, reference;
    Start(stopped, 10, [&] { ++stoppedTicks; });
    Start(reference, 10, [&] { ++referenceTicks; });
    ASSERT_TRUE(PumpUntil([&] { return stoppedTicks >= 2; })) << "ticks: " << stoppedTicks;
    stopped.SetEnabled(false);
    const int ticksWhenStopped = stoppedTicks;
    const int referenceWhenStopped = referenceTicks;
    ASSERT_TRUE(PumpUntil([&] { return referenceTicks >= referenceWhenStopped + 10; }))
        << "the other timer's ticks: " << referenceTicks << ", " << referenceWhenStopped << " when the first stopped";
    EXPECT_EQ(stoppedTicks, ticksWhenStopped);

    stopped.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return stoppedTicks > ticksWhenStopped; })) << "enabled again, it ticks again";
}

TEST(Timer, ATickQueuedBeforeItsTimerWasDestroyedReachesNoOtherTimer) {
    App();
    bool destroyedTicked = false;
    int successorTicks = 0;
    std::optional<fw::Timer> slot;  // the successor is made where the destroyed timer lived
    slot.emplace();
    Start(*slot, 10, [&] { destroyedTicked = true; });
    MSG tick = TakeQueuedTick();
    slot.reset();
    slot.emplace();
    Start(*slot, 3600 * 1000, [&] { ++successorTicks; });  // would not tick on its own during the test

    ::DispatchMessageW(&tick);
    EXPECT_FALSE(destroyedTicked);
    EXPECT_EQ(successorTicks, 0) << "the destroyed timer's tick reached the timer made in its place";
}

TEST(Timer, ATickQueuedBeforeItsTimerStoppedDoesNotTickItsNextRun) {
    App();
    int ticks = 0;
    fw::Timer timer;
    Start(timer, 10, [&] { ++ticks; });
    MSG tick = TakeQueuedTick();
    timer.SetEnabled(false);
    timer.SetInterval(3600 * 1000);
    timer.SetEnabled(true);  // a run that would not tick during the test

    const int ticksBefore = ticks;
    ::DispatchMessageW(&tick);
    EXPECT_EQ(ticks, ticksBefore) << "a tick of the earlier run arrived in the new one";
}

TEST(Timer, AThrowingTickIsReportedOnceHoldingItsTimerWhileTheReportIsOpen) {
    OwnerForm owner;
    fw::Application& app = App();
    const int reportsBefore = app.ExceptionReports();
    std::atomic<int> ticks{0}, referenceTicks{0};
    fw::Timer failing, reference;
    Start(reference, 10, [&] { ++referenceTicks; });
    Start(failing, 10, [&] {
        if (++ticks == 1) throw std::runtime_error("Falha no temporizador");
    });
    // The report is answered once the other timer ticked ten times while it was open (ten of the
    // failing timer's intervals too): none of those ticks may have reached the failing timer, or
    // a handler failing at every tick would open box after box, each inside the last.
    const DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<int> referenceAtOpen{-1}, ticksWhileOpen{-1}, boxesWhileOpen{-1};
    BoxAnswerer answerer(BoxAnswerer::Enter(), [&] {
        if (referenceAtOpen < 0) referenceAtOpen = referenceTicks.load();
        if (referenceTicks < referenceAtOpen + 10) return false;
        ticksWhileOpen = ticks.load();
        boxesWhileOpen = static_cast<int>(BoxAnswerer::Boxes(uiThread).size());
        return true;
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; })) << "ticks: " << ticks;
    const fwtest::SeenBox& seen = answerer.Join();
    EXPECT_EQ(answerer.Failure(), "");
    EXPECT_EQ(seen.text, L"Falha no temporizador.");
    EXPECT_EQ(app.ExceptionReports() - reportsBefore, 1);
    EXPECT_EQ(ticksWhileOpen, 1) << "the failing timer ticked while its report was open";
    EXPECT_EQ(boxesWhileOpen, 1);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 4; })) << "the timer goes on after the report; ticks: " << ticks;
    EXPECT_TRUE(BoxAnswerer::Boxes(::GetCurrentThreadId()).empty());
}

}  // namespace
