#pragma once
// The loopback service that plays the Tirna service on the port of the build's
// origin: it answers each request with the next scripted reply, then with the
// standing one, and records each request as it arrived, byte for byte.

#include <winsock2.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Whether this runs under Wine, which the tests' own set-up pins (code page 1252, no
// proxy, ...). On Windows the checks that hold only under Wine skip, with their reason.
bool UnderWine();
// Whether the current user or WinHTTP has a proxy (or a script) that the program
// tries after a failed send: a dropped or absent service is then met differently.
bool ProxyConfigured();

// The origin the program was built for (the build passes it to the tests too).
inline constexpr std::wstring_view kServiceOrigin = TIRNA_SERVICE_ORIGIN;

struct ScriptedReply {
    enum class Fault { None, Drop, Truncate };
    int status = 200;
    std::string body{};
    std::string contentType = "text/plain";
    std::chrono::milliseconds delay{0};  // before answering
    Fault fault = Fault::None;
    std::string location{};  // a Location header line when not empty
};
// clang-format off
inline auto Reply = [](std::string body, int status = 200) {
    return ScriptedReply{.status = status, .body = std::move(body)}; };
inline auto DroppedReply = [] { return ScriptedReply{.fault = ScriptedReply::Fault::Drop}; };  // no answer at all
// Announces 1000 bytes more than it sends.
inline auto TruncatedReply = [](std::string body) {
    return ScriptedReply{.body = std::move(body), .fault = ScriptedReply::Fault::Truncate}; };
inline auto SlowReply = [](std::string body) {  // answered after 1.5 s
    return ScriptedReply{.body = std::move(body), .delay = std::chrono::milliseconds(1500)}; };
inline auto Redirect = [](int status, std::string location) {
    return ScriptedReply{.status = status, .location = std::move(location)}; };
inline auto MiBReply = [](std::string start) { return Reply(start + std::string(1 << 20, 'x')); };  // then filler
inline auto HtmlErrorReply = [] {
    return ScriptedReply{.status = 500, .body = "<html><body>500 Error</body></html>", .contentType = "text/html"}; };
// clang-format on
ScriptedReply GarbageMiBReply();  // 1 MiB of bytes 0x01-0xFF

struct RecordedRequest {
    std::string requestLine;                         // "POST /device_point.php HTTP/1.1"
    std::vector<std::string> headerLines;            // in order, without CR LF
    std::string body;                                // the Content-Length bytes
    std::string Field(std::string_view name) const;  // "<absent>" when missing
};

class LoopbackServer {
  public:
    explicit LoopbackServer(std::vector<ScriptedReply> script = {}, ScriptedReply otherwise = {});
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    bool Listening() const { return thread_.joinable(); }
    std::vector<RecordedRequest> Requests() const;

  private:
    void Serve(SOCKET connection);

    SOCKET listener_ = INVALID_SOCKET;
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    SOCKET current_ = INVALID_SOCKET;
    std::deque<ScriptedReply> script_;
    ScriptedReply otherwise_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};
