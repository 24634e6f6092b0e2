#pragma once
// What assistive technology reads: every control, and parts of controls that have no window (a
// caption, its links), is an AccessibleElement. Its COM object (IAccessible with IOleWindow) is
// made on the first request (WM_GETOBJECT for OBJID_CLIENT on a window, or a parent asked for its
// children) and not at start; it lives as long as somebody holds a reference, another process
// included.
//
// Lifetime contract:
// - The element and its object know each other through plain pointers, neither owning the other.
//   The object's last Release tells the element to forget it; the element's destructor cuts the
//   object's link first and disconnects it from other processes, so that a reference kept
//   elsewhere answers RPC_E_DISCONNECTED and never reaches a freed control.
// - Everything runs on the user-interface thread (single-threaded apartment): calls from other
//   processes arrive through the message loop.
// - A default action never runs inside the caller's call: it is posted to the element's window
//   (AccessibleActionMessage) and done when the loop gets to it, as a person's click would be.
//
// Children are addressed two ways, both answered: as objects of their own (accChild, navigation,
// hit tests) and as child ids 1..n of their parent (what events name for parts without a window).

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

struct IAccessible;

namespace fw {

class AccessibleObject;

class AccessibleElement {
public:
    AccessibleElement() = default;
    AccessibleElement(const AccessibleElement&) = delete;
    AccessibleElement& operator=(const AccessibleElement&) = delete;
    virtual ~AccessibleElement();

    virtual long AccRole() const = 0;
    virtual std::wstring AccName() const { return {}; }
    // S_OK and the value; DISP_E_MEMBERNOTFOUND when the element has none; E_ACCESSDENIED when it
    // keeps it from readers (a password).
    virtual HRESULT AccValue(std::wstring& value) const;
    virtual DWORD AccState() const { return 0; }
    // The element's rectangle on the screen; false when it has none now (no window).
    virtual bool AccScreenRect(RECT& rect) const = 0;
    virtual std::wstring AccDefaultAction() const { return {}; }
    // Posts the default action (see the contract above). DISP_E_MEMBERNOTFOUND: the element has
    // none; E_FAIL: it refuses now (unavailable).
    virtual HRESULT AccDoDefaultAction();
    virtual std::wstring AccKeyboardShortcut() const { return {}; }
    // In reading order.
    virtual std::vector<AccessibleElement*> AccChildren() const { return {}; }
    virtual AccessibleElement* AccParent() const { return nullptr; }
    // The element's own window; null for parts drawn in a parent's window.
    virtual HWND AccOwnWindow() const { return nullptr; }
    // accSelect(SELFLAG_TAKEFOCUS); false when it cannot take the focus.
    virtual bool AccTakeFocus() { return false; }

    // The window the element is in: its own, or its nearest windowed ancestor's.
    HWND AccWindow() const;
    // A new reference to the element's object (made now if it has none); the caller releases it.
    IAccessible* AccObject();
    // Announces a change through NotifyWinEvent: a windowed element as its window's client
    // object, a part as child id (index + 1) of its parent's object. Nothing while no window exists.
    void AccNotify(DWORD event) const;
    bool AccHasObject() const { return object_ != nullptr; }
    // Cuts the link to the object now (a control calls it first thing in its destructor, before
    // its own parts go).
    void AccDisconnect();

private:
    friend class AccessibleObject;
    AccessibleObject* object_ = nullptr;  // not owned: lives as long as its references
};

// The objects alive in this process (for tests: nothing may be left behind).
long LiveAccessibleObjects();

// The answer to WM_GETOBJECT(OBJID_CLIENT) for a window: a reference to the element's object in
// the form LresultFromObject gives.
LRESULT AccessibleResult(AccessibleElement& element, WPARAM wParam);

// Posted to a window to do a default action later; wParam says which part of the control.
UINT AccessibleActionMessage();

// Text without accelerator marks: "&Seguinte" reads "Seguinte", "&&" reads "&".
std::wstring WithoutAccelerator(std::wstring_view text);
// "Alt+x" (the marked letter in lower case, fw::AcceleratorOf) for a caption with an accelerator,
// empty for one without.
std::wstring AcceleratorShortcut(std::string_view caption);

}  // namespace fw
