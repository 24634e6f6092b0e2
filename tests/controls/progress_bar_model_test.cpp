// The progress bar's state: when it paints at once or only invalidates, the animation timer, the
// bouncing block, the percentage rule and the published-property table.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

#include "controls/AdvProgressBarModel.h"

namespace {

using ctl::ProgressBarModel;

struct RecordingView : ctl::ProgressBarView {
    int invalidates = 0, paints = 0;
    std::vector<std::pair<bool, int>> timer;
    void Invalidate() override { ++invalidates; }
    void PaintNow() override { ++paints; }
    void AnimationTimer(bool enabled, int interval) override { timer.emplace_back(enabled, interval); }
};

struct Bar : fw::Persistent {
    RecordingView view;
    ProgressBarModel model{view};
    const fw::ClassInfo& Class() const override {
        static const fw::ClassInfo info{"TestBar", nullptr, {}};
        return info;
    }
};

TEST(ProgressBarModel, PercentageCountsFromZeroNotFromMin) {
    struct Case {
        int position, min, max, expected;
    } cases[] = {
        {50, 0, 100, 50}, {100, 50, 150, 100}, {150, 50, 150, 150}, {7, 7, 7, 0},  // empty range
        {2, 0, 3, 67},    {1, 0, 200, 0}, {3, 0, 200, 2},  // halves round to even
        {-50, -100, 100, -25}, {5, 10, 0, -50}, {INT_MAX, 0, 1, INT_MAX},  // saturates
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ctl::ProgressPercentage(c.position, c.min, c.max), c.expected)
            << c.position << " of " << c.min << ".." << c.max;
    }
}

// Assigned in turn after setting the range. In range: painted at once when Granularity
// ((max - min) div 100) is 0, the value is a multiple of it, or its bucket or percentage differs
// from the last ones painted. Out of range: clamped, never painted at once, invalidated only when
// the stored position moved.
TEST(ProgressBarModel, PositionPaintsAtOnceOrClamps) {
    struct Step {
        int value, stored, paints, invalidates;
    };
    struct Case {
        int min, max;
        std::vector<Step> steps;
    } cases[] = {
        {0, 100, {{50, 50, 1, 0}, {50, 50, 1, 0}, {150, 100, 0, 1}, {101, 100, 0, 0}, {-1, 0, 0, 1}, {INT_MIN, 0, 0, 0}}},
        {0, 50, {{10, 10, 1, 0}, {10, 10, 1, 0}}},  // granularity 0
        {0, 1000, {{5, 5, 0, 0},  // bucket 0, 0.5 % rounds to 0: as at start
                   {6, 6, 1, 0}, {7, 7, 0, 0}, {10, 10, 1, 0}, {12, 12, 0, 0}, {25, 25, 1, 0},
                   {26, 26, 1, 0}, {29, 29, 0, 0}, {35, 35, 1, 0}, {36, 36, 0, 0}}},
        {500, 1500, {{505, 505, 1, 0}, {511, 511, 1, 0}, {514, 514, 0, 0}}},
    };
    for (const auto& c : cases) {
        Bar bar;
        bar.model.SetMin(c.min);
        bar.model.SetMax(c.max);
        for (const auto& s : c.steps) {
            bar.view = RecordingView{};
            bar.model.SetPosition(s.value);
            const std::string where = std::to_string(c.min) + ".." + std::to_string(c.max) + " <- " + std::to_string(s.value);
            EXPECT_EQ(bar.model.Position(), s.stored) << where;
            EXPECT_EQ(bar.view.paints, s.paints) << where;
            EXPECT_EQ(bar.view.invalidates, s.invalidates) << where;
        }
    }
}

TEST(ProgressBarModel, GranularityFollowsMinAndMax) {
    struct Case {
        int min, max, granularity;
    } cases[] = {{0, 100, 1}, {0, 99, 0}, {500, 1000, 5}, {100, 0, -1}, {INT_MIN, INT_MAX, 42949672}};
    for (const auto& c : cases) {
        Bar bar;
        bar.model.SetMax(c.max);
        bar.model.SetMin(c.min);
        EXPECT_EQ(bar.model.Granularity(), c.granularity) << c.min << ".." << c.max;
    }
}

// The timer runs exactly while Animated and Infinite are both true; every change invalidates.
TEST(ProgressBarModel, TimerRunsOnlyWhileAnimatedAndInfinite) {
    struct Change {
        bool animated;  // else Infinite
        bool value, running;
    } changes[] = {{true, true, false},  {false, true, true},  {true, false, false}, {true, true, true},
                   {false, false, false}, {true, false, false}, {false, true, false}};
    Bar bar;
    for (const auto& c : changes) {
        bar.view = RecordingView{};
        c.animated ? bar.model.SetAnimated(c.value) : bar.model.SetInfinite(c.value);
        const char* what = c.animated ? "Animated" : "Infinite";
        ASSERT_FALSE(bar.view.timer.empty()) << what;
        EXPECT_EQ(bar.view.timer.back(), std::make_pair(c.running, 50)) << what << " = " << c.value;
        EXPECT_EQ(bar.view.invalidates, 1) << what;
    }
    bar.view = RecordingView{};
    bar.model.SetInfiniteInterval(20);  // only retimes
    EXPECT_EQ(bar.view.timer, (std::vector<std::pair<bool, int>>{{false, 20}}));
    EXPECT_EQ(bar.view.invalidates + bar.view.paints, 0);
}

