#pragma once
// The GUI driver's screen reader: reads a program's windows from this process as assistive
// technology does, through Active Accessibility (AccessibleObjectFromWindow, the children, role,
// name, state, value, location), acts through default actions, and listens to the program's
// accessibility events with an out-of-context event hook limited to its process.
//
// Texts cross this interface as Windows-1252, as everywhere in the driver. Every call into the
// program is a round trip to it: the program must be running its message loop.
// The calling thread needs COM (ComScope) and, for the event hook, a message loop (Pump).

#include <windows.h>
#include <oleacc.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gui {

// COM for the calling thread (single-threaded apartment), for the scope's length.
class ComScope {
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool started_;
};

// One element of another program's accessible tree: an object, or a simple child of one.
class Accessible {
public:
    Accessible() = default;  // nothing: reads as empty
    Accessible(IAccessible* object, long childId);  // takes a new reference
    Accessible(const Accessible& other);
    Accessible& operator=(Accessible other);
    ~Accessible();

    // The client object of a window (OBJID_CLIENT); throws DriverError when there is none.
    static Accessible FromWindow(HWND window);
    // What AccessibleObjectFromEvent names for an event's (window, object, child).
    static std::optional<Accessible> FromEvent(HWND window, LONG objectId, LONG childId);

    explicit operator bool() const { return object_ != nullptr; }
    long Role() const;
    std::string Name() const;
    DWORD State() const;
    // The value, or nullopt when the element gives none; `result` receives the call's HRESULT.
    std::optional<std::string> Value(HRESULT* result = nullptr) const;
    RECT Location() const;
    std::string DefaultAction() const;
    std::string KeyboardShortcut() const;
    HRESULT DoDefaultAction() const;
    std::vector<Accessible> Children() const;
    // The window WindowFromAccessibleObject names for it.
    HWND Window() const;

    bool Visible() const { return (State() & STATE_SYSTEM_INVISIBLE) == 0; }
    bool Focusable() const { return (State() & STATE_SYSTEM_FOCUSABLE) != 0; }

private:
    IAccessible* object_ = nullptr;
    long childId_ = CHILDID_SELF;
};

// A child as a reader reads it. Under Wine the platform's object for a child window is a stub that
// answers nothing (role 0, every call E_NOTIMPL); a reader then reads that window's own client
// object instead. Returns that object for such a stub, the child itself otherwise; `role` receives
// the role of what is returned (read once: every call is a round trip).
Accessible Readable(const Accessible& child, long& role);

// What a listener hears of one element.
struct Heard {
    long role = 0;
    std::string name;
    DWORD state = 0;
    std::optional<std::string> value;
    int depth = 0;  // 0 for the elements under the root
    friend bool operator==(const Heard&, const Heard&) = default;
};

// The elements under root, depth first in the tree's order. Invisible elements and everything
// under them are left out when skipInvisible holds, as a screen reader leaves them out.
std::vector<Heard> Walk(const Accessible& root, bool skipInvisible = true);
// Every element under root (root excluded), depth first, visible or not.
std::vector<Accessible> Descendants(const Accessible& root);
// The first element that shows under root with that role and name (what a person can find by
// what they read; the inactive pages are left out); throws DriverError when there is none.
Accessible FindAccessible(const Accessible& root, long role, std::string_view name);

// "push button", "editable text", ... as the platform names roles (GetRoleText).
std::string RoleName(long role);
// The state bits as words ("focusable focused protected").
std::string StateWords(DWORD state);
// One line per element, indented by depth: for failure messages.
std::string Describe(const std::vector<Heard>& heard);

// Accessibility events of one process, recorded as they arrive while this thread pumps messages.
class WinEventRecorder {
public:
    struct Event {
        DWORD event;
        HWND window;
        LONG objectId;
        LONG childId;
    };

    WinEventRecorder(DWORD processId, DWORD firstEvent, DWORD lastEvent);
    ~WinEventRecorder();
    WinEventRecorder(const WinEventRecorder&) = delete;
    WinEventRecorder& operator=(const WinEventRecorder&) = delete;

    // Runs this thread's message loop for that long (the hook delivers through it).
    static void Pump(std::chrono::milliseconds duration);
    // Pumps until the condition on the events holds or the time-out passes; false on time-out.
    bool PumpUntil(const std::function<bool(const std::vector<Event>&)>& condition,
                   std::chrono::milliseconds timeout);
    const std::vector<Event>& Events() const { return events_; }
    void Clear() { events_.clear(); }

private:
    static void CALLBACK Callback(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD, DWORD);
    HWINEVENTHOOK hook_ = nullptr;
    std::vector<Event> events_;
};

// Reads what a screen reader reads of everything shown under parent (role, name, value and place
// of each element; nothing under an invisible one, such as an inactive page); returns how many
// elements it read.
int ReadShown(const Accessible& parent);

}  // namespace gui
