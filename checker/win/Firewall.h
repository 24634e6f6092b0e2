#pragma once
// The platform's firewall, through its COM interface (the rules of INetFwPolicy2): whether a rule
// of a given name exists, and adding or removing the inbound rules /corrigir makes. Where the
// firewall cannot be reached (its service stopped, a system without it), every call says so and
// nothing is counted as done.

#include <memory>
#include <optional>
#include <string>

namespace checker {

class Firewall {
public:
    Firewall();  // COM must be started on this thread
    ~Firewall();
    Firewall(const Firewall&) = delete;
    Firewall& operator=(const Firewall&) = delete;

    // Empty when the firewall's rules can be read and changed; else why not.
    const std::string& Unreachable() const { return error_; }

    std::optional<bool> HasRule(const std::string& name);
    // Each returns empty when done and read back, else why not. `what` is "programa:<path>" or
    // "udp:<port>", as the record holds it.
    std::string AddInboundRule(const std::string& name, const std::string& what);
    std::string RemoveRule(const std::string& name);

private:
    struct Rules;
    std::unique_ptr<Rules> rules_;  // the COM interfaces, in the .cpp
    std::string error_;
};

}  // namespace checker