TEST(ProgressBarModel, BlockSweepsInTwentyFiveStepsAndBack) {
    Bar bar;
    bar.model.SetInfinite(true);
    bar.view = RecordingView{};
    bar.model.Step();  // the first step turns the block around at 0
    EXPECT_EQ(bar.model.InfinitePos(), 0);
    int up = 0, down = 0;
    while (bar.model.InfinitePos() < 100 && up < 100) bar.model.Step(), ++up;
    while (bar.model.InfinitePos() > 0 && down < 100) bar.model.Step(), ++down;
    EXPECT_EQ(up, 25);
    EXPECT_EQ(down, 25);
    EXPECT_EQ(bar.view.paints, 51);  // every step paints at once
    for (int i = 0; i < 5; ++i) bar.model.Step();
    bar.model.SetInfinite(false);
    EXPECT_EQ(bar.model.InfinitePos(), 20);  // switching off keeps the block where it is
    bar.model.SetInfinite(true);
    EXPECT_EQ(bar.model.InfinitePos(), 0);  // switching on puts it back
}

TEST(ProgressBarModel, LevelBackgroundsActOnlyOnAChange) {
    Bar bar;
    bar.model.SetLevelBkColor(1, fw::clNone);
    bar.model.SetLevelBkColor(1, fw::clRed);
    bar.model.SetLevelBkColor(1, fw::clRed);
    EXPECT_EQ(bar.view.invalidates, 1);
    bar.model.SetSteps(8);  // others invalidate even when unchanged
    EXPECT_EQ(bar.view.invalidates, 2);
}

// The table drives reading and writing the window description: its declared defaults must be the
// constructor's values, and every entry must reach its own member and no other.
TEST(ProgressBarModel, PropertyTableMatchesTheModel) {
    auto access = [](fw::Persistent& o) -> ProgressBarModel& { return static_cast<Bar&>(o).model; };
    const auto table = ctl::ProgressBarModelProperties(access);
    const std::set<std::string_view> declared = {
        "Animated", "BackgroundColor", "BorderColor", "CompletionSmooth", "Infinite", "InfiniteInterval",
        "Level0Color", "Level1Color", "Level3Color", "Level0BkColor", "Level1BkColor", "Level2BkColor", "Min",
        "Max", "Orientation", "Rounded", "ShowGradient", "ShowPercentage", "ShowPosition", "Stacked", "Steps"};
    const std::pair<std::string_view, fw::Value> undeclared[] = {
        {"Level0ColorTo", std::int64_t{0xE1FFE1}}, {"Level2Color", std::int64_t{0x53A9FF}},
        {"Level3ColorTo", std::int64_t{0xCACAFF}}, {"Level2Perc", std::int64_t{90}},
        {"Position", std::int64_t{50}}, {"ShowBorder", true}, {"Version", std::string("1.2.0.2")}};
    Bar fresh;
    std::set<std::string_view> names;
    for (const auto& p : table) {
        EXPECT_TRUE(names.insert(p.name).second) << "twice: " << p.name;
        EXPECT_EQ(p.declaredDefault.has_value(), declared.count(p.name) == 1) << p.name;
        if (p.declaredDefault) {
            EXPECT_EQ(p.get(fresh), *p.declaredDefault) << p.name;
        }
        for (const auto& [name, value] : undeclared) {
            if (name == p.name) {
                EXPECT_EQ(p.get(fresh), value) << p.name;
            }
        }
    }
    EXPECT_EQ(names.size(), 32u);

    for (const auto& p : table) {
        Bar bar;
        std::vector<fw::Value> before;
        for (const auto& q : table) before.push_back(q.get(bar));
        fw::Value changed = std::int64_t{37};  // in 0..100, so that Position keeps it
        if (const auto* b = std::get_if<bool>(&before[&p - table.data()])) changed = !*b;
        if (p.type == fw::PropertyType::String) changed = std::string("%d");
        if (p.type == fw::PropertyType::Enum) changed = std::int64_t{1};
        p.set(bar, changed);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const bool self = &table[i] == &p && p.name != "Version";  // Version ignores assignment
            EXPECT_EQ(table[i].get(bar), self ? changed : before[i]) << "setting " << p.name << ", reading " << table[i].name;
        }
    }
}

}  // namespace
