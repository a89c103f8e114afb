#include "ui/profile_choice.h"

#include <windows.h>

#include "ui/controls.h"

namespace {

// The listed profiles, index-aligned with the list (ListProfiles).
std::vector<ProfileEntry> g_profileTable;

struct Choice {
    HWND button;
    HWND field;
};

Choice ChoiceOf(ProfileSource source) {
    const WizardControls& c = g_controls;
    return source == ProfileSource::Existing ? Choice{c.ProfileExisting, c.ProfileList}
                                             : Choice{c.ProfileNew, c.ProfileName};
}

}  // namespace

void ListProfiles(const std::vector<ProfileEntry>& profiles) {
    for (const ProfileEntry& profile : profiles) {
        g_profileTable.push_back(profile);
        SendMessageW(g_controls.ProfileList, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(profile.name.c_str()));
    }
}

std::optional<std::int32_t> ChosenListedProfileId() {
    return ChosenProfileId(g_profileTable,
                           SendMessageW(g_controls.ProfileList, CB_GETCURSEL, 0, 0));
}

void StartProfileChoice(bool profilesListed) {
    const WizardControls& c = g_controls;
    if (profilesListed) {
        SendMessageW(c.ProfileExisting, BM_SETCHECK, BST_CHECKED, 0);
        EnableWindow(c.ProfileName, FALSE);
        SendMessageW(c.ProfileList, CB_SETCURSEL, 0, 0);
        SetFocus(c.ProfileList);
    } else {
        SendMessageW(c.ProfileNew, BM_SETCHECK, BST_CHECKED, 0);
        EnableWindow(c.ProfileExisting, FALSE);
        EnableWindow(c.ProfileList, FALSE);
        SetFocus(c.ProfileName);
    }
}

void SwitchProfileChoice(ProfileSource source) {
    const Choice chosen = ChoiceOf(source);
    const Choice other =
        ChoiceOf(source == ProfileSource::Existing ? ProfileSource::New : ProfileSource::Existing);
    SendMessageW(other.button, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(chosen.button, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(other.field, FALSE);
    EnableWindow(chosen.field, TRUE);
    SetFocus(chosen.field);
}
