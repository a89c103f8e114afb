// The product's installer runs the program with "/installer": the device is announced,
// the parent signs in or creates an account, picks or names a child profile, and the
// run ends on Finish with the device linked at the service.

#include "tests/service_e2e/service_test.h"
#include "ui/controls.h"

namespace {

using Names = std::vector<std::string>;

const Names kAnonymousInstall = {"action", "did", "product", "osv", "dtype", "dname", "dconfig"};
const Names kSignedInstall = {"action", "did",   "uname", "pmd5",   "product",
                              "osv",    "dtype", "dname", "dconfig"};

struct ExpectedRequest {
    std::string action;
    Names fields;
};

// Each request in order, with its fields in order, and each accepted by the service.
void ExpectRequests(const std::vector<ServiceRequestRecord>& journal,
                    const std::vector<ExpectedRequest>& expected) {
    ASSERT_EQ(journal.size(), expected.size()) << ::testing::PrintToString(Actions(journal));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("request " + std::to_string(i + 1) + ": " + expected[i].action);
        EXPECT_EQ(journal[i].action, expected[i].action);
        EXPECT_EQ(FieldNamesOf(journal[i]), expected[i].fields);
        EXPECT_EQ(journal[i].reply.substr(0, 1), "0") << journal[i].reply;
        EXPECT_EQ(FieldValue(journal[i].fields, "did").size(),
                  FieldValue(journal[i].fields, "did") == "none" ? 4u : 47u);
    }
}

// Finishes a run that reached the closing page; its exit code.
std::optional<DWORD> Finish(DebuggedProcess& process, HWND wizard) {
    Press(wizard, IDC_FINISH);
    return process.WaitForExit(kRunTimeoutMs);
}

class InstallerRun : public ServiceTest {};

}  // namespace

TEST_F(InstallerRun, SignInAndAnExistingProfileLinkTheDevice) {
    const auto account = SeedAccount(kParent, kPassword, {"Alice", "Bob"});
    ASSERT_TRUE(account.has_value());
    const SeededProfile bob = account->profiles.at(1);

    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    const HWND wizard = OpenedWizard(process);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(WaitForView(wizard, WizardView::SignIn, kRunTimeoutMs)) << DescribeWizard(wizard);
    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_USER, kParentWide));
    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_PASSWORD, Widen(kPassword)));
    Press(wizard, IDC_SIGNIN_BUTTON);

    ASSERT_TRUE(WaitForView(wizard, WizardView::Profile, kRunTimeoutMs)) << DescribeWizard(wizard);
    EXPECT_EQ(ProfileChoices(wizard), (std::vector<std::wstring>{L"Alice", L"Bob"}));
    ASSERT_TRUE(ChooseProfile(wizard, L"Bob"));
    Press(wizard, IDC_NEXT);

    ASSERT_TRUE(WaitForView(wizard, WizardView::Done, kRunTimeoutMs)) << DescribeWizard(wizard);
    EXPECT_EQ(Finish(process, wizard), 0u);

    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    EXPECT_EQ(ReadText(kStateKey, L"AuthInfoUserName"), kParentWide);
    EXPECT_EQ(ReadText(kStateKey, L"AuthInfoMD5"), Widen(account->digest));
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), static_cast<DWORD>(account->userId));
    EXPECT_FALSE(ReadRawValue(kProductKey, L"TempA").has_value());
    EXPECT_FALSE(ReadRawValue(kProductKey, L"DevAuthState").has_value());

    const auto journal = ServiceJournal();
    ExpectRequests(journal, {{"install", kAnonymousInstall},
                             {"authuser", {"action", "did", "uname", "pmd5"}},
                             {"getprofiles", {"action", "did", "uname", "pmd5"}},
                             {"install", kSignedInstall},
                             {"setprofile", {"action", "uname", "pmd5", "did", "profid"}}});
    ASSERT_EQ(journal.size(), 5u);
    for (std::size_t i = 1; i < journal.size(); ++i) {
        EXPECT_EQ(FieldValue(journal[i].fields, "uname"), kParent);
        EXPECT_EQ(FieldValue(journal[i].fields, "pmd5"), account->digest);
        EXPECT_TRUE(HasHeaderLine(journal[i], "Cache-Control: no-cache"));
    }
    EXPECT_EQ(journal[1].reply, "0;" + std::to_string(account->userId));
    EXPECT_EQ(FieldValue(journal[2].fields, "did"), "none");
    EXPECT_EQ(FieldValue(journal[4].fields, "profid"), std::to_string(bob.id));

    const auto state = ServiceState();
    ASSERT_TRUE(state.has_value());
    const std::string deviceId = FieldValue(journal[4].fields, "did");
    const JsonValue device = DeviceIn(AccountIn(*state, kParent), deviceId);
    ASSERT_FALSE(device.IsNull()) << "device " << deviceId << " is not in the parent's account";
    EXPECT_EQ(device["profile_id"].Integer(), bob.id);
    EXPECT_EQ(device["product"].text, "2_1.0");
}

