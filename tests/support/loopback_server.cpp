#include "tests/support/loopback_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>

#include "net/service_endpoint.h"

namespace {

// A request that has not arrived whole after this long is given up.
constexpr DWORD kReceiveTimeoutMs = 10000;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The leading decimal number of a header value. A retried WinHTTP request repeats
// its lines coalesced with a semicolon, "57; 57", which still means 57.
std::size_t LeadingNumber(std::string_view value) {
    std::size_t i = value.find_first_not_of(' ');
    std::size_t number = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        number = number * 10 + static_cast<std::size_t>(value[i] - '0');
    }
    return number;
}

bool SendAll(SOCKET connection, std::string_view bytes) {
    while (!bytes.empty()) {
        const int sent = send(connection, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Reads until `buffer` holds at least `size` bytes; false when the peer stops first.
bool ReceiveUntil(SOCKET connection, std::string& buffer, std::size_t size) {
    char chunk[4096];
    while (buffer.size() < size) {
        const int got = recv(connection, chunk, sizeof(chunk), 0);
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
}

// One whole request: its head up to the blank line, then Content-Length body bytes.
std::optional<RecordedRequest> ReceiveRequest(SOCKET connection) {
    std::string buffer;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!ReceiveUntil(connection, buffer, buffer.size() + 1)) return std::nullopt;
    }
    RecordedRequest request;
    std::size_t start = 0;
    while (start < headEnd) {
        const std::size_t end = buffer.find("\r\n", start);
        std::string line = buffer.substr(start, end - start);
        if (request.requestLine.empty()) {
            request.requestLine = std::move(line);
        } else {
            request.headerLines.push_back(std::move(line));
        }
        start = end + 2;
    }
    const std::size_t bodyStart = headEnd + 4;
    const std::size_t length = LeadingNumber(request.Header("Content-Length").value_or(""));
    if (!ReceiveUntil(connection, buffer, bodyStart + length)) return std::nullopt;
    request.body = buffer.substr(bodyStart, length);
    return request;
}

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A throwaway connection that lets a blocking accept return, so that the accept
// loop sees that the server stops.
void WakeAcceptLoop(std::uint16_t port) {
    const SOCKET wake = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = LoopbackAddress(port);
    connect(wake, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    closesocket(wake);
}

std::string ResponseHead(int status, const std::string& contentType, std::size_t length) {
    const char* reason = status == 200 ? "OK" : status == 500 ? "Internal Server Error" : "Reply";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n";
}

}  // namespace

std::uint16_t ServiceOriginPort() {
    const std::wstring_view origin = ServiceOrigin();
    const std::size_t hostStart = origin.find(L"://") + 3;
    const std::size_t colon = origin.find(L':', hostStart);
    if (colon == std::wstring_view::npos) return 80;
    return static_cast<std::uint16_t>(std::stoi(std::wstring(origin.substr(colon + 1))));
}

ScriptedReply Reply(std::string body, int status) {
    ScriptedReply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

ScriptedReply DroppedReply() {
    ScriptedReply reply;
    reply.fault = ScriptedReply::Fault::Drop;
    return reply;
}

ScriptedReply TruncatedReply(std::string body) {
    ScriptedReply reply = Reply(std::move(body));
    reply.fault = ScriptedReply::Fault::Truncate;
    return reply;
}

ScriptedReply RawReply(std::string bytes) {
    ScriptedReply reply = Reply(std::move(bytes));
    reply.fault = ScriptedReply::Fault::Raw;
    return reply;
}

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
    for (const auto& line : headerLines) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (!EqualsIgnoringCase(std::string_view(line).substr(0, colon), name)) continue;
        const std::size_t value = line.find_first_not_of(' ', colon + 1);
        return value == std::string::npos ? std::string() : line.substr(value);
    }
    return std::nullopt;
}

LoopbackServer::LoopbackServer(std::uint16_t port) : port_(port) {
    WSADATA data{};
    winsockStarted_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) return;
    // Each test process binds the same port again while connections of the one
    // before may linger in TIME_WAIT; it never means two listeners at once here.
    const BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
               sizeof(reuse));
    const sockaddr_in address = LoopbackAddress(port_);
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, SOMAXCONN) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return;
    }
    sockaddr_in bound{};
    int boundSize = sizeof(bound);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &boundSize);
    port_ = ntohs(bound.sin_port);
    thread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            // Wakes a connection blocked in recv.
            if (current_ != INVALID_SOCKET) shutdown(current_, SD_BOTH);
        }
        changed_.notify_all();
        WakeAcceptLoop(port_);
        thread_.join();
    }
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (winsockStarted_) WSACleanup();
}

bool LoopbackServer::Listening() const {
    return thread_.joinable();
}

std::uint16_t LoopbackServer::Port() const {
    return port_;
}

void LoopbackServer::Script(std::vector<ScriptedReply> replies) {
    std::lock_guard lock(mutex_);
    script_.insert(script_.end(), replies.begin(), replies.end());
}

void LoopbackServer::SetDefaultReply(ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    defaultReply_ = std::move(reply);
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t LoopbackServer::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

bool LoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void LoopbackServer::AcceptLoop() {
    for (;;) {
        const SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) return;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                closesocket(connection);
                return;
            }
            current_ = connection;
        }
        Serve(connection);
        {
            std::lock_guard lock(mutex_);
            current_ = INVALID_SOCKET;
        }
        closesocket(connection);
    }
}

// One request per connection: every answer says "Connection: close".
void LoopbackServer::Serve(SOCKET connection) {
    const DWORD timeout = kReceiveTimeoutMs;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    std::optional<RecordedRequest> request = ReceiveRequest(connection);
    if (!request) return;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(*request));
    }
    changed_.notify_all();

    const ScriptedReply reply = NextReply();
    if (!Delay(reply.delay)) return;
    switch (reply.fault) {
        case ScriptedReply::Fault::Drop:
            return;
        case ScriptedReply::Fault::Truncate:
            SendAll(connection,
                    ResponseHead(reply.status, reply.contentType, reply.body.size() + 1000) +
                        reply.body);
            return;
        case ScriptedReply::Fault::Raw:
            SendAll(connection, reply.body);
            shutdown(connection, SD_SEND);
            return;
        case ScriptedReply::Fault::None:
            SendAll(connection,
                    ResponseHead(reply.status, reply.contentType, reply.body.size()) + reply.body);
            shutdown(connection, SD_SEND);
            return;
    }
}

ScriptedReply LoopbackServer::NextReply() {
    std::lock_guard lock(mutex_);
    if (script_.empty()) return defaultReply_;
    ScriptedReply reply = std::move(script_.front());
    script_.pop_front();
    return reply;
}

bool LoopbackServer::Delay(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, delay, [this] { return stopping_; });
}
