#include "framework/win/Controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <exception>
#include <mutex>
#include <unordered_map>

#include "base/Text.h"
#include "framework/PropertyBuilders.h"
#include "framework/win/Dpi.h"
#include "framework/win/ExceptionReport.h"

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4  // Windows 10 1703 (per-monitor V2)
#endif

namespace fw {
namespace {

// The double buffer of one paint. The windows' paints share one bitmap, kept and grown to the
// largest window painted, rather than each taking fresh memory (under Wine each fresh page costs a
// fault on first touch, and a window's first paint touched a whole window of them). Each paint
// gets the bitmap as a new one would be: black, its DC in its first state, clipped to the window.
// A paint within a paint gets a bitmap of its own.
class PaintBuffer {
public:
    PaintBuffer(HDC compatibleWith, int width, int height) {
        std::unique_ptr<OffscreenBitmap>& kept = Kept();
        if (inUse_) {
            own_ = std::make_unique<OffscreenBitmap>(compatibleWith, width, height);
            bitmap_ = own_.get();
            return;
        }
        if (!kept || kept->Width() < width || kept->Height() < height) {
            const int keptWidth = kept ? kept->Width() : 0, keptHeight = kept ? kept->Height() : 0;
            kept.reset();
            kept = std::make_unique<OffscreenBitmap>(compatibleWith, std::max(width, keptWidth),
                                                     std::max(height, keptHeight));
        } else {
            ::GdiFlush();
            for (int y = 0; y < height; ++y) std::fill_n(kept->Pixels() + y * kept->Width(), width, 0u);
        }
        bitmap_ = kept.get();
        inUse_ = true;
        saved_ = ::SaveDC(bitmap_->Dc());
        ::IntersectClipRect(bitmap_->Dc(), 0, 0, width, height);
    }
    ~PaintBuffer() {
        if (own_) return;
        ::RestoreDC(bitmap_->Dc(), saved_);
        inUse_ = false;
    }
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

