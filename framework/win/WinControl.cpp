// TWinControl, a control with a window: its place in the tree and the tab order, the focus, its
// window's making (when it first shows, or ahead of that while the program is idle), painting its
// face and its windowless children, and what it passes on to its window. The window's side of it
// (the window class, the trampoline, the messages) is in WinControlWindow.cpp.

#include <algorithm>

#include "framework/PropertyBuilders.h"
#include "framework/win/Controls.h"
#include "framework/win/PaintBuffer.h"

namespace fw {

TWinControl::TWinControl() = default;

TWinControl::~TWinControl() {
    // Out of the parent's lists while still a windowed control (TControl's destructor could no
    // longer take it out of the tab order, which Tab walks), and out of the form's memory of its
    // active control while the children still lead up to it.
    if (Parent()) Parent()->RemoveControl(this);
    // Detach the children first: they may be destroyed after us by the owner.
    for (TControl* child : controls_) child->parent_ = nullptr;
    controls_.clear();
    tabList_.clear();
    DestroyHandle();
}

const ClassInfo& TWinControl::StaticClass() {
    static const ClassInfo info{
        "TWinControl",
        &TControl::StaticClass(),
        {
            IntProperty<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
            BoolProperty<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false),
        }};
    return info;
}
const ClassInfo& TWinControl::Class() const { return StaticClass(); }

ParentPart* TWinControl::Part(const void* key) const {
    for (const auto& [partKey, part] : parts_)
        if (partKey == key) return part.get();
    return nullptr;
}

ParentPart& TWinControl::AddPart(const void* key, std::unique_ptr<ParentPart> part) {
    parts_.emplace_back(key, std::move(part));
    return *parts_.back().second;
}

void TWinControl::InsertControl(TControl* control) {
    control->parent_ = this;
    controls_.push_back(control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        tabList_.push_back(windowed);
        if (hwnd_) windowed->CreateHandle();
    } else {
        control->Invalidate();
    }
    if (control->Align() != TAlign::alNone) AlignControls();
}

void TWinControl::ForgetActiveControlIn(const TControl& leaving) {
    // The form gives the focus back to its active control when it is activated again: a control
    // that leaves the form, or is inside one that leaves, must not stay behind as a stale pointer.
    TForm* form = leaving.Parent() ? leaving.Parent()->ParentForm() : nullptr;
    if (!form) return;
    for (const TControl* control = form->ActiveControl(); control; control = control->Parent()) {
        if (control == &leaving) {
            form->SetActiveControl(nullptr);
            return;
        }
    }
}

void TWinControl::RemoveControl(TControl* control) {
    ForgetActiveControlIn(*control);
    control->Invalidate();
    std::erase(controls_, control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) std::erase(tabList_, windowed);
    if (mouseCapture_ == control) mouseCapture_ = nullptr;
    control->parent_ = nullptr;
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const auto& list = Parent()->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent()) return;
    auto& list = Parent()->tabList_;
    std::erase(list, this);
    const auto position = static_cast<std::size_t>(std::clamp(order, 0, static_cast<int>(list.size())));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(position), this);
}

std::vector<TWinControl*> TWinControl::TabList() const { return tabList_; }

bool TWinControl::CanFocus() const {
    for (const TControl* control = this; control; control = control->Parent()) {
        if (!control->Visible() || !control->Enabled()) return false;
    }
    return HandleAllocated();
}

void TWinControl::SetFocus() {
    TForm* form = ParentForm();
    if (form && form != this &&
        (!hwnd_ || AwaitingFirstShow() || !form->HandleAllocated() || !::IsWindowVisible(form->Handle()))) {
        form->SetActiveControl(this);  // focused when the form is shown, or once its window is made or shows
        return;
    }
    if (hwnd_) ::SetFocus(hwnd_);
}

