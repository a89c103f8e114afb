// Sign-in and account creation in a "/signin" run against a service that
// misbehaves: a success stores exactly the account's values (and ends the run
// after a sign-in); every failure shows its message, keeps the page and its fields
// and leaves the stored values untouched. The typed password never leaves the
// program.

#include <gtest/gtest.h>

#include "account/password_digest.h"
#include "app/settings_store.h"
#include "tests/faults/fault_harness.h"
#include "ui/controls.h"

namespace {

const std::wstring kUserName = L"ann.parent";
// Not in the ANSI code page's ASCII half, so that its UTF-8, ANSI and UTF-16 forms differ.
const std::wstring kPassword = L"S\u00e9same-Ouvre-Toi-7";
const std::wstring kEmail = L"ann@example.org";

struct AccountCase {
    const char* name;
    std::vector<ScriptedReply> replies{};  // answered in order, then `otherwise`
    ScriptedReply otherwise = Reply("");
    bool listening = true;
    std::optional<ExpectedBox> failure{};  // the message shown; none for a success
    std::optional<DWORD> userId{};         // "UID" stored by an accepted sign-in
    std::string transcript{};              // NetTranscript of the run
    std::size_t requests = 0;              // that reached the service
};

void PrintTo(const AccountCase& c, std::ostream* out) {
    *out << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<AccountCase>& info) {
    return info.param.name;
}

ExpectedBox NameTaken() {
    return {L"Tirna - Create account error.",
            L"The username you choosed is already taken. Please choose a different one try again."};
}

class AccountFaults : public FaultTest, public ::testing::WithParamInterface<AccountCase> {
  protected:
    void SetUp() override {
        FaultTest::SetUp();
        service_ = StartService(GetParam().listening, GetParam().replies, GetParam().otherwise);
        before_ = SnapshotProductKey();
    }

    // After a success: the account's values and, from a sign-in, the user id; TempA
    // as the end of the run wrote it.
    void ExpectStoredAccount(std::optional<DWORD> userId) {
        EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 1u);
        EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
        const auto name = ReadRawValue(kStateKey, L"AuthInfoUserName");
        ASSERT_TRUE(name.has_value());
        EXPECT_EQ(name->type, static_cast<DWORD>(REG_SZ));
        // 2 bytes a character, no terminator.
        EXPECT_EQ(name->bytes.size(), kUserName.size() * sizeof(wchar_t));
        EXPECT_EQ(ReadText(kStateKey, L"AuthInfoUserName"), kUserName);
        EXPECT_EQ(ReadText(kStateKey, L"AuthInfoMD5"), HashPassword(kPassword));
        std::vector<std::wstring> written{L"State\\AuthInfoMD5", L"State\\AuthInfoUserName",
                                          L"State\\RegSucceeded", L"TempA"};
        if (userId) {
            EXPECT_EQ(ReadDword(kProductKey, L"UID"), *userId);
            written.push_back(L"UID");
        }
        EXPECT_EQ(ChangedValues(before_, SnapshotProductKey()), written);
    }

    // After a failure nothing of an account is stored; the run wrote TempA 0 at its
    // start and end.
    void ExpectNothingStored() {
        EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 0u);
        EXPECT_EQ(ChangedValues(before_, SnapshotProductKey()),
                  std::vector<std::wstring>{L"TempA"});
    }

    void ExpectRun(DebuggedProcess& process, const std::string& action) {
        const AccountCase& c = GetParam();
        ExpectNoCrash(process);
        EXPECT_EQ(NetTranscript(process.Lines()), c.transcript);
        const auto requests = RequestsOf(service_);
        EXPECT_EQ(requests.size(), c.requests);
        if (!requests.empty()) {
            EXPECT_EQ(ActionOf(requests.front()), action);
        }
        ExpectSecretNowhere(kPassword, process, requests);
    }

    std::unique_ptr<LoopbackServer> service_;
    RegistrySnapshot before_;
};

using SignInFaults = AccountFaults;
using CreateAccountFaults = AccountFaults;

