#include "provisioning/ProductVersion.h"

#include "base/Text.h"

namespace prov {

std::string_view ProductName(Product product) {
    switch (product) {
        case Product::VelmoCafe: return "VelmoCafe";
        case Product::VelmoFact: return "VelmoFact";
        case Product::VelmoPos: return "VelmoPos";
        case Product::VelmoRest: return "VelmoRest";
    }
    return {};
}

std::string DefaultDatabaseName(std::string_view productName, std::optional<ProductVersion> version) {
    std::string name = base::ToLowerAscii(productName);
    if (version) {
        name += '_';
        name += std::to_string(version->major);
        name += '_';
        name += std::to_string(version->minor);
    }
    return name;
}

}  // namespace prov
