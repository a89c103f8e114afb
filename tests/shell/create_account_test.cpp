#include "account/create_account.h"

#include <gtest/gtest.h>

#include <string>

#include "account/password_digest.h"
#include "app/app_state.h"
#include "app/settings_store.h"
#include "net/utf8.h"
#include "tests/support/debug_capture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/message_box_hook.h"
#include "tests/support/registry.h"
#include "tests/support/wizard_actions.h"
#include "tests/support/wizard_window.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"

namespace {

const ShownBox kEmailQuestion = {
    L"Tirna - Warning",
    L"Are you sure you don't want to add an email address where Tirna can send you "
    L"notifications?",
    MB_YESNO | MB_ICONQUESTION};
const std::string kFailedLine = "[TirnaParental] [TirnaUIAuth] failed to create user.";

struct NewAccount {
    std::wstring userName, password, confirmation, email;
};

class CreateAccountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteProductKey();
        ASSERT_NE(OpenWizard({}), nullptr);
        PressButton(IDC_CREATE_SELECTOR);
        ASSERT_EQ(g_app.page, PageCreateAccount);
    }
    void TearDown() override {
        CloseWizard();
        DeleteProductKey();
    }

    static void CreateWith(const NewAccount& account) {
        TypeText(IDC_CREATE_USER, account.userName);
        TypeText(IDC_CREATE_PASSWORD, account.password);
        TypeText(IDC_CREATE_CONFIRM, account.confirmation);
        TypeText(IDC_CREATE_EMAIL, account.email);
        PressButton(IDC_CREATE_BUTTON);
    }

    static void ExpectUnchanged(const NewAccount& account) {
        EXPECT_EQ(g_app.page, PageCreateAccount);
        EXPECT_FALSE(g_app.accountReady);
        EXPECT_EQ(TextOf(g_controls.CreateUser), account.userName);
        EXPECT_EQ(TextOf(g_controls.CreatePassword), account.password);
        EXPECT_EQ(TextOf(g_controls.CreateConfirm), account.confirmation);
        EXPECT_EQ(TextOf(g_controls.CreateEmail), account.email);
        EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());
        EXPECT_FALSE(ReadRawValue(kStateKey, L"AuthInfoUserName").has_value());
        EXPECT_EQ(GetCursor(), g_draw.ArrowCursor);
    }

    // The lines of the account-creation flow, without the transport's.
    static std::vector<std::string> FlowLines(DebugCapture& capture) {
        std::vector<std::string> lines;
        for (const std::string& line : capture.Lines()) {
            if (line.find("[TirnaUIAuth]") != std::string::npos) lines.push_back(line);
        }
        return lines;
    }
};

}  // namespace

