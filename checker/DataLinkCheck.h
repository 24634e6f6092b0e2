#pragma once
// A data link file (<product>.udl) checked byte for byte against the layout the wizard writes
// (DataLinkFileBytes): FF FE, "[oledb]", the comment line, the connection string, each line
// ending in CR LF, nothing after. A file that departs from it gives one FALHA naming the first
// byte that differs; a good one gives its connection string and the fields the checks need.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "checker/Report.h"
#include "provisioning/ConnectionString.h"

namespace checker {

struct DataLinkContents {
    std::string connectionString;        // ANSI, as the product reads it
    prov::ConnectionSettings settings;   // Data Source, User ID, Password, Initial Catalog
};

struct DataLinkCheck {
    Finding finding;                          // OK or FALHA, naming the file
    std::optional<DataLinkContents> contents;  // when the layout is right and the string reads
};

DataLinkCheck CheckDataLinkBytes(std::string_view fileName, std::span<const std::uint8_t> bytes);

// The connection string with the password's value replaced by "***".
std::string MaskPassword(std::string_view connectionString);

}  // namespace checker
