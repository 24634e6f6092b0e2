#pragma once
// The progress bar's state, without any window: every published value, the derived state that
// decides when the bar paints itself at once, and the bouncing block of the infinite mode.
//
// The model never paints. Each setter tells its view what the change needs:
//   - Invalidate(): repaint later, coalesced with other changes (most setters, even when the
//     value is unchanged, except the three level background colours, which act only on a change);
//   - PaintNow(): paint before returning (the Position setter, see SetPosition; each timer step);
//   - AnimationTimer(enabled, interval): the animation timer runs exactly while both Animated and
//     Infinite are true; InfiniteInterval only changes its interval.
// State after construction: 50 of 0..100, timer stopped, block at 0 moving down (so the first
// step leaves it at 0 and turns it upward).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/Colour.h"
#include "framework/Properties.h"

namespace ctl {

enum class TGaugeOrientation { goHorizontal, goVertical };

extern const fw::EnumInfo kGaugeOrientationInfo;

// What the bar's state asks of whatever shows it.
class ProgressBarView {
public:
    virtual void Invalidate() = 0;
    virtual void PaintNow() = 0;
    virtual void AnimationTimer(bool enabled, int intervalMs) = 0;

protected:
    ~ProgressBarView() = default;
};

// The values painting needs, copied at the start of a paint so that a paint sees one state.
// Colours are stored values (system colours and clNone unresolved).
struct ProgressBarSnapshot {
    fw::TColor backgroundColor = fw::clWhite;
    fw::TColor borderColor = fw::clGray;
    bool completionSmooth = false;
    std::string format;
    bool infinite = false;
    fw::TColor levelColor[4] = {0x00FF00, 0x00FFFF, 0x53A9FF, 0x0000FF};
    fw::TColor levelColorTo[4] = {0xE1FFE1, 0xCAFFFF, 0xA8D3FF, 0xCACAFF};
    fw::TColor levelBkColor[3] = {fw::clNone, fw::clNone, fw::clNone};
    int level1Perc = 70;
    int level2Perc = 90;
    TGaugeOrientation orientation = TGaugeOrientation::goHorizontal;
    bool rounded = true;
    bool showBorder = true;
    bool showGradient = true;
    bool showPercentage = true;
    bool showPosition = true;
    bool stacked = false;
    int steps = 8;
    // Derived at the time of the snapshot.
    int percentage = 50;
    int position = 50;
    int max = 100;
    int infinitePos = 0;
};

// round() as the bar uses it: halves go to the even neighbour.
int RoundHalfEven(double value);

// 0 when max = min, else round(position / (max - min) * 100), saturated to the int range.
// The position is deliberately not reduced by min: 100 of 50..150 reads 100 %.
int ProgressPercentage(int position, int min, int max);

class ProgressBarModel {
public:
    static constexpr std::uint32_t kVersionNumber = 0x01020002;
    static constexpr int kConstructorWidth = 128;
    static constexpr int kConstructorHeight = 18;
    static constexpr int kInfiniteStep = 4;

    explicit ProgressBarModel(ProgressBarView& view) : view_(&view) {}
    ProgressBarModel(const ProgressBarModel&) = delete;
    ProgressBarModel& operator=(const ProgressBarModel&) = delete;

    // "1.2.0.2": the version number's four bytes, major first.
    static std::string Version();

    bool Animated() const { return animated_; }
    void SetAnimated(bool value);
    bool Infinite() const { return look_.infinite; }
    // Switching the infinite mode on puts the block back at the start.
    void SetInfinite(bool value);
    int InfiniteInterval() const { return infiniteInterval_; }
    void SetInfiniteInterval(int milliseconds);
    bool TimerEnabled() const { return animated_ && look_.infinite; }

    int Min() const { return min_; }
    int Max() const { return look_.max; }
    void SetMin(int value);
    void SetMax(int value);
    int Position() const { return look_.position; }
    // Out of range: clamped to Min or Max and never painted at once; if clamping changed the
    // stored position, the bar is invalidated so that it does not go on showing the old one.
    // In range: stored, and painted at once when Granularity is 0, the value is a multiple of
    // Granularity, its bucket (value div Granularity) differs from the last one painted here, or
    // its percentage differs from the last one painted here.
    void SetPosition(int value);

