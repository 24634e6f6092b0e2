#pragma once
// Property values between their written form (as a description gives them) and the checked form
// the property tables use; shared by the applier and the capture. Internal to the description's
// files.

#include <string>
#include <variant>

#include "framework/Properties.h"

namespace fw::description {

// From a description only the written forms are taken (enumerations by member name); from a
// table (`get`, `declaredDefault`) the checked forms are taken too. Returns the reason when the
// value does not fit.
std::variant<Value, std::string> Check(const PropertyInfo& property, const Value& value, bool fromDescription);

// The written form of a checked value.
Value Written(const PropertyInfo& property, const Value& checked);

}  // namespace fw::description
