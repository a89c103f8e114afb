// The loopback service: answers each request with the next scripted reply and
// records what arrived, byte for byte.

#include <ws2tcpip.h>

#include <cctype>

#include "net/service_endpoint.h"
#include "tests/blackbox/harness.h"

namespace {

constexpr DWORD kReceiveTimeoutMs = 10000;
constexpr std::size_t kMiB = 1024 * 1024;

std::uint16_t OriginPort() {
    const std::wstring origin(ServiceOrigin());
    return static_cast<std::uint16_t>(std::stoi(origin.substr(origin.rfind(L':') + 1)));
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool SendAll(SOCKET connection, std::string_view bytes) {
    while (!bytes.empty()) {
        const int sent = send(connection, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool ReceiveUntil(SOCKET connection, std::string& buffer, std::size_t size) {
    char chunk[4096];
    while (buffer.size() < size) {
        const int got = recv(connection, chunk, sizeof(chunk), 0);
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
}

// A retried WinHTTP request repeats its header lines coalesced, "57; 57": the
// leading number counts.
std::size_t ContentLength(const RecordedRequest& request) {
    for (const std::string& line : request.headerLines) {
        if (_strnicmp(line.c_str(), "Content-Length:", 15) == 0) return std::stoul(line.substr(15));
    }
    return 0;
}

std::optional<RecordedRequest> Receive(SOCKET connection) {
    std::string buffer;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!ReceiveUntil(connection, buffer, buffer.size() + 1)) return std::nullopt;
    }
    RecordedRequest request;
    for (std::size_t start = 0; start < headEnd;) {
        const std::size_t end = buffer.find("\r\n", start);
        std::string line = buffer.substr(start, end - start);
        if (request.requestLine.empty()) {
            request.requestLine = std::move(line);
        } else {
            request.headerLines.push_back(std::move(line));
        }
        start = end + 2;
    }
    const std::size_t length = ContentLength(request);
    if (!ReceiveUntil(connection, buffer, headEnd + 4 + length)) return std::nullopt;
    request.body = buffer.substr(headEnd + 4, length);
    return request;
}

std::string Head(const ScriptedReply& reply, std::size_t length) {
    return "HTTP/1.1 " + std::to_string(reply.status) + (reply.status == 200 ? " OK" : " Error") +
           "\r\nContent-Type: " + reply.contentType +
           "\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
}

}  // namespace

ScriptedReply Reply(std::string body, int status) {
    return {.status = status, .body = std::move(body)};
}

ScriptedReply DroppedReply() {
    return {.fault = ScriptedReply::Fault::Drop};
}

ScriptedReply TruncatedReply(std::string body) {
    return {.body = std::move(body), .fault = ScriptedReply::Fault::Truncate};
}

ScriptedReply RawReply(std::string bytes) {
    return {.body = std::move(bytes), .fault = ScriptedReply::Fault::Raw};
}

ScriptedReply SlowReply(std::string body) {
    return {.body = std::move(body), .delay = std::chrono::milliseconds(1500)};
}

ScriptedReply MiBReply(std::string start) {
    return Reply(start + std::string(kMiB, 'x'));
}

ScriptedReply GarbageMiBReply() {
    std::string body(kMiB, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(1 + (i * 7 + 13) % 255);
    return Reply(std::move(body));
}

ScriptedReply HtmlErrorReply() {
    return {.status = 500,
            .body =
                "<!DOCTYPE html><html><head><title>500 Internal Server Error</title></head>"
                "<body><h1>Internal Server Error</h1></body></html>",
            .contentType = "text/html"};
}

std::string RecordedRequest::Field(std::string_view name) const {
    for (std::size_t start = 0; start <= body.size();) {
        std::size_t end = body.find('&', start);
        if (end == std::string::npos) end = body.size();
        const std::string_view field = std::string_view(body).substr(start, end - start);
        if (field.substr(0, name.size()) == name && field.size() > name.size() &&
            field[name.size()] == '=') {
            return std::string(field.substr(name.size() + 1));
        }
        start = end + 1;
    }
    return "<absent>";
}

LoopbackServer::LoopbackServer(std::vector<ScriptedReply> script, ScriptedReply otherwise)
    : script_(script.begin(), script.end()), otherwise_(std::move(otherwise)) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    // Each case binds the port again while connections of the one before may
    // linger in TIME_WAIT.
    const BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
               sizeof(reuse));
    const sockaddr_in address = Loopback(OriginPort());
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, SOMAXCONN) != 0) {
        return;
    }
    thread_ = std::thread([this] {
        for (;;) {
            const SOCKET connection = accept(listener_, nullptr, nullptr);
            {
                std::lock_guard lock(mutex_);
                if (connection == INVALID_SOCKET || stopping_) break;
                current_ = connection;
            }
            Serve(connection);
            std::lock_guard lock(mutex_);
            current_ = INVALID_SOCKET;
            closesocket(connection);
        }
    });
}

LoopbackServer::~LoopbackServer() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            if (current_ != INVALID_SOCKET) shutdown(current_, SD_BOTH);
        }
        stopped_.notify_all();
        // A throwaway connection lets the blocking accept return.
        const SOCKET wake = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        const sockaddr_in address = Loopback(OriginPort());
        connect(wake, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        closesocket(wake);
        thread_.join();
    }
    closesocket(listener_);
    WSACleanup();
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

ScriptedReply LoopbackServer::Next() {
    std::lock_guard lock(mutex_);
    if (script_.empty()) return otherwise_;
    ScriptedReply reply = std::move(script_.front());
    script_.pop_front();
    return reply;
}

void LoopbackServer::Serve(SOCKET connection) {
    const DWORD timeout = kReceiveTimeoutMs;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    std::optional<RecordedRequest> request = Receive(connection);
    if (!request) return;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(*request));
    }
    const ScriptedReply reply = Next();
    {
        std::unique_lock lock(mutex_);
        if (stopped_.wait_for(lock, reply.delay, [this] { return stopping_; })) return;
    }
    switch (reply.fault) {
        case ScriptedReply::Fault::Drop:
            return;
        case ScriptedReply::Fault::Truncate:
            SendAll(connection, Head(reply, reply.body.size() + 1000) + reply.body);
            return;
        case ScriptedReply::Fault::Raw:
            SendAll(connection, reply.body);
            break;
        case ScriptedReply::Fault::None:
            SendAll(connection, Head(reply, reply.body.size()) + reply.body);
            break;
    }
    shutdown(connection, SD_SEND);
}
