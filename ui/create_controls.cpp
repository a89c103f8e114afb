#include "ui/create_controls.h"

#include <string>
#include <string_view>

#include "account/credential_check.h"
#include "core/app_state.h"
#include "core/text_buffer.h"
#include "ui/control_table.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "ui/password_field.h"
#include "win/module.h"
#include "win/settings_store.h"

namespace {

// Asked when the row is reached: the create selector only when the parent may
// create an account.
bool Wanted(CreatedWhen when) {
    switch (when) {
        case CreatedWhen::CreateSelectorAllowed:
            return !OnlySigningInAgain(g_app.signInMode);
        case CreatedWhen::InstallerRun:
            return g_app.installerMode;
        case CreatedWhen::Always:
            break;
    }
    return true;
}

void CreateRow(HWND mainWindow, const ControlRow& row) {
    const HWND control = CreateWindowExW(
        0, row.className, row.text, row.style, row.x, row.y, row.width, row.height, mainWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), g_instance, nullptr);
    g_controls.*row.handle = control;
    // A field takes no more than every read of it keeps: nothing typed is cut at the read.
    if (std::wstring_view(row.className) == L"EDIT") {
        SendMessageW(control, EM_LIMITTEXT, kTextLimit, 0);
    }
}

void SetBoldFont(HWND control) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_draw.BoldFont), TRUE);
}

}  // namespace

void CreateControls(HWND mainWindow) {
    g_controls = WizardControls{};
    for (const ControlRow& row : kControlRows) {
        if (Wanted(row.when)) CreateRow(mainWindow, row);
    }

    // The class cursor is shared by every BUTTON: a hand over all buttons, not only the selector.
    SetClassLongPtrW(g_controls.SignInSelector, GCLP_HCURSOR,
                     reinterpret_cast<LONG_PTR>(g_draw.HandCursor));
    SubclassPasswordField(g_controls.SignInPassword);

    SetBoldFont(g_controls.SignInButton);
    SetBoldFont(g_controls.CreateButton);
    SetBoldFont(g_controls.Finish);
    SetBoldFont(g_controls.OpenAccount);

    std::wstring userName;
    if (ReadAuthUserName(userName)) {
        SendMessageW(g_controls.SignInUser, WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(userName.c_str()));
    }
}
