#include "controls/AdvProgressBarModel.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

namespace ctl {

const fw::EnumInfo kGaugeOrientationInfo{"TGaugeOrientation", {"goHorizontal", "goVertical"}};

int RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLow = std::numeric_limits<int>::min();
    constexpr double kHigh = std::numeric_limits<int>::max();
    if (value <= kLow) return std::numeric_limits<int>::min();
    if (value >= kHigh) return std::numeric_limits<int>::max();
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double result = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) result = floor + 1.0;
    return static_cast<int>(result);
}

int ProgressPercentage(int position, int min, int max) {
    if (max == min) return 0;
    // In double: max - min may not fit an int, and the quotient times 100 may leave the int range.
    const double range = static_cast<double>(max) - static_cast<double>(min);
    return RoundHalfEven(static_cast<double>(position) / range * 100.0);
}

std::string ProgressBarModel::Version() {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty()) text += '.';
        text += std::to_string((kVersionNumber >> shift) & 0xFF);
    }
    return text;
}

void ProgressBarModel::UpdateTimer() { view_->AnimationTimer(TimerEnabled(), infiniteInterval_); }

void ProgressBarModel::SetAnimated(bool value) {
    animated_ = value;
    view_->Invalidate();
    UpdateTimer();
}

void ProgressBarModel::SetInfinite(bool value) {
    look_.infinite = value;
    if (value) infinitePos_ = 0;
    view_->Invalidate();
    UpdateTimer();
}

void ProgressBarModel::SetInfiniteInterval(int milliseconds) {
    infiniteInterval_ = milliseconds;
    UpdateTimer();
}

void ProgressBarModel::RecomputeGranularity() {
    // (max - min) div 100, truncated toward zero; the difference is taken wide so that it
    // cannot overflow, and the quotient always fits.
    const std::int64_t range = std::int64_t{look_.max} - std::int64_t{min_};
    granularity_ = static_cast<int>(range / 100);
}

void ProgressBarModel::SetMin(int value) {
    min_ = value;
    RecomputeGranularity();
    view_->Invalidate();
}

void ProgressBarModel::SetMax(int value) {
    look_.max = value;
    RecomputeGranularity();
    view_->Invalidate();
}

void ProgressBarModel::SetPosition(int value) {
    if (value < min_ || value > look_.max) {
        const int clamped = value < min_ ? min_ : look_.max;
        if (clamped != look_.position) {
            look_.position = clamped;
            view_->Invalidate();
        }
        return;
    }
    look_.position = value;
    const int percent = Percentage();
    // Wide arithmetic: a negative granularity (max below min) with the smallest int would
    // overflow in int.
    const std::int64_t wide = value;
    const std::int64_t granularity = granularity_;
    const bool paint = granularity == 0 || wide % granularity == 0 ||
                       wide / granularity != lastBucket_ || percent != lastPercent_;
    lastPercent_ = percent;
    if (granularity != 0) lastBucket_ = static_cast<int>(wide / granularity);
    if (paint) view_->PaintNow();
}

void ProgressBarModel::SetLevelBkColor(int zone, fw::TColor value) {
    if (look_.levelBkColor[zone] == value) return;
    look_.levelBkColor[zone] = value;
    view_->Invalidate();
}

void ProgressBarModel::Step() {
    if (infiniteUp_) {
        infinitePos_ += kInfiniteStep;
        if (infinitePos_ >= 100) {
            infinitePos_ = 100;
            infiniteUp_ = false;
        }
    } else {
        infinitePos_ -= kInfiniteStep;
        if (infinitePos_ <= 0) {
            infinitePos_ = 0;
            infiniteUp_ = true;
        }
    }
    view_->PaintNow();
}

ProgressBarSnapshot ProgressBarModel::Snapshot() const {
    ProgressBarSnapshot snapshot = look_;
    snapshot.percentage = Percentage();
    snapshot.infinitePos = infinitePos_;
    return snapshot;
}

