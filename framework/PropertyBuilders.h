#pragma once
// Short-hands that build PropertyInfo entries from a class's getter and setter members, so a
// class's table reads as one line per published property:
//
//   {IntProperty<TControl>("Left", &TControl::Left, &TControl::SetLeft),   // members or lambdas
//    BoolProperty<TControl>("Visible", &TControl::Visible, &TControl::SetVisible, true), ...}

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "framework/Properties.h"

namespace fw {

namespace detail {
template <typename T>
T& As(Persistent& object) { return static_cast<T&>(object); }
template <typename T>
const T& As(const Persistent& object) { return static_cast<const T&>(object); }
}  // namespace detail

template <typename T, typename Getter, typename Setter>
PropertyInfo IntProperty(std::string_view name, Getter get, Setter set,
                         std::optional<std::int64_t> declaredDefault = std::nullopt) {
    PropertyInfo info{name, PropertyType::Integer};
    if (declaredDefault) info.declaredDefault = Value{*declaredDefault};
    info.get = [get](const Persistent& o) { return Value{static_cast<std::int64_t>(std::invoke(get, detail::As<T>(o)))}; };
    info.set = [set](Persistent& o, const Value& v) { std::invoke(set, detail::As<T>(o), static_cast<int>(std::get<std::int64_t>(v))); };
    return info;
}

template <typename T, typename Getter, typename Setter>
PropertyInfo BoolProperty(std::string_view name, Getter get, Setter set,
                          std::optional<bool> declaredDefault = std::nullopt) {
    PropertyInfo info{name, PropertyType::Bool};
    if (declaredDefault) info.declaredDefault = Value{*declaredDefault};
    info.get = [get](const Persistent& o) { return Value{static_cast<bool>(std::invoke(get, detail::As<T>(o)))}; };
    info.set = [set](Persistent& o, const Value& v) { std::invoke(set, detail::As<T>(o), std::get<bool>(v)); };
    return info;
}

template <typename T, typename Getter, typename Setter>
PropertyInfo StringProperty(std::string_view name, Getter get, Setter set,
                            std::optional<std::string> declaredDefault = std::nullopt) {
    PropertyInfo info{name, PropertyType::String};
    if (declaredDefault) info.declaredDefault = Value{*declaredDefault};
    info.get = [get](const Persistent& o) { return Value{std::string(std::invoke(get, detail::As<T>(o)))}; };
    info.set = [set](Persistent& o, const Value& v) { std::invoke(set, detail::As<T>(o), std::get<std::string>(v)); };
    return info;
}

template <typename T, typename Getter, typename Setter>
PropertyInfo ColourProperty(std::string_view name, Getter get, Setter set,
                            std::optional<std::uint32_t> declaredDefault = std::nullopt) {
    PropertyInfo info{name, PropertyType::Colour};
    if (declaredDefault) info.declaredDefault = Value{static_cast<std::int64_t>(*declaredDefault)};
    info.get = [get](const Persistent& o) { return Value{static_cast<std::int64_t>(std::invoke(get, detail::As<T>(o)))}; };
    info.set = [set](Persistent& o, const Value& v) {
        std::invoke(set, detail::As<T>(o), static_cast<std::uint32_t>(std::get<std::int64_t>(v)));
    };
    return info;
}

// An enumeration stored as its ordinal; E is the C++ enum type.
template <typename T, typename E, typename Getter, typename Setter>
PropertyInfo EnumProperty(std::string_view name, const EnumInfo& members, Getter get, Setter set,
                          std::optional<E> declaredDefault = std::nullopt) {
    PropertyInfo info{name, PropertyType::Enum, &members};
    if (declaredDefault) info.declaredDefault = Value{static_cast<std::int64_t>(*declaredDefault)};
    info.get = [get](const Persistent& o) { return Value{static_cast<std::int64_t>(std::invoke(get, detail::As<T>(o)))}; };
    info.set = [set](Persistent& o, const Value& v) { std::invoke(set, detail::As<T>(o), static_cast<E>(std::get<std::int64_t>(v))); };
    return info;
}

template <typename T, typename Getter, typename Setter>
PropertyInfo SetProperty(std::string_view name, const EnumInfo& members, Getter get, Setter set,
                         std::optional<std::int64_t> declaredDefault = std::nullopt) {
    PropertyInfo info{name, PropertyType::Set, &members};
    if (declaredDefault) info.declaredDefault = Value{*declaredDefault};
    info.get = [get](const Persistent& o) { return Value{static_cast<std::int64_t>(std::invoke(get, detail::As<T>(o)))}; };
    info.set = [set](Persistent& o, const Value& v) {
        std::invoke(set, detail::As<T>(o), static_cast<std::uint8_t>(std::get<std::int64_t>(v)));
    };
    return info;
}

// An owned sub-object ("Font", "Fill"): Access returns a reference to it.
template <typename T, typename Sub>
PropertyInfo ObjectProperty(std::string_view name, Sub& (T::*access)()) {
    PropertyInfo info{name, PropertyType::Object};
    info.object = [access](Persistent& o) -> Persistent* { return &(detail::As<T>(o).*access)(); };
    info.objectClass = &Sub::StaticClass();
    return info;
}

// A NotifyEvent member.
template <typename T>
PropertyInfo EventProperty(std::string_view name, NotifyEvent T::*member) {
    PropertyInfo info{name, PropertyType::Event};
    info.get = [member](const Persistent& o) { return Value{Identifier{(detail::As<T>(o).*member).name}}; };
    info.setEvent = [member](Persistent& o, NotifyEvent event) { detail::As<T>(o).*member = std::move(event); };
    return info;
}

// The property with a stored predicate: written only when it holds.
template <typename T, typename Predicate>
PropertyInfo Stored(PropertyInfo info, Predicate predicate) {
    info.stored = [predicate](const Persistent& o) { return predicate(detail::As<T>(o)); };
    return info;
}

// The property scaled on its own only while the predicate holds (see PropertyInfo::scaledOnItsOwn).
template <typename T, typename Predicate>
PropertyInfo ScaledWhen(PropertyInfo info, Predicate predicate) {
    info.scaledOnItsOwn = [predicate](const Persistent& o) { return predicate(detail::As<T>(o)); };
    return info;
}

}  // namespace fw
