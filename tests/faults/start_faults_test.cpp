// The two flows that run before any window exists, against a service that
// misbehaves: the silent credential check of an ordinary start, which ends the
// program only when the service accepts the stored credentials, and the
// registration of an installer run, after which the wizard opens whatever came.

#include <gtest/gtest.h>

#include <memory>

#include "app/settings_store.h"
#include "tests/faults/fault_harness.h"
#include "ui/controls.h"

namespace {

const std::wstring kDigest = L"900150983cd24fb0d6963f7d28e17f72";
// Values that the runs must overwrite to show that they wrote them.
constexpr DWORD kSentinel = 7;

struct StartCase {
    const char* name;
    std::vector<ScriptedReply> replies{};  // answered in order, then `otherwise`
    ScriptedReply otherwise = Reply("");
    bool listening = true;
    // For the check: the service accepted the stored credentials, so the program
    // ends without a window.
    bool accepted = false;
    std::optional<DWORD> userId{};  // "UID" written by an accepted check
    std::string transcript{};       // NetTranscript of the run
    std::size_t requests = 0;       // that reached the service
    // Fewer may reach it when the transport sends a retry on the connection that
    // brought the last answer, which the service has already closed.
    std::optional<std::size_t> fewestRequests{};
};

void PrintTo(const StartCase& c, std::ostream* out) {
    *out << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<StartCase>& info) {
    return info.param.name;
}

class StartFaults : public FaultTest, public ::testing::WithParamInterface<StartCase> {
  protected:
    void SetUp() override {
        FaultTest::SetUp();
        service_ = StartService(GetParam().listening, GetParam().replies, GetParam().otherwise);
    }