namespace {

using Access = ProgressBarModel& (*)(fw::Persistent&);
using ModelSetter = std::function<void(ProgressBarModel&, const fw::Value&)>;
using ModelGetter = std::function<fw::Value(const ProgressBarModel&)>;

int AsInt(const fw::Value& value) { return static_cast<int>(std::get<std::int64_t>(value)); }
fw::TColor AsColour(const fw::Value& value) {
    return static_cast<fw::TColor>(std::get<std::int64_t>(value));
}
fw::Value FromColour(fw::TColor colour) { return std::int64_t{colour}; }

class TableBuilder {
public:
    explicit TableBuilder(Access access) : access_(access) {}

    void Add(std::string_view name, fw::PropertyType type, std::optional<fw::Value> declaredDefault,
             ModelSetter set, ModelGetter get, const fw::EnumInfo* enumInfo = nullptr) {
        fw::PropertyInfo info;
        info.name = name;
        info.type = type;
        info.enumInfo = enumInfo;
        info.declaredDefault = std::move(declaredDefault);
        const Access access = access_;
        info.set = [access, set = std::move(set)](fw::Persistent& object, const fw::Value& value) {
            set(access(object), value);
        };
        // Reading changes nothing; the accessor only has a mutable signature.
        info.get = [access, get = std::move(get)](const fw::Persistent& object) {
            return get(access(const_cast<fw::Persistent&>(object)));
        };
        table_.push_back(std::move(info));
    }

    void Bool(std::string_view name, std::optional<bool> declaredDefault,
              void (ProgressBarModel::*set)(bool), bool (ProgressBarModel::*get)() const) {
        Add(name, fw::PropertyType::Bool, Optional(declaredDefault),
            [set](ProgressBarModel& m, const fw::Value& v) { (m.*set)(std::get<bool>(v)); },
            [get](const ProgressBarModel& m) { return fw::Value{(m.*get)()}; });
    }

    void Integer(std::string_view name, std::optional<int> declaredDefault,
                 void (ProgressBarModel::*set)(int), int (ProgressBarModel::*get)() const) {
        Add(name, fw::PropertyType::Integer, Optional(declaredDefault),
            [set](ProgressBarModel& m, const fw::Value& v) { (m.*set)(AsInt(v)); },
            [get](const ProgressBarModel& m) { return fw::Value{std::int64_t{(m.*get)()}}; });
    }

    void Colour(std::string_view name, std::optional<fw::TColor> declaredDefault,
                void (ProgressBarModel::*set)(fw::TColor), fw::TColor (ProgressBarModel::*get)() const) {
        Add(name, fw::PropertyType::Colour, Optional(declaredDefault),
            [set](ProgressBarModel& m, const fw::Value& v) { (m.*set)(AsColour(v)); },
            [get](const ProgressBarModel& m) { return FromColour((m.*get)()); });
    }

    // A colour of the level (or zone) pairs, reached through an index.
    void IndexedColour(std::string_view name, std::optional<fw::TColor> declaredDefault, int index,
                       void (ProgressBarModel::*set)(int, fw::TColor),
                       fw::TColor (ProgressBarModel::*get)(int) const) {
        Add(name, fw::PropertyType::Colour, Optional(declaredDefault),
            [set, index](ProgressBarModel& m, const fw::Value& v) { (m.*set)(index, AsColour(v)); },
            [get, index](const ProgressBarModel& m) { return FromColour((m.*get)(index)); });
    }

    std::vector<fw::PropertyInfo> Take() { return std::move(table_); }

private:
    template <class T>
    static std::optional<fw::Value> Optional(const std::optional<T>& value) {
        if (!value) return std::nullopt;
        if constexpr (std::is_same_v<T, bool>) {
            return fw::Value{*value};
        } else {
            return fw::Value{std::int64_t{*value}};
        }
    }

    Access access_;
    std::vector<fw::PropertyInfo> table_;
};

}  // namespace

