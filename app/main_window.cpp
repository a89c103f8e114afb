#include "app/main_window.h"

#include <shellapi.h>

#include <string>

#include "app/page_handlers.h"
#include "core/app_state.h"
#include "core/service_endpoint.h"
#include "core/wizard_flow.h"
#include "ui/controls.h"
#include "ui/create_controls.h"
#include "ui/drawing_resources.h"
#include "ui/paint_wizard.h"
#include "ui/password_field.h"
#include "ui/profile_choice.h"
#include "ui/show_page.h"

namespace {

constexpr wchar_t kCloseTitle[] = L"Tirna warning";
constexpr wchar_t kCloseQuestion[] =
    L"Closing the authentification window before signing in or creating an Tirna parent "
    L"account will postpone the activation of Tirna on this computer. That means parental "
    L"controls will not work for now on this computer untill you sign in. Are you sure you want "
    L"to abort the authentification of your device with Tirna? \n(you can activate Tirna at a "
    L"latter time on this device)";

void OnClose(HWND window) {
    if (ActionForClose(g_app.accountReady, g_app.profileSet, g_app.signInMode) ==
        CloseAction::Destroy) {
        DestroyWindow(window);
        return;
    }
    if (MessageBoxW(window, kCloseQuestion, kCloseTitle, MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
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

// False when the command is not the wizard's and goes to the default handling.
bool OnCommand(HWND window, WPARAM wParam) {
    switch (ActionForCommand(LOWORD(wParam), g_app.accountReady)) {
        case CommandAction::PassOn:
            return false;
        case CommandAction::Nothing:
            break;
        case CommandAction::ShowSignInPage:
            ShowPage(PageSignIn);
            break;
        case CommandAction::ShowCreateAccountPage:
            ShowPage(PageCreateAccount);
            break;
        case CommandAction::SignIn:
            SignIn();
            break;
        case CommandAction::Finish:
            Finish(window);
            break;
        case CommandAction::CreateAccount:
            CreateAccount();
            break;
        case CommandAction::SetChildProfile:
            SetChildProfile();
            break;
        case CommandAction::ChooseExistingProfile:
            SwitchProfileChoice(ProfileSource::Existing);
            break;
        case CommandAction::ChooseNewProfile:
            SwitchProfileChoice(ProfileSource::New);
            break;
    }
    return true;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls(window);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ACTIVATE:
            // The focus leaves with the activation and comes back to where it was.
            if (wParam == 0) {
                g_app.savedFocus = GetFocus();
            } else {
                SetFocus(g_app.savedFocus);
            }
            return 0;
        case WM_PAINT:
            OnPaint(window);
            return 0;
        case WM_CLOSE:
            OnClose(window);
            return 0;
        case WM_DRAWITEM:
            // A message without its record draws nothing.
            if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) {
                DrawSelectorButton(static_cast<int>(wParam), *item);
            }
            return 0;
        case WM_COMMAND:
            if (OnCommand(window, wParam)) return 0;
            break;
        case WM_CTLCOLORSTATIC:
            // The labels stand on the white page area.
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(g_draw.WhiteBrush);
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
