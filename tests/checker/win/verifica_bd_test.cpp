// VerificaBD.exe run as a technician runs it: from a folder holding the scripts and a product's
// executable, with options, its report read back from its standard output (a pipe, so UTF-8) and
// its exit code. The password goes in on standard input, as the program reads it when its input
// is not a console. One test per cause the technician meets, against the test server.

#include "tests/checker/win/CheckerRun.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Text.h"
#include "provisioning/ConnectionString.h"
#include "provisioning/DataLinkFile.h"

namespace {

using namespace checker_test;
using namespace std::string_literals;

// The test server's password for sa, with a letter whose bytes differ in every encoding.
const std::string kPassword = "Segrêdo#2024";
const std::string kLogins = R"j("logins": {"sa": "Segr\u00eado#2024"})j";

// This PC's local time `offset` seconds from now, as the server's error log writes it.
std::wstring LogStamp(int offset) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
    ticks.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(offset) * 10000000LL);
    FILETIME then{ticks.LowPart, ticks.HighPart}, local;
    FileTimeToLocalFileTime(&then, &local);
    SYSTEMTIME t;
    FileTimeToSystemTime(&local, &t);
    wchar_t text[40];
    swprintf(text, 40, L"%04u-%02u-%02u %02u:%02u:%02u.31 ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

// An error log as the server writes it: start-up lines, then a refusal of each login with the
// state the server wrote (the client was told state 1), each `secondsFromNow` away from now
// (a refusal logged since the check began is its cause; an older one is not). `portuguese`: as
// a Portuguese (Brazil) server writes it.
struct LoggedRefusal {
    const wchar_t* login;
    int state;
    int secondsFromNow;
};
std::wstring ErrorLog(std::initializer_list<LoggedRefusal> refusals, bool portuguese = false) {
    std::wstring text = LogStamp(-86400) + L"Server      Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64)\r\n";
    for (int i = 0; i < 20000; ++i)  // about 1.5 MB before the refusals: read from the end
        text += LogStamp(-86000) + L"spid" + std::to_wstring(i % 90) + L"s     Starting up database 'model'.\r\n";
    for (const LoggedRefusal& r : refusals) {
        const std::wstring stamp = LogStamp(r.secondsFromNow) + L"Logon       ";
        const std::wstring state = std::to_wstring(r.state);
        text += stamp + (portuguese ? L"Erro: 18456, Gravidade: 14, Estado: " : L"Error: 18456, Severity: 14, State: ") + state + L".\r\n";
        text += stamp + (portuguese ? L"Falha de logon do usuário '" : L"Login failed for user '") + r.login +
                (portuguese ? L"'. Motivo: consulte o estado. [CLIENTE: <local machine>]\r\n"
                            : L"'. Reason: see the state. [CLIENT: <local machine>]\r\n");
    }
    return text;
}

class VerificaBD : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / (L"verificabd-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(GetTickCount64()));
        fs::create_directories(folder_);
        for (const wchar_t* file : {L"VerificaBD.exe", L"DBScript.inf", L"DBDefault.inf", L"DBDemo.inf", L"VelmoPos.exe"})
            fs::copy_file(ProgramFolder() / file, folder_ / file);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void WriteFile(const wchar_t* name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    void WriteUdl(const std::vector<std::uint8_t>& bytes) { WriteFile(L"VelmoPos.udl", std::string(bytes.begin(), bytes.end())); }

    // Runs the program in the staged folder (see RunProgram).
    Result Run(const std::wstring& arguments, const std::string& input = "", HANDLE console = nullptr,
               bool holdInput = false) {
        return RunProgram(folder_ / L"VerificaBD.exe", folder_, arguments, input, console, holdInput);
    }

    static std::wstring Wide(const std::string& text) {
        const std::u16string units = base::Cp1252ToUtf16(text);
        return std::wstring(units.begin(), units.end());
    }

    // The password, in every encoding it could take, is nowhere in the output.
    static void ExpectNoPassword(const Result& r) {
        const std::u16string wide = base::Cp1252ToUtf16(kPassword);
        const std::string utf16(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
        for (const std::string& form : {kPassword, base::Cp1252ToUtf8(kPassword), utf16, "Segr"s + "do#2024"})
            EXPECT_EQ(r.output.find(form), std::string::npos) << "the password is in the output:\n" << r.output;
    }

    fs::path folder_;
};

TEST_F(VerificaBD, ALoginRefusedGivesTheServersTextAndTheCause) {
    sqltest::Instance server("{" + kLogins + "}");
    const Result r = Run(L"/servidor " + Wide(server.Server()), "errada\r\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("Login failed for user 'sa'.")) << r.output;
    EXPECT_TRUE(r.Holds("erro 18456")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] login em master como sa: o servidor recusou o login")) << r.output;
    EXPECT_TRUE(r.Holds("O que fazer: Confirme o utilizador e a palavra-passe.")) << r.output;
}

// "VerificaBD > relatorio.txt" typed at a console: the prompt is on the console's screen, not in
// the report, and the password typed there is read.
TEST_F(VerificaBD, ThePromptGoesToTheConsoleNotIntoARedirectedReport) {
    sqltest::Instance server("{" + kLogins + "}");
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE keyboard = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr);
    HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(keyboard, INVALID_HANDLE_VALUE);
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    std::vector<INPUT_RECORD> keys;
    for (wchar_t c : Wide(kPassword) + L"\r") {
        INPUT_RECORD key{};
        key.EventType = KEY_EVENT;
        key.Event.KeyEvent.bKeyDown = TRUE;
        key.Event.KeyEvent.wRepeatCount = 1;
        key.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
        key.Event.KeyEvent.uChar.UnicodeChar = c;
        keys.push_back(key);
        key.Event.KeyEvent.bKeyDown = FALSE;
        keys.push_back(key);
    }
    DWORD typed = 0;
    ASSERT_TRUE(WriteConsoleInputW(keyboard, keys.data(), static_cast<DWORD>(keys.size()), &typed));

    const Result r = Run(L"/servidor " + Wide(server.Server()), "", keyboard);
    wchar_t shown[80 * 25] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, shown, 80 * 25, COORD{0, 0}, &read);
    CloseHandle(keyboard);
    CloseHandle(screen);
    FreeConsole();
    EXPECT_NE(std::wstring(shown, read).find(L"Palavra-passe de sa: "), std::wstring::npos);
    EXPECT_FALSE(r.Holds("Palavra-passe")) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] login em master como sa")) << r.output;
    ExpectNoPassword(r);
}

TEST_F(VerificaBD, AnUnknownInstanceNamesTheInstancesTheBrowserKnows) {
    std::unique_ptr<sqltest::Instance> server;
    try {
        server = std::make_unique<sqltest::Instance>(R"j({"instance": "OUTRAVB"})j");
    } catch (const std::exception& e) {
        GTEST_SKIP() << "the supervisor has no Browser service (UDP 1434 held by another program): " << e.what();
    }
    const Result r = Run(L"/servidor 127.0.0.1\\NAOEXISTE", kPassword + "\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] SQL Server Browser: a instância NAOEXISTE não existe neste servidor; "
                        "instâncias conhecidas: ")) << r.output;
    EXPECT_TRUE(r.Holds("OUTRAVB")) << r.output;

    // The instance it knows: its port from the Browser, then the login.
    const Result known = Run(L"/servidor 127.0.0.1\\OUTRAVB", "x\n");
    EXPECT_TRUE(known.Holds("[ OK ] SQL Server Browser: instância OUTRAVB, porta TCP " + std::to_string(server->Port())))
        << known.output;
}

