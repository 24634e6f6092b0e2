#pragma once
// The two kinds of system settings /corrigir reads and changes: services (through the service
// manager) and registry values under HKEY_LOCAL_MACHINE, in a chosen view of the registry.
// Owners are move-only; every failure comes back as the system's own text (Portuguese on a
// Portuguese Windows).

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "checker/Repairs.h"

namespace checker {

struct ServiceCloser {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceCloser>;

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Services read through one connection to the service manager (each costs milliseconds).
class ServiceReader {
public:
    ServiceReader();
    // The service's state and start type; not installed when it cannot be opened.
    ServiceFacts Read(const std::string& name) const;
    // The program its command line starts (for the firewall rule); empty when unreadable.
    std::string Program(const std::string& name) const;

private:
    ServiceHandle manager_;
};
inline ServiceFacts ReadService(const std::string& name) { return ServiceReader().Read(name); }

// Each returns empty when done, else why not (one line).
std::string SetStartType(const std::string& service, StartType type);
// Starts the service and waits until it runs, for at most `bound`; `progress` is called about
// once a second with the time waited so far.
std::string StartAndWait(const std::string& service, std::chrono::seconds bound,
                         const std::function<void(std::chrono::milliseconds)>& progress);
std::string StopAndWait(const std::string& service, std::chrono::seconds bound,
                        const std::function<void(std::chrono::milliseconds)>& progress);

// A key of HKEY_LOCAL_MACHINE in one view, opened (never created) for reading, or also writing.
class RegistryKey {
public:
    RegistryKey(RegistryView view, const std::string& path, bool write = false);
    explicit operator bool() const { return key_ != nullptr; }
    const std::string& Error() const { return error_; }  // why it did not open

    std::optional<DWORD> Number(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
    // Empty when written; nullopt deletes the value.
    std::string SetNumber(const std::string& name, std::optional<DWORD> value);
    std::string SetText(const std::string& name, const std::optional<std::string>& value);

private:
    KeyHandle key_;
    std::string error_;
};

// Whether the key exists in the view.
bool KeyExists(RegistryView view, const std::string& path);

}  // namespace checker
