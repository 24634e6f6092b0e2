#pragma once
// Small persistent classes for the description tests: a form (the root), a panel with an owned
// fill and caption (the caption owning a font), a button with an event and a reference, and a
// non-visual component. Their properties live in plain fields; the tables below bind them.

#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "framework/Colour.h"
#include "framework/Properties.h"

namespace fakes {

// A property kept in a field of T: the setter stores, the getter reads (checked forms).
template <class T, class M>
fw::PropertyInfo Field(std::string_view name, fw::PropertyType type, M T::*member,
                       std::optional<fw::Value> declaredDefault = std::nullopt, const fw::EnumInfo* members = nullptr) {
    fw::PropertyInfo info{name, type, members, std::move(declaredDefault)};
    info.set = [member](fw::Persistent& o, const fw::Value& v) {
        auto& field = static_cast<T&>(o).*member;
        if constexpr (std::is_same_v<M, bool> || std::is_same_v<M, std::string> || std::is_same_v<M, fw::Bytes>) {
            field = std::get<M>(v);
        } else {
            field = static_cast<M>(std::get<std::int64_t>(v));
        }
    };
    info.get = [member](const fw::Persistent& o) -> fw::Value {
        const auto& field = static_cast<const T&>(o).*member;
        if constexpr (std::is_same_v<M, bool> || std::is_same_v<M, std::string> || std::is_same_v<M, fw::Bytes>) {
            return field;
        } else {
            return static_cast<std::int64_t>(field);
        }
    };
    return info;
}

template <class T, class S>
fw::PropertyInfo Sub(std::string_view name, S T::*member) {
    fw::PropertyInfo info{name, fw::PropertyType::Object};
    info.object = [member](fw::Persistent& o) -> fw::Persistent* { return &(static_cast<T&>(o).*member); };
    info.objectClass = &S::kClass;
    return info;
}

template <class T>
fw::PropertyInfo Event(std::string_view name, fw::NotifyEvent T::*member) {
    fw::PropertyInfo info{name, fw::PropertyType::Event};
    info.setEvent = [member](fw::Persistent& o, fw::NotifyEvent e) { static_cast<T&>(o).*member = std::move(e); };
    info.get = [member](const fw::Persistent& o) -> fw::Value {
        return fw::Identifier{(static_cast<const T&>(o).*member).name};
    };
    return info;
}

using fw::PropertyType;
inline const fw::EnumInfo kFontStyles{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
inline const fw::EnumInfo kGradients{"TGradientType", {"gtSolid", "gtVertical", "gtHorizontal"}};

struct TFont : fw::Persistent {
    std::string name = "Tahoma";
    int size = 8;
    int style = 0;
    fw::TColor color = fw::clWindowText;
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }
};
inline const fw::ClassInfo TFont::kClass{"TFont", nullptr, {
    Field("Name", PropertyType::String, &TFont::name, fw::Value{std::string("Tahoma")}),
    Field("Size", PropertyType::Integer, &TFont::size, fw::Value{std::int64_t{8}}),
    Field("Style", PropertyType::Set, &TFont::style, fw::Value{fw::IdentifierSet{}}, &kFontStyles),
    Field("Color", PropertyType::Colour, &TFont::color, fw::Value{fw::Identifier{"clWindowText"}}),
}};

struct TFill : fw::Persistent {
    fw::TColor color = 0xC0C0C0;
    fw::TColor colorTo = 0x808080;
    int gradient = 0;
    int opacity = 255;
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }
};
inline const fw::ClassInfo TFill::kClass{"TFill", nullptr, {
    Field("Color", PropertyType::Colour, &TFill::color, fw::Value{std::int64_t{0xC0C0C0}}),
    Field("ColorTo", PropertyType::Colour, &TFill::colorTo),  // no declared default: always written
    Field("GradientType", PropertyType::Enum, &TFill::gradient, fw::Value{fw::Identifier{"gtSolid"}}, &kGradients),
    Field("Opacity", PropertyType::Integer, &TFill::opacity, fw::Value{std::int64_t{255}}),
}};

struct TCaption : fw::Persistent {
    std::string text;
    TFont font;
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }
};
inline const fw::ClassInfo TCaption::kClass{"TCaption", nullptr, {
    Field("Text", PropertyType::String, &TCaption::text, fw::Value{std::string()}),
    Sub("Font", &TCaption::font),
}};

