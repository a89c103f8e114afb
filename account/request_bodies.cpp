#include "account/request_bodies.h"

#include "net/form_body.h"
#include "net/reply.h"
#include "net/utf8.h"

std::optional<std::string> BuildAuthUserBody(std::string_view deviceId, std::wstring_view userName,
                                             std::wstring_view digest) {
    const auto userNameUtf8 = ToUtf8Field(userName);
    const auto digestUtf8 = ToUtf8Field(digest);
    if (!userNameUtf8 || !digestUtf8) return std::nullopt;
    std::string body = "action=authuser";
    AppendFormField(body, "&did=", deviceId);
    AppendFormField(body, "&uname=", *userNameUtf8);
    AppendFormField(body, "&pmd5=", *digestUtf8);
    return body;
}

std::optional<std::int32_t> ParseUserId(std::wstring_view reply) {
    // The separator after the leading "0" is skipped whatever it is.
    constexpr std::size_t kUserIdOffset = 2;
    if (reply.size() <= kUserIdOffset || reply.front() != L'0') return std::nullopt;
    const std::int32_t userId = ReadLeadingInt(reply.substr(kUserIdOffset));
    if (userId <= 0) return std::nullopt;
    return userId;
}
