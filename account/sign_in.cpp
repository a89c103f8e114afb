#include "account/sign_in.h"

#include <windows.h>

#include <string>

#include "account/account_ui.h"
#include "account/credential_check.h"
#include "account/input_checks.h"
#include "account/password_digest.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "ui/controls.h"
#include "ui/show_page.h"

namespace {

constexpr int kRepeats = 3;
constexpr DWORD kRepeatPauseMs = 1000;

RequestResult AuthenticateWithRepeats(const std::wstring& userName, const std::wstring& digest) {
    RequestResult result = AuthenticateUser(userName, &digest);
    // A communication failure may pass; a refusal of the credentials will not.
    for (int repeat = 0; repeat < kRepeats && IsCommunicationFailure(result); ++repeat) {
        Sleep(kRepeatPauseMs);
        result = AuthenticateUser(userName, &digest);
    }
    return result;
}

void ReportRefusal(RequestResult result) {
    ShowArrowCursor();
    if (IsCommunicationFailure(result)) {
        ShowCommError(result);
        return;
    }
    MessageBoxW(g_app.mainWindow,
                L"Invalid username or password. Please make sure you typed them correctly and try "
                L"again.",
                L"Tirna - Signin error.", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void SignIn() {
    const std::wstring userName = ReadFieldText(g_controls.SignInUser);
    const std::wstring password = ReadFieldText(g_controls.SignInPassword);
    if (const auto error = CheckSignInInput(userName, password)) {
        ShowInputError(*error);
        return;
    }
    ShowBusyCursor();
    const std::wstring digest = HashPassword(password);
    const RequestResult result = AuthenticateWithRepeats(userName, digest);
    if (result != kRequestSucceeded) {
        ReportRefusal(result);
        return;
    }
    StoreAcceptedAccount(userName, digest);
    ShowArrowCursor();
    // A sign-in run ends with the accepted credentials; the rest of the product
    // reads the outcome.
    if (g_app.signInMode && !g_app.installerMode) {
        DestroyWindow(g_app.mainWindow);
        return;
    }
    ShowPage(PageProfileAfterSignIn);
}
