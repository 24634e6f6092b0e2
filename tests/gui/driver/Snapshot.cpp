#include "driver/Snapshot.h"

#include <algorithm>
#include <functional>

#include "driver/Driver.h"

namespace gui {
namespace {

// The roles whose elements carry a value in Active Accessibility; the others are not asked (each
// question is a round trip to the program).
bool CarriesValue(long role) {
    switch (role) {
        case ROLE_SYSTEM_TEXT:
        case ROLE_SYSTEM_PROGRESSBAR:
        case ROLE_SYSTEM_LINK:
        case ROLE_SYSTEM_COMBOBOX:
        case ROLE_SYSTEM_SLIDER:
        case ROLE_SYSTEM_SPINBUTTON:
        case ROLE_SYSTEM_SCROLLBAR:
            return true;
        default:
            return false;
    }
}

// Asks the program for a node's children, the first time only.
void Expand(ReaderTree::Node& node) {
    if (node.children) return;
    std::vector<ReaderTree::Node> children;
    for (const Accessible& stubOrChild : node.object.Children()) {
        long role = 0;
        Accessible child = Readable(stubOrChild, role);
        children.push_back({std::move(child), role, std::nullopt});
    }
    node.children = std::move(children);
}

Element Heard(const ReaderTree::Node& node, HWND root, std::string name, DWORD state, int depth) {
    std::optional<std::string> value = CarriesValue(node.role) ? node.object.Value() : std::nullopt;
    return Element(node.object, root, node.role, std::move(name), state, std::move(value), depth);
}

// Reads the elements under a node that show, and what shows under them.
void WalkInto(ReaderTree::Node& parent, HWND root, int depth, std::vector<Element>& out) {
    Expand(parent);
    for (ReaderTree::Node& child : *parent.children) {
        const DWORD state = child.object.State();
        if (state & STATE_SYSTEM_INVISIBLE) continue;  // nor anything under it: a reader skips it
        out.push_back(Heard(child, root, child.object.Name(), state, depth));
        WalkInto(child, root, depth + 1, out);
    }
}

// Scans the elements under a node as a person scans a window for one kind of control: only the
// elements of that role are asked their names, and only the elements the scan passes their states.
// Each element of the role that shows and whose name `wanted` takes is added to `found` and not
// scanned inside (pages and options hold none of their kind); with `firstOnly`, the scan ends at
// the first, and true tells it was found.
bool Scan(ReaderTree::Node& parent, HWND root, int depth, long role, const std::function<bool(const std::string&)>& wanted,
          bool firstOnly, std::vector<Element>& found) {
    Expand(parent);
    for (ReaderTree::Node& child : *parent.children) {
        std::optional<DWORD> state;
        const auto shows = [&] {
            if (!state) state = child.object.State();
            return (*state & STATE_SYSTEM_INVISIBLE) == 0;
        };
        if (child.role == role) {
            std::string name = child.object.Name();
            if (wanted(name) && shows()) {
                found.push_back(Heard(child, root, std::move(name), *state, depth));
                if (firstOnly) return true;
                continue;
            }
        }
        if (child.children && child.children->empty()) continue;  // known to have none
        if (!shows()) continue;
        if (Scan(child, root, depth + 1, role, wanted, firstOnly, found)) return true;
    }
    return false;
}

// Throws BusyError when the window's thread does not answer a no-op message within `busy`.
void AnswersWithin(HWND window, std::chrono::milliseconds busy) {
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(busy.count()), &ignored)) {
        if (!IsWindow(window)) throw DriverError("the window is gone");
        throw BusyError("the program did not answer within " + std::to_string(busy.count()) + " ms (busy)");
    }
}

// COM for the calling thread, started by the first walk and kept for the thread's life.
void EnsureCom() { thread_local ComScope com; }

}  // namespace

std::string Describe(const Named& named) { return RoleName(named.role) + " \"" + base::Cp1252ToUtf8(named.name) + "\""; }

long StandardControlRole(long windowsRole) { return UnderWine() ? ROLE_SYSTEM_CLIENT : windowsRole; }

// ---------------------------------------------------------------------------------------------
// Element

