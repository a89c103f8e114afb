#pragma once
// The wizard's child controls: their ids and the program-wide handles through
// which the window procedure and the account handlers reach them.

#include "app/app_state.h"

inline constexpr int IDC_SIGNIN_SELECTOR = 150;
inline constexpr int IDC_CREATE_SELECTOR = 151;
inline constexpr int IDC_SIGNIN_USER = 152;
inline constexpr int IDC_SIGNIN_PASSWORD = 153;
inline constexpr int IDC_SIGNIN_BUTTON = 154;
inline constexpr int IDC_FINISH = 155;
inline constexpr int IDC_CREATE_USER = 156;
inline constexpr int IDC_CREATE_PASSWORD = 157;
inline constexpr int IDC_CREATE_CONFIRM = 158;
inline constexpr int IDC_CREATE_EMAIL = 159;
inline constexpr int IDC_CREATE_BUTTON = 160;
inline constexpr int IDC_OPEN_ACCOUNT = 161;
inline constexpr int IDC_NEXT = 162;
inline constexpr int IDC_PROFILE_EXISTING = 163;
inline constexpr int IDC_PROFILE_NEW = 164;
inline constexpr int IDC_PROFILE_NAME = 165;

// A control that was not created (the create selector in a sign-in run of a
// linked device, the account check box outside installer runs) keeps a null
// handle, and every operation on it does nothing.
struct WizardControls {
    WindowHandle SignInSelector = nullptr;
    WindowHandle CreateSelector = nullptr;
    WindowHandle Finish = nullptr;
    WindowHandle OpenAccount = nullptr;
    WindowHandle SignInUserLabel = nullptr;
    WindowHandle SignInUser = nullptr;
    WindowHandle SignInPasswordLabel = nullptr;
    WindowHandle SignInPassword = nullptr;
    WindowHandle SignInButton = nullptr;
    WindowHandle CreateUserLabel = nullptr;
    WindowHandle CreateUser = nullptr;
    WindowHandle CreatePasswordLabel = nullptr;
    WindowHandle CreatePassword = nullptr;
    WindowHandle CreateConfirmLabel = nullptr;
    WindowHandle CreateConfirm = nullptr;
    WindowHandle CreateEmailLabel = nullptr;
    WindowHandle CreateEmail = nullptr;
    WindowHandle CreateButton = nullptr;
    WindowHandle ProfileList = nullptr;  // no id: reached only through this handle
    WindowHandle ProfileExisting = nullptr;
    WindowHandle ProfileNew = nullptr;
    WindowHandle Next = nullptr;
    WindowHandle ProfileName = nullptr;
};

extern WizardControls g_controls;
