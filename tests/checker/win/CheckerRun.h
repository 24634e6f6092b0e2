#pragma once
// What the checker's Wine tests share: VerificaBD.exe run as a technician runs it (its standard
// input given, its report read from a pipe, so UTF-8, and its exit code), and a database server's
// instance laid into this prefix as its installer registers it on the server's own PC: the
// registry's values in either view, its service (the stand-in of tests/checker/win/fixtures,
// which the service manager starts and stops) and its error log. All of it is removed at the end.

#include "tests/provisioning/win/SqlTestServer.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Text.h"

namespace checker_test {

namespace fs = std::filesystem;

inline fs::path ProgramFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

struct Result {
    DWORD exitCode = 0;
    std::string output;  // UTF-8, as a pipe receives it
    bool Holds(const std::string& cp1252) const { return output.find(base::Cp1252ToUtf8(cp1252)) != std::string::npos; }
};

// Runs `program` in `folder` with `arguments`; `input` is its standard input. With `console` (an
// inheritable handle of this process's console input) the program shares this process's console
// and reads from it instead. With `holdInput` the input pipe stays open, sending nothing, until
// the program ends. The output is read while it runs and until it has ended, not until the pipe's
// end: under Wine a service it started may keep the pipe open after it.
inline Result RunProgram(const fs::path& program, const fs::path& folder, const std::wstring& arguments,
                         const std::string& input, HANDLE console = nullptr, bool holdInput = false) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, inRead, inWrite;
    EXPECT_TRUE(CreatePipe(&outRead, &outWrite, &inherit, 0));
    EXPECT_TRUE(CreatePipe(&inRead, &inWrite, &inherit, 0));
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = console != nullptr ? console : inRead;
    startup.hStdOutput = startup.hStdError = outWrite;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + program.wstring() + L"\" " + arguments;
    const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        console != nullptr ? 0 : CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup,
                                        &process);
    EXPECT_TRUE(started);
    CloseHandle(outWrite);
    CloseHandle(inRead);
    DWORD written = 0;
    if (!input.empty()) WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    if (!holdInput) CloseHandle(inWrite);
    Result result;
    const ULONGLONG deadline = GetTickCount64() + 120000;
    for (bool ended = !started;;) {
        ended = ended || WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
        char buffer[4096];
        DWORD available = 0, read = 0;
        while (PeekNamedPipe(outRead, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(outRead, buffer, available < sizeof buffer ? available : sizeof buffer, &read, nullptr) && read > 0)
            result.output.append(buffer, read);
        if (ended || GetTickCount64() > deadline) break;
    }
    CloseHandle(outRead);
    if (holdInput) CloseHandle(inWrite);
    if (started) {
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return result;
}

// HKEY_LOCAL_MACHINE's values in one view of the registry (KEY_WOW64_64KEY or KEY_WOW64_32KEY).
inline const std::wstring kServerRoot = L"SOFTWARE\\Microsoft\\Microsoft SQL Server";

class MachineKey {
public:
    // Opened for reading, or created for writing.
    MachineKey(const std::wstring& path, REGSAM view, bool create) {
        if (create) {
            EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                      &key_, nullptr), ERROR_SUCCESS) << "HKLM\\" << fs::path(path).string();
        } else if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key_) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~MachineKey() {
        if (key_) RegCloseKey(key_);
    }
    MachineKey(const MachineKey&) = delete;
    MachineKey& operator=(const MachineKey&) = delete;
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

inline void SetText(const std::wstring& key, const wchar_t* name, const std::wstring& text, REGSAM view = KEY_WOW64_64KEY) {
    RegSetValueExW(MachineKey(key, view, true).Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * 2));
}

