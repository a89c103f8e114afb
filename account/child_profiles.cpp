#include "account/child_profiles.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "account/account_ui.h"
#include "account/input_checks.h"
#include "account/profile_list.h"
#include "account/request_bodies.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "app/wizard_flow.h"
#include "device/device_identity.h"
#include "device/device_registration.h"
#include "net/post_form.h"
#include "net/service_endpoint.h"
#include "ui/controls.h"
#include "ui/show_page.h"

namespace {

constexpr DWORD kRepeatPauseMs = 2000;

// Entry i belongs to entry i of the profile list. Both are only appended to; the
// wizard shows a profile page at most once per run.
std::vector<ProfileEntry> g_profileTable;

struct StoredCredentials {
    std::wstring userName;
    std::wstring digest;
};

// A missing value stays empty and is sent as an empty field.
StoredCredentials ReadStoredCredentials() {
    StoredCredentials credentials;
    ReadAuthUserName(credentials.userName);
    ReadAuthDigest(credentials.digest);
    return credentials;
}

// The parent's choice on the page, or nothing (after the box that says why) when
// it cannot be sent.
std::optional<ProfileChoice> ReadProfileChoice() {
    if (SendMessageW(g_controls.ProfileNew, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        std::wstring name = ReadFieldText(g_controls.ProfileName);
        if (const auto error = CheckNewProfileName(name, g_app.profileCount)) {
            ShowInputError(*error);
            return std::nullopt;
        }
        return NewProfile{std::move(name)};
    }
    // Without a listed profile chosen (the service announced profiles but listed
    // none) there is nothing to bind the device to: ask rather than send a guess.
    const LRESULT selection = SendMessageW(g_controls.ProfileList, CB_GETCURSEL, 0, 0);
    const auto id = ChosenProfileId(g_profileTable, selection);
    if (!id) {
        ShowInputError(kNoProfileChosenText);
        return std::nullopt;
    }
    return ExistingProfile{*id};
}

bool RegisterDeviceWithRepeat() {
    if (RegisterDevice()) return true;
    Sleep(kRepeatPauseMs);
    return RegisterDevice();
}

RequestResult PostWithRepeat(const std::string& body) {
    const RequestResult result = PostForm(ServiceEndpoint(), body, nullptr);
    if (result == kRequestSucceeded) return result;
    Sleep(kRepeatPauseMs);
    return PostForm(ServiceEndpoint(), body, nullptr);
}

}  // namespace

void LoadChildProfiles() {
    const StoredCredentials credentials = ReadStoredCredentials();
    std::wstring reply;
    const RequestResult result = PostForm(
        ServiceEndpoint(), BuildGetProfilesBody(credentials.userName, credentials.digest), &reply);
    if (result != kRequestSucceeded) return;
    const ProfileList list = ParseProfileList(reply);
    if (!list.count) return;
    g_app.profileCount = *list.count;
    for (const ProfileEntry& profile : list.profiles) {
        g_profileTable.push_back(profile);
        SendMessageW(g_controls.ProfileList, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(profile.name.c_str()));
    }
}

void SetChildProfile() {
    const auto choice = ReadProfileChoice();
    if (!choice) return;
    const StoredCredentials credentials = ReadStoredCredentials();
    const std::string body =
        BuildSetProfileBody(credentials.userName, credentials.digest, GetDeviceId(), *choice);
    ShowBusyCursor();
    if (!RegisterDeviceWithRepeat()) {
        ShowArrowCursor();
        MessageBoxW(g_app.mainWindow,
                    L"There was an error authenticating your device with Tirna server. Please try "
                    L"again later.",
                    L"Tirna - Server error", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const RequestResult result = PostWithRepeat(body);
    ShowArrowCursor();
    if (result != kRequestSucceeded) {
        // The box for an error reply reading as 0 ("error accessing Tirna parental
        // server") whatever the result: this page has no no-connectivity message.
        ShowCommError(0);
        return;
    }
    g_app.profileSet = true;
    ShowPage(PageAfterProfile(g_app.page));
}
