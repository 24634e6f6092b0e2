#pragma once
// Builders of property-table entries from a class's getter and setter, shared by the styled
// controls' tables (fill, panel caption, panel). Values cross as the table expects them: bool as
// bool, integers, colours and enumeration ordinals as int64, text as a string.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/Properties.h"

namespace ctl::table {

template <class T>
fw::Value ToValue(T v) {
    if constexpr (std::is_same_v<T, bool>) return v;
    else if constexpr (std::is_same_v<T, std::string>) return v;
    else if constexpr (std::is_enum_v<T>) return static_cast<std::int64_t>(v);
    else return static_cast<std::int64_t>(v);
}

template <class T>
T FromValue(const fw::Value& v) {
    if constexpr (std::is_same_v<T, bool>) return std::get<bool>(v);
    else if constexpr (std::is_same_v<T, std::string>) return std::get<std::string>(v);
    else return static_cast<T>(std::get<std::int64_t>(v));
}

template <class T>
fw::PropertyType TypeOf() {
    if constexpr (std::is_same_v<T, bool>) return fw::PropertyType::Bool;
    else if constexpr (std::is_same_v<T, std::string>) return fw::PropertyType::String;
    else if constexpr (std::is_enum_v<T>) return fw::PropertyType::Enum;
    else return fw::PropertyType::Integer;
}

// A property read and written through `get` and `set` of class C (setter by value or by const
// reference). `def` is the declared default; nullopt: always written.
template <class C, class T, class S>
fw::PropertyInfo Property(std::string_view name, T (C::*get)() const, void (C::*set)(S), std::optional<std::remove_cvref_t<T>> def,
                          const fw::EnumInfo* enumInfo = nullptr,
                          fw::PropertyType type = TypeOf<std::remove_cvref_t<T>>()) {
    using V = std::remove_cvref_t<T>;
    fw::PropertyInfo info;
    info.name = name;
    info.type = type;
    info.enumInfo = enumInfo;
    if (def) info.declaredDefault = ToValue<V>(*def);
    info.set = [set](fw::Persistent& p, const fw::Value& v) { (static_cast<C&>(p).*set)(FromValue<V>(v)); };
    info.get = [get](const fw::Persistent& p) -> fw::Value { return ToValue<V>((static_cast<const C&>(p).*get)()); };
    return info;
}

// A colour property (a 32-bit colour value).
template <class C, class T>
fw::PropertyInfo Colour(std::string_view name, T (C::*get)() const, void (C::*set)(T), std::optional<std::remove_cvref_t<T>> def) {
    return Property(name, get, set, def, nullptr, fw::PropertyType::Colour);
}

// An owned sub-object, never replaced.
template <class C, class O>
fw::PropertyInfo Object(std::string_view name, O& (C::*object)(), const fw::ClassInfo& objectClass) {
    fw::PropertyInfo info;
    info.name = name;
    info.type = fw::PropertyType::Object;
    info.object = [object](fw::Persistent& p) -> fw::Persistent* { return &(static_cast<C&>(p).*object)(); };
    info.objectClass = &objectClass;
    return info;
}

}  // namespace ctl::table
