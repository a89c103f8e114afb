// The passwords a parent types go nowhere but into the digest: whole runs through
// sign-in and account creation to the closing page, then every captured byte (the
// debugger lines, the requests, the registry of the machine and the user) is
// searched for them.

#include <gtest/gtest.h>

#include "tests/faults/fault_harness.h"
#include "ui/controls.h"

namespace {

// Each holds a letter outside ASCII, so that its UTF-8, ANSI and UTF-16 forms differ.
const std::wstring kRefusedPassword = L"Wr\u00f6ng-Guess-1";
const std::wstring kSignInPassword = L"Pony-Cl\u00fcb-Secret-2";
const std::wstring kNewAccountPassword = L"N\u00e9w-Account-Secret-3";

class Secrecy : public FaultTest {
  protected:
    void ExpectNowhere(const std::vector<std::wstring>& secrets, DebuggedProcess& process) {
        for (const std::wstring& secret : secrets) {
            ExpectSecretNowhere(secret, process, service_->Requests());
        }
        ExpectSecretsNowhereInRegistry(secrets);
    }

    std::unique_ptr<LoopbackServer> service_;
};

}  // namespace

TEST_F(Secrecy, InstallerRunWithARefusedAndAnAcceptedPassword) {
    service_ = StartService(
        true,
        {Reply("0"), Reply("-2"), Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"), Reply("0")},
        Reply(""));
    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(SignInWith(wizard, L"ann", kRefusedPassword));
    EXPECT_TRUE(AnswerBox(process, wizard, SignInRefusedMessage()));
    ASSERT_TRUE(SignInWith(wizard, L"ann", kSignInPassword));
    ASSERT_TRUE(WaitForView(wizard, WizardView::Profile, kRunTimeoutMs)) << DescribeWizard(wizard);
    ASSERT_TRUE(ChooseProfile(wizard, L"Alice"));
    Press(wizard, IDC_NEXT);
    FinishRun(process, wizard);
    ExpectNoCrash(process);
    EXPECT_EQ(service_->RequestCount(), 6u);

    ExpectNowhere({kRefusedPassword, kSignInPassword}, process);
}

TEST_F(Secrecy, AccountCreationRunToTheClosingPage) {
    service_ = StartService(true, {Reply("0"), Reply("0;0"), Reply("0"), Reply("0")}, Reply(""));
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    Press(wizard, IDC_CREATE_SELECTOR);
    ASSERT_TRUE(WaitForView(wizard, WizardView::CreateAccount, kRunTimeoutMs));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_USER, L"ann"));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_PASSWORD, kNewAccountPassword));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_CONFIRM, kNewAccountPassword));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_EMAIL, L"ann@example.org"));
    Press(wizard, IDC_CREATE_BUTTON);
    ASSERT_TRUE(WaitForView(wizard, WizardView::Profile, kRunTimeoutMs)) << DescribeWizard(wizard);
    ASSERT_TRUE(TypeInto(wizard, IDC_PROFILE_NAME, L"Kid"));
    Press(wizard, IDC_NEXT);
    FinishRun(process, wizard);
    ExpectNoCrash(process);
    EXPECT_EQ(service_->RequestCount(), 4u);

    ExpectNowhere({kNewAccountPassword}, process);
}
