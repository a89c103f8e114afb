#pragma once
// The wizard window's procedure, the Enter key of the sign-in password field, and
// the box that reports communication failures.

#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "app/app_state.h"

static_assert(std::is_same_v<HWND, WindowHandle>, "AppState holds plain window handles");

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Subclass procedure of the sign-in password field: Enter there signs in.
LRESULT CALLBACK PasswordEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The field's own procedure, kept when the subclass is installed and put back on WM_DESTROY.
extern WNDPROC g_passwordPreviousProc;

// Shows the communication-error box for -10 (no valid reply) and 0 (an error reply
// that reads as 0); any other result code shows nothing.
void ShowCommError(std::int32_t code);
