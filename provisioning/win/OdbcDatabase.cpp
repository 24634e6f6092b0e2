#include "provisioning/win/OdbcDatabase.h"

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "provisioning/ConnectionString.h"
#include "provisioning/ParameterMarkers.h"

namespace prov {
namespace {

// The driver manager's entry points, looked up when a connection first needs them rather than
// imported: importing odbc32.dll loads the platform's whole ODBC stack (under Wine the host's
// driver manager too) at every start of the program, before its window can show. Once loaded it
// stays for the rest of the process.
class DriverManager {
public:
    static const DriverManager& Get() {
        static const DriverManager manager;  // a failed load is tried again on the next call
        return manager;
    }

    decltype(&::SQLAllocHandle) SQLAllocHandle;
    decltype(&::SQLBindParameter) SQLBindParameter;
    decltype(&::SQLDisconnect) SQLDisconnect;
    decltype(&::SQLDriverConnectW) SQLDriverConnectW;
    decltype(&::SQLDriversW) SQLDriversW;
    decltype(&::SQLExecDirectW) SQLExecDirectW;
    decltype(&::SQLFetch) SQLFetch;
    decltype(&::SQLFreeHandle) SQLFreeHandle;
    decltype(&::SQLGetData) SQLGetData;
    decltype(&::SQLGetDiagFieldW) SQLGetDiagFieldW;
    decltype(&::SQLGetDiagRecW) SQLGetDiagRecW;
    decltype(&::SQLNumResultCols) SQLNumResultCols;
    decltype(&::SQLMoreResults) SQLMoreResults;
    decltype(&::SQLSetConnectAttrW) SQLSetConnectAttrW;
    decltype(&::SQLSetEnvAttr) SQLSetEnvAttr;
    decltype(&::SQLSetStmtAttrW) SQLSetStmtAttrW;

private:
    struct FreeModule {
        void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); }
    };

    DriverManager() : module_(Load()) {
        Find(SQLAllocHandle, "SQLAllocHandle");
        Find(SQLBindParameter, "SQLBindParameter");
        Find(SQLDisconnect, "SQLDisconnect");
        Find(SQLDriverConnectW, "SQLDriverConnectW");
        Find(SQLDriversW, "SQLDriversW");
        Find(SQLExecDirectW, "SQLExecDirectW");
        Find(SQLFetch, "SQLFetch");
        Find(SQLFreeHandle, "SQLFreeHandle");
        Find(SQLGetData, "SQLGetData");
        Find(SQLGetDiagFieldW, "SQLGetDiagFieldW");
        Find(SQLGetDiagRecW, "SQLGetDiagRecW");
        Find(SQLNumResultCols, "SQLNumResultCols");
        Find(SQLMoreResults, "SQLMoreResults");
        Find(SQLSetConnectAttrW, "SQLSetConnectAttrW");
        Find(SQLSetEnvAttr, "SQLSetEnvAttr");
        Find(SQLSetStmtAttrW, "SQLSetStmtAttrW");
    }

    // From the system folder only: the wizard runs from the product's folder, where a stray
    // odbc32.dll must not be picked up.
    static HMODULE Load() {
        wchar_t folder[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
        HMODULE module = nullptr;
        if (length > 0 && length < MAX_PATH) {
            module = ::LoadLibraryW((std::wstring(folder, length) + L"\\odbc32.dll").c_str());
        }
        if (!module) throw DatabaseError("The ODBC driver manager (odbc32.dll) could not be loaded.");
        return module;
    }

    template <typename Function>
    void Find(Function& function, const char* name) {
        function = reinterpret_cast<Function>(::GetProcAddress(module_.get(), name));
        if (!function) throw DatabaseError(std::string("The ODBC driver manager (odbc32.dll) has no ") + name + ".");
    }

    std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule> module_;
};

const DriverManager& Odbc() { return DriverManager::Get(); }

// One ODBC handle, freed with its own type. Move-only.
template <SQLSMALLINT Type>
class OdbcHandle {
public:
    OdbcHandle() = default;
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~OdbcHandle() { Reset(); }

