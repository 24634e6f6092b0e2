// Scaling a window from its 96-DPI design to the screen's DPI: the rounding of each kind of pixel
// value, the layout rules it keeps (neighbours neither overlap nor open gaps, on tables and on the
// wizard's own window description), and the design capture and its rounds on small classes.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Description.h"
#include "framework/PropertyBuilders.h"
#include "framework/Scaling.h"

namespace {

using fw::DpiScale;
using fw::PixelUnit;

constexpr int kScreens[] = {120, 144, 168, 192};  // 125 %, 150 %, 175 %, 200 %

TEST(DpiScale, EveryUnitIsTheDesignValueAt96Dpi) {
    const DpiScale design(96);
    for (int v : {-500, -19, -11, -1, 0, 1, 2, 3, 7, 11, 347, 580, 100000}) {
        EXPECT_EQ(design.Edge(v), v);
        EXPECT_EQ(design.Extent(v, 37), 37);
        EXPECT_EQ(design.Length(v), v);
        EXPECT_EQ(design.Line(v), v);
        EXPECT_EQ(design.FontHeight(v), v);
        EXPECT_EQ(design.DesignLength(v), v);
        EXPECT_EQ(design.DesignFontHeight(v), v);
    }
}

// The rounding of each unit where it matters: halves, small values, negatives.
TEST(DpiScale, RoundsEachUnitAsItsContractSays) {
    struct Case {
        int dpi, design, edge, length, line, font;
    } const cases[] = {
        // 125 %: 1.25, 2.5, 3.75
        {120, 1, 1, 1, 1, 1},   {120, 2, 3, 3, 2, 2},      {120, 3, 4, 4, 3, 3},    {120, 4, 5, 5, 5, 5},
        {120, -2, -2, -3, -2, -2},  // an edge's half goes up (-2.5 -> -2), a length's away from 0
        {120, -11, -14, -14, -11, -13}, {120, -13, -16, -16, -13, -16},
        // 150 %: halves at every odd value
        {144, 1, 2, 2, 1, 1},   {144, 3, 5, 5, 4, 4},      {144, 11, 17, 17, 16, 16},
        {144, 347, 521, 521, 520, 520}, {144, -11, -16, -17, -11, -16}, {144, -13, -19, -20, -13, -19},
        // 175 %
        {168, 1, 2, 2, 1, 1},   {168, 2, 4, 4, 3, 3},      {168, 6, 11, 11, 10, 10}, {168, 4, 7, 7, 7, 7},
        {168, -11, -19, -19, -11, -19},
        // 200 %
        {192, 1, 2, 2, 2, 2},   {192, 7, 14, 14, 14, 14},  {192, -11, -22, -22, -11, -22},
    };
    for (const Case& c : cases) {
        const DpiScale s(c.dpi);
        EXPECT_EQ(s.Edge(c.design), c.edge) << c.dpi << " dpi, edge " << c.design;
        EXPECT_EQ(s.Length(c.design), c.length) << c.dpi << " dpi, length " << c.design;
        if (c.design > 0) {
            EXPECT_EQ(s.Line(c.design), c.line) << c.dpi << " dpi, line " << c.design;
        }
        EXPECT_EQ(s.FontHeight(c.design), c.font) << c.dpi << " dpi, font height " << c.design;
    }
    // A font never shrinks to nothing.
    EXPECT_EQ(DpiScale(120).FontHeight(-1), -1);
    EXPECT_EQ(DpiScale(120).FontHeight(0), 0);
    // Lines: nothing stays nothing, a drawn line never vanishes.
    for (int dpi : kScreens) {
        EXPECT_EQ(DpiScale(dpi).Line(0), 0);
        EXPECT_GE(DpiScale(dpi).Line(1), 1);
    }
    EXPECT_EQ(DpiScale(72).Line(1), 1);
    // The DPI unit is the DPI itself; an unknown or zero DPI is the design's.
    EXPECT_EQ(DpiScale(144).Scale(PixelUnit::Dpi, 96), 144);
    EXPECT_EQ(DpiScale(0).Dpi(), 96);
    EXPECT_EQ(DpiScale(144).Scale(PixelUnit::None, 13), 13);
}

TEST(DpiScale, LengthsAndFontHeightsComeBackToTheirDesignValue) {
    for (int dpi : kScreens) {
        const DpiScale s(dpi);
        for (int v = -300; v <= 300; ++v) {
            ASSERT_EQ(s.DesignLength(s.Length(v)), v) << dpi << " dpi, length " << v;
            ASSERT_EQ(s.DesignFontHeight(s.FontHeight(v)), v) << dpi << " dpi, font height " << v;
        }
    }
}

// Three controls in a row, the middle one touching the first and two pixels apart from the last, as
// the wizard's buttons and boxes stand: for every design position and size in a range, scaled edges
// keep touching controls touching (no gap, no overlap), keep apart controls apart, and give sizes
// within a pixel of the exact ones.
TEST(DpiScale, NeighboursNeitherOverlapNorOpenGapsAndSizesStayWithinAPixel) {
    for (int dpi : kScreens) {
        const DpiScale s(dpi);
        const double k = dpi / 96.0;
        for (int left = -3; left < 60; ++left) {
            for (int width = 0; width < 40; ++width) {
                const int second = left + width, secondWidth = 1 + width % 7;
                const int third = second + secondWidth + 2;
                const int a = s.Edge(left), aw = s.Extent(left, width);
                const int b = s.Edge(second), bw = s.Extent(second, secondWidth);
                const int c = s.Edge(third);
                ASSERT_EQ(a + aw, b) << dpi << " dpi: touching controls at " << left << "+" << width;
                ASSERT_LT(b + bw, c) << dpi << " dpi: controls 2 pixels apart at " << second;
                ASSERT_LT(std::abs(aw - width * k), 1.0) << dpi << " dpi, size " << width << " at " << left;
                ASSERT_GE(aw, 0);
            }
        }
    }
}

// --- The wizard's window ------------------------------------------------------------------------

struct Box {
    std::string name;
    int left = 0, top = 0, width = 0, height = 0;
};

int IntOf(const fw::ObjectNode& node, std::string_view path, int fallback) {
    for (const auto& p : node.properties) {
        if (p.path == path) return static_cast<int>(std::get<std::int64_t>(p.value));
    }
    return fallback;
}

// Relation of two intervals on one axis: -1 apart (a before b), 0 touching, 1 overlapping, 2 b before a...
int Relation(int a0, int a1, int b0, int b1) {
    if (a1 < b0) return -2;
    if (a1 == b0) return -1;
    if (b1 < a0) return 2;
    if (b1 == a0) return 1;
    return 0;  // overlapping
}

// Every pair of sibling controls of the wizard's window description keeps, at each screen DPI, the
// relation of its edges on both axes (apart, touching or overlapping), and every control stays
// inside its parent's design area scaled.
TEST(DpiScale, TheWizardsSiblingControlsKeepTheirRelationsAtEveryScale) {
    std::ifstream file(std::string(WIZARD_SOURCE_DIR) + "/app/Main.description", std::ios::binary);
    ASSERT_TRUE(file) << "app/Main.description not found";
    std::stringstream text;
    text << file.rdbuf();
    const fw::ObjectNode root = fw::ParseDescription(text.str(), "Main.description");

    int pairs = 0;
    std::function<void(const fw::ObjectNode&, int, int)> walk = [&](const fw::ObjectNode& parent, int pw, int ph) {
        std::vector<Box> boxes;
        for (const auto& child : parent.children) {
            Box b{child.name, IntOf(child, "Left", 0), IntOf(child, "Top", 0), IntOf(child, "Width", -1),
                  IntOf(child, "Height", -1)};
            if (b.width >= 0 && b.height >= 0) boxes.push_back(b);
            walk(child, b.width, b.height);
        }
        for (int dpi : kScreens) {
            const DpiScale s(dpi);
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                const Box& a = boxes[i];
                if (pw > 0 && ph > 0 && a.left >= 0 && a.top >= 0 && a.left + a.width <= pw && a.top + a.height <= ph) {
                    EXPECT_LE(s.Edge(a.left) + s.Extent(a.left, a.width), s.Extent(0, pw)) << a.name << " at " << dpi;
                    EXPECT_LE(s.Edge(a.top) + s.Extent(a.top, a.height), s.Extent(0, ph)) << a.name << " at " << dpi;
                }
                for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                    const Box& b = boxes[j];
                    auto scaled = [&](int p, int size) { return std::pair{s.Edge(p), s.Edge(p) + s.Extent(p, size)}; };
                    const auto [ax0, ax1] = scaled(a.left, a.width);
                    const auto [bx0, bx1] = scaled(b.left, b.width);
                    const auto [ay0, ay1] = scaled(a.top, a.height);
                    const auto [by0, by1] = scaled(b.top, b.height);
                    EXPECT_EQ(Relation(ax0, ax1, bx0, bx1), Relation(a.left, a.left + a.width, b.left, b.left + b.width))
                        << a.name << " and " << b.name << " across, at " << dpi << " dpi";
                    EXPECT_EQ(Relation(ay0, ay1, by0, by1), Relation(a.top, a.top + a.height, b.top, b.top + b.height))
                        << a.name << " and " << b.name << " down, at " << dpi << " dpi";
                    ++pairs;
                }
            }
        }
    };
    walk(root, IntOf(root, "ClientWidth", 0), IntOf(root, "ClientHeight", 0));
    EXPECT_GT(pairs, 4 * 100) << "the description's controls were not found";
}

