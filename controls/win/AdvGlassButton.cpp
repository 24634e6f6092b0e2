#include "controls/win/AdvGlassButton.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <utility>

#include "controls/GDIPFillTable.h"
#include "framework/PropertyBuilders.h"
#include "controls/win/AdvGDIP.h"
#include "controls/win/GDIPFill.h"
#include "controls/win/GdipFont.h"
#include "controls/win/ShortCutHintWindow.h"

namespace ctl {

using glass::GlassEvent;
using glass::GlassOutcome;
using glass::GlassRepaint;
using glass::HoverTimerChange;

// The glass buttons of one parent: the group their exclusive-button broadcast goes through, and
// which button each member model belongs to. Kept by the parent and destroyed with it.
class TAdvGlassButton::ButtonsOnParent : public fw::ParentPart {
public:
    // A member released by the broadcast carries out its outcome like any other change.
    ButtonsOnParent()
        : group_([this](glass::GlassButtonModel& member, const GlassOutcome& outcome) {
              for (TAdvGlassButton* button : buttons_)
                  if (&button->model_ == &member) button->Apply(outcome);
          }) {}

    static ButtonsOnParent* Of(const fw::TWinControl& parent) {
        return static_cast<ButtonsOnParent*>(parent.Part(&kKey));
    }
    static ButtonsOnParent& MadeOn(fw::TWinControl& parent) {
        if (ButtonsOnParent* found = Of(parent)) return *found;
        return static_cast<ButtonsOnParent&>(parent.AddPart(&kKey, std::make_unique<ButtonsOnParent>()));
    }

