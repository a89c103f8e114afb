#include "account/child_profiles.h"

#include <windows.h>

#include "account/credential_check.h"
#include "core/app_state.h"
#include "core/service_endpoint.h"
#include "device/device_identity.h"
#include "device/device_registration.h"
#include "net/post_form.h"
#include "win/retry.h"

namespace {

constexpr int kAttempts = 2;
constexpr DWORD kRepeatPauseMs = 2000;

// Entry i belongs to entry i of the page's list. Both are only appended to; the
// wizard shows a profile page at most once per run.
std::vector<ProfileEntry> g_profileTable;

}  // namespace

std::vector<ProfileEntry> LoadChildProfiles() {
    const StoredCredentials credentials = ReadStoredCredentials();
    std::wstring reply;
    const RequestResult result = PostForm(
        ServiceEndpoint(), BuildGetProfilesBody(credentials.userName, credentials.digest), &reply);
    if (result != kRequestSucceeded) return {};
    ProfileList list = ParseProfileList(reply);
    if (!list.count) return {};
    g_app.profileCount = *list.count;
    g_profileTable.insert(g_profileTable.end(), list.profiles.begin(), list.profiles.end());
    return std::move(list.profiles);
}

std::optional<std::int32_t> ListedProfileId(std::intptr_t selection) {
    return ChosenProfileId(g_profileTable, selection);
}

std::string SetProfileBody(const ProfileChoice& choice) {
    const StoredCredentials credentials = ReadStoredCredentials();
    return BuildSetProfileBody(credentials.userName, credentials.digest, GetDeviceId(), choice);
}

bool RegisterDeviceWithRepeat() {
    return RepeatUntil(kAttempts, kRepeatPauseMs, RegisterDevice,
                       [](bool registered) { return registered; });
}

bool SendSetProfile(const std::string& body) {
    const auto post = [&] { return PostForm(ServiceEndpoint(), body, nullptr); };
    return RepeatUntil(kAttempts, kRepeatPauseMs, post, [](RequestResult result) {
               return result == kRequestSucceeded;
           }) == kRequestSucceeded;
}
