// Loading a description into components through their property tables, and capturing it back.
#include <gtest/gtest.h>

#include "framework/Description.h"
#include "framework/description_fakes.h"

namespace {

using namespace fakes;
using fw::ObjectNode;

void Load(TForm& form, std::string_view text, const fw::ClassRegistry& registry = MakeRegistry()) {
    fw::ApplyDescription(fw::ParseDescription(text, "Main.desc"), form, registry, "Main.desc");
}

template <class T>
T& Get(const TForm& form, std::string_view name) {
    auto* found = dynamic_cast<T*>(form.FindComponent(name));
    if (!found) throw std::runtime_error("no component " + std::string(name));
    return *found;
}

const fw::Bytes kPng = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0xFF, 0xFF};

// The normal form of a window with a value off its default in every kind of property, listed in
// table order, so capturing what it loads must give this very text again.
const std::string kWindow = U8(u8R"(object frmMain: TfrmMain
  Caption = "Confirmação €"
  OnShow = FormShow
  object Panel1: TPanel
    Fill.Color = clBlack
    Fill.ColorTo = 3355443
    Fill.GradientType = gtVertical
    Fill.Opacity = 178
    Caption.Text = "<b>Base</b>"
    Caption.Font.Name = "Segoe UI"
    Caption.Font.Style = [fsBold, fsUnderline]
    Caption.Font.Color = clWhite
    Data = {
      89504E470D0A1A0A0000000DFFFF
    }
    object Seguinte: TButton
      Left = 409
      Enabled = false
      Caption = "Seguinte >>"
      Opacity = 0
      OnClick = SeguinteClick
      FocusControl = csy
    end
  end
  object csy: TQuery
    SQL = "SELECT 1"
  end
end
)");

TEST(DescriptionApply, BuildsTheComponentTreeAndSetsEveryKindOfProperty) {
    std::vector<std::string> log;
    TForm form(&log);
    Load(form, kWindow, MakeRegistry(&log));

    EXPECT_EQ(form.Name(), "frmMain");
    ASSERT_EQ(form.Components().size(), 3u);  // the window owns every object, nested or not
    auto& panel = Get<TPanel>(form, "panel1");
    auto& button = Get<TButton>(form, "SEGUINTE");
    auto& query = Get<TQuery>(form, "csy");
    for (const auto& owned : form.Components()) EXPECT_EQ(owned->Owner(), &form) << owned->Name();
    EXPECT_EQ(panel.parent_, &form);
    EXPECT_EQ(button.parent_, &panel);

    EXPECT_EQ(form.caption, "Confirma\xE7\xE3o \x80");
    EXPECT_EQ(panel.fill.color, fw::clBlack);
    EXPECT_EQ(panel.fill.colorTo, 0x333333u);
    EXPECT_EQ(panel.fill.gradient, 1);
    EXPECT_EQ(panel.caption.font.name, "Segoe UI");
    EXPECT_EQ(panel.caption.font.style, 0b101);
    EXPECT_EQ(panel.caption.font.color, fw::clWhite);
    EXPECT_EQ(panel.data, kPng);
    EXPECT_EQ(button.left, 409);
    EXPECT_FALSE(button.enabled);
    EXPECT_EQ(button.focus, &query);  // a reference to an object further down the text
    EXPECT_EQ(query.sql, "SELECT 1");

    // Handlers are bound to the window's methods and receive the sender.
    ASSERT_TRUE(button.onClick);
    button.onClick(button);
    form.onShow(form);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"SeguinteClick(Seguinte)", "FormShow(frmMain)"}));

    EXPECT_EQ(log, (std::vector<std::string>{"loaded Panel1", "loaded Seguinte", "loaded frmMain"}));
}

TEST(DescriptionApply, RoundTripThroughComponentsGivesTheSameText) {
    TForm form;
    Load(form, kWindow);
    const ObjectNode captured = fw::CaptureDescription(form);
    EXPECT_EQ(captured, fw::ParseDescription(kWindow, "Main.desc"));
    EXPECT_EQ(fw::WriteDescription(captured), kWindow);
}

// Only values off their declared default are written; a property without one always is; a
// read-only property never is; a redeclared default replaces the inherited one.
TEST(DescriptionCapture, OmitsDeclaredDefaults) {
    const std::string atDefaults = R"(object f: TfrmMain
  Color = clBtnFace
  object p: TPanel
    Left = 0
    Fill.Color = 0xC0C0C0
    Fill.GradientType = gtSolid
    Caption.Font.Style = []
    Caption.Font.Color = -16777208
    object b: TButton
      Left = 8
      Opacity = 255
    end
  end
end
)";
    TForm form;
    Load(form, atDefaults);
    const std::string expected = R"(object f: TfrmMain
  object p: TPanel
    Fill.ColorTo = clGray
  end
  object b: TButton
  end
