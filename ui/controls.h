#pragma once
// The wizard's child controls: the program-wide handles through which the window
// procedure and the page handlers reach them, reading their text, and whether the
// parent may only sign in again.

#include <windows.h>

#include <string>

// A control that was not created (the create selector in a sign-in run of a
// linked device, the account check box outside installer runs) keeps a null
// handle, and every operation on it does nothing.
struct WizardControls {
    HWND SignInSelector = nullptr;
    HWND CreateSelector = nullptr;
    HWND Finish = nullptr;
    HWND OpenAccount = nullptr;
    HWND SignInUserLabel = nullptr;
    HWND SignInUser = nullptr;
    HWND SignInPasswordLabel = nullptr;
    HWND SignInPassword = nullptr;
    HWND SignInButton = nullptr;
    HWND CreateUserLabel = nullptr;
    HWND CreateUser = nullptr;
    HWND CreatePasswordLabel = nullptr;
    HWND CreatePassword = nullptr;
    HWND CreateConfirmLabel = nullptr;
    HWND CreateConfirm = nullptr;
    HWND CreateEmailLabel = nullptr;
    HWND CreateEmail = nullptr;
    HWND CreateButton = nullptr;
    HWND ProfileList = nullptr;  // no id: reached only through this handle
    HWND ProfileExisting = nullptr;
    HWND ProfileNew = nullptr;
    HWND Next = nullptr;
    HWND ProfileName = nullptr;
};

extern WizardControls g_controls;

// A sign-in run on a device already linked ("RegSucceeded" is 1, read only in a
// sign-in run): the parent may only sign in again, with the stored name.
[[nodiscard]] bool OnlySigningInAgain();

// The control's text (a field's, a button's caption) as read through a zero-filled
// buffer of 260 characters, so at most 259 characters count.
[[nodiscard]] std::wstring ReadFieldText(HWND control);
