#include "ui/profile_choice.h"

#include <windows.h>

#include "ui/controls.h"

namespace {

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
