#include "app/main_window.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/error_boxes.h"
#include "app/page_handlers.h"
#include "app/show_page.h"
#include "core/app_state.h"
#include "core/control_ids.h"
#include "core/service_endpoint.h"
#include "core/wizard_flow.h"
#include "ui/controls.h"
#include "ui/create_controls.h"
#include "ui/drawing_resources.h"
#include "ui/paint_wizard.h"
#include "ui/password_field.h"
#include "ui/profile_choice.h"

namespace {

void OnClose(HWND window) {
    if (ActionForClose(g_app.accountReady, g_app.profileSet, g_app.signInMode) ==
        CloseAction::Destroy) {
        DestroyWindow(window);
        return;
    }
    if (ShowMessage(kCloseQuestion) == IDYES) {
        DestroyWindow(window);
    }
}

void OnDestroy() {
    AllowSetForegroundWindow(ASFW_ANY);
    RestorePasswordField(g_controls.SignInPassword);
    PostQuitMessage(0);
}

void OnPaint(HWND window) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    PaintWizard(dc);
    EndPaint(window, &paint);
}

// In an installer run the parent may have ticked the box that opens the account page.
void Finish(HWND window) {
    if (g_app.installerMode &&
        SendMessageW(g_controls.OpenAccount, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        const std::wstring url(AccountPageUrl());
        ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOW);
    }
    DestroyWindow(window);
}

// The wizard's commands, each with its handler. The selectors act only until the
// account is ready; afterwards they are still the wizard's, and do nothing.
struct Command {
    int id;
    void (*handler)(HWND window);
    bool onlyBeforeAccountReady;
};

constexpr Command kCommands[] = {
    {IDC_SIGNIN_SELECTOR, [](HWND) { ShowPage(PageSignIn); }, true},
    {IDC_CREATE_SELECTOR, [](HWND) { ShowPage(PageCreateAccount); }, true},
    {IDC_SIGNIN_BUTTON, [](HWND) { SignIn(); }, false},
    {IDC_FINISH, Finish, false},
    {IDC_CREATE_BUTTON, [](HWND) { CreateAccount(); }, false},
    {IDC_NEXT, [](HWND) { SetChildProfile(); }, false},
    {IDC_PROFILE_EXISTING, [](HWND) { SwitchProfileChoice(ProfileSource::Existing); }, false},
    {IDC_PROFILE_NEW, [](HWND) { SwitchProfileChoice(ProfileSource::New); }, false},
};

// Only the control id (the low 16 bits) counts. False when the id is not one of
// the wizard's commands: the message then goes to the default handling.
bool OnCommand(HWND window, WPARAM wParam) {
    const int id = LOWORD(wParam);
    const auto command = std::ranges::find(kCommands, id, &Command::id);
    if (command == std::end(kCommands)) return false;
    if (!(command->onlyBeforeAccountReady && g_app.accountReady)) command->handler(window);
    return true;
}

void OnCreate(HWND window) {
    // Set first: the controls and ShowPage reach the window through AppState.
    g_app.mainWindow = window;
    CreateControls(window);
    ShowPage(g_app.page);
}

// The focus leaves with the activation and comes back to where it was.
void OnActivate(WPARAM wParam) {
    if (wParam == 0) {
        g_app.savedFocus = GetFocus();
    } else {
        SetFocus(g_app.savedFocus);
    }
}

// A message without its record draws nothing.
void OnDrawItem(WPARAM wParam, LPARAM lParam) {
    if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) {
        DrawSelectorButton(static_cast<int>(wParam), *item);
    }
}

// The labels stand on the white page area.
LRESULT OnCtlColorStatic(WPARAM wParam) {
    SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<LRESULT>(g_draw.WhiteBrush);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate(window);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ACTIVATE:
            OnActivate(wParam);
            return 0;
        case WM_PAINT:
            OnPaint(window);
            return 0;
        case WM_CLOSE:
            OnClose(window);
            return 0;
        case WM_DRAWITEM:
            OnDrawItem(wParam, lParam);
            return 0;
        case WM_COMMAND:
            if (OnCommand(window, wParam)) return 0;
            break;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(wParam);
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
