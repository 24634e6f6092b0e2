#include "driver/Accessible.h"

#include <objbase.h>

#include <utility>

#include "driver/Driver.h"

namespace gui {
namespace {

VARIANT ChildVariant(long childId) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = childId;
    return v;
}

std::string TakeBstr(BSTR text) {
    if (!text) return {};
    std::string out = ToCp1252(std::wstring_view(text, SysStringLen(text)));
    SysFreeString(text);
    return out;
}

std::string Hex(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

// The recorder of the hook that is running (one at a time per test thread).
thread_local WinEventRecorder* t_recorder = nullptr;

}  // namespace

ComScope::ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
ComScope::~ComScope() {
    if (started_) CoUninitialize();
}

// ---------------------------------------------------------------------------------------------
// Accessible

Accessible::Accessible(IAccessible* object, long childId) : object_(object), childId_(childId) {
    if (object_) object_->AddRef();
}
Accessible::Accessible(const Accessible& other) : Accessible(other.object_, other.childId_) {}
Accessible& Accessible::operator=(Accessible other) {
    std::swap(object_, other.object_);
    std::swap(childId_, other.childId_);
    return *this;
}
Accessible::~Accessible() {
    if (object_) object_->Release();
}

Accessible Accessible::FromWindow(HWND window) {
    IAccessible* object = nullptr;
    const HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                  reinterpret_cast<void**>(&object));
    if (FAILED(hr) || !object) throw DriverError("no accessible object for the window: " + Hex(hr));
    Accessible result(object, CHILDID_SELF);
    object->Release();
    return result;
}

std::optional<Accessible> Accessible::FromEvent(HWND window, LONG objectId, LONG childId) {
    IAccessible* object = nullptr;
    VARIANT child;
    VariantInit(&child);
    if (FAILED(AccessibleObjectFromEvent(window, static_cast<DWORD>(objectId), static_cast<DWORD>(childId), &object,
                                         &child)) ||
        !object) {
        return std::nullopt;
    }
    Accessible result(object, child.vt == VT_I4 ? child.lVal : CHILDID_SELF);
    object->Release();
    VariantClear(&child);
    return result;
}

long Accessible::Role() const {
    if (!object_) return 0;
    VARIANT role;
    VariantInit(&role);
    if (FAILED(object_->get_accRole(ChildVariant(childId_), &role)) || role.vt != VT_I4) {
        VariantClear(&role);
        return 0;
    }
    return role.lVal;
}

std::string Accessible::Name() const {
    if (!object_) return {};
    BSTR name = nullptr;
    object_->get_accName(ChildVariant(childId_), &name);
    return TakeBstr(name);
}

DWORD Accessible::State() const {
    if (!object_) return 0;
    VARIANT state;
    VariantInit(&state);
    if (FAILED(object_->get_accState(ChildVariant(childId_), &state)) || state.vt != VT_I4) {
        VariantClear(&state);
        return 0;
    }
    return static_cast<DWORD>(state.lVal);
}

std::optional<std::string> Accessible::Value(HRESULT* result) const {
    if (!object_) return std::nullopt;
    BSTR value = nullptr;
    const HRESULT hr = object_->get_accValue(ChildVariant(childId_), &value);
    if (result) *result = hr;
    if (hr != S_OK) {
        if (value) SysFreeString(value);
        return std::nullopt;
    }
    return TakeBstr(value);
}

RECT Accessible::Location() const {
    if (!object_) return {};
    long left = 0, top = 0, width = 0, height = 0;
    if (object_->accLocation(&left, &top, &width, &height, ChildVariant(childId_)) != S_OK) return {};
    return {left, top, left + width, top + height};
}

std::string Accessible::DefaultAction() const {
    if (!object_) return {};
    BSTR action = nullptr;
    object_->get_accDefaultAction(ChildVariant(childId_), &action);
    return TakeBstr(action);
}

std::string Accessible::KeyboardShortcut() const {
    if (!object_) return {};
    BSTR shortcut = nullptr;
    object_->get_accKeyboardShortcut(ChildVariant(childId_), &shortcut);
    return TakeBstr(shortcut);
}

HRESULT Accessible::DoDefaultAction() const {
    return object_ ? object_->accDoDefaultAction(ChildVariant(childId_)) : E_POINTER;
}

std::vector<Accessible> Accessible::Children() const {
    std::vector<Accessible> children;
    if (!object_ || childId_ != CHILDID_SELF) return children;  // a simple child has none
    long count = 0;
    if (FAILED(object_->get_accChildCount(&count)) || count <= 0) return children;
    std::vector<VARIANT> slots(static_cast<std::size_t>(count));
    long obtained = 0;
    if (FAILED(AccessibleChildren(object_, 0, count, slots.data(), &obtained))) return children;
    for (long i = 0; i < obtained; ++i) {
        VARIANT& slot = slots[static_cast<std::size_t>(i)];
        if (slot.vt == VT_DISPATCH && slot.pdispVal) {
            IAccessible* child = nullptr;
            if (SUCCEEDED(slot.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&child)))) {
                children.emplace_back(child, CHILDID_SELF);
                child->Release();
            }
        } else if (slot.vt == VT_I4) {
            children.emplace_back(object_, slot.lVal);
        }
        VariantClear(&slot);
    }
    return children;
}

HWND Accessible::Window() const {
    if (!object_) return nullptr;
    HWND window = nullptr;
    WindowFromAccessibleObject(object_, &window);
    return window;
}

// ---------------------------------------------------------------------------------------------
// Walks

