// TControl, a rectangle on a parent with the properties every control shares, and TGraphicControl,
// a control without a window of its own, painted by its parent.

#include "framework/PropertyBuilders.h"
#include "framework/win/Controls.h"

namespace fw {
namespace {

// A bound of a control, scaled on its own unless an alignment sets it.
PropertyInfo Placed(PropertyInfo info) {
    return ScaledWhen<TControl>(std::move(info), [](const TControl& c) { return c.Align() == TAlign::alNone; });
}

}  // namespace

const EnumInfo& AlignEnum() {
    static const EnumInfo info{"TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};
    return info;
}
const EnumInfo& AlignmentEnum() {
    static const EnumInfo info{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
    return info;
}

TControl::TControl() {
    font_.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
    AccDisconnect();  // before anything of the control goes: its object may be held elsewhere
    if (parent_) parent_->RemoveControl(this);
}

const ClassInfo& TControl::StaticClass() {
    static const ClassInfo info{
        "TControl",
        nullptr,
        {
            Placed(Pixels(IntProperty<TControl>("Left", &TControl::Left, [](TControl& c, int v) { c.SetBounds(v, c.Top(), c.Width(), c.Height()); }), PixelUnit::Position)),
            Placed(Pixels(IntProperty<TControl>("Top", &TControl::Top, [](TControl& c, int v) { c.SetBounds(c.Left(), v, c.Width(), c.Height()); }), PixelUnit::Position)),
            Placed(Pixels(IntProperty<TControl>("Width", &TControl::Width, [](TControl& c, int v) { c.SetBounds(c.Left(), c.Top(), v, c.Height()); }), PixelUnit::Extent, "Left")),
            Placed(Pixels(IntProperty<TControl>("Height", &TControl::Height, [](TControl& c, int v) { c.SetBounds(c.Left(), c.Top(), c.Width(), v); }), PixelUnit::Extent, "Top")),
            EnumProperty<TControl, TAlign>("Align", AlignEnum(), &TControl::Align, &TControl::SetAlign, TAlign::alNone),
            BoolProperty<TControl>("Visible", &TControl::Visible, &TControl::SetVisible, true),
            BoolProperty<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled, true),
            StringProperty<TControl>("Caption", &TControl::Caption, &TControl::SetCaption, std::string()),
            Stored<TControl>(ColourProperty<TControl>("Color", &TControl::Color, &TControl::SetColor, clBtnFace),
                   [](const TControl& c) { return !c.ParentColor(); }),
            BoolProperty<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, false),
            ScaledWhen<TControl>(
                Stored<TControl>(ObjectProperty<TControl, TFont>("Font", static_cast<TFont& (TControl::*)()>(&TControl::Font)),
                                 [](const TControl& c) { return !c.ParentFont(); }),
                [](const TControl& c) { return !c.ParentFont() || !c.Parent(); }),
            BoolProperty<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true),
            EventProperty<TControl>("OnClick", &TControl::OnClick),
            Stored<TControl>(Pixels(IntProperty<TControl>("PixelsPerInch", &TControl::PixelsPerInch, &TControl::SetPixelsPerInch),
                                    PixelUnit::Dpi),
                             [](const TControl&) { return false; }),
        }};
    return info;
}
const ClassInfo& TControl::Class() const { return StaticClass(); }

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    Invalidate();
    left_ = left, top_ = top, width_ = width, height_ = height;
    BoundsChanged();
}

void TControl::BoundsChanged() { Invalidate(); }

void TControl::SetPixelsPerInch(int dpi) {
    if (dpi == pixelsPerInch_) return;
    pixelsPerInch_ = dpi;
    PixelsPerInchChanged();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->AlignControls();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);  // sets parent_
    ParentFontChanged();
    ParentColorChanged();
}

void TControl::SetParentComponent(Component* parent) {
    if (auto* container = dynamic_cast<TWinControl*>(parent)) SetParent(container);
}
Component* TControl::GetParentComponent() const { return parent_; }

TForm* TControl::ParentForm() const {
    const TControl* control = this;
    while (control->parent_) control = control->parent_;
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (!visible) Invalidate();
    visible_ = visible;
    VisibleChanged();
}
void TControl::VisibleChanged() { Invalidate(); }

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    EnabledChanged();
}

bool TControl::FormSettingUp() const {
    const TForm* form = ParentForm();
    return form && form->SettingUp();
}

bool TControl::Showing() const {
    for (const TControl* control = this; control; control = control->parent_) {
        if (!control->visible_) return false;
        if (auto* form = dynamic_cast<const TForm*>(control)) return form->HandleAllocated() && ::IsWindowVisible(form->Handle());
    }
    return false;
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) ParentFontChanged();
}

void TControl::SetColor(TColor color) {
    if (!followingParent_) parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    ColorChanged();
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    if (value) ParentColorChanged();
}

void TControl::SetCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    CaptionChanged();
}

void TControl::Click() {
    if (!Loading()) OnClick(*this);  // a value set by the description clicks nothing
}

void TControl::Invalidate() {}
void TControl::Repaint() {}

void TControl::FontChanged() {
    if (!followingParent_) parentFont_ = false;
    Invalidate();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    followingParent_ = true;
    font_.Assign(parent_->Font());
    followingParent_ = false;
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    followingParent_ = true;
    SetColor(parent_->Color());
    followingParent_ = false;
}

// ---------------------------------------------------------------------------------------------
// TGraphicControl

const ClassInfo& TGraphicControl::StaticClass() {
    static const ClassInfo info{"TGraphicControl", &TControl::StaticClass(), {}};
    return info;
}
const ClassInfo& TGraphicControl::Class() const { return StaticClass(); }

void TGraphicControl::Invalidate() {
    if (Parent() && Parent()->HandleAllocated() && Visible() && !FormSettingUp()) {
        const RECT bounds = BoundsRect();
        ::InvalidateRect(Parent()->Handle(), &bounds, FALSE);
    }
}

void TGraphicControl::Repaint() {
    Invalidate();
    if (Parent() && Parent()->HandleAllocated()) ::UpdateWindow(Parent()->Handle());
}

}  // namespace fw
