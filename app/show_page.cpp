#include "app/show_page.h"

#include <windows.h>

#include <string>

#include "account/child_profiles.h"
#include "account/credential_check.h"
#include "core/app_state.h"
#include "core/wizard_flow.h"
#include "ui/control_table.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "ui/profile_choice.h"
#include "win/settings_store.h"

namespace {

// Below Finish (320, 220, 80, 22) instead of the creation rectangle, which it overlaps.
constexpr int kOpenAccountX = 320;
constexpr int kOpenAccountY = 256;

void FocusAndRemember(HWND control) {
    SetFocus(control);
    g_app.savedFocus = control;
}

// Every control except the two selectors, which all pages show.
void HidePageControls() {
    for (const ControlRow& row : kControlRows) {
        if (row.page != PageControls::Selectors) ShowWindow(g_controls.*row.handle, SW_HIDE);
    }
}

void ShowControlsOf(PageControls page) {
    for (const ControlRow& row : kControlRows) {
        if (row.page == page) ShowWindow(g_controls.*row.handle, SW_SHOW);
    }
}

void SetUpSignIn() {
    const WizardControls& c = g_controls;
    std::wstring userName;
    if (!ReadAuthUserName(userName)) {
        FocusAndRemember(c.SignInUser);
        return;
    }
    if (OnlySigningInAgain(g_app.signInMode)) EnableWindow(c.SignInUser, FALSE);
    FocusAndRemember(c.SignInPassword);
}

// In an installer run the box that opens the account page comes with Finish.
void ShowDoneControls() {
    const WizardControls& c = g_controls;
    SetClassLongPtrW(c.SignInSelector, GCLP_HCURSOR,
                     reinterpret_cast<LONG_PTR>(g_draw.ArrowCursor));
    if (c.OpenAccount != nullptr) {
        // Created at (180, 230) it would cover Finish; shown below it instead, so that the
        // parent can have Finish open the account page. It starts unchecked.
        SetWindowPos(c.OpenAccount, nullptr, kOpenAccountX, kOpenAccountY, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowControlsOf(PageControls::Done);
    FocusAndRemember(c.Finish);
}

}  // namespace

void ShowPage(std::int32_t page) {
    g_app.page = page;
    HidePageControls();
    const PageControls controls = ControlsOfPage(page);
    switch (controls) {
        case PageControls::SignIn:
            ShowControlsOf(controls);
            SetUpSignIn();
            break;
        case PageControls::CreateAccount:
            ShowControlsOf(controls);
            FocusAndRemember(g_controls.CreateUser);
            break;
        case PageControls::Profile: {
            const ProfileList loaded = LoadChildProfiles();
            if (loaded.count) g_app.profileCount = *loaded.count;
            ListProfiles(loaded.profiles);
            ShowControlsOf(controls);
            // The focus moves, but savedFocus stays as it was on these pages.
            StartProfileChoice(g_app.profileCount != 0);
            break;
        }
        case PageControls::Done:
            ShowDoneControls();
            // A sign-in run ends here; the destroyed window needs no repaint.
            if (g_app.signInMode) {
                DestroyWindow(g_app.mainWindow);
                return;
            }
            break;
        default:  // PageControls::None: a number that is no page shows nothing
            break;
    }
    InvalidateRect(g_app.mainWindow, nullptr, TRUE);
}