// Records what loading does to it: parent placement and the Loaded() calls, in one shared log.
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
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }

    int left = 0;
    bool enabled = true;
    fw::Component* parent_ = nullptr;
    std::vector<std::string>* log_;
};
inline const fw::ClassInfo TControl::kClass{"TControl", nullptr, {
    Field("Left", PropertyType::Integer, &TControl::left, fw::Value{std::int64_t{0}}),
    Field("Enabled", PropertyType::Bool, &TControl::enabled, fw::Value{true}),
}};

struct TPanel : TControl {
    using TControl::TControl;
    TFill fill;
    TCaption caption;
    fw::Bytes data;
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }
};
inline const fw::ClassInfo TPanel::kClass{"TPanel", &TControl::kClass, {
    Sub("Fill", &TPanel::fill),
    Sub("Caption", &TPanel::caption),
    Field("Data", PropertyType::Binary, &TPanel::data, fw::Value{fw::Bytes{}}),
}};

struct TButton : TControl {
    using TControl::TControl;
    std::string caption;
    int opacity = 255;
    fw::NotifyEvent onClick;
    fw::Component* focus = nullptr;
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }
};
inline fw::PropertyInfo ButtonOpacity() {  // a setter that turns values down
    fw::PropertyInfo info = Field("Opacity", PropertyType::Integer, &TButton::opacity, fw::Value{std::int64_t{255}});
    info.set = [](fw::Persistent& o, const fw::Value& v) {
        const auto value = std::get<std::int64_t>(v);
        if (value < 0 || value > 255) throw std::out_of_range("opacity must lie between 0 and 255");
        static_cast<TButton&>(o).opacity = static_cast<int>(value);
    };
    return info;
}
inline fw::PropertyInfo ButtonFocus() {
    fw::PropertyInfo info{"FocusControl", PropertyType::Reference};
    info.setReference = [](fw::Persistent& o, fw::Component* c) { static_cast<TButton&>(o).focus = c; };
    info.get = [](const fw::Persistent& o) -> fw::Value {
        const auto* focus = static_cast<const TButton&>(o).focus;
        return fw::Identifier{focus ? focus->Name() : ""};
    };
    return info;
}
inline fw::PropertyInfo ButtonVersion() {  // read-only: no setter
    fw::PropertyInfo info{"Version", PropertyType::String};
    info.get = [](const fw::Persistent&) -> fw::Value { return std::string("1.3.0.0"); };
    return info;
}
inline const fw::ClassInfo TButton::kClass{"TButton", &TControl::kClass, {
    Field("Left", PropertyType::Integer, &TButton::left, fw::Value{std::int64_t{8}}),  // redeclared default
    Field("Caption", PropertyType::String, &TButton::caption, fw::Value{std::string()}),
    ButtonOpacity(),
    Event("OnClick", &TButton::onClick),
    ButtonFocus(),
    ButtonVersion(),
}};

// Owned by the form but placed in nothing, as the database components are.
struct TQuery : fw::Component {
    std::string sql;
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }
};
inline const fw::ClassInfo TQuery::kClass{"TQuery", nullptr, {
    Field("SQL", PropertyType::String, &TQuery::sql),
}};

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
        return [this, handler = std::string(name)](fw::Component& sender) {
            calls.push_back(handler + "(" + sender.Name() + ")");
        };
    }
    static const fw::ClassInfo kClass;
    const fw::ClassInfo& Class() const override { return kClass; }
};
inline const fw::ClassInfo TForm::kClass{"TfrmMain", nullptr, {
    Field("Caption", PropertyType::String, &TForm::caption, fw::Value{std::string()}),
    Field("Color", PropertyType::Colour, &TForm::color, fw::Value{std::int64_t{fw::clBtnFace}}),
    Event("OnShow", &TForm::onShow),
}};

// A registry whose controls log into `log`.
inline fw::ClassRegistry MakeRegistry(std::vector<std::string>* log = nullptr) {
    fw::ClassRegistry registry;
    registry.Register(TPanel::kClass, [log] { return std::make_unique<TPanel>(log); });
    registry.Register(TButton::kClass, [log] { return std::make_unique<TButton>(log); });
    registry.Register(TQuery::kClass, [] { return std::make_unique<TQuery>(); });
    return registry;
}

}  // namespace fakes
