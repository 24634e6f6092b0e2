#pragma once
// Real input for in-process tests of framework windows: keys and mouse clicks go through
// SendInput to the foreground window, as a person's would, and the test's own thread (the
// window's thread) handles them through the application's message handling (navigation filter,
// translate, dispatch) while it waits for their effect. Every wait is bounded and polls its
// condition; nothing sleeps a fixed time and hopes. Press and Click return once the thread has
// taken the input; what it leads to (the focus, a control's state) settles after, so tests assert
// it with Settles.
//
// A message box runs the platform's nested loop on the window's thread: a BoxAnswerer on a second
// thread finds it, reads it and answers it with keys.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwctype>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/win/Application.h"
#include "framework/win/Controls.h"
#include "tests/support/InputEvents.h"
#include "tests/support/Settles.h"

namespace fwtest {

using std::chrono::milliseconds;
using testsupport::CharacterEvent;
using testsupport::Chord;
using testsupport::KeyEvent;
using testsupport::MouseButtonAt;
using testsupport::MouseEvent;
inline constexpr milliseconds kInputTimeout{5000};

// Handles the waiting messages as the program's loop does until condition holds; false when the
// time-out passes first.
inline bool PumpUntil(const std::function<bool()>& condition, milliseconds timeout = kInputTimeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        fw::Application::Instance().ProcessMessages();
        if (condition()) return true;
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        // Wakes at the next message, or after 20 ms for conditions that no message announces.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<long long>(left.count(), 20)),
                                      QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// testsupport::Settles with the program's own loop between two reads.
template <typename Read, typename Expected>
::testing::AssertionResult Settles(Read read, const Expected& expected) {
    return testsupport::Settles(
        read, expected,
        [] {
            fw::Application::Instance().ProcessMessages();
            ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        },
        kInputTimeout);
}

inline void PumpUntilOrThrow(const std::function<bool()>& condition, const std::string& what,
                             milliseconds timeout = kInputTimeout) {
    if (!PumpUntil(condition, timeout)) throw std::runtime_error("timed out waiting for " + what);
}

inline void BringToFront(HWND root) {
    if (::GetForegroundWindow() != root) ::SetForegroundWindow(root);
    PumpUntilOrThrow([root] { return ::GetForegroundWindow() == root && ::GetActiveWindow() == root; },
                     "the window to become the foreground window");
}


inline void Send(std::vector<INPUT> inputs) {
    if (::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) {
        throw std::runtime_error("SendInput refused the input");
    }
}

// How many releases of each key, and presses and releases of the left mouse button, the thread
// has taken from its queue (in any loop, modal boxes' too). (The thread's key state cannot tell:
// under Wine it follows the desktop's while no message is being handled, and that changes as soon
// as the input is sent.)
struct InputCounts {
    int keyReleases[256] = {};
    int buttonPresses = 0;
    int buttonReleases = 0;
};
inline InputCounts& TakenInput() {
    static InputCounts counts;
    return counts;
}
inline LRESULT CALLBACK CountTakenInput(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        switch (msg->message) {
            case WM_KEYUP:
            case WM_SYSKEYUP: ++TakenInput().keyReleases[msg->wParam & 0xFF]; break;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
            case WM_NCLBUTTONDOWN:
            case WM_NCLBUTTONDBLCLK: ++TakenInput().buttonPresses; break;
            case WM_LBUTTONUP:
            case WM_NCLBUTTONUP: ++TakenInput().buttonReleases; break;
            default: break;
        }
    }
    return ::CallNextHookEx(nullptr, code, removal, lParam);
}
// The counts, watched from the first call on (on the windows' thread).
inline const InputCounts& Taken() {
    static const HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, &CountTakenInput, nullptr, ::GetCurrentThreadId());
    if (!hook) throw std::runtime_error("cannot watch the thread's messages");
    return TakenInput();
}
inline int KeyReleasesTaken(WORD key) { return Taken().keyReleases[key & 0xFF]; }

