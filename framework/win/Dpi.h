#pragma once
// The process's DPI awareness and the DPI its windows are drawn at.
//
// The program declares per-monitor awareness (V2, then V1) in its manifest; DeclareDpiAwareness
// makes up at start-up for platforms that did not take the declaration (Wine reads only the first
// entry of the manifest's list and knows no V2; Windows before 10 1703 knows no V2, before 8.1 no
// per-monitor awareness at all: there the process becomes system aware).
//
// Every function of the platform's DPI interfaces newer than Vista is looked up at run time, so
// that the program still starts where they are missing (Windows 7 SP1, Vista).

#include <windows.h>

namespace fw {

enum class DpiAwareness { Unaware, System, PerMonitor, PerMonitorV2 };

// What the process (its calling thread) is now.
DpiAwareness ProcessDpiAwareness();

// When the process is not per-monitor aware: tries per-monitor V2, then per-monitor (V1), then
// system awareness, and returns what the process is afterwards. Call it before the first window
// is made (the platform refuses a change afterwards).
DpiAwareness DeclareDpiAwareness();

// The DPI the process draws at on the primary screen: 96 when it is not DPI aware.
int PrimaryScreenDpi();

// The DPI a window is drawn at (its screen's for a per-monitor aware process).
int WindowDpi(HWND window);

// The window rectangle for a client rectangle at a DPI (at the system's where the platform has
// no DPI-aware version).
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

// For a top-level window in its WM_NCCREATE: lets the platform scale the window's frame and
// caption with its DPI when the process is per-monitor aware V1 (V2 does so by itself; a platform
// without the function leaves the frame at the system's DPI).
void EnableFrameScaling(HWND window);

}  // namespace fw
