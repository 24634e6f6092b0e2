// Connection strings on arbitrary input: parsing never crashes (it may refuse); any four values
// the user could type survive building and parsing unchanged; the ODBC mapping never crashes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "provisioning/ConnectionString.h"

namespace {

void MapForEveryDriver(const std::string& text) {
    for (const prov::OdbcDriver& driver : prov::OdbcDriverPreferences()) {
        try {
            (void)prov::OdbcConnectionString(text, driver);
        } catch (const prov::ConnectionStringError&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    try {
        (void)prov::ParseOleDbConnectionString(input);
    } catch (const prov::ConnectionStringError&) {
    }
    MapForEveryDriver(std::string(input));

    // The input split at byte 0x01 gives server, login, password and database.
    std::string parts[4];
    std::size_t part = 0;
    for (char c : input) {
        if (c == '\x01' && part < 3) {
            ++part;
        } else {
            parts[part] += c;
        }
    }
    const prov::ConnectionSettings settings{parts[0], parts[1], parts[2], parts[3]};
    const std::string text = prov::DatabaseConnectionString(settings);
    const auto fields = prov::ParseOleDbConnectionString(text);  // must not throw
    if (fields.size() != 6) std::abort();
    if (prov::FindField(fields, "Data Source") != settings.server) std::abort();
    if (prov::FindField(fields, "User ID") != settings.login) std::abort();
    if (prov::FindField(fields, "Password") != settings.password) std::abort();
    if (prov::FindField(fields, "Initial Catalog") != settings.database) std::abort();
    MapForEveryDriver(text);
    return 0;
}