// Each sign-in makes up to four calls with a pause of one second before each
// repeat; only -10 and 0 are repeated.
const AccountCase kSignInCases[] = {
    {.name = "NotListening",
     .listening = false,
     .failure = NoConnectivityMessage(),
     .transcript = Repeated("F F F E-10", 4),
     .requests = 0},
    {.name = "Dropped",
     .otherwise = DroppedReply(),
     .failure = NoConnectivityMessage(),
     .transcript = Repeated("F F F E-10", 4),
     .requests = 36},
    {.name = "MiBGarbage",
     .otherwise = GarbageMiBReply(),
     .failure = NoConnectivityMessage(),
     .transcript = Repeated("I I I E-10", 4),
     .requests = 12},
    {.name = "ErrorReadingAsZero",
     .otherwise = Reply("-0"),
     .failure = ServerAccessMessage(),
     .transcript = Repeated("E0", 4),
     .requests = 4},
    // A refusal is not repeated, whatever follows the code.
    {.name = "RefusedWithJunk",
     .replies = {Bytes(std::string_view("-2\xFF\0x", 5))},
     .failure = SignInRefusedMessage(),
     .transcript = "E-2",
     .requests = 1},
    // The first call finds no service; the repeat after the pause is accepted.
    {.name = "DroppedFirstCallThenAccepted",
     .replies = std::vector<ScriptedReply>(9, DroppedReply()),
     .otherwise = Reply("0;42"),
     .userId = 42,
     .transcript = "F F F E-10 S",
     .requests = 10},
    {.name = "SlowAccepted",
     .replies = {SlowReply("0;42")},
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    {.name = "MiBAccepted",
     .replies = {MiBReply("0;42")},
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    {.name = "NulAfterZero",
     .replies = {Bytes(std::string_view("0\0;42", 5))},
     .transcript = "S",
     .requests = 1},
    {.name = "Status500Zero", .replies = {Reply("0", 500)}, .transcript = "S", .requests = 1},
};

// Account creation makes three attempts of its own, without pauses, and writes a
// line only for a failed send and at the end.
const AccountCase kCreateCases[] = {
    {.name = "NotListening",
     .listening = false,
     .failure = NoConnectivityMessage(),
     .transcript = "X X X C",
     .requests = 0},
    {.name = "Dropped",
     .otherwise = DroppedReply(),
     .failure = NoConnectivityMessage(),
     .transcript = "X X X C",
     .requests = 9},
    {.name = "TruncatedGarbage",
     .otherwise = TruncatedReply("<html>"),
     .failure = NoConnectivityMessage(),
     .transcript = "C",
     .requests = 3},
    {.name = "NulBeforeError",
     .otherwise = Bytes(std::string_view("\0-5", 3)),
     .failure = NoConnectivityMessage(),
     .transcript = "C",
     .requests = 3},
    {.name = "HighBytes",
     .otherwise = Bytes("\xFF\xFE\x80-5"),
     .failure = NoConnectivityMessage(),
     .transcript = "C",
     .requests = 3},
    {.name = "Status500Html",
     .otherwise = HtmlErrorReply(),
     .failure = NoConnectivityMessage(),
     .transcript = "C",
     .requests = 3},
    {.name = "ErrorReadingAsZero",
     .replies = {Reply("-0")},
     .failure = ServerAccessMessage(),
     .transcript = "C",
     .requests = 1},
    {.name = "MiBNameTaken",
     .replies = {MiBReply("-5")},
     .failure = NameTaken(),
     .transcript = "C",
     .requests = 1},
    // Accepted: the profile page follows, whose list the service then gives.
    {.name = "SlowCreated",
     .replies = {SlowReply("0")},
     .otherwise = Reply("0;0"),
     .transcript = "A S",
     .requests = 2},
    {.name = "Status500Zero",
     .replies = {Reply("0", 500)},
     .otherwise = Reply("0;0"),
     .transcript = "A S",
     .requests = 2},
    {.name = "MiBCreated",
     .replies = {MiBReply("0")},
     .otherwise = Reply("0;0"),
     .transcript = "A S",
     .requests = 2},
};

}  // namespace

TEST_P(SignInFaults, StoresTheAccountOnlyWhenAccepted) {
    const AccountCase& c = GetParam();
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(SignInWith(wizard, kUserName, kPassword));
    if (!c.failure) {
        // An accepted sign-in ends a sign-in run by itself.
        EXPECT_EQ(process.WaitForExit(kRunTimeoutMs), 0u) << DescribeWizard(wizard);
        ExpectRun(process, "authuser");
        ExpectStoredAccount(c.userId);
        return;
    }
    EXPECT_TRUE(AnswerBox(process, wizard, *c.failure));
    EXPECT_EQ(CurrentView(wizard), WizardView::SignIn);
    EXPECT_EQ(TextIn(wizard, IDC_SIGNIN_USER), kUserName);
    EXPECT_EQ(TextIn(wizard, IDC_SIGNIN_PASSWORD), kPassword);
    EXPECT_EQ(CloseWizard(process, wizard, false), 0u);
    ExpectRun(process, "authuser");
    ExpectNothingStored();
}

INSTANTIATE_TEST_SUITE_P(Reply, SignInFaults, ::testing::ValuesIn(kSignInCases), CaseName);

TEST_P(CreateAccountFaults, StoresTheAccountOnlyWhenCreated) {
    const AccountCase& c = GetParam();
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    Press(wizard, IDC_CREATE_SELECTOR);
    ASSERT_TRUE(WaitForView(wizard, WizardView::CreateAccount, kRunTimeoutMs))
        << DescribeWizard(wizard);
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_USER, kUserName));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_PASSWORD, kPassword));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_CONFIRM, kPassword));
    ASSERT_TRUE(TypeInto(wizard, IDC_CREATE_EMAIL, kEmail));
    Press(wizard, IDC_CREATE_BUTTON);
    if (!c.failure) {
        EXPECT_TRUE(WaitForView(wizard, WizardView::Profile, kRunTimeoutMs))
            << DescribeWizard(wizard);
        // In a sign-in run the close box never asks.
        EXPECT_EQ(CloseWizard(process, wizard, false), 0u);
        ExpectRun(process, "createuser");
        ExpectStoredAccount(std::nullopt);
        return;
    }
    EXPECT_TRUE(AnswerBox(process, wizard, *c.failure));
    EXPECT_EQ(CurrentView(wizard), WizardView::CreateAccount);
    EXPECT_EQ(TextIn(wizard, IDC_CREATE_USER), kUserName);
    EXPECT_EQ(TextIn(wizard, IDC_CREATE_PASSWORD), kPassword);
    EXPECT_EQ(TextIn(wizard, IDC_CREATE_CONFIRM), kPassword);
    EXPECT_EQ(TextIn(wizard, IDC_CREATE_EMAIL), kEmail);
    EXPECT_EQ(CloseWizard(process, wizard, false), 0u);
    ExpectRun(process, "createuser");
    ExpectNothingStored();
}

INSTANTIATE_TEST_SUITE_P(Reply, CreateAccountFaults, ::testing::ValuesIn(kCreateCases), CaseName);
