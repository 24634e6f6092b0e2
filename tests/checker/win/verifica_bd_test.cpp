// VerificaBD.exe run as a technician runs it: from a folder holding the scripts and a product's
// executable, with options, its report read back from its standard output (a pipe, so UTF-8) and
// its exit code. The password goes in on standard input, as the program reads it when its input
// is not a console. One test per cause the technician meets, against the test server.

#include "tests/provisioning/win/SqlTestServer.h"  // winsock2.h before windows.h

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

namespace fs = std::filesystem;
using namespace std::string_literals;

// The test server's password for sa, with a letter whose bytes differ in every encoding.
const std::string kPassword = "Segr\xEA" "do#2024";
const std::string kLogins = R"j("logins": {"sa": "Segr\u00eado#2024"})j";

fs::path ProgramFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

struct Result {
    DWORD exitCode = 0;
    std::string output;  // UTF-8, as a pipe receives it
    bool Holds(const std::string& cp1252) const { return output.find(base::Cp1252ToUtf8(cp1252)) != std::string::npos; }
};

// A database server's instance as its installer registers it on this PC: the registry's 64-bit
// view (the one the checker reads, whatever its own bitness), its service (the stand-in of
// tests/checker/win/fixtures, started when `running`) and its error log, UTF-16 as the server
// writes it. All of it is removed at the end.
class ServerOnThisPc {
public:
    struct Settings {
        unsigned long loginMode = 2;  // 1: Windows authentication only
        bool tcpEnabled = true;
        int tcpPort = 0;
        bool running = true;
    };
    ServerOnThisPc(const Settings& settings, const std::wstring& logText) : log_(fs::temp_directory_path() / L"ERRORLOG") {
        const std::wstring root = kRoot + L"\\MSSQL15.SQLEXPRESS\\MSSQLServer";
        Set(kRoot + L"\\Instance Names\\SQL", L"SQLEXPRESS", L"MSSQL15.SQLEXPRESS");
        Set(root, L"LoginMode", settings.loginMode);
        Set(root + L"\\SuperSocketNetLib\\Tcp", L"Enabled", settings.tcpEnabled ? 1 : 0);
        Set(root + L"\\SuperSocketNetLib\\Tcp\\IPAll", L"TcpPort", std::to_wstring(settings.tcpPort));
        Set(root + L"\\SuperSocketNetLib\\Tcp\\IPAll", L"TcpDynamicPorts", L"");
        Set(root + L"\\Parameters", L"SQLArg0", L"-dC:\\SQL\\DATA\\master.mdf");
        Set(root + L"\\Parameters", L"SQLArg1", L"-e" + log_.wstring());
        Set(root + L"\\Parameters", L"SQLArg2", L"-lC:\\SQL\\DATA\\mastlog.ldf");
        std::wstring bytes = L"\xFEFF" + logText;
        std::ofstream(log_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size() * 2);

        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        const std::wstring program = L"\"" + (ProgramFolder() / L"stand_in_service.exe").wstring() + L"\"";
        service_ = CreateServiceW(manager_, L"MSSQL$SQLEXPRESS", L"SQL Server (SQLEXPRESS)", SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, program.c_str(),
                                  nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(service_, nullptr) << GetLastError();
        if (settings.running) {
            EXPECT_TRUE(StartServiceW(service_, 0, nullptr)) << GetLastError();
        }
    }
    ~ServerOnThisPc() {
        SERVICE_STATUS status{};
        ControlService(service_, SERVICE_CONTROL_STOP, &status);
        DeleteService(service_);
        CloseServiceHandle(service_);
        CloseServiceHandle(manager_);
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRoot.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
            RegDeleteTreeW(key, nullptr);
            RegCloseKey(key);
        }
        std::error_code ignored;
        fs::remove(log_, ignored);
    }
    const fs::path& Log() const { return log_; }

private:
    inline static const std::wstring kRoot = L"SOFTWARE\\Microsoft\\Microsoft SQL Server";
    static HKEY Key(const std::wstring& path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                  nullptr, &key, nullptr), ERROR_SUCCESS);
        return key;
    }
    static void Set(const std::wstring& path, const wchar_t* name, const std::wstring& text) {
        HKEY key = Key(path);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), (text.size() + 1) * 2);
        RegCloseKey(key);
    }
    static void Set(const std::wstring& path, const wchar_t* name, DWORD value) {
        HKEY key = Key(path);
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }

    fs::path log_;
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

