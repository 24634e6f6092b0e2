#include "framework/DescriptionValues.h"

#include "base/Text.h"
#include "framework/Colour.h"
#include "framework/DescriptionSyntax.h"

namespace fw::description {

std::variant<Value, std::string> Check(const PropertyInfo& property, const Value& value, bool fromDescription) {
    const auto* integer = std::get_if<std::int64_t>(&value);
    const auto* identifier = std::get_if<Identifier>(&value);
    switch (property.type) {
        case PropertyType::Bool:
            if (std::holds_alternative<bool>(value)) return value;
            return std::string("expected true or false");
        case PropertyType::Integer:
            if (!integer) return std::string("expected an integer");
            if (*integer < kMinInteger || *integer > std::numeric_limits<std::int32_t>::max()) {
                return std::string("integer out of 32-bit range");
            }
            return value;
        case PropertyType::String:
            if (std::holds_alternative<std::string>(value)) return value;
            return std::string("expected a string");
        case PropertyType::Binary:
            if (std::holds_alternative<Bytes>(value)) return value;
            return std::string("expected binary data");
        case PropertyType::Colour:
            if (integer) {
                if (*integer < kMinInteger || *integer > kMaxInteger) return std::string("integer out of 32-bit range");
                return Value{static_cast<std::int64_t>(static_cast<TColor>(*integer))};
            }
            if (identifier) {
                const auto colour = ColourFromName(identifier->name);
                if (!colour) return "unknown colour " + Quoted(identifier->name);
                return Value{static_cast<std::int64_t>(*colour)};
            }
            return std::string("expected a colour (a number or a colour name)");
        case PropertyType::Enum: {
            if (!property.enumInfo) throw std::logic_error("enumeration property without members: " + std::string(property.name));
            const auto& members = property.enumInfo->members;
            if (identifier) {
                const auto ordinal = property.enumInfo->Find(identifier->name);
                if (!ordinal) return "unknown member " + Quoted(identifier->name) + " of " + std::string(property.enumInfo->typeName);
                return Value{static_cast<std::int64_t>(*ordinal)};
            }
            if (integer && !fromDescription && *integer >= 0 && static_cast<std::size_t>(*integer) < members.size()) {
                return value;
            }
            return "expected a member of " + std::string(property.enumInfo->typeName);
        }
        case PropertyType::Set: {
            if (!property.enumInfo) throw std::logic_error("set property without members: " + std::string(property.name));
            const auto& members = property.enumInfo->members;
            if (const auto* set = std::get_if<IdentifierSet>(&value)) {
                std::uint64_t mask = 0;
                for (const auto& member : set->members) {
                    const auto ordinal = property.enumInfo->Find(member);
                    if (!ordinal) return "unknown member " + Quoted(member) + " of " + std::string(property.enumInfo->typeName);
                    if (*ordinal >= 63) throw std::logic_error("set type with more than 63 members");
                    mask |= std::uint64_t{1} << *ordinal;
                }
                return Value{static_cast<std::int64_t>(mask)};
            }
            if (integer && !fromDescription && *integer >= 0 && members.size() < 63 &&
                (static_cast<std::uint64_t>(*integer) >> members.size()) == 0) {
                return value;
            }
            return "expected a set of " + std::string(property.enumInfo->typeName) + " members, as [a, b]";
        }
        case PropertyType::Event:
        case PropertyType::Reference:
            if (identifier) return value;
            return std::string(property.type == PropertyType::Event ? "expected a handler name" : "expected a component name");
        case PropertyType::Object:
            break;
    }
    return "'" + std::string(property.name) + "' is an object: assign its properties (" + std::string(property.name) +
           ".Name = ...)";
}

Value Written(const PropertyInfo& property, const Value& checked) {
    switch (property.type) {
        case PropertyType::Colour: {
            const auto colour = static_cast<TColor>(std::get<std::int64_t>(checked));
            if (const auto name = ColourName(colour)) return Identifier{std::string(*name)};
            return checked;
        }
        case PropertyType::Enum:
            return Identifier{std::string(property.enumInfo->members[static_cast<std::size_t>(std::get<std::int64_t>(checked))])};
        case PropertyType::Set: {
            const auto mask = static_cast<std::uint64_t>(std::get<std::int64_t>(checked));
            IdentifierSet set;
            for (std::size_t i = 0; i < property.enumInfo->members.size(); ++i) {
                if (mask & (std::uint64_t{1} << i)) set.members.emplace_back(property.enumInfo->members[i]);
            }
            return set;
        }
        default:
            return checked;
    }
}

}  // namespace fw::description
