#pragma once
// The sign-in password field's own key handling: Enter there signs in.

#include <windows.h>

// Subclasses the field; its own procedure is kept for the subclass to call on.
void SubclassPasswordField(HWND field);
// Puts the field's own procedure back, when the window is destroyed.
void RestorePasswordField(HWND field);