// An error log as the server writes it: start-up lines, then a refusal of each login with the
// state the server wrote (the client was told state 1).
std::wstring ErrorLog(std::initializer_list<std::pair<const wchar_t*, int>> refusals) {
    std::wstring text = L"2026-12-09 08:00:00.10 Server      Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64)\r\n";
    for (int i = 0; i < 20000; ++i)  // about 1.5 MB before the refusals: read from the end
        text += L"2026-12-09 08:00:01.00 spid" + std::to_wstring(i % 90) + L"s     Starting up database 'model'.\r\n";
    for (const auto& [login, state] : refusals) {
        text += L"2026-12-09 09:15:42.31 Logon       Error: 18456, Severity: 14, State: " + std::to_wstring(state) + L".\r\n";
        text += L"2026-12-09 09:15:42.31 Logon       Login failed for user '" + std::wstring(login) +
                L"'. Reason: see the state. [CLIENT: <local machine>]\r\n";
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

    // Runs the program in the staged folder with `arguments`; `input` is its standard input. With
    // `console` (an inheritable handle of this process's console input) the program shares this
    // process's console and reads from it instead.
    Result Run(const std::wstring& arguments, const std::string& input = "", HANDLE console = nullptr) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE outRead, outWrite, inRead, inWrite;
        EXPECT_TRUE(CreatePipe(&outRead, &outWrite, &inherit, 0));
        EXPECT_TRUE(CreatePipe(&inRead, &inWrite, &inherit, 0));
        SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{sizeof startup};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = console != nullptr ? console : inRead;
        startup.hStdOutput = outWrite;
        startup.hStdError = outWrite;
        PROCESS_INFORMATION process{};
        std::wstring command = L"\"" + (folder_ / L"VerificaBD.exe").wstring() + L"\" " + arguments;
        const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                            console != nullptr ? 0 : CREATE_NO_WINDOW, nullptr, folder_.c_str(),
                                            &startup, &process);
        EXPECT_TRUE(started);
        CloseHandle(outWrite);
        CloseHandle(inRead);
        DWORD written = 0;
        if (!input.empty()) ::WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
        CloseHandle(inWrite);
        Result result;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(outRead, buffer, sizeof buffer, &read, nullptr) && read > 0) result.output.append(buffer, read);
        CloseHandle(outRead);
        if (started) {
            WaitForSingleObject(process.hProcess, 60000);
            GetExitCodeProcess(process.hProcess, &result.exitCode);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        return result;
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
    EXPECT_TRUE(r.Holds("[FALHA] SQL Server Browser: a inst\xE2ncia NAOEXISTE n\xE3o existe neste servidor; "
                        "inst\xE2ncias conhecidas: ")) << r.output;
    EXPECT_TRUE(r.Holds("OUTRAVB")) << r.output;

    // The instance it knows: its port from the Browser, then the login.
    const Result known = Run(L"/servidor 127.0.0.1\\OUTRAVB", "x\n");
    EXPECT_TRUE(known.Holds("[ OK ] SQL Server Browser: inst\xE2ncia OUTRAVB, porta TCP " + std::to_string(server->Port())))
        << known.output;
}

