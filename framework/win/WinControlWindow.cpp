// The window side of TWinControl: the framework's window class, the making and destroying of a
// control's window, the one trampoline every message of the framework's windows (and of the
// subclassed platform controls) goes through, and what the framework does with those messages
// before the control's class or the platform sees them.

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "framework/win/Controls.h"
#include "framework/win/Dpi.h"
#include "framework/win/ExceptionReport.h"
#include "framework/win/PaintBuffer.h"

namespace fw {
namespace {

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

}  // namespace

const wchar_t* FrameworkWindowClass() { return L"FwWindow"; }

TWinControl* ControlFromHandle(HWND hwnd) { return FromHandle(hwnd); }

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
    LRESULT result = 0;
    if (HandleAnyWindowMessage(message, wParam, lParam, result)) return result;
    if (!subclassed_ && HandleOwnWindowMessage(message, wParam, lParam, result)) return result;
    return DefaultHandler(message, wParam, lParam);
}

bool TWinControl::HandleAnyWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == AccessibleActionMessage()) {
        // Checked again on arrival: the control may have been disabled or hidden meanwhile.
        if (CanFocus()) AccessibleAction(wParam);
        return true;
    }
    switch (message) {
        case WM_GETOBJECT:
            // Made on the first request, not at start; only the client object is ours (the
            // platform keeps the window's frame, caret, scroll bars...).
            if (static_cast<LONG>(lParam) != OBJID_CLIENT) return false;
            result = AccessibleResult(*this, wParam);
            return true;
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return ReflectToSender(message, wParam, lParam, result);
        case WM_SETFOCUS:
            if (TForm* form = ParentForm(); form && form != this) form->SetActiveControl(this);
            Invalidate();
            return false;
        case WM_KILLFOCUS:
            Invalidate();
            return false;
        case WM_NCPAINT:
            // Nothing outside the client area to paint (no frame, border or scroll bar): the
            // platform's handler would still fetch a window DC, several round trips to the window
            // server under Wine, for every such window each time it is shown.
            return !HasNonClientArea();
        default:
            return false;
    }
}

bool TWinControl::ReflectToSender(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A child's notification names the child's window: in lParam, or in the NMHDR lParam points at.
    const HWND sender = message == WM_NOTIFY ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom
                                             : reinterpret_cast<HWND>(lParam);
    TWinControl* child = FromHandle(sender);
    return child && child != this && child->Reflected(message, wParam, lParam, result);
}

bool TWinControl::HandleOwnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_PAINT:
            PaintFromMessage();
            return true;
        case WM_PRINTCLIENT:
            PaintWindow(reinterpret_cast<HDC>(wParam));
            return true;
        case WM_SIZE:
            AlignControls();
            return false;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
            return RouteMouseToWindowless(message, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        case WM_CAPTURECHANGED:
            // The capture went elsewhere in the middle of a press (another window took it, or the
            // platform cancelled it): the press is over, and the next click goes where it lands.
            if (reinterpret_cast<HWND>(lParam) != hwnd_) mouseCapture_ = nullptr;
            return false;
        default:
            return false;
    }
}

void TWinControl::PaintFromMessage() {
    PaintDc paint(hwnd_);
    // Nothing of the window shows where it is to be painted (its children cover all of it, as the
    // background panel covers the form): no picture to make.
    RECT visible{};
    if (::GetClipBox(paint.Get(), &visible) == NULLREGION) return;
    const int width = std::max(Width(), 1), height = std::max(Height(), 1);
    PaintBuffer buffer(paint.Get(), width, height);
    PaintWindow(buffer.Dc());
    ::BitBlt(paint.Get(), 0, 0, width, height, buffer.Dc(), 0, 0, SRCCOPY);
}

TControl* TWinControl::WindowlessChildAt(int x, int y) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* child = *it;
        const RECT r = child->BoundsRect();
        if (!child->IsWindowed() && child->Visible() && child->Enabled() && x >= r.left && x < r.right &&
            y >= r.top && y < r.bottom)
            return child;
    }
    return nullptr;
}

bool TWinControl::RouteMouseToWindowless(UINT message, int x, int y) {
    // A press captures the mouse for the child pressed until the button is released, or the
    // capture is lost (WM_CAPTURECHANGED).
    TControl* target = mouseCapture_ ? mouseCapture_ : WindowlessChildAt(x, y);
    if (!target) return false;
    const int cx = x - target->Left(), cy = y - target->Top();
    if (message == WM_LBUTTONDOWN) {
        ::SetCapture(hwnd_);
        mouseCapture_ = target;
        target->MouseDown(cx, cy);
    } else if (message == WM_LBUTTONUP) {
        mouseCapture_ = nullptr;
        ::ReleaseCapture();
        target->MouseUp(cx, cy);
    } else {
        target->MouseMove(cx, cy);
    }
    return true;
}

}  // namespace fw
