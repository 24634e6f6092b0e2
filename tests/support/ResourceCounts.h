#pragma once
// How many GDI objects, USER objects and kernel handles this process holds. On Windows these are
// GetGuiResources and GetProcessHandleCount; Wine implements neither (both give 0), so there the
// GDI handle table the process environment block points to is read, the process's windows are
// counted, and handle values are probed.

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <map>
#include <string>

namespace testsupport {

struct Counts {
    DWORD gdi = 0;
    DWORD user = 0;
    DWORD handles = 0;
    std::string gdiKinds;     // under Wine: the GDI objects by kind, for a failure's message
    std::string handleKinds;  // under Wine: the kernel handles by type, for a failure's message
    std::map<std::string, int> handlesByType;  // under Wine
};

// An entry of the GDI handle table the PEB points to (x64 layout).
struct GdiTableEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
static_assert(sizeof(GdiTableEntry) == 24);
constexpr int kGdiTableEntries = 0x10000;
constexpr std::size_t kPebGdiSharedHandleTable = 0xF8;

inline DWORD WineGdiObjects(std::string& kinds) {
    const auto* peb = reinterpret_cast<const std::uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const auto* table = *reinterpret_cast<const GdiTableEntry* const*>(peb + kPebGdiSharedHandleTable);
    if (!table) return 0;
    DWORD count = 0;
    int byKind[256] = {};
    for (int i = 0; i < kGdiTableEntries; ++i) {
        count += table[i].type != 0;
        ++byKind[table[i].type];
    }
    for (int kind = 1; kind < 256; ++kind)
        if (byKind[kind]) kinds += "kind " + std::to_string(kind) + ": " + std::to_string(byKind[kind]) + "; ";
    return count;
}

inline void AddWindowAndDescendants(HWND window, DWORD& count) {
    ++count;
    EnumChildWindows(
        window,
        [](HWND, LPARAM data) {
            ++*reinterpret_cast<DWORD*>(data);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
}

inline DWORD WineUserObjects() {
    DWORD count = 0;
    struct Walk {
        DWORD* count;
    } walk{&count};
    EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId()) AddWindowAndDescendants(window, *reinterpret_cast<Walk*>(data)->count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) AddWindowAndDescendants(window, count);
    }
    return count;
}

// The type of the object a handle names ("Event", "Thread", "File", ...).
inline std::string HandleType(HANDLE handle) {
    using Query = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query =
        reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    alignas(8) unsigned char buffer[512];
    if (!query || query(handle, ObjectTypeInformation, buffer, sizeof buffer, nullptr) < 0) return "?";
    const auto& type = *reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(buffer);
    std::string name;
    for (USHORT i = 0; i < type.TypeName.Length / sizeof(wchar_t); ++i) name += static_cast<char>(type.TypeName.Buffer[i]);
    return name;
}

inline DWORD WineHandles(std::string& kinds, std::map<std::string, int>& byType) {
    // Handle values are multiples of 4, handed out from the lowest free slot; the walk stops after
    // a long run of free slots past the last handle in use.
    DWORD count = 0;
    int freeRun = 0;
    for (std::uintptr_t value = 4; freeRun < 4096; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            freeRun = 0;
            const std::string type = HandleType(reinterpret_cast<HANDLE>(value));
            kinds += std::to_string(value) + " " + type + "; ";
            ++byType[type];
        } else {
            ++freeRun;
        }
    }
    return count;
}

inline Counts Measure() {
    Counts c;
    SetLastError(0);
    c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const bool guiCounted = !(c.gdi == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED);
    if (guiCounted) {
        c.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    } else {
        c.gdi = WineGdiObjects(c.gdiKinds);
        c.user = WineUserObjects();
    }
    if (!GetProcessHandleCount(GetCurrentProcess(), &c.handles) || c.handles == 0)
        c.handles = WineHandles(c.handleKinds, c.handlesByType);
    return c;
}

}  // namespace testsupport
