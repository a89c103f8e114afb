#include "ui/show_page.h"

#include <windows.h>

#include <initializer_list>
#include <string>

#include "account/child_profiles.h"
#include "app/app_state.h"
#include "app/settings_store.h"
#include "app/wizard_flow.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"

namespace {

// Below Finish (320, 220, 80, 22) instead of the creation rectangle, which it overlaps.
constexpr int kOpenAccountX = 320;
constexpr int kOpenAccountY = 256;

void Show(HWND control) {
    ShowWindow(control, SW_SHOW);
}

void FocusAndRemember(HWND control) {
    SetFocus(control);
    g_app.savedFocus = control;
}

// Every control except the two selectors, which all pages show.
void HidePageControls() {
    const WizardControls& c = g_controls;
    for (HWND control : {c.Finish,
                         c.OpenAccount,
                         c.SignInUserLabel,
                         c.SignInUser,
                         c.SignInPasswordLabel,
                         c.SignInPassword,
                         c.SignInButton,
                         c.CreateUserLabel,
                         c.CreateUser,
                         c.CreatePasswordLabel,
                         c.CreatePassword,
                         c.CreateConfirmLabel,
                         c.CreateConfirm,
                         c.CreateEmailLabel,
                         c.CreateEmail,
                         c.CreateButton,
                         c.ProfileList,
                         c.ProfileExisting,
                         c.ProfileNew,
                         c.Next,
                         c.ProfileName}) {
        ShowWindow(control, SW_HIDE);
    }
}

void ShowSignInControls() {
    const WizardControls& c = g_controls;
    for (HWND control : {c.SignInUserLabel, c.SignInUser, c.SignInPasswordLabel, c.SignInPassword,
                         c.SignInButton}) {
        Show(control);
    }
    std::wstring userName;
    if (!ReadAuthUserName(userName)) {
        FocusAndRemember(c.SignInUser);
        return;
    }
    // A sign-in run of a linked device may only sign in again with the stored name.
    if (g_app.signInMode && ReadRegSucceeded()) EnableWindow(c.SignInUser, FALSE);
    FocusAndRemember(c.SignInPassword);
}

void ShowCreateAccountControls() {
    const WizardControls& c = g_controls;
    for (HWND control : {c.CreateUserLabel, c.CreateUser, c.CreatePasswordLabel, c.CreatePassword,
                         c.CreateConfirmLabel, c.CreateConfirm, c.CreateEmailLabel, c.CreateEmail,
                         c.CreateButton}) {
        Show(control);
    }
    FocusAndRemember(c.CreateUser);
}

// The focus moves, but savedFocus stays as it was on these pages.
void ShowProfileControls() {
    LoadChildProfiles();
    const WizardControls& c = g_controls;
    for (HWND control : {c.Next, c.ProfileList, c.ProfileExisting, c.ProfileNew, c.ProfileName}) {
        Show(control);
    }
    if (g_app.profileCount != 0) {
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

// False when the page closed the wizard.
bool ShowDoneControls() {
    const WizardControls& c = g_controls;
    SetClassLongPtrW(c.SignInSelector, GCLP_HCURSOR,
                     reinterpret_cast<LONG_PTR>(g_draw.ArrowCursor));
    Show(c.Finish);
    FocusAndRemember(c.Finish);
    if (g_app.installerMode && c.OpenAccount != nullptr) {
        // Created at (180, 230) it would cover Finish; shown below it instead, so that the
        // parent can have Finish open the account page. It starts unchecked.
        SetWindowPos(c.OpenAccount, nullptr, kOpenAccountX, kOpenAccountY, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Show(c.OpenAccount);
    }
    if (!g_app.signInMode) return true;
    DestroyWindow(g_app.mainWindow);
    return false;
}

}  // namespace

void ShowPage(std::int32_t page) {
    g_app.page = page;
    HidePageControls();
    switch (ControlsOfPage(page)) {
        case PageControls::SignIn:
            ShowSignInControls();
            break;
        case PageControls::CreateAccount:
            ShowCreateAccountControls();
            break;
        case PageControls::Profile:
            ShowProfileControls();
            break;
        case PageControls::Done:
            // A sign-in run ends here; the destroyed window needs no repaint.
            if (!ShowDoneControls()) return;
            break;
        case PageControls::None:
            break;
    }
    InvalidateRect(g_app.mainWindow, nullptr, TRUE);
}