// --- The design and its rounds ------------------------------------------------------------------

// Records every pixel value set on it, in order, in a log shared by the objects of one test.
struct Log {
    std::vector<std::string> sets;
};

struct Font : fw::Persistent {
    int height = -11, dpi = 96;
    Log* log = nullptr;
    static const fw::ClassInfo& StaticClass();
    const fw::ClassInfo& Class() const override { return StaticClass(); }
};

struct Control : fw::Component {
    int left = 0, top = 0, width = 0, height = 0, radius = 0, frame = 1, dpi = 96;
    bool aligned = false, parentFont = false;
    std::string label = "x";
    Font font;
    Log* log = nullptr;
    const fw::ClassInfo& Class() const override;
};

template <class T>
fw::PropertyInfo Recorded(std::string_view name, int T::*member, PixelUnit unit, std::string_view from = {}) {
    fw::PropertyInfo info = fw::IntProperty<T>(
        name, [member](const T& o) { return o.*member; },
        [member, name](T& o, int v) {
            o.*member = v;
            if (o.log) o.log->sets.push_back(std::string(name) + "=" + std::to_string(v));
        });
    return fw::Pixels(std::move(info), unit, from);
}

const fw::ClassInfo& Font::StaticClass() {
    static const fw::ClassInfo info{"Font", nullptr, {
        Recorded<Font>("Height", &Font::height, PixelUnit::FontHeight),
        Recorded<Font>("PixelsPerInch", &Font::dpi, PixelUnit::Dpi),
    }};
    return info;
}

