#include <windows.h>

#include <string>

#include "account/credential_check.h"
#include "account/new_account.h"
#include "account/password_digest.h"
#include "app/error_boxes.h"
#include "app/page_handlers.h"
#include "app/show_page.h"
#include "core/app_state.h"
#include "core/input_checks.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"

namespace {

struct NewAccountFields {
    std::wstring userName;
    std::wstring password;
    std::wstring confirmation;
    std::wstring email;
};

NewAccountFields ReadNewAccountFields() {
    const WizardControls& c = g_controls;
    return {ReadControlText(c.CreateUser), ReadControlText(c.CreatePassword),
            ReadControlText(c.CreateConfirm), ReadControlText(c.CreateEmail)};
}

// True when the parent agrees to go on without an e-mail address.
bool AcceptNoEmail() {
    return ShowMessage(kNoEmailQuestion) != IDNO;
}

// False, after the box that says why, when the fields may not be sent.
bool ValidateNewAccount(const NewAccountFields& f) {
    if (const auto error = CheckNewAccountFieldsGiven(f.userName, f.password)) {
        ShowInputError(*error);
        return false;
    }
    // No further message when the parent declines: the page simply stays.
    if (f.email.empty() && !AcceptNoEmail()) return false;
    if (const auto error = CheckNewAccountInput(f.userName, f.password, f.confirmation, f.email)) {
        ShowInputError(*error);
        return false;
    }
    return true;
}

}  // namespace

void CreateAccount() {
    const NewAccountFields fields = ReadNewAccountFields();
    if (!ValidateNewAccount(fields)) return;
    const std::wstring digest = HashPassword(fields.password);
    ShowBusyCursor();
    const RequestResult result = CreateParentAccount(fields.userName, digest, fields.email);
    if (result != kRequestSucceeded) {
        ShowArrowCursor();
        ShowRequestFailure(result,
                           result == kUserNameTaken ? kUserNameTakenError : kCreateAccountRefused);
        return;
    }
    StoreAcceptedAccount(fields.userName, digest);
    g_app.accountReady = true;
    ShowPage(PageProfileAfterCreate);
    ShowArrowCursor();
}
