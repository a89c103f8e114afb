#include "tests/support/service_control.h"

#include <cstdlib>

#include "tests/support/loopback_server.h"

namespace {

// A control request that takes longer than this means the service is not there.
constexpr DWORD kTimeoutMs = 10000;

class WinsockSession {
  public:
    WinsockSession() {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (started_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

  private:
    bool started_ = false;
};

class Socket {
  public:
    Socket() : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return socket_; }

  private:
    SOCKET socket_;
};

bool SendAll(SOCKET connection, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n =
            send(connection, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<HttpReply> ParseReply(const std::string& received) {
    const std::size_t headEnd = received.find("\r\n\r\n");
    const std::size_t statusStart = received.find(' ');
    if (headEnd == std::string::npos || statusStart == std::string::npos) return std::nullopt;
    HttpReply reply;
    reply.status = std::atoi(received.c_str() + statusStart + 1);
    reply.body = received.substr(headEnd + 4);
    return reply;
}

// The journal keeps raw bytes as text whose characters are the byte values; in
// JSON (UTF-8) each is one or two bytes long.
std::string Latin1Bytes(const std::string& utf8) {
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xC0 && i + 1 < utf8.size()) {
            bytes += static_cast<char>(((lead & 0x1F) << 6) | (utf8[++i] & 0x3F));
        } else {
            bytes += static_cast<char>(lead);
        }
    }
    return bytes;
}

std::optional<JsonValue> JsonRequest(const std::string& method, const std::string& target,
                                     const std::string& body = "") {
    const auto reply = ServiceRequest(method, target, body);
    if (!reply || reply->status != 200) return std::nullopt;
    return ParseJson(reply->body);
}

ServiceRequestRecord RecordOf(const JsonValue& entry) {
    ServiceRequestRecord record;
    if (entry["action"].kind == JsonValue::Kind::String) record.action = entry["action"].text;
    for (const JsonMember& field : entry["fields"].members) {
        record.fields.emplace_back(field.name, field.value.text);
    }
    for (const JsonValue& line : entry["header_lines"].items)
        record.headerLines.push_back(line.text);
    record.reply = Latin1Bytes(entry["reply_text"].text);
    return record;
}

}  // namespace

std::optional<HttpReply> ServiceRequest(const std::string& method, const std::string& target,
                                        const std::string& body) {
    const WinsockSession session;
    const Socket connection;
    if (connection.Get() == INVALID_SOCKET) return std::nullopt;
    const DWORD timeout = kTimeoutMs;
    setsockopt(connection.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(ServiceOriginPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(connection.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
        0) {
        return std::nullopt;
    }
    const std::string request =
        method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
        "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    if (!SendAll(connection.Get(), request)) return std::nullopt;
    // The service closes the connection after its reply.
    std::string received;
    char chunk[4096];
    int got = 0;
    while ((got = recv(connection.Get(), chunk, sizeof(chunk), 0)) > 0) {
        received.append(chunk, static_cast<std::size_t>(got));
    }
    if (got < 0) return std::nullopt;
    return ParseReply(received);
}

bool ResetService() {
    return JsonRequest("POST", "/__reset").has_value();
}

std::optional<SeededAccount> SeedAccount(const std::string& userName, const std::string& password,
                                         const std::vector<std::string>& profiles) {
    std::string names;
    for (const std::string& name : profiles) {
        names += (names.empty() ? "" : ", ") + JsonQuote(name);
    }
    const std::string description = "{\"uname\": " + JsonQuote(userName) +
                                    ", \"password\": " + JsonQuote(password) + ", \"profiles\": [" +
                                    names + "]}";
    const auto account = JsonRequest("POST", "/__seed", description);
    if (!account) return std::nullopt;
    SeededAccount seeded;
    seeded.userId = static_cast<int>((*account)["user_id"].Integer());
    seeded.digest = (*account)["pmd5"].text;
    for (const JsonValue& profile : (*account)["profiles"].items) {
        seeded.profiles.push_back(
            {static_cast<int>(profile["profile_id"].Integer()), profile["name"].text});
    }
    return seeded;
}

std::vector<ServiceRequestRecord> ServiceJournal() {
    std::vector<ServiceRequestRecord> journal;
    const auto entries = JsonRequest("GET", "/__journal");
    if (!entries) return journal;
    for (const JsonValue& entry : entries->items) journal.push_back(RecordOf(entry));
    return journal;
}

std::vector<std::string> Actions(const std::vector<ServiceRequestRecord>& journal) {
    std::vector<std::string> actions;
    for (const auto& record : journal) actions.push_back(record.action);
    return actions;
}

std::optional<JsonValue> ServiceState() {
    return JsonRequest("GET", "/__state");
}

bool QueueFaults(const std::string& json) {
    return JsonRequest("POST", "/__faults", json).has_value();
}
