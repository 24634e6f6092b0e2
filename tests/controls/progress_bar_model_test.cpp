// The progress bar's state: when it paints at once, when it only invalidates, the animation
// timer, the bouncing block, the percentage rule and the published-property table.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

#include "controls/AdvProgressBarModel.h"

namespace {

using ctl::ProgressBarModel;

struct RecordingView : ctl::ProgressBarView {
    int invalidates = 0;
    int paints = 0;
    std::vector<std::pair<bool, int>> timer;  // every AnimationTimer call
    void Invalidate() override { ++invalidates; }
    void PaintNow() override { ++paints; }
    void AnimationTimer(bool enabled, int interval) override { timer.emplace_back(enabled, interval); }
    void Clear() { *this = RecordingView{}; }
};

struct Bar {
    RecordingView view;
    ProgressBarModel model{view};
};

TEST(ProgressBarPercentage, FollowsTheRangeWithoutSubtractingMin) {
    struct Case {
        int position, min, max, expected;
    } cases[] = {
        {50, 0, 100, 50},   {0, 0, 100, 0},     {100, 0, 100, 100},
        {100, 50, 150, 100},  // not 50: the position is not reduced by min
        {150, 50, 150, 150},  {7, 7, 7, 0},     {0, 0, 0, 0},  // empty range: 0
        {1, 0, 3, 33},      {2, 0, 3, 67},      {1, 0, 200, 0},  // 0.5 -> 0 (halves to even)
        {3, 0, 200, 2},     {-50, -100, 100, -25}, {5, 10, 0, -50},  // inverted range
        {INT_MAX, 0, 1, INT_MAX},  // saturates instead of overflowing
        {INT_MIN, INT_MIN, INT_MAX, -50},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ctl::ProgressPercentage(c.position, c.min, c.max), c.expected)
            << "position " << c.position << " of " << c.min << ".." << c.max;
    }
}

TEST(ProgressBarRounding, HalvesGoToTheEvenNeighbour) {
    struct Case {
        double value;
        int expected;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {2.5001, 3},
                 {-57.5, -58}, {1e300, INT_MAX}, {-1e300, INT_MIN}};
    for (const auto& c : cases) EXPECT_EQ(ctl::RoundHalfEven(c.value), c.expected) << c.value;
}

// Each row: a range, then positions assigned in turn, and for each whether the bar painted at
// once. Granularity is (max - min) div 100; the bar paints when it is 0, the value is a multiple
// of it, the bucket changed or the percentage changed.
TEST(ProgressBarPosition, PaintsAtOnceByTheGranularityRule) {
    struct Step {
        int value;
        bool paints;
    };
    struct Case {
        const char* name;
        int min, max;
        std::vector<Step> steps;
    } cases[] = {
        {"granularity 1: every value is a multiple", 0, 100, {{50, true}, {50, true}, {51, true}}},
        {"granularity 0 (range under 100): always", 0, 50, {{10, true}, {10, true}, {11, true}}},
        {"granularity 10",
         0,
         1000,
         {{5, false},    // bucket 0, 0.5 % rounds to 0: same as at start
          {6, true},     // 1 %
          {7, false},    // bucket 0, 1 %
          {10, true},    // multiple of 10
          {12, false},   // bucket 1, 1 %
          {25, true},    // bucket 2, 2 % (2.5 rounds to even)
          {26, true},    // bucket 2, 3 %
          {29, false},   // bucket 2, 3 %
          {35, true},    // bucket 3, 4 % (3.5 rounds to even)
          {36, false}}},
        // The percentage counts from 0, not from min: 505 is 50.5 %, rounded to 50.
        {"granularity 10 from min 500", 500, 1500, {{505, true}, {511, true}, {514, false}}},
    };
    for (const auto& c : cases) {
        Bar bar;
        bar.model.SetMin(c.min);
        bar.model.SetMax(c.max);
        for (const auto& step : c.steps) {
            bar.view.Clear();
            bar.model.SetPosition(step.value);
            EXPECT_EQ(bar.model.Position(), step.value) << c.name;
            EXPECT_EQ(bar.view.paints, step.paints ? 1 : 0) << c.name << ", position " << step.value;
            EXPECT_EQ(bar.view.invalidates, 0) << c.name << ", position " << step.value;
        }
    }
}

