#pragma once
// The network probes before the login, as another till reaches the server: the SQL Server Browser
// (UDP 1434) for a named instance without a port, then a TCP connection to the port. Each probe's
// outcome is plain data (gathered by checker/win/Network.h); here it is judged into its finding,
// and the next step is chosen: which port to try, whether the login is worth trying. On the
// server's own PC (`local`, the addressed instance, nullptr elsewhere) the wizard reaches the
// server without the network, so a failed probe is an AVISO there and the login is still tried.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "checker/Causes.h"
#include "checker/LocalServer.h"
#include "checker/Report.h"
#include "checker/ServerName.h"

namespace checker {

// A host name that was looked up: known, unknown, or not resolved within the wait (a name server
// that does not answer).
enum class NameLookup { Known, Unknown, TimedOut };

struct BrowserProbe {
    enum class Outcome {
        NotAsked,
        Answered,       // the instance's entry (instances.front())
        NameUnknown,    // `lookup` says why
        SendFailed,
        Silent,         // no answer for this instance; `instances` holds what a request for all gave
    } outcome = Outcome::NotAsked;
    NameLookup lookup = NameLookup::Known;
    std::vector<BrowserInstance> instances;
    std::chrono::milliseconds wait{0};
};

struct TcpProbe {
    enum class Outcome { NotTried, Accepted, Refused, NoAnswer, NameUnknown, SocketFailed } outcome = Outcome::NotTried;
    NameLookup lookup = NameLookup::Known;
    std::string host;
    unsigned short port = 0;
    std::chrono::milliseconds wait{0};
};

// Whether the Browser is asked: a named instance without a port.
bool AsksBrowser(const ServerAddress& address);

// The Browser's finding; nothing when it was not asked.
std::optional<Finding> BrowserFinding(const BrowserProbe& probe, const ServerAddress& address,
                                      const InstalledInstance* local);

// The port the TCP probe tries; nothing when no probe is due: the Browser failed elsewhere than
// on this PC, or this PC's registry already said what a probe would (TCP/IP disabled; a named
// instance whose port the Browser did not give).
std::optional<unsigned short> TcpPortToProbe(const ServerAddress& address, const BrowserProbe& browser,
                                             const InstalledInstance* local);

Finding TcpFinding(const TcpProbe& probe, const InstalledInstance* local);

// False when the login is not worth trying: a probe failed, and the instance is not on this PC.
bool LoginWorthTrying(const BrowserProbe& browser, const TcpProbe& tcp, const InstalledInstance* local);

// What the probes and this PC's facts say of the way to the server, for a failed login's cause.
Reach ReachOf(const BrowserProbe& browser, const TcpProbe& tcp, const InstalledInstance* local);

}  // namespace checker
