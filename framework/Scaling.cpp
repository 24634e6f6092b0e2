#include "framework/Scaling.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>

namespace fw {

namespace {

// Floor division (the quotient rounded toward minus infinity).
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int ToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

int DpiScale::Edge(int design) const {
    return ToInt(FloorDiv(std::int64_t{design} * dpi_ + kDesignDpi / 2, kDesignDpi));
}

int DpiScale::Length(int design) const {
    const std::int64_t magnitude = (std::abs(std::int64_t{design}) * dpi_ + kDesignDpi / 2) / kDesignDpi;
    return ToInt(design < 0 ? -magnitude : magnitude);
}

int DpiScale::Line(int design) const {
    if (design <= 0) return design;
    return ToInt(std::max<std::int64_t>(1, std::int64_t{design} * dpi_ / kDesignDpi));
}

int DpiScale::FontHeight(int design) const {
    if (design == 0) return 0;
    const std::int64_t magnitude = std::max<std::int64_t>(1, std::abs(std::int64_t{design}) * dpi_ / kDesignDpi);
    return ToInt(design < 0 ? -magnitude : magnitude);
}

int DpiScale::DesignFontHeight(int scaled) const {
    // The design height d gave |scaled| = floor(|d| * dpi / 96): |d| is the smallest whole number
    // whose scaled value reaches |scaled| (one of at most one, for a DPI of 96 or more).
    const std::int64_t magnitude = (std::abs(std::int64_t{scaled}) * kDesignDpi + dpi_ - 1) / dpi_;
    return ToInt(scaled < 0 ? -magnitude : magnitude);
}

int DpiScale::DesignLength(int scaled) const {
    const std::int64_t magnitude = (std::abs(std::int64_t{scaled}) * kDesignDpi + dpi_ / 2) / dpi_;
    return ToInt(scaled < 0 ? -magnitude : magnitude);
}

int DpiScale::Scale(PixelUnit unit, int design, int origin) const {
    switch (unit) {
        case PixelUnit::None: return design;
        case PixelUnit::Position: return Edge(design);
        case PixelUnit::Extent: return Extent(origin, design);
        case PixelUnit::Length: return Length(design);
        case PixelUnit::Line: return Line(design);
        case PixelUnit::FontHeight: return FontHeight(design);
        case PixelUnit::Dpi: return dpi_;
    }
    return design;
}

namespace {

int IntegerOf(const PropertyInfo& property, const Persistent& object) {
    const Value value = property.get(object);
    if (!std::holds_alternative<std::int64_t>(value)) {
        throw std::logic_error("pixel property " + std::string(property.name) + " of " +
                               std::string(object.Class().name) + " is not an integer");
    }
    return static_cast<int>(std::get<std::int64_t>(value));
}

void CaptureObject(Persistent& object, std::vector<DesignValue>& out) {
    const ClassInfo& info = object.Class();
    for (const PropertyInfo* property : info.AllProperties()) {
        if (property->scaledOnItsOwn && !property->scaledOnItsOwn(object)) continue;
        if (property->type == PropertyType::Object) {
            if (Persistent* sub = property->object ? property->object(object) : nullptr) CaptureObject(*sub, out);
            continue;
        }
        if (property->pixels == PixelUnit::None) continue;
        if (property->type != PropertyType::Integer || !property->get || !property->set) {
            throw std::logic_error("pixel property " + std::string(property->name) + " of " + std::string(info.name) +
                                   " is not a readable and writable integer");
        }
        DesignValue value{&object, property, IntegerOf(*property, object), 0};
        if (property->pixels == PixelUnit::Extent && !property->extentFrom.empty()) {
            const PropertyInfo* origin = info.FindProperty(property->extentFrom);
            if (!origin || !origin->get) {
                throw std::logic_error("extent " + std::string(property->name) + " of " + std::string(info.name) +
                                       " starts at no property " + std::string(property->extentFrom));
            }
            value.origin = IntegerOf(*origin, object);
        }
        out.push_back(value);
    }
}

}  // namespace

std::vector<DesignValue> CaptureDesign(Component& root) {
    std::vector<DesignValue> design;
    CaptureObject(root, design);
    for (const auto& component : root.Components()) CaptureObject(*component, design);
    return design;
}

void ApplyDpi(const std::vector<DesignValue>& design, int dpi) {
    const DpiScale scale(dpi);
    auto round = [&](auto belongs) {
        for (const DesignValue& v : design) {
            if (!belongs(v.property->pixels)) continue;
            const int scaled = scale.Scale(v.property->pixels, v.value, v.origin);
            v.property->set(*v.object, Value{std::int64_t{scaled}});
        }
    };
    round([](PixelUnit u) { return u == PixelUnit::Dpi; });
    round([](PixelUnit u) { return u == PixelUnit::Position || u == PixelUnit::Extent; });
    round([](PixelUnit u) { return u != PixelUnit::Dpi && u != PixelUnit::Position && u != PixelUnit::Extent; });
}

}  // namespace fw
