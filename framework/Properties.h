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
};

class Persistent;
struct ClassInfo;

struct PropertyInfo {
    std::string_view name;
    PropertyType type = PropertyType::Integer;
    const EnumInfo* enumInfo = nullptr;  // Enum and Set
    std::optional<Value> declaredDefault;  // absent: always written
    // Values arrive already checked against the type (an Enum as its ordinal in an int64,
    // a Set as a bit mask of ordinals, a Colour as its 32-bit value, an Event as an Identifier).
    std::function<void(Persistent&, const Value&)> set;
    std::function<Value(const Persistent&)> get;
    // Object kind: the owned sub-object (never replaced) and its class.
    std::function<Persistent*(Persistent&)> object;
    const ClassInfo* objectClass = nullptr;
};

struct ClassInfo {
    std::string_view name;                // "TAdvGlassButton"
    const ClassInfo* parent = nullptr;    // inherited properties are looked up there
    std::vector<PropertyInfo> properties;

    const PropertyInfo* FindProperty(std::string_view propertyName) const;  // case-insensitive, walks parents
    bool InheritsFrom(const ClassInfo& other) const;
    // Every property of the class and its parents, parents first, in declaration order.
    std::vector<const PropertyInfo*> AllProperties() const;
};

class Persistent {
public:
    virtual ~Persistent() = default;
    virtual const ClassInfo& Class() const = 0;
};

// A named object owned by another (the window owns every control). Controls specialise it.
class Component : public Persistent {
public:
    Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    Component* Owner() const { return owner_; }

    // Takes ownership; returns the raw pointer for convenience.
    Component* Own(std::unique_ptr<Component> child);
    Component* FindComponent(std::string_view name) const;  // among owned components, case-insensitive
    const std::vector<std::unique_ptr<Component>>& Components() const { return owned_; }

    // Description loading hooks.
    // The object a nested block of the description is placed in (a control's parent).
    virtual void SetParentComponent(Component* /*parent*/) {}
    virtual Component* GetParentComponent() const { return nullptr; }
    // Called once for every loaded object, in creation order, after the whole description is applied.
    virtual void Loaded() {}
    // The root resolves handler names of event properties; unknown names give an empty handler.
    virtual EventHandler FindMethod(std::string_view /*name*/) { return {}; }

private:
    std::string name_;
    Component* owner_ = nullptr;
    std::vector<std::unique_ptr<Component>> owned_;
};

// Creates components by class name while a description is loaded.
class ClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<Component>()>;
    void Register(const ClassInfo& info, Factory factory);
    const ClassInfo* Find(std::string_view className) const;
    std::unique_ptr<Component> Create(std::string_view className) const;

private:
    struct Entry {
        const ClassInfo* info;
        Factory factory;
    };
    std::vector<Entry> entries_;
};

}  // namespace fw
