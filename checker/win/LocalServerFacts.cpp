#include "checker/win/LocalServerFacts.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <optional>

#include "checker/win/Owned.h"
#include "provisioning/win/Win32Services.h"

namespace checker {
namespace {

const char* const kServerKey = "SOFTWARE\\Microsoft\\Microsoft SQL Server";

class RegistryKey {
public:
    // `view`: KEY_WOW64_64KEY or KEY_WOW64_32KEY.
    RegistryKey(HKEY parent, const std::string& path, REGSAM view) {
        if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | view, key_.Put()) != ERROR_SUCCESS) key_.Reset();
    }
    explicit operator bool() const { return static_cast<bool>(key_); }

    std::optional<std::string> Text(const char* name) const {
        char value[1024];
        DWORD size = sizeof value - 1, type = 0;
        if (!key_ || RegQueryValueExA(key_.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        value[size] = '\0';
        return std::string(value);
    }
    std::optional<unsigned long> Number(const char* name) const {
        DWORD value = 0, size = sizeof value, type = 0;
        if (!key_ || RegQueryValueExA(key_.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return value;
    }
    // Every value's name and text, in the registry's order.
    std::vector<std::pair<std::string, std::string>> Texts() const {
        std::vector<std::pair<std::string, std::string>> all;
        for (DWORD index = 0; key_; ++index) {
            char name[256];
            DWORD nameSize = sizeof name;
            if (RegEnumValueA(key_.Get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::optional<std::string> text = Text(name)) all.emplace_back(name, *text);
        }
        return all;
    }

private:
    OwnedKey key_;
};

ServiceState StateOf(SC_HANDLE manager, const std::string& name) {
    if (!manager) return ServiceState::Unreadable;
    const OwnedService service(OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? ServiceState::NotInstalled : ServiceState::Unreadable;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.Get(), &status)) return ServiceState::Unreadable;
    if (status.dwCurrentState == SERVICE_RUNNING) return ServiceState::Running;
    if (status.dwCurrentState == SERVICE_PAUSED) return ServiceState::Paused;
    if (status.dwCurrentState != SERVICE_STOPPED) return ServiceState::Changing;
    DWORD needed = 0;
    QueryServiceConfigA(service.Get(), nullptr, 0, &needed);
    std::vector<char> buffer(needed ? needed : 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (needed && QueryServiceConfigA(service.Get(), config, needed, &needed) && config->dwStartType == SERVICE_DISABLED)
        return ServiceState::Disabled;
    return ServiceState::Stopped;
}

// The instances one registry view lists, with their settings in that view.
std::vector<InstalledInstance> InstancesIn(REGSAM view, SC_HANDLE manager) {
    std::vector<InstalledInstance> instances;
    const RegistryKey names(HKEY_LOCAL_MACHINE, std::string(kServerKey) + "\\Instance Names\\SQL", view);
    for (const auto& [name, id] : names.Texts()) {
        InstalledInstance instance{name, id};
        const std::string root = std::string(kServerKey) + "\\" + id + "\\MSSQLServer";
        instance.loginMode = RegistryKey(HKEY_LOCAL_MACHINE, root, view).Number("LoginMode");
        if (const std::optional<unsigned long> enabled =
                RegistryKey(HKEY_LOCAL_MACHINE, root + "\\SuperSocketNetLib\\Tcp", view).Number("Enabled"))
            instance.tcpEnabled = *enabled != 0;
        const RegistryKey all(HKEY_LOCAL_MACHINE, root + "\\SuperSocketNetLib\\Tcp\\IPAll", view);
        instance.tcpPort = all.Text("TcpPort").value_or("");
        instance.tcpDynamicPort = all.Text("TcpDynamicPorts").value_or("");
        std::vector<std::string> parameters;
        for (const auto& [ignored, value] : RegistryKey(HKEY_LOCAL_MACHINE, root + "\\Parameters", view).Texts())
            parameters.push_back(value);
        instance.errorLog = ErrorLogFromParameters(parameters);
        instance.service = StateOf(manager, ServiceNameOf(instance));
        instances.push_back(std::move(instance));
    }
    return instances;
}

}  // namespace

LocalServerFacts ReadLocalServerFacts() {
    LocalServerFacts facts;
    const OwnedService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
    facts.instances = MergeRegistryViews(InstancesIn(KEY_WOW64_64KEY, manager.Get()), InstancesIn(KEY_WOW64_32KEY, manager.Get()));
    facts.browser = StateOf(manager.Get(), "SQLBrowser");
    return facts;
}

LogTime LocalTimeNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string ThisComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::vector<std::string> ThisComputerAddresses() {
    std::vector<std::string> addresses;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer(size);
    auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    if (GetAdaptersAddresses(AF_INET, flags, nullptr, list, &size) == ERROR_BUFFER_OVERFLOW) {
        buffer.resize(size);
        list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    }
    if (GetAdaptersAddresses(AF_INET, flags, nullptr, list, &size) != NO_ERROR) return addresses;
    for (const IP_ADAPTER_ADDRESSES* adapter = list; adapter; adapter = adapter->Next) {
        for (const IP_ADAPTER_UNICAST_ADDRESS* a = adapter->FirstUnicastAddress; a; a = a->Next) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->Address.lpSockaddr);
            const unsigned char* b = reinterpret_cast<const unsigned char*>(&in->sin_addr);
            addresses.push_back(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                                std::to_string(b[3]));
        }
    }
    return addresses;
}

std::u16string ReadFileTail(const std::string& path, std::size_t maxBytes, std::string& error) {
    // The server keeps its log open for writing: share everything.
    const OwnedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = prov::SystemErrorText(GetLastError());
        return {};
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    // From an even offset: UTF-16 units start there (the file starts with its byte order mark).
    const unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
    const unsigned long long start = total > maxBytes ? (total - maxBytes) & ~1ULL : 0;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(start);
    std::u16string text(static_cast<std::size_t>((total - start) / 2), u'\0');
    DWORD read = 0;
    if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
        !ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * 2), &read, nullptr)) {
        error = prov::SystemErrorText(GetLastError());
        text.clear();
    } else {
        text.resize(read / 2);
    }
    return text;
}

}  // namespace checker
