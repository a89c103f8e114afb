#include <windows.h>

#include <optional>
#include <string>

#include "account/child_profiles.h"
#include "app/error_boxes.h"
#include "app/page_handlers.h"
#include "app/show_page.h"
#include "core/app_state.h"
#include "core/input_checks.h"
#include "core/wizard_flow.h"
#include "device/device_registration.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "ui/profile_choice.h"

namespace {

// The parent's choice on the page, or nothing (after the box that says why) when
// it cannot be sent.
std::optional<ProfileChoice> ReadProfileChoice() {
    if (SendMessageW(g_controls.ProfileNew, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        std::wstring name = ReadControlText(g_controls.ProfileName);
        if (const auto error = CheckNewProfileName(name, g_app.profileCount)) {
            ShowInputError(*error);
            return std::nullopt;
        }
        return NewProfile{std::move(name)};
    }
    // Without a listed profile chosen (the service announced profiles but listed
    // none) there is nothing to bind the device to: ask rather than send a guess.
    const auto id = ChosenListedProfileId();
    if (!id) {
        ShowInputError(kNoProfileChosenText);
        return std::nullopt;
    }
    return ExistingProfile{*id};
}

}  // namespace

void SetChildProfile() {
    const auto choice = ReadProfileChoice();
    if (!choice) return;
    const std::string body = SetProfileBody(*choice);
    ShowBusyCursor();
    if (!RegisterDeviceWithRepeat()) {
        ShowArrowCursor();
        ShowMessage(kRegistrationError);
        return;
    }
    const bool profileSet = SendSetProfile(body);
    ShowArrowCursor();
    if (!profileSet) {
        // The box for an error reply reading as 0 ("error accessing Tirna parental
        // server") whatever the result: this page has no no-connectivity message.
        ShowCommError(kRequestServerError);
        return;
    }
    g_app.profileSet = true;
    ShowPage(PageAfterProfile(g_app.page));
}