TEST(ProgressBarPosition, RemembersBucketAndPercentOfTheLastValue) {
    Bar bar;
    bar.model.SetMax(1000);
    bar.model.SetPosition(437);
    EXPECT_EQ(bar.model.LastBucket(), 43);
    EXPECT_EQ(bar.model.LastPercent(), 44);
    bar.model.SetMax(50);  // granularity 0: the bucket is left as it was
    bar.model.SetPosition(20);
    EXPECT_EQ(bar.model.LastBucket(), 43);
    EXPECT_EQ(bar.model.LastPercent(), 40);
}

// Out of range values clamp and never paint at once. A clamp that moves the stored position
// invalidates once, so the bar cannot keep showing a position it no longer has; a clamp to the
// position already held asks for nothing.
TEST(ProgressBarPosition, ClampsWithoutPaintingAtOnce) {
    struct Case {
        int start, value, stored, invalidates;
    } cases[] = {
        {50, 150, 100, 1}, {50, -1, 0, 1}, {100, 101, 100, 0},
        {0, INT_MIN, 0, 0}, {99, INT_MAX, 100, 1},
    };
    for (const auto& c : cases) {
        Bar bar;
        bar.model.SetPosition(c.start);
        bar.view.Clear();
        bar.model.SetPosition(c.value);
        EXPECT_EQ(bar.model.Position(), c.stored) << c.start << " <- " << c.value;
        EXPECT_EQ(bar.view.paints, 0) << c.start << " <- " << c.value;
        EXPECT_EQ(bar.view.invalidates, c.invalidates) << c.start << " <- " << c.value;
    }
}

TEST(ProgressBarPosition, GranularityFollowsMinAndMax) {
    struct Case {
        int min, max, granularity;
    } cases[] = {{0, 100, 1}, {0, 99, 0}, {0, 1000, 10}, {500, 1000, 5}, {100, 0, -1},
                 {0, 0, 0},   {INT_MIN, INT_MAX, 42949672}};
    for (const auto& c : cases) {
        Bar bar;
        bar.model.SetMax(c.max);
        bar.model.SetMin(c.min);
        EXPECT_EQ(bar.model.Granularity(), c.granularity) << c.min << ".." << c.max;
        // Min alone recomputes it too.
        bar.model.SetMin(c.max);
        EXPECT_EQ(bar.model.Granularity(), 0) << c.max << ".." << c.max;
    }
}

// The timer runs exactly while Animated and Infinite are both true.
TEST(ProgressBarTimer, RunsOnlyWhileAnimatedAndInfinite) {
    struct Change {
        const char* what;
        bool value;
        bool running;
    };
    const std::vector<Change> changes = {
        {"Animated", true, false}, {"Infinite", true, true},  {"Animated", false, false},
        {"Animated", true, true},  {"Infinite", false, false}, {"Animated", false, false},
        {"Infinite", true, false},
    };
    Bar bar;
    for (const auto& change : changes) {
        bar.view.Clear();
        if (std::string(change.what) == "Animated") {
            bar.model.SetAnimated(change.value);
        } else {
            bar.model.SetInfinite(change.value);
        }
        ASSERT_FALSE(bar.view.timer.empty()) << change.what;
        EXPECT_EQ(bar.view.timer.back().first, change.running) << change.what << " = " << change.value;
        EXPECT_EQ(bar.view.timer.back().second, 50) << change.what;
        EXPECT_EQ(bar.model.TimerEnabled(), change.running) << change.what << " = " << change.value;
        EXPECT_EQ(bar.view.invalidates, 1) << change.what;
    }
}

