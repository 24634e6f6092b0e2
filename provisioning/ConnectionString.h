#pragma once
// Connection strings. The wizard speaks in OLE DB connection strings (the two forms below; the
// data link file holds the database form); a driver of another client API maps them to its own
// keywords (OdbcConnectionString).
//
// Values are inserted byte for byte as typed (spaces included), except that a value which the
// OLE DB syntax would misread is quoted (QuoteOleDbValue):
//   - a value containing ';' or starting with ', " or = is quoted (a leading '=' would read as the
//     doubled '=' that stands for '=' inside a key);
//   - it is enclosed in single quotes when it contains a double quote and no single quote;
//   - otherwise it is enclosed in double quotes, each double quote inside being doubled.
// Every other value, empty ones included, stays unquoted.

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace prov {

// What the user entered: server is the review page's text (server, or server\instance).
struct ConnectionSettings {
    std::string server;
    std::string login;
    std::string password;
    std::string database;
};

std::string QuoteOleDbValue(std::string_view value);

// "Provider=SQLOLEDB.1;Password=<password>;Persist Security Info=True;User ID=<login>;
//  Initial Catalog=master;Data Source=<server>"
std::string MasterConnectionString(const ConnectionSettings& settings);
// The same with Initial Catalog=<database>.
std::string DatabaseConnectionString(const ConnectionSettings& settings);

// A malformed connection string. Its message quotes nothing of the string (it holds a password).
class ConnectionStringError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ConnectionStringField {
    std::string key;    // as written, surrounding blanks removed
    std::string value;  // unquoted; unquoted values byte for byte
};

// Reads an OLE DB connection string: fields separated by ';'; a key runs up to the first '='
// ("==" stands for '=' in a key; blanks around it are dropped); a value starting with ' or "
// right after the '=' is quoted, with that quote doubled inside, and only blanks may follow its
// closing quote; any other value runs to the next ';' byte for byte, blanks included. Empty
// fields are skipped. Throws ConnectionStringError.
std::vector<ConnectionStringField> ParseOleDbConnectionString(std::string_view text);

// The value of the last field whose key equals `key` (ASCII case-insensitive).
std::optional<std::string> FindField(std::span<const ConnectionStringField> fields, std::string_view key);

// ---- ODBC mapping ------------------------------------------------------------------------------

enum class DriverFamily {
    Vendor,   // the vendor's ODBC drivers and native clients
    BuiltIn,  // the driver shipped with Windows ("SQL Server")
    FreeTds,
};

struct OdbcDriver {
    std::string_view name;  // as the driver manager lists it
    DriverFamily family;
};

// The drivers the wizard tries, most preferred first. Rationale:
// - the vendor's drivers, newest first: they speak every server version the old OLE DB provider
//   did, and the newer ones TLS 1.2 and the newer servers. They get Encrypt=no and
//   TrustServerCertificate=yes, which connect wherever the old provider connected: it never asked
//   for encryption and, when a server forces encryption, did not validate its certificate (the
//   newest drivers otherwise require encryption and a trusted certificate by default);
// - the built-in driver, present on every Windows, after them: it shares the old provider's
//   network library and defaults, so it needs no encryption keywords;
// - FreeTDS last: the driver of Wine hosts and of the tests, with TDS_Version=7.4 (its automatic
//   version probe can hang a login for good).
std::span<const OdbcDriver> OdbcDriverPreferences();

// The installed drivers the wizard would use, most preferred first (names compared ASCII
// case-insensitively); unknown drivers are never chosen. The caller tries them in this order and
// falls through to the next on any driver-manager failure.
std::vector<OdbcDriver> ChooseOdbcDrivers(std::span<const std::string> installedDrivers);

// Maps an OLE DB connection string of the wizard to an ODBC one for `driver`:
//   Driver={name};Server=...;UID={...};PWD={...};Database={...}[;Encrypt=no;TrustServerCertificate=yes]
//   [;TDS_Version=7.4]
// "Data Source" becomes Server (host, host\instance, host,port kept as written; for FreeTDS
// "(local)" and "." become "localhost" and a "tcp:" prefix is dropped, which it does not know);
// braces quote login, password and database always, and the server when it holds ; { } or
// blanks at its ends, '}' doubled inside. Fields absent from the OLE DB string are left out.
// "Integrated Security=SSPI" (Windows authentication) becomes Trusted_Connection=yes.
// Throws ConnectionStringError when the string lacks Data Source or is malformed.
std::string OdbcConnectionString(std::string_view oleDbConnectionString, const OdbcDriver& driver);

// ODBC braces quoting: "{" + value with '}' doubled + "}".
std::string BraceOdbcValue(std::string_view value);

}  // namespace prov
