#pragma once
// What the three account handlers share: reading a field, the input-error box,
// the busy cursor, and recording a parent account that the service accepted.

#include <windows.h>

#include <string>
#include <string_view>

// The control's text as read through a zero-filled buffer of 260 characters, so
// at most 259 characters count.
[[nodiscard]] std::wstring ReadFieldText(HWND control);

// "Tirna - Input error" with an OK button and no icon, owned by the wizard window.
void ShowInputError(std::wstring_view text);

// The system's wait cursor while a request blocks the window.
void ShowBusyCursor();
void ShowArrowCursor();

// After a sign-in or account creation: "RegSucceeded" = 1, the user name as typed
// and the digest; the account is then ready for the rest of the run.
void StoreAcceptedAccount(std::wstring_view userName, const std::wstring& digest);