TEST_F(VerificaBD, ASilentServerEndsOnTheLoginTimeOut) {
    sqltest::Instance server(R"j({"mute": true})j");
    const Result r = Run(L"/servidor " + Wide(server.Server()), kPassword + "\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] TCP 127.0.0.1:" + std::to_string(server.Port()) + ": aceita ligações")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] login em master como sa: o servidor não respondeu dentro do tempo de ligação"))
        << r.output;
    EXPECT_TRUE(r.Holds("SQLSTATE HYT00")) << r.output;
}

TEST_F(VerificaBD, AClosedPortIsToldApartFromARefusedLogin) {
    // A port the system gave and took back: nobody listens on it.
    int closedPort = 0;
    {
        const Listener taken;
        closedPort = taken.Port();
    }
    const Result r = Run(L"/servidor 127.0.0.1," + std::to_wstring(closedPort), kPassword + "\n");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_TRUE(r.Holds("[FALHA] TCP 127.0.0.1:" + std::to_string(closedPort) +
                        ": ligação recusada: ninguém escuta nessa porta")) << r.output;
}

// The advice's statement runs as printed for a name the wizard itself refuses (made by other
// means), and the refusal is named.
TEST_F(VerificaBD, ASingleUserDatabaseIsAFailureWithTheStatementThatEndsIt) {
    sqltest::Instance server("{" + kLogins + R"j(, "databases": ["minha loja"],
        "setup": [{"database": "minha loja", "sql": "ALTER DATABASE [minha loja] SET SINGLE_USER"}]})j");
    const Result r = Run(L"/servidor " + Wide(server.Server()) + L" /basedados \"minha loja\"", kPassword + "\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] base de dados minha loja: o assistente recusa este nome")) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] login em master como sa (controlador FreeTDS): SQL Server 15.0.2000.5")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] base de dados minha loja: em modo SINGLE_USER")) << r.output;
    EXPECT_TRUE(r.Holds("ALTER DATABASE [minha loja] SET MULTI_USER WITH ROLLBACK IMMEDIATE")) << r.output;
    ExpectNoPassword(r);
    // Nothing was changed on the server: it only read.
    for (const std::string& request : server.Requests()) {
        for (const char* change : {"ALTER", "DROP", "CREATE", "INSERT", "UPDATE", "DELETE"})
            EXPECT_NE(request.find(change), 0u) << request;
    }
}

