#include "checker/win/LocalServerFacts.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <optional>

#include "checker/win/Owned.h"
#include "checker/win/SystemSettings.h"
#include "provisioning/win/Win32Services.h"

namespace checker {
namespace {

// The instances one registry view lists, with their settings in that view.
std::vector<InstalledInstance> InstancesIn(RegistryView view, const ServiceReader& services) {
    std::vector<InstalledInstance> instances;
    const std::string servers(kServerRegistryKey);
    const RegistryKey names(view, servers + "\\Instance Names\\SQL");
    for (const auto& [name, id] : names.Texts()) {
        InstalledInstance instance{name, id};
        const std::string root = servers + "\\" + id + "\\MSSQLServer";
        instance.loginMode = RegistryKey(view, root).Number("LoginMode");
        if (const std::optional<unsigned long> enabled =
                RegistryKey(view, root + "\\SuperSocketNetLib\\Tcp").Number("Enabled"))
            instance.tcpEnabled = *enabled != 0;
        const RegistryKey all(view, root + "\\SuperSocketNetLib\\Tcp\\IPAll");
        instance.tcpPort = all.Text("TcpPort").value_or("");
        instance.tcpDynamicPort = all.Text("TcpDynamicPorts").value_or("");
        std::vector<std::string> parameters;
        for (const auto& [ignored, value] : RegistryKey(view, root + "\\Parameters").Texts())
            parameters.push_back(value);
        instance.errorLog = ErrorLogFromParameters(parameters);
        instance.service = services.State(ServiceNameOf(instance));
        instances.push_back(std::move(instance));
    }
    return instances;
}

}  // namespace

LocalServerFacts ReadLocalServerFacts() {
    LocalServerFacts facts;
    const ServiceReader services;
    facts.instances = MergeRegistryViews(InstancesIn(RegistryView::Bits64, services),
                                          InstancesIn(RegistryView::Bits32, services));
    facts.browser = services.State("SQLBrowser");
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
