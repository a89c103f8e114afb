#include "app/main_window.h"

#include <shellapi.h>

#include <string>

#include "account/child_profiles.h"
#include "account/create_account.h"
#include "account/sign_in.h"
#include "app/wizard_flow.h"
#include "net/service_endpoint.h"
#include "ui/controls.h"
#include "ui/create_controls.h"
#include "ui/drawing_resources.h"
#include "ui/paint_wizard.h"
#include "ui/show_page.h"

WNDPROC g_passwordPreviousProc = nullptr;

namespace {

constexpr wchar_t kCloseTitle[] = L"Tirna warning";
constexpr wchar_t kCloseQuestion[] =
    L"Closing the authentification window before signing in or creating an Tirna parent "
    L"account will postpone the activation of Tirna on this computer. That means parental "
    L"controls will not work for now on this computer untill you sign in. Are you sure you want "
    L"to abort the authentification of your device with Tirna? \n(you can activate Tirna at a "
    L"latter time on this device)";
constexpr wchar_t kCommErrorTitle[] = L"Tirna - Communication error.";
constexpr wchar_t kNoConnectivityText[] =
    L"There is no internet connectivity. Please make sure you have an internet connection up "
    L"and running and try again.";
constexpr wchar_t kServerErrorText[] =
    L"There was an error accessing Tirna parental server. Please try again later.";

// Set while the password field has the focus because of an Enter pressed elsewhere.
bool g_enterPressedElsewhere = false;

// The two result codes that mean a communication failure.
constexpr std::int32_t kNoValidReply = -10;
constexpr std::int32_t kErrorReadingAsZero = 0;

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
    if (g_controls.SignInPassword != nullptr && g_passwordPreviousProc != nullptr) {
        SetWindowLongPtrW(g_controls.SignInPassword, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(g_passwordPreviousProc));
    }
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

// The radio buttons are manual ones: only these two handlers change their checks.
void ChooseExistingProfile() {
    SendMessageW(g_controls.ProfileNew, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(g_controls.ProfileExisting, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(g_controls.ProfileName, FALSE);
    EnableWindow(g_controls.ProfileList, TRUE);
    SetFocus(g_controls.ProfileList);
}

void ChooseNewProfile() {
    SendMessageW(g_controls.ProfileExisting, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(g_controls.ProfileNew, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(g_controls.ProfileList, FALSE);
    EnableWindow(g_controls.ProfileName, TRUE);
    SetFocus(g_controls.ProfileName);
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
            ChooseExistingProfile();
            break;
        case CommandAction::ChooseNewProfile:
            ChooseNewProfile();
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
            DrawSelectorButton(static_cast<int>(wParam),
                               reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
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

LRESULT CALLBACK PasswordEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == g_controls.SignInPassword) {
        // Enter held while the focus comes back was pressed elsewhere, typically on
        // the sign-in's own error box, which closed on the key-down: its release here
        // would sign in again and bring the same box back.
        if (message == WM_SETFOCUS) g_enterPressedElsewhere = GetKeyState(VK_RETURN) < 0;
        if (message == WM_KEYUP && wParam == VK_RETURN) {
            // Posted, not sent: the sign-in starts once the key-up has been fully handled.
            if (!g_enterPressedElsewhere) {
                PostMessageW(g_app.mainWindow, WM_COMMAND, IDC_SIGNIN_BUTTON, 0);
            }
            g_enterPressedElsewhere = false;
        }
    }
    return CallWindowProcW(g_passwordPreviousProc, window, message, wParam, lParam);
}

void ShowCommError(std::int32_t code) {
    const wchar_t* text = code == kNoValidReply         ? kNoConnectivityText
                          : code == kErrorReadingAsZero ? kServerErrorText
                                                        : nullptr;
    if (text == nullptr) return;
    MessageBoxW(g_app.mainWindow, text, kCommErrorTitle, MB_OK | MB_ICONEXCLAMATION);
}