std::vector<fw::PropertyInfo> ProgressBarModelProperties(ProgressBarModel& (*model)(fw::Persistent&)) {
    using M = ProgressBarModel;
    using fw::PropertyType;
    constexpr std::nullopt_t none = std::nullopt;
    TableBuilder t(model);
    t.Bool("Animated", false, &M::SetAnimated, &M::Animated);
    t.Colour("BackgroundColor", fw::clWhite, &M::SetBackgroundColor, &M::BackgroundColor);
    t.Colour("BorderColor", fw::clGray, &M::SetBorderColor, &M::BorderColor);
    t.Bool("CompletionSmooth", false, &M::SetCompletionSmooth, &M::CompletionSmooth);
    t.Add("Format", PropertyType::String, none,
          [](M& m, const fw::Value& v) { m.SetFormat(std::get<std::string>(v)); },
          [](const M& m) { return fw::Value{m.Format()}; });
    t.Bool("Infinite", false, &M::SetInfinite, &M::Infinite);
    t.Integer("InfiniteInterval", 50, &M::SetInfiniteInterval, &M::InfiniteInterval);
    // Declared defaults only where the class declares one (the rest are always written).
    const std::optional<fw::TColor> levelDefaults[4] = {0x00FF00, 0x00FFFF, none, 0x0000FF};
    static constexpr std::string_view kColor[4] = {"Level0Color", "Level1Color", "Level2Color",
                                                   "Level3Color"};
    static constexpr std::string_view kColorTo[4] = {"Level0ColorTo", "Level1ColorTo",
                                                     "Level2ColorTo", "Level3ColorTo"};
    for (int level = 0; level < 4; ++level) {
        t.IndexedColour(kColor[level], levelDefaults[level], level, &M::SetLevelColor, &M::LevelColor);
        t.IndexedColour(kColorTo[level], none, level, &M::SetLevelColorTo, &M::LevelColorTo);
    }
    t.Integer("Level1Perc", none, &M::SetLevel1Perc, &M::Level1Perc);
    t.Integer("Level2Perc", none, &M::SetLevel2Perc, &M::Level2Perc);
    static constexpr std::string_view kBk[3] = {"Level0BkColor", "Level1BkColor", "Level2BkColor"};
    for (int zone = 0; zone < 3; ++zone) {
        t.IndexedColour(kBk[zone], fw::clNone, zone, &M::SetLevelBkColor, &M::LevelBkColor);
    }
    // Min and Max come before Position, so that a description's position is checked against the
    // range it states.
    t.Integer("Min", 0, &M::SetMin, &M::Min);
    t.Integer("Max", 100, &M::SetMax, &M::Max);
    t.Add(
        "Orientation", PropertyType::Enum, fw::Value{std::int64_t{0}},
        [](M& m, const fw::Value& v) { m.SetOrientation(static_cast<TGaugeOrientation>(AsInt(v))); },
        [](const M& m) { return fw::Value{std::int64_t{static_cast<int>(m.Orientation())}}; },
        &kGaugeOrientationInfo);
    t.Integer("Position", none, &M::SetPosition, &M::Position);
    t.Bool("Rounded", true, &M::SetRounded, &M::Rounded);
    t.Bool("ShowBorder", none, &M::SetShowBorder, &M::ShowBorder);
    t.Bool("ShowGradient", true, &M::SetShowGradient, &M::ShowGradient);
    t.Bool("ShowPercentage", true, &M::SetShowPercentage, &M::ShowPercentage);
    t.Bool("ShowPosition", true, &M::SetShowPosition, &M::ShowPosition);
    t.Bool("Stacked", false, &M::SetStacked, &M::Stacked);
    t.Integer("Steps", 8, &M::SetSteps, &M::Steps);
    // Read-only: the value is fixed, and assigning it (a description lists it) is ignored.
    t.Add("Version", PropertyType::String, none, [](M&, const fw::Value&) {},
          [](const M&) { return fw::Value{ProgressBarModel::Version()}; });
    return t.Take();
}

}  // namespace ctl
