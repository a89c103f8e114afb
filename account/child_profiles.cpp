#include "account/child_profiles.h"

#include <windows.h>

#include "account/credential_check.h"
#include "core/service_endpoint.h"
#include "device/device_identity.h"
#include "net/post_form.h"
#include "win/retry.h"

namespace {

constexpr int kAttempts = 2;
constexpr DWORD kRepeatPauseMs = 2000;

}  // namespace

ProfileList LoadChildProfiles() {
    const StoredCredentials credentials = ReadStoredCredentials();
    std::wstring reply;
    const RequestResult result = PostForm(
        ServiceEndpoint(), BuildGetProfilesBody(credentials.userName, credentials.digest), &reply);
    if (result != kRequestSucceeded) return {};
    return ParseProfileList(reply);
}

std::string SetProfileBody(const ProfileChoice& choice) {
    const StoredCredentials credentials = ReadStoredCredentials();
    return BuildSetProfileBody(credentials.userName, credentials.digest, GetDeviceId(), choice);
}

bool SendSetProfile(const std::string& body) {
    const auto post = [&] { return PostForm(ServiceEndpoint(), body, nullptr); };
    return RepeatUntil(kAttempts, kRepeatPauseMs, post, [](RequestResult result) {
               return result == kRequestSucceeded;
           }) == kRequestSucceeded;
}
