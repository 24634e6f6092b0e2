#pragma once
// The database connection over ODBC (wide entry points only: some ANSI entry points of Wine's
// driver manager abort the process, and narrow text would go to drivers as UTF-8).
//
// - Open picks the driver: SQLDriversW's list, ordered by ChooseOdbcDrivers; each candidate is
//   tried in turn while the driver manager itself refuses it (driver not installed, library
//   missing); the first answer from a driver (connected, or a login/server error) ends the search.
//   Login time-out 15 s; FreeTDS always gets an explicit TDS version (OdbcConnectionString), since
//   its automatic version probe ignores the login time-out.
// - ExecuteCommand: no query time-out. ExecuteStatement: the old provider's default command
//   time-out of 30 s.
// - Every result of a batch is consumed (SQLMoreResults), so an error in any statement of it
//   raises DatabaseError; returned rows are discarded.
// - A marker with no value (a colon in a command text, or a statement parameter nobody set) is
//   refused before anything is sent: DatabaseError "No value given for one or more required
//   parameters." with SQLSTATE 07002. (Drivers refuse unbound markers too, but not all of them
//   say why.) Nothing reaches the server; the caller's step fails with its own message.
// - DatabaseError carries every diagnostic record's text (SQLGetDiagRecW), one per line; the
//   SQLSTATE and native error of the first. No message ever holds the password.
// - The driver manager (odbc32.dll, from the system folder) is loaded by the first Open or
//   InstalledDrivers, not at program start; when it cannot be loaded, that call raises
//   DatabaseError "The ODBC driver manager (odbc32.dll) could not be loaded."

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/win/AnsiText.h"
#include "provisioning/WidenFunction.h"
#include "provisioning/Database.h"
#include "provisioning/win/Win32Services.h"

namespace prov {

struct OdbcOptions {
    std::chrono::seconds loginTimeout{15};
    std::chrono::seconds statementTimeout{30};  // ExecuteStatement only; commands have none
    // Converts the wizard's ANSI texts to UTF-16: the running system's ANSI code page.
    WidenFunction widen = base::WidenToUtf16;
};

class OdbcDatabase final : public Database {
public:
    explicit OdbcDatabase(OdbcOptions options = {});
    ~OdbcDatabase() override;
    OdbcDatabase(const OdbcDatabase&) = delete;
    OdbcDatabase& operator=(const OdbcDatabase&) = delete;

    void SetConnectionString(std::string_view oleDbConnectionString) override;
    void Open() override;
    void Close() override;
    bool IsOpen() const override;
    void ExecuteCommand(std::string_view text) override;
    void ExecuteStatement(std::string_view text, std::span<const IntParameter> parameters) override;

    // A query on the open connection (statement time-out): every row, each column's value as
    // ANSI text (values longer than 511 characters cut), no value for NULL. For diagnostics only:
    // the provisioning sequence never reads rows.
    std::vector<std::vector<std::optional<std::string>>> Query(std::string_view text);

    // The driver the last successful Open used (empty before).
    const std::string& DriverName() const noexcept { return driverName_; }

    // The SQL Server drivers the driver manager lists (SQLDriversW), in its order.
    static std::vector<std::string> InstalledDrivers();

private:
    struct Handles;
    void Execute(std::string_view text, std::span<const IntParameter> parameters, bool isCommand);

    OdbcOptions options_;
    std::string connectionString_;
    std::string password_;  // only to keep it out of messages
    std::string driverName_;
    std::unique_ptr<Handles> handles_;
};

}  // namespace prov