const fw::ClassInfo& Control::Class() const {
    static const fw::ClassInfo info{"Control", nullptr, [] {
        auto bounds = [](fw::PropertyInfo p) { return fw::ScaledWhen<Control>(std::move(p), [](const Control& c) { return !c.aligned; }); };
        fw::PropertyInfo font{"Font", fw::PropertyType::Object};
        font.object = [](fw::Persistent& o) -> fw::Persistent* { return &static_cast<Control&>(o).font; };
        font.objectClass = &Font::StaticClass();
        return std::vector<fw::PropertyInfo>{
            Recorded<Control>("PixelsPerInch", &Control::dpi, PixelUnit::Dpi),
            bounds(Recorded<Control>("Left", &Control::left, PixelUnit::Position)),
            bounds(Recorded<Control>("Top", &Control::top, PixelUnit::Position)),
            bounds(Recorded<Control>("Width", &Control::width, PixelUnit::Extent, "Left")),
            bounds(Recorded<Control>("Height", &Control::height, PixelUnit::Extent, "Top")),
            fw::StringProperty<Control>("Label", [](const Control& c) { return c.label; }, [](Control& c, std::string v) { c.label = v; }),
            Recorded<Control>("Radius", &Control::radius, PixelUnit::Length),
            Recorded<Control>("Frame", &Control::frame, PixelUnit::Line),
            fw::ScaledWhen<Control>(font, [](const Control& c) { return !c.parentFont; }),
        };
    }()};
    return info;
}

struct Window {
    Log log;
    Control root;
    Control* button = nullptr;
    Control* panel = nullptr;
    Window() {
        root.log = &log;
        root.font.log = &log;
        root.width = 580, root.height = 347;
        panel = Add("Panel", 0, 0, 580, 347);
        panel->aligned = true;
        panel->parentFont = true;
        button = Add("Seguinte", 409, 311, 81, 29);
        button->radius = 12;
        button->font.height = -13;
    }
    Control* Add(const char* name, int left, int top, int width, int height) {
        auto control = std::make_unique<Control>();
        control->SetName(name);
        control->left = left, control->top = top, control->width = width, control->height = height;
        control->log = &log;
        control->font.log = &log;
        return static_cast<Control*>(root.Own(std::move(control)));
    }
};

TEST(DesignScaling, ScalesEveryPixelValueOfTheRootItsComponentsAndTheirSubObjects) {
    Window w;
    const auto design = fw::CaptureDesign(w.root);
    fw::ApplyDpi(design, 144);
    EXPECT_EQ(w.root.width, 870);
    EXPECT_EQ(w.root.height, 521);
    EXPECT_EQ(w.root.dpi, 144);
    EXPECT_EQ(w.root.font.height, -16);
    EXPECT_EQ(w.root.font.dpi, 144);
    // Seguinte: edges 409..490 and 311..340 scaled, not its size.
    EXPECT_EQ(w.button->left, 614);
    EXPECT_EQ(w.button->width, 735 - 614);
    EXPECT_EQ(w.button->top, 467);
    EXPECT_EQ(w.button->height, 510 - 467);
    EXPECT_EQ(w.button->radius, 18);
    EXPECT_EQ(w.button->frame, 1);
    EXPECT_EQ(w.button->font.height, -19);
    EXPECT_EQ(w.button->dpi, 144);
    EXPECT_EQ(w.button->label, "x");
}