TEST_F(VerificaBD, ASilentServerEndsOnTheLoginTimeOut) {
    sqltest::Instance server(R"j({"mute": true})j");
    const Result r = Run(L"/servidor " + Wide(server.Server()), kPassword + "\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] TCP 127.0.0.1:" + std::to_string(server.Port()) + ": aceita liga\xE7\xF5" "es")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] login em master como sa: o servidor n\xE3o respondeu dentro do tempo de liga\xE7\xE3o"))
        << r.output;
    EXPECT_TRUE(r.Holds("SQLSTATE HYT00")) << r.output;
}

TEST_F(VerificaBD, AClosedPortIsToldApartFromARefusedLogin) {
    // A port the system gave and took back: nobody listens on it.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    const int closedPort = ntohs(address.sin_port);
    closesocket(probe);
    WSACleanup();
    const Result r = Run(L"/servidor 127.0.0.1," + std::to_wstring(closedPort), kPassword + "\n");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_TRUE(r.Holds("[FALHA] TCP 127.0.0.1:" + std::to_string(closedPort) +
                        ": liga\xE7\xE3o recusada: ningu\xE9m escuta nessa porta")) << r.output;
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
    EXPECT_TRUE(r.Holds("o produto liga-se (tentado com ODBC: o fornecedor OLE DB SQLOLEDB.1 n\xE3o est\xE1 instalado neste PC)"))
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
    EXPECT_TRUE(r.Holds("): a base de dados pedida (Initial Catalog do .udl, ou /basedados) n\xE3o existe ou este login "
                        "n\xE3o a pode abrir (erro 4060)"))
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
    EXPECT_TRUE(r.Holds("[FALHA] base de dados velmopos_5_2: existe, mas o login sa n\xE3o a pode abrir")) << r.output;
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
         "[FALHA] DBScript.inf, linha 1: marca de ordem de bytes UTF-8 (EF BB BF) no in\xED" "cio"},
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
// whatever the cause; the error log says the server takes Windows authentication only. A log it
// cannot read is said to be so, with how to read it.
TEST_F(VerificaBD, OnTheServersPcTheErrorLogNamesWhyTheLoginWasRefused) {
    sqltest::Instance server("{" + kLogins + "}");
    const ServerOnThisPc pc({.loginMode = 1, .tcpPort = server.Port()},
                            ErrorLog({{L"sa", 8}, {L"caixa", 5}, {L"sa", 58}, {L"caixa", 2}}));
    const std::wstring options = L"/servidor 127.0.0.1," + std::to_wstring(server.Port());
    const Result r = Run(options, "errada\n");
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] inst\xE2ncia SQLEXPRESS instalada neste PC (MSSQL15.SQLEXPRESS)")) << r.output;
    EXPECT_TRUE(r.Holds("[ OK ] servi\xE7o MSSQL$SQLEXPRESS: a correr")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] autentica\xE7\xE3o s\xF3 do Windows")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] login em master como sa: o servidor aceita s\xF3 autentica\xE7\xE3o do Windows (erro "
                        "18456, estado 58)")) << r.output;
    EXPECT_TRUE(r.Holds("erro 18456: [FreeTDS][SQL Server]Login failed for user 'sa'.")) << "what the client was told\n"
                                                                                         << r.output;
    EXPECT_TRUE(r.Holds("Logon       Error: 18456, Severity: 14, State: 58.")) << r.output;

    // The log held open by another program without sharing.
    HANDLE held = CreateFileW(pc.Log().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const Result locked = Run(options, "errada\n");
    CloseHandle(held);
    EXPECT_TRUE(locked.Holds("[FALHA] login em master como sa: o servidor recusou o login; causas poss\xEDveis")) << locked.output;
    EXPECT_TRUE(locked.Holds("[AVISO] o registo de erros do servidor (" + base::Utf16ToCp1252(
        std::u16string(pc.Log().u16string())).value_or("?") + ") n\xE3o se l\xEA")) << locked.output;
    EXPECT_TRUE(locked.Holds("Executar como administrador")) << locked.output;
}

