#pragma once
// Every message box of the wizard: its title, text and buttons with icon. The texts
// of refused input come with the checks that refuse it (core/input_checks.h) and are
// shown under kInputErrorTitle.

#include <windows.h>

struct Message {
    const wchar_t* title;
    const wchar_t* text;
    UINT style;
};

inline constexpr wchar_t kInputErrorTitle[] = L"Tirna - Input error";
inline constexpr UINT kInputErrorStyle = MB_OK;

inline constexpr Message kCloseQuestion{
    L"Tirna warning",
    L"Closing the authentification window before signing in or creating an Tirna parent "
    L"account will postpone the activation of Tirna on this computer. That means parental "
    L"controls will not work for now on this computer untill you sign in. Are you sure you want "
    L"to abort the authentification of your device with Tirna? \n(you can activate Tirna at a "
    L"latter time on this device)",
    MB_YESNO | MB_ICONEXCLAMATION};

inline constexpr wchar_t kCommErrorTitle[] = L"Tirna - Communication error.";
inline constexpr Message kNoConnectivity{
    kCommErrorTitle,
    L"There is no internet connectivity. Please make sure you have an internet connection up "
    L"and running and try again.",
    MB_OK | MB_ICONEXCLAMATION};
inline constexpr Message kServerError{
    kCommErrorTitle, L"There was an error accessing Tirna parental server. Please try again later.",
    MB_OK | MB_ICONEXCLAMATION};

// The service refused the user name and password, at sign-in or at account creation.
inline constexpr wchar_t kInvalidCredentialsText[] =
    L"Invalid username or password. Please make sure you typed them correctly and try again.";
inline constexpr Message kSignInRefused{L"Tirna - Signin error.", kInvalidCredentialsText,
                                        MB_OK | MB_ICONEXCLAMATION};

inline constexpr Message kNoEmailQuestion{
    L"Tirna - Warning",
    L"Are you sure you don't want to add an email address where Tirna can send you "
    L"notifications?",
    MB_YESNO | MB_ICONQUESTION};
inline constexpr wchar_t kCreateAccountErrorTitle[] = L"Tirna - Create account error.";
inline constexpr Message kUserNameTakenError{
    kCreateAccountErrorTitle,
    L"The username you choosed is already taken. Please choose a different one try again.", MB_OK};
inline constexpr Message kCreateAccountRefused{kCreateAccountErrorTitle, kInvalidCredentialsText,
                                               MB_OK};

inline constexpr Message kRegistrationError{
    L"Tirna - Server error",
    L"There was an error authenticating your device with Tirna server. Please try again later.",
    MB_OK | MB_ICONEXCLAMATION};
