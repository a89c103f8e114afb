#pragma once
// Every child control of the wizard, once: how it is created and which page shows
// it. Creation and page switching both read this table.

#include <windows.h>

#include "core/control_ids.h"
#include "core/wizard_flow.h"
#include "ui/controls.h"

inline constexpr DWORD kSelectorStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
inline constexpr DWORD kPushButtonStyle = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON;
inline constexpr DWORD kCheckBoxStyle = WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX;
inline constexpr DWORD kRadioStyle = WS_CHILD | WS_TABSTOP | BS_RADIOBUTTON;
inline constexpr DWORD kLabelStyle = WS_CHILD | SS_RIGHT;
// ES_AUTOHSCROLL: a field scrolls to take text wider than itself, so that a long
// address or password is typed whole, up to the limit set at creation (kTextLimit).
inline constexpr DWORD kEditStyle = WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
inline constexpr DWORD kPasswordStyle = kEditStyle | ES_PASSWORD;
// No id and no tab stop: a pick-only list that the Tab key skips.
inline constexpr DWORD kProfileListStyle =
    WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS;

static_assert(kSelectorStyle == 0x5000000B && kPushButtonStyle == 0x40010000 &&
              kCheckBoxStyle == 0x40010003 && kRadioStyle == 0x40010004 &&
              kLabelStyle == 0x40000002 && kEditStyle == 0x40810080 &&
              kPasswordStyle == 0x408100A0 && kProfileListStyle == 0x40200203);

enum class CreatedWhen { Always, CreateSelectorAllowed, InstallerRun };

struct ControlRow {
    HWND WizardControls::*handle;
    int id;  // 0 for the labels and the profile list
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int x, y, width, height;
    PageControls page;
    CreatedWhen when = CreatedWhen::Always;
};

// In creation order, which is also the Tab order.
// clang-format off
inline constexpr ControlRow kControlRows[] = {
    {&WizardControls::SignInSelector, IDC_SIGNIN_SELECTOR, L"BUTTON", L"Sign in to your account", kSelectorStyle, 40, 40, 100, 100, PageControls::Selectors},
    {&WizardControls::CreateSelector, IDC_CREATE_SELECTOR, L"BUTTON", L"Create your account", kSelectorStyle, 40, 180, 100, 100, PageControls::Selectors, CreatedWhen::CreateSelectorAllowed},
    {&WizardControls::Finish, IDC_FINISH, L"BUTTON", L"Finish", kPushButtonStyle, 320, 220, 80, 22, PageControls::Done},
    {&WizardControls::OpenAccount, IDC_OPEN_ACCOUNT, L"BUTTON", L"Go to my online Tirna account", kCheckBoxStyle, 180, 230, 250, 22, PageControls::Done, CreatedWhen::InstallerRun},
    {&WizardControls::SignInUserLabel, 0, L"STATIC", L"Username or email:", kLabelStyle, 180, 140, 130, 18, PageControls::SignIn},
    {&WizardControls::SignInUser, IDC_SIGNIN_USER, L"EDIT", L"", kEditStyle, 320, 138, 150, 22, PageControls::SignIn},
    {&WizardControls::SignInPasswordLabel, 0, L"STATIC", L"Password:", kLabelStyle, 180, 168, 130, 18, PageControls::SignIn},
    {&WizardControls::SignInPassword, IDC_SIGNIN_PASSWORD, L"EDIT", L"", kPasswordStyle, 320, 166, 150, 22, PageControls::SignIn},
    {&WizardControls::SignInButton, IDC_SIGNIN_BUTTON, L"BUTTON", L"Sign in", kPushButtonStyle, 320, 205, 80, 22, PageControls::SignIn},
    {&WizardControls::CreateUserLabel, 0, L"STATIC", L"Username or email:", kLabelStyle, 180, 120, 130, 18, PageControls::CreateAccount},
    {&WizardControls::CreateUser, IDC_CREATE_USER, L"EDIT", L"", kEditStyle, 320, 118, 150, 22, PageControls::CreateAccount},
    {&WizardControls::CreatePasswordLabel, 0, L"STATIC", L"Password:", kLabelStyle, 180, 148, 130, 18, PageControls::CreateAccount},
    {&WizardControls::CreatePassword, IDC_CREATE_PASSWORD, L"EDIT", L"", kPasswordStyle, 320, 146, 150, 22, PageControls::CreateAccount},
    {&WizardControls::CreateConfirmLabel, 0, L"STATIC", L"Confirm Password:", kLabelStyle, 180, 176, 130, 18, PageControls::CreateAccount},
    {&WizardControls::CreateConfirm, IDC_CREATE_CONFIRM, L"EDIT", L"", kPasswordStyle, 320, 174, 150, 22, PageControls::CreateAccount},
    {&WizardControls::CreateEmailLabel, 0, L"STATIC", L"Your email:", kLabelStyle, 180, 204, 130, 18, PageControls::CreateAccount},
    {&WizardControls::CreateEmail, IDC_CREATE_EMAIL, L"EDIT", L"", kEditStyle, 320, 202, 150, 22, PageControls::CreateAccount},
    {&WizardControls::CreateButton, IDC_CREATE_BUTTON, L"BUTTON", L"Create account", kPushButtonStyle, 320, 240, 125, 22, PageControls::CreateAccount},
    // The height includes the drop-down list.
    {&WizardControls::ProfileList, 0, L"COMBOBOX", L"", kProfileListStyle, 400, 218, 200, 120, PageControls::Profile},
    {&WizardControls::ProfileExisting, IDC_PROFILE_EXISTING, L"BUTTON", L"Existing child profiles:", kRadioStyle, 190, 220, 170, 22, PageControls::Profile},
    {&WizardControls::ProfileNew, IDC_PROFILE_NEW, L"BUTTON", L"Create a new child profile (name):", kRadioStyle, 190, 253, 240, 22, PageControls::Profile},
    {&WizardControls::Next, IDC_NEXT, L"BUTTON", L"Next", kPushButtonStyle, 195, 310, 80, 22, PageControls::Profile},
    {&WizardControls::ProfileName, IDC_PROFILE_NAME, L"EDIT", L"", kEditStyle, 440, 252, 160, 22, PageControls::Profile},
};
// clang-format on