    void Join(TAdvGlassButton& button) {
        buttons_.push_back(&button);
        group_.Add(button.model_);
    }
    void Leave(TAdvGlassButton& button) {
        group_.Remove(button.model_);
        std::erase(buttons_, &button);
    }
    // In the order they came to the parent.
    const std::vector<TAdvGlassButton*>& Buttons() const { return buttons_; }

private:
    static constexpr char kKey = 0;
    glass::GlassButtonGroup group_;
    std::vector<TAdvGlassButton*> buttons_;
};

namespace {

bool ModifierHeld() {
    return (::GetKeyState(VK_SHIFT) & 0x8000) || (::GetKeyState(VK_CONTROL) & 0x8000) ||
           (::GetKeyState(VK_MENU) & 0x8000);
}

// GDI+ draws a caption only in a vector font that is not a device font and is installed;
// otherwise the platform's text call does.
bool DrawableByGdiPlus(HDC dc, const fw::TFont& font) {
    fw::ScopedSelect select(dc, font.Handle());
    TEXTMETRICW metrics{};
    if (!::GetTextMetricsW(dc, &metrics)) return false;
    const bool vector = (metrics.tmPitchAndFamily & TMPF_VECTOR) != 0;
    const bool device = (metrics.tmPitchAndFamily & TMPF_DEVICE) != 0;
    return vector && !device && win::FaceInstalled(fw::Widen(font.Name()));
}

StringAlign ToCanvas(glass::TextAlign a) {
    switch (a) {
        case glass::TextAlign::Near: return StringAlign::Near;
        case glass::TextAlign::Far: return StringAlign::Far;
        default: return StringAlign::Centre;
    }
}

// A layout's rendering hint ordinal as the canvas takes it: 0 keeps the surface's default.
std::optional<int> RenderingHint(int ordinal) { return ordinal != 0 ? std::optional<int>(ordinal) : std::nullopt; }

// The caption's string format: wrapping allowed, "&" underlines the next letter, no trimming.
TextFormat CaptionFormat(glass::TextAlign horizontal, glass::TextAlign vertical, std::optional<int> hint) {
    TextFormat format;
    format.horizontal = ToCanvas(horizontal);
    format.vertical = ToCanvas(vertical);
    format.hotkeyPrefix = true;
    format.trimming = false;
    format.renderingHint = hint;
    return format;
}

// A published value kept by the model: read from its look, written through its setter so that
// the setter's repaint rule applies.
template <class V, class Get, class Set>
fw::PropertyInfo Published(std::string_view name, fw::PropertyType type, Get get, Set set, std::optional<V> def,
                           const fw::EnumInfo* members = nullptr) {
    fw::PropertyInfo p{name, type, members};
    if (def) p.declaredDefault = table::ToValue<V>(*def);
    p.get = [get](const fw::Persistent& o) -> fw::Value {
        return table::ToValue<V>(get(static_cast<const TAdvGlassButton&>(o)));
    };
    p.set = [set](fw::Persistent& o, const fw::Value& v) { set(static_cast<TAdvGlassButton&>(o), table::FromValue<V>(v)); };
    return p;
}

template <class O>
fw::PropertyInfo OwnedObject(std::string_view name, O& (TAdvGlassButton::*access)()) {
    return table::Object<TAdvGlassButton, O>(name, access, O::StaticClass());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and the property table

TAdvGlassButton::TAdvGlassButton()
    : actionLink_(fw::ActionLink::Client{
          [this] { return Down(); }, [this](bool checked) { SetDown(checked); }, [this] { return GroupIndex(); },
          [this](int index) { SetGroupIndex(index); }}) {
    SetBounds(0, 0, 100, 32);
    Font().SetName("Tahoma");
    SetParentFont(true);
    SetTabStop(true);
    SyncModel();
    // Down values read from a description wait until every property is in (Loaded).
    model_.BeginLoading();
    hoverTimer_.SetInterval(1);
    hoverTimer_.OnTimer = [this] { HoverTick(); };
    using glass::GlassPicture;
    picture_.OnChange = [this](fw::Persistent&) { Apply(glass::GlassButtonModel::PictureChanged(GlassPicture::Normal)); };
    pictureDown_.OnChange = [this](fw::Persistent&) { Apply(glass::GlassButtonModel::PictureChanged(GlassPicture::Down)); };
    pictureDisabled_.OnChange = [this](fw::Persistent&) {
        Apply(glass::GlassButtonModel::PictureChanged(GlassPicture::Disabled));
    };
    hotPicture_.OnChange = [this](fw::Persistent&) { Apply(glass::GlassButtonModel::PictureChanged(GlassPicture::Hot)); };
}

TAdvGlassButton::~TAdvGlassButton() {
    hoverTimer_.SetEnabled(false);
    hintWindow_.reset();
    SetParent(nullptr);
}

const fw::ClassInfo& TAdvGlassButton::StaticClass() {
    using B = TAdvGlassButton;
    using glass::GlassButtonModel;
    using fw::PropertyType;
    using fw::TColor;
    static const fw::EnumInfo shapes{"TButtonShape", {"btsRectangle", "btsCurvedRectangle"}};
    static const fw::EnumInfo directions{"TButtonDirection", {"bdLeft", "bdRight"}};
    static const fw::EnumInfo antiAlias{"TAntiAlias", {"aaNone", "aaClearType", "aaAntiAlias"}};
    static const fw::EnumInfo layouts{"TButtonLayout",
                                      {"blGlyphLeft", "blGlyphTop", "blGlyphRight", "blGlyphBottom",
                                       "blGlyphLeftAdjusted", "blGlyphRightAdjusted", "blGlyphTopAdjusted",
                                       "blGlyphBottomAdjusted"}};
    static const fw::EnumInfo symbols{"TBackGroundSymbol",
                                      {"bsArrowLeft", "bsArrowRight", "bsArrowUp", "bsArrowDown", "bsPlay", "bsPause",
                                       "bsStop", "bsFastForward", "bsForward", "bsBackward", "bsFastBackward",
                                       "bsSpeaker", "bsNoSpeaker", "bsNone", "bsRecord", "bsCustom"}};
    static const fw::EnumInfo styles{"TAdvToolButtonStyle", {"tasButton", "tasCheck"}};
    static const fw::EnumInfo hintPositions{
        "TShortCutHintPos",
        {"shpLeft", "shpTop", "shpRight", "shpBottom", "shpCenter", "shpAuto", "shpTopLeft", "shpTopRight",
         "shpAboveTop", "shpAboveTopLeft", "shpAboveTopRight", "shpBottomLeft", "shpBottomRight", "shpBelowBottom",
         "shpBelowBottomLeft", "shpBelowBottomRight", "shpBelowBottomCenter"}};

    auto look = [](std::string_view name, PropertyType type, auto field, auto setter, auto def,
                   const fw::EnumInfo* members = nullptr) {
        using V = std::remove_cvref_t<decltype(glass::GlassLook{}.*field)>;
        return Published<V>(
            name, type, [field](const B& b) { return b.model_.Look().*field; },
            [setter](B& b, V v) { b.Apply((b.model_.*setter)(v)); }, std::optional<V>(def), members);
    };
    // Colours without a declared default: always written.
    auto lookAlways = [](std::string_view name, PropertyType type, auto field, auto setter) {
        using V = std::remove_cvref_t<decltype(glass::GlassLook{}.*field)>;
        return Published<V>(
            name, type, [field](const B& b) { return b.model_.Look().*field; },
            [setter](B& b, V v) { b.Apply((b.model_.*setter)(v)); }, std::optional<V>(), nullptr);
    };
    using L = glass::GlassLook;
    using M = GlassButtonModel;

    static const fw::ClassInfo info{
        "TAdvGlassButton",
        &fw::TCustomControl::StaticClass(),
        {
            fw::BoolProperty<B>("TabStop", &B::TabStop, &B::SetTabStop, true),
            Published<bool>("AllowAllUp", PropertyType::Bool, [](const B& b) { return b.AllowAllUp(); },
                            [](B& b, bool v) { b.SetAllowAllUp(v); }, false),
            look("AntiAlias", PropertyType::Enum, &L::antiAlias, &M::SetAntiAlias, TAntiAlias::aaClearType, &antiAlias),
            lookAlways("BackColor", PropertyType::Colour, &L::backColor, &M::SetBackColor),
            look("BackGroundSymbol", PropertyType::Enum, &L::backGroundSymbol, &M::SetBackGroundSymbol,
                 TBackGroundSymbol::bsNone, &symbols),
            look("BackGroundSymbolColor", PropertyType::Colour, &L::backGroundSymbolColor,
                 &M::SetBackGroundSymbolColor, fw::TColor{fw::clWhite}),
            look("ButtonDirection", PropertyType::Enum, &L::buttonDirection, &M::SetButtonDirection,
                 TButtonDirection::bdRight, &directions),
            look("ButtonShape", PropertyType::Enum, &L::buttonShape, &M::SetButtonShape, TButtonShape::btsRectangle,
                 &shapes),
            fw::Pixels(look("CornerRadius", PropertyType::Integer, &L::cornerRadius, &M::SetCornerRadius, 4), fw::PixelUnit::Length),
            Published<bool>("Down", PropertyType::Bool, [](const B& b) { return b.Down(); },
                            [](B& b, bool v) { b.SetDown(v); }, false),
            look("ForceTransparent", PropertyType::Bool, &L::forceTransparent, &M::SetForceTransparent, false),
            lookAlways("ForeColor", PropertyType::Colour, &L::foreColor, &M::SetForeColor),
            lookAlways("GlowColor", PropertyType::Colour, &L::glowColor, &M::SetGlowColor),
            Published<int>("GroupIndex", PropertyType::Integer, [](const B& b) { return b.GroupIndex(); },
                           [](B& b, int v) { b.SetGroupIndex(v); }, 0),
            lookAlways("InnerBorderColor", PropertyType::Colour, &L::innerBorderColor, &M::SetInnerBorderColor),
            look("Layout", PropertyType::Enum, &L::layout, &M::SetLayout, TButtonLayout::blGlyphLeft, &layouts),
            OwnedObject<TAdvHintInfo>("OfficeHint", &B::OfficeHint),
            lookAlways("OuterBorderColor", PropertyType::Colour, &L::outerBorderColor, &M::SetOuterBorderColor),
            OwnedObject<TGDIPPicture>("Picture", &B::Picture),
            OwnedObject<TGDIPPicture>("PictureDown", &B::PictureDown),
            OwnedObject<TGDIPPicture>("PictureDisabled", &B::PictureDisabled),
            lookAlways("ShineColor", PropertyType::Colour, &L::shineColor, &M::SetShineColor),
            look("ShortCutHint", PropertyType::String, &L::shortCutHint, &M::SetShortCutHint, std::string()),
            look("ShortCutHintPos", PropertyType::Enum, &L::shortCutHintPos, &M::SetShortCutHintPos,
                 TShortCutHintPos::shpTop, &hintPositions),
            look("ShowCaption", PropertyType::Bool, &L::showCaption, &M::SetShowCaption, true),
            look("ShowFocusRect", PropertyType::Bool, &L::showFocusRect, &M::SetShowFocusRect, false),
            Published<TAdvToolButtonStyle>("Style", PropertyType::Enum, [](const B& b) { return b.Style(); },
                                           [](B& b, TAdvToolButtonStyle v) { b.SetStyle(v); },
                                           TAdvToolButtonStyle::tasButton, &styles),
            [] {
                fw::PropertyInfo p{"Version", PropertyType::String};
                p.get = [](const fw::Persistent&) { return fw::Value{Version()}; };
                p.set = [](fw::Persistent&, const fw::Value&) {};  // read-only in effect
                p.declaredDefault = fw::Value{Version()};
                return p;
            }(),
            [] {
                fw::PropertyInfo p{"Action", PropertyType::Reference};
                p.setReference = [](fw::Persistent& o, fw::Component* c) {
                    static_cast<B&>(o).SetAction(dynamic_cast<fw::TCustomAction*>(c));
                };
                p.get = [](const fw::Persistent& o) -> fw::Value {
                    const fw::TCustomAction* a = static_cast<const B&>(o).Action();
                    return fw::Identifier{a ? a->Name() : std::string{}};
                };
                return p;
            }(),
            fw::EventProperty<B>("OnCustomBackgroundSymbol", &B::OnCustomBackgroundSymbol),
            fw::EventProperty<B>("OnDblClick", &B::OnDblClick),
            fw::EventProperty<B>("OnMouseEnter", &B::OnMouseEnter),
            fw::EventProperty<B>("OnMouseLeave", &B::OnMouseLeave),
        }};
    return info;
}
const fw::ClassInfo& TAdvGlassButton::Class() const { return StaticClass(); }

// ---------------------------------------------------------------------------------------------
// Outcomes, groups, actions

void TAdvGlassButton::Apply(const GlassOutcome& o) {
    if (o.hoverTimer == HoverTimerChange::Start) hoverTimer_.SetEnabled(true);
    if (o.hoverTimer == HoverTimerChange::Stop) hoverTimer_.SetEnabled(false);
    if (o.takeFocus && HandleAllocated() && CanFocus() && !Focused()) SetFocus();
    if (o.repaint == GlassRepaint::Invalidate) Invalidate();
    if (o.repaint == GlassRepaint::PaintNow && !FormSettingUp()) Repaint();
    if (o.uncheckAction && Action()) Action()->SetChecked(false);
    if (o.fireMouseEnter) OnMouseEnter(*this);
    if (o.fireMouseLeave) OnMouseLeave(*this);
    // Heard before the click: its handler may open a modal box.
    AnnounceStateChange();
    if (o.click) Click();
}

void TAdvGlassButton::AnnounceStateChange() {
    const glass::GlassAccessibleState now = model_.AccessibleState();
    // Focus (and with it the default button) is announced by the platform's focus event.
    const bool changed = now.pressed != announced_.pressed || now.unavailable != announced_.unavailable;
    announced_ = now;
    if (changed && HandleAllocated() && !Loading()) AccNotify(EVENT_OBJECT_STATECHANGE);
}

void TAdvGlassButton::SetParent(fw::TWinControl* parent) {
    if (parent == Parent()) return;
    // A parent destroyed first has detached this button and taken its part along.
    if (const fw::TWinControl* old = Parent())
        if (ButtonsOnParent* buttons = ButtonsOnParent::Of(*old)) buttons->Leave(*this);
    TCustomControl::SetParent(parent);
    if (parent) ButtonsOnParent::MadeOn(*parent).Join(*this);
}

void TAdvGlassButton::SetAction(fw::TCustomAction* action) {
    actionLink_.SetAction(action);
    // The action's group comes with it unless the button already has one of its own.
    if (action && GroupIndex() == 0) SetGroupIndex(action->GroupIndex());
}

void TAdvGlassButton::Click() {
    if (!OnClick && Action()) {
        Action()->Execute();
        return;
    }
    TCustomControl::Click();
}

void TAdvGlassButton::Loaded() {
    TCustomControl::Loaded();
    Apply(model_.Loaded());
}

// ---------------------------------------------------------------------------------------------
// Messages into events

void TAdvGlassButton::SyncModel() {
    Apply(model_.SetControlState({Caption(), Enabled(), Width(), Height(), TabStop()}));
}

GlassOutcome TAdvGlassButton::HandleEvent(const GlassEvent& event) {
    SyncModel();  // TabStop has no change notification of its own
    return model_.Handle(event);
}

bool TAdvGlassButton::PointerOverThis() const {
    POINT p{};
    return HandleAllocated() && ::GetCursorPos(&p) && ::WindowFromPoint(p) == Handle();
}

GlassEvent TAdvGlassButton::PointerEvent(GlassEvent::Kind kind, LPARAM lParam) const {
    GlassEvent e = GlassEvent::Of(kind);
    e.x = GET_X_LPARAM(lParam);
    e.y = GET_Y_LPARAM(lParam);
    e.pointerOverThis = PointerOverThis();
    return e;
}

void TAdvGlassButton::HoverTick() {
    POINT p{};
    if (!HandleAllocated() || !::GetCursorPos(&p)) return;
    ::ScreenToClient(Handle(), &p);
    Apply(HandleEvent(GlassEvent::Hover(p.x, p.y)));
}

void TAdvGlassButton::EndCapture() {
    if (HandleAllocated() && ::GetCapture() == Handle()) ::ReleaseCapture();
}

bool TAdvGlassButton::DialogKey(WPARAM key) {
    const GlassOutcome o = HandleEvent(GlassEvent::Key(static_cast<int>(key), ModifierHeld(), CanFocus()));
    Apply(o);
    return o.handled;
}

bool TAdvGlassButton::DialogChar(wchar_t ch) {
    const GlassOutcome o = HandleEvent(GlassEvent::Accelerator(static_cast<char16_t>(ch), CanFocus()));
    Apply(o);
    return o.handled;
}

LRESULT TAdvGlassButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    using Kind = GlassEvent::Kind;
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_BUTTON | DLGC_WANTCHARS;
        case WM_LBUTTONDBLCLK:
            // With a handler the double click is reported and is also a press of its own (a
            // toggle or group button changes again on its release, which does not click a
            // second time); without one a fast second click is an ordinary press.
            doubleClickPress_ = static_cast<bool>(OnDblClick);
            if (OnDblClick) OnDblClick(*this);
            [[fallthrough]];
        case WM_LBUTTONDOWN: {
            const GlassOutcome o = HandleEvent(PointerEvent(Kind::LeftButtonDown, lParam));
            // The release must reach this window wherever the pointer goes meanwhile.
            if (model_.Tracking()) ::SetCapture(Handle());
            Apply(o);
            return 0;
        }
        case WM_MOUSEMOVE:
            Apply(HandleEvent(PointerEvent(Kind::MouseMove, lParam)));
            return 0;
        case WM_LBUTTONUP: {
            GlassOutcome o = HandleEvent(PointerEvent(Kind::LeftButtonUp, lParam));
            if (std::exchange(doubleClickPress_, false)) o.click = false;
            // Released before the click handler runs: it may open a modal box.
            EndCapture();
            Apply(o);
            return 0;
        }
        case WM_CAPTURECHANGED:
            // Another window took the mouse in the middle of a press: it ends there, no click.
            if (model_.Tracking() && reinterpret_cast<HWND>(lParam) != Handle()) {
                GlassOutcome o = HandleEvent(GlassEvent::Release(-1, -1, PointerOverThis()));
                doubleClickPress_ = false;
                o.click = false;
                Apply(o);
            }
            return 0;
        case WM_CHAR:
            if (wParam == L' ') {
                Apply(HandleEvent(GlassEvent::Typed(u' ')));
                return 0;
            }
            break;
        case WM_SETFOCUS:
            Apply(HandleEvent(GlassEvent::Flagged(Kind::FocusChanged, true)));
            Apply(HandleEvent(GlassEvent::Of(Kind::Enter)));
            break;
        case WM_KILLFOCUS:
            Apply(HandleEvent(GlassEvent::Flagged(Kind::FocusChanged, false)));
            Apply(HandleEvent(GlassEvent::Of(Kind::Exit)));
            break;
        default:
            break;
    }
    return TCustomControl::WndProc(message, wParam, lParam);
}

bool TAdvGlassButton::Reflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_COMMAND) return false;
    // A command naming this button (notification code 0) clicks it.
    GlassEvent command = GlassEvent::Of(GlassEvent::Kind::Command);
    command.code = HIWORD(wParam);
    const GlassOutcome o = HandleEvent(command);
    Apply(o);
    result = 0;
    return o.click;
}

