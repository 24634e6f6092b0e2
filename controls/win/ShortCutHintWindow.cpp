#include "controls/win/ShortCutHintWindow.h"

#include <algorithm>

#include "framework/win/Controls.h"
#include "framework/win/Dpi.h"
#include "framework/win/ExceptionReport.h"

namespace ctl {

namespace {

const wchar_t kClassName[] = L"GlassShortCutHint";

int Channel(fw::TColor c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

}  // namespace

ShortCutHintWindow::ShortCutHintWindow(HWND owner, int dpi) : dpi_(dpi) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ShortCutHintWindow::WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        // The platform's status font is the primary screen's; the button may be on another.
        const int screen = fw::PrimaryScreenDpi();
        if (screen != dpi_) metrics.lfStatusFont.lfHeight = ::MulDiv(metrics.lfStatusFont.lfHeight, dpi_, screen);
        font_.Reset(::CreateFontIndirectW(&metrics.lfStatusFont));
    }
    hwnd_ = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP, 0, 0,
                              16, 16, owner, nullptr, ::GetModuleHandleW(nullptr), this);
}

ShortCutHintWindow::~ShortCutHintWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK ShortCutHintWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
    }
    auto* self = reinterpret_cast<ShortCutHintWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return fw::Firewalled([&]() -> LRESULT {
        switch (message) {
            case WM_ERASEBKGND:
                return 1;  // the paint covers every pixel
            case WM_PAINT: {
                fw::PaintDc paint(hwnd);
                if (self) self->Paint(paint.Get());
                return 0;
            }
            case WM_MOUSEACTIVATE:
                return MA_NOACTIVATE;
            default:
                return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
    });
}

void ShortCutHintWindow::SetText(const std::string& text) {
    text_ = fw::Widen(text);
    fw::WindowDc dc(hwnd_);
    fw::ScopedSelect select(dc.Get(), font_ ? static_cast<HGDIOBJ>(font_.Get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE textSize{}, letter{};
    ::GetTextExtentPoint32W(dc.Get(), text_.c_str(), static_cast<int>(text_.size()), &textSize);
    ::GetTextExtentPoint32W(dc.Get(), L"O", 1, &letter);
    const fw::DpiScale scale(dpi_);
    const int width = std::max<int>(textSize.cx, letter.cx) + scale.Length(8);
    const int height = std::max<int>(textSize.cy, letter.cy) + scale.Length(4);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

SIZE ShortCutHintWindow::Size() const {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void ShortCutHintWindow::MoveTo(POINT p) {
    ::SetWindowPos(hwnd_, HWND_TOPMOST, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void ShortCutHintWindow::ShowAt(POINT p) {
    ::SetWindowPos(hwnd_, HWND_TOPMOST, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ShortCutHintWindow::Paint(HDC dc) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const fw::TColor from = fw::ColorToRGB(Color), to = fw::ColorToRGB(ColorTo);
    constexpr int kBands = 16;
    const int height = client.bottom;
    for (int band = 0; band < kBands; ++band) {
        const int top = height * band / kBands, bottom = height * (band + 1) / kBands;
        auto mix = [&](int shift) {
            return Channel(from, shift) + (Channel(to, shift) - Channel(from, shift)) * band / (kBands - 1);
        };
        ::SetDCBrushColor(dc, RGB(mix(0), mix(8), mix(16)));
        const RECT r{0, top, client.right, bottom};
        ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    }
    fw::ScopedSelect select(dc, font_ ? static_cast<HGDIOBJ>(font_.Get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, 0);
    RECT text = client;
    ::DrawTextW(dc, text_.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    fw::ScopedSelect hollow(dc, ::GetStockObject(NULL_BRUSH));
    const fw::DpiScale scale(dpi_);
    fw::UniquePen pen(::CreatePen(scale.Line(1) > 1 ? PS_INSIDEFRAME : PS_SOLID, scale.Line(1), 0x808080));
    fw::ScopedSelect grey(dc, pen.Get());
    ::RoundRect(dc, 0, 0, client.right, client.bottom, scale.Length(3), scale.Length(3));
}

}  // namespace ctl