void TWinControl::TakeAskedFocus() {
    // Asked for while the control had no window, or one made ahead not shown yet (SetFocus
    // recorded it as the form's active control); while the form is set up hidden, Show gives it.
    const TForm* form = ParentForm();
    if (form && form != this && form->ActiveControl() == this && Showing() && CanFocus()) ::SetFocus(hwnd_);
}

bool TWinControl::Focused() const { return hwnd_ && ::GetFocus() == hwnd_; }

void TWinControl::Invalidate() {
    // (Each invalidation is a round trip to the window server under Wine: none while the form is
    // set up hidden.)
    if (hwnd_ && !FormSettingUp()) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void TWinControl::Repaint() {
    if (hwnd_) {
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        ::UpdateWindow(hwnd_);
    }
}

void TWinControl::Update() {
    if (hwnd_) ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    TControl::SetBounds(left, top, width, height);
    if (resized) AlignControls();
}

void TWinControl::BoundsChanged() {
    if (hwnd_ && Parent()) {
        ::SetWindowPos(hwnd_, nullptr, Left(), Top(), Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

RECT TWinControl::ClientRectForChildren() const { return ClientRect(); }

void TWinControl::AlignControls() {
    RECT area = ClientRectForChildren();
    for (TControl* child : controls_) {
        if (child->Align() == TAlign::alClient) {
            child->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
        }
    }
}

void TWinControl::CreateParams(WindowParams& params) {
    params.className = nullptr;
    params.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    params.text = Widen(Caption());
}

void TWinControl::CreateHandle() {
    if (hwnd_) return;
    if (Parent() && !Parent()->HandleAllocated()) return;  // created with the parent
    // A child's window is made when it first shows: the controls of a hidden page cost nothing
    // until the page is shown (their properties live in the objects meanwhile).
    if (Parent() && !Visible()) return;
    MakeWindows();
}

void TWinControl::MakeWindows() {
    CreateWnd();
    HandleCreated();
    for (TWinControl* child : tabList_) child->CreateHandle();
    TakeAskedFocus();
}

bool TWinControl::MakeNextWindowAhead() {
    for (TWinControl* child : tabList_) {
        if (child->hwnd_) {
            if (child->MakeNextWindowAhead()) return true;
        } else if (!child->Visible()) {
            child->MakeWindowAhead();
            return true;
        }
        // (Shown without a window: it failed to be made at its show, and is tried at the next.)
    }
    return false;
}

void TWinControl::MakeWindowAhead() {
    madeAhead_ = true;
    try {
        MakeWindows();
    } catch (...) {
        // What was made stays; its first show makes the rest (and reports what fails then).
        madeAhead_ = hwnd_ != nullptr;
        if (hwnd_) TakeCreationPlace();
        throw;
    }
    TakeCreationPlace();
    // Painted once where no one sees it: what the controls make on their first paint and keep
    // (the windowless labels' fonts, the edit boxes' shaped text) is then not made at the show.
    const WindowDc screen(nullptr);
    const PaintBuffer buffer(screen.Get(), std::max(Width(), 1), std::max(Height(), 1));
    PaintAhead(buffer.Dc());
}

void TWinControl::PaintAhead(HDC dc) {
    ::SendMessageW(hwnd_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (TWinControl* child : tabList_)
        if (child->hwnd_ && child->Visible()) child->PaintAhead(dc);
}

bool TWinControl::AwaitingFirstShow() const {
    for (const TWinControl* control = this; control; control = control->Parent())
        if (control->madeAhead_) return true;
    return false;
}

void TWinControl::FirstShowOfWindowMadeAhead() {
    madeAhead_ = false;
    if (FormSettingUp()) return;  // Show makes what is missing and gives the focus itself
    // What a window made at this show would have taken: the windows below that are missing, and
    // the focus asked for meanwhile by a control under this one.
    ShowingHandlesNeeded();
    const TForm* form = ParentForm();
    TWinControl* asked = form ? form->ActiveControl() : nullptr;
    for (const TControl* control = asked; control; control = control->Parent()) {
        if (control == this) {
            asked->TakeAskedFocus();
            return;
        }
    }
}

void TWinControl::TakeCreationPlace() {
    // Windows made together stack in the order they are made (tab order, the first on top); one
    // made later goes where it would have been among the windows of its siblings.
    HWND above = HWND_TOP;
    for (TWinControl* sibling : Parent()->tabList_) {
        if (sibling == this) break;
        if (sibling->hwnd_) above = sibling->hwnd_;
    }
    ::SetWindowPos(hwnd_, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::PaintBackground(HDC dc) {
    const RECT r = ClientRect();
    ::FillRect(dc, &r, ColourBrush());
}

void TWinControl::Paint(HDC dc) { PaintBackground(dc); }

void TWinControl::PaintWindow(HDC dc) {
    Paint(dc);
    // Children outside what is being painted are skipped (a glass button has its parent paint only
    // the button's own small part).
    RECT clip{};
    const bool clipped = ::GetClipBox(dc, &clip) != ERROR;
    for (TControl* child : controls_) {
        if (child->IsWindowed() || !child->Visible()) continue;
        const RECT r = child->BoundsRect();
        RECT shared{};
        if (clipped && !::IntersectRect(&shared, &r, &clip)) continue;
        ScopedSaveDc saved(dc);
        ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        POINT origin{};
        ::GetWindowOrgEx(dc, &origin);
        ::SetWindowOrgEx(dc, origin.x - r.left, origin.y - r.top, nullptr);
        child->Paint(dc);
    }
}

HBRUSH TWinControl::ColourBrush() {
    const TColor wanted = Color();
    if (!colourBrush_ || brushColour_ != wanted) {
        colourBrush_.Reset(::CreateSolidBrush(ColorToRGB(wanted)));
        brushColour_ = wanted;
    }
    return colourBrush_.Get();
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    UpdateWindowFont();
    for (TControl* child : controls_) child->ParentFontChanged();
}

void TWinControl::ColorChanged() {
    TControl::ColorChanged();
    for (TControl* child : controls_) child->ParentColorChanged();
}

void TWinControl::CaptionChanged() {
    if (hwnd_) ::SetWindowTextW(hwnd_, Widen(Caption()).c_str());
    Invalidate();
}

void TWinControl::EnabledChanged() {
    if (hwnd_) ::EnableWindow(hwnd_, Enabled());
    Invalidate();
}

void TWinControl::SetVisible(bool visible) {
    if (!visible || !Visible()) {
        TControl::SetVisible(visible);
        return;
    }
    // Marked shown already: a window missing here or below failed to be made when the control
    // was shown (the exception went to the report) and is made now.
    if (Parent() && Parent()->HandleAllocated() && !FormSettingUp()) {
        if (hwnd_) {
            ShowingHandlesNeeded();
        } else {
            CreateShownHandle();
        }
    }
}

void TWinControl::VisibleChanged() {
    if (hwnd_) {
        ::ShowWindow(hwnd_, Visible() ? SW_SHOWNA : SW_HIDE);
        if (Visible() && madeAhead_) FirstShowOfWindowMadeAhead();
    } else if (Visible() && Parent() && Parent()->HandleAllocated() && !FormSettingUp()) {
        // Shown for the first time: its window (and its children's) is made now. While the form
        // is set up hidden, only what still shows when it is done gets one (ShowingHandlesNeeded).
        CreateShownHandle();
    }
}

void TWinControl::CreateShownHandle() {
    CreateHandle();
    if (hwnd_) TakeCreationPlace();
}

void TWinControl::ShowingHandlesNeeded() {
    for (TWinControl* child : tabList_) {
        if (!child->Visible()) continue;
        if (child->hwnd_) {
            child->ShowingHandlesNeeded();
        } else {
            child->CreateShownHandle();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// TCustomControl

const ClassInfo& TCustomControl::StaticClass() {
    static const ClassInfo info{"TCustomControl", &TWinControl::StaticClass(), {}};
    return info;
}
const ClassInfo& TCustomControl::Class() const { return StaticClass(); }

}  // namespace fw
