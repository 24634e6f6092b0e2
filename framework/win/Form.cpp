// TForm, the top-level window: its frame, its showing (Show's steps), its tab order and active
// control, its DPI, and the windows of its hidden controls made ahead while the program is idle.

#include <algorithm>
#include <exception>
#include <functional>

#include "framework/PropertyBuilders.h"
#include "framework/win/Controls.h"
#include "framework/win/Dpi.h"
#include "framework/win/ExceptionReport.h"

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4  // Windows 10 1703 (per-monitor V2)
#endif

namespace fw {

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
    std::exception_ptr failure;
    {
        struct Hold {
            bool& flag;
            Hold(bool& f, bool hold) : flag(f) { flag = hold; }
            ~Hold() { flag = false; }
        } hold(holdHidden_, !(HandleAllocated() && ::IsWindowVisible(Handle())));
        failure = CreateWindowsHidden();
        if (HandleAllocated()) {
            ScaleToWindowDpi();
            CentreOnScreen();
        }
        if (!failure) failure = RunOnShow();
    }
    if (HandleAllocated()) {
        PutOnScreen();
        if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
    }
    if (failure) ReportException(failure);
}

std::exception_ptr TForm::CreateWindowsHidden() {
    std::exception_ptr failure;
    const bool wasVisible = Visible();
    try {
        SetVisible(false);  // the window is created without WS_VISIBLE
        CreateHandle();
    } catch (...) {
        failure = std::current_exception();
    }
    SetVisible(wasVisible);
    return failure;
}

void TForm::ScaleToWindowDpi() {
    // The window came up on a screen of another DPI than the primary one's.
    const int dpi = WindowDpi(Handle());
    if (dpi == PixelsPerInch()) return;
    ScaleTo(dpi);
    const SIZE size = WindowSizeAt(dpi);
    ::SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::CentreOnScreen() {
    RECT window{};
    ::GetWindowRect(Handle(), &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::exception_ptr TForm::RunOnShow() {
    try {
        OnShow(*this);
        // What OnShow showed (and left showing) gets its window now; a page it showed on the way
        // and hid again gets none until it shows again.
        ShowingHandlesNeeded();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void TForm::PutOnScreen() {
    if (OnShowStep) OnShowStep("created");
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    if (OnShowStep) OnShowStep("shown");
    ::UpdateWindow(Handle());  // painted before the message loop runs
    if (OnShowStep) {
        ::GdiFlush();
        OnShowStep("painted");
    }
}

bool TForm::MakeNextWindowAhead() {
    // Only once the window is on the screen and painted: nothing of it may delay the first paint.
    if (holdHidden_ || !HandleAllocated() || !::IsWindowVisible(Handle())) return false;
    try {
        return TWinControl::MakeNextWindowAhead();
    } catch (...) {
        // Not reported here: the control's show makes what is missing again and reports a
        // failure then, as for a window never made ahead. Nothing more is made ahead.
        return false;
    }
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
