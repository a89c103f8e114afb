#pragma once
// The one program-wide record of the wizard, touched only on the user-interface thread.
// Only the wizard's top layer (app/) writes it; the layers below read it, and the
// service operations return what they learned instead of recording it here.

#include <cstdint>

// Same type as the Windows HWND, without pulling in <windows.h>.
struct HWND__;
using WindowHandle = HWND__*;

// The six wizard pages by number. Pages 2 and 3 show the same controls, as do
// pages 4 and 5; the number records the path, which decides the success text and
// which page follows a profile choice (page + 2).
enum WizardPage : std::int32_t {
    PageSignIn = 0,
    PageCreateAccount = 1,
    PageProfileAfterSignIn = 2,
    PageProfileAfterCreate = 3,
    PageDoneAfterSignIn = 4,
    PageDoneAfterCreate = 5,
};

struct AppState {
    std::int32_t page = PageSignIn;     // set by a sign-in run's switch, then only by ShowPage
    bool signInMode = false;            // "/signin"
    bool installerMode = false;         // "/installer"
    bool accountReady = false;          // a sign-in or account creation succeeded; never reset
    bool profileSet = false;            // the child profile was set with the service; never reset
    std::int32_t profileCount = 0;      // profiles announced by the last profile list
    WindowHandle savedFocus = nullptr;  // gets the focus back when the window is reactivated
    WindowHandle mainWindow = nullptr;  // the wizard window
};

extern AppState g_app;