end
)";
    // The button has no parent component once it is moved out of the panel: it lands under the root.
    Get<TButton>(form, "b").parent_ = nullptr;
    EXPECT_EQ(fw::WriteDescription(fw::CaptureDescription(form)), expected);
}

struct Refused {
    std::string body;  // lines inside the panel `p` of a window `f`
    int line;
    const char* where;
    const char* reason;
};

TEST(DescriptionApply, RefusesWhatTheTablesDoNotAllowAndSaysWhere) {
    const Refused cases[] = {
        {"Nope = 1", 3, "p.Nope", "unknown property 'Nope' of TPanel"},
        {"Fill.Nope = 1", 3, "p.Fill.Nope", "unknown property 'Fill.Nope' of TFill"},
        {"caption.font.nope = 1", 3, "p.caption.font.nope", "unknown property 'caption.font.nope' of TFont"},
        {"Left.X = 1", 3, "p.Left.X", "'Left' has no properties"},
        {"Fill = 1", 3, "p.Fill", "is an object"},
        {"Fill.GradientType = gtDiagonal", 3, "p.Fill.GradientType", "unknown member 'gtDiagonal' of TGradientType"},
        {"Fill.GradientType = 1", 3, "p.Fill.GradientType", "expected a member of TGradientType"},
        {"Caption.Font.Style = [fsBold, fsBlink]", 3, "p.Caption.Font.Style", "unknown member 'fsBlink'"},
        {"Caption.Font.Style = fsBold", 3, "p.Caption.Font.Style", "expected a set"},
        {"Left = \"10\"", 3, "p.Left", "expected an integer"},
        {"Left = 3000000000", 3, "p.Left", "out of 32-bit range"},
        {"Left = -2147483648\n    Left = 0xFFFFFFFF", 4, "p.Left", "out of 32-bit range"},
        {"Enabled = 1", 3, "p.Enabled", "expected true or false"},
        {"Caption.Text = Caption", 3, "p.Caption.Text", "expected a string"},
        {"Data = \"PNG\"", 3, "p.Data", "expected binary data"},
        {"Fill.Color = clPink", 3, "p.Fill.Color", "unknown colour 'clPink'"},
        {"Fill.Color = \"red\"", 3, "p.Fill.Color", "expected a colour"},
        {"object b: TButton\n      OnClick = NoSuchClick\n    end", 4, "b.OnClick", "unknown handler 'NoSuchClick'"},
        {"object b: TButton\n      OnClick = 5\n    end", 4, "b.OnClick", "expected a handler name"},
        {"object b: TButton\n      FocusControl = nobody\n    end", 4, "b.FocusControl", "unknown component 'nobody'"},
        {"object b: TButton\n      Version = \"2.0\"\n    end", 4, "b.Version", "read-only"},
        {"object b: TButton\n      Opacity = 300\n    end", 4, "b.Opacity", "opacity must lie between 0 and 255"},
        {"object b: TNope\n    end", 3, "b", "unknown class TNope"},
    };
    for (const auto& c : cases) {
        const std::string text = "object f: TfrmMain\n  object p: TPanel\n    " + c.body + "\n  end\nend\n";
        TForm form;
        try {
            Load(form, text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const fw::DescriptionError& e) {
            EXPECT_EQ(e.Line(), c.line) << e.what();
            EXPECT_EQ(e.Where(), c.where) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
}

// Trees need not come from text: a foreign root class, two objects of one name, a name the window
// already gave, and values out of their range are refused as well.
TEST(DescriptionApply, RefusesTreesThatNoTextCouldGive) {
    using Tree = ObjectNode;
    const struct {
        Tree tree;
        bool preOwned;  // the window made a component "csy" itself
        int line;
        const char* where;
        const char* reason;
    } cases[] = {
        {Tree{"frmMain", "TPanel", 1, {}, {}}, false, 1, "frmMain", "of class TPanel"},
        {Tree{"f", "TfrmMain", 1, {}, {{"b", "TButton", 2, {}, {}}, {"B", "TButton", 3, {}, {}}}}, false, 3, "B",
         "duplicate object name"},
        {Tree{"f", "TfrmMain", 1, {}, {{"csy", "TQuery", 2, {}, {}}}}, true, 2, "csy", "duplicate object name"},
        {Tree{"f", "TfrmMain", 1, {{"Color", std::int64_t{4294967296LL}, 2}}, {}}, false, 2, "f.Color", "out of 32-bit"},
        {Tree{"f", "TfrmMain", 1, {{"Color", std::int64_t{-2147483649LL}, 2}}, {}}, false, 2, "f.Color", "out of 32-bit"},
        {Tree{"f", "TfrmMain", 1, {{"Color", fw::IdentifierSet{{"clRed"}}, 2}}, {}}, false, 2, "f.Color", "a colour"},
    };
    for (const auto& c : cases) {
        TForm form;
        if (c.preOwned) form.Own(std::make_unique<TQuery>())->SetName("csy");
        try {
            fw::ApplyDescription(c.tree, form, MakeRegistry(), "Main.desc");
            ADD_FAILURE() << "accepted " << c.where;
        } catch (const fw::DescriptionError& e) {
            EXPECT_EQ(e.Line(), c.line) << e.what();
            EXPECT_EQ(e.Where(), c.where) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
}

// A component placed in nothing, in itself or in something the window does not own is still the
// window's: it is written directly under the root rather than lost.
TEST(DescriptionCapture, ComponentsPlacedOutsideTheWindowGoUnderTheRoot) {
    TForm form;
    form.SetName("f");
    TPanel stranger;
    const std::pair<const char*, fw::Component*> placements[] = {{"a", nullptr}, {"b", &stranger}, {"c", nullptr}};
    for (const auto& [name, parent] : placements) {
        auto* control = static_cast<TControl*>(form.Own(std::make_unique<TControl>()));
        control->SetName(name);
        control->parent_ = parent ? parent : control;
    }
    static_cast<TControl&>(*form.Components()[0]).parent_ = nullptr;
    const ObjectNode captured = fw::CaptureDescription(form);
    ASSERT_EQ(captured.children.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(captured.children[i].name, placements[i].first);
}

TEST(PropertyTables, LookupIsCaseInsensitiveAndRedeclarationWins) {
    const fw::PropertyInfo* left = TButton::kClass.FindProperty("LEFT");
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->declaredDefault, fw::Value{std::int64_t{8}});          // the button's own default
    EXPECT_EQ(TButton::kClass.FindProperty("enabled"), TControl::kClass.FindProperty("Enabled"));  // inherited
    EXPECT_EQ(TButton::kClass.FindProperty("Fill"), nullptr);               // a sibling's property

    std::vector<std::string_view> names;
    for (const auto* property : TButton::kClass.AllProperties()) names.push_back(property->name);
    EXPECT_EQ(names, (std::vector<std::string_view>{"Left", "Enabled", "Caption", "Opacity", "OnClick",
                                                    "FocusControl", "Version"}));
    EXPECT_EQ(TButton::kClass.AllProperties().front(), left);

    EXPECT_TRUE(TButton::kClass.InheritsFrom(TControl::kClass));
    EXPECT_TRUE(TButton::kClass.InheritsFrom(TButton::kClass));
    EXPECT_FALSE(TControl::kClass.InheritsFrom(TButton::kClass));
    EXPECT_EQ(kGradients.Find("GTHORIZONTAL"), 2);
    EXPECT_EQ(kGradients.Find("gtHoriz"), std::nullopt);
}

TEST(PropertyTables, RegistryFindsClassesByNameOnce) {
    fw::ClassRegistry registry = MakeRegistry();
    EXPECT_EQ(registry.Find("tbutton"), &TButton::kClass);
    EXPECT_EQ(registry.Find("TFont"), nullptr);  // not a component class
    EXPECT_EQ(registry.Create("TNope"), nullptr);
    EXPECT_EQ(&registry.Create("TPANEL")->Class(), &TPanel::kClass);
    EXPECT_THROW(registry.Register(TButton::kClass, [] { return std::make_unique<TButton>(); }), std::logic_error);
}

// Owned components go in reverse order of creation, so children go before their parents.
TEST(Components, OwnerFindsByNameAndDestroysTheLastCreatedFirst) {
    std::vector<std::string> log;
    {
        TForm form;
        for (const char* name : {"panel", "button", "label"}) {
            form.Own(std::make_unique<TControl>(&log))->SetName(name);
        }
        EXPECT_EQ(form.FindComponent("BUTTON"), form.Components()[1].get());
        EXPECT_EQ(form.FindComponent(""), nullptr);
        EXPECT_EQ(form.FindComponent("butto"), nullptr);
        EXPECT_EQ(form.Own(nullptr), nullptr);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"destroy label", "destroy button", "destroy panel"}));
}

}  // namespace
