#pragma once
// Published properties: each class declares its properties once, in a ClassInfo table
// (name, type, declared default, setter, getter). That one table drives reading a window
// description, writing it back (values equal to the declared default are omitted, enumerations
// by member name) and the defaults. No Win32 here: the tables of the Win32 controls are built
// from these types too.
//
// Event convention: an event property ("OnClick") holds a NotifyEvent: the handler's name as
// written in the description, and the callable bound to it by the root component (the window)
// through FindMethod. Handlers take the sender and return nothing.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fw {

using Bytes = std::vector<std::uint8_t>;

// A bare word in a description: an enumeration member, a named colour ("clBlack"), a handler name.
struct Identifier {
    std::string name;
    friend bool operator==(const Identifier&, const Identifier&) = default;
};

// A set of enumeration members, written "[fsBold, fsItalic]".
struct IdentifierSet {
    std::vector<std::string> members;
    friend bool operator==(const IdentifierSet&, const IdentifierSet&) = default;
};

// A property value as it stands in a description. Strings are Windows-1252 bytes.
using Value = std::variant<bool, std::int64_t, std::string, Identifier, IdentifierSet, Bytes>;

class Component;
using EventHandler = std::function<void(Component& sender)>;

struct NotifyEvent {
    std::string name;      // handler name as written in the description; empty when unassigned
    EventHandler handler;  // bound by the root component; may be empty
    explicit operator bool() const { return static_cast<bool>(handler); }
    void operator()(Component& sender) const {
        if (handler) handler(sender);
    }
};

// An enumeration's members in ordinal order, e.g. {"gtSolid", "gtRadial", ...}.
struct EnumInfo {
    std::string_view typeName;
    std::vector<std::string_view> members;
    std::optional<int> Find(std::string_view member) const;  // exact, case-insensitive
};

enum class PropertyType {
    Bool,     // true / false
    Integer,  // 32-bit signed
    String,   // Windows-1252 text
    Colour,   // integer, or a colour name (clBlack, clBtnFace, clNone, ...)
    Enum,     // member name
    Set,      // [member, ...]
    Binary,   // { hex bytes }, kept unchanged
    Object,   // an owned sub-object with properties of its own, written "Font.Name = ..."
    Event,    // handler name
    Reference,  // another component of the same root, by name ("FocusControl = servidor")
};

class Persistent;
struct ClassInfo;

// What a pixel value of a property is, so that the window can be scaled from its design at 96
// DPI to the screen's (framework/Scaling.h says how each is rounded).
enum class PixelUnit : std::uint8_t {
    None,
    Position,    // an edge, from the parent's origin (Left, Top)
    Extent,      // a size that starts at a position (Width from Left) or at 0 (ClientWidth)
    Length,      // a distance of its own: a radius, a margin, an offset
    Line,        // the thickness of a drawn line
    FontHeight,  // a font's height in pixels (negative: the character height)
    Dpi,         // not a distance: receives the DPI itself (what the object paints or measures at)
};

// Values cross `set`, `get` and `declaredDefault` in their checked form: Bool as bool, Integer as
// an int64 within 32 bits, String as Windows-1252 text, Colour as its 32-bit value (0..0xFFFFFFFF)
// in an int64, Enum as its ordinal in an int64, Set as a bit mask of ordinals (bit n = member n)
// in an int64, Binary as Bytes. `get` and `declaredDefault` may also use the written form (an
// Identifier for an Enum member or a colour name, an IdentifierSet for a Set): both sides are
// normalised before they are compared.
//
// A property without `set` is read-only: assigning it in a description is an error, and it is
// not written. A property without `get` is not written either.
//
// Events: loading binds the handler through the root's FindMethod and calls
// `setEvent(object, NotifyEvent{name, handler})`; without `setEvent`, `set` receives the
// handler's name as an Identifier. `get` returns Identifier{handler name}, empty when unassigned;
// an unassigned event is not written.
//
// References: resolved by name among the root and the components it owns once every object of
// the description exists, then `setReference(object, component)`. `get` returns
// Identifier{component name}, empty for none; an empty reference is not written.
struct PropertyInfo {
    std::string_view name;
    PropertyType type = PropertyType::Integer;
    const EnumInfo* enumInfo = nullptr;  // Enum and Set
    std::optional<Value> declaredDefault;  // absent: always written (Event, Reference: never used)
    std::function<void(Persistent&, const Value&)> set;
    std::function<Value(const Persistent&)> get;
    // Object kind: the owned sub-object (never replaced) and its declared class. Loading and
    // writing walk the sub-object's own Class(), so a derived sub-object shows all it has.
    std::function<Persistent*(Persistent&)> object;
    const ClassInfo* objectClass = nullptr;
    std::function<void(Persistent&, NotifyEvent)> setEvent;     // Event kind
    std::function<void(Persistent&, Component*)> setReference;  // Reference kind
    // Optional: false leaves the property out of a captured description (a colour taken from
    // the parent, say), whatever its value.
    std::function<bool(const Persistent&)> stored;
    // What the value is on the screen, for a window shown at another DPI than its design's
    // (framework/Scaling.h): PixelUnit::None for anything that is not a distance in pixels.
    PixelUnit pixels = PixelUnit::None;
    // PixelUnit::Extent: the property of the same object the extent starts at ("Left" for
    // "Width"); empty: it starts at 0 (a form's client width).
    std::string_view extentFrom;
    // Optional: false while the value follows something else (the bounds of an aligned control,
    // the font of a control that takes its parent's) and is not scaled on its own; for an Object
    // property, nothing in the sub-object is.
    std::function<bool(const Persistent&)> scaledOnItsOwn;
};