    SQLHANDLE Get() const noexcept { return handle_; }
    SQLHANDLE* Out() noexcept {
        Reset();
        return &handle_;
    }
    void Reset() noexcept {
        // A handle exists only once the driver manager has been loaded.
        if (handle_ != SQL_NULL_HANDLE) Odbc().SQLFreeHandle(Type, handle_);
        handle_ = nullptr;
    }

private:
    SQLHANDLE handle_ = nullptr;
};

using EnvHandle = OdbcHandle<SQL_HANDLE_ENV>;
using DbcHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StmtHandle = OdbcHandle<SQL_HANDLE_STMT>;

bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

struct Diagnostics {
    std::string text;  // every record's message, one per line
    std::string firstState;
    long firstNative = 0;
    bool fromDriverManager = false;  // the driver manager refused: no driver answered
    std::vector<DiagnosticRecord> records;
};

// The server's state and severity of a record: fields of the SQL Server drivers (FreeTDS's too);
// 0 when a driver does not know them.
constexpr SQLSMALLINT kDiagServerMessageState = -1150;  // SQL_DIAG_SS_MSGSTATE
constexpr SQLSMALLINT kDiagServerSeverity = -1151;      // SQL_DIAG_SS_SEVERITY

int DiagnosticInteger(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field) {
    SQLINTEGER value = 0;
    SQLSMALLINT length = 0;
    if (!Succeeded(Odbc().SQLGetDiagFieldW(type, handle, record, field, &value, SQL_IS_INTEGER, &length))) return 0;
    return static_cast<int>(value);
}

Diagnostics ReadDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    Diagnostics diag;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = Odbc().SQLGetDiagRecW(type, handle, record, state, &native, message,
                                            static_cast<SQLSMALLINT>(std::size(message)), &length);
        if (!Succeeded(rc)) break;
        const std::u16string_view messageView(reinterpret_cast<const char16_t*>(message),
                                              std::char_traits<char16_t>::length(reinterpret_cast<const char16_t*>(message)));
        const std::string stateText = base::Narrow(std::u16string_view(reinterpret_cast<const char16_t*>(state), 5));
        const std::string messageText = base::Narrow(messageView);
        if (record == 1) {
            diag.firstState = stateText;
            diag.firstNative = native;
        }
        if (stateText.rfind("IM", 0) == 0 || messageText.find("Driver Manager]") != std::string::npos)
            diag.fromDriverManager = true;
        if (!diag.text.empty()) diag.text += '\n';
        diag.text += messageText;
        diag.records.push_back({stateText, static_cast<long>(native),
                                DiagnosticInteger(type, handle, record, kDiagServerMessageState),
                                DiagnosticInteger(type, handle, record, kDiagServerSeverity), messageText});
    }
    return diag;
}

// Keeps the password out of a message that a driver might have built from the connection string.
// Very short passwords are left alone: they would blank out ordinary words.
std::string WithoutPassword(std::string text, const std::string& password) {
    if (password.size() < 4) return text;
    for (size_t at = text.find(password); at != std::string::npos; at = text.find(password, at + 3))
        text.replace(at, password.size(), "***");
    return text;
}

[[noreturn]] void Raise(const Diagnostics& diag, const std::string& fallback, const std::string& password) {
    std::string text = diag.text.empty() ? fallback : diag.text;
    std::vector<DiagnosticRecord> records = diag.records;
    for (DiagnosticRecord& record : records) record.text = WithoutPassword(std::move(record.text), password);
    throw DatabaseError(WithoutPassword(std::move(text), password), diag.firstState, diag.firstNative,
                        std::move(records));
}

EnvHandle NewEnvironment() {
    EnvHandle env;
    if (!Succeeded(Odbc().SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, env.Out())))
        throw DatabaseError("The ODBC driver manager is not available.");
    Odbc().SQLSetEnvAttr(env.Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return env;
}

}  // namespace

struct OdbcDatabase::Handles {
    EnvHandle env;
    DbcHandle dbc;
    bool connected = false;

    ~Handles() {
        if (connected) Odbc().SQLDisconnect(dbc.Get());
    }
};

