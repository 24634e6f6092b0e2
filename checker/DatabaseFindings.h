#pragma once
// What the wizard's connection needs on this PC and on the server: an ODBC driver it uses; once
// the login in master succeeded, the permission to create a database and the state of the
// database the wizard would create or replace. The facts come from the driver manager and from
// queries (checker/win/program/VerificaBD.cpp); nothing on the server changes.

#include <optional>
#include <string>
#include <vector>

#include "checker/Report.h"

namespace checker {

// The installed ODBC drivers (the driver manager's list), or why the list could not be read.
std::vector<Finding> DriverFindings(const std::vector<std::string>& installed, const std::string& error);

// HAS_PERMS_BY_NAME(NULL, NULL, 'CREATE ANY DATABASE') as read ("1" when it may), or the query's error.
struct CreatePermission {
    std::optional<std::string> answer;
    std::string error;  // non-empty when the query failed
};
Finding CreatePermissionFinding(const std::string& login, const CreatePermission& permission);

struct DatabaseFacts {
    std::string name;
    std::string login;
    std::string stateError;              // non-empty when DATABASEPROPERTYEX could not be read
    std::optional<std::string> status;   // DATABASEPROPERTYEX(name, 'Status'); nullopt: no such database
    std::optional<std::string> access;   // DATABASEPROPERTYEX(name, 'UserAccess')
    bool usableName = true;              // the wizard accepts the name (a refused one has had its FALHA)
    std::optional<std::string> openError;  // opening it as the product does, when tried and it failed
    // SELECT major, minor, loja FROM versao, when the database opened: its first row (empty when
    // none), or the query's error.
    std::optional<std::vector<std::optional<std::string>>> versionRow;
    std::string versionError;
};

// Whether the database is worth opening: it exists and is ONLINE.
bool OpensDatabase(const DatabaseFacts& facts);

std::vector<Finding> DatabaseFindings(const DatabaseFacts& facts);

}  // namespace checker
