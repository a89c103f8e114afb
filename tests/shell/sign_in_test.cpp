#include "account/sign_in.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "account/password_digest.h"
#include "app/app_state.h"
#include "app/settings_store.h"
#include "device/device_identity.h"
#include "net/utf8.h"
#include "tests/support/debug_capture.h"
#include "tests/support/form_fields.h"
#include "tests/support/loopback_server.h"
#include "tests/support/message_box_hook.h"
#include "tests/support/registry.h"
#include "tests/support/wizard_actions.h"
#include "tests/support/wizard_window.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

const ShownBox kRefusedBox = {
    L"Tirna - Signin error.",
    L"Invalid username or password. Please make sure you typed them correctly and try again.",
    MB_OK | MB_ICONEXCLAMATION};

class SignInTest : public ::testing::Test {
  protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override {
        CloseWizard();
        DeleteProductKey();
    }

    static void SignInWith(const std::wstring& userName, const std::wstring& password) {
        TypeText(IDC_SIGNIN_USER, userName);
        TypeText(IDC_SIGNIN_PASSWORD, password);
        PressButton(IDC_SIGNIN_BUTTON);
    }

    // Nothing of a sign-in stays behind; the page and the typed texts are kept.
    static void ExpectUnchanged(const std::wstring& userName, const std::wstring& password) {
        EXPECT_EQ(g_app.page, PageSignIn);
        EXPECT_FALSE(g_app.accountReady);
        EXPECT_EQ(TextOf(g_controls.SignInUser), userName);
        EXPECT_EQ(TextOf(g_controls.SignInPassword), password);
        EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());
        EXPECT_FALSE(ReadRawValue(kStateKey, L"AuthInfoUserName").has_value());
        EXPECT_FALSE(ReadRawValue(kStateKey, L"AuthInfoMD5").has_value());
        EXPECT_EQ(GetCursor(), g_draw.ArrowCursor);
    }
};

}  // namespace

TEST_F(SignInTest, InputErrorsBeforeAnyRequest) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    ASSERT_NE(OpenWizard({}), nullptr);
    const std::wstring bothFields = L"Please make sure you type both a username and a password.";
    const struct {
        std::wstring userName, password, text;
    } cases[] = {
        {L"", L"", bothFields},
        {L"ann", L"", bothFields},
        {L"", L"secret", bothFields},
        {L"an;n", L"secret",
         L"Please do not use special characters like ?!,;'\"\\/ in your username"},
        // 130 characters, but 260 bytes of UTF-8: one more than the field holds.
        {std::wstring(130, L'\u00e9'), L"secret", L"Please use a shorter username or email."},
    };
    for (const auto& c : cases) {
        MessageBoxHook hook(IDOK);
        SignInWith(c.userName, c.password);
        EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{InputErrorBox(c.text)});
        ExpectUnchanged(c.userName, c.password);
    }
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(SignInTest, AcceptedCredentialsAreStoredAsTypedAndTheProfilePageOpens) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    ASSERT_NE(OpenWizard({}), nullptr);
    server.Script({Reply("0;42"), Reply("0;1;17;Alpha")});
    // Blanks are kept; "@" and a password with ";" are accepted.
    const std::wstring userName = L" ann@example.com ";
    const std::wstring digest = HashPassword(L"p;w");
    MessageBoxHook hook(IDOK);
    SignInWith(userName, L"p;w");

    EXPECT_TRUE(hook.Boxes().empty());
    const auto requests = server.Requests();
    ASSERT_EQ(ActionsOf(requests), (std::vector<std::string>{"authuser", "getprofiles"}));
    const FormFields auth = SplitFormBody(requests[0].body);
    EXPECT_EQ(FieldValue(auth, "uname"), " ann@example.com ");
    EXPECT_EQ(FieldValue(auth, "pmd5"), ToUtf8(digest));
    EXPECT_TRUE(SameDevice(FieldValue(auth, "did"), GetDeviceId()));
    // The profile list is asked for with what was just stored.
    EXPECT_EQ(requests[1].body,
              "action=getprofiles&did=none&uname= ann@example.com &pmd5=" + ToUtf8(digest));

    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    std::wstring stored;
    EXPECT_TRUE(ReadAuthUserName(stored));
    EXPECT_EQ(stored, userName);
    EXPECT_TRUE(ReadAuthDigest(stored));
    EXPECT_EQ(stored, digest);
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), 42u);
    EXPECT_TRUE(g_app.accountReady);
    EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
    EXPECT_EQ(g_app.profileCount, 1);
    EXPECT_EQ(GetCursor(), g_draw.ArrowCursor);
}

