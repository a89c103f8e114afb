#include "ui/create_controls.h"

#include <string>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "ui/show_page.h"

WizardControls g_controls;

namespace {

constexpr DWORD kSelectorStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
constexpr DWORD kPushButtonStyle = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBoxStyle = WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kRadioStyle = WS_CHILD | WS_TABSTOP | BS_RADIOBUTTON;
constexpr DWORD kLabelStyle = WS_CHILD | SS_RIGHT;
// No ES_AUTOHSCROLL: a field takes only as much text as its width shows.
constexpr DWORD kEditStyle = WS_CHILD | WS_BORDER | WS_TABSTOP;
constexpr DWORD kPasswordStyle = kEditStyle | ES_PASSWORD;
// No id and no tab stop: a pick-only list that the Tab key skips.
constexpr DWORD kProfileListStyle = WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS;

static_assert(kSelectorStyle == 0x5000000B && kPushButtonStyle == 0x40010000 &&
              kCheckBoxStyle == 0x40010003 && kRadioStyle == 0x40010004 &&
              kLabelStyle == 0x40000002 && kEditStyle == 0x40810000 &&
              kPasswordStyle == 0x40810020 && kProfileListStyle == 0x40200203);

enum class CreatedWhen { Always, CreateSelectorAllowed, InstallerRun };

struct ControlRow {
    WindowHandle WizardControls::*handle;
    int id;  // 0 for the labels and the profile list
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height;
    CreatedWhen when = CreatedWhen::Always;
};

// In creation order, which is also the Tab order.
constexpr ControlRow kRows[] = {
    {&WizardControls::SignInSelector, IDC_SIGNIN_SELECTOR, L"BUTTON", L"Sign in to your account",
     kSelectorStyle, 40, 40, 100, 100},
    {&WizardControls::CreateSelector, IDC_CREATE_SELECTOR, L"BUTTON", L"Create your account",
     kSelectorStyle, 40, 180, 100, 100, CreatedWhen::CreateSelectorAllowed},
    {&WizardControls::Finish, IDC_FINISH, L"BUTTON", L"Finish", kPushButtonStyle, 320, 220, 80, 22},
    {&WizardControls::OpenAccount, IDC_OPEN_ACCOUNT, L"BUTTON", L"Go to my online Tirna account",
     kCheckBoxStyle, 180, 230, 250, 22, CreatedWhen::InstallerRun},
    {&WizardControls::SignInUserLabel, 0, L"STATIC", L"Username or email:", kLabelStyle, 180, 140,
     130, 18},
    {&WizardControls::SignInUser, IDC_SIGNIN_USER, L"EDIT", L"", kEditStyle, 320, 138, 150, 22},
    {&WizardControls::SignInPasswordLabel, 0, L"STATIC", L"Password:", kLabelStyle, 180, 168, 130,
     18},
    {&WizardControls::SignInPassword, IDC_SIGNIN_PASSWORD, L"EDIT", L"", kPasswordStyle, 320, 166,
     150, 22},
    {&WizardControls::SignInButton, IDC_SIGNIN_BUTTON, L"BUTTON", L"Sign in", kPushButtonStyle, 320,
     205, 80, 22},
    {&WizardControls::CreateUserLabel, 0, L"STATIC", L"Username or email:", kLabelStyle, 180, 120,
     130, 18},
    {&WizardControls::CreateUser, IDC_CREATE_USER, L"EDIT", L"", kEditStyle, 320, 118, 150, 22},
    {&WizardControls::CreatePasswordLabel, 0, L"STATIC", L"Password:", kLabelStyle, 180, 148, 130,
     18},
    {&WizardControls::CreatePassword, IDC_CREATE_PASSWORD, L"EDIT", L"", kPasswordStyle, 320, 146,
     150, 22},
    {&WizardControls::CreateConfirmLabel, 0, L"STATIC", L"Confirm Password:", kLabelStyle, 180, 176,
     130, 18},
    {&WizardControls::CreateConfirm, IDC_CREATE_CONFIRM, L"EDIT", L"", kPasswordStyle, 320, 174,
     150, 22},
    {&WizardControls::CreateEmailLabel, 0, L"STATIC", L"Your email:", kLabelStyle, 180, 204, 130,
     18},
    {&WizardControls::CreateEmail, IDC_CREATE_EMAIL, L"EDIT", L"", kEditStyle, 320, 202, 150, 22},
    {&WizardControls::CreateButton, IDC_CREATE_BUTTON, L"BUTTON", L"Create account",
     kPushButtonStyle, 320, 240, 125, 22},
    // The height includes the drop-down list.
    {&WizardControls::ProfileList, 0, L"COMBOBOX", L"", kProfileListStyle, 400, 218, 200, 120},
    {&WizardControls::ProfileExisting, IDC_PROFILE_EXISTING, L"BUTTON", L"Existing child profiles:",
     kRadioStyle, 190, 220, 170, 22},
    {&WizardControls::ProfileNew, IDC_PROFILE_NEW, L"BUTTON", L"Create a new child profile (name):",
     kRadioStyle, 190, 253, 240, 22},
    {&WizardControls::Next, IDC_NEXT, L"BUTTON", L"Next", kPushButtonStyle, 195, 310, 80, 22},
    {&WizardControls::ProfileName, IDC_PROFILE_NAME, L"EDIT", L"", kEditStyle, 440, 252, 160, 22},
};

// Asked when the row is reached, so that "RegSucceeded" is read only in a sign-in
// run: a parent who already linked this device can then only sign in again.
bool Wanted(CreatedWhen when) {
    switch (when) {
        case CreatedWhen::CreateSelectorAllowed:
            return !(g_app.signInMode && ReadRegSucceeded());
        case CreatedWhen::InstallerRun:
            return g_app.installerMode;
        case CreatedWhen::Always:
            break;
    }
    return true;
}

void CreateRow(HWND mainWindow, const ControlRow& row) {
    g_controls.*row.handle = CreateWindowExW(
        0, row.className, row.text, row.style, row.x, row.y, row.width, row.height, mainWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), g_instance, nullptr);
}

void SetBoldFont(HWND control) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_draw.BoldFont), TRUE);
}

}  // namespace

void CreateControls(HWND mainWindow) {
    // ShowPage and the password field reach the window through AppState, which
    // CreateMainWindow fills only once this creation has returned.
    g_app.mainWindow = mainWindow;
    g_controls = WizardControls{};
    for (const ControlRow& row : kRows) {
        if (Wanted(row.when)) CreateRow(mainWindow, row);
    }

    // The class cursor is shared by every BUTTON: a hand over all buttons, not only the selector.
    SetClassLongPtrW(g_controls.SignInSelector, GCLP_HCURSOR,
                     reinterpret_cast<LONG_PTR>(g_draw.HandCursor));
    g_passwordPreviousProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        g_controls.SignInPassword, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PasswordEditProc)));

    SetBoldFont(g_controls.SignInButton);
    SetBoldFont(g_controls.CreateButton);
    SetBoldFont(g_controls.Finish);
    SetBoldFont(g_controls.OpenAccount);

    std::wstring userName;
    if (ReadAuthUserName(userName)) {
        SendMessageW(g_controls.SignInUser, WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(userName.c_str()));
    }
    ShowPage(g_app.page);
}
