// Started without a switch, the program replays the stored credentials against the
// service: accepted, it ends without a window; refused, the wizard opens.

#include "tests/service_e2e/service_test.h"
#include "ui/controls.h"

namespace {

const std::vector<std::string> kAuthUserFields = {"action", "did", "uname", "pmd5"};

class OrdinaryStart : public ServiceTest {};

}  // namespace

TEST_F(OrdinaryStart, AcceptedStoredCredentialsEndTheRunSilently) {
    const auto account = SeedAccount(kParent, kPassword, {"Alice"});
    ASSERT_TRUE(account.has_value());
    StoreCredentials(kParentWide, Widen(account->digest));

    // Nobody closes a window here: the program ends on its own only when it opened none.
    const ProgramRun run = RunProgram(L"", kRunTimeoutMs);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 1u);
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), static_cast<DWORD>(account->userId));
    EXPECT_FALSE(ReadRawValue(kProductKey, L"TempA").has_value());

    const auto journal = ServiceJournal();
    ASSERT_EQ(Actions(journal), std::vector<std::string>{"authuser"});
    EXPECT_EQ(FieldNamesOf(journal[0]), kAuthUserFields);
    EXPECT_EQ(FieldValue(journal[0].fields, "uname"), kParent);
    EXPECT_EQ(FieldValue(journal[0].fields, "pmd5"), account->digest);
    EXPECT_EQ(FieldValue(journal[0].fields, "did").size(), 47u);
    EXPECT_EQ(journal[0].reply, "0;" + std::to_string(account->userId));
}

TEST_F(OrdinaryStart, RefusedStoredCredentialsOpenTheWizard) {
    ASSERT_TRUE(SeedAccount(kParent, kPassword).has_value());
    const std::string staleDigest = "5ebc40aa0ade99411f45b127b723a833";
    StoreCredentials(kParentWide, Widen(staleDigest));

    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    const HWND wizard = OpenedWizard(process);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(WaitForView(wizard, WizardView::SignIn, kRunTimeoutMs)) << DescribeWizard(wizard);
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 0u);
    EXPECT_FALSE(ReadRawValue(kProductKey, L"UID").has_value());
    // The parent only has to type the password again.
    EXPECT_EQ(TextIn(wizard, IDC_SIGNIN_USER), kParentWide);
    EXPECT_TRUE(IsEnabled(wizard, IDC_SIGNIN_USER));

    // Closing before the device is linked asks first; No keeps the wizard.
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    auto question = WaitForMessageBox(process.ProcessId(), kRunTimeoutMs);
    ASSERT_TRUE(question.has_value()) << DescribeWizard(wizard);
    EXPECT_EQ(question->title, L"Tirna warning");
    ASSERT_TRUE(Answer(*question, IDNO));
    EXPECT_FALSE(process.WaitForExit(0).has_value());
    EXPECT_EQ(CurrentView(wizard), WizardView::SignIn);

    PostMessageW(wizard, WM_CLOSE, 0, 0);
    question = WaitForMessageBox(process.ProcessId(), kRunTimeoutMs);
    ASSERT_TRUE(question.has_value()) << DescribeWizard(wizard);
    ASSERT_TRUE(Answer(*question, IDYES));
    EXPECT_EQ(process.WaitForExit(kRunTimeoutMs), 0u);

    const auto journal = ServiceJournal();
    ASSERT_EQ(Actions(journal), std::vector<std::string>{"authuser"});
    EXPECT_EQ(FieldNamesOf(journal[0]), kAuthUserFields);
    EXPECT_EQ(FieldValue(journal[0].fields, "pmd5"), staleDigest);
    EXPECT_EQ(journal[0].reply, "-2");
    // Stored credentials and the state of the device are left as they were.
    EXPECT_EQ(ReadText(kStateKey, L"AuthInfoMD5"), Widen(staleDigest));
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 0u);
}
