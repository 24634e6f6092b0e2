#pragma once
// The statement texts the provisioning sends, and the check of the database name they carry.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace prov {

// The database name goes into ALTER/DROP/CREATE DATABASE unquoted, so it must be a plain T-SQL
// regular identifier: a letter or '_' first, then letters, decimal digits, '_', '@', '$' or '#';
// at most 123 characters (the longest database name the server accepts without an explicit log
// file name); not a reserved word; not one of the server's own databases (master, model, msdb,
// tempdb), whose replacement can only do harm. Letters are the ASCII letters and the Latin
// letters of U+00AA..U+024F; anything else (blanks, brackets, quotes, ';', other scripts) is
// refused. Comparisons ignore ASCII case.
bool IsUsableDatabaseName(std::u16string_view name);

// Which part of that rule a name breaks (the first found, in this order); None when it is usable.
enum class DatabaseNameFault { None, Empty, TooLong, FirstCharacter, Character, ReservedWord, SystemDatabase };
DatabaseNameFault FindDatabaseNameFault(std::u16string_view name);

std::string SingleUserStatement(std::string_view database);  // ALTER DATABASE <name> SET SINGLE_USER WITH ROLLBACK IMMEDIATE
// ALTER DATABASE [<name>] SET MULTI_USER WITH ROLLBACK IMMEDIATE: the name in brackets (a ']' in it
// doubled), so that any name works; it does not wait for other users' locks (their open
// transactions are rolled back).
std::string MultiUserStatement(std::string_view database);
std::string DropDatabaseStatement(std::string_view database);    // DROP DATABASE <name>
std::string CreateDatabaseStatement(std::string_view database);  // CREATE DATABASE <name>

// The prepared statements; each line is followed by CR LF.
// q_Loja: the version row, parameters major, minor, loja.
extern const std::string_view kVersionRowStatement;
// q_fullsync: resets the synchronisation marker of a store recovery; no parameters.
extern const std::string_view kFullSyncStatement;

// One line of the store renumbering batch: either codes strictly between 0 and `modulus` move by
// store number x modulus, or nulls become the Windows colour `colour` (0x00BBGGRR).
struct RenumberChange {
    std::string_view table;
    std::string_view column;
    std::int32_t modulus;  // 0 for a colour line
    std::int32_t colour;
};
std::span<const RenumberChange> RenumberChanges();

// q_num: "Declare @loja AS Integer", "Set @loja=:loja", then one update line per change, in order.
// Parameter loja.
std::string RenumberStatement();

}  // namespace prov
