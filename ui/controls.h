#pragma once
// The wizard's child controls: the program-wide handles through which the window
// procedure and the page handlers reach them, and reading their text.

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

// The control's text (a field's text, a button's caption) as read through a
// zero-filled buffer of 260 characters, so at most 259 characters count.
[[nodiscard]] std::wstring ReadControlText(HWND control);
