#include "provisioning/SqlStatements.h"

#include <array>

namespace prov {
namespace {

constexpr std::size_t kMaxDatabaseName = 123;

// T-SQL reserved words (upper case, sorted): a regular identifier may not be one of them.
constexpr std::array<std::string_view, 184> kReservedWords = {
    "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUTHORIZATION", "BACKUP", "BEGIN", "BETWEEN",
    "BREAK", "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CHECK", "CHECKPOINT", "CLOSE", "CLUSTERED",
    "COALESCE", "COLLATE", "COLUMN", "COMMIT", "COMPUTE", "CONSTRAINT", "CONTAINS", "CONTAINSTABLE",
    "CONTINUE", "CONVERT", "CREATE", "CROSS", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
    "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE", "DBCC", "DEALLOCATE", "DECLARE",
    "DEFAULT", "DELETE", "DENY", "DESC", "DISK", "DISTINCT", "DISTRIBUTED", "DOUBLE", "DROP", "DUMP",
    "ELSE", "END", "ERRLVL", "ESCAPE", "EXCEPT", "EXEC", "EXECUTE", "EXISTS", "EXIT", "EXTERNAL",
    "FETCH", "FILE", "FILLFACTOR", "FOR", "FOREIGN", "FREETEXT", "FREETEXTTABLE", "FROM", "FULL",
    "FUNCTION", "GOTO", "GRANT", "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITYCOL",
    "IDENTITY_INSERT", "IF", "IN", "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN",
    "KEY", "KILL", "LEFT", "LIKE", "LINENO", "LOAD", "MERGE", "NATIONAL", "NOCHECK", "NONCLUSTERED",
    "NOT", "NULL", "NULLIF", "OF", "OFF", "OFFSETS", "ON", "OPEN", "OPENDATASOURCE", "OPENQUERY",
    "OPENROWSET", "OPENXML", "OPTION", "OR", "ORDER", "OUTER", "OVER", "PERCENT", "PIVOT", "PLAN",
    "PRECISION", "PRIMARY", "PRINT", "PROC", "PROCEDURE", "PUBLIC", "RAISERROR", "READ", "READTEXT",
    "RECONFIGURE", "REFERENCES", "REPLICATION", "RESTORE", "RESTRICT", "RETURN", "REVERT", "REVOKE",
    "RIGHT", "ROLLBACK", "ROWCOUNT", "ROWGUIDCOL", "RULE", "SAVE", "SCHEMA", "SECURITYAUDIT",
    "SELECT", "SEMANTICKEYPHRASETABLE", "SEMANTICSIMILARITYDETAILSTABLE", "SEMANTICSIMILARITYTABLE",
    "SESSION_USER", "SET", "SETUSER", "SHUTDOWN", "SOME", "STATISTICS", "SYSTEM_USER", "TABLE",
    "TABLESAMPLE", "TEXTSIZE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER", "TRUNCATE",
    "TRY_CONVERT", "TSEQUAL", "UNION", "UNIQUE", "UNPIVOT", "UPDATE", "UPDATETEXT", "USE", "USER",
    "VALUES", "VARYING", "VIEW", "WAITFOR", "WHEN", "WHERE", "WHILE", "WITH", "WRITETEXT",
};

constexpr std::array<std::string_view, 4> kSystemDatabases = {"MASTER", "MODEL", "MSDB", "TEMPDB"};

bool IsLetter(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) return true;
    if (c == 0xAA || c == 0xB5 || c == 0xBA) return true;
    return c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsOneOf(std::u16string_view name, std::span<const std::string_view> words) {
    for (std::string_view word : words) {
        if (word.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < word.size() && same; ++i) {
            char16_t c = name[i];
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
            same = c == static_cast<char16_t>(word[i]);
        }
        if (same) return true;
    }
    return false;
}

constexpr RenumberChange Offset(std::string_view table, std::string_view column, std::int32_t modulus) {
    return {table, column, modulus, 0};
}
constexpr RenumberChange Colour(std::string_view table, std::string_view column, std::int32_t colour) {
    return {table, column, 0, colour};
}

// The codes a store owns: a column holding another table's code moves with that table's modulus.
constexpr std::array<RenumberChange, 44> kRenumberChanges = {
    Offset("centrosprod", "codigo", 1000),      Offset("cfext", "codigo", 100000),
    Offset("cfext", "unidade", 1000),           Offset("clientes", "codigo", 100000),
    Offset("existencias", "codigo", 100000),    Offset("famzonas", "familia", 1000),
    Offset("fornecedores", "codigo", 10000),    Offset("hh", "codigo", 1000),
    Offset("listacliente", "codigo", 100000),   Offset("motivosquebra", "codigo", 100000),
    Offset("pedidosext", "codigo", 100000),     Offset("precoshh", "codigo", 100000),
    Offset("precoshh", "hh", 1000),             Offset("precoszona", "codigo", 100000),
    Offset("prodequiv", "codigo", 100000),      Offset("prodequiv", "equiv", 100000),
    Offset("prodmesa", "codigo", 100000),       Offset("quebras", "codigo", 100000),
    Offset("unidades", "codigo", 1000),         Offset("vendas", "codigo", 100000),
    Offset("familias", "codigo", 1000),         Colour("familias", "fundo", 15780518),
    Colour("familias", "letra", 8388608),       Offset("subfamilias", "codigo", 1000),
    Offset("subfamilias", "familia", 1000),     Colour("subfamilias", "fundo", 12632256),
    Colour("subfamilias", "letra", 16777215),   Offset("produtos", "codigo", 100000),
    Offset("produtos", "familia", 1000),        Offset("produtos", "subfam", 1000),
    Offset("produtos", "fornecedor", 10000),    Offset("produtos", "unidade", 1000),
    Offset("produtos", "grupo", 1000),          Offset("produtos", "cozinha", 1000),
    Colour("produtos", "fundo", 8421504),       Colour("produtos", "letra", 16777215),
    Offset("produnidades", "produto", 100000),  Offset("produnidades", "unidade", 1000),
    Offset("grupos", "codigo", 1000),           Offset("niveismenu", "menu", 1000),
    Offset("niveismenuext", "menu", 1000),      Offset("niveismenuext", "codigo", 100000),
    Offset("opcoes", "codigo", 1000),           Offset("opcoes", "grupo", 1000),
};

}  // namespace

DatabaseNameFault FindDatabaseNameFault(std::u16string_view name) {
    if (name.empty()) return DatabaseNameFault::Empty;
    if (name.size() > kMaxDatabaseName) return DatabaseNameFault::TooLong;
    if (!IsLetter(name[0]) && name[0] != u'_') return DatabaseNameFault::FirstCharacter;
    for (char16_t c : name.substr(1)) {
        if (!IsLetter(c) && !IsDigit(c) && c != u'_' && c != u'@' && c != u'$' && c != u'#')
            return DatabaseNameFault::Character;
    }
    if (IsOneOf(name, kReservedWords)) return DatabaseNameFault::ReservedWord;
    if (IsOneOf(name, kSystemDatabases)) return DatabaseNameFault::SystemDatabase;
    return DatabaseNameFault::None;
}

bool IsUsableDatabaseName(std::u16string_view name) { return FindDatabaseNameFault(name) == DatabaseNameFault::None; }

std::string SingleUserStatement(std::string_view database) {
    return "ALTER DATABASE " + std::string(database) + " SET SINGLE_USER WITH ROLLBACK IMMEDIATE";
}

std::string MultiUserStatement(std::string_view database) {
    std::string quoted = "[";
    for (char c : database) {
        quoted += c;
        if (c == ']') quoted += ']';
    }
    quoted += ']';
    // Without a termination clause the server waits as long as anyone holds a lock on the database
    // (whoever took its one connection after the refused DROP), and the window with it.
    return "ALTER DATABASE " + quoted + " SET MULTI_USER WITH ROLLBACK IMMEDIATE";
}

std::string DropDatabaseStatement(std::string_view database) { return "DROP DATABASE " + std::string(database); }

std::string CreateDatabaseStatement(std::string_view database) {
    return "CREATE DATABASE " + std::string(database);
}

const std::string_view kVersionRowStatement =
    "INSERT INTO versao (major, minor, loja)\r\n"
    "VALUES (:major, :minor, :loja)\r\n";

const std::string_view kFullSyncStatement =
    "DELETE FROM fullsync\r\n"
    "INSERT INTO fullsync(sync) VALUES (1)\r\n";

std::span<const RenumberChange> RenumberChanges() { return kRenumberChanges; }

std::string RenumberStatement() {
    std::string text = "Declare @loja AS Integer\r\nSet @loja=:loja\r\n";
    for (const RenumberChange& change : kRenumberChanges) {
        const std::string table(change.table);
        const std::string column(change.column);
        if (change.modulus != 0) {
            const std::string m = std::to_string(change.modulus);
            text += "update " + table + " set " + column + " = " + column + " + @loja * " + m + " where " + column +
                    " > 0 and " + column + " < " + m + "\r\n";
        } else {
            text += "update " + table + " set " + column + " = " + std::to_string(change.colour) + " where " +
                    column + " is null\r\n";
        }
    }
    return text;
}

}  // namespace prov
