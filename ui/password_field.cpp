#include "ui/password_field.h"

#include "core/app_state.h"
#include "core/control_ids.h"

namespace {

WNDPROC g_previousProc = nullptr;

// Set while the field has the focus because of an Enter pressed elsewhere.
bool g_enterPressedElsewhere = false;

LRESULT CALLBACK PasswordEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Enter held while the focus comes back was pressed elsewhere, typically on the
    // sign-in's own error box, which closed on the key-down: its release here would
    // sign in again and bring the same box back.
    if (message == WM_SETFOCUS) g_enterPressedElsewhere = GetKeyState(VK_RETURN) < 0;
    if (message == WM_KEYUP && wParam == VK_RETURN) {
        // Posted, not sent: the sign-in starts once the key-up has been fully handled.
        if (!g_enterPressedElsewhere) {
            PostMessageW(g_app.mainWindow, WM_COMMAND, IDC_SIGNIN_BUTTON, 0);
        }
        g_enterPressedElsewhere = false;
    }
    return CallWindowProcW(g_previousProc, window, message, wParam, lParam);
}

}  // namespace

void SubclassPasswordField(HWND field) {
    g_previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PasswordEditProc)));
}

void RestorePasswordField(HWND field) {
    if (field == nullptr || g_previousProc == nullptr) return;
    SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previousProc));
}
