#pragma once
// TAdvProgressBar: a bordered progress bar without a window of its own, coloured by percentage
// levels, with stepped gradients, an optional text and an infinite mode in which a short block
// bounces from end to end under a timer.
//
// - State after construction: 128 x 18, 50 of 0..100, Verdana 10 pt in the window-text colour,
//   animation timer stopped. Every published value and its setter rules live in
//   ProgressBarModel (controls/AdvProgressBarModel.h); Model() reaches them.
// - Painting: the parent paints the bar through Paint(HDC) (origin at the bar's top-left). The
//   bar draws into an off-screen bitmap, then copies it; a rounded bar leaves its magenta
//   corners out, so the parent shows through them. Paint never erases first; Perform answers
//   WM_ERASEBKGND with 0.
// - Painting at once (Position changes, animation ticks) draws straight onto the parent's
//   window DC, clipped to the bar, without waiting for WM_PAINT: while the wizard works, its
//   window is repainted only when a modal box runs a message loop, yet the bar keeps moving.
// - Timer: ticks every InfiniteInterval ms through the message loop while Animated and Infinite
//   are both true; each tick steps the block and paints at once.
// - Notifications: none. Accessibility events: value change (percentage), state change (Animated).

#include <windows.h>

#include <optional>
#include <string>

#include "controls/AdvProgressBarGeometry.h"
#include "controls/AdvProgressBarModel.h"
#include "framework/win/Controls.h"
#include "framework/win/Gdi.h"
#include "framework/win/Timer.h"

namespace ctl {

// Draws bars into any DC; keeps the bar's GDI font (plain and turned) between paints.
class ProgressBarPainter {
public:
    // Paints a width x height bar at (x, y) of `target` through an off-screen bitmap, its frame,
    // insets and blocks at `dpi`.
    void Paint(HDC target, int x, int y, int width, int height, const ProgressBarSnapshot& bar,
               const fw::TFont& font, int dpi = 96);

    // The face actually used for a requested one: itself when installed, else Arial, else Tahoma
    // (the platform's font mapper would otherwise pick an arbitrary face).
    static std::wstring AvailableFace(const std::string& requested);

private:
    HFONT FontFor(const fw::TFont& font, bool rotated);

    fw::TFont cachedFor_;
    bool cacheValid_ = false;
    fw::UniqueFont fonts_[2];  // plain, turned by 90 degrees
};

class TAdvProgressBar : public fw::TGraphicControl {
public:
    TAdvProgressBar();
    ~TAdvProgressBar() override;
    const fw::ClassInfo& Class() const override;
    static const fw::ClassInfo& StaticClass();

    ProgressBarModel& Model() { return model_; }
    const ProgressBarModel& Model() const { return model_; }

    // The ones the wizard uses.
    bool Animated() const { return model_.Animated(); }
    void SetAnimated(bool value);
    int Position() const { return model_.Position(); }
    void SetPosition(int value);
    static std::string Version() { return ProgressBarModel::Version(); }

    void Paint(HDC dc) override;
    // A message for the bar; empty when the bar leaves it to the default handling.
    // WM_ERASEBKGND: 0 (nothing erased: the bar paints every pixel of its rectangle from its
    // bitmap, and erasing first would only make it flicker).
    std::optional<LRESULT> Perform(UINT message, WPARAM wParam, LPARAM lParam);

    // A progress bar to readers: its value is the percentage text ("42%"), announced when it
    // changes; animated while Animated, announced as a state change.
    long AccRole() const override;
    HRESULT AccValue(std::wstring& value) const override;
    DWORD AccState() const override;

    bool TimerRunning() const { return timer_.Enabled(); }
    unsigned TimerInterval() const { return timer_.Interval(); }

private:
    class View : public ProgressBarView {
    public:
        explicit View(TAdvProgressBar& bar) : bar_(bar) {}
        void Invalidate() override { bar_.Invalidate(); }
        void PaintNow() override { bar_.PaintNow(); }
        void AnimationTimer(bool enabled, int intervalMs) override;

    private:
        TAdvProgressBar& bar_;
    };

    void PaintNow();

    View view_{*this};
    ProgressBarModel model_{view_};
    ProgressBarPainter painter_;
    fw::Timer timer_;  // last: stops before the rest goes
};

void RegisterProgressBarClass(fw::ClassRegistry& registry);

}  // namespace ctl
