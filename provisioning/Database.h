#pragma once
// The one database connection of the provisioning sequence (`csy`), with its command (`cmd`) and
// its prepared statements (`q_Loja`, `q_fullsync`, `q_num`). Portable contract; the ODBC
// implementation lives in provisioning/win/, and the tests use a recording fake.
//
// Contract every implementation keeps:
// - Starts closed. SetConnectionString is refused (DatabaseError) while open: callers close first.
//   The text is an OLE DB connection string in the ANSI code page (see ConnectionString.h); an
//   implementation that speaks another client API maps it (OdbcConnectionString).
// - Open connects without any dialog; every failure (unreachable server, refused login, absent
//   or inaccessible initial catalog) throws DatabaseError carrying the driver's message.
// - Close is harmless when already closed.
// - ExecuteCommand runs one batch with no time-out; returned rows are discarded. An empty text
//   (length zero) is refused with DatabaseError before anything is sent.
// - ExecuteStatement runs a statement text with the default command time-out, binding 32-bit
//   integer parameters by name (ASCII case-insensitive) to the markers in their order of
//   appearance. A marker whose name has no parameter stays unassigned.
// - Both apply the parameter-marker rule of ParameterMarkers.h to the text, then convert it from
//   the ANSI code page to UTF-16.
// - No message, log or exception text ever holds the password.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace prov {

// One diagnostic record of a failure: SQLSTATE, the server's (or driver's) error number, the
// server's state and severity (0 when the driver does not give them) and the text.
struct DiagnosticRecord {
    std::string sqlState;
    long nativeError = 0;
    int state = 0;
    int severity = 0;
    std::string text;
};

// A failure reported by the database layer. what() is the driver's (or server's) message as the
// default exception report shows it.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& message, std::string sqlState = {}, long nativeError = 0,
                           std::vector<DiagnosticRecord> records = {})
        : std::runtime_error(message), sqlState_(std::move(sqlState)), nativeError_(nativeError),
          records_(std::move(records)) {}
    // Five-character SQLSTATE of the first diagnostic record, empty when none.
    const std::string& SqlState() const noexcept { return sqlState_; }
    long NativeError() const noexcept { return nativeError_; }
    // Every record, in the driver's order (empty when the failure came from this side).
    const std::vector<DiagnosticRecord>& Records() const noexcept { return records_; }

private:
    std::string sqlState_;
    long nativeError_;
    std::vector<DiagnosticRecord> records_;
};

// One named 32-bit integer parameter of a statement. The name is given without its colon.
struct IntParameter {
    std::string_view name;
    std::int32_t value = 0;
};

class Database {
public:
    virtual ~Database() = default;

    virtual void SetConnectionString(std::string_view oleDbConnectionString) = 0;
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // `cmd`: one batch, no time-out.
    virtual void ExecuteCommand(std::string_view text) = 0;
    // A prepared statement on the connection, default time-out, parameters bound by name.
    virtual void ExecuteStatement(std::string_view text, std::span<const IntParameter> parameters) = 0;
};

}  // namespace prov
