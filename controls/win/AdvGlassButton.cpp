#include "controls/win/AdvGlassButton.h"

#include <windowsx.h>

#include <cwctype>

#include "framework/PropertyBuilders.h"

namespace ctl {

using namespace fw;

namespace {

// A plain colour or enum member field exposed as a published property.
template <typename Field>
PropertyInfo FieldProperty(std::string_view name, PropertyType type, Field TAdvGlassButton::*field,
                           std::optional<Value> declaredDefault, const EnumInfo* members = nullptr) {
    PropertyInfo p{name, type, members};
    p.declaredDefault = std::move(declaredDefault);
    p.get = [field](const Persistent& o) -> Value {
        const auto& value = static_cast<const TAdvGlassButton&>(o).*field;
        if constexpr (std::is_same_v<Field, bool>) {
            return Value{value};
        } else if constexpr (std::is_same_v<Field, std::string>) {
            return Value{value};
        } else {
            return Value{static_cast<std::int64_t>(value)};
        }
    };
    p.set = [field](Persistent& o, const Value& v) {
        auto& button = static_cast<TAdvGlassButton&>(o);
        if constexpr (std::is_same_v<Field, bool>) {
            button.*field = std::get<bool>(v);
        } else if constexpr (std::is_same_v<Field, std::string>) {
            button.*field = std::get<std::string>(v);
        } else {
            button.*field = static_cast<Field>(std::get<std::int64_t>(v));
        }
        button.Invalidate();
    };
    return p;
}

}  // namespace

TAdvGlassButton::TAdvGlassButton() {
    SetBounds(0, 0, 100, 32);
    Font().SetName("Tahoma");
    SetParentFont(true);
    SetTabStop(true);
}

const ClassInfo& TAdvGlassButton::StaticClass() {
    using T = TAdvGlassButton;
    static const EnumInfo shapes{"TButtonShape", {"btsRectangle", "btsCurvedRectangle"}};
    static const EnumInfo directions{"TButtonDirection", {"bdLeft", "bdRight"}};
    static const EnumInfo antiAlias{"TAntiAlias", {"aaNone", "aaClearType", "aaAntiAlias"}};
    static const EnumInfo layouts{"TButtonLayout",
                                  {"blGlyphLeft", "blGlyphTop", "blGlyphRight", "blGlyphBottom", "blGlyphLeftAdjusted",
                                   "blGlyphRightAdjusted", "blGlyphTopAdjusted", "blGlyphBottomAdjusted"}};
    static const EnumInfo symbols{"TBackGroundSymbol",
                                  {"bsArrowLeft", "bsArrowRight", "bsArrowUp", "bsArrowDown", "bsPlay", "bsPause",
                                   "bsStop", "bsFastForward", "bsForward", "bsBackward", "bsFastBackward", "bsSpeaker",
                                   "bsNoSpeaker", "bsNone", "bsRecord", "bsCustom"}};
    static const EnumInfo styles{"TAdvToolButtonStyle", {"tasButton", "tasCheck"}};
    auto i64 = [](std::int64_t v) { return std::optional<Value>(Value{v}); };
    static const ClassInfo info{
        "TAdvGlassButton",
        &TCustomControl::StaticClass(),
        {
            BoolProperty<T>("TabStop", &T::TabStop, &T::SetTabStop, true),
            FieldProperty("AllowAllUp", PropertyType::Bool, &T::AllowAllUp, Value{false}),
            FieldProperty("AntiAlias", PropertyType::Enum, &T::AntiAlias, i64(1), &antiAlias),
            FieldProperty("BackColor", PropertyType::Colour, &T::BackColor, std::nullopt),
            FieldProperty("BackGroundSymbol", PropertyType::Enum, &T::BackGroundSymbol, i64(13), &symbols),
            FieldProperty("BackGroundSymbolColor", PropertyType::Colour, &T::BackGroundSymbolColor, i64(0xFFFFFF)),
            FieldProperty("ButtonDirection", PropertyType::Enum, &T::ButtonDirection, i64(1), &directions),
            FieldProperty("ButtonShape", PropertyType::Enum, &T::ButtonShape, i64(0), &shapes),
            IntProperty<T>("CornerRadius", &T::CornerRadius, &T::SetCornerRadius, 4),
            FieldProperty("Down", PropertyType::Bool, &T::Down, Value{false}),
            FieldProperty("ForceTransparent", PropertyType::Bool, &T::ForceTransparent, Value{false}),
            FieldProperty("ForeColor", PropertyType::Colour, &T::ForeColor, std::nullopt),
            FieldProperty("GlowColor", PropertyType::Colour, &T::GlowColor, std::nullopt),
            FieldProperty("GroupIndex", PropertyType::Integer, &T::GroupIndex, i64(0)),
            FieldProperty("InnerBorderColor", PropertyType::Colour, &T::InnerBorderColor, std::nullopt),
            FieldProperty("Layout", PropertyType::Enum, &T::Layout, i64(0), &layouts),
            FieldProperty("OuterBorderColor", PropertyType::Colour, &T::OuterBorderColor, std::nullopt),
            FieldProperty("ShineColor", PropertyType::Colour, &T::ShineColor, std::nullopt),
            FieldProperty("ShortCutHint", PropertyType::String, &T::ShortCutHint, Value{std::string()}),
            FieldProperty("ShowCaption", PropertyType::Bool, &T::ShowCaption, Value{true}),
            FieldProperty("ShowFocusRect", PropertyType::Bool, &T::ShowFocusRect, Value{false}),
            FieldProperty("Style", PropertyType::Enum, &T::Style, i64(0), &styles),
            [] {
                PropertyInfo p{"Version", PropertyType::String};
                p.get = [](const Persistent&) { return Value{Version()}; };
                p.set = [](Persistent&, const Value&) {};  // read-only in effect
                p.declaredDefault = Value{Version()};
                return p;
            }(),
        }};
    return info;
}
const ClassInfo& TAdvGlassButton::Class() const { return StaticClass(); }

void TAdvGlassButton::SetCornerRadius(int value) {
    if (value < 0 || value == cornerRadius_) return;
    cornerRadius_ = value;
    Invalidate();
}

void TAdvGlassButton::Paint(HDC dc) {
    RECT r = ClientRect();
    ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressedLook_ ? DFCS_PUSHED : 0));
    ScopedSelect font(dc, Font().Handle());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, Enabled() ? ::GetSysColor(COLOR_BTNTEXT) : 0x808080);
    RECT text = r;
    if (pressedLook_) ::OffsetRect(&text, 1, 1);
    if (ShowCaption) {
        const std::wstring caption = Widen(Caption());
        ::DrawTextW(dc, caption.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (Focused()) {
        RECT focus = r;
        ::InflateRect(&focus, -4, -4);
        ::DrawFocusRect(dc, &focus);
    }
}

bool TAdvGlassButton::DialogKey(WPARAM key) {
    const bool modifiers = (::GetKeyState(VK_SHIFT) & 0x8000) || (::GetKeyState(VK_CONTROL) & 0x8000) ||
                           (::GetKeyState(VK_MENU) & 0x8000);
    if (key == VK_RETURN && Focused() && !modifiers && CanFocus()) {
        Click();
        return true;
    }
    return false;
}

bool TAdvGlassButton::DialogChar(wchar_t ch) {
    if (!fw::IsAccelerator(Caption(), ch) || !CanFocus()) return false;
    Click();
    return true;
}

LRESULT TAdvGlassButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_BUTTON | DLGC_WANTCHARS;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (!Enabled()) return 0;
            pressed_ = tracking_ = pressedLook_ = true;
            if (TabStop() && CanFocus()) SetFocus();
            ::SetCapture(Handle());
            Invalidate();
            return 0;
        case WM_MOUSEMOVE:
            if (tracking_) {
                const bool inside = Inside(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                if (inside != pressedLook_) {
                    pressedLook_ = inside;
                    Invalidate();
                }
            }
            return 0;
        case WM_LBUTTONUP: {
            const bool wasTracking = tracking_;
            pressed_ = tracking_ = pressedLook_ = false;
            if (::GetCapture() == Handle()) ::ReleaseCapture();
            Invalidate();
            if (wasTracking && Inside(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) Click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (tracking_ && reinterpret_cast<HWND>(lParam) != Handle()) {
                pressed_ = tracking_ = pressedLook_ = false;
                Invalidate();
            }
            break;
        case WM_CHAR:
            if (wParam == L' ' && Enabled()) {
                Click();
                return 0;
            }
            break;
        case WM_ENABLE:
            if (!wParam) pressed_ = tracking_ = pressedLook_ = false;
            Invalidate();
            break;
        default:
            break;
    }
    return TCustomControl::WndProc(message, wParam, lParam);
}

void RegisterGlassButtonClass(ClassRegistry& registry) {
    registry.Register(TAdvGlassButton::StaticClass(), [] { return std::make_unique<TAdvGlassButton>(); });
}

}  // namespace ctl
