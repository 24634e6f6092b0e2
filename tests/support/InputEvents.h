#pragma once
// The input events a person makes, as SendInput takes them: keys (by virtual key, with the scan
// code and the extended-key flag the keyboard gives), characters (Unicode, no layout involved),
// key chords and mouse events. Shared by the GUI driver (another process) and the framework's
// in-process window tests.

#include <windows.h>

#include <algorithm>
#include <vector>

namespace testsupport {

inline bool ExtendedKey(WORD key) {
    switch (key) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
        case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE:
            return true;
        default:
            return false;
    }
}

inline INPUT KeyEvent(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (ExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

inline INPUT CharacterEvent(wchar_t c, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = c;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

// Key events pressing key with the modifiers held (VK_SHIFT, VK_CONTROL, VK_MENU), then releasing
// all; the first modifier is released last.
inline std::vector<INPUT> Chord(const std::vector<WORD>& modifiers, WORD key) {
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers) inputs.push_back(KeyEvent(modifier, false));
    inputs.push_back(KeyEvent(key, false));
    inputs.push_back(KeyEvent(key, true));
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) inputs.push_back(KeyEvent(*it, true));
    return inputs;
}

// A mouse event; with MOUSEEVENTF_ABSOLUTE at a point of the screen.
inline INPUT MouseEvent(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = ::MulDiv(screen.x, 65535, std::max(2, ::GetSystemMetrics(SM_CXSCREEN)) - 1);
        input.mi.dy = ::MulDiv(screen.y, 65535, std::max(2, ::GetSystemMetrics(SM_CYSCREEN)) - 1);
    }
    return input;
}

// A button event (MOUSEEVENTF_LEFTDOWN, say) that moves the pointer to its screen point in the same
// input. Under Wine a program reports the X server's pointer moves back late, so a press or release
// made where the pointer "is" can land where it was a moment before (a release dragged off a button
// clicked it); one that carries its place cannot.
inline INPUT MouseButtonAt(DWORD button, POINT screen) {
    return MouseEvent(button | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen);
}

// Moves the pointer to the screen's top-left corner, clear of a window shown in the middle, and
// waits (3 s at most) until the platform has it there; for a test that shows a window and
// compares its pixels. Call it once the window shows. Under Wine the X server's pointer is moved
// only when the place changes in the program's own view of it, and a program that has just shown
// its first window may still take the pointer for being where it last set it, while the X pointer
// rests where the test before left it, over a control that then shows its hover look: the step
// through the next pixel makes the move a real one.
inline void PointerToCorner() {
    ::SetCursorPos(1, 1);
    ::SetCursorPos(0, 0);
    for (int wait = 0; wait < 300; ++wait) {
        POINT at{};
        if (::GetCursorPos(&at) && at.x == 0 && at.y == 0) return;
        ::Sleep(10);
    }
}

}  // namespace testsupport
