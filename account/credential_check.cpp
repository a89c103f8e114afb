#include "account/credential_check.h"

#include "core/request_bodies.h"
#include "core/service_endpoint.h"
#include "device/device_identity.h"
#include "net/post_form.h"
#include "win/retry.h"
#include "win/settings_store.h"

namespace {

constexpr int kSignInAttempts = 4;
constexpr DWORD kSignInPauseMs = 1000;

}  // namespace

StoredCredentials ReadStoredCredentials() {
    StoredCredentials credentials;
    ReadAuthUserName(credentials.userName);
    ReadAuthDigest(credentials.digest);
    return credentials;
}

RequestResult AuthenticateUser(std::wstring_view userName, std::wstring_view digest) {
    const auto body = BuildAuthUserBody(GetDeviceId(), userName, digest);
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

RequestResult AuthenticateWithRepeats(std::wstring_view userName, std::wstring_view digest) {
    return RepeatUntil(
        kSignInAttempts, kSignInPauseMs, [&] { return AuthenticateUser(userName, digest); },
        [](RequestResult result) { return !IsCommunicationFailure(result); });
}

bool CheckDeviceAuthorization() {
    if (!HasStoredCredentials()) return false;
    const StoredCredentials credentials = ReadStoredCredentials();
    // One request: PostForm's own attempts are the only retries.
    const bool accepted =
        AuthenticateUser(credentials.userName, credentials.digest) == kRequestSucceeded;
    WriteDevAuthState(accepted ? 1 : 0);
    return accepted;
}

void StoreAcceptedAccount(std::wstring_view userName, std::wstring_view digest) {
    // Failed writes are not reported: the wizard goes on either way.
    WriteRegSucceeded(1);
    WriteAuthUserName(userName);
    WriteAuthDigest(digest);
}

bool OnlySigningInAgain(bool signInRun) {
    return signInRun && ReadRegSucceeded();
}