void TAdvGlassButton::CaptionChanged() {
    const bool renamed = fw::WithoutAccelerator(fw::Widen(model_.Caption())) != AccName();
    SyncModel();
    TCustomControl::CaptionChanged();
    if (renamed && HandleAllocated() && !Loading()) AccNotify(EVENT_OBJECT_NAMECHANGE);
}

void TAdvGlassButton::EnabledChanged() {
    // The hover timer keeps running while disabled: it clears the hover once the pointer leaves.
    SyncModel();
    if (!Enabled()) EndCapture();
    TCustomControl::EnabledChanged();
}

void TAdvGlassButton::FontChanged() {
    TCustomControl::FontChanged();
    Apply(HandleEvent(GlassEvent::Of(GlassEvent::Kind::FontChanged)));
}

void TAdvGlassButton::BoundsChanged() {
    SyncModel();
    TCustomControl::BoundsChanged();
}

// ---------------------------------------------------------------------------------------------
// Accessibility

long TAdvGlassButton::AccRole() const { return ROLE_SYSTEM_PUSHBUTTON; }

DWORD TAdvGlassButton::AccState() const {
    DWORD state = TCustomControl::AccState();
    const glass::GlassAccessibleState own = model_.AccessibleState();
    if (own.pressed) state |= STATE_SYSTEM_PRESSED;
    if (own.isDefault) state |= STATE_SYSTEM_DEFAULT;
    return state;
}

