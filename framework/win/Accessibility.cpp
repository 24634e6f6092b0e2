#include "framework/win/Accessibility.h"

#include <objbase.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <optional>

#include "framework/Accelerator.h"

namespace fw {
namespace {

std::atomic<long> g_liveObjects{0};

// The platform's accessibility and automation libraries are loaded by the first request, not with
// the program: the start loads only what it needs (most runs never meet a screen reader).
struct LateFunctions {
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&::SysAllocStringLen) sysAllocStringLen = nullptr;
};

const LateFunctions& Late() {
    static const LateFunctions functions = [] {
        LateFunctions f;
        if (HMODULE oleacc = ::LoadLibraryW(L"oleacc.dll")) {
            f.lresultFromObject =
                reinterpret_cast<decltype(f.lresultFromObject)>(::GetProcAddress(oleacc, "LresultFromObject"));
            f.createStdAccessibleObject = reinterpret_cast<decltype(f.createStdAccessibleObject)>(
                ::GetProcAddress(oleacc, "CreateStdAccessibleObject"));
        }
        if (HMODULE oleaut = ::LoadLibraryW(L"oleaut32.dll")) {
            f.sysAllocStringLen =
                reinterpret_cast<decltype(f.sysAllocStringLen)>(::GetProcAddress(oleaut, "SysAllocStringLen"));
        }
        return f;
    }();
    return functions;
}

BSTR MakeBstr(const std::wstring& text) {
    // Readers free it with SysFreeString: it must come from the same allocator.
    const auto allocate = Late().sysAllocStringLen;
    return allocate ? allocate(text.data(), static_cast<UINT>(text.size())) : nullptr;
}

void Clear(VARIANT* v) { *v = VARIANT{}; }  // VT_EMPTY, without oleaut32

// A text answer: S_FALSE and no string when the element has nothing to say.
HRESULT TextAnswer(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = MakeBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetEmpty(VARIANT* v) {
    Clear(v);
    v->vt = VT_EMPTY;
}

void SetSelf(VARIANT* v) {
    Clear(v);
    v->vt = VT_I4;
    v->lVal = CHILDID_SELF;
}

void SetObject(VARIANT* v, AccessibleElement& element) {
    Clear(v);
    v->vt = VT_DISPATCH;
    v->pdispVal = element.AccObject();
}

bool Contains(const RECT& r, long x, long y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

bool IsVisibleElement(const AccessibleElement& element) {
    return (element.AccState() & STATE_SYSTEM_INVISIBLE) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The COM object

class AccessibleObject final : public IAccessible, public IOleWindow {
public:
    explicit AccessibleObject(AccessibleElement& element) : element_(&element) { ++g_liveObjects; }
    AccessibleObject(const AccessibleObject&) = delete;
    AccessibleObject& operator=(const AccessibleObject&) = delete;

    // The element goes: every later call answers RPC_E_DISCONNECTED, and other processes' stubs
    // let go of their references.
    void Disconnect() {
        element_ = nullptr;
        AddRef();
        ::CoDisconnectObject(static_cast<IAccessible*>(this), 0);
        Release();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
        } else if (iid == __uuidof(IOleWindow)) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --refs_;
        if (left == 0) {
            if (element_) element_->object_ = nullptr;
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers call the IAccessible methods; there is no type information to give.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = nullptr;
        if (!element_) return RPC_E_DISCONNECTED;
        *window = element_->AccWindow();
        return *window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!element_) return RPC_E_DISCONNECTED;
        if (AccessibleElement* up = element_->AccParent()) {
            *parent = up->AccObject();
            return S_OK;
        }
        // The top of the tree: the platform's object of the window around it.
        if (HWND window = element_->AccOwnWindow()) {
            const auto create = Late().createStdAccessibleObject;
            return create && create(window, OBJID_WINDOW, __uuidof(IDispatch), reinterpret_cast<void**>(parent)) == S_OK
                       ? S_OK
                       : S_FALSE;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (!element_) return RPC_E_DISCONNECTED;
        *count = static_cast<long>(element_->AccChildren().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!element_) return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF) return E_INVALIDARG;
        const std::vector<AccessibleElement*> children = element_->AccChildren();
        if (child.lVal < 1 || static_cast<std::size_t>(child.lVal) > children.size()) return E_INVALIDARG;
        *out = children[static_cast<std::size_t>(child.lVal - 1)]->AccObject();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return TextOf(child, name, [](AccessibleElement& e) { return e.AccName(); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        AccessibleElement* e = nullptr;
        if (const HRESULT hr = Resolve(child, e); hr != S_OK) return Fail(hr, value);
        std::wstring text;
        const HRESULT hr = e->AccValue(text);
        if (hr != S_OK) return Fail(hr, value);
        *value = MakeBstr(text);
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override { return Nothing(child, out); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return NumberOf(child, role, [](AccessibleElement& e) { return static_cast<long>(e.AccRole()); });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return NumberOf(child, state, [](AccessibleElement& e) { return static_cast<long>(e.AccState()); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override { return Nothing(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return element_ ? S_FALSE : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return TextOf(child, out, [](AccessibleElement& e) { return e.AccKeyboardShortcut(); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        SetEmpty(focus);
        if (!element_) return RPC_E_DISCONNECTED;
        const HWND focused = ::GetFocus();
        if (!focused) return S_FALSE;
        if (focused == element_->AccOwnWindow()) {
            SetSelf(focus);
            return S_OK;
        }
        for (AccessibleElement* child : element_->AccChildren()) {
            const HWND window = child->AccOwnWindow();
            if (window && (window == focused || ::IsChild(window, focused))) {
                SetObject(focus, *child);
                return S_OK;
            }
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        SetEmpty(selection);
        return element_ ? S_FALSE : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return TextOf(child, out, [](AccessibleElement& e) { return e.AccDefaultAction(); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        AccessibleElement* e = nullptr;
        if (const HRESULT hr = Resolve(child, e); hr != S_OK) return hr;
        if (flags & ~SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
        if (flags & SELFLAG_TAKEFOCUS) return e->AccTakeFocus() ? S_OK : S_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        AccessibleElement* e = nullptr;
        if (const HRESULT hr = Resolve(child, e); hr != S_OK) return hr;
        RECT r{};
        if (!e->AccScreenRect(r)) return S_FALSE;
        *left = r.left, *top = r.top, *width = r.right - r.left, *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        SetEmpty(end);
        AccessibleElement* from = nullptr;
        if (const HRESULT hr = Resolve(start, from); hr != S_OK) return hr;
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            const std::vector<AccessibleElement*> children = from->AccChildren();
            if (children.empty()) return S_FALSE;
            SetObject(end, direction == NAVDIR_FIRSTCHILD ? *children.front() : *children.back());
            return S_OK;
        }
        if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
            AccessibleElement* parent = from->AccParent();
            if (!parent) return S_FALSE;
            const std::vector<AccessibleElement*> siblings = parent->AccChildren();
            const auto at = std::find(siblings.begin(), siblings.end(), from);
            if (at == siblings.end()) return S_FALSE;
            if (direction == NAVDIR_NEXT) {
                if (at + 1 == siblings.end()) return S_FALSE;
                SetObject(end, **(at + 1));
            } else {
                if (at == siblings.begin()) return S_FALSE;
                SetObject(end, **(at - 1));
            }
            return S_OK;
        }
        return S_FALSE;  // up, down, left, right: not offered
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        SetEmpty(hit);
        if (!element_) return RPC_E_DISCONNECTED;
        RECT own{};
        if (!element_->AccScreenRect(own) || !Contains(own, x, y)) return S_FALSE;
        // The last child drawn over the point is the one on top.
        const std::vector<AccessibleElement*> children = element_->AccChildren();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            RECT r{};
            if (IsVisibleElement(**it) && (*it)->AccScreenRect(r) && Contains(r, x, y)) {
                SetObject(hit, **it);
                return S_OK;
            }
        }
        SetSelf(hit);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        AccessibleElement* e = nullptr;
        if (const HRESULT hr = Resolve(child, e); hr != S_OK) return hr;
        return e->AccDoDefaultAction();
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

private:
    ~AccessibleObject() { --g_liveObjects; }

    // The element a child id names: the object's own (CHILDID_SELF) or its children 1..n.
    HRESULT Resolve(const VARIANT& child, AccessibleElement*& out) const {
        out = nullptr;
        if (!element_) return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF) {
            out = element_;
            return S_OK;
        }
        const std::vector<AccessibleElement*> children = element_->AccChildren();
        if (child.lVal < 1 || static_cast<std::size_t>(child.lVal) > children.size()) return E_INVALIDARG;
        out = children[static_cast<std::size_t>(child.lVal - 1)];
        return S_OK;
    }
    static HRESULT Fail(HRESULT hr, BSTR* out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        return hr;
    }
    // A text property of the element `child` names: its text, S_FALSE when it has none.
    template <typename Read>
    HRESULT TextOf(const VARIANT& child, BSTR* out, Read read) const {
        AccessibleElement* e = nullptr;
        if (const HRESULT hr = Resolve(child, e); hr != S_OK) return Fail(hr, out);
        return TextAnswer(read(*e), out);
    }
    // A number property (role, state) of the element `child` names, as VT_I4.
    template <typename Read>
    HRESULT NumberOf(const VARIANT& child, VARIANT* out, Read read) const {
        if (!out) return E_POINTER;
        SetEmpty(out);
        AccessibleElement* e = nullptr;
        if (const HRESULT hr = Resolve(child, e); hr != S_OK) return hr;
        out->vt = VT_I4;
        out->lVal = read(*e);
        return S_OK;
    }
    HRESULT Nothing(const VARIANT& child, BSTR* out) const {
        AccessibleElement* e = nullptr;
        if (const HRESULT hr = Resolve(child, e); hr != S_OK) return Fail(hr, out);
        return Fail(S_FALSE, out);
    }

    std::atomic<long> refs_{1};
    AccessibleElement* element_;  // cut when the element goes
};

// ---------------------------------------------------------------------------------------------
// AccessibleElement

AccessibleElement::~AccessibleElement() { AccDisconnect(); }

void AccessibleElement::AccDisconnect() {
    if (AccessibleObject* object = object_) {
        object_ = nullptr;
        object->Disconnect();
    }
}

HRESULT AccessibleElement::AccValue(std::wstring&) const { return DISP_E_MEMBERNOTFOUND; }
HRESULT AccessibleElement::AccDoDefaultAction() { return DISP_E_MEMBERNOTFOUND; }

HWND AccessibleElement::AccWindow() const {
    for (const AccessibleElement* e = this; e; e = e->AccParent()) {
        if (HWND window = e->AccOwnWindow()) return window;
    }
    return nullptr;
}

IAccessible* AccessibleElement::AccObject() {
    if (object_) {
        object_->AddRef();
    } else {
        object_ = new AccessibleObject(*this);  // the caller's reference
    }
    return object_;
}

void AccessibleElement::AccNotify(DWORD event) const {
    if (HWND own = AccOwnWindow()) {
        ::NotifyWinEvent(event, own, OBJID_CLIENT, CHILDID_SELF);
        return;
    }
    const AccessibleElement* parent = AccParent();
    if (!parent) return;
    const HWND window = parent->AccOwnWindow();
    if (!window) return;  // a part of a part: events name parts of windowed elements only
    const std::vector<AccessibleElement*> siblings = parent->AccChildren();
    const auto at = std::find(siblings.begin(), siblings.end(), this);
    if (at == siblings.end()) return;
    ::NotifyWinEvent(event, window, OBJID_CLIENT, static_cast<LONG>(at - siblings.begin()) + 1);
}

long LiveAccessibleObjects() { return g_liveObjects.load(); }

LRESULT AccessibleResult(AccessibleElement& element, WPARAM wParam) {
    const auto lresultFromObject = Late().lresultFromObject;
    if (!lresultFromObject) return 0;  // as if unanswered: the platform's object stands in
    IAccessible* object = element.AccObject();
    const LRESULT result = lresultFromObject(__uuidof(IAccessible), wParam, object);
    object->Release();  // LresultFromObject holds its own reference for the caller
    return result;
}

UINT AccessibleActionMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"fw.AccessibleDefaultAction");
    return message;
}

std::wstring WithoutAccelerator(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;  // the mark goes; "&&" keeps one "&"
        out += text[i];
    }
    return out;
}

std::wstring AcceleratorShortcut(std::string_view caption) {
    const std::optional<char16_t> letter = fw::AcceleratorOf(caption);
    if (!letter) return {};
    return L"Alt+" + std::wstring(1, static_cast<wchar_t>(fw::LowerCase1252(*letter)));
}

}  // namespace fw
