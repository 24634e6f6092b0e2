#include "checker/win/Network.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "checker/win/Owned.h"

namespace checker {
namespace {

// IPv4 first: the name resolves as the driver resolves it. getaddrinfo has no time limit of its
// own (a name server that does not answer holds it for many seconds), so it runs on a thread of
// its own and is awaited for at most `wait`; a look-up that comes back later is left to end alone.
NameLookup Resolve(const std::string& host, const char* port, int type, std::chrono::milliseconds wait,
                   OwnedAddresses& out) {
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int result = WSAETIMEDOUT;
        OwnedAddresses addresses;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, service = std::string(port), type] {
        WinsockSession winsock;  // its own: the caller's may be gone when this ends
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = type;
        OwnedAddresses list;
        const int result = getaddrinfo(host.c_str(), service.c_str(), &hints, list.Put());
        std::lock_guard lock(lookup->mutex);
        lookup->result = result;
        lookup->addresses = std::move(list);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, wait, [&] { return lookup->finished; })) return NameLookup::TimedOut;
    if (lookup->result != 0 || !lookup->addresses) return NameLookup::Unknown;
    out = std::move(lookup->addresses);
    return NameLookup::Known;
}

timeval Timeval(std::chrono::milliseconds wait) {
    return {static_cast<long>(wait.count() / 1000), static_cast<long>((wait.count() % 1000) * 1000)};
}

// One request, its answer awaited for at most `wait`: nullopt when none came or it could not be sent.
std::optional<std::string> Request(SOCKET s, const addrinfo& to, const std::string& request,
                                   std::chrono::milliseconds wait, bool& sent) {
    sent = sendto(s, request.data(), static_cast<int>(request.size()), 0, to.ai_addr, static_cast<int>(to.ai_addrlen)) !=
           SOCKET_ERROR;
    if (!sent) return std::nullopt;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval timeout = Timeval(wait);
    if (select(0, &readable, nullptr, nullptr, &timeout) != 1) return std::nullopt;
    char buffer[65536];
    const int got = recv(s, buffer, sizeof buffer, 0);
    if (got <= 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
}

}  // namespace

BrowserProbe AskBrowser(const std::string& host, const std::string& instance, std::chrono::milliseconds wait) {
    BrowserProbe probe;
    probe.wait = wait;
    WinsockSession winsock;
    OwnedAddresses addresses;
    probe.lookup = Resolve(host, "1434", SOCK_DGRAM, wait, addresses);
    if (probe.lookup != NameLookup::Known) {
        probe.outcome = BrowserProbe::Outcome::NameUnknown;
        return probe;
    }
    OwnedSocket sock(socket(addresses.Get()->ai_family, SOCK_DGRAM, IPPROTO_UDP));
    bool sent = false;
    std::optional<std::string> answer;
    if (sock) answer = Request(sock.Get(), *addresses.Get(), std::string("\x04", 1) + instance + std::string("\0", 1), wait, sent);
    if (!sock || !sent) {
        probe.outcome = BrowserProbe::Outcome::SendFailed;
        return probe;
    }
    if (const auto instances = answer ? ParseBrowserAnswer(*answer) : std::nullopt; instances && !instances->empty()) {
        probe.outcome = BrowserProbe::Outcome::Answered;
        probe.instances = *instances;
        return probe;
    }
    // Silent for this name: does it answer at all?
    probe.outcome = BrowserProbe::Outcome::Silent;
    const OwnedSocket again(socket(addresses.Get()->ai_family, SOCK_DGRAM, IPPROTO_UDP));
    const std::optional<std::string> all =
        again ? Request(again.Get(), *addresses.Get(), "\x03", wait, sent) : std::nullopt;
    if (const auto known = all ? ParseBrowserAnswer(*all) : std::nullopt) probe.instances = *known;
    return probe;
}

TcpProbe TryTcp(const std::string& host, unsigned short port, std::chrono::milliseconds wait) {
    TcpProbe probe{TcpProbe::Outcome::Refused, NameLookup::Known, host, port, wait};
    WinsockSession winsock;
    OwnedAddresses addresses;
    probe.lookup = Resolve(host, std::to_string(port).c_str(), SOCK_STREAM, wait, addresses);
    if (probe.lookup != NameLookup::Known) {
        probe.outcome = TcpProbe::Outcome::NameUnknown;
        return probe;
    }
    OwnedSocket sock(socket(addresses.Get()->ai_family, SOCK_STREAM, IPPROTO_TCP));
    if (!sock) {
        probe.outcome = TcpProbe::Outcome::SocketFailed;
        return probe;
    }
    u_long nonBlocking = 1;
    ioctlsocket(sock.Get(), FIONBIO, &nonBlocking);
    connect(sock.Get(), addresses.Get()->ai_addr, static_cast<int>(addresses.Get()->ai_addrlen));
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(sock.Get(), &writable);
    FD_SET(sock.Get(), &failed);
    timeval timeout = Timeval(wait);
    const int ready = select(0, nullptr, &writable, &failed, &timeout);
    if (ready == 0) {
        probe.outcome = TcpProbe::Outcome::NoAnswer;
        return probe;
    }
    if (ready < 0 || FD_ISSET(sock.Get(), &failed)) return probe;  // refused
    int error = 0;
    int length = sizeof error;
    getsockopt(sock.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    // Connected means a peer: a refusal can show as "writable" with no error yet (Wine does so).
    sockaddr_storage peer{};
    int peerLength = sizeof peer;
    if (error == 0 && getpeername(sock.Get(), reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0)
        probe.outcome = TcpProbe::Outcome::Accepted;
    return probe;
}

}  // namespace checker