TEST_F(VerificaBD, AGoodDataLinkFileConnectsAndNothingFails) {
    sqltest::Instance server("{" + kLogins + R"j(, "databases": ["velmopos_5_2"]})j");
    const std::string connection =
        prov::DatabaseConnectionString({server.Server(), "sa", kPassword, "velmopos_5_2"});
    WriteUdl(prov::DataLinkFileBytes(connection));
    const Result r = Run(L"");  // every value from the .udl, the password too
    EXPECT_TRUE(r.Holds("[ OK ] VelmoPos.udl: formato certo")) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] VelmoPos.udl (Provider=SQLOLEDB.1;Password=***;Persist Security Info=True;User ID=sa;"
                        "Initial Catalog=velmopos_5_2;Data Source=" + server.Server() + "): o produto liga-se"))
        << r.output;
    // Wine has the data link service but not the file's provider: the product's way is tried,
    // and where it cannot be, the report says what was tried instead.
    EXPECT_TRUE(r.Holds("o produto liga-se (tentado com ODBC: o fornecedor OLE DB SQLOLEDB.1 não está instalado neste PC)"))
        << r.output;
    EXPECT_EQ(r.output.find("[FALHA]"), std::string::npos) << r.output;
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    ExpectNoPassword(r);
    EXPECT_TRUE(fs::exists(folder_ / L"VelmoPos.udl")) << "the file is left as it was";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 6)
        << "no file of its own is left behind";
}

// A database the server cannot open comes as 4060 with the login's 18456: the database is named,
// not the user or the password.
TEST_F(VerificaBD, AMissingDatabaseInTheDataLinkFileIsNamedAsSuch) {
    sqltest::Instance server("{" + kLogins + "}");
    WriteUdl(prov::DataLinkFileBytes(prov::DatabaseConnectionString({server.Server(), "sa", kPassword, "velmopos_9_9"})));
    const Result r = Run(L"");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("): a base de dados pedida (Initial Catalog do .udl, ou /basedados) não existe ou este login "
                        "não a pode abrir (erro 4060)"))
        << r.output;
    EXPECT_FALSE(r.Holds("Confirme o utilizador e a palavra-passe")) << r.output;
    ExpectNoPassword(r);
}

// The wizard's probe takes a database it cannot open as absent and its CREATE then fails: that
// is what the technician is told, not that the wizard would ask before replacing it.
TEST_F(VerificaBD, ADatabaseTheLoginCannotOpenIsNamedAsSuch) {
    sqltest::Instance server("{" + kLogins + R"j(, "databases": ["velmopos_5_2"], "forbidden": {"sa": ["velmopos_5_2"]}})j");
    const Result r = Run(L"/servidor " + Wide(server.Server()) + L" /basedados velmopos_5_2", kPassword + "\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] base de dados velmopos_5_2: existe, mas o login sa não a pode abrir")) << r.output;
    EXPECT_FALSE(r.Holds("o assistente pergunta")) << r.output;
}

TEST_F(VerificaBD, ADataLinkFileWithWrongBytesIsAFailure) {
    std::vector<std::uint8_t> bytes = prov::DataLinkFileBytes(prov::DatabaseConnectionString({"srv", "sa", kPassword, "d"}));
    bytes.insert(bytes.end(), {'x', 0});
    WriteUdl(bytes);
    const Result r = Run(L"");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] VelmoPos.udl: difere do formato do assistente no byte " + std::to_string(bytes.size() - 6)))
        << r.output;
    ExpectNoPassword(r);
}

