#pragma once
// Small persistent classes for the description tests: a form (the root), a panel owning a fill
// and a caption (which owns a font), a button with an event, a reference and a read-only
// property, and a query placed in nothing. Properties live in plain fields bound by Field().

#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "framework/Colour.h"
#include "framework/Properties.h"

namespace fakes {

using fw::PropertyType;
using fw::Value;
// UTF-8 input; plain narrow literals are Windows-1252 in this build.
inline std::string U8(std::u8string_view text) { return {text.begin(), text.end()}; }
inline Value Int(std::int64_t value) { return value; }
inline Value Name(const char* name) { return fw::Identifier{name}; }

// A property kept in a field of T: the setter stores, the getter reads (checked forms).
template <class T, class M>
fw::PropertyInfo Field(std::string_view name, PropertyType type, M T::*member, std::optional<Value> def = {},
                       const fw::EnumInfo* members = nullptr) {
    constexpr bool kHeld = std::is_same_v<M, bool> || std::is_same_v<M, std::string> || std::is_same_v<M, fw::Bytes>;
    fw::PropertyInfo info{name, type, members, std::move(def)};
    info.set = [member](fw::Persistent& o, const Value& v) {
        if constexpr (kHeld) static_cast<T&>(o).*member = std::get<M>(v);
        else static_cast<T&>(o).*member = static_cast<M>(std::get<std::int64_t>(v));
    };
    info.get = [member](const fw::Persistent& o) -> Value {
        if constexpr (kHeld) return static_cast<const T&>(o).*member;
        else return static_cast<std::int64_t>(static_cast<const T&>(o).*member);
    };
    return info;
}

template <class T, class S>
fw::PropertyInfo Sub(std::string_view name, S T::*member) {
    fw::PropertyInfo info{name, PropertyType::Object};
    info.object = [member](fw::Persistent& o) -> fw::Persistent* { return &(static_cast<T&>(o).*member); };
    info.objectClass = &S::kClass;
    return info;
}

inline const fw::EnumInfo kFontStyles{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
inline const fw::EnumInfo kGradients{"TGradientType", {"gtSolid", "gtVertical", "gtHorizontal"}};

#define FAKE_CLASS(T)                                   \
    static const fw::ClassInfo kClass;                  \
    const fw::ClassInfo& Class() const override { return kClass; }

struct TFont : fw::Persistent {
    std::string name = "Tahoma";
    int size = 8, style = 0;
    fw::TColor color = fw::clWindowText;
    FAKE_CLASS(TFont)
};
inline const fw::ClassInfo TFont::kClass{"TFont", nullptr, {
    Field("Name", PropertyType::String, &TFont::name, Value{std::string("Tahoma")}),
    Field("Size", PropertyType::Integer, &TFont::size, Int(8)),
    Field("Style", PropertyType::Set, &TFont::style, Value{fw::IdentifierSet{}}, &kFontStyles),
    Field("Color", PropertyType::Colour, &TFont::color, Name("clWindowText")),
}};

struct TFill : fw::Persistent {
    fw::TColor color = 0xC0C0C0, colorTo = 0x808080;
    int gradient = 0, opacity = 255;
    FAKE_CLASS(TFill)
};
inline const fw::ClassInfo TFill::kClass{"TFill", nullptr, {
    Field("Color", PropertyType::Colour, &TFill::color, Int(0xC0C0C0)),
    Field("ColorTo", PropertyType::Colour, &TFill::colorTo),  // no declared default: always written
    Field("GradientType", PropertyType::Enum, &TFill::gradient, Name("gtSolid"), &kGradients),
    Field("Opacity", PropertyType::Integer, &TFill::opacity, Int(255)),
}};

struct TCaption : fw::Persistent {
    std::string text;
    TFont font;
    FAKE_CLASS(TCaption)
};
inline const fw::ClassInfo TCaption::kClass{"TCaption", nullptr, {
    Field("Text", PropertyType::String, &TCaption::text, Value{std::string()}),
    Sub("Font", &TCaption::font),
}};

// Records its placement, and its Loaded() and destruction in a shared log.
struct TControl : fw::Component {
    explicit TControl(std::vector<std::string>* log = nullptr) : log_(log) {}
    ~TControl() override {
        if (log_) log_->push_back("destroy " + Name());
    }
    void SetParentComponent(fw::Component* parent) override { parent_ = parent; }
    fw::Component* GetParentComponent() const override { return parent_; }
    void Loaded() override {
        if (log_) log_->push_back("loaded " + Name());
    }
    int left = 0;
    bool enabled = true;
    fw::Component* parent_ = nullptr;
    std::vector<std::string>* log_;
    FAKE_CLASS(TControl)
};
inline const fw::ClassInfo TControl::kClass{"TControl", nullptr, {
    Field("Left", PropertyType::Integer, &TControl::left, Int(0)),
    Field("Enabled", PropertyType::Bool, &TControl::enabled, Value{true}),
}};

struct TPanel : TControl {
    using TControl::TControl;
    TFill fill;
    TCaption caption;
    fw::Bytes data;
    FAKE_CLASS(TPanel)
};
inline const fw::ClassInfo TPanel::kClass{"TPanel", &TControl::kClass, {
    Sub("Fill", &TPanel::fill),
    Sub("Caption", &TPanel::caption),
    Field("Data", PropertyType::Binary, &TPanel::data, Value{fw::Bytes{}}),
}};

struct TButton : TControl {
    using TControl::TControl;
    std::string caption;
    int opacity = 255;
    fw::NotifyEvent onClick;
    fw::Component* focus = nullptr;
    FAKE_CLASS(TButton)
};
inline std::vector<fw::PropertyInfo> ButtonProperties() {
    std::vector<fw::PropertyInfo> properties{
        Field("Left", PropertyType::Integer, &TButton::left, Int(8)),  // redeclared with its own default
        Field("Caption", PropertyType::String, &TButton::caption, Value{std::string()}),
        Field("Opacity", PropertyType::Integer, &TButton::opacity, Int(255)),
        {"OnClick", PropertyType::Event},
        {"FocusControl", PropertyType::Reference},
        {"Version", PropertyType::String},  // read-only: no setter
    };
    properties[2].set = [](fw::Persistent& o, const Value& v) {  // a setter that turns values down
        const auto value = std::get<std::int64_t>(v);
        if (value < 0 || value > 255) throw std::out_of_range("opacity must lie between 0 and 255");
        static_cast<TButton&>(o).opacity = static_cast<int>(value);
    };
    properties[3].setEvent = [](fw::Persistent& o, fw::NotifyEvent e) { static_cast<TButton&>(o).onClick = std::move(e); };
    properties[3].get = [](const fw::Persistent& o) -> Value { return fw::Identifier{static_cast<const TButton&>(o).onClick.name}; };
    properties[4].setReference = [](fw::Persistent& o, fw::Component* c) { static_cast<TButton&>(o).focus = c; };
    properties[4].get = [](const fw::Persistent& o) -> Value {
        const auto* focus = static_cast<const TButton&>(o).focus;
        return fw::Identifier{focus ? focus->Name() : ""};
    };
    properties[5].get = [](const fw::Persistent&) -> Value { return std::string("1.3.0.0"); };
    return properties;
}
inline const fw::ClassInfo TButton::kClass{"TButton", &TControl::kClass, ButtonProperties()};

// Owned by the form but placed in nothing, as the database components are.
struct TQuery : fw::Component {
    std::string sql;
    FAKE_CLASS(TQuery)
};
inline const fw::ClassInfo TQuery::kClass{"TQuery", nullptr, {Field("SQL", PropertyType::String, &TQuery::sql)}};

struct TForm : fw::Component {
    explicit TForm(std::vector<std::string>* log = nullptr) : log_(log) {}
    std::string caption;
    fw::TColor color = fw::clBtnFace;
    fw::NotifyEvent onShow;
    std::vector<std::string> calls;  // "handler(sender)"
    std::vector<std::string>* log_;

    void Loaded() override {
        if (log_) log_->push_back("loaded " + Name());
    }
    fw::EventHandler FindMethod(std::string_view name) override {
        if (name != "FormShow" && name != "SeguinteClick") return {};
        return [this, handler = std::string(name)](fw::Component& sender) { calls.push_back(handler + "(" + sender.Name() + ")"); };
    }
    FAKE_CLASS(TForm)
};
inline fw::PropertyInfo FormShow() {
    fw::PropertyInfo info{"OnShow", PropertyType::Event};
    info.setEvent = [](fw::Persistent& o, fw::NotifyEvent e) { static_cast<TForm&>(o).onShow = std::move(e); };
    info.get = [](const fw::Persistent& o) -> Value { return fw::Identifier{static_cast<const TForm&>(o).onShow.name}; };
    return info;
}
inline const fw::ClassInfo TForm::kClass{"TfrmMain", nullptr, {
    Field("Caption", PropertyType::String, &TForm::caption, Value{std::string()}),
    Field("Color", PropertyType::Colour, &TForm::color, Int(fw::clBtnFace)),
    FormShow(),
}};

#undef FAKE_CLASS

// A registry whose controls log into `log`.
inline fw::ClassRegistry MakeRegistry(std::vector<std::string>* log = nullptr) {
    fw::ClassRegistry registry;
    registry.Register(TPanel::kClass, [log] { return std::make_unique<TPanel>(log); });
    registry.Register(TButton::kClass, [log] { return std::make_unique<TButton>(log); });
    registry.Register(TQuery::kClass, [] { return std::make_unique<TQuery>(); });
    return registry;
}

}  // namespace fakes
