#include "account/credential_check.h"

#include "account/request_bodies.h"
#include "app/settings_store.h"
#include "device/device_identity.h"
#include "net/post_form.h"
#include "net/service_endpoint.h"

RequestResult AuthenticateUser(std::wstring_view userName, const std::wstring* digest) {
    if (digest == nullptr) return kRequestNotSent;
    const auto body = BuildAuthUserBody(GetDeviceId(), userName, *digest);
    if (!body) return kRequestNotSent;
    std::wstring reply;
    const RequestResult result = PostForm(ServiceEndpoint(), *body, &reply);
    if (result != kRequestSucceeded) return result;
    // Accepted with or without a user id; only a number above 0 is stored.
    if (const auto userId = ParseUserId(reply)) {
        WriteUserId(static_cast<std::uint32_t>(*userId));
    }
    return result;
}

bool CheckDeviceAuthorization() {
    if (!HasStoredCredentials()) return false;
    std::wstring userName;
    std::wstring digest;
    ReadAuthUserName(userName);
    ReadAuthDigest(digest);
    // One request: PostForm's own attempts are the only retries.
    const bool accepted = AuthenticateUser(userName, &digest) == kRequestSucceeded;
    WriteDevAuthState(accepted ? 1 : 0);
    return accepted;
}