Accessible Readable(const Accessible& child, long& role) {
    role = child.Role();
    if (role != 0) return child;
    const HWND window = child.Window();
    if (!window) return child;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))) ||
        !object) {
        return child;
    }
    Accessible own(object, CHILDID_SELF);
    object->Release();
    role = own.Role();
    return own;
}

namespace {

void WalkInto(const Accessible& parent, int depth, bool skipInvisible, std::vector<Heard>& out) {
    for (const Accessible& stubOrChild : parent.Children()) {
        Heard heard;
        const Accessible child = Readable(stubOrChild, heard.role);
        heard.state = child.State();
        if (skipInvisible && (heard.state & STATE_SYSTEM_INVISIBLE)) continue;
        heard.name = child.Name();
        heard.value = child.Value();
        heard.depth = depth;
        out.push_back(std::move(heard));
        WalkInto(child, depth + 1, skipInvisible, out);
    }
}

void Collect(const Accessible& parent, std::vector<Accessible>& out) {
    for (const Accessible& stubOrChild : parent.Children()) {
        long role = 0;
        const Accessible child = Readable(stubOrChild, role);
        out.push_back(child);
        Collect(child, out);
    }
}

}  // namespace

std::vector<Heard> Walk(const Accessible& root, bool skipInvisible) {
    std::vector<Heard> heard;
    WalkInto(root, 0, skipInvisible, heard);
    return heard;
}

std::vector<Accessible> Descendants(const Accessible& root) {
    std::vector<Accessible> all;
    Collect(root, all);
    return all;
}

namespace {

std::optional<Accessible> FindShown(const Accessible& parent, long role, std::string_view name) {
    for (const Accessible& stubOrChild : parent.Children()) {
        long childRole = 0;
        const Accessible child = Readable(stubOrChild, childRole);
        if (!child.Visible()) continue;
        if (childRole == role && child.Name() == name) return child;
        if (auto found = FindShown(child, role, name)) return found;
    }
    return std::nullopt;
}

}  // namespace

Accessible FindAccessible(const Accessible& root, long role, std::string_view name) {
    if (auto found = FindShown(root, role, name)) return *found;
    throw DriverError("no visible " + RoleName(role) + " named \"" + base::Cp1252ToUtf8(name) + "\"");
}

std::string RoleName(long role) {
    wchar_t text[128] = {};
    if (GetRoleTextW(static_cast<DWORD>(role), text, 128) == 0) return "role " + std::to_string(role);
    return ToCp1252(text);
}

std::string StateWords(DWORD state) {
    static constexpr std::pair<DWORD, const char*> kWords[] = {
        {STATE_SYSTEM_UNAVAILABLE, "unavailable"}, {STATE_SYSTEM_FOCUSED, "focused"},
        {STATE_SYSTEM_CHECKED, "checked"},         {STATE_SYSTEM_READONLY, "read-only"},
        {STATE_SYSTEM_ANIMATED, "animated"},       {STATE_SYSTEM_INVISIBLE, "invisible"},
        {STATE_SYSTEM_PROTECTED, "protected"},     {STATE_SYSTEM_FOCUSABLE, "focusable"},
        {STATE_SYSTEM_LINKED, "linked"},           {STATE_SYSTEM_PRESSED, "pressed"},
        {STATE_SYSTEM_DEFAULT, "default"},
    };
    std::string words;
    for (const auto& [bit, word] : kWords) {
        if (state & bit) words += (words.empty() ? "" : " ") + std::string(word);
    }
    return words;
}

std::string Describe(const std::vector<Heard>& heard) {
    std::string text;
    for (const Heard& h : heard) {
        text += std::string(static_cast<std::size_t>(h.depth) * 2, ' ') + RoleName(h.role) + " \"" +
                base::Cp1252ToUtf8(h.name) + "\" [" + StateWords(h.state) + "]";
        if (h.value) text += " = \"" + base::Cp1252ToUtf8(*h.value) + "\"";
        text += "\n";
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// WinEventRecorder

WinEventRecorder::WinEventRecorder(DWORD processId, DWORD firstEvent, DWORD lastEvent) {
    if (t_recorder) throw DriverError("one event recorder at a time");
    hook_ = SetWinEventHook(firstEvent, lastEvent, nullptr, &WinEventRecorder::Callback, processId, 0,
                            WINEVENT_OUTOFCONTEXT);
    if (!hook_) throw DriverError("SetWinEventHook failed");
    t_recorder = this;
}

WinEventRecorder::~WinEventRecorder() {
    UnhookWinEvent(hook_);
    t_recorder = nullptr;
}

void CALLBACK WinEventRecorder::Callback(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD,
                                         DWORD) {
    if (t_recorder) t_recorder->events_.push_back({event, window, objectId, childId});
}

void WinEventRecorder::Pump(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left, 20)), QS_ALLINPUT);
    }
}

bool WinEventRecorder::PumpUntil(const std::function<bool(const std::vector<Event>&)>& condition,
                                 std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition(events_)) {
        if (std::chrono::steady_clock::now() >= end) return false;
        Pump(std::chrono::milliseconds(20));
    }
    return true;
}

int ReadShown(const Accessible& parent) {
    int elements = 0;
    for (const Accessible& child : parent.Children()) {
        long role = 0;
        const Accessible element = Readable(child, role);
        if (!element.Visible()) continue;
        element.Name();
        element.Value();
        element.Location();
        elements += 1 + ReadShown(element);
    }
    return elements;
}

}  // namespace gui
