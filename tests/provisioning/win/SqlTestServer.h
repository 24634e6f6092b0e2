#pragma once
// The Windows tests' side of the SQL Server test server (tools/sqltestserver): a client of its
// supervisor's control port, and a small JSON reader for what it answers.
//
// The supervisor runs on the Linux side (a ctest fixture starts it); its control port is in the
// file that SQLTESTSERVER_PORT_FILE names. Each test starts an instance of its own, with its own
// scenario and port, so tests can run in parallel; the instance is stopped when the test ends.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sqltest {

// ---- JSON ----------------------------------------------------------------------------------------

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    bool IsNull() const { return kind == Kind::Null; }
    const Json& operator[](std::string_view key) const {
        static const Json none;
        for (const auto& [name, value] : members)
            if (name == key) return value;
        return none;
    }
    const Json& operator[](size_t index) const { return items.at(index); }
    size_t size() const { return kind == Kind::Array ? items.size() : members.size(); }
    long long Int() const { return static_cast<long long>(number); }
    const std::string& Str() const { return text; }
};

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : s_(text) {}

    Json Read() {
        Json value = Value();
        Blanks();
        if (i_ != s_.size()) Fail("trailing text");
        return value;
    }

private:
    [[noreturn]] void Fail(const char* what) { throw std::runtime_error(std::string("JSON: ") + what); }
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
    }
    bool Take(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (s_.substr(i_, word.size()) != word) return false;
        i_ += word.size();
        return true;
    }
    static void AppendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    unsigned Hex4() {
        if (i_ + 4 > s_.size()) Fail("bad escape");
        unsigned v = static_cast<unsigned>(std::stoul(std::string(s_.substr(i_, 4)), nullptr, 16));
        i_ += 4;
        return v;
    }
    std::string String() {
        std::string out;
        for (;;) {
            if (i_ >= s_.size()) Fail("unterminated string");
            const char c = s_[i_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = s_[i_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    unsigned cp = Hex4();
                    if (cp >= 0xD800 && cp < 0xDC00 && Word("\\u")) cp = 0x10000 + ((cp - 0xD800) << 10) + (Hex4() - 0xDC00);
                    AppendUtf8(out, cp);
                    break;
                }
                default: out += e;
            }
        }
    }
    Json Value() {
        Blanks();
        Json v;
        if (i_ >= s_.size()) Fail("unexpected end");
        const char c = s_[i_];
        if (c == '{') {
            ++i_;
            v.kind = Json::Kind::Object;
            if (Take('}')) return v;
            do {
                if (!Take('"')) Fail("key expected");
                std::string key = String();
                if (!Take(':')) Fail("':' expected");
                v.members.emplace_back(std::move(key), Value());
            } while (Take(','));
            if (!Take('}')) Fail("'}' expected");
        } else if (c == '[') {
            ++i_;
            v.kind = Json::Kind::Array;
            if (Take(']')) return v;
            do v.items.push_back(Value());
            while (Take(','));
            if (!Take(']')) Fail("']' expected");
        } else if (c == '"') {
            ++i_;
            v.kind = Json::Kind::String;
            v.text = String();
        } else if (Word("true")) {
            v.kind = Json::Kind::Bool;
            v.boolean = true;
        } else if (Word("false")) {
            v.kind = Json::Kind::Bool;
        } else if (Word("null")) {
        } else {
            size_t used = 0;
            v.kind = Json::Kind::Number;
            v.number = std::stod(std::string(s_.substr(i_, 40)), &used);
            i_ += used;
        }
        return v;
    }

    std::string_view s_;
    size_t i_ = 0;
};

inline Json ParseJson(std::string_view text) { return JsonReader(text).Read(); }

// A u8 literal as the UTF-8 bytes the server's answers hold.
inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// A JSON string literal of `text` (UTF-8 in, escapes for quotes, backslashes and controls).
inline std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// ---- control client ------------------------------------------------------------------------------

class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() { WSACleanup(); }
};

// The supervisor's control port, from the file the fixture wrote; 0 when there is none.
inline int SupervisorPort() {
    const char* file = std::getenv("SQLTESTSERVER_PORT_FILE");
    if (file == nullptr || *file == '\0') return 0;
    std::string path = file;
    if (!path.empty() && path[0] == '/') {  // a Linux path: Wine shows the root as drive Z:
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    std::ifstream in(path);
    int port = 0;
    in >> port;
    return port;
}

// Sends one request line; returns what follows "OK" (trimmed). Throws on "ERR ...".
inline std::string ControlRequest(int port, const std::string& line) {
    static WinsockSession winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket() failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        throw std::runtime_error("cannot reach the test server's supervisor");
    }
    const std::string request = line + "\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string answer;
    char buffer[65536];
    for (;;) {
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        answer.append(buffer, static_cast<size_t>(n));
        if (answer.back() == '\n') break;
    }
    closesocket(s);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (answer.rfind("OK", 0) != 0) throw std::runtime_error("test server: " + answer);
    answer.erase(0, 2);
    if (!answer.empty() && answer[0] == ' ') answer.erase(0, 1);
    return answer;
}