TEST(ProgressBarTimer, IntervalOnlyRetimesTheTimer) {
    Bar bar;
    bar.model.SetInfinite(true);
    bar.model.SetAnimated(true);
    bar.view.Clear();
    bar.model.SetInfiniteInterval(20);
    ASSERT_EQ(bar.view.timer.size(), 1u);
    EXPECT_EQ(bar.view.timer[0], std::make_pair(true, 20));
    EXPECT_EQ(bar.view.invalidates + bar.view.paints, 0);
}

TEST(ProgressBarTimer, BlockSweepsInTwentyFiveStepsAndBack) {
    Bar bar;
    bar.model.SetInfinite(true);
    bar.view.Clear();
    // The first step after construction turns the block around at 0.
    bar.model.Step();
    EXPECT_EQ(bar.model.InfinitePos(), 0);
    EXPECT_TRUE(bar.model.InfiniteUp());
    int steps = 0;
    while (bar.model.InfinitePos() < 100 && steps < 1000) {
        bar.model.Step();
        ++steps;
        EXPECT_TRUE(bar.model.InfinitePos() == 100 || bar.model.InfiniteUp()) << "step " << steps;
    }
    EXPECT_EQ(steps, 25);
    EXPECT_FALSE(bar.model.InfiniteUp());
    steps = 0;
    while (bar.model.InfinitePos() > 0 && steps < 1000) {
        bar.model.Step();
        ++steps;
    }
    EXPECT_EQ(steps, 25);
    EXPECT_TRUE(bar.model.InfiniteUp());
    EXPECT_EQ(bar.view.paints, 1 + 25 + 25);  // each step paints at once
    EXPECT_EQ(bar.view.invalidates, 0);
}

TEST(ProgressBarTimer, SwitchingInfiniteOnPutsTheBlockBack) {
    Bar bar;
    bar.model.SetInfinite(true);
    for (int i = 0; i < 6; ++i) bar.model.Step();
    ASSERT_EQ(bar.model.InfinitePos(), 20);
    bar.model.SetInfinite(false);
    EXPECT_EQ(bar.model.InfinitePos(), 20);  // switching off keeps it
    bar.model.SetInfinite(true);
    EXPECT_EQ(bar.model.InfinitePos(), 0);
    EXPECT_TRUE(bar.model.InfiniteUp());  // the direction is kept
}

// The table drives reading and writing the window description, so it must agree with the
// constructor and reach the right member for every property.
class ProgressBarTable : public ::testing::Test {
protected:
    struct Object : fw::Persistent {
        RecordingView view;
        ProgressBarModel model{view};
        const fw::ClassInfo& Class() const override {
            static const fw::ClassInfo info{"TestBar", nullptr, {}};
            return info;
        }
    };
    static ProgressBarModel& Access(fw::Persistent& object) { return static_cast<Object&>(object).model; }
    std::vector<fw::PropertyInfo> table = ctl::ProgressBarModelProperties(&Access);

    const fw::PropertyInfo* Find(std::string_view name) const {
        for (const auto& p : table) {
            if (p.name == name) return &p;
        }
        return nullptr;
    }
};

TEST_F(ProgressBarTable, DeclaredDefaultsAreTheConstructorValues) {
    // Declared defaults exist exactly for these; the others are always written.
    const std::set<std::string_view> declared = {
        "Animated",    "BackgroundColor", "BorderColor",   "CompletionSmooth", "Infinite",
        "InfiniteInterval", "Level0Color", "Level1Color",  "Level3Color",      "Level0BkColor",
        "Level1BkColor", "Level2BkColor",  "Min",          "Max",              "Orientation",
        "Rounded",     "ShowGradient",    "ShowPercentage", "ShowPosition",    "Stacked",
        "Steps"};
    Object fresh;
    std::set<std::string_view> names;
    for (const auto& p : table) {
        EXPECT_TRUE(names.insert(p.name).second) << "twice: " << p.name;
        EXPECT_EQ(p.declaredDefault.has_value(), declared.count(p.name) == 1) << p.name;
        if (p.declaredDefault) {
            EXPECT_EQ(p.get(fresh), *p.declaredDefault) << p.name;
        }
        EXPECT_TRUE(p.set && p.get) << p.name;
    }
    EXPECT_EQ(names.size(), 32u);
}

