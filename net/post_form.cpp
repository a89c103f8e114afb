#include "net/post_form.h"

#include <new>

#include "net/debug_log.h"
#include "net/form_headers.h"
#include "net/win_http_client.h"

namespace {

constexpr int kAttempts = 3;

// The header and content messages end with a blank: the line shows two blanks
// before the text.
constexpr wchar_t kSucceeded[] = L"[TirnaNet] send post succeeded.";
constexpr wchar_t kHeaderReceived[] = L"[TirnaNet] received response from server; header: ";
constexpr wchar_t kContentReceived[] = L"[TirnaNet] received response from server; content: ";
constexpr wchar_t kInvalidReply[] = L"[TirnaNet] received invalid response from server; Retry.";
constexpr wchar_t kSendFailed[] = L"[TirnaNet] failed to send request to server; Retry.";
constexpr wchar_t kNoMoreRetry[] =
    L"[TirnaNet] failed to send request to server; No more retry. Error code:";
constexpr wchar_t kRequestUrl[] = L"[TirnaNet] failed to send request to server; request url:";

void StoreReply(std::wstring* reply, const std::wstring& content) {
    if (reply == nullptr) return;
    try {
        *reply = content;
    } catch (const std::bad_alloc&) {
        reply->clear();
    }
}

}  // namespace

RequestResult PostForm(std::wstring_view url, std::optional<std::string_view> body,
                       std::wstring* reply) {
    RequestResult result = kRequestNoValidReply;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        WinHttpClient client{std::wstring(url)};
        if (body) {
            client.SetPostData(body->data(), static_cast<std::uint32_t>(body->size()));
            client.SetExtraHeaders(FormPostHeaders(body->size()));
        }
        if (!client.Send(L"POST")) {
            DebugLog(kSendFailed);
            continue;
        }
        const std::wstring header = client.ResponseHeader();
        const std::wstring content = client.ResponseContent();
        const ReplyKind kind = JudgeReply(content);
        if (kind == ReplyKind::Success) {
            DebugLog(kSucceeded);
            StoreReply(reply, content);
            return kRequestSucceeded;
        }
        if (kind == ReplyKind::Error) {
            // The service refused: asking again would give the same answer.
            result = ReadLeadingInt(content);
            break;
        }
        if (!header.empty()) DebugLog(kHeaderReceived, header);
        if (!content.empty()) DebugLog(kContentReceived, content);
        DebugLog(kInvalidReply);
    }
    DebugLog(kNoMoreRetry, result);
    DebugLog(kRequestUrl, url);
    return result;
}
