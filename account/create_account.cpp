#include "account/create_account.h"

#include <windows.h>

#include <string>

#include "account/account_ui.h"
#include "account/input_checks.h"
#include "account/password_digest.h"
#include "account/request_bodies.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "net/debug_log.h"
#include "net/form_headers.h"
#include "net/reply.h"
#include "net/service_endpoint.h"
#include "net/win_http_client.h"
#include "ui/controls.h"
#include "ui/show_page.h"

namespace {

constexpr int kAttempts = 3;
constexpr RequestResult kNameTaken = -5;

constexpr wchar_t kSendFailedLine[] = L"[TirnaUIAuth] failed to send request to server;  retry.";
constexpr wchar_t kSucceededLine[] = L"[TirnaUIAuth] Create account succeeded.";
constexpr wchar_t kFailedLine[] = L"[TirnaUIAuth] failed to create user.";
constexpr wchar_t kErrorTitle[] = L"Tirna - Create account error.";

struct NewAccountFields {
    std::wstring userName;
    std::wstring password;
    std::wstring confirmation;
    std::wstring email;
};

NewAccountFields ReadNewAccountFields() {
    const WizardControls& c = g_controls;
    return {ReadFieldText(c.CreateUser), ReadFieldText(c.CreatePassword),
            ReadFieldText(c.CreateConfirm), ReadFieldText(c.CreateEmail)};
}

// True when the parent agrees to go on without an e-mail address.
bool AcceptNoEmail() {
    return MessageBoxW(g_app.mainWindow,
                       L"Are you sure you don't want to add an email address where Tirna can send "
                       L"you notifications?",
                       L"Tirna - Warning", MB_YESNO | MB_ICONQUESTION) != IDNO;
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

// Its own attempts on the client rather than PostForm's: this request's header
// block has no Cache-Control line, and an invalid reply leaves no line behind.
RequestResult PostCreateUser(const std::string& body) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        WinHttpClient client{std::wstring(ServiceEndpoint())};
        client.SetPostData(body.data(), static_cast<std::uint32_t>(body.size()));
        client.SetExtraHeaders(CreateUserHeaders(body.size()));
        if (!client.Send(L"POST")) {
            DebugLog(kSendFailedLine);
            continue;
        }
        const std::wstring reply = client.ResponseContent();
        switch (JudgeReply(reply)) {
            case ReplyKind::Success:
                return kRequestSucceeded;
            case ReplyKind::Error:
                return ReadLeadingInt(reply);
            case ReplyKind::Invalid:
                break;
        }
    }
    return kRequestNoValidReply;
}

void ReportFailure(RequestResult code) {
    DebugLog(kFailedLine);
    ShowArrowCursor();
    if (IsCommunicationFailure(code)) {
        ShowCommError(code);
        return;
    }
    const wchar_t* text =
        code == kNameTaken
            ? L"The username you choosed is already taken. Please choose a different one try "
              L"again."
            : L"Invalid username or password. Please make sure you typed them correctly and try "
              L"again.";
    MessageBoxW(g_app.mainWindow, text, kErrorTitle, MB_OK);
}

}  // namespace

void CreateAccount() {
    const NewAccountFields fields = ReadNewAccountFields();
    if (!ValidateNewAccount(fields)) return;
    const std::wstring digest = HashPassword(fields.password);
    const std::string body = BuildCreateUserBody(fields.userName, digest, fields.email);
    ShowBusyCursor();
    const RequestResult result = PostCreateUser(body);
    if (result != kRequestSucceeded) {
        ReportFailure(result);
        return;
    }
    DebugLog(kSucceededLine);
    StoreAcceptedAccount(fields.userName, digest);
    ShowPage(PageProfileAfterCreate);
    ShowArrowCursor();
}