TEST_F(ProgressBarTable, ConstructorValues) {
    struct Case {
        std::string_view name;
        fw::Value value;
    } cases[] = {
        {"Level0ColorTo", std::int64_t{0xE1FFE1}}, {"Level1ColorTo", std::int64_t{0xCAFFFF}},
        {"Level2Color", std::int64_t{0x53A9FF}},   {"Level2ColorTo", std::int64_t{0xA8D3FF}},
        {"Level3ColorTo", std::int64_t{0xCACAFF}}, {"Level1Perc", std::int64_t{70}},
        {"Level2Perc", std::int64_t{90}},          {"Position", std::int64_t{50}},
        {"ShowBorder", true},                      {"Format", std::string()},
        {"Version", std::string("1.2.0.2")},
    };
    Object fresh;
    for (const auto& c : cases) {
        const auto* p = Find(c.name);
        ASSERT_NE(p, nullptr) << c.name;
        EXPECT_EQ(p->get(fresh), c.value) << c.name;
    }
}

TEST_F(ProgressBarTable, EverySetterReachesItsOwnGetterAndNoOther) {
    for (const auto& p : table) {
        if (p.name == "Version") continue;
        Object object;
        fw::Value changed;
        const fw::Value before = p.get(object);
        if (const auto* b = std::get_if<bool>(&before)) {
            changed = !*b;
        } else if (const auto* s = std::get_if<std::string>(&before)) {
            changed = *s + "%d";
        } else if (p.type == fw::PropertyType::Enum) {
            changed = std::int64_t{1};
        } else {
            // Inside 0..100 so that Position keeps it; distinct from every constructor value.
            changed = std::get<std::int64_t>(before) == 37 ? std::int64_t{38} : std::int64_t{37};
        }
        // Everything else reads as before.
        std::vector<fw::Value> others;
        for (const auto& q : table) others.push_back(q.get(object));
        p.set(object, changed);
        EXPECT_EQ(p.get(object), changed) << p.name;
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (&table[i] == &p || table[i].name == "Version") continue;
            EXPECT_EQ(table[i].get(object), others[i]) << "setting " << p.name << " changed " << table[i].name;
        }
    }
}

TEST_F(ProgressBarTable, VersionIgnoresAssignment) {
    Object object;
    const auto* version = Find("Version");
    ASSERT_NE(version, nullptr);
    version->set(object, std::string("9.9.9.9"));
    EXPECT_EQ(version->get(object), fw::Value{std::string("1.2.0.2")});
    EXPECT_EQ(object.view.invalidates, 0);
}

TEST(ProgressBarSetters, LevelBackgroundsActOnlyOnAChangeOthersAlways) {
    Bar bar;
    bar.model.SetLevelBkColor(1, fw::clNone);
    EXPECT_EQ(bar.view.invalidates, 0);
    bar.model.SetLevelBkColor(1, fw::clRed);
    EXPECT_EQ(bar.view.invalidates, 1);
    bar.model.SetLevelBkColor(1, fw::clRed);
    EXPECT_EQ(bar.view.invalidates, 1);
    bar.model.SetSteps(8);  // unchanged, still invalidates
    bar.model.SetBackgroundColor(fw::clWhite);
    EXPECT_EQ(bar.view.invalidates, 3);
    EXPECT_EQ(bar.view.paints, 0);
}

}  // namespace
