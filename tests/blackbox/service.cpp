#include "tests/blackbox/service.h"

#include <winhttp.h>
#include <ws2tcpip.h>

#include <cstdio>

#include <optional>

namespace {

sockaddr_in OriginAddress() {
    const std::wstring origin(kServiceOrigin);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port =
        htons(static_cast<u_short>(std::stoi(origin.substr(origin.rfind(L':') + 1))));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void SendAll(SOCKET connection, std::string_view bytes) {
    for (int sent = 0; !bytes.empty(); bytes.remove_prefix(static_cast<std::size_t>(sent))) {
        if ((sent = send(connection, bytes.data(), static_cast<int>(bytes.size()), 0)) <= 0) return;
    }
}

bool ReceiveUntil(SOCKET connection, std::string& buffer, std::size_t size) {
    char chunk[4096];
    for (int got = 0; buffer.size() < size; buffer.append(chunk, static_cast<std::size_t>(got))) {
        if ((got = recv(connection, chunk, sizeof(chunk), 0)) <= 0) return false;
    }
    return true;
}

// The head up to the blank line, then as many bytes as Content-Length says. A
// retried WinHTTP request repeats its header lines coalesced, "57; 57".
std::optional<RecordedRequest> Receive(SOCKET connection) {
    std::string buffer;
    std::size_t end = std::string::npos;
    while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!ReceiveUntil(connection, buffer, buffer.size() + 1)) return std::nullopt;
    }
    RecordedRequest request;
    std::size_t length = 0;
    for (std::size_t start = buffer.find("\r\n") + 2; start < end + 2;) {
        const std::size_t next = buffer.find("\r\n", start);
        request.headerLines.push_back(buffer.substr(start, next - start));
        if (_strnicmp(request.headerLines.back().c_str(), "Content-Length:", 15) == 0) {
            length = std::stoul(request.headerLines.back().substr(15));
        }
        start = next + 2;
    }
    request.requestLine = buffer.substr(0, buffer.find("\r\n"));
    if (!ReceiveUntil(connection, buffer, end + 4 + length)) return std::nullopt;
    request.body = buffer.substr(end + 4, length);
    return request;
}

std::string Head(const ScriptedReply& reply, std::size_t length) {
    return "HTTP/1.1 " + std::to_string(reply.status) + (reply.status == 200 ? " OK" : " Error") +
           "\r\nContent-Type: " + reply.contentType +
           (reply.location.empty() ? "" : "\r\nLocation: " + reply.location) +
           "\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
}

}  // namespace

bool UnderWine() {
    static const bool wine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

bool ProxyConfigured() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
    WINHTTP_PROXY_INFO machine{};
    WinHttpGetIEProxyConfigForCurrentUser(&user);
    WinHttpGetDefaultProxyConfiguration(&machine);
    const LPWSTR texts[] = {user.lpszAutoConfigUrl, user.lpszProxy, machine.lpszProxy,
                            user.lpszProxyBypass, machine.lpszProxyBypass};
    for (const LPWSTR text : texts) GlobalFree(text);
    return texts[0] || texts[1] || texts[2];
}

ScriptedReply GarbageMiBReply() {
    std::string body(1 << 20, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(1 + (i * 7 + 13) % 255);
    return Reply(std::move(body));
}

std::string RecordedRequest::Field(std::string_view name) const {
    const std::string key = "&" + std::string(name) + "=", text = "&" + body;
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return "<absent>";
    const std::size_t start = at + key.size();
    return text.substr(start, text.find('&', start) - start);
}

LoopbackServer::LoopbackServer(std::vector<ScriptedReply> script, ScriptedReply otherwise)
    : script_(script.begin(), script.end()), otherwise_(std::move(otherwise)) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    // The port is this server's alone: no other program may listen on it beside it.
    // Each case binds it again while connections of the one before may linger.
    const BOOL exclusive = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&exclusive), sizeof(exclusive));
    const sockaddr_in address = OriginAddress();
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, SOMAXCONN) != 0) {
        std::fprintf(stderr,
                     "the loopback port %u is taken by another program (error %d): the "
                     "Tirna service cannot be played there\n",
                     ntohs(address.sin_port), WSAGetLastError());
        return;
    }
    thread_ = std::thread([this] {
        for (SOCKET connection;
             (connection = accept(listener_, nullptr, nullptr)) != INVALID_SOCKET;) {
            {
                std::lock_guard lock(mutex_);
                if (stopping_) break;
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
        const sockaddr_in address = OriginAddress();
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

void LoopbackServer::Serve(SOCKET connection) {
    const DWORD timeoutMs = 10000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof(timeoutMs));
    std::optional<RecordedRequest> request = Receive(connection);
    if (!request) return;
    std::unique_lock lock(mutex_);
    requests_.push_back(std::move(*request));
    ScriptedReply reply = script_.empty() ? otherwise_ : std::move(script_.front());
    if (!script_.empty()) script_.pop_front();
    if (stopped_.wait_for(lock, reply.delay, [this] { return stopping_; })) return;
    lock.unlock();
    using Fault = ScriptedReply::Fault;
    if (reply.fault == Fault::Drop) return;
    const std::size_t announced = reply.body.size() + (reply.fault == Fault::Truncate ? 1000 : 0);
    SendAll(connection, Head(reply, announced) + reply.body);
    if (reply.fault != Fault::Truncate) shutdown(connection, SD_SEND);
}