// Sends inputs to root once it is the foreground window, and waits until the thread has taken
// them (seen() holds). Under Wine a late focus event of the X server can hand the foreground to
// the desktop just as the inputs go: they then reach no window of ours and the thread never sees
// them. Only such lost inputs are sent again, once root is in front again; inputs the thread saw
// are never repeated.
inline void SendToForeground(HWND root, const std::vector<INPUT>& inputs, const std::function<bool()>& seen,
                             const std::string& what) {
    for (int attempt = 1;; ++attempt) {
        BringToFront(root);
        Send(inputs);
        if (PumpUntil(seen, milliseconds(1000))) return;
        const bool lost = ::GetForegroundWindow() != root;
        if (!lost && PumpUntil(seen)) return;
        if (!lost || attempt == 3) {
            throw std::runtime_error("timed out waiting for " + what + (lost ? " (the window lost the foreground)" : ""));
        }
    }
}


// The key (with modifiers) pressed on the form; returns once the form's thread has handled it
// and what it posted.
inline void Press(fw::TForm& form, WORD key, std::initializer_list<WORD> modifiers = {}) {
    const WORD lastReleased = modifiers.size() ? *modifiers.begin() : key;
    const int released = KeyReleasesTaken(lastReleased);
    SendToForeground(form.Handle(), Chord(modifiers, key), [&] { return KeyReleasesTaken(lastReleased) > released; },
                     "the key " + std::to_string(key) + " to be handled");
}

// Types characters as key events of their own (no layout involved), each handled before the next.
inline void TypeText(fw::TForm& form, std::wstring_view text) {
    for (wchar_t c : text) {
        const int released = KeyReleasesTaken(VK_PACKET);
        SendToForeground(form.Handle(), {CharacterEvent(c, false), CharacterEvent(c, true)}, [&] { return KeyReleasesTaken(VK_PACKET) > released; },
                         "a typed character to be handled");
    }
}


// A left click at a point of the screen, after root became the foreground window (none is asked
// for when root is null: the click itself activates what it hits).
inline void ClickAt(HWND root, POINT screen) {
    if (root) BringToFront(root);
    // The pointer moves asynchronously: press only once it is there.
    Send({MouseEvent(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen)});
    PumpUntilOrThrow(
        [&] {
            POINT now{};
            return ::GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
        },
        "the pointer to reach the click position");
    const int presses = Taken().buttonPresses, releases = Taken().buttonReleases;
    Send({MouseButtonAt(MOUSEEVENTF_LEFTDOWN, screen)});
    PumpUntilOrThrow([&] { return Taken().buttonPresses > presses; }, "the button press to be handled");
    Send({MouseButtonAt(MOUSEEVENTF_LEFTUP, screen)});
    PumpUntilOrThrow([&] { return Taken().buttonReleases > releases; }, "the button release to be handled");
}

// The middle of a control on the screen (a non-windowed control: of its place on its parent).
inline POINT ScreenCentre(const fw::TControl& control, POINT offset = {0, 0}) {
    POINT centre{control.Width() / 2 + offset.x, control.Height() / 2 + offset.y};
    if (const auto* windowed = dynamic_cast<const fw::TWinControl*>(&control); windowed && windowed->Handle()) {
        ::ClientToScreen(windowed->Handle(), &centre);
    } else {
        centre.x += control.Left();
        centre.y += control.Top();
        ::ClientToScreen(control.Parent()->Handle(), &centre);
    }
    return centre;
}

inline void Click(fw::TControl& control, POINT offset = {0, 0}) {
    ClickAt(control.ParentForm()->Handle(), ScreenCentre(control, offset));
}

// The framework control that has the keyboard focus (null: none, or a window of no control).
inline fw::TWinControl* FocusedControl() { return fw::ControlFromHandle(::GetFocus()); }

// What a message box showed.
struct SeenBox {
    HWND window = nullptr;
    std::wstring caption, text;
    std::vector<std::pair<int, std::wstring>> buttons;  // id, label
    bool errorIcon = false;
    bool closed = false;
};

// On a second thread: waits for a message box of the window thread, reads it, and answers it with
// the answer's keys once it is the foreground window; then waits for it to close. Join() before
// reading what it saw.
class BoxAnswerer {
public:
    // The keys of an answer: a key and the modifiers held with it, or Alt and the letter that the
    // label of the button with id acceleratorOf marks ("&No" -> N; labels follow the language).
    struct Answer {
        WORD key = 0;
        std::vector<WORD> modifiers;
        int acceleratorOf = 0;
    };
    static Answer Enter() { return {VK_RETURN, {}, 0}; }
    static Answer Escape() { return {VK_ESCAPE, {}, 0}; }
    static Answer AltForButton(int id) { return {0, {VK_MENU}, id}; }