OdbcDatabase::OdbcDatabase(OdbcOptions options) : options_(options) {}

OdbcDatabase::~OdbcDatabase() { Close(); }

void OdbcDatabase::SetConnectionString(std::string_view oleDbConnectionString) {
    if (IsOpen()) throw DatabaseError("Operation is not allowed when the object is open.");
    connectionString_.assign(oleDbConnectionString);
    password_.clear();
    try {
        const auto fields = ParseOleDbConnectionString(connectionString_);
        password_ = FindField(fields, "Password").value_or("");
    } catch (const ConnectionStringError&) {
        // Reported by Open, which needs the fields.
    }
}

bool OdbcDatabase::IsOpen() const { return handles_ != nullptr && handles_->connected; }

std::vector<std::string> OdbcDatabase::InstalledDrivers() {
    EnvHandle env = NewEnvironment();
    std::vector<std::string> names;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR description[512] = {};
        SQLWCHAR attributes[2048] = {};
        SQLSMALLINT descriptionLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN rc = Odbc().SQLDriversW(env.Get(), direction, description,
                                         static_cast<SQLSMALLINT>(std::size(description)), &descriptionLength,
                                         attributes, static_cast<SQLSMALLINT>(std::size(attributes)),
                                         &attributesLength);
        if (!Succeeded(rc)) break;
        const auto* text = reinterpret_cast<const char16_t*>(description);
        names.push_back(base::Narrow(std::u16string_view(text, std::char_traits<char16_t>::length(text))));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

void OdbcDatabase::Open() {
    if (IsOpen()) return;
    const std::vector<OdbcDriver> drivers = ChooseOdbcDrivers(InstalledDrivers());
    if (drivers.empty()) throw DatabaseError("No SQL Server ODBC driver is installed.");

    auto handles = std::make_unique<Handles>();
    handles->env = NewEnvironment();
    Diagnostics last;
    for (const OdbcDriver& driver : drivers) {
        const std::u16string text = options_.widen(OdbcConnectionString(connectionString_, driver));
        if (!Succeeded(Odbc().SQLAllocHandle(SQL_HANDLE_DBC, handles->env.Get(), handles->dbc.Out())))
            throw DatabaseError("The ODBC driver manager could not allocate a connection.");
        Odbc().SQLSetConnectAttrW(handles->dbc.Get(), SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(options_.loginTimeout.count())), 0);
        std::u16string mutableText = text;  // the API takes a non-const pointer
        const SQLRETURN rc = Odbc().SQLDriverConnectW(handles->dbc.Get(), nullptr,
                                               reinterpret_cast<SQLWCHAR*>(mutableText.data()), SQL_NTS,
                                               nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (Succeeded(rc)) {
            handles->connected = true;
            driverName_.assign(driver.name);
            handles_ = std::move(handles);
            return;
        }
        last = ReadDiagnostics(SQL_HANDLE_DBC, handles->dbc.Get());
        handles->dbc.Reset();
        if (!last.fromDriverManager) break;  // the driver answered: its verdict stands
    }
    Raise(last, "The connection could not be opened.", password_);
}

void OdbcDatabase::Close() {
    handles_.reset();  // disconnects, then frees the connection and the environment
}

void OdbcDatabase::ExecuteCommand(std::string_view text) { Execute(text, {}, true); }

std::vector<std::vector<std::optional<std::string>>> OdbcDatabase::Query(std::string_view text) {
    PreparedText prepared = PrepareText(text, options_.widen);
    if (!prepared.names.empty()) throw DatabaseError("No value given for one or more required parameters.", "07002");
    if (!IsOpen()) throw DatabaseError("Operation is not allowed when the object is closed.");
    StmtHandle stmt;
    if (!Succeeded(Odbc().SQLAllocHandle(SQL_HANDLE_STMT, handles_->dbc.Get(), stmt.Out())))
        Raise(ReadDiagnostics(SQL_HANDLE_DBC, handles_->dbc.Get()), "The statement could not be allocated.", password_);
    Odbc().SQLSetStmtAttrW(stmt.Get(), SQL_ATTR_QUERY_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(options_.statementTimeout.count())), 0);
    if (!Succeeded(Odbc().SQLExecDirectW(stmt.Get(), reinterpret_cast<SQLWCHAR*>(prepared.text.data()), SQL_NTS)))
        Raise(ReadDiagnostics(SQL_HANDLE_STMT, stmt.Get()), "The query failed.", password_);
    SQLSMALLINT columns = 0;
    Odbc().SQLNumResultCols(stmt.Get(), &columns);
    std::vector<std::vector<std::optional<std::string>>> rows;
    for (SQLRETURN rc = Odbc().SQLFetch(stmt.Get()); Succeeded(rc); rc = Odbc().SQLFetch(stmt.Get())) {
        auto& row = rows.emplace_back();
        for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(columns); ++column) {
            SQLWCHAR value[512] = {};
            SQLLEN length = 0;
            const SQLRETURN got = Odbc().SQLGetData(stmt.Get(), column, SQL_C_WCHAR, value, sizeof value, &length);
            if (!Succeeded(got) || length == SQL_NULL_DATA) {
                row.emplace_back();
                continue;
            }
            const auto* units = reinterpret_cast<const char16_t*>(value);
            row.emplace_back(base::Narrow(std::u16string_view(units, std::char_traits<char16_t>::length(units))));
        }
    }
    return rows;
}

