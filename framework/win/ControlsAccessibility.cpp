// The accessible side of the framework's controls (framework/win/Accessibility.h): roles, names,
// states, values, places and default actions of TControl and its standard descendants.

#include <oleacc.h>

#include <algorithm>
#include <climits>

#include "framework/win/Controls.h"
#include "framework/win/StdCtrls.h"

namespace fw {
namespace {

bool ShownInTree(const TControl& control) {
    for (const TControl* c = &control; c; c = c->Parent()) {
        if (!c->Visible()) return false;
    }
    return true;
}

bool EnabledInTree(const TControl& control) {
    for (const TControl* c = &control; c; c = c->Parent()) {
        if (!c->Enabled()) return false;
    }
    return true;
}

// Where a control's client area begins on the screen: its window's, or, while it has none (not
// shown yet), where its window will be in its parent's. False when no ancestor has a window.
bool ClientOriginOnScreen(const TWinControl& control, POINT& origin) {
    if (control.HandleAllocated()) {
        origin = {0, 0};
        return ::ClientToScreen(control.Handle(), &origin) != 0;
    }
    if (!control.Parent() || !ClientOriginOnScreen(*control.Parent(), origin)) return false;
    origin.x += control.Left();
    origin.y += control.Top();
    return true;
}

// Every label of the tree under root.
void CollectLabels(const TWinControl& root, std::vector<const TLabel*>& out) {
    for (const TControl* child : root.Controls()) {
        if (const auto* label = dynamic_cast<const TLabel*>(child)) out.push_back(label);
        if (const auto* container = dynamic_cast<const TWinControl*>(child)) CollectLabels(*container, out);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TControl, TWinControl, TForm

long TControl::AccRole() const { return ROLE_SYSTEM_CLIENT; }

std::wstring TControl::AccName() const { return WithoutAccelerator(Widen(Caption())); }

DWORD TControl::AccState() const {
    DWORD state = 0;
    if (!ShownInTree(*this)) state |= STATE_SYSTEM_INVISIBLE;
    if (!EnabledInTree(*this)) state |= STATE_SYSTEM_UNAVAILABLE;
    if (AccFocusable()) state |= STATE_SYSTEM_FOCUSABLE;
    return state;
}

bool TControl::AccScreenRect(RECT& rect) const {
    POINT origin{};
    if (!Parent() || !ClientOriginOnScreen(*Parent(), origin)) return false;
    rect = BoundsRect();
    ::OffsetRect(&rect, origin.x, origin.y);
    return true;
}

AccessibleElement* TControl::AccParent() const { return Parent(); }

DWORD TWinControl::AccState() const {
    DWORD state = TControl::AccState();
    if (Focused()) state |= STATE_SYSTEM_FOCUSED;
    return state;
}

bool TWinControl::AccScreenRect(RECT& rect) const {
    if (hwnd_) return ::GetWindowRect(hwnd_, &rect) != 0;
    return TControl::AccScreenRect(rect);  // not shown yet: the place its window will take
}

std::vector<AccessibleElement*> TWinControl::AccChildren() const {
    std::vector<AccessibleElement*> children;
    children.reserve(controls_.size());
    auto nextInTabOrder = tabList_.begin();
    for (TControl* child : controls_) {
        if (child->IsWindowed() && nextInTabOrder != tabList_.end()) {
            children.push_back(*nextInTabOrder++);
        } else {
            children.push_back(child);
        }
    }
    return children;
}

bool TWinControl::AccTakeFocus() {
    if (!CanFocus()) return false;
    SetFocus();
    return true;
}

HRESULT TWinControl::PostAccessibleAction(WPARAM part) {
    if (!hwnd_ || !CanFocus()) return E_FAIL;
    return ::PostMessageW(hwnd_, AccessibleActionMessage(), part, 0) ? S_OK : E_FAIL;
}

bool TForm::AccScreenRect(RECT& rect) const {
    if (!HandleAllocated() || !::GetClientRect(Handle(), &rect)) return false;
    ::MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

// ---------------------------------------------------------------------------------------------
// TLabel

long TLabel::AccRole() const { return ROLE_SYSTEM_STATICTEXT; }

std::wstring TLabel::AccName() const {
    const std::wstring text = Widen(Caption());
    return ShowAccelChar() ? WithoutAccelerator(text) : text;
}

DWORD TLabel::AccState() const { return TGraphicControl::AccState() | STATE_SYSTEM_READONLY; }

std::wstring TLabel::AccKeyboardShortcut() const {
    return ShowAccelChar() && FocusControl() ? AcceleratorShortcut(Caption()) : std::wstring();
}

// ---------------------------------------------------------------------------------------------
// TEdit

long TEdit::AccRole() const { return ROLE_SYSTEM_TEXT; }

const TLabel* TEdit::NamingLabel() const {
    std::vector<const TLabel*> labels;
    if (const TForm* form = ParentForm()) {
        CollectLabels(*form, labels);
    } else if (Parent()) {
        CollectLabels(*Parent(), labels);
    }
    for (const TLabel* label : labels) {
        if (label->FocusControl() == this) return label;
    }
    // Else the nearest label on the left whose row takes in the box's middle.
    const int middle = Top() + Height() / 2;
    const TLabel* nearest = nullptr;
    int nearestGap = INT_MAX;
    for (const TLabel* label : labels) {
        if (label->Parent() != Parent() || !label->Visible()) continue;
        if (middle < label->Top() || middle >= label->Top() + label->Height()) continue;
        const int gap = Left() - (label->Left() + label->Width());
        if (gap < -4 || gap >= nearestGap) continue;  // a few pixels of overlap: auto-sized text runs wider
        nearest = label, nearestGap = gap;
    }
    return nearest;
}

std::wstring TEdit::AccName() const {
    const TLabel* label = NamingLabel();
    return label ? label->AccName() : std::wstring();
}

HRESULT TEdit::AccValue(std::wstring& value) const {
    if (!passwordChar_.empty()) return E_ACCESSDENIED;
    value = Widen(Text());
    return S_OK;
}

DWORD TEdit::AccState() const {
    DWORD state = TWinControl::AccState();
    if (!passwordChar_.empty()) state |= STATE_SYSTEM_PROTECTED;
    if (readOnly_) state |= STATE_SYSTEM_READONLY;
    return state;
}

std::wstring TEdit::AccKeyboardShortcut() const {
    const TLabel* label = NamingLabel();
    return label ? label->AccKeyboardShortcut() : std::wstring();
}

// ---------------------------------------------------------------------------------------------
// TButtonControl, TRadioButton, TCheckBox

DWORD TButtonControl::AccState() const {
    DWORD state = TWinControl::AccState();
    if (checked_) state |= STATE_SYSTEM_CHECKED;
    return state;
}

std::wstring TButtonControl::AccKeyboardShortcut() const { return AcceleratorShortcut(Caption()); }

HRESULT TButtonControl::AccDoDefaultAction() { return PostAccessibleAction(0); }

void TButtonControl::AccessibleAction(WPARAM) {
    // As a person's click: the focus comes here, then the click.
    SetFocus();
    Clicked();
}

long TRadioButton::AccRole() const { return ROLE_SYSTEM_RADIOBUTTON; }
std::wstring TRadioButton::AccDefaultAction() const { return L"Check"; }

long TCheckBox::AccRole() const { return ROLE_SYSTEM_CHECKBUTTON; }
std::wstring TCheckBox::AccDefaultAction() const { return Checked() ? L"Uncheck" : L"Check"; }

// ---------------------------------------------------------------------------------------------
// TGroupBox, TImage

long TGroupBox::AccRole() const { return ROLE_SYSTEM_GROUPING; }
long TImage::AccRole() const { return ROLE_SYSTEM_GRAPHIC; }

}  // namespace fw