TEST(DesignScaling, LeavesOutWhatFollowsSomethingElse) {
    Window w;
    const auto design = fw::CaptureDesign(w.root);
    fw::ApplyDpi(design, 192);
    // The aligned panel's bounds and its parent's font are left to the alignment and the parent;
    // its own DPI is not.
    EXPECT_EQ(w.panel->width, 580);
    EXPECT_EQ(w.panel->left, 0);
    EXPECT_EQ(w.panel->font.height, -11);
    EXPECT_EQ(w.panel->font.dpi, 96);
    EXPECT_EQ(w.panel->dpi, 192);
    EXPECT_EQ(w.panel->radius, 0);
    EXPECT_EQ(w.panel->frame, 2);
    for (const fw::DesignValue& v : design) EXPECT_NE(v.object, &w.panel->font);
}

TEST(DesignScaling, SetsTheDpiFirstThenPlacesThenTheRest) {
    Window w;
    const auto design = fw::CaptureDesign(w.root);
    w.log.sets.clear();
    fw::ApplyDpi(design, 120);
    const std::vector<std::string> expected{
        // the DPI values, in the design's order
        "PixelsPerInch=120", "PixelsPerInch=120", "PixelsPerInch=120", "PixelsPerInch=120", "PixelsPerInch=120",
        // positions and extents (the root's, then Seguinte's)
        "Left=0", "Top=0", "Width=725", "Height=434", "Left=511", "Top=389", "Width=102", "Height=36",
        // lengths, lines, font heights
        "Radius=0", "Frame=1", "Height=-13", "Radius=0", "Frame=1", "Radius=15", "Frame=1", "Height=-16",
    };
    EXPECT_EQ(w.log.sets, expected);
}

TEST(DesignScaling, EachScaleStartsFromTheDesignSoNothingCompoundsAndTheDesignComesBack) {
    Window direct;
    fw::ApplyDpi(fw::CaptureDesign(direct.root), 168);

    Window travelled;
    const auto design = fw::CaptureDesign(travelled.root);
    for (int dpi : {144, 120, 192, 168}) fw::ApplyDpi(design, dpi);
    EXPECT_EQ(travelled.button->left, direct.button->left);
    EXPECT_EQ(travelled.button->width, direct.button->width);
    EXPECT_EQ(travelled.button->radius, direct.button->radius);
    EXPECT_EQ(travelled.button->font.height, direct.button->font.height);
    EXPECT_EQ(travelled.root.height, direct.root.height);

    fw::ApplyDpi(design, 96);
    EXPECT_EQ(travelled.button->left, 409);
    EXPECT_EQ(travelled.button->width, 81);
    EXPECT_EQ(travelled.button->top, 311);
    EXPECT_EQ(travelled.button->height, 29);
    EXPECT_EQ(travelled.button->radius, 12);
    EXPECT_EQ(travelled.button->font.height, -13);
    EXPECT_EQ(travelled.root.width, 580);
    EXPECT_EQ(travelled.root.dpi, 96);
}

struct Wrong : fw::Persistent {
    std::string text;
    int width = 3;
    const fw::ClassInfo* info = nullptr;
    const fw::ClassInfo& Class() const override { return *info; }
};

TEST(DesignScaling, APixelPropertyThatIsNoIntegerOrAnExtentWithoutItsOriginIsATableError) {
    const fw::ClassInfo text{"Text", nullptr, {fw::Pixels(
        fw::StringProperty<Wrong>("Caption", [](const Wrong& w) { return w.text; }, [](Wrong& w, std::string v) { w.text = v; }),
        PixelUnit::Length)}};
    const fw::ClassInfo extent{"Extent", nullptr, {fw::Pixels(
        fw::IntProperty<Wrong>("Width", [](const Wrong& w) { return w.width; }, [](Wrong& w, int v) { w.width = v; }),
        PixelUnit::Extent, "Left")}};
    for (const fw::ClassInfo* info : {&text, &extent}) {
        struct Root : fw::Component {
            const fw::ClassInfo* info;
            const fw::ClassInfo& Class() const override { return *info; }
        };
        Wrong wrong;
        wrong.info = info;
        fw::ClassInfo holder{"Holder", nullptr, {}};
        fw::PropertyInfo sub{"Sub", fw::PropertyType::Object};
        sub.object = [&wrong](fw::Persistent&) -> fw::Persistent* { return &wrong; };
        holder.properties.push_back(sub);
        Root root;
        root.info = &holder;
        EXPECT_THROW(fw::CaptureDesign(root), std::logic_error) << info->name;
    }
}

}  // namespace