    int Percentage() const { return ProgressPercentage(look_.position, min_, look_.max); }
    int Granularity() const { return granularity_; }
    int LastBucket() const { return lastBucket_; }
    int LastPercent() const { return lastPercent_; }
    int InfinitePos() const { return infinitePos_; }
    bool InfiniteUp() const { return infiniteUp_; }

    // One timer tick: the block moves 4 toward its end, turns at 0 and 100, and the bar paints
    // at once. A full sweep from one end to the other takes 25 steps.
    void Step();

    // Plain appearance setters: store and invalidate.
    fw::TColor BackgroundColor() const { return look_.backgroundColor; }
    void SetBackgroundColor(fw::TColor value) { Store(look_.backgroundColor, value); }
    fw::TColor BorderColor() const { return look_.borderColor; }
    void SetBorderColor(fw::TColor value) { Store(look_.borderColor, value); }
    bool CompletionSmooth() const { return look_.completionSmooth; }
    void SetCompletionSmooth(bool value) { Store(look_.completionSmooth, value); }
    const std::string& Format() const { return look_.format; }
    void SetFormat(std::string value) { Store(look_.format, std::move(value)); }
    fw::TColor LevelColor(int level) const { return look_.levelColor[level]; }
    void SetLevelColor(int level, fw::TColor value) { Store(look_.levelColor[level], value); }
    fw::TColor LevelColorTo(int level) const { return look_.levelColorTo[level]; }
    void SetLevelColorTo(int level, fw::TColor value) { Store(look_.levelColorTo[level], value); }
    // Zones 0..2; acts only on a change.
    fw::TColor LevelBkColor(int zone) const { return look_.levelBkColor[zone]; }
    void SetLevelBkColor(int zone, fw::TColor value);
    int Level1Perc() const { return look_.level1Perc; }
    void SetLevel1Perc(int value) { Store(look_.level1Perc, value); }
    int Level2Perc() const { return look_.level2Perc; }
    void SetLevel2Perc(int value) { Store(look_.level2Perc, value); }
    TGaugeOrientation Orientation() const { return look_.orientation; }
    void SetOrientation(TGaugeOrientation value) { Store(look_.orientation, value); }
    bool Rounded() const { return look_.rounded; }
    void SetRounded(bool value) { Store(look_.rounded, value); }
    bool ShowBorder() const { return look_.showBorder; }
    void SetShowBorder(bool value) { Store(look_.showBorder, value); }
    bool ShowGradient() const { return look_.showGradient; }
    void SetShowGradient(bool value) { Store(look_.showGradient, value); }
    bool ShowPercentage() const { return look_.showPercentage; }
    void SetShowPercentage(bool value) { Store(look_.showPercentage, value); }
    bool ShowPosition() const { return look_.showPosition; }
    void SetShowPosition(bool value) { Store(look_.showPosition, value); }
    bool Stacked() const { return look_.stacked; }
    void SetStacked(bool value) { Store(look_.stacked, value); }
    int Steps() const { return look_.steps; }
    void SetSteps(int value) { Store(look_.steps, value); }

    ProgressBarSnapshot Snapshot() const;

private:
    template <class T, class U>
    void Store(T& field, U&& value) {
        field = std::forward<U>(value);
        view_->Invalidate();
    }
    void RecomputeGranularity();
    void UpdateTimer();

    ProgressBarView* view_;
    ProgressBarSnapshot look_;  // position, max and the look; percentage and block filled on demand
    bool animated_ = false;
    int infiniteInterval_ = 50;
    int min_ = 0;
    int granularity_ = 1;
    int lastBucket_ = 0;
    int lastPercent_ = 0;
    int infinitePos_ = 0;
    bool infiniteUp_ = false;
};

// The published properties the model holds, in the order they are written, for the control's
// class table (the control adds its font and what its base class publishes). `model` finds the
// model inside the control object.
std::vector<fw::PropertyInfo> ProgressBarModelProperties(ProgressBarModel& (*model)(fw::Persistent&));

}  // namespace ctl
