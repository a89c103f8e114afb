#pragma once
// The real wizard window, created in the test process as the program creates it,
// and small readers of its controls.

#include <windows.h>

#include <optional>
#include <string>

struct WizardMode {
    bool signIn = false;     // "/signin"
    bool installer = false;  // "/installer"
};

// The program's drawing resources and pictures, made once per process, and the
// module instance for string loading (the test executable carries the resources).
void PrepareDrawing();

// Starts from a fresh AppState in `mode`, registers the class and creates the
// window as the program's start-up does, then handles the queued messages.
// Returns the window, or nullptr when it could not be created.
HWND OpenWizard(WizardMode mode);
// Destroys the wizard window when it still exists and handles what that queued.
void CloseWizard();

// Handles every queued message as the program's loop does (dialog-style keys
// included) until the queue is empty. Returns the quit code when WM_QUIT came.
std::optional<WPARAM> PumpMessages();

// The wizard's child with this id, nullptr when it was not created.
HWND WizardControl(int id);
// A control's rectangle in the client coordinates of the wizard window.
RECT ClientRectOf(HWND control);
LONG_PTR StyleOf(HWND control);
// The control's own WS_VISIBLE bit, whatever its parent's state.
bool IsShown(HWND control);
std::wstring ClassOf(HWND control);
std::wstring TextOf(HWND control);
// Presses Tab in the focused control as the message loop delivers it; returns the new focus.
HWND PressTab();