TEST_F(InstallerRun, NewAccountAndANewProfileLinkTheDevice) {
    const std::string userName = "new.parent";
    const std::string email = "new.parent@example.com";
    const std::string digest = "9fccab326a528467f2c5ac5271bb9b46";  // of "kite-string"

    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    const HWND wizard = OpenedWizard(process);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(WaitForView(wizard, WizardView::SignIn, kRunTimeoutMs)) << DescribeWizard(wizard);
    Press(wizard, IDC_CREATE_SELECTOR);
    ASSERT_TRUE(WaitForView(wizard, WizardView::CreateAccount, kRunTimeoutMs))
        << DescribeWizard(wizard);
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_USER, Widen(userName)));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_PASSWORD, L"kite-string"));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_CONFIRM, L"kite-string"));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_EMAIL, Widen(email)));
    Press(wizard, IDC_CREATE_BUTTON);

    ASSERT_TRUE(WaitForView(wizard, WizardView::Profile, kRunTimeoutMs)) << DescribeWizard(wizard);
    // A new account has no profiles: only a new one can be named.
    EXPECT_TRUE(ProfileChoices(wizard).empty());
    EXPECT_FALSE(IsEnabled(wizard, IDC_PROFILE_EXISTING));
    ASSERT_TRUE(TypeInto(wizard, IDC_PROFILE_NAME, L"Charlie"));
    Press(wizard, IDC_NEXT);

    ASSERT_TRUE(WaitForView(wizard, WizardView::Done, kRunTimeoutMs)) << DescribeWizard(wizard);
    EXPECT_EQ(Finish(process, wizard), 0u);

    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    EXPECT_EQ(ReadText(kStateKey, L"AuthInfoUserName"), Widen(userName));
    EXPECT_EQ(ReadText(kStateKey, L"AuthInfoMD5"), Widen(digest));
    // Account creation brings no user number.
    EXPECT_FALSE(ReadRawValue(kProductKey, L"UID").has_value());

    const auto journal = ServiceJournal();
    ExpectRequests(journal, {{"install", kAnonymousInstall},
                             {"createuser", {"action", "uname", "pmd5", "did", "email"}},
                             {"getprofiles", {"action", "did", "uname", "pmd5"}},
                             {"install", kSignedInstall},
                             {"setprofile", {"action", "uname", "pmd5", "did", "profname"}}});
    ASSERT_EQ(journal.size(), 5u);
    const ServiceRequestRecord& create = journal[1];
    EXPECT_EQ(FieldValue(create.fields, "uname"), userName);
    EXPECT_EQ(FieldValue(create.fields, "pmd5"), digest);
    EXPECT_EQ(FieldValue(create.fields, "did"), "none");
    EXPECT_EQ(FieldValue(create.fields, "email"), email);
    EXPECT_FALSE(HasHeaderLine(create, "Cache-Control: no-cache"));
    EXPECT_EQ(journal[2].reply, "0;0");
    EXPECT_EQ(FieldValue(journal[4].fields, "profname"), "Charlie");

    const auto state = ServiceState();
    ASSERT_TRUE(state.has_value());
    const JsonValue account = AccountIn(*state, userName);
    ASSERT_FALSE(account.IsNull());
    EXPECT_EQ(account["email"].text, email);
    ASSERT_EQ(account["profiles"].items.size(), 1u);
    const JsonValue& charlie = account["profiles"].items[0];
    EXPECT_EQ(charlie["name"].text, "Charlie");
    const JsonValue device = DeviceIn(account, FieldValue(journal[4].fields, "did"));
    ASSERT_FALSE(device.IsNull());
    EXPECT_EQ(device["profile_id"].Integer(), charlie["profile_id"].Integer());
}
