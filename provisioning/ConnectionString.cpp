#include "provisioning/ConnectionString.h"

#include <array>

#include "base/Text.h"

namespace prov {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Form(const ConnectionSettings& s, std::string_view catalog) {
    std::string text = "Provider=SQLOLEDB.1;Password=";
    text += QuoteOleDbValue(s.password);
    text += ";Persist Security Info=True;User ID=";
    text += QuoteOleDbValue(s.login);
    text += ";Initial Catalog=";
    text += QuoteOleDbValue(catalog);
    text += ";Data Source=";
    text += QuoteOleDbValue(s.server);
    return text;
}

constexpr std::array kDrivers = {
    OdbcDriver{"ODBC Driver 18 for SQL Server", DriverFamily::Vendor},
    OdbcDriver{"ODBC Driver 17 for SQL Server", DriverFamily::Vendor},
    OdbcDriver{"ODBC Driver 13.1 for SQL Server", DriverFamily::Vendor},
    OdbcDriver{"ODBC Driver 13 for SQL Server", DriverFamily::Vendor},
    OdbcDriver{"ODBC Driver 11 for SQL Server", DriverFamily::Vendor},
    OdbcDriver{"SQL Server Native Client 11.0", DriverFamily::Vendor},
    OdbcDriver{"SQL Server Native Client 10.0", DriverFamily::Vendor},
    OdbcDriver{"SQL Native Client", DriverFamily::Vendor},
    OdbcDriver{"SQL Server", DriverFamily::BuiltIn},
    OdbcDriver{"FreeTDS", DriverFamily::FreeTds},
};

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && base::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// FreeTDS resolves the host part itself: it knows neither the local aliases nor protocol prefixes.
std::string FreeTdsServer(std::string_view server) {
    if (StartsWithIgnoreCase(server, "tcp:")) server.remove_prefix(4);
    const std::size_t hostEnd = server.find_first_of("\\,");
    const std::string_view host = server.substr(0, hostEnd);
    if (base::EqualsIgnoreCase(host, "(local)") || host == ".") {
        std::string mapped = "localhost";
        if (hostEnd != std::string_view::npos) mapped += server.substr(hostEnd);
        return mapped;
    }
    return std::string(server);
}

bool NeedsBraces(std::string_view value) {
    return value.find_first_of(";{}") != std::string_view::npos ||
           (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
}

}  // namespace

std::string QuoteOleDbValue(std::string_view value) {
    // A leading '=' would read as the doubled '=' of a key ("Password==x" is the key "Password=x").
    const bool needsQuotes =
        value.find(';') != std::string_view::npos ||
        (!value.empty() && (value.front() == '\'' || value.front() == '"' || value.front() == '='));
    if (!needsQuotes) return std::string(value);
    const bool hasDouble = value.find('"') != std::string_view::npos;
    const bool hasSingle = value.find('\'') != std::string_view::npos;
    if (hasDouble && !hasSingle) return "'" + std::string(value) + "'";
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    quoted += '"';
    return quoted;
}

std::string MasterConnectionString(const ConnectionSettings& settings) { return Form(settings, "master"); }

std::string DatabaseConnectionString(const ConnectionSettings& settings) {
    return Form(settings, settings.database);
}

std::vector<ConnectionStringField> ParseOleDbConnectionString(std::string_view text) {
    std::vector<ConnectionStringField> fields;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && IsBlank(text[i])) ++i;
        if (i == n) break;
        if (text[i] == ';') {
            ++i;
            continue;
        }
        ConnectionStringField field;
        for (;;) {
            if (i == n || text[i] == ';') throw ConnectionStringError("connection string field without '='");
            if (text[i] == '=') {
                if (i + 1 < n && text[i + 1] == '=') {
                    field.key += '=';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            field.key += text[i++];
        }
        while (!field.key.empty() && IsBlank(field.key.back())) field.key.pop_back();
        if (field.key.empty()) throw ConnectionStringError("connection string field without a key");
        if (i < n && (text[i] == '\'' || text[i] == '"')) {
            const char quote = text[i++];
            for (;;) {
                if (i == n) throw ConnectionStringError("unterminated quoted value in a connection string");
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        field.value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.value += text[i++];
            }
            while (i < n && IsBlank(text[i])) ++i;
            if (i < n && text[i] != ';') throw ConnectionStringError("text after a quoted value in a connection string");
        } else {
            const std::size_t end = std::min(text.find(';', i), n);
            field.value.assign(text.substr(i, end - i));
            i = end;
        }
        fields.push_back(std::move(field));
    }
    return fields;
}

std::optional<std::string> FindField(std::span<const ConnectionStringField> fields, std::string_view key) {
    std::optional<std::string> found;
    for (const ConnectionStringField& field : fields) {
        if (base::EqualsIgnoreCase(field.key, key)) found = field.value;
    }
    return found;
}

std::span<const OdbcDriver> OdbcDriverPreferences() { return kDrivers; }

std::vector<OdbcDriver> ChooseOdbcDrivers(std::span<const std::string> installedDrivers) {
    std::vector<OdbcDriver> chosen;
    for (const OdbcDriver& driver : kDrivers) {
        for (const std::string& installed : installedDrivers) {
            if (base::EqualsIgnoreCase(installed, driver.name)) {
                chosen.push_back(driver);
                break;
            }
        }
    }
    return chosen;
}

std::string BraceOdbcValue(std::string_view value) {
    std::string braced = "{";
    for (char c : value) {
        braced += c;
        if (c == '}') braced += '}';
    }
    braced += '}';
    return braced;
}

std::string OdbcConnectionString(std::string_view oleDbConnectionString, const OdbcDriver& driver) {
    const std::vector<ConnectionStringField> fields = ParseOleDbConnectionString(oleDbConnectionString);
    const std::optional<std::string> source = FindField(fields, "Data Source");
    if (!source) throw ConnectionStringError("connection string without Data Source");
    const std::string server = driver.family == DriverFamily::FreeTds ? FreeTdsServer(*source) : *source;

    std::string text = "Driver=" + BraceOdbcValue(driver.name);
    text += ";Server=";
    text += NeedsBraces(server) ? BraceOdbcValue(server) : server;
    if (const auto login = FindField(fields, "User ID")) text += ";UID=" + BraceOdbcValue(*login);
    if (const auto password = FindField(fields, "Password")) text += ";PWD=" + BraceOdbcValue(*password);
    if (const auto catalog = FindField(fields, "Initial Catalog")) text += ";Database=" + BraceOdbcValue(*catalog);
    // The checker's administrator connection: the Windows account's own login.
    if (const auto integrated = FindField(fields, "Integrated Security"); integrated && base::EqualsIgnoreCase(*integrated, "SSPI"))
        text += ";Trusted_Connection=yes";
    switch (driver.family) {
        case DriverFamily::Vendor: text += ";Encrypt=no;TrustServerCertificate=yes"; break;
        case DriverFamily::BuiltIn: break;
        case DriverFamily::FreeTds: text += ";TDS_Version=7.4"; break;
    }
    return text;
}

}  // namespace prov