TEST_F(CreateAccountTest, InputChecksInOrderBeforeAnyRequest) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    const std::wstring unsafe =
        L"Please do not use special characters like ?!,;'\"\\/ in your username or email.";
    const std::wstring samePassword =
        L"Please make sure you type the same password in both password fields.";
    const struct {
        const char* name;
        NewAccount account;
        int answer;
        std::vector<ShownBox> boxes;
    } cases[] = {
        {"password missing, no e-mail either",
         {L"ann", L"", L"", L""},
         IDYES,
         {InputErrorBox(L"Please make sure you type both a username and a password.")}},
        {"no e-mail, declined", {L"ann", L"pw", L"pw", L""}, IDNO, {kEmailQuestion}},
        {"no e-mail, accepted, unsafe name",
         {L"a,b", L"pw", L"pw", L""},
         IDYES,
         {kEmailQuestion, InputErrorBox(unsafe)}},
        {"unsafe e-mail",
         {L"ann", L"pw", L"pw", L"o'neil@example.com"},
         IDOK,
         {InputErrorBox(unsafe)}},
        {"confirmation differs in case",
         {L"ann", L"pw", L"PW", L"ann@example.com"},
         IDOK,
         {InputErrorBox(samePassword)}},
        {"confirmation empty",
         {L"ann", L"pw", L"", L"ann@example.com"},
         IDOK,
         {InputErrorBox(samePassword)}},
        {"e-mail too long for its field",
         {L"ann", L"pw", L"pw", std::wstring(130, L'\u00e9')},
         IDOK,
         {InputErrorBox(L"Please use a shorter username or email.")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxHook hook(c.answer);
        CreateWith(c.account);
        EXPECT_EQ(ShownBoxes(hook), c.boxes);
        ExpectUnchanged(c.account);
    }
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(CreateAccountTest, CreatedAccountIsStoredAndTheProfilePageOpens) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.Script({Reply("0"), Reply("0;0")});
    DebugCapture capture;
    ASSERT_TRUE(capture.Active());
    MessageBoxHook hook(IDYES);
    CreateWith({L"Ren\u00e9e", L"pw", L"pw", L""});

    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{kEmailQuestion});
    const auto requests = server.Requests();
    ASSERT_EQ(ActionsOf(requests), (std::vector<std::string>{"createuser", "getprofiles"}));
    const std::string digest = ToUtf8(HashPassword(L"pw"));
    const std::string body =
        "action=createuser&uname=Ren\xC3\xA9"
        "e&pmd5=" +
        digest + "&did=none";
    EXPECT_EQ(requests[0].body, body);
    // The length counts bytes: "é" is two of them.
    EXPECT_EQ(requests[0].Header("Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_FALSE(requests[0].Header("Cache-Control").has_value());
    // The profile list is asked for as usual.
    EXPECT_EQ(requests[1].Header("Cache-Control"), "no-cache");

    EXPECT_EQ(FlowLines(capture),
              std::vector<std::string>{"[TirnaParental] [TirnaUIAuth] Create account succeeded."});
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    std::wstring stored;
    EXPECT_TRUE(ReadAuthUserName(stored));
    EXPECT_EQ(stored, L"Ren\u00e9e");
    EXPECT_TRUE(ReadAuthDigest(stored));
    EXPECT_EQ(stored, HashPassword(L"pw"));
    EXPECT_FALSE(ReadRawValue(kProductKey, L"UID").has_value());
    EXPECT_TRUE(g_app.accountReady);
    EXPECT_EQ(g_app.page, PageProfileAfterCreate);
    EXPECT_EQ(GetCursor(), g_draw.ArrowCursor);
}

TEST_F(CreateAccountTest, ServiceAnswersDecideTheMessage) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    const NewAccount account = {L"ann", L"pw", L"pw", L"ann@example.com"};
    const struct {
        std::vector<ScriptedReply> replies;
        std::size_t requests;
        ShownBox box;
    } cases[] = {
        {{Reply("-5")},
         1,
         {L"Tirna - Create account error.",
          L"The username you choosed is already taken. Please choose a different one try again.",
          MB_OK}},
        {{Reply("-12;x")},
         1,
         {L"Tirna - Create account error.",
          L"Invalid username or password. Please make sure you typed them correctly and try "
          L"again.",
          MB_OK}},
        {{Reply("-0")}, 1, ServerAccessBox()},
        // Invalid replies are tried again without a line of their own.
        {{Reply("OK"), Reply("OK"), Reply("OK")}, 3, NoConnectivityBox()},
    };
    DebugCapture capture;
    ASSERT_TRUE(capture.Active());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replies[0].body);
        capture.Clear();
        const std::size_t before = server.RequestCount();
        server.Script(c.replies);
        MessageBoxHook hook(IDOK);
        CreateWith(account);
        EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{c.box});
        EXPECT_EQ(server.RequestCount(), before + c.requests);
        EXPECT_EQ(FlowLines(capture), std::vector<std::string>{kFailedLine});
        ExpectUnchanged(account);
    }
    EXPECT_EQ(server.Requests().back().body,
              "action=createuser&uname=ann&pmd5=" + ToUtf8(HashPassword(L"pw")) +
                  "&did=none&email=ann@example.com");
}

TEST_F(CreateAccountTest, UnreachableServiceAfterThreeAttempts) {
    // Nothing listens on the service's port.
    DebugCapture capture;
    ASSERT_TRUE(capture.Active());
    MessageBoxHook hook(IDOK);
    const NewAccount account = {L"ann", L"pw", L"pw", L"ann@example.com"};
    CreateWith(account);
    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{NoConnectivityBox()});
    const std::string sendFailed =
        "[TirnaParental] [TirnaUIAuth] failed to send request to server;  retry.";
    EXPECT_EQ(FlowLines(capture),
              (std::vector<std::string>{sendFailed, sendFailed, sendFailed, kFailedLine}));
    ExpectUnchanged(account);
}
