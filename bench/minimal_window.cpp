// The smallest Win32 programs that show what the wizard shows at first sight: one window of the
// wizard's frame and client size, centred on the screen, filled with the button-face colour, and a
// message loop. Built like the wizard (static, GUI subsystem); startup_bench times them beside it.
//   minimal_window.exe  the platform's own cost of starting a program and painting a window (no
//                       DPI awareness: 580 x 347 at every DPI).
//   floor_window.exe    (FLOOR_WINDOW) first loads what the wizard cannot start without: the
//                       common controls 6 (the wizard's manifest), COM as a single-threaded
//                       apartment and GDI+, and declares the wizard's DPI awareness; its window is
//                       the wizard's size at the screen's DPI, and its paint draws one string with
//                       GDI+ in the wizard's font (the glass buttons' Tahoma 8, made as they make
//                       it): GDI+ reads the installed fonts at its first font, which the wizard
//                       cannot avoid, since its buttons and its panel draw their captions with it.
//                       What the wizard takes beyond this floor is its own. It marks its steps for
//                       startup_bench as the wizard's benchmark build does (app/StartupMarks.h).

#include <windows.h>

#ifdef FLOOR_WINDOW
#include <commctrl.h>
#include <objbase.h>
#include <gdiplus.h>

#include <memory>

#include "app/StartupMarks.h"
#include "controls/win/GdipFont.h"
#include "framework/Scaling.h"
#include "framework/win/Dpi.h"
using app::StartupMarks;
#else
struct StartupMarks {
    void Mark(const char*) {}
};
#endif

namespace {

#ifdef FLOOR_WINDOW
// One caption as a glass button draws it: GDI+, Tahoma 8 at the window's DPI.
void DrawCaption(HDC dc) {
    const int dpi = fw::PrimaryScreenDpi();
    const std::unique_ptr<Gdiplus::Font> font =
        ctl::win::MakeGdipFont(L"Tahoma", 8.0f * static_cast<float>(dpi) / 96.0f, Gdiplus::FontStyleRegular);
    Gdiplus::Graphics graphics(dc);
    const Gdiplus::SolidBrush black(Gdiplus::Color(255, 0, 0, 0));
    const Gdiplus::REAL at = static_cast<Gdiplus::REAL>(fw::DpiScale(dpi).Length(12));
    graphics.DrawString(L"Sair", -1, font.get(), Gdiplus::PointF(at, at), &black);
}
#else
void DrawCaption(HDC) {}
#endif

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            ::BeginPaint(window, &paint);  // the class brush has erased the background
            DrawCaption(paint.hdc);
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    StartupMarks marks;
    marks.Mark("wWinMain");
    // The wizard's frame: a dialog frame with a close box and its own taskbar entry.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
#ifdef FLOOR_WINDOW
    fw::DeclareDpiAwareness();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr) != Gdiplus::Ok) gdiplus = 0;
    marks.Mark("loaded");
    const int dpi = fw::PrimaryScreenDpi();
    const fw::DpiScale scale(dpi);
    RECT frame{0, 0, scale.Extent(0, 580), scale.Extent(0, 347)};
    fw::AdjustWindowRectForDpi(frame, style, exStyle, dpi);
    const wchar_t* const title = L"Janela de base";
#else
    RECT frame{0, 0, 580, 347};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const wchar_t* const title = L"Janela m\u00ednima";
#endif
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"MinimalWindow";
    if (!::RegisterClassExW(&wc)) return 1;

    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window =
        ::CreateWindowExW(exStyle, L"MinimalWindow", title, style, x, y, width, height, nullptr, nullptr, instance, nullptr);
    if (!window) return 2;
    marks.Mark("created");
    ::ShowWindow(window, SW_SHOWNORMAL);
    marks.Mark("shown");
    ::UpdateWindow(window);
    marks.Mark("painted");

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
#ifdef FLOOR_WINDOW
    if (gdiplus) Gdiplus::GdiplusShutdown(gdiplus);
    if (com) ::CoUninitialize();
#endif
    return 0;
}