void OdbcDatabase::ExecuteStatement(std::string_view text, std::span<const IntParameter> parameters) {
    Execute(text, parameters, false);
}

void OdbcDatabase::Execute(std::string_view text, std::span<const IntParameter> parameters, bool isCommand) {
    PreparedText prepared = PrepareText(text, options_.widen);
    if (!IsOpen()) throw DatabaseError("Operation is not allowed when the object is closed.");

    StmtHandle stmt;
    if (!Succeeded(Odbc().SQLAllocHandle(SQL_HANDLE_STMT, handles_->dbc.Get(), stmt.Out())))
        Raise(ReadDiagnostics(SQL_HANDLE_DBC, handles_->dbc.Get()), "The statement could not be allocated.", password_);
    const SQLULEN timeout = isCommand ? 0 : static_cast<SQLULEN>(options_.statementTimeout.count());
    Odbc().SQLSetStmtAttrW(stmt.Get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(timeout), 0);

    // Values live until the statement has run: the driver reads them at execution.
    const std::vector<std::optional<std::int32_t>> bound = BindByName(prepared.names, parameters);
    std::vector<SQLINTEGER> values(bound.size(), 0);
    for (size_t i = 0; i < bound.size(); ++i) {
        // An unassigned marker is refused here, before anything is sent: drivers differ in how
        // (and whether) they report one, some with no diagnostic record at all.
        if (!bound[i]) throw DatabaseError("No value given for one or more required parameters.", "07002");
        values[i] = *bound[i];
        const SQLRETURN rc = Odbc().SQLBindParameter(stmt.Get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                              SQL_C_SLONG, SQL_INTEGER, 0, 0, &values[i], 0, nullptr);
        if (!Succeeded(rc)) Raise(ReadDiagnostics(SQL_HANDLE_STMT, stmt.Get()), "A parameter could not be bound.", password_);
    }

    // SQL_NO_DATA from the execution only says that the first statement touched no row; the
    // results after it are read all the same, so that an error in a later statement is seen too.
    SQLRETURN rc = Odbc().SQLExecDirectW(stmt.Get(), reinterpret_cast<SQLWCHAR*>(prepared.text.data()), SQL_NTS);
    for (;;) {
        if (rc != SQL_NO_DATA && !Succeeded(rc)) {
            Diagnostics diag = ReadDiagnostics(SQL_HANDLE_STMT, stmt.Get());
            if (diag.text.empty()) diag = ReadDiagnostics(SQL_HANDLE_DBC, handles_->dbc.Get());
            Raise(diag, "The command failed (" + std::to_string(rc) + ").", password_);
        }
        rc = Odbc().SQLMoreResults(stmt.Get());
        if (rc == SQL_NO_DATA) break;
    }
}

}  // namespace prov
