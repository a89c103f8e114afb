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

ProfileSource Other(ProfileSource source) {
    return source == ProfileSource::Existing ? ProfileSource::New : ProfileSource::Existing;
}

}  // namespace

void StartProfileChoice(ProfileSource source) {
    const Choice chosen = ChoiceOf(source);
    SendMessageW(chosen.button, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(ChoiceOf(Other(source)).field, FALSE);
    EnableWindow(chosen.field, TRUE);
    SetFocus(chosen.field);
}

void SwitchProfileChoice(ProfileSource source) {
    // Unchecking a radio button also takes its tab stop, which the checked one gets:
    // only a switch unchecks.
    SendMessageW(ChoiceOf(Other(source)).button, BM_SETCHECK, BST_UNCHECKED, 0);
    StartProfileChoice(source);
}