TEST_F(VerificaBD, ScriptsTheWizardWouldTripOver) {
    struct Case {
        const char* label;
        std::string bytes;
        std::string finding;
    };
    const Case cases[] = {
        {"GO line", "CREATE TABLE a (n int)\r\nGO\r\nCREATE TABLE b (n int)\r\n",
         "[FALHA] DBScript.inf, linha 2: linha GO (separador de lotes)"},
        {"GO with a count and a comment", "CREATE TABLE a (n int)\r\nGO 2 -- fim\r\n",
         "[FALHA] DBScript.inf, linha 2: linha GO (separador de lotes)"},
        {"byte-order mark", "\xEF\xBB\xBF" "CREATE TABLE a (n int)\r\n",
         "[FALHA] DBScript.inf, linha 1: marca de ordem de bytes UTF-8 (EF BB BF) no início"},
        {"NUL byte", "CREATE TABLE a (n int)\r\n\0CREATE TABLE b (n int)\r\n"s,
         "[FALHA] DBScript.inf, linha 2: byte zero (NUL) no byte 25: o texto acaba aqui para o assistente"},
    };
    for (const Case& c : cases) {
        WriteFile(L"DBScript.inf", c.bytes);
        const Result r = Run(L"");
        EXPECT_EQ(r.exitCode, 1u) << c.label << "\n" << r.output;
        EXPECT_TRUE(r.Holds(c.finding)) << c.label << "\n" << r.output;
    }
}

// On the server's own PC the checker reads what the server knows: the client is told state 1
// whatever the cause; the error log (here a Portuguese (Brazil) server's) says the server takes
// Windows authentication only. The older refusal of the same login (state 8, yesterday) is not
// this check's cause. A log it cannot read is said to be so, with how to read it.
TEST_F(VerificaBD, OnTheServersPcTheErrorLogNamesWhyTheLoginWasRefused) {
    sqltest::Instance server("{" + kLogins + "}");
    const ServerOnThisPc pc({.loginMode = 1, .tcpPort = server.Port()},
                            ErrorLog({{L"sa", 8, -86400}, {L"caixa", 5, 1}, {L"sa", 58, 2}, {L"caixa", 2, 2}}, true));
    const std::wstring options = L"/servidor 127.0.0.1," + std::to_wstring(server.Port());
    const Result r = Run(options, "errada\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] instância SQLEXPRESS instalada neste PC (MSSQL15.SQLEXPRESS)")) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] serviço MSSQL$SQLEXPRESS: a correr")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] autenticação só do Windows")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] login em master como sa: o servidor aceita só autenticação do Windows (erro "
                        "18456, estado 58)")) << r.output;
    EXPECT_TRUE(r.Holds("erro 18456: [FreeTDS][SQL Server]Login failed for user 'sa'.")) << "what the client was told\n"
                                                                                         << r.output;
    EXPECT_TRUE(r.Holds("Logon       Erro: 18456, Gravidade: 14, Estado: 58.")) << r.output;
    EXPECT_TRUE(r.Holds("Logon       Falha de logon do usuário 'sa'. Motivo")) << r.output;
    EXPECT_FALSE(r.Holds("Estado: 8.")) << "yesterday's refusal is not this one's\n" << r.output;

    // The log held open by another program without sharing.
    HANDLE held = CreateFileW(pc.Log().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const Result locked = Run(options, "errada\n");
    CloseHandle(held);
    EXPECT_TRUE(locked.Holds("[FALHA] login em master como sa: o servidor recusou o login; causas possíveis")) << locked.output;
    EXPECT_TRUE(locked.Holds("[AVISO] o registo de erros do servidor (" + base::Utf16ToCp1252(
        std::u16string(pc.Log().u16string())).value_or("?") + ") não se lê")) << locked.output;
    EXPECT_TRUE(locked.Holds("Executar como administrador")) << locked.output;
}

// A 32-bit server on 64-bit Windows (an older Express) registers only in the registry's 32-bit
// view. TCP/IP disabled (as its installer leaves it) stops only the other tills: an AVISO, and
// the login is still tried. A stopped service is named before anything is guessed.
TEST_F(VerificaBD, OnTheServersPcA32BitInstanceWithTcpIpDisabledIsAWarning) {
    sqltest::Instance server("{" + kLogins + "}");
    const std::wstring options = L"/servidor 127.0.0.1," + std::to_wstring(server.Port());
    {
        const ServerOnThisPc pc({.tcpEnabled = false, .tcpPort = server.Port(), .view = KEY_WOW64_32KEY}, ErrorLog({}));
        const Result r = Run(options, kPassword + "\n");
        EXPECT_TRUE(r.Holds("[ OK ] instância SQLEXPRESS instalada neste PC (MSSQL15.SQLEXPRESS, de 32 bits)")) << r.output;
        EXPECT_TRUE(r.Holds("[AVISO] TCP/IP desativado: só este PC chega ao servidor, os outros postos não")) << r.output;
        EXPECT_TRUE(r.Holds("[ OK ] login em master como sa")) << r.output;
        EXPECT_TRUE(r.Holds("[ OK ] o login sa pode criar bases de dados")) << r.output;
        EXPECT_EQ(r.output.find("[FALHA]"), std::string::npos) << r.output;
        EXPECT_EQ(r.exitCode, 0u) << r.output;
    }
    const ServerOnThisPc stopped({.tcpPort = server.Port(), .running = false}, ErrorLog({}));
    const Result r = Run(options, kPassword + "\n");
    EXPECT_TRUE(r.Holds("[FALHA] serviço MSSQL$SQLEXPRESS: parado")) << r.output;
    EXPECT_EQ(r.exitCode, 1u) << r.output;
}