std::wstring TAdvGlassButton::AccKeyboardShortcut() const { return fw::AcceleratorShortcut(Caption()); }

std::wstring TAdvGlassButton::AccDefaultAction() const { return L"Press"; }

HRESULT TAdvGlassButton::AccDoDefaultAction() { return PostAccessibleAction(0); }

void TAdvGlassButton::AccessibleAction(WPARAM) { Apply(HandleEvent(GlassEvent::Of(GlassEvent::Kind::DefaultAction))); }

// ---------------------------------------------------------------------------------------------
// Shortcut hint

void TAdvGlassButton::ShowShortCutHint() {
    if (!Parent() || !Parent()->HandleAllocated() || !HandleAllocated()) return;
    if (!hintWindow_) hintWindow_ = std::make_unique<ShortCutHintWindow>(Parent()->Handle(), PixelsPerInch());
    hintWindow_->SetText(model_.Look().shortCutHint);
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    const SIZE size = hintWindow_->Size();
    const auto place = glass::ShortCutHintPlace(model_.Look().shortCutHintPos, {r.left, r.top},
                                                {Width(), Height()}, {size.cx, size.cy});
    RECT now{};
    ::GetWindowRect(hintWindow_->Handle(), &now);
    hintWindow_->ShowAt(place ? POINT{place->x, place->y} : POINT{now.left, now.top});
}