    HDC Dc() const { return bitmap_->Dc(); }

private:
    static std::unique_ptr<OffscreenBitmap>& Kept() {
        static std::unique_ptr<OffscreenBitmap> kept;  // the windows' thread only
        return kept;
    }
    static inline bool inUse_ = false;
    std::unique_ptr<OffscreenBitmap> own_;
    OffscreenBitmap* bitmap_ = nullptr;
    int saved_ = 0;
};

// The framework object of each of the framework's windows, from WM_NCCREATE (or subclassing) to
// WM_NCDESTROY. A table of the process rather than a window property: every message looks its
// window up (and reflected ones their sender), and a property lookup is a round trip to the window
// server under Wine; a start-up of the wizard makes some two hundred of them.
class WindowTable {
public:
    void Add(HWND hwnd, TWinControl* control) {
        std::lock_guard lock(mutex_);
        controls_[hwnd] = control;
    }
    void Remove(HWND hwnd) {
        std::lock_guard lock(mutex_);
        controls_.erase(hwnd);
    }
    TWinControl* Find(HWND hwnd) {
        std::lock_guard lock(mutex_);
        const auto found = controls_.find(hwnd);
        return found == controls_.end() ? nullptr : found->second;
    }

private:
    std::mutex mutex_;
    std::unordered_map<HWND, TWinControl*> controls_;
};

// Never destroyed: windows of static objects may go after every static of this file.
WindowTable& Windows() {
    static WindowTable* const table = new WindowTable;
    return *table;
}

TWinControl* FromHandle(HWND hwnd) { return hwnd ? Windows().Find(hwnd) : nullptr; }

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

int PointsFromHeight(int height) { return (std::abs(height) * 72 + 48) / 96; }
int HeightFromPoints(int points) { return -((points * 96 + 36) / 72); }

// A bound of a control, scaled on its own unless an alignment sets it.
PropertyInfo Placed(PropertyInfo info) {
    return ScaledWhen<TControl>(std::move(info), [](const TControl& c) { return c.Align() == TAlign::alNone; });
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Enumerations

const EnumInfo& FontStyleEnum() {
    static const EnumInfo info{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return info;
}
const EnumInfo& AlignEnum() {
    static const EnumInfo info{"TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}};
    return info;
}
const EnumInfo& AlignmentEnum() {
    static const EnumInfo info{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
    return info;
}

// ---------------------------------------------------------------------------------------------
// TFont

TFont::TFont() = default;

const ClassInfo& TFont::StaticClass() {
    static const ClassInfo info{
        "TFont",
        nullptr,
        {
            StringProperty<TFont>("Name", &TFont::Name, &TFont::SetName),
            Pixels(IntProperty<TFont>("Height", &TFont::Height, &TFont::SetHeight), PixelUnit::FontHeight),
            IntProperty<TFont>("Size", &TFont::Size, &TFont::SetSize),
            SetProperty<TFont>("Style", FontStyleEnum(), &TFont::Style, &TFont::SetStyle, 0),
            ColourProperty<TFont>("Color", &TFont::Color, &TFont::SetColor, clWindowText),
            Stored<TFont>(Pixels(IntProperty<TFont>("PixelsPerInch", &TFont::PixelsPerInch, &TFont::SetPixelsPerInch),
                                 PixelUnit::Dpi),
                          [](const TFont&) { return false; }),
        }};
    return info;
}
const ClassInfo& TFont::Class() const { return StaticClass(); }

void TFont::SetName(std::string name) {
    if (name == name_) return;
    name_ = std::move(name);
    Changed();
}
void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}
int TFont::Size() const {
    const int design = DpiScale(pixelsPerInch_).DesignFontHeight(height_);
    return design < 0 ? PointsFromHeight(design) : (design * 72 + 48) / 96;
}
void TFont::SetSize(int points) { SetHeight(DpiScale(pixelsPerInch_).FontHeight(HeightFromPoints(points))); }
float TFont::DrawingPoints() const {
    return static_cast<float>(Size()) * static_cast<float>(pixelsPerInch_) / static_cast<float>(kDesignDpi);
}
void TFont::SetStyle(std::uint8_t style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}
void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

bool TFont::SameAs(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ && color_ == other.color_ &&
           pixelsPerInch_ == other.pixelsPerInch_;
}

void TFont::Assign(const TFont& other) {
    if (SameAs(other)) return;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    pixelsPerInch_ = other.pixelsPerInch_;
    Changed();
}

void TFont::Changed() {
    handle_.Reset();
    if (OnChange) OnChange();
}

HFONT TFont::Handle() const {
    if (!handle_) {
        LOGFONTW lf{};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
        lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        const std::wstring face = Widen(name_);
        wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        handle_.Reset(::CreateFontIndirectW(&lf));
    }
    return handle_.Get();
}

// ---------------------------------------------------------------------------------------------
// TControl

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

// ---------------------------------------------------------------------------------------------
// TWinControl

const wchar_t* FrameworkWindowClass() { return L"FwWindow"; }

TWinControl* ControlFromHandle(HWND hwnd) { return FromHandle(hwnd); }

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
    if (form && form != this && (!hwnd_ || !form->HandleAllocated() || !::IsWindowVisible(form->Handle()))) {
        form->SetActiveControl(this);  // focused when the form is shown, or once its window is made
        return;
    }
    if (hwnd_) ::SetFocus(hwnd_);
}

void TWinControl::TakeAskedFocus() {
    // Asked for while the control had no window (SetFocus recorded it as the form's active
    // control); while the form is set up hidden, Show gives it.
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
    CreateWnd();
    HandleCreated();
    for (TWinControl* child : tabList_) child->CreateHandle();
    TakeAskedFocus();
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

void TWinControl::CreateWnd() {
    WindowParams params;
    CreateParams(params);
    DWORD style = params.style;
    if (Visible()) style |= WS_VISIBLE;
    if (!Enabled()) style |= WS_DISABLED;
    if (TabStop()) style |= WS_TABSTOP;
    HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;

    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &TWinControl::FrameworkWndProc;
        wc.hInstance = Instance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(1));
        wc.lpszClassName = FrameworkWindowClass();
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;

    if (params.className) {
        hwnd_ = ::CreateWindowExW(params.exStyle, params.className, params.text.c_str(), style, Left(), Top(),
                                  Width(), Height(), parentWindow, nullptr, Instance(), nullptr);
        if (!hwnd_) throw std::runtime_error("Error creating window");
        // Subclassed by replacing the window procedure, not through the common controls' subclass
        // chain: that chain looks its data up in a window property at every message, a round
        // trip to the window server under Wine.
        Windows().Add(hwnd_, this);
        platformProc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::PlatformWndProc)));
        subclassed_ = true;
    } else {
        RECT outer{0, 0, Width(), Height()};
        int x = Left(), y = Top();
        if (!Parent()) AdjustWindowRectForDpi(outer, style, params.exStyle, PixelsPerInch());
        hwnd_ = ::CreateWindowExW(params.exStyle, FrameworkWindowClass(), params.text.c_str(), style, x, y,
                                  outer.right - outer.left, outer.bottom - outer.top, parentWindow, nullptr,
                                  Instance(), this);
        if (!hwnd_) throw std::runtime_error("Error creating window");
    }
    UpdateWindowFont();
}

void TWinControl::DestroyHandle() {
    if (hwnd_) {
        HWND hwnd = hwnd_;
        ::DestroyWindow(hwnd);  // WM_NCDESTROY detaches
        hwnd_ = nullptr;
    }
}

void TWinControl::UpdateWindowFont() {
    if (hwnd_ && subclassed_) {
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FormSettingUp() ? FALSE : TRUE);
    }
}

