#include "checker/win/Network.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace checker {
namespace {

struct Winsock {
    Winsock() {
        WSADATA data;
        ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~Winsock() {
        if (ok) WSACleanup();
    }
    bool ok = false;
};

struct Socket {
    SOCKET s = INVALID_SOCKET;
    ~Socket() {
        if (s != INVALID_SOCKET) closesocket(s);
    }
};

struct Addresses {
    addrinfo* list = nullptr;
    ~Addresses() {
        if (list) freeaddrinfo(list);
    }
};

// IPv4 first: the name resolves as the driver resolves it. getaddrinfo has no time limit of its
// own (a name server that does not answer holds it for many seconds), so it runs on a thread of
// its own and is awaited for at most `wait`; a look-up that comes back later is left to end alone.
int Resolve(const std::string& host, const char* port, int type, std::chrono::milliseconds wait, Addresses& out) {
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int result = WSAETIMEDOUT;
        Addresses addresses;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, service = std::string(port), type] {
        Winsock winsock;  // its own: the caller's may be gone when this ends
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = type;
        addrinfo* list = nullptr;
        const int result = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
        std::lock_guard lock(lookup->mutex);
        lookup->result = result;
        lookup->addresses.list = list;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_for(lock, wait, [&] { return lookup->finished; })) return WSAETIMEDOUT;
    std::swap(out.list, lookup->addresses.list);
    return lookup->result;
}

std::string UnknownName(const std::string& host, int result, std::chrono::milliseconds wait) {
    if (result == WSAETIMEDOUT)
        return "o nome \"" + host + "\" não foi resolvido em " + std::to_string(wait.count()) + " ms (servidor de nomes)";
    return "o nome \"" + host + "\" não é conhecido nesta rede";
}

timeval Timeval(std::chrono::milliseconds wait) {
    return {static_cast<long>(wait.count() / 1000), static_cast<long>((wait.count() % 1000) * 1000)};
}

}  // namespace

std::optional<std::string> AskBrowser(const std::string& host, const std::string& request,
                                      std::chrono::milliseconds wait, std::string& error) {
    Winsock winsock;
    Addresses addresses;
    if (const int result = Resolve(host, "1434", SOCK_DGRAM, wait, addresses); result != 0) {
        error = UnknownName(host, result, wait);
        return std::nullopt;
    }
    Socket sock;
    sock.s = socket(addresses.list->ai_family, SOCK_DGRAM, IPPROTO_UDP);
    if (sock.s == INVALID_SOCKET ||
        sendto(sock.s, request.data(), static_cast<int>(request.size()), 0, addresses.list->ai_addr,
               static_cast<int>(addresses.list->ai_addrlen)) == SOCKET_ERROR) {
        error = "o pedido não pôde ser enviado";
        return std::nullopt;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(sock.s, &readable);
    timeval timeout = Timeval(wait);
    if (select(0, &readable, nullptr, nullptr, &timeout) != 1) return std::nullopt;
    char buffer[65536];
    const int got = recv(sock.s, buffer, sizeof buffer, 0);
    if (got <= 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
}

std::string TryTcp(const std::string& host, unsigned short port, std::chrono::milliseconds wait) {
    Winsock winsock;
    Addresses addresses;
    if (const int result = Resolve(host, std::to_string(port).c_str(), SOCK_STREAM, wait, addresses); result != 0)
        return UnknownName(host, result, wait);
    Socket sock;
    sock.s = socket(addresses.list->ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (sock.s == INVALID_SOCKET) return "não foi possível criar uma ligação TCP";
    u_long nonBlocking = 1;
    ioctlsocket(sock.s, FIONBIO, &nonBlocking);
    connect(sock.s, addresses.list->ai_addr, static_cast<int>(addresses.list->ai_addrlen));
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(sock.s, &writable);
    FD_SET(sock.s, &failed);
    timeval timeout = Timeval(wait);
    const int ready = select(0, nullptr, &writable, &failed, &timeout);
    if (ready == 0) return "sem resposta em " + std::to_string(wait.count() / 1000) + " s (firewall ou servidor desligado)";
    if (ready < 0 || FD_ISSET(sock.s, &failed)) return "ligação recusada: ninguém escuta nessa porta";
    int error = 0;
    int length = sizeof error;
    getsockopt(sock.s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    // Connected means a peer: a refusal can show as "writable" with no error yet (Wine does so).
    sockaddr_storage peer{};
    int peerLength = sizeof peer;
    if (error != 0 || getpeername(sock.s, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0)
        return "ligação recusada: ninguém escuta nessa porta";
    return {};
}

}  // namespace checker
