#include "account/new_account.h"

#include <string>

#include "core/request_bodies.h"
#include "core/service_endpoint.h"
#include "net/post_form.h"
#include "win/debug_log.h"

namespace {

// This request's header block has no Cache-Control line, and of its steps only a
// failed send leaves a line behind.
constexpr PostOptions kCreateUserPost{
    .noCache = false,
    .logSteps = false,
    .sendFailedLine = L"[TirnaUIAuth] failed to send request to server;  retry.",
};

constexpr wchar_t kSucceededLine[] = L"[TirnaUIAuth] Create account succeeded.";
constexpr wchar_t kFailedLine[] = L"[TirnaUIAuth] failed to create user.";

}  // namespace

RequestResult CreateParentAccount(std::wstring_view userName, std::wstring_view digest,
                                  std::wstring_view email) {
    const std::string body = BuildCreateUserBody(userName, digest, email);
    const RequestResult result = PostForm(ServiceEndpoint(), body, nullptr, kCreateUserPost);
    DebugLog(result == kRequestSucceeded ? kSucceededLine : kFailedLine);
    return result;
}