TEST_F(SignInTest, OnlyASignInRunEndsAtOnce) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    const struct {
        const char* name;
        WizardMode mode;
        bool ends;
    } cases[] = {
        {"ordinary run", {}, false},
        {"installer run", {false, true}, false},
        {"sign-in run", {true, false}, true},
        {"sign-in and installer run", {true, true}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteProductKey();
        ASSERT_NE(OpenWizard(c.mode), nullptr);
        const HWND window = g_app.mainWindow;
        // The profile page asks for the list; a sign-in run never gets there.
        server.Script(c.ends ? std::vector{Reply("0")} : std::vector{Reply("0"), Reply("0;0")});
        const std::size_t before = server.RequestCount();
        SignInWith(L"ann", L"secret");
        EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
        EXPECT_TRUE(g_app.accountReady);
        if (c.ends) {
            EXPECT_FALSE(IsWindow(window));
            EXPECT_EQ(PumpMessages(), 0u);
            EXPECT_EQ(server.RequestCount(), before + 1);
            continue;
        }
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
        EXPECT_EQ(server.RequestCount(), before + 2);
        CloseWizard();
    }
}

TEST_F(SignInTest, RefusalStopsAtOnce) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    ASSERT_NE(OpenWizard({}), nullptr);
    server.Script({Reply("-2"), Reply("0")});
    MessageBoxHook hook(IDOK);
    SignInWith(L"ann", L"secret");
    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{kRefusedBox});
    EXPECT_EQ(server.RequestCount(), 1u);
    ExpectUnchanged(L"ann", L"secret");
}

TEST_F(SignInTest, UnreachableServiceIsAskedFourTimesWithPauses) {
    // Nothing listens on the service's port.
    ASSERT_NE(OpenWizard({}), nullptr);
    DebugCapture capture;
    ASSERT_TRUE(capture.Active());
    MessageBoxHook hook(IDOK);
    const auto start = steady_clock::now();
    SignInWith(L"ann", L"secret");
    const auto elapsed = steady_clock::now() - start;

    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{NoConnectivityBox()});
    EXPECT_GE(elapsed, milliseconds(3000));  // three pauses of a second
    int attempts = 0;
    int calls = 0;
    for (const std::string& line : capture.Lines()) {
        attempts += line == "[TirnaParental] [TirnaNet] failed to send request to server; Retry.";
        calls += line ==
                 "[TirnaParental] [TirnaNet] failed to send request to server; No more retry. "
                 "Error code: -10";
    }
    EXPECT_EQ(attempts, 12);
    EXPECT_EQ(calls, 4);
    ExpectUnchanged(L"ann", L"secret");
}

TEST_F(SignInTest, ServerFailureIsAskedFourTimes) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    ASSERT_NE(OpenWizard({}), nullptr);
    server.Script({Reply("-0"), Reply("-0"), Reply("-0"), Reply("-0"), Reply("0")});
    MessageBoxHook hook(IDOK);
    SignInWith(L"ann", L"secret");
    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{ServerAccessBox()});
    EXPECT_EQ(server.RequestCount(), 4u);
    ExpectUnchanged(L"ann", L"secret");
}

TEST_F(SignInTest, RepeatAfterNoValidReplyCanSucceed) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    ASSERT_NE(OpenWizard({}), nullptr);
    // Three invalid replies end the first call with -10; the repeat is accepted.
    server.Script({Reply("OK"), Reply("OK"), Reply("OK"), Reply("0;7"), Reply("0;0")});
    MessageBoxHook hook(IDOK);
    SignInWith(L"ann", L"secret");
    EXPECT_TRUE(hook.Boxes().empty());
    EXPECT_EQ(
        ActionsOf(server.Requests()),
        (std::vector<std::string>{"authuser", "authuser", "authuser", "authuser", "getprofiles"}));
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), 7u);
    EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
}
