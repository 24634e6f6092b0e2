// The ODBC connection through the real chain: Wine's odbc32, the host's driver manager, FreeTDS,
// and the test server (tools/sqltestserver), which logs what arrives.

#include "tests/provisioning/win/SqlTestServer.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "provisioning/ConnectionString.h"
#include "provisioning/SqlStatements.h"
#include "provisioning/win/OdbcDatabase.h"

namespace prov {
namespace {

constexpr const char* kPassword = "QX#318604275";

ConnectionSettings Settings(const std::string& server, const std::string& database = "master",
                            const std::string& password = kPassword) {
    return ConnectionSettings{server, "sa", password, database};
}

// Opens `db` on the instance's master database.
void OpenMaster(OdbcDatabase& db, const sqltest::Instance& server) {
    db.SetConnectionString(MasterConnectionString(Settings(server.Server())));
    db.Open();
}

std::string OpenError(OdbcDatabase& db, const std::string& connectionString) {
    db.SetConnectionString(connectionString);
    try {
        db.Open();
    } catch (const DatabaseError& e) {
        EXPECT_FALSE(db.IsOpen());
        return e.what();
    }
    ADD_FAILURE() << "Open succeeded";
    return {};
}

TEST(OdbcDatabase, OpensOnTheMasterDatabaseWithTheLoginGiven) {
    sqltest::Instance server;
    OdbcDatabase db;
    OpenMaster(db, server);
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.DriverName(), "FreeTDS");
    db.Close();
    EXPECT_FALSE(db.IsOpen());
    db.Close();  // harmless when closed

    const auto logins = server.Events("login");
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0]["user"].Str(), "sa");
    EXPECT_EQ(logins[0]["database"].Str(), "master");
    EXPECT_TRUE(logins[0]["password_ok"].boolean);
    EXPECT_TRUE(logins[0]["ok"].boolean);
    // An explicit TDS version: the automatic probe would ignore the login time-out.
    EXPECT_EQ(logins[0]["tds_version"].Str(), "7.4");
}

// The driver manager is loaded by the first connection, not with the program: nothing of the ODBC
// stack is in the process before (each test runs in a process of its own).
TEST(OdbcDatabase, TheDriverManagerIsLoadedByTheFirstOpen) {
    sqltest::Instance server;
    ASSERT_EQ(::GetModuleHandleW(L"odbc32.dll"), nullptr);
    OdbcDatabase db;
    db.SetConnectionString(MasterConnectionString(Settings(server.Server())));
    EXPECT_EQ(::GetModuleHandleW(L"odbc32.dll"), nullptr);
    db.Open();
    EXPECT_TRUE(db.IsOpen());
    EXPECT_NE(::GetModuleHandleW(L"odbc32.dll"), nullptr);
}

struct OpenFailureCase {
    const char* name;
    const char* scenario;
    const char* database;
    const char* password;
    int firstServerError;     // the login's first error number in the server log
    const char* messagePart;  // what the exception's message must hold
};

const OpenFailureCase kOpenFailures[] = {
    {"wrong password", "{}", "master", "Nao#E#A#Senha", 18456, "Login failed for user 'sa'."},
    {"empty password", "{}", "master", "", 18456, "Login failed for user 'sa'."},
    {"absent database", "{}", "velmopos_9_9", kPassword, 4060,
     "Cannot open database \"velmopos_9_9\" requested by the login. The login failed."},
    {"database the login may not open",
     R"j({"databases": ["velmorest_1_0"], "forbidden": {"sa": ["velmorest_1_0"]}})j", "velmorest_1_0", kPassword,
     4060, "Cannot open database \"velmorest_1_0\""},
    {"login refused by the server",
     R"j({"rules": [{"on": "login", "match": "^sa@", "number": 18470,
                    "message": "Login failed for user '%s'. Reason: The account is disabled.", "class": 14}]})j",
     "master", kPassword, 18470, "Reason: The account is disabled."},
};

