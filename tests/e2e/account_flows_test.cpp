// The wizard's account flows in the real program, driven from this process as a
// parent would drive them, against the loopback service in this process.

#include <gtest/gtest.h>

#include "account/password_digest.h"
#include "app/settings_store.h"
#include "net/utf8.h"
#include "tests/support/form_fields.h"
#include "tests/support/loopback_server.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry.h"
#include "tests/support/wizard_actions.h"
#include "tests/support/wizard_driver.h"
#include "ui/controls.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;

class AccountFlows : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteProductKey();
        ASSERT_TRUE(server_.Listening());
    }
    void TearDown() override { DeleteProductKey(); }

    LoopbackServer server_;
};

void ExpectStoredAccount(const std::wstring& userName, const std::wstring& digest) {
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    std::wstring stored;
    EXPECT_TRUE(ReadAuthUserName(stored));
    EXPECT_EQ(stored, userName);
    EXPECT_TRUE(ReadAuthDigest(stored));
    EXPECT_EQ(stored, digest);
}

}  // namespace

TEST_F(AccountFlows, InstallerRunThroughSignInAndProfileChoice) {
    server_.Script(
        {Reply("0"), Reply("0;42"), Reply("0;2;17;Alpha;18;Beta"), Reply("0"), Reply("0")});
    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(WaitForView(wizard, WizardView::SignIn, kTimeoutMs)) << DescribeWizard(wizard);

    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_USER, L"ann"));
    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_PASSWORD, L"secret"));
    Press(wizard, IDC_SIGNIN_BUTTON);
    ASSERT_TRUE(WaitForView(wizard, WizardView::Profile, kTimeoutMs)) << DescribeWizard(wizard);
    EXPECT_EQ(ProfileChoices(wizard), (std::vector<std::wstring>{L"Alpha", L"Beta"}));
    ASSERT_TRUE(ChooseProfile(wizard, L"Beta"));
    Press(wizard, IDC_NEXT);
    ASSERT_TRUE(WaitForView(wizard, WizardView::Done, kTimeoutMs)) << DescribeWizard(wizard);
    Press(wizard, IDC_FINISH);
    EXPECT_EQ(process.WaitForExit(kTimeoutMs), 0u);

    const std::string digest = ToUtf8(HashPassword(L"secret"));
    const auto requests = server_.Requests();
    ASSERT_EQ(ActionsOf(requests), (std::vector<std::string>{"install", "authuser", "getprofiles",
                                                             "install", "setprofile"}));
    std::vector<FormFields> fields;
    for (const auto& request : requests) fields.push_back(SplitFormBody(request.body));
    // The first registration knows no parent yet; the second one does.
    EXPECT_EQ(FieldValue(fields[0], "uname"), "<absent>");
    EXPECT_EQ(FieldValue(fields[0], "pmd5"), "<absent>");
    const std::string deviceId = FieldValue(fields[0], "did");
    EXPECT_EQ(deviceId.size(), 47u);
    EXPECT_TRUE(SameDevice(FieldValue(fields[1], "did"), deviceId));
    EXPECT_EQ(FieldValue(fields[1], "uname"), "ann");
    EXPECT_EQ(FieldValue(fields[1], "pmd5"), digest);
    EXPECT_EQ(requests[2].body, "action=getprofiles&did=none&uname=ann&pmd5=" + digest);
    EXPECT_EQ(FieldValue(fields[3], "uname"), "ann");
    EXPECT_EQ(FieldValue(fields[3], "pmd5"), digest);
    EXPECT_EQ(FieldNames(fields[4]),
              (std::vector<std::string>{"action", "uname", "pmd5", "did", "profid"}));
    EXPECT_EQ(FieldValue(fields[4], "pmd5"), digest);
    EXPECT_TRUE(SameDevice(FieldValue(fields[4], "did"), deviceId));
    EXPECT_EQ(FieldValue(fields[4], "profid"), "18");

    ExpectStoredAccount(L"ann", HashPassword(L"secret"));
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), 42u);
}

TEST_F(AccountFlows, SignInRunEndsWithTheOutcomeRecorded) {
    server_.Script({Reply("0;42")});
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_USER, L"ann"));
    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_PASSWORD, L"secret"));
    Press(wizard, IDC_SIGNIN_BUTTON);
    // Nobody closes the window: the accepted sign-in ends the program.
    EXPECT_EQ(process.WaitForExit(kTimeoutMs), 0u);

    EXPECT_EQ(ActionsOf(server_.Requests()), std::vector<std::string>{"authuser"});
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 1u);
    ExpectStoredAccount(L"ann", HashPassword(L"secret"));
}