    std::unique_ptr<LoopbackServer> service_;
};

using CredentialCheckFaults = StartFaults;
using InstallerFaults = StartFaults;

// A fault that leaves no valid reply ends the check as a refusal does: -10,
// "DevAuthState" 0 and the wizard. Whatever bytes do come are judged as any reply.
const StartCase kCheckCases[] = {
    {.name = "NotListening", .listening = false, .transcript = "F F F E-10", .requests = 0},
    {.name = "SlowAccepted",
     .replies = {SlowReply("0;42")},
     .accepted = true,
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    {.name = "Dropped", .otherwise = DroppedReply(), .transcript = "F F F E-10", .requests = 9},
    // A dropped connection is tried again within the same post.
    {.name = "DroppedOnceThenAccepted",
     .replies = {DroppedReply(), Reply("0;42")},
     .accepted = true,
     .userId = 42,
     .transcript = "S",
     .requests = 2},
    // The bytes that came before the connection dropped are the reply.
    {.name = "TruncatedGarbage",
     .otherwise = TruncatedReply("<html><body>Service"),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "TruncatedAccepted",
     .replies = {TruncatedReply("0;42")},
     .accepted = true,
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    {.name = "MiBAccepted",
     .replies = {MiBReply("0;42")},
     .accepted = true,
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    {.name = "MiBGarbage",
     .otherwise = GarbageMiBReply(),
     .transcript = "I I I E-10",
     .requests = 3},
    // The text ends at the first NUL byte: "0" alone, accepted without a user id.
    {.name = "NulAfterZero",
     .replies = {Bytes(std::string_view("0\0;42", 5))},
     .accepted = true,
     .transcript = "S",
     .requests = 1},
    // ... and here an empty text, an invalid reply.
    {.name = "NulBeforeError",
     .otherwise = Bytes(std::string_view("\0-5", 3)),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "HighBytes",
     .otherwise = Bytes("\x80\xFF\xFE-5\x81"),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "InvalidUtf8AfterUserId",
     .replies = {Bytes("0;42\xC3\x28\xFF\xFE")},
     .accepted = true,
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    {.name = "ErrorWithJunk",
     .replies = {Bytes(std::string_view("-5\xFF\0junk", 8))},
     .transcript = "E-5",
     .requests = 1},
    {.name = "Status500Html",
     .otherwise = HtmlErrorReply(),
     .transcript = "I I I E-10",
     .requests = 3},
    // Answers that are not HTTP, or HTTP of odd shape; the first ones never make a
    // response, the others are judged by the bytes that came.
    {.name = "NotHttp",
     .otherwise = RawReply("SSH-2.0-OpenSSH_9.2\r\n\x01\x02garbage"),
     .transcript = "F F F E-10",
     .requests = 9,
     .fewestRequests = 3},
    {.name = "HugeHeader",
     .otherwise = RawReply("HTTP/1.1 200 OK\r\nX-Filler: " + std::string(256 * 1024, 'h') +
                           "\r\nContent-Length: 6\r\n\r\n<html>"),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "HeaderWithoutBody",
     .replies = {RawReply("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n")},
     .otherwise = Reply("-2"),
     .transcript = "I E-2",
     .requests = 2},
    {.name = "BrokenChunks",
     .replies = {RawReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nZZZ\r\n0;42\r\n")},
     .otherwise = Reply("-2"),
     .transcript = "I E-2",
     .requests = 2},
    {.name = "AbsurdLength",
     .replies = {RawReply("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n0;42")},
     .accepted = true,
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    {.name = "NoLengthUntilClose",
     .replies = {RawReply("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n0;42")},
     .accepted = true,
     .userId = 42,
     .transcript = "S",
     .requests = 1},
    // The status plays no part: a body "0" is a success reply.
    {.name = "Status500Zero",
     .replies = {Reply("0", 500)},
     .accepted = true,
     .transcript = "S",
     .requests = 1},
};

// The registration's result is ignored: the wizard opens after every one of them.
const StartCase kInstallerCases[] = {
    {.name = "NotListening", .listening = false, .transcript = "F F F E-10", .requests = 0},
    {.name = "Slow", .replies = {SlowReply("0")}, .transcript = "S", .requests = 1},
    {.name = "Dropped", .otherwise = DroppedReply(), .transcript = "F F F E-10", .requests = 9},
    {.name = "TruncatedGarbage",
     .otherwise = TruncatedReply("<html>"),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "MiBGarbage",
     .otherwise = GarbageMiBReply(),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "NulBeforeError",
     .otherwise = Bytes(std::string_view("\0-5", 3)),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "Status500Html",
     .otherwise = HtmlErrorReply(),
     .transcript = "I I I E-10",
     .requests = 3},
    {.name = "ErrorReadingAsZero", .replies = {Reply("-0")}, .transcript = "E0", .requests = 1},
};

}  // namespace

TEST_P(CredentialCheckFaults, EndsOrOpensTheWizardAsTheReplyDecides) {
    const StartCase& c = GetParam();
    StoreCredentials(L"ann", kDigest);
    WriteDwordValue(kProductKey, L"DevAuthState", kSentinel);
    WriteDwordValue(kProductKey, L"UID", kSentinel);
    const RegistrySnapshot before = SnapshotProductKey();

    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    if (c.accepted) {
        // Nobody closes a window here: the program ends on its own only when it opened none.
        EXPECT_EQ(process.WaitForExit(kRunTimeoutMs), 0u);
    } else {
        const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
        ASSERT_NE(wizard, nullptr) << "no wizard; lines: " << NetTranscript(process.Lines());
        EXPECT_TRUE(WaitForView(wizard, WizardView::SignIn, kRunTimeoutMs))
            << DescribeWizard(wizard);
        EXPECT_EQ(TextIn(wizard, IDC_SIGNIN_USER), L"ann");
        EXPECT_EQ(CloseWizard(process, wizard, true), 0u);
    }
    ExpectNoCrash(process);
    EXPECT_EQ(NetTranscript(process.Lines()), c.transcript);
    const auto requests = RequestsOf(service_);
    EXPECT_LE(requests.size(), c.requests);
    EXPECT_GE(requests.size(), c.fewestRequests.value_or(c.requests));
    for (const auto& request : requests) EXPECT_EQ(ActionOf(request), "authuser");

    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), c.accepted ? 1u : 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), c.userId.value_or(kSentinel));
    std::vector<std::wstring> written{L"DevAuthState"};
    if (c.userId) written.push_back(L"UID");
    EXPECT_EQ(ChangedValues(before, SnapshotProductKey()), written);
}

INSTANTIATE_TEST_SUITE_P(Reply, CredentialCheckFaults, ::testing::ValuesIn(kCheckCases), CaseName);

TEST_P(InstallerFaults, WizardOpensWhateverTheRegistrationGot) {
    const StartCase& c = GetParam();
    WriteDwordValue(kStateKey, L"RegSucceeded", 1);
    const RegistrySnapshot before = SnapshotProductKey();

    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr) << "no wizard; lines: " << NetTranscript(process.Lines());
    EXPECT_TRUE(WaitForView(wizard, WizardView::SignIn, kRunTimeoutMs)) << DescribeWizard(wizard);
    EXPECT_EQ(CloseWizard(process, wizard, true), 0u);
    ExpectNoCrash(process);
    EXPECT_EQ(NetTranscript(process.Lines()), c.transcript);
    const auto requests = RequestsOf(service_);
    EXPECT_EQ(requests.size(), c.requests);
    for (const auto& request : requests) EXPECT_EQ(ActionOf(request), "install");

    // Only the reset of an installer run: nothing of an account.
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 0u);
    EXPECT_EQ(ChangedValues(before, SnapshotProductKey()),
              std::vector<std::wstring>{L"State\\RegSucceeded"});
}

INSTANTIATE_TEST_SUITE_P(Reply, InstallerFaults, ::testing::ValuesIn(kInstallerCases), CaseName);