TEST(OdbcDatabase, RefusedLoginsRaiseTheServersMessageWithoutThePassword) {
    for (const OpenFailureCase& c : kOpenFailures) {
        SCOPED_TRACE(c.name);
        sqltest::Instance server(c.scenario);
        OdbcDatabase db;
        const std::string message =
            OpenError(db, DatabaseConnectionString(Settings(server.Server(), c.database, c.password)));
        EXPECT_NE(message.find(c.messagePart), std::string::npos) << message;
        if (std::string(c.password).size() > 0) {
            EXPECT_EQ(message.find(c.password), std::string::npos) << message;
        }
        const auto logins = server.Events("login");
        ASSERT_EQ(logins.size(), 1u);
        EXPECT_FALSE(logins[0]["ok"].boolean);
        EXPECT_EQ(logins[0]["errors"][0].Int(), c.firstServerError);
        EXPECT_EQ(logins[0]["password_ok"].boolean, std::string(c.password) == kPassword);
    }
}

TEST(OdbcDatabase, AServerThatIsNotThereFailsAtOnce) {
    int port = 0;
    {
        sqltest::Instance gone;
        port = gone.Port();
    }
    OdbcDatabase db;
    const auto start = std::chrono::steady_clock::now();
    const std::string message = OpenError(db, MasterConnectionString(Settings("127.0.0.1," + std::to_string(port))));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(message.empty());
    EXPECT_LT(seconds, 10.0) << "a refused connection must not wait for the login time-out";
}

struct BatchFailureCase {
    const char* name;
    const char* batch;
    long nativeError;
    const char* messagePart;
    int rowsInTabelaA;  // rows the batch left behind before failing
};

const BatchFailureCase kBatchFailures[] = {
    {"a line holding only GO", "INSERT INTO tabela_a (n) VALUES (1)\r\nGO\r\nINSERT INTO tabela_a (n) VALUES (2)\r\n",
     102, "Incorrect syntax near 'GO'.", 0},
    {"an unknown table after a statement that ran", "INSERT INTO tabela_a (n) VALUES (1)\r\nINSERT INTO nada (n) VALUES (2)\r\n",
     208, "Invalid object name 'nada'.", 1},
    {"an error after an update that touched no row",
     "UPDATE tabela_a SET n = 5 WHERE n = 99\r\nUPDATE tabela_a SET n = 6 WHERE n = 98\r\nSELECT * FROM nada\r\n", 208,
     "Invalid object name 'nada'.", 0},
    {"a duplicate table", "CREATE TABLE tabela_a (x int)\r\n", 2714,
     "There is already an object named 'tabela_a' in the database.", 0},
    {"a duplicate primary key", "INSERT INTO tabela_a (n) VALUES (3)\r\nINSERT INTO tabela_a (n) VALUES (3)\r\n", 2627,
     "Violation of PRIMARY KEY constraint", 1},
    {"an error in the last of many statements after rows came back",
     "SELECT 1\r\nINSERT INTO tabela_a (n) VALUES (4)\r\nSELECT n FROM tabela_a\r\nINSERT INTO tabela_a (n) VALUES (4)\r\n",
     2627, "Cannot insert duplicate key", 1},
};

TEST(OdbcDatabase, AnErrorInAnyStatementOfABatchRaises) {
    for (const BatchFailureCase& c : kBatchFailures) {
        SCOPED_TRACE(c.name);
        sqltest::Instance server(
            R"j({"databases": ["loja"], "setup": [{"database": "loja", "sql": "CREATE TABLE tabela_a (n int NOT NULL PRIMARY KEY)"}]})j");
        OdbcDatabase db;
        db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "loja")));
        db.Open();
        try {
            db.ExecuteCommand(c.batch);
            ADD_FAILURE() << "no error";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.NativeError(), c.nativeError) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos) << e.what();
        }
        EXPECT_EQ(server.Scalar("loja", "SELECT COUNT(*) FROM tabela_a"), c.rowsInTabelaA);
        // The batch went as one request, unchanged.
        const auto batches = server.Events("batch");
        ASSERT_EQ(batches.size(), 1u);
        EXPECT_EQ(batches[0]["text"].Str(), c.batch);
    }
}