LRESULT CALLBACK TWinControl::FrameworkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        control->hwnd_ = hwnd;
        Windows().Add(hwnd, control);
    }
    TWinControl* control = FromHandle(hwnd);
    if (!control) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    const LRESULT result = control->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        Windows().Remove(hwnd);
        control->hwnd_ = nullptr;
    }
    return result;
}

LRESULT CALLBACK TWinControl::PlatformWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = FromHandle(hwnd);
    if (!control) return ::DefWindowProcW(hwnd, message, wParam, lParam);  // not reached while subclassed
    if (message == WM_NCDESTROY) {
        const WNDPROC own = control->platformProc_;
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
        Windows().Remove(hwnd);
        control->hwnd_ = nullptr;
        return ::CallWindowProcW(own, hwnd, message, wParam, lParam);
    }
    return control->Dispatch(message, wParam, lParam);
}

LRESULT TWinControl::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    return Firewalled([&] { return WndProc(message, wParam, lParam); });
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return subclassed_ ? ::CallWindowProcW(platformProc_, hwnd_, message, wParam, lParam)
                       : ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool TWinControl::Reflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool TWinControl::HasNonClientArea() const {
    RECT window{}, client{};
    ::GetWindowRect(hwnd_, &window);
    ::GetClientRect(hwnd_, &client);
    return window.right - window.left != client.right || window.bottom - window.top != client.bottom;
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == AccessibleActionMessage()) {
        // Checked again on arrival: the control may have been disabled or hidden meanwhile.
        if (CanFocus()) AccessibleAction(wParam);
        return 0;
    }
    switch (message) {
        case WM_GETOBJECT:
            // Made on the first request, not at start; only the client object is ours (the
            // platform keeps the window's frame, caret, scroll bars...).
            if (static_cast<LONG>(lParam) == OBJID_CLIENT) return AccessibleResult(*this, wParam);
            break;
        case WM_COMMAND:
            if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child != this) {
                LRESULT result = 0;
                if (child->Reflected(message, wParam, lParam, result)) return result;
            }
            break;
        case WM_NOTIFY:
            if (TWinControl* child = FromHandle(reinterpret_cast<NMHDR*>(lParam)->hwndFrom); child && child != this) {
                LRESULT result = 0;
                if (child->Reflected(message, wParam, lParam, result)) return result;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)); child && child != this) {
                LRESULT result = 0;
                if (child->Reflected(message, wParam, lParam, result)) return result;
            }
            break;
        case WM_SETFOCUS:
            if (TForm* form = ParentForm(); form && form != this) form->SetActiveControl(this);
            Invalidate();
            break;
        case WM_KILLFOCUS:
            Invalidate();
            break;
        case WM_NCPAINT:
            // Nothing outside the client area to paint (no frame, border or scroll bar): the
            // platform's handler would still fetch a window DC, several round trips to the window
            // server under Wine, for every such window each time it is shown.
            if (!HasNonClientArea()) return 0;
            break;
        default:
            break;
    }
    if (subclassed_) return DefaultHandler(message, wParam, lParam);

    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintDc paint(hwnd_);
            // Nothing of the window shows where it is to be painted (its children cover all of it,
            // as the background panel covers the form): no picture to make.
            RECT visible{};
            if (::GetClipBox(paint.Get(), &visible) == NULLREGION) return 0;
            const int width = std::max(Width(), 1), height = std::max(Height(), 1);
            PaintBuffer buffer(paint.Get(), width, height);
            PaintWindow(buffer.Dc());
            ::BitBlt(paint.Get(), 0, 0, width, height, buffer.Dc(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintWindow(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_SIZE:
            AlignControls();
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE: {
            const int x = static_cast<short>(LOWORD(lParam));
            const int y = static_cast<short>(HIWORD(lParam));
            TControl* target = mouseCapture_;
            if (!target) {
                for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
                    TControl* child = *it;
                    const RECT r = child->BoundsRect();
                    if (!child->IsWindowed() && child->Visible() && child->Enabled() && x >= r.left &&
                        x < r.right && y >= r.top && y < r.bottom) {
                        target = child;
                        break;
                    }
                }
            }
            if (target) {
                const int cx = x - target->Left(), cy = y - target->Top();
                if (message == WM_LBUTTONDOWN) {
                    mouseCapture_ = target;
                    ::SetCapture(hwnd_);
                    target->MouseDown(cx, cy);
                } else if (message == WM_LBUTTONUP) {
                    mouseCapture_ = nullptr;
                    ::ReleaseCapture();
                    target->MouseUp(cx, cy);
                } else {
                    target->MouseMove(cx, cy);
                }
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return DefaultHandler(message, wParam, lParam);
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


// ---------------------------------------------------------------------------------------------
// TForm

TForm::TForm() = default;
TForm::~TForm() = default;

const ClassInfo& TForm::StaticClass() {
    static const ClassInfo info{
        "TForm",
        &TCustomControl::StaticClass(),
        {
            Pixels(IntProperty<TForm>("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth), PixelUnit::Extent),
            Pixels(IntProperty<TForm>("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight), PixelUnit::Extent),
            EventProperty<TForm>("OnCreate", &TForm::OnCreate),
            EventProperty<TForm>("OnShow", &TForm::OnShow),
        }};
    return info;
}
const ClassInfo& TForm::Class() const { return StaticClass(); }

void TForm::SetClientWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
void TForm::SetClientHeight(int height) { SetBounds(Left(), Top(), Width(), height); }

void TForm::Loaded() {
    if (!created_) {
        created_ = true;
        // The description's values are the design, at 96 DPI: kept, then scaled to the screen the
        // window will show on (its DPI is checked again once the window exists).
        design_ = CaptureDesign(*this);
        ScaleTo(PrimaryScreenDpi());
        OnCreate(*this);
    }
}

void TForm::ScaleTo(int dpi) {
    if (dpi <= 0 || dpi == PixelsPerInch()) return;
    ApplyDpi(design_, dpi);
}

SIZE TForm::WindowSizeAt(int dpi) const {
    int width = Width(), height = Height();
    const DpiScale scale(dpi);
    for (const DesignValue& v : design_) {
        if (v.object != this) continue;
        if (v.property->name == "ClientWidth") width = scale.Extent(0, v.value);
        if (v.property->name == "ClientHeight") height = scale.Extent(0, v.value);
    }
    RECT outer{0, 0, width, height};
    AdjustWindowRectForDpi(outer, static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_STYLE)),
                           static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_EXSTYLE)), dpi);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

void TForm::CreateParams(WindowParams& params) {
    TWinControl::CreateParams(params);
    // A dialog frame: fixed size, no minimise or maximise box, a close box; its own taskbar entry.
    params.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
    params.exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
}

void TForm::VisibleChanged() {
    if (!holdHidden_) TCustomControl::VisibleChanged();
}

void TForm::Show() {
    // Created, placed and set up (OnShow) while hidden: a window shown before that would stay on
    // the screen unpainted while its pages are set up, and would be redrawn at every change.
    // (A form shown again while on the screen is hidden and shown as it is set up.)
    // A failure on the way is reported like one in any handler, once the window is on the screen
    // (when it exists): nothing of it may end the program. OnShow does not run after a failed
    // creation, since controls it works on may have no window.
    struct Hold {
        bool& flag;
        Hold(bool& f, bool hold) : flag(f) { flag = hold; }
        ~Hold() { flag = false; }
    };
    std::exception_ptr failure;
    {
        Hold hold(holdHidden_, !(HandleAllocated() && ::IsWindowVisible(Handle())));
        const bool wasVisible = Visible();
        try {
            SetVisible(false);  // the window is created without WS_VISIBLE
            CreateHandle();
        } catch (...) {
            failure = std::current_exception();
        }
        SetVisible(wasVisible);
        if (HandleAllocated() && WindowDpi(Handle()) != PixelsPerInch()) {
            // The window came up on a screen of another DPI than the primary one's.
            const int dpi = WindowDpi(Handle());
            ScaleTo(dpi);
            const SIZE size = WindowSizeAt(dpi);
            ::SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (HandleAllocated()) {
            RECT window{};
            ::GetWindowRect(Handle(), &window);
            const int width = window.right - window.left, height = window.bottom - window.top;
            const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
            ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (!failure) {
            try {
                OnShow(*this);
                // What OnShow showed (and left showing) gets its window now; a page it showed on
                // the way and hid again gets none until it shows again.
                ShowingHandlesNeeded();
            } catch (...) {
                failure = std::current_exception();
            }
        }
    }
    if (HandleAllocated()) {
        if (OnShowStep) OnShowStep("created");
        ::ShowWindow(Handle(), SW_SHOWNORMAL);
        if (OnShowStep) OnShowStep("shown");
        ::UpdateWindow(Handle());  // painted before the message loop runs
        if (OnShowStep) {
            ::GdiFlush();
            OnShowStep("painted");
        }
        if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
    }
    if (failure) ReportException(failure);
}

void TForm::SetActiveControl(TWinControl* control) { activeControl_ = control; }

std::vector<TWinControl*> TForm::TabOrderList() const {
    std::vector<TWinControl*> list;
    std::function<void(const TWinControl&)> walk = [&](const TWinControl& parent) {
        for (TWinControl* child : parent.TabList()) {
            list.push_back(child);
            walk(*child);
        }
    };
    walk(*this);
    return list;
}

bool TForm::SelectNext(TWinControl* current, bool forward) {
    const std::vector<TWinControl*> list = TabOrderList();
    if (list.empty()) return false;
    const auto n = static_cast<std::ptrdiff_t>(list.size());
    std::ptrdiff_t start = std::find(list.begin(), list.end(), current) - list.begin();
    if (start == n) start = forward ? -1 : n;
    for (std::ptrdiff_t step = 1; step <= n; ++step) {
        const std::ptrdiff_t index = ((start + (forward ? step : -step)) % n + n) % n;
        TWinControl* candidate = list[static_cast<std::size_t>(index)];
        if (candidate->IsTabStop() && candidate->CanFocus()) {
            candidate->SetFocus();
            return true;
        }
    }
    return false;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            // Coming back to the window (after a message box, say) gives the focus back to the
            // control that had it.
            if (LOWORD(wParam) != WA_INACTIVE && activeControl_ && activeControl_->CanFocus()) {
                activeControl_->SetFocus();
                return 0;
            }
            break;
        case WM_CLOSE:
            // Ends the application's loop, which stops at the quit message.
            ::PostQuitMessage(0);
            return 0;
        case WM_NCCREATE:
            EnableFrameScaling(Handle());
            break;
        case WM_GETDPISCALEDSIZE: {
            // The size the window takes at the new DPI, so that the rectangle WM_DPICHANGED then
            // suggests is exactly that.
            *reinterpret_cast<SIZE*>(lParam) = WindowSizeAt(static_cast<int>(wParam));
            return TRUE;
        }
        case WM_DPICHANGED: {
            // The window moved to a screen of another DPI (or the screen's DPI changed): every
            // control is scaled again from the design, in place, and the window takes the
            // rectangle the platform suggests.
            ScaleTo(LOWORD(wParam));
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                           suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            Invalidate();
            return 0;
        }
        default:
            break;
    }
    return TCustomControl::WndProc(message, wParam, lParam);
}

}  // namespace fw
