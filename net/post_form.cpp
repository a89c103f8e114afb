#include "net/post_form.h"

#include "core/form_headers.h"
#include "core/out_of_memory.h"
#include "net/win_http_client.h"
#include "win/debug_log.h"
#include "win/retry.h"

namespace {

constexpr int kAttempts = 3;

// The header and content messages end with a blank: the line shows two blanks
// before the text.
constexpr wchar_t kSucceeded[] = L"[TirnaNet] send post succeeded.";
constexpr wchar_t kHeaderReceived[] = L"[TirnaNet] received response from server; header: ";
constexpr wchar_t kContentReceived[] = L"[TirnaNet] received response from server; content: ";
constexpr wchar_t kInvalidReply[] = L"[TirnaNet] received invalid response from server; Retry.";
constexpr wchar_t kNoMoreRetry[] =
    L"[TirnaNet] failed to send request to server; No more retry. Error code:";
constexpr wchar_t kRequestUrl[] = L"[TirnaNet] failed to send request to server; request url:";

void StoreReply(std::wstring* reply, const std::wstring& content) {
    if (reply == nullptr) return;
    // Without the memory for the copy the caller gets no reply text.
    if (!TryAllocate([&] { *reply = content; })) reply->clear();
}

// One attempt: the result of a success or error reply, or nothing when the post
// is worth another attempt (no response, or an invalid reply).
std::optional<RequestResult> PostOnce(std::wstring_view url, std::optional<std::string_view> body,
                                      std::wstring* reply, const PostOptions& options) {
    WinHttpClient client{std::wstring(url)};
    if (body) {
        // Without the memory for the body's copy nothing is sent: a request that
        // announces a body it does not carry would leave the service waiting for it.
        // The attempt fails as a failed send does.
        if (!client.SetPostData(body->data(), static_cast<std::uint32_t>(body->size()))) {
            DebugLog(options.sendFailedLine);
            return std::nullopt;
        }
        client.SetExtraHeaders(FormPostHeaders(body->size(), options.noCache));
    }
    if (!client.Send(L"POST")) {
        DebugLog(options.sendFailedLine);
        return std::nullopt;
    }
    const std::wstring& content = client.ResponseContent();
    switch (JudgeReply(content)) {
        case ReplyKind::Success:
            if (options.logSteps) DebugLog(kSucceeded);
            StoreReply(reply, content);
            return kRequestSucceeded;
        case ReplyKind::Error:
            // The service refused: asking again would give the same answer.
            return ReadLeadingInt(content);
        case ReplyKind::Invalid:
            break;
    }
    if (options.logSteps) {
        const std::wstring& header = client.ResponseHeader();
        if (!header.empty()) DebugLog(kHeaderReceived, header);
        if (!content.empty()) DebugLog(kContentReceived, content);
        DebugLog(kInvalidReply);
    }
    return std::nullopt;
}

}  // namespace

RequestResult PostForm(std::wstring_view url, std::optional<std::string_view> body,
                       std::wstring* reply, const PostOptions& options) {
    const RequestResult result =
        RepeatUntil(
            kAttempts, 0, [&] { return PostOnce(url, body, reply, options); },
            [](const std::optional<RequestResult>& outcome) { return outcome.has_value(); })
            .value_or(kRequestNoValidReply);
    if (result != kRequestSucceeded && options.logSteps) {
        DebugLog(kNoMoreRetry, result);
        DebugLog(kRequestUrl, url);
    }
    return result;
}