TEST(OdbcDatabase, ABatchRunsWholeAndItsTextArrivesAsTyped) {
    sqltest::Instance server(R"j({"databases": ["loja"]})j");
    OdbcDatabase db;
    db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "loja")));
    db.Open();
    // Windows-1252 letters and the euro sign, colons inside a literal, a doubled colon outside.
    db.ExecuteCommand("CREATE TABLE t (n int, s varchar(40))\r\n"
                      "INSERT INTO t (n, s) VALUES (1, 'Confirmação: 12:30 € ç')\r\n"
                      "UPDATE t SET n = n + 41 WHERE s LIKE '%Confirma%'\r\n"
                      "INSERT INTO t (n, s) VALUES (2, 'x')--comentário::\r\n");
    const sqltest::Json rows = server.Query("loja", "SELECT n, s FROM t ORDER BY n");
    ASSERT_EQ(rows["rows"].size(), 2u);
    EXPECT_EQ(rows["rows"][0][0].Int(), 2);
    EXPECT_EQ(rows["rows"][1][0].Int(), 42);
    EXPECT_EQ(rows["rows"][1][1].Str(), sqltest::Utf8(u8"Confirmação: 12:30 € ç"));
    EXPECT_NE(server.Events("batch")[0]["text"].Str().find(sqltest::Utf8(u8"--comentário:\r\n")), std::string::npos);
}

TEST(OdbcDatabase, NothingIsSentForAnEmptyTextOrAnUnassignedMarker) {
    sqltest::Instance server(R"j({"databases": ["loja"]})j");
    OdbcDatabase db;
    db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "loja")));
    db.Open();
    EXPECT_THROW(db.ExecuteCommand(""), DatabaseError);
    // A colon outside quotes became a marker with no value: the driver refuses it.
    try {
        db.ExecuteCommand("CREATE TABLE t (n int)\r\nINSERT INTO t VALUES (:valor)\r\n");
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.SqlState(), "07002") << e.what();
    }
    const IntParameter wrongName[] = {{"outro", 1}};
    EXPECT_THROW(db.ExecuteStatement("INSERT INTO t VALUES (:valor)", wrongName), DatabaseError);
    EXPECT_TRUE(server.Events("batch").empty());
    EXPECT_TRUE(server.Events("rpc").empty());
    // The connection is still usable.
    db.ExecuteCommand("CREATE TABLE t (n int)");
    EXPECT_EQ(server.Events("batch").size(), 1u);
}

TEST(OdbcDatabase, StatementParametersAreBoundByNameAsIntegers) {
    sqltest::Instance server(
        R"j({"databases": ["loja"], "setup": [{"database": "loja", "sql": "CREATE TABLE versao (major int, minor int, loja int)"}]})j");
    OdbcDatabase db;
    db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "loja")));
    db.Open();
    // Given out of order: the names decide.
    const IntParameter parameters[] = {{"LOJA", -2147483647 - 1}, {"minor", 2}, {"major", 5}};
    db.ExecuteStatement(kVersionRowStatement, parameters);

    const sqltest::Json row = server.Query("loja", "SELECT major, minor, loja FROM versao");
    ASSERT_EQ(row["rows"].size(), 1u);
    EXPECT_EQ(row["rows"][0][0].Int(), 5);
    EXPECT_EQ(row["rows"][0][1].Int(), 2);
    EXPECT_EQ(row["rows"][0][2].Int(), -2147483648LL);

    const auto calls = server.Events("rpc");
    ASSERT_EQ(calls.size(), 1u);
    const sqltest::Json& params = calls[0]["params"];
    ASSERT_EQ(params.size(), 5u);  // statement, declarations, three values
    EXPECT_EQ(params[0]["value"].Str(), "INSERT INTO versao (major, minor, loja)\r\nVALUES (@P1, @P2, @P3)\r\n");
    const long long expected[] = {5, 2, -2147483648LL};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(params[2 + i]["type"].Str(), "int");
        EXPECT_EQ(params[2 + i]["value"].Int(), expected[i]);
    }
}