// One instance of the test server, started with a scenario (JSON text) and stopped on
// destruction.
class Instance {
public:
    explicit Instance(const std::string& scenarioJson = "{}") : control_(SupervisorPort()) {
        if (control_ == 0) throw std::runtime_error("SQLTESTSERVER_PORT_FILE names no running supervisor");
        std::string oneLine = scenarioJson;  // the request is one line
        for (char& c : oneLine)
            if (c == '\n' || c == '\r') c = ' ';
        std::istringstream answer(ControlRequest(control_, "START " + oneLine));
        answer >> id_ >> port_;
    }
    ~Instance() {
        try {
            if (stopHook_ != nullptr) stopHook_(*this);
            ControlRequest(control_, "STOP " + std::to_string(id_));
        } catch (...) {
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    int Port() const { return port_; }
    // "127.0.0.1,<port>": the server field of the wizard for this instance.
    std::string Server() const { return "127.0.0.1," + std::to_string(port_); }

    // Every event logged since the start (or since event index `first`).
    Json Log(size_t first = 0) const {
        return ParseJson(ControlRequest(control_, "LOG " + std::to_string(id_) + " " + std::to_string(first)));
    }
    // The events of one kind ("batch", "rpc", "login", "statement", "error", ...).
    std::vector<Json> Events(std::string_view kind) const {
        std::vector<Json> out;
        for (const Json& e : Log().items)
            if (e["event"].Str() == kind) out.push_back(e);
        return out;
    }
    // The texts of the SQL batches and RPC statements clients sent, in order.
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (const Json& e : Log().items) {
            if (e["event"].Str() == "batch") out.push_back(e["text"].Str());
            if (e["event"].Str() == "rpc" && e["params"].size() > 0) out.push_back(e["params"][0]["value"].Str());
        }
        return out;
    }
    // Runs SQL in the server's catalogue directly (not through TDS); the last row set.
    Json Query(const std::string& database, const std::string& sqlUtf8) const {
        return ParseJson(ControlRequest(control_, "QUERY " + std::to_string(id_) + " {\"database\": " +
                                                      JsonString(database) + ", \"sql\": " + JsonString(sqlUtf8) + "}"));
    }
    // One integer from a query (the first column of the first row); -1 for NULL.
    long long Scalar(const std::string& database, const std::string& sqlUtf8) const {
        const Json result = Query(database, sqlUtf8);
        const Json& value = result["rows"][0][0];
        return value.IsNull() ? -1 : value.Int();
    }
    Json State() const { return ParseJson(ControlRequest(control_, "STATE " + std::to_string(id_))); }

    // What happened to the connections, one line per event (requests counted, not quoted; no
    // password): for the report of a test that failed.
    std::string ConnectionSummary() const {
        std::string out = "test server on port " + std::to_string(port_) + ":\n";
        int requests = 0;
        const auto flushRequests = [&] {
            if (requests > 0) out += "  (" + std::to_string(requests) + " requests)\n";
            requests = 0;
        };
        for (const Json& e : Log().items) {
            const std::string& kind = e["event"].Str();
            if (kind == "batch" || kind == "rpc" || kind == "statement") {
                ++requests;
                continue;
            }
            flushRequests();
            out += "  " + kind;
            if (!e["conn"].IsNull()) out += " conn " + std::to_string(e["conn"].Int());
            for (const char* field : {"user", "database", "message", "action", "on"})
                if (e[field].kind == Json::Kind::String) out += std::string(" ") + field + "=" + e[field].Str();
            if (kind == "login") out += e["ok"].boolean ? " ok" : " refused";
            if (kind == "login" && !e["password_ok"].boolean) out += " (wrong password)";
            if (kind == "error") out += " number=" + std::to_string(e["number"].Int());
            out += "\n";
        }
        flushRequests();
        return out;
    }

    // Called with each instance just before it stops (a test suite prints the connections of a
    // failed test with it).
    static void SetStopHook(void (*hook)(const Instance&)) { stopHook_ = hook; }

private:
    inline static void (*stopHook_)(const Instance&) = nullptr;
    int control_;
    int id_ = 0;
    int port_ = 0;
};

}  // namespace sqltest
