#include "checker/ServerName.h"

#include "base/Text.h"

namespace checker {
namespace {

std::optional<unsigned short> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<unsigned short>(value);
}

}  // namespace

std::optional<ServerAddress> ParseServer(std::string_view text) {
    ServerAddress address;
    if (text.size() >= 4 && base::EqualsIgnoreCase(text.substr(0, 4), "tcp:")) text.remove_prefix(4);
    if (const std::size_t comma = text.find(','); comma != std::string_view::npos) {
        address.port = ParsePort(text.substr(comma + 1));
        if (!address.port) return std::nullopt;
        text = text.substr(0, comma);
    }
    if (const std::size_t slash = text.find('\\'); slash != std::string_view::npos) {
        address.instance = std::string(text.substr(slash + 1));
        text = text.substr(0, slash);
    }
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    address.host = (text == "." || base::EqualsIgnoreCase(text, "(local)")) ? "127.0.0.1" : std::string(text);
    return address;
}

std::optional<std::vector<BrowserInstance>> ParseBrowserAnswer(std::string_view datagram) {
    if (datagram.size() < 3 || datagram[0] != '\x05') return std::nullopt;
    const std::size_t length = static_cast<unsigned char>(datagram[1]) | (static_cast<unsigned char>(datagram[2]) << 8);
    if (length != datagram.size() - 3) return std::nullopt;
    std::string_view text = datagram.substr(3);
    std::vector<BrowserInstance> instances;
    // Instances are separated by ";;"; inside one, keys and values alternate.
    while (!text.empty()) {
        const std::size_t end = text.find(";;");
        std::string_view one = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
        BrowserInstance instance;
        while (!one.empty()) {
            const std::size_t keyEnd = one.find(';');
            const std::string_view key = one.substr(0, keyEnd);
            std::string_view value;
            if (keyEnd == std::string_view::npos) {
                one = {};
            } else {
                one.remove_prefix(keyEnd + 1);
                const std::size_t valueEnd = one.find(';');
                value = one.substr(0, valueEnd);
                one = valueEnd == std::string_view::npos ? std::string_view() : one.substr(valueEnd + 1);
            }
            if (base::EqualsIgnoreCase(key, "ServerName")) instance.server = value;
            else if (base::EqualsIgnoreCase(key, "InstanceName")) instance.instance = value;
            else if (base::EqualsIgnoreCase(key, "Version")) instance.version = value;
            else if (base::EqualsIgnoreCase(key, "tcp")) instance.tcpPort = ParsePort(value);
        }
        if (!instance.instance.empty()) instances.push_back(std::move(instance));
    }
    return instances;
}

}  // namespace checker
