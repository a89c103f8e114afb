// Other parts of the product run the program with "/signin" and read the outcome
// from "TempA": 1 after a successful sign-in, 0 otherwise.

#include "tests/service_e2e/service_test.h"
#include "ui/controls.h"

namespace {

class SignInMode : public ServiceTest {
  protected:
    // Starts a sign-in run and types the parent's credentials into its wizard.
    HWND SignIn(DebuggedProcess& process, const std::string& password) {
        if (!process.Started()) return nullptr;
        const HWND wizard = OpenedWizard(process);
        if (wizard == nullptr || !WaitForView(wizard, WizardView::SignIn, kRunTimeoutMs) ||
            !TypeInto(wizard, IDC_SIGNIN_USER, kParentWide) ||
            !TypeInto(wizard, IDC_SIGNIN_PASSWORD, Widen(password))) {
            ADD_FAILURE() << "could not sign in: " << DescribeWizard(wizard);
            return nullptr;
        }
        Press(wizard, IDC_SIGNIN_BUTTON);
        return wizard;
    }
};

}  // namespace

TEST_F(SignInMode, SuccessEndsTheRunByItselfWithTempAOne) {
    const auto account = SeedAccount(kParent, kPassword, {"Alice"});
    ASSERT_TRUE(account.has_value());
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_NE(SignIn(process, kPassword), nullptr);
    // Nobody closes the window: the run ends on its own.
    EXPECT_EQ(process.WaitForExit(kRunTimeoutMs), 0u);

    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 1u);
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    EXPECT_EQ(ReadText(kStateKey, L"AuthInfoUserName"), kParentWide);
    EXPECT_EQ(ReadText(kStateKey, L"AuthInfoMD5"), Widen(account->digest));
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), static_cast<DWORD>(account->userId));

    // No registration and no profile list in a sign-in run.
    const auto journal = ServiceJournal();
    ASSERT_EQ(Actions(journal), std::vector<std::string>{"authuser"});
    EXPECT_EQ(FieldNamesOf(journal[0]),
              (std::vector<std::string>{"action", "did", "uname", "pmd5"}));
    EXPECT_EQ(FieldValue(journal[0].fields, "uname"), kParent);
    EXPECT_EQ(FieldValue(journal[0].fields, "pmd5"), account->digest);
    EXPECT_EQ(journal[0].reply, "0;" + std::to_string(account->userId));
}

TEST_F(SignInMode, ClosingAfterARefusedSignInLeavesTempAZeroWithoutAQuestion) {
    ASSERT_TRUE(SeedAccount(kParent, kPassword).has_value());
    DebuggedProcess process(ProgramPath(), L"/signin");
    const HWND wizard = SignIn(process, "wrong-pony");
    ASSERT_NE(wizard, nullptr);

    const auto box = WaitForMessageBox(process.ProcessId(), kRunTimeoutMs);
    ASSERT_TRUE(box.has_value()) << DescribeWizard(wizard);
    EXPECT_EQ(box->title, L"Tirna - Signin error.");
    EXPECT_EQ(box->text,
              L"Invalid username or password. Please make sure you typed them correctly and try "
              L"again.");
    EXPECT_EQ(box->owner, wizard);
    ASSERT_TRUE(Answer(*box, IDOK));
    ASSERT_TRUE(WaitForView(wizard, WizardView::SignIn, kRunTimeoutMs)) << DescribeWizard(wizard);
    EXPECT_EQ(TextIn(wizard, IDC_SIGNIN_USER), kParentWide);

    EXPECT_EQ(CloseWithoutQuestion(process, wizard), 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 0u);
    EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());
    EXPECT_FALSE(ReadRawValue(kStateKey, L"AuthInfoUserName").has_value());

    // A refusal is final: the sign-in asks once.
    const auto journal = ServiceJournal();
    ASSERT_EQ(Actions(journal), std::vector<std::string>{"authuser"});
    EXPECT_EQ(FieldValue(journal[0].fields, "pmd5"), "5ebc40aa0ade99411f45b127b723a833");
    EXPECT_EQ(journal[0].reply, "-2");
}

TEST_F(SignInMode, InvalidRepliesAreOutlastedByTheRetries) {
    const auto account = SeedAccount(kParent, kPassword);
    ASSERT_TRUE(account.has_value());
    // Three replies that are neither success nor error use up the first attempt's
    // three posts; the sign-in asks again after its pause and is answered.
    ASSERT_TRUE(QueueFaults(R"({"action": "authuser", "kind": "garbage", "count": 3})"));
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_NE(SignIn(process, kPassword), nullptr);
    EXPECT_EQ(process.WaitForExit(kRunTimeoutMs), 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 1u);

    const auto journal = ServiceJournal();
    ASSERT_EQ(Actions(journal), std::vector<std::string>(4, "authuser"));
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(journal[i].reply, "OK");
    EXPECT_EQ(journal[3].reply, "0;" + std::to_string(account->userId));
}
