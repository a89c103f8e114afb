#include "core/request_bodies.h"

#include "core/form_body.h"
#include "core/reply.h"
#include "core/utf8.h"

namespace {

// The UTF-8 form of a value, empty when it does not fit the 260-byte field buffer.
std::string FieldOrEmpty(std::wstring_view text) {
    return ToUtf8Field(text).value_or(std::string());
}

}  // namespace

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

std::string BuildCreateUserBody(std::wstring_view userName, std::wstring_view digest,
                                std::wstring_view email) {
    std::string body = "action=createuser";
    AppendFormField(body, "&uname=", FieldOrEmpty(userName));
    AppendFormField(body, "&pmd5=", FieldOrEmpty(digest));
    body += "&did=none";  // the account, not this device, is concerned
    if (!email.empty()) AppendFormField(body, "&email=", FieldOrEmpty(email));
    return body;
}

std::string BuildGetProfilesBody(std::wstring_view userName, std::wstring_view digest) {
    std::string body = "action=getprofiles&did=none";
    AppendFormField(body, "&uname=", FieldOrEmpty(userName));
    AppendFormField(body, "&pmd5=", FieldOrEmpty(digest));
    return body;
}

std::string BuildSetProfileBody(std::wstring_view userName, std::wstring_view digest,
                                std::string_view deviceId, const ProfileChoice& choice) {
    std::string body = "action=setprofile";
    AppendFormField(body, "&uname=", FieldOrEmpty(userName));
    AppendFormField(body, "&pmd5=", FieldOrEmpty(digest));
    AppendFormField(body, "&did=", deviceId);
    if (const auto* newProfile = std::get_if<NewProfile>(&choice)) {
        AppendFormField(body, "&profname=", FieldOrEmpty(newProfile->name));
    } else {
        AppendFormField(body, "&profid=", std::to_string(std::get<ExistingProfile>(choice).id));
    }
    return body;
}