void TAdvGlassButton::HideShortCutHint() { hintWindow_.reset(); }

HWND TAdvGlassButton::ShortCutHintHandle() const { return hintWindow_ ? hintWindow_->Handle() : nullptr; }

// ---------------------------------------------------------------------------------------------
// Painting

void TAdvGlassButton::Paint(HDC dc) {
    ++paintCount_;
    PaintParentBackground(dc);
    if (ForceTransparent()) PaintOverlappingSiblings(dc);
    DrawGlassButton(dc);
}

void TAdvGlassButton::PaintParentBackground(HDC dc) {
    fw::TWinControl* parent = Parent();
    if (!parent) return;
    fw::ScopedSaveDc saved(dc);
    ::IntersectClipRect(dc, 0, 0, Width(), Height());
    POINT origin{};
    ::GetWindowOrgEx(dc, &origin);
    ::SetWindowOrgEx(dc, origin.x + Left(), origin.y + Top(), nullptr);
    // The parent paints itself (and its windowless children) into this DC, as it would print.
    if (parent->HandleAllocated()) {
        ::SendMessageW(parent->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    } else {
        parent->PaintWindow(dc);
    }
}

void TAdvGlassButton::PaintOverlappingSiblings(HDC dc) {
    const ButtonsOnParent* siblings = Parent() ? ButtonsOnParent::Of(*Parent()) : nullptr;
    if (!siblings) return;
    const glass::PixelRect self{Left(), Top(), Width(), Height()};
    for (TAdvGlassButton* other : siblings->Buttons()) {
        if (!other || other == this || !other->Visible()) continue;
        const auto overlap = glass::OverlapOf(self, {other->Left(), other->Top(), other->Width(), other->Height()});
        if (!overlap) continue;
        const glass::PixelRect& here = overlap->inThis;
        const glass::PixelRect& there = overlap->inOther;
        // The other button is drawn over this one's background in its own coordinates, then the
        // shared part comes back.
        fw::OffscreenBitmap under(dc, other->Width(), other->Height());
        ::BitBlt(under.Dc(), there.x, there.y, there.width, there.height, dc, here.x, here.y, SRCCOPY);
        other->DrawGlassButton(under.Dc());
        ::BitBlt(dc, here.x, here.y, here.width, here.height, under.Dc(), there.x, there.y, SRCCOPY);
    }
}

void TAdvGlassButton::DrawGlassButton(HDC dc) {
    const glass::GlassPaintState state = model_.PaintState();
    {
        Gdiplus::Graphics graphics(dc);
        win::GdiplusCanvas canvas(graphics);
        glass::PaintGlassDrawing(canvas, glass::GlassBodyDrawing(model_.Look(), state, Width(), Height(), PixelsPerInch()),
                                 [&](const RectF& r) {
                                     DoCustomBackgroundSymbol(
                                         graphics, RECT{int(r.x), int(r.y), int(r.x + r.width), int(r.y + r.height)});
                                 });
    }
    DrawContent(dc, state);
}

void TAdvGlassButton::DoCustomBackgroundSymbol(Gdiplus::Graphics& graphics, const RECT& rect) {
    if (!OnCustomBackgroundSymbol) return;
    customSymbol_ = {rect, &graphics};
    OnCustomBackgroundSymbol(*this);
    customSymbol_ = {};
}

void TAdvGlassButton::DrawContent(HDC dc, const glass::GlassPaintState& state) {
    const glass::GlassLook& look = model_.Look();
    TGDIPPicture* pictures[] = {&picture_, &pictureDown_, &pictureDisabled_, &hotPicture_};
    const glass::GlassPictureSet notEmpty{!picture_.Empty(), !pictureDown_.Empty(), !pictureDisabled_.Empty(),
                                          !hotPicture_.Empty()};
    TGDIPPicture& picture = *pictures[static_cast<int>(glass::ChoosePicture(state, notEmpty))];

    glass::GlassContentInput in;
    in.client = {0, 0, Width(), Height()};
    in.caption = Caption();
    in.showCaption = look.showCaption;
    in.layout = look.layout;
    in.shape = look.buttonShape;
    in.direction = look.buttonDirection;
    in.cornerRadius = look.cornerRadius;
    in.enabled = state.enabled;
    in.focusOutline = look.showFocusRect && HandleAllocated() && ::GetFocus() == Handle();
    // A picture's pixels are the design's: it is drawn as large as the DPI makes it.
    const fw::DpiScale scale(PixelsPerInch());
    if (!picture.Empty()) {
        win::DecodePicture(picture);
        in.picture = {scale.Length(picture.GetWidth()), scale.Length(picture.GetHeight())};
    }
    in.dpi = PixelsPerInch();
    in.antiAlias = look.antiAlias;
    in.fontDrawableByGdiPlus = in.antiAlias != TAntiAlias::aaNone && DrawableByGdiPlus(dc, Font());
    in.fontColor = Font().Color();

    Gdiplus::Graphics graphics(dc);
    win::GdiplusCanvas canvas(graphics);
    canvas.SetSmoothing(SmoothingMode::AntiAlias);
    const std::uint8_t style = Font().Style();
    const TextFont font{Font().Name(), Font().DrawingPoints(),
                        glass::GdiPlusFontStyle(style & fw::fsBold, style & fw::fsItalic, style & fw::fsUnderline)};
    fw::ScopedSelect gdiFont(dc, Font().Handle());

    glass::GlassTextMeasurer measure;
    measure.gdiPlus = [&](std::string_view text, const RectF& box, glass::TextAlign h, glass::TextAlign v, int hint) {
        return canvas.MeasureString(text, font, box, CaptionFormat(h, v, RenderingHint(hint)));
    };
    measure.gdi = [&](std::string_view text, int width) {
        const std::wstring wide = fw::Widen(text);
        RECT r{0, 0, std::max(width, 0), 0};
        ::DrawTextW(dc, wide.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK);
        return glass::PixelSize{r.right - r.left, r.bottom - r.top};
    };
    const glass::GlassContentLayout layout = glass::LayoutGlassContent(in, measure);

    if (layout.focusOutline) {
        canvas.DrawPath(glass::ToCanvasPath(*layout.focusOutline),
                        Pen{glass::kFocusOutlineColour, static_cast<float>(scale.Line(1))});
    }
    if (!layout.text.empty()) {
        const glass::PixelRect& c = layout.captionRect;
        if (layout.gdiPlus) {
            canvas.DrawString(layout.text, font, RectF{float(c.x), float(c.y), float(c.width), float(c.height)},
                              CaptionFormat(layout.horizontal, layout.vertical, RenderingHint(layout.renderingHint)),
                              SolidBrush{layout.gdiPlusColour});
        } else {
            // The platform's text keeps the font's colour even when disabled. What GDI+ drew
            // so far reaches the DC first.
            graphics.Flush(Gdiplus::FlushIntentionSync);
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, fw::ColorToRGB(layout.gdiColour) & 0xFFFFFF);
            const UINT align = layout.horizontal == glass::TextAlign::Near  ? DT_LEFT
                               : layout.horizontal == glass::TextAlign::Far ? DT_RIGHT
                                                                            : DT_CENTER;
            RECT r{c.x, c.y, c.x + c.width, c.y + c.height};
            const std::wstring text = fw::Widen(layout.text);
            ::DrawTextW(dc, text.c_str(), -1, &r, DT_WORDBREAK | align);
        }
    }
    if (layout.picture && !picture.Empty()) {
        graphics.Flush();
        const RECT r{layout.picture->x, layout.picture->y, layout.picture->x + in.picture.width,
                     layout.picture->y + in.picture.height};
        win::Draw(picture, dc, r);
    }
}

void RegisterGlassButtonClass(fw::ClassRegistry& registry) {
    registry.Register(TAdvGlassButton::StaticClass(), [] { return std::make_unique<TAdvGlassButton>(); });
}

}  // namespace ctl
