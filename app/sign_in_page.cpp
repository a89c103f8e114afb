#include <windows.h>

#include <string>

#include "account/credential_check.h"
#include "account/password_digest.h"
#include "app/error_boxes.h"
#include "app/page_handlers.h"
#include "app/show_page.h"
#include "core/app_state.h"
#include "core/input_checks.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"

void SignIn() {
    const std::wstring userName = ReadControlText(g_controls.SignInUser);
    const std::wstring password = ReadControlText(g_controls.SignInPassword);
    if (const auto error = CheckSignInInput(userName, password)) {
        ShowInputError(*error);
        return;
    }
    ShowBusyCursor();
    const std::wstring digest = HashPassword(password);
    const RequestResult result = AuthenticateWithRepeats(userName, digest);
    if (result != kRequestSucceeded) {
        ShowArrowCursor();
        ShowRequestFailure(result, kSignInRefused);
        return;
    }
    StoreAcceptedAccount(userName, digest);
    g_app.accountReady = true;
    ShowArrowCursor();
    // A sign-in run ends with the accepted credentials; the rest of the product
    // reads the outcome.
    if (g_app.signInMode && !g_app.installerMode) {
        DestroyWindow(g_app.mainWindow);
        return;
    }
    ShowPage(PageProfileAfterSignIn);
}
