#include "checker/win/SystemSettings.h"

#include <thread>
#include <vector>

#include "provisioning/win/Win32Services.h"

namespace checker {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

OwnedService OpenService(const std::string& name, DWORD access, std::string& error) {
    const OwnedService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        error = prov::SystemErrorText(GetLastError());
        return {};
    }
    OwnedService service(OpenServiceA(manager.Get(), name.c_str(), access));
    if (!service) error = prov::SystemErrorText(GetLastError());
    return service;
}

std::optional<QUERY_SERVICE_CONFIGA*> Config(SC_HANDLE service, std::vector<char>& buffer) {
    DWORD needed = 0;
    QueryServiceConfigA(service, nullptr, 0, &needed);
    buffer.assign(needed ? needed : 1, '\0');
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!needed || !QueryServiceConfigA(service, config, needed, &needed)) return std::nullopt;
    return config;
}

std::optional<DWORD> CurrentState(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return std::nullopt;
    return status.dwCurrentState;
}

// Waits until the service is in `wanted`, or has settled in another state, or `bound` passed.
DWORD WaitFor(SC_HANDLE service, DWORD wanted, std::chrono::seconds bound,
              const std::function<void(milliseconds)>& progress) {
    const auto start = Clock::now();
    auto told = start;
    for (;;) {
        const DWORD state = CurrentState(service).value_or(0);
        const bool settled = state == SERVICE_RUNNING || state == SERVICE_STOPPED || state == SERVICE_PAUSED;
        if (state == wanted || (settled && Clock::now() - start > milliseconds(500)) || Clock::now() - start >= bound)
            return state;
        std::this_thread::sleep_for(milliseconds(100));
        if (Clock::now() - told >= std::chrono::seconds(1)) {
            told = Clock::now();
            progress(std::chrono::duration_cast<milliseconds>(told - start));
        }
    }
}

}  // namespace

ServiceReader::ServiceReader() : manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)) {}

ServiceFacts ServiceReader::Read(const std::string& name) const {
    ServiceFacts facts{name};
    const OwnedService service(manager_ ? OpenServiceA(manager_.Get(), name.c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG)
                                        : nullptr);
    if (!service) return facts;
    facts.installed = true;
    facts.running = CurrentState(service.Get()) == SERVICE_RUNNING;
    std::vector<char> buffer;
    if (const auto config = Config(service.Get(), buffer)) {
        const DWORD type = (*config)->dwStartType;
        if (type == SERVICE_AUTO_START || type == SERVICE_DEMAND_START || type == SERVICE_DISABLED)
            facts.startType = static_cast<StartType>(type);
    }
    return facts;
}

ServiceState ServiceReader::State(const std::string& name) const {
    if (!manager_) return ServiceState::Unreadable;
    const OwnedService service(OpenServiceA(manager_.Get(), name.c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? ServiceState::NotInstalled : ServiceState::Unreadable;
    switch (CurrentState(service.Get()).value_or(0)) {
        case 0: return ServiceState::Unreadable;
        case SERVICE_RUNNING: return ServiceState::Running;
        case SERVICE_PAUSED: return ServiceState::Paused;
        case SERVICE_STOPPED: break;
        default: return ServiceState::Changing;
    }
    std::vector<char> buffer;
    const auto config = Config(service.Get(), buffer);
    return config && (*config)->dwStartType == SERVICE_DISABLED ? ServiceState::Disabled : ServiceState::Stopped;
}

std::string ServiceReader::Program(const std::string& name) const {
    const OwnedService service(manager_ ? OpenServiceA(manager_.Get(), name.c_str(), SERVICE_QUERY_CONFIG) : nullptr);
    std::vector<char> buffer;
    const auto config = service ? Config(service.Get(), buffer) : std::nullopt;
    return config && (*config)->lpBinaryPathName ? ProgramOfCommandLine((*config)->lpBinaryPathName) : std::string();
}

std::string SetStartType(const std::string& name, StartType type) {
    std::string error;
    const OwnedService service = OpenService(name, SERVICE_CHANGE_CONFIG, error);
    if (!service) return error;
    if (!ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, static_cast<DWORD>(type), SERVICE_NO_CHANGE, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        return prov::SystemErrorText(GetLastError());
    return {};
}

std::string StartAndWait(const std::string& name, std::chrono::seconds bound,
                         const std::function<void(milliseconds)>& progress) {
    std::string error;
    const OwnedService service = OpenService(name, SERVICE_START | SERVICE_QUERY_STATUS, error);
    if (!service) return error;
    if (!StartServiceA(service.Get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return prov::SystemErrorText(GetLastError());
    const DWORD state = WaitFor(service.Get(), SERVICE_RUNNING, bound, progress);
    if (state == SERVICE_RUNNING) return {};
    if (state == SERVICE_STOPPED) return "iniciou e parou logo (o registo de erros do servidor diz porquê)";
    return "não ficou a correr em " + std::to_string(bound.count()) + " s";
}

std::string StopAndWait(const std::string& name, std::chrono::seconds bound,
                        const std::function<void(milliseconds)>& progress) {
    std::string error;
    const OwnedService service = OpenService(name, SERVICE_STOP | SERVICE_QUERY_STATUS, error);
    if (!service) return error;
    SERVICE_STATUS status{};
    if (!ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return prov::SystemErrorText(GetLastError());
    if (WaitFor(service.Get(), SERVICE_STOPPED, bound, progress) == SERVICE_STOPPED) return {};
    return "não parou em " + std::to_string(bound.count()) + " s";
}

RegistryKey::RegistryKey(RegistryView view, const std::string& path, bool write) {
    const REGSAM access = KEY_QUERY_VALUE | (write ? KEY_SET_VALUE : 0) |
                          (view == RegistryView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key);
    if (result == ERROR_SUCCESS) key_.Reset(key);
    else error_ = prov::SystemErrorText(static_cast<unsigned long>(result));
}

std::optional<DWORD> RegistryKey::Number(const std::string& name) const {
    DWORD value = 0, size = sizeof value, type = 0;
    if (!key_ || RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                     ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::string> RegistryKey::Text(const std::string& name) const {
    char value[1024];
    DWORD size = sizeof value - 1, type = 0;
    if (!key_ || RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
                     ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    value[size] = '\0';
    return std::string(value);
}

std::vector<std::pair<std::string, std::string>> RegistryKey::Texts() const {
    std::vector<std::pair<std::string, std::string>> all;
    for (DWORD index = 0; key_; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumValueA(key_.Get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::optional<std::string> text = Text(name)) all.emplace_back(name, *text);
    }
    return all;
}

std::string RegistryKey::SetNumber(const std::string& name, std::optional<DWORD> value) {
    if (!key_) return error_;
    const LONG result = value ? RegSetValueExA(key_.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value),
                                               sizeof *value)
                              : RegDeleteValueA(key_.Get(), name.c_str());
    return result == ERROR_SUCCESS ? std::string() : prov::SystemErrorText(static_cast<unsigned long>(result));
}

std::string RegistryKey::SetText(const std::string& name, const std::optional<std::string>& value) {
    if (!key_) return error_;
    const LONG result = value ? RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                                               static_cast<DWORD>(value->size() + 1))
                              : RegDeleteValueA(key_.Get(), name.c_str());
    return result == ERROR_SUCCESS ? std::string() : prov::SystemErrorText(static_cast<unsigned long>(result));
}

}  // namespace checker