inline void SetNumber(const std::wstring& key, const wchar_t* name, DWORD value, REGSAM view = KEY_WOW64_64KEY) {
    RegSetValueExW(MachineKey(key, view, true).Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

// 0xFFFFFFFF when the key or the value is missing.
inline DWORD Number(const std::wstring& key, const wchar_t* name, REGSAM view = KEY_WOW64_64KEY) {
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    const MachineKey open(key, view, false);
    if (!open.Get() || RegQueryValueExW(open.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
                           ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return value;
}

// "(no key)" or "(none)" when the key or the value is missing.
inline std::wstring Text(const std::wstring& key, const wchar_t* name, REGSAM view = KEY_WOW64_64KEY) {
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof value[0];
    const MachineKey open(key, view, false);
    if (!open.Get()) return L"(no key)";
    const LONG found = RegQueryValueExW(open.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    return found == ERROR_SUCCESS ? std::wstring(value) : L"(none)";
}

// A service of this PC, the stand-in program under the server's or the Browser's name; deleted
// (stopped first) at the end.
class StandInService {
public:
    StandInService(const wchar_t* name, DWORD startType, bool running)
        : manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        const std::wstring program = L"\"" + (ProgramFolder() / L"stand_in_service.exe").wstring() + L"\" -sSQLEXPRESS";
        service_ = CreateServiceW(manager_, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                  startType == SERVICE_DISABLED ? SERVICE_DEMAND_START : startType,
                                  SERVICE_ERROR_NORMAL, program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(service_, nullptr) << GetLastError();
        if (running) {
            EXPECT_TRUE(StartServiceW(service_, 0, nullptr)) << GetLastError();
            Wait(SERVICE_RUNNING);
        }
        if (startType == SERVICE_DISABLED) SetStartType(SERVICE_DISABLED);
    }
    ~StandInService() {
        SERVICE_STATUS status{};
        if (ControlService(service_, SERVICE_CONTROL_STOP, &status)) Wait(SERVICE_STOPPED);
        DeleteService(service_);
        CloseServiceHandle(service_);
        CloseServiceHandle(manager_);
    }
    StandInService(const StandInService&) = delete;
    StandInService& operator=(const StandInService&) = delete;

    DWORD State() const {
        SERVICE_STATUS status{};
        QueryServiceStatus(service_, &status);
        return status.dwCurrentState;
    }
    DWORD StartType() const {
        std::vector<char> buffer(8192);
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        return QueryServiceConfigW(service_, config, static_cast<DWORD>(buffer.size()), &needed) ? config->dwStartType : 0;
    }
    void SetStartType(DWORD type) {
        EXPECT_TRUE(ChangeServiceConfigW(service_, SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr));
    }
    // The program it would start next: a missing one makes the next start fail.
    void SetProgram(const std::wstring& program) {
        EXPECT_TRUE(ChangeServiceConfigW(service_, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, program.c_str(),
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    void Wait(DWORD state) const {
        for (int i = 0; i < 100 && State() != state; ++i) Sleep(100);
    }

private:
    SC_HANDLE manager_;
    SC_HANDLE service_ = nullptr;
};

// The instance SQLEXPRESS as its installer registers it, in the registry's 64-bit view or the
// 32-bit one where a 32-bit server on 64-bit Windows registers (the checker reads both, whatever
// its own bitness); its service MSSQL$SQLEXPRESS (on demand, started when `running`); its error
// log, UTF-16 as the server writes it.
class ServerOnThisPc {
public:
    struct Settings {
        unsigned long loginMode = 2;  // 1: Windows authentication only
        bool tcpEnabled = true;
        int tcpPort = 0;
        bool running = true;
        REGSAM view = KEY_WOW64_64KEY;
    };
    inline static const std::wstring kInstance = kServerRoot + L"\\MSSQL15.SQLEXPRESS\\MSSQLServer";

    ServerOnThisPc(const Settings& settings, const std::wstring& logText)
        : log_(fs::temp_directory_path() / L"ERRORLOG"),
          view_(settings.view),
          service_(L"MSSQL$SQLEXPRESS", SERVICE_DEMAND_START, settings.running) {
        SetText(kServerRoot + L"\\Instance Names\\SQL", L"SQLEXPRESS", L"MSSQL15.SQLEXPRESS", view_);
        SetNumber(kInstance, L"LoginMode", settings.loginMode, view_);
        SetNumber(kInstance + L"\\SuperSocketNetLib\\Tcp", L"Enabled", settings.tcpEnabled ? 1 : 0, view_);
        SetText(kInstance + L"\\SuperSocketNetLib\\Tcp\\IPAll", L"TcpPort", std::to_wstring(settings.tcpPort), view_);
        SetText(kInstance + L"\\SuperSocketNetLib\\Tcp\\IPAll", L"TcpDynamicPorts", L"", view_);
        SetText(kInstance + L"\\Parameters", L"SQLArg0", L"-dC:\\SQL\\DATA\\master.mdf", view_);
        SetText(kInstance + L"\\Parameters", L"SQLArg1", L"-e" + log_.wstring(), view_);
        SetText(kInstance + L"\\Parameters", L"SQLArg2", L"-lC:\\SQL\\DATA\\mastlog.ldf", view_);
        const std::wstring bytes = L"\xFEFF" + logText;
        std::ofstream(log_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size() * 2);
    }
    ~ServerOnThisPc() {
        if (const MachineKey root(kServerRoot, view_, false); root.Get()) RegDeleteTreeW(root.Get(), nullptr);
        std::error_code ignored;
        fs::remove(log_, ignored);
    }
    ServerOnThisPc(const ServerOnThisPc&) = delete;
    ServerOnThisPc& operator=(const ServerOnThisPc&) = delete;

    const fs::path& Log() const { return log_; }
    StandInService& Service() { return service_; }

private:
    fs::path log_;
    REGSAM view_;
    StandInService service_;
};

// A loopback port something listens on while it lives; Port() after it is gone is a free one.
class Listener {
public:
    Listener() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        EXPECT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        listen(socket_, 1);
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() {
        closesocket(socket_);
        WSACleanup();
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    int Port() const { return port_; }

private:
    SOCKET socket_;
    int port_ = 0;
};

}  // namespace checker_test
