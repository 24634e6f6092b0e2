#pragma once
// The product's executable lies beside the wizard; its file version gives the default database
// name and the version row.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace prov {

enum class Product { VelmoCafe, VelmoFact, VelmoPos, VelmoRest };

// "VelmoCafe", "VelmoFact", "VelmoPos", "VelmoRest": names the executable and the data link file.
std::string_view ProductName(Product product);

struct ProductVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    friend bool operator==(const ProductVersion&, const ProductVersion&) = default;
};

class VersionReader {
public:
    virtual ~VersionReader() = default;
    // Major and minor of the file version of <wizard folder><product name>.exe; no value when the
    // file is missing or unreadable, has no version information, or its root cannot be queried.
    virtual std::optional<ProductVersion> ReadProductVersion(std::string_view productName) = 0;
};

// The proposed database name: the product name in lower case, then "_<major>_<minor>" when the
// version is known (velmopos_5_2), the lower-case name alone otherwise.
std::string DefaultDatabaseName(std::string_view productName, std::optional<ProductVersion> version);

}  // namespace prov