// TCP/IP disabled (as the server's installer leaves it) stops only the other tills: an AVISO, and
// the login is still tried. A stopped service is named before anything is guessed.
TEST_F(VerificaBD, OnTheServersPcTcpIpDisabledIsAWarningAndAStoppedServiceAFailure) {
    sqltest::Instance server("{" + kLogins + "}");
    const std::wstring options = L"/servidor 127.0.0.1," + std::to_wstring(server.Port());
    {
        const ServerOnThisPc pc({.tcpEnabled = false, .tcpPort = server.Port()}, ErrorLog({}));
        const Result r = Run(options, kPassword + "\n");
        EXPECT_TRUE(r.Holds("[AVISO] TCP/IP desativado: s\xF3 este PC chega ao servidor, os outros postos n\xE3o")) << r.output;
        EXPECT_TRUE(r.Holds("[ OK ] login em master como sa")) << r.output;
        EXPECT_TRUE(r.Holds("[ OK ] o login sa pode criar bases de dados")) << r.output;
        EXPECT_EQ(r.output.find("[FALHA]"), std::string::npos) << r.output;
        EXPECT_EQ(r.exitCode, 0u) << r.output;
    }
    const ServerOnThisPc stopped({.tcpPort = server.Port(), .running = false}, ErrorLog({}));
    const Result r = Run(options, kPassword + "\n");
    EXPECT_TRUE(r.Holds("[FALHA] servi\xE7o MSSQL$SQLEXPRESS: parado")) << r.output;
    EXPECT_EQ(r.exitCode, 1u) << r.output;
}

// A login without the permission to create a database passes the login and fails the run.
TEST_F(VerificaBD, ALoginThatCannotCreateADatabaseIsAFailure) {
    sqltest::Instance server(R"j({"logins": {"caixa": "x"}, "cannot_create": ["caixa"]})j");
    const Result r = Run(L"/servidor " + Wide(server.Server()) + L" /utilizador caixa", "x\n");
    EXPECT_TRUE(r.Holds("[ OK ] login em master como caixa")) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] o login caixa n\xE3o pode criar bases de dados (falta-lhe CREATE ANY DATABASE)")) << r.output;
    EXPECT_TRUE(r.Holds("dbcreator")) << r.output;
}

// The wizard replaces the data link file: one it cannot replace stops it at the review page.
TEST_F(VerificaBD, ADataLinkFileTheWizardCannotReplaceIsAFailure) {
    WriteUdl(prov::DataLinkFileBytes(prov::DatabaseConnectionString({"srv", "sa", kPassword, "d"})));
    SetFileAttributesW((folder_ / L"VelmoPos.udl").c_str(), FILE_ATTRIBUTE_READONLY);
    const Result r = Run(L"");
    SetFileAttributesW((folder_ / L"VelmoPos.udl").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(r.exitCode, 1u) << r.output;
    EXPECT_TRUE(r.Holds("[FALHA] VelmoPos.udl: s\xF3 de leitura, o assistente n\xE3o o pode substituir")) << r.output;
}

TEST_F(VerificaBD, ExitCodesAndOptions) {
    const Result help = Run(L"/?");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_TRUE(help.Holds("VerificaBD [/servidor NOME[\\INSTANCIA]] [/utilizador NOME] [/basedados NOME]")) << help.output;
    const Result unknown = Run(L"/naoexiste 1433");
    EXPECT_EQ(unknown.exitCode, 2u);
    EXPECT_TRUE(unknown.Holds("Op\xE7\xE3o desconhecida: \"/naoexiste\".")) << unknown.output;
    const Result password = Run(L"/password " + Wide(kPassword));
    EXPECT_EQ(password.exitCode, 2u);
    EXPECT_TRUE(password.Holds("A palavra-passe nunca se d\xE1 na linha de comandos")) << password.output;
    ExpectNoPassword(password);
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
    EXPECT_TRUE(noProduct.Holds("[FALHA] nenhum execut\xE1vel de produto")) << noProduct.output;
}

}  // namespace