// A login without the permission to create a database passes the login and fails the run.
TEST_F(VerificaBD, ALoginThatCannotCreateADatabaseIsAFailure) {
    sqltest::Instance server(R"j({"logins": {"caixa": "x"}, "cannot_create": ["caixa"]})j");
    const Result r = Run(L"/servidor " + Wide(server.Server()) + L" /utilizador caixa", "x\n");
    EXPECT_TRUE(r.Holds("[ OK ] login em master como caixa")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] o login caixa não pode criar bases de dados (falta-lhe CREATE ANY DATABASE)")) << r.output;
    EXPECT_TRUE(r.Holds("dbcreator")) << r.output;
}

// The wizard replaces the data link file: one it cannot replace stops it at the review page.
TEST_F(VerificaBD, ADataLinkFileTheWizardCannotReplaceIsAFailure) {
    WriteUdl(prov::DataLinkFileBytes(prov::DatabaseConnectionString({"srv", "sa", kPassword, "d"})));
    SetFileAttributesW((folder_ / L"VelmoPos.udl").c_str(), FILE_ATTRIBUTE_READONLY);
    const Result r = Run(L"");
    SetFileAttributesW((folder_ / L"VelmoPos.udl").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] VelmoPos.udl: só de leitura, o assistente não o pode substituir")) << r.output;
}

TEST_F(VerificaBD, ExitCodesAndOptions) {
    const Result help = Run(L"/?");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_TRUE(help.Holds("VerificaBD [/servidor NOME[\\INSTANCIA]] [/utilizador NOME] [/basedados NOME]")) << help.output;
    const Result unknown = Run(L"/naoexiste 1433");
    EXPECT_EQ(unknown.exitCode, 2u);
    EXPECT_TRUE(unknown.Holds("Opção desconhecida: \"/naoexiste\".")) << unknown.output;
    const Result password = Run(L"/password " + Wide(kPassword));
    EXPECT_EQ(password.exitCode, 2u);
    EXPECT_TRUE(password.Holds("A palavra-passe nunca se dá na linha de comandos")) << password.output;
    ExpectNoPassword(password);
    // No console and no password: an input that ends empty, or a pipe that never sends, ends
    // the run with a line saying so (bounded), not a wait for ever.
    for (const bool held : {false, true}) {
        const Result none = Run(L"/servidor 127.0.0.1,1", "", nullptr, held);
        EXPECT_EQ(none.exitCode, 2u) << (held ? "a pipe held open\n" : "an empty input\n") << none.output;
        EXPECT_TRUE(none.Holds("Sem consola e sem palavra-passe na entrada")) << none.output;
        EXPECT_FALSE(none.Holds("Servidor 127.0.0.1,1")) << "nothing is checked without it\n" << none.output;
    }
    // Nothing to fail in a good folder without a server to check: a warning only.
    const Result alone = Run(L"");
    EXPECT_EQ(alone.exitCode, 0u) << alone.output;
    EXPECT_TRUE(alone.Holds("[AVISO] nenhum servidor para verificar")) << alone.output;
    // A script only some runs read is a warning when missing, not a failure.
    fs::remove(folder_ / L"DBDemo.inf");
    const Result noDemo = Run(L"");
    EXPECT_EQ(noDemo.exitCode, 0u) << noDemo.output;
    EXPECT_TRUE(noDemo.Holds("[AVISO] DBDemo.inf: ")) << noDemo.output;
    // Without the product's executable the wizard has nothing to name the database after.
    fs::remove(folder_ / L"VelmoPos.exe");
    const Result noProduct = Run(L"");
    EXPECT_EQ(noProduct.exitCode, 1u) << noProduct.output;
    EXPECT_TRUE(noProduct.Holds("[FALHA] nenhum executável de produto")) << noProduct.output;
}

}  // namespace