    explicit BoxAnswerer(Answer answer, std::function<bool()> answerWhen = {}, milliseconds timeout = kInputTimeout)
        : uiThread_(::GetCurrentThreadId()), answer_(std::move(answer)), answerWhen_(std::move(answerWhen)),
          timeout_(timeout), thread_([this] {
              try {
                  Run();
              } catch (const std::exception& error) {
                  failure_ = error.what();
              }
          }) {}
    ~BoxAnswerer() { Join(); }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    const SeenBox& Join() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }
    const std::string& Failure() const { return failure_; }

    // Open, visible message boxes of a thread.
    static std::vector<HWND> Boxes(DWORD thread) {
        std::vector<HWND> boxes;
        ::EnumThreadWindows(
            thread,
            [](HWND hwnd, LPARAM list) WINAPI -> BOOL {
                wchar_t name[16] = {};
                ::GetClassNameW(hwnd, name, 16);
                if (std::wstring(name) == L"#32770" && ::IsWindowVisible(hwnd)) {
                    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&boxes));
        return boxes;
    }

private:
    static bool WaitFor(const std::function<bool()>& condition, milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(milliseconds(10));
        }
        return true;
    }

    static std::wstring Text(HWND window) {
        wchar_t buffer[1024] = {};
        ::GetWindowTextW(window, buffer, 1024);
        return buffer;
    }

    void Run() {
        HWND box = nullptr;
        if (!WaitFor([&] { const auto boxes = Boxes(uiThread_); return !boxes.empty() && (box = boxes.front()); },
                     timeout_)) {
            failure_ = "no message box appeared";
            return;
        }
        seen_.window = box;
        seen_.caption = Text(box);
        seen_.text = Text(::GetDlgItem(box, 0xFFFF));
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            wchar_t name[16] = {};
            ::GetClassNameW(child, name, 16);
            const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
            if (std::wstring(name) == L"Button") seen_.buttons.emplace_back(::GetDlgCtrlID(child), Text(child));
            if (std::wstring(name) == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
                seen_.errorIcon = ::SendMessageW(child, STM_GETICON, 0, 0) ==
                                  reinterpret_cast<LRESULT>(::LoadIconW(nullptr, IDI_ERROR));
            }
        }
        if (answerWhen_ && !WaitFor(answerWhen_, timeout_)) failure_ = "the condition to answer the box never held";
        const std::vector<WORD>& modifiers = answer_.modifiers;
        WORD key = answer_.key;
        if (answer_.acceleratorOf) {
            for (const auto& [id, label] : seen_.buttons) {
                const auto amp = label.find(L'&');
                if (id == answer_.acceleratorOf && amp != std::wstring::npos && amp + 1 < label.size()) {
                    key = static_cast<WORD>(std::towupper(label[amp + 1]));
                }
            }
            if (key == 0) {
                failure_ = "the button has no accelerator";
                ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
                return;
            }
        }
        const std::vector<INPUT> inputs = Chord(modifiers, key);
        const auto isClosed = [&] { return !::IsWindow(box) || !::IsWindowVisible(box); };
        // Keys that a late focus event sent to the desktop are sent again (see SendToForeground).
        for (int attempt = 1; attempt <= 3 && !seen_.closed; ++attempt) {
            if (!WaitFor([&] { return ::GetForegroundWindow() == box || isClosed(); }, milliseconds(1000))) {
                ::SetForegroundWindow(box);
                if (!WaitFor([&] { return ::GetForegroundWindow() == box; }, timeout_)) break;
            }
            if (isClosed()) break;
            Send(inputs);
            seen_.closed = WaitFor(isClosed, milliseconds(1000)) ||
                           (::GetForegroundWindow() == box && WaitFor(isClosed, timeout_));
        }
        if (!seen_.closed) {
            failure_ = "the message box did not close after the answer";
            ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);  // so that the test goes on and fails
        }
    }

    DWORD uiThread_;
    Answer answer_;
    std::function<bool()> answerWhen_;
    milliseconds timeout_;
    SeenBox seen_;
    std::string failure_;
    std::thread thread_;  // last: starts once the rest is set
};

}  // namespace fwtest
