#pragma once
// An HTTP server on 127.0.0.1 inside the test process: it answers each request
// with the next scripted reply and records what arrived, byte for byte. It also
// serves as the target of a forward proxy (the request line then holds the
// absolute URI).

#include <winsock2.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The port of the build's service origin, where the program under test posts.
std::uint16_t ServiceOriginPort();

struct ScriptedReply {
    enum class Fault {
        None,
        Drop,      // close the connection without any answer
        Truncate,  // announce more bytes than the body has, send the body, close
        Raw,       // send the body as the whole answer, no status line or headers, close
    };
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
    std::chrono::milliseconds delay{0};  // before answering
    Fault fault = Fault::None;
};

// A reply with this body and status.
ScriptedReply Reply(std::string body, int status = 200);
// A connection closed without any answer.
ScriptedReply DroppedReply();
// An answer that announces more bytes than `body` and ends after it.
ScriptedReply TruncatedReply(std::string body);
// These bytes as the whole answer, HTTP or not.
ScriptedReply RawReply(std::string bytes);

struct RecordedRequest {
    std::string requestLine;               // e.g. "POST /device_point.php HTTP/1.1"
    std::vector<std::string> headerLines;  // in order, without their CR LF
    std::string body;                      // exactly the bytes announced by Content-Length

    // The value of the first header line with that name (any case), or nothing.
    std::optional<std::string> Header(std::string_view name) const;
};

class LoopbackServer {
  public:
    explicit LoopbackServer(std::uint16_t port = ServiceOriginPort());
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // False when the port could not be bound.
    bool Listening() const;
    std::uint16_t Port() const;

    // Queues replies, answered one per request in order.
    void Script(std::vector<ScriptedReply> replies);
    // The answer once the script is used up (initially status 200, empty body).
    void SetDefaultReply(ScriptedReply reply);

    std::vector<RecordedRequest> Requests() const;
    std::size_t RequestCount() const;
    // Waits until at least `count` requests were recorded; false on time-out.
    bool WaitForRequests(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

  private:
    void AcceptLoop();
    void Serve(SOCKET connection);
    ScriptedReply NextReply();
    // Waits out a scripted delay; returns early, false, when the server stops.
    bool Delay(std::chrono::milliseconds delay);

    std::uint16_t port_;
    SOCKET listener_ = INVALID_SOCKET;
    bool winsockStarted_ = false;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    SOCKET current_ = INVALID_SOCKET;
    std::deque<ScriptedReply> script_;
    ScriptedReply defaultReply_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};
