#pragma once
// What a screen reader hears of a window at one moment: one walk of its accessible tree (the
// driver's reader, driver/Accessible.h), of what shows only (nothing under an invisible element,
// such as an inactive page), each element with its role, name, state and value. Tests find
// controls in it as a person finds them, by what they are and what they read: the editable text
// named "Servidor", the push button "Seguinte >>".
//
// Every element keeps its accessible object: its place on the screen is read when it is asked for
// (a click needs it, most reads do not), and a default action can be done through it.
//
// Texts are Windows-1252, as everywhere in the driver.

#include <windows.h>
#include <oleacc.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/Accessible.h"

namespace gui {

// A control as a person finds it: its role and its name ("Seguinte >>", a push button).
struct Named {
    long role = 0;
    std::string name;
    friend bool operator==(const Named&, const Named&) = default;
};
// "push button \"Seguinte >>\"", for messages (UTF-8).
std::string Describe(const Named& named);
// For GoogleTest's messages.
inline void PrintTo(const Named& named, std::ostream* out) { *out << Describe(named); }

// The role the platform's own controls report where Windows reports `windowsRole` (push button,
// static text, graphic): Wine 8's standard objects report a plain client area for all of them.
long StandardControlRole(long windowsRole);

// One element as it was heard.
class Element {
public:
    Element(Accessible object, HWND root, long role, std::string name, DWORD state,
            std::optional<std::string> value, int depth);

    long Role() const { return role_; }
    const std::string& Name() const { return name_; }
    Named What() const { return {role_, name_}; }
    DWORD State() const { return state_; }
    // The value, for the roles that carry one (editable text, progress bar, link...); nullopt
    // when the element gives none (a protected password box refuses it).
    const std::optional<std::string>& Value() const { return value_; }
    int Depth() const { return depth_; }  // 0 for the elements right under the window's object

    bool Enabled() const { return (state_ & STATE_SYSTEM_UNAVAILABLE) == 0; }
    bool Focused() const { return (state_ & STATE_SYSTEM_FOCUSED) != 0; }
    bool Checked() const { return (state_ & STATE_SYSTEM_CHECKED) != 0; }
    bool Has(DWORD bits) const { return (state_ & bits) == bits; }

    // Read from the program now (a round trip; the element may have moved since the walk).
    RECT Location() const;
    POINT Center() const;
    // The window the element is in (its own, or the nearest windowed parent's).
    HWND Window() const { return object_.Window(); }
    // The top-level window the element was read from.
    HWND Root() const { return root_; }
    const Accessible& Object() const { return object_; }

private:
    Accessible object_;
    HWND root_;
    long role_;
    std::string name_;
    DWORD state_;
    std::optional<std::string> value_;
    int depth_;
};

// What a reader keeps of a window between two readings, as screen readers keep a tree of what
// they have met: each element's object and role, and the elements under it once it has shown.
// Names, states and values are asked anew at every reading, so a reading through a kept tree hears
// the same as a first one, with a third of the round trips to the program.
//
// The tree is made again when the window's child windows are no longer the same (a window made
// or destroyed: the wizard's pages and boxes are windows). Elements without a window of their own
// (labels, the panel's caption) are taken to come and go only with the window they are in; a
// reader that misses something asks for a fresh tree (Forget).
class ReaderTree {
public:
    void Forget();

    struct Node {
        Accessible object;
        long role = 0;
        std::optional<std::vector<Node>> children;  // asked for when the element first shows
    };
    // The node of the window's client object: the kept one, or a new one when there is none for
    // this window or its child windows changed.
    Node& RootOf(HWND window);

private:
    HWND window_ = nullptr;
    std::vector<HWND> descendants_;  // the window's child windows when the tree was made (sorted)
    std::optional<Node> root_;
};

class Snapshot {
public:
    // One walk of what shows in the window, from its client object down, through the tree a reader
    // kept of it (made here when there is none, or when the window's child windows changed), or
    // through a fresh one. Throws BusyError (driver/Driver.h) when the window's thread does not
    // answer a no-op message within `busy` (a walk of a busy program would wait for it),
    // DriverError when the window has no accessible object.
    static Snapshot Of(HWND window, std::chrono::milliseconds busy, ReaderTree& kept);
    static Snapshot Of(HWND window, std::chrono::milliseconds busy = std::chrono::milliseconds(5000));
    // The element Of(...).Find(what) would give, found through the kept tree as a person looks for
    // one control: only the elements of that role are asked their names, and only the elements the
    // search passes their states. Nullopt when none shows.
    static std::optional<Element> FindOne(HWND window, const Named& what, std::chrono::milliseconds busy,
                                          ReaderTree& kept);
    // The elements of a role that show, in the walk's order, found the same way (nothing is looked
    // for inside one of them): a glance at the window's pages, where a reading asks every element.
    static std::vector<Element> FindAll(HWND window, long role, std::chrono::milliseconds busy, ReaderTree& kept);

    const std::vector<Element>& Elements() const { return elements_; }
    // The first element heard with that role and name; null (Find) or DriverError (Get) when none.
    const Element* Find(const Named& what) const;
    const Element& Get(const Named& what) const;
    bool Has(const Named& what) const { return Find(what) != nullptr; }
    // The elements of a role, in the order heard.
    std::vector<const Element*> All(long role) const;

    // Shorthands of Get: availability, focus, check state, value (DriverError when it gives none).
    bool Enabled(const Named& what) const { return Get(what).Enabled(); }
    bool Focused(const Named& what) const { return Get(what).Focused(); }
    bool Checked(const Named& what) const { return Get(what).Checked(); }
    std::string Value(const Named& what) const;
    // The element that holds the keyboard focus (the deepest focused one); null when none does.
    const Element* FocusedElement() const;
    // What holds the focus, as a person names it; an empty Named when nothing does.
    Named FocusedControl() const;

    // One line per element, indented by depth: for failure messages (UTF-8).
    std::string Describe() const;

private:
    std::vector<Element> elements_;
};

}  // namespace gui