TEST(OdbcDatabase, ARenumberingWhoseFirstUpdatesTouchNothingStillReportsALaterError) {
    // q_num on a database without the renumbered tables: the first updates fail at once.
    sqltest::Instance server(
        R"j({"databases": ["loja"], "setup": [{"database": "loja", "sql": "CREATE TABLE centrosprod (codigo int)"}]})j");
    OdbcDatabase db;
    db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "loja")));
    db.Open();
    const IntParameter parameters[] = {{"loja", 7}};
    try {
        db.ExecuteStatement(RenumberStatement(), parameters);
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.NativeError(), 208);
        EXPECT_NE(std::string(e.what()).find("Invalid object name 'cfext'."), std::string::npos) << e.what();
    }
}

TEST(OdbcDatabase, ADroppedConnectionRaisesAndLeavesWhatRanBefore) {
    sqltest::Instance server(R"j({"databases": ["loja"], "rules": [{"match": "INTO b ", "action": "drop"}]})j");
    OdbcDatabase db;
    db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "loja")));
    db.Open();
    EXPECT_THROW(db.ExecuteCommand("CREATE TABLE a (n int)\r\nCREATE TABLE b (n int)\r\nINSERT INTO b (n) VALUES (1)\r\n"),
                 DatabaseError);
    db.Close();
    const sqltest::Json state = server.State();
    EXPECT_EQ(state["loja"]["tables"]["a"]["rows"].Int(), 0);
    EXPECT_EQ(state["loja"]["tables"]["b"]["rows"].Int(), 0);
}

TEST(OdbcDatabase, TheConnectionStringIsFixedWhileOpen) {
    sqltest::Instance server;
    OdbcDatabase db;
    EXPECT_THROW(db.ExecuteCommand("SELECT 1"), DatabaseError);  // closed
    OpenMaster(db, server);
    EXPECT_THROW(db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "outra"))), DatabaseError);
    db.ExecuteCommand("SELECT 1");  // still the master connection
    db.Close();
    db.SetConnectionString(DatabaseConnectionString(Settings(server.Server(), "outra")));
    EXPECT_THROW(db.Open(), DatabaseError);
}

// The computer's name, as the wizard proposes it, when it resolves to a loopback address here.
std::string LoopbackComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0) return {};
    const bool loopback =
        (ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr) >> 24) == 127;
    freeaddrinfo(found);
    return loopback ? name : std::string();
}

TEST(OdbcDatabase, ANamedInstanceIsFoundThroughTheBrowserService) {
    const std::string instanceName = "TESTE" + std::to_string(GetCurrentProcessId());
    std::unique_ptr<sqltest::Instance> server;
    try {
        server = std::make_unique<sqltest::Instance>("{\"instance\": \"" + instanceName + "\"}");
    } catch (const std::exception& e) {
        if (std::string(e.what()).find("Browser") == std::string::npos) throw;
        GTEST_SKIP() << "no Browser service on UDP 1434 (taken by another program?): " << e.what();
    }
    std::vector<std::string> hosts = {"127.0.0.1"};
    if (const std::string computer = LoopbackComputerName(); !computer.empty()) hosts.push_back(computer);
    for (const std::string& host : hosts) {
        SCOPED_TRACE(host);
        OdbcDatabase db;
        db.SetConnectionString(MasterConnectionString(Settings(host + "\\" + instanceName)));
        db.Open();
        db.ExecuteCommand("CREATE DATABASE pela_instancia_" + std::to_string(&host - hosts.data()));
    }
    EXPECT_EQ(server->Events("login").size(), hosts.size());
}

TEST(OdbcDatabase, AServerThatNeverAnswersGivesUpAfterTheLoginTimeOut) {
    sqltest::Instance server(R"j({"mute": true})j");
    OdbcDatabase db;
    const auto start = std::chrono::steady_clock::now();
    const std::string message = OpenError(db, MasterConnectionString(Settings(server.Server())));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("login gave up after %.1f s: %s\n", seconds, message.c_str());
    EXPECT_FALSE(message.empty());
}

}  // namespace
}  // namespace prov
