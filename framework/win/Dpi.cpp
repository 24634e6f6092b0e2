#include "framework/win/Dpi.h"

#include "framework/Scaling.h"

namespace fw {

namespace {

// PROCESS_DPI_AWARENESS and MONITOR_DPI_TYPE of shcore.dll (Windows 8.1).
constexpr int kProcessSystemDpiAware = 1;
constexpr int kProcessPerMonitorDpiAware = 2;
constexpr int kEffectiveDpi = 0;

// The entry points, looked up once: null where the platform has none.
struct DpiFunctions {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using GetThreadContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using AwarenessOf = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    using ContextsEqual = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT);
    using SetAware = BOOL(WINAPI*)();
    using IsAware = BOOL(WINAPI*)();
    using ForSystem = UINT(WINAPI*)();
    using ForWindow = UINT(WINAPI*)(HWND);
    using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    using EnableNonClient = BOOL(WINAPI*)(HWND);
    using SetProcessAwareness = HRESULT(WINAPI*)(int);
    using GetProcessAwareness = HRESULT(WINAPI*)(HANDLE, int*);
    using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

    SetContext setProcessContext = nullptr;       // Windows 10 1703
    GetThreadContext getThreadContext = nullptr;  // Windows 10 1607
    AwarenessOf awarenessOf = nullptr;
    ContextsEqual contextsEqual = nullptr;
    ForSystem dpiForSystem = nullptr;
    ForWindow dpiForWindow = nullptr;
    AdjustForDpi adjustForDpi = nullptr;
    EnableNonClient enableNonClient = nullptr;
    SetAware setProcessDpiAware = nullptr;        // Vista
    IsAware isProcessDpiAware = nullptr;

    DpiFunctions() {
        HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
        if (!user32) return;
        Find(user32, "SetProcessDpiAwarenessContext", setProcessContext);
        Find(user32, "GetThreadDpiAwarenessContext", getThreadContext);
        Find(user32, "GetAwarenessFromDpiAwarenessContext", awarenessOf);
        Find(user32, "AreDpiAwarenessContextsEqual", contextsEqual);
        Find(user32, "GetDpiForSystem", dpiForSystem);
        Find(user32, "GetDpiForWindow", dpiForWindow);
        Find(user32, "AdjustWindowRectExForDpi", adjustForDpi);
        Find(user32, "EnableNonClientDpiScaling", enableNonClient);
        Find(user32, "SetProcessDPIAware", setProcessDpiAware);
        Find(user32, "IsProcessDPIAware", isProcessDpiAware);
    }

    template <class F>
    static void Find(HMODULE module, const char* name, F& out) {
        out = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }
};

const DpiFunctions& Functions() {
    static const DpiFunctions functions;
    return functions;
}

// shcore.dll (Windows 8.1), loaded only where user32 lacks what is asked for; kept for the
// process's life.
HMODULE Shcore() {
    static const HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
    return shcore;
}

template <class F>
F ShcoreFunction(const char* name) {
    F f = nullptr;
    if (HMODULE shcore = Shcore()) DpiFunctions::Find(shcore, name, f);
    return f;
}

int ScreenDeviceDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

DpiAwareness ProcessDpiAwareness() {
    const DpiFunctions& f = Functions();
    if (f.getThreadContext && f.awarenessOf) {
        const DPI_AWARENESS_CONTEXT context = f.getThreadContext();
        if (f.contextsEqual && f.contextsEqual(context, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
            return DpiAwareness::PerMonitorV2;
        switch (f.awarenessOf(context)) {
            case DPI_AWARENESS_PER_MONITOR_AWARE: return DpiAwareness::PerMonitor;
            case DPI_AWARENESS_SYSTEM_AWARE: return DpiAwareness::System;
            default: return DpiAwareness::Unaware;
        }
    }
    // Windows 8.1 and 10 before 1607.
    if (auto get = ShcoreFunction<DpiFunctions::GetProcessAwareness>("GetProcessDpiAwareness")) {
        int value = 0;
        if (SUCCEEDED(get(nullptr, &value))) {
            return value == kProcessPerMonitorDpiAware ? DpiAwareness::PerMonitor
                   : value == kProcessSystemDpiAware   ? DpiAwareness::System
                                                       : DpiAwareness::Unaware;
        }
    }
    if (f.isProcessDpiAware && f.isProcessDpiAware()) return DpiAwareness::System;
    return DpiAwareness::Unaware;
}

DpiAwareness DeclareDpiAwareness() {
    const DpiAwareness now = ProcessDpiAwareness();
    if (now == DpiAwareness::PerMonitor || now == DpiAwareness::PerMonitorV2) return now;
    const DpiFunctions& f = Functions();
    if (f.setProcessContext) {
        if (f.setProcessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
            f.setProcessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE))
            return ProcessDpiAwareness();
    } else if (auto set = ShcoreFunction<DpiFunctions::SetProcessAwareness>("SetProcessDpiAwareness")) {
        if (SUCCEEDED(set(kProcessPerMonitorDpiAware))) return ProcessDpiAwareness();
    }
    if (f.setProcessDpiAware) f.setProcessDpiAware();
    return ProcessDpiAwareness();
}

int PrimaryScreenDpi() {
    if (ProcessDpiAwareness() == DpiAwareness::Unaware) return kDesignDpi;
    const DpiFunctions& f = Functions();
    if (f.dpiForSystem) {
        const UINT dpi = f.dpiForSystem();
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return ScreenDeviceDpi();
}

int WindowDpi(HWND window) {
    const DpiFunctions& f = Functions();
    if (f.dpiForWindow) {
        const UINT dpi = f.dpiForWindow(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    // Windows 8.1: a per-monitor aware window is drawn at its screen's DPI.
    if (ProcessDpiAwareness() == DpiAwareness::PerMonitor) {
        if (auto forMonitor = ShcoreFunction<DpiFunctions::ForMonitor>("GetDpiForMonitor")) {
            UINT x = 0, y = 0;
            if (SUCCEEDED(forMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
                y > 0)
                return static_cast<int>(y);
        }
    }
    return PrimaryScreenDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    const DpiFunctions& f = Functions();
    if (f.adjustForDpi && f.adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
    ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

void EnableFrameScaling(HWND window) {
    const DpiFunctions& f = Functions();
    if (f.enableNonClient && ProcessDpiAwareness() == DpiAwareness::PerMonitor) f.enableNonClient(window);
}

}  // namespace fw