// The property as a pixel value of the given unit (an Extent names the position it starts at).
inline PropertyInfo Pixels(PropertyInfo info, PixelUnit unit, std::string_view extentFrom = {}) {
    info.pixels = unit;
    info.extentFrom = extentFrom;
    return info;
}

struct ClassInfo {
    std::string_view name;                // "TAdvGlassButton"
    const ClassInfo* parent = nullptr;    // inherited properties are looked up there
    std::vector<PropertyInfo> properties;

    // Case-insensitive; walks the parents. A class may redeclare a parent's property (to change
    // its default, say): the redeclaration wins.
    const PropertyInfo* FindProperty(std::string_view propertyName) const;
    bool InheritsFrom(const ClassInfo& other) const;  // true for the class itself
    // Every property of the class and its parents, parents first, in declaration order; a
    // redeclared property takes its parent's place.
    std::vector<const PropertyInfo*> AllProperties() const;
};

class Persistent {
public:
    virtual ~Persistent() = default;
    virtual const ClassInfo& Class() const = 0;
};

// Copies into `to` the value of every property of `from`'s class (the same as `to`'s) that has a
// getter and a setter, in the table's order, but those named in `except`. Sub-objects, events and
// references are left to the caller (a sub-object has an Assign of its own). An Assign built on it
// cannot miss a property added to the table later.
void CopyValueProperties(const Persistent& from, Persistent& to, std::initializer_list<std::string_view> except = {});

// A named object owned by another (the window owns every control). Controls specialise it.
class Component : public Persistent {
public:
    Component() = default;
    // Owned components go first, the last created first (children before their parents).
    ~Component() override;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    Component* Owner() const { return owner_; }

    // Takes ownership; returns the raw pointer for convenience (nullptr for nullptr).
    Component* Own(std::unique_ptr<Component> child);
    Component* FindComponent(std::string_view name) const;  // among owned components, case-insensitive
    const std::vector<std::unique_ptr<Component>>& Components() const { return owned_; }

    // Description loading hooks.
    // The object a nested block of the description is placed in (a control's parent).
    virtual void SetParentComponent(Component* /*parent*/) {}
    virtual Component* GetParentComponent() const { return nullptr; }
    // Called once for every loaded object, in creation order, after the whole description is
    // applied (references resolved); the root comes last.
    virtual void Loaded() {}
    // The root resolves handler names of event properties; unknown names give an empty handler.
    virtual EventHandler FindMethod(std::string_view /*name*/) { return {}; }

    // True while a description is being applied to the component: events that setters would
    // raise (a radio button's click when it is checked) are not fired then.
    bool Loading() const { return loading_; }
    void SetLoading(bool loading) { loading_ = loading; }

private:
    std::string name_;
    Component* owner_ = nullptr;
    bool loading_ = false;
    std::vector<std::unique_ptr<Component>> owned_;
};

// Creates components by class name while a description is loaded.
class ClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<Component>()>;
    // A second class of the same name (compared without regard to case) is a std::logic_error.
    void Register(const ClassInfo& info, Factory factory);
    const ClassInfo* Find(std::string_view className) const;  // case-insensitive
    std::unique_ptr<Component> Create(std::string_view className) const;  // nullptr when unknown

private:
    struct Entry {
        const ClassInfo* info;
        Factory factory;
    };
    std::vector<Entry> entries_;
};

}  // namespace fw
