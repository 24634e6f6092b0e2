#pragma once
// The two kinds of system settings the checker reads and /corrigir changes: services (through
// the service manager) and registry values under HKEY_LOCAL_MACHINE, in a chosen view of the
// registry.
// Handles are held by checker/win/Owned.h's owners; every failure comes back as the system's own text (Portuguese on a
// Portuguese Windows).

#include "checker/win/Owned.h"  // winsock2.h before windows.h

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "checker/Repairs.h"

namespace checker {

// Services read through one connection to the service manager (each costs milliseconds).
class ServiceReader {
public:
    ServiceReader();
    // The service's state and start type; not installed when it cannot be opened.
    ServiceFacts Read(const std::string& name) const;
    // The state a check reports: running, paused, stopped (disabled when it cannot start), on its
    // way between two, not installed, or unreadable (no rights, no service manager).
    ServiceState State(const std::string& name) const;
    // The program its command line starts (for the firewall rule); empty when unreadable.
    std::string Program(const std::string& name) const;

private:
    OwnedService manager_;
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
    explicit operator bool() const { return static_cast<bool>(key_); }
    const std::string& Error() const { return error_; }  // why it did not open

    std::optional<DWORD> Number(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
    // Every text value's name and text, in the registry's order.
    std::vector<std::pair<std::string, std::string>> Texts() const;
    // Empty when written; nullopt deletes the value.
    std::string SetNumber(const std::string& name, std::optional<DWORD> value);
    std::string SetText(const std::string& name, const std::optional<std::string>& value);

private:
    OwnedKey key_;
    std::string error_;
};

}  // namespace checker
