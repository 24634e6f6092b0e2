#pragma once
// A failed login judged: its likely cause from the driver's records and the probes (Causes.h),
// and on the server's own PC the cause the server wrote in its error log, when the refusal was
// logged since the check began (ErrorLog.h). An older refusal is shown with its date, never as
// this check's cause; none since the check began leaves the general cause, and says why the log
// may not tell.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/Causes.h"
#include "checker/ErrorLog.h"
#include "checker/LocalServer.h"
#include "checker/Report.h"

namespace checker {

struct LoginFailure {
    std::string what;  // "login em master como sa"
    std::vector<ServerMessage> records;
    std::chrono::milliseconds elapsed{0};
    std::string login;
    std::string database;  // asked for by the connection, empty for master
    Reach reach = Reach::Unknown;
};

// Whether the server's error log is worth reading: a refused login (without a database that
// cannot be opened) of an instance on this PC whose log is known.
bool WantsErrorLog(const LoginFailure& failure, const InstalledInstance* local);

// The error log's tail as it was read: its path, and the text or why it could not be read.
struct ErrorLogTail {
    std::string path;
    std::u16string text;
    std::string error;  // empty when read
};

struct LoginVerdict {
    Finding failure;                     // FALHA: what failed, its cause and how long it took
    std::vector<std::string> details;    // the records, then the log's lines, one per entry
    std::optional<Finding> logFinding;   // what the log did not tell, and why
    // The server said the login is disabled: error 18470, or state 7 of a refusal logged since
    // the check began. /corrigir offers to enable it.
    bool loginDisabled = false;
};

// `log` is given when WantsErrorLog said so; `checkBegan` is this PC's local time when the check began.
LoginVerdict JudgeLoginFailure(const LoginFailure& failure, const std::optional<ErrorLogTail>& log,
                               const LogTime& checkBegan);

}  // namespace checker