Element::Element(Accessible object, HWND root, long role, std::string name, DWORD state,
                 std::optional<std::string> value, int depth)
    : object_(std::move(object)),
      root_(root),
      role_(role),
      name_(std::move(name)),
      state_(state),
      value_(std::move(value)),
      depth_(depth) {}

RECT Element::Location() const {
    const RECT r = object_.Location();
    if (r.right <= r.left || r.bottom <= r.top)
        throw DriverError(gui::Describe(What()) + " has no place on the screen");
    return r;
}

POINT Element::Center() const {
    const RECT r = Location();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// ---------------------------------------------------------------------------------------------
// ReaderTree

void ReaderTree::Forget() {
    root_.reset();
    descendants_.clear();
    window_ = nullptr;
}

ReaderTree::Node& ReaderTree::RootOf(HWND window) {
    EnsureCom();
    // Sorted: their order changes as pages come to the front.
    std::vector<HWND> descendants = Children(window);
    std::sort(descendants.begin(), descendants.end());
    if (!root_ || window_ != window || descendants_ != descendants) {
        Forget();
        root_ = Node{Accessible::FromWindow(window), 0, std::nullopt};
        window_ = window;
        descendants_ = std::move(descendants);
    }
    return *root_;
}

// ---------------------------------------------------------------------------------------------
// Snapshot

Snapshot Snapshot::Of(HWND window, std::chrono::milliseconds busy, ReaderTree& kept) {
    AnswersWithin(window, busy);
    Snapshot snapshot;
    WalkInto(kept.RootOf(window), window, 0, snapshot.elements_);
    return snapshot;
}

Snapshot Snapshot::Of(HWND window, std::chrono::milliseconds busy) {
    ReaderTree fresh;
    return Of(window, busy, fresh);
}

std::optional<Element> Snapshot::FindOne(HWND window, const Named& what, std::chrono::milliseconds busy,
                                         ReaderTree& kept) {
    AnswersWithin(window, busy);
    std::vector<Element> found;
    Scan(kept.RootOf(window), window, 0, what.role, [&](const std::string& name) { return name == what.name; }, true,
         found);
    if (found.empty()) return std::nullopt;
    return std::move(found.front());
}

std::vector<Element> Snapshot::FindAll(HWND window, long role, std::chrono::milliseconds busy, ReaderTree& kept) {
    AnswersWithin(window, busy);
    std::vector<Element> found;
    Scan(kept.RootOf(window), window, 0, role, [](const std::string&) { return true; }, false, found);
    return found;
}

const Element* Snapshot::Find(const Named& what) const {
    for (const Element& e : elements_)
        if (e.Role() == what.role && e.Name() == what.name) return &e;
    return nullptr;
}

const Element& Snapshot::Get(const Named& what) const {
    if (const Element* e = Find(what)) return *e;
    throw DriverError("a reader hears no " + gui::Describe(what) + "; it hears:\n" + Describe());
}

std::vector<const Element*> Snapshot::All(long role) const {
    std::vector<const Element*> all;
    for (const Element& e : elements_)
        if (e.Role() == role) all.push_back(&e);
    return all;
}

std::string Snapshot::Value(const Named& what) const {
    const Element& e = Get(what);
    if (!e.Value()) throw DriverError(gui::Describe(what) + " gives no value");
    return *e.Value();
}

const Element* Snapshot::FocusedElement() const {
    const Element* focused = nullptr;
    for (const Element& e : elements_)
        if (e.Focused() && (!focused || e.Depth() >= focused->Depth())) focused = &e;
    return focused;
}

Named Snapshot::FocusedControl() const {
    const Element* focused = FocusedElement();
    return focused ? focused->What() : Named{};
}

std::string Snapshot::Describe() const {
    std::string text;
    for (const Element& e : elements_) {
        text += std::string(static_cast<std::size_t>(e.Depth()) * 2, ' ') + gui::Describe(e.What()) + " [" +
                StateWords(e.State()) + "]";
        if (e.Value()) text += " = \"" + base::Cp1252ToUtf8(*e.Value()) + "\"";
        text += "\n";
    }
    return text;
}

}  // namespace gui
