#pragma once
// What every fault case shares: the faults as replies of the loopback service,
// the crash check on the debugger's view of a run, a short form of the transport's
// lines, a before-and-after view of the program's registry values, and the wizard
// and its message boxes driven from this process.

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry.h"
#include "tests/support/wizard_driver.h"

// Long enough for a start under Wine and every retry layer of the slowest flow.
inline constexpr DWORD kRunTimeoutMs = 60000;
// A debugger-output line holds at most this many characters.
inline constexpr std::size_t kLongestLine = 1023;

// The faults, as the loopback service plays them.
ScriptedReply SlowReply(std::string body);                      // answered after 1.5 s
ScriptedReply MiBReply(std::string start);                      // `start`, then 1 MiB of filler
ScriptedReply GarbageMiBReply();                                // 1 MiB of bytes 0x01-0xFF
ScriptedReply HtmlErrorReply();                                 // status 500 with an HTML page
ScriptedReply Bytes(std::string_view bytes, int status = 200);  // NULs included

// The loopback service scripted with `replies` and then `otherwise`; none when the
// case wants nothing listening on the service's port.
std::unique_ptr<LoopbackServer> StartService(bool listening,
                                             const std::vector<ScriptedReply>& replies,
                                             const ScriptedReply& otherwise);
std::vector<RecordedRequest> RequestsOf(const std::unique_ptr<LoopbackServer>& service);

// Checks the debugger's view of a run: no exception that the program left
// unhandled, none of the kinds that mean a fault in the program, and only
// well-formed lines of at most 1023 characters.
void ExpectNoCrash(DebuggedProcess& process);

// The transport's lines in short, one token per line that tells how an attempt
// went: S a success reply, I an invalid reply, F a failed send, E<code> the final
// line of a failed post; for account creation X a failed send, A "Create account
// succeeded." and C "failed to create user.".
std::string NetTranscript(const std::vector<std::string>& lines);
// The same transcript `times` times over, separated by blanks.
std::string Repeated(const std::string& transcript, int times);

// Every value under the product key, by its path below that key ("UID",
// "State\RegSucceeded").
using RegistrySnapshot = std::map<std::wstring, RawValue>;
RegistrySnapshot SnapshotProductKey();
// The names of the values that appeared, changed or disappeared, in order.
std::vector<std::wstring> ChangedValues(const RegistrySnapshot& before,
                                        const RegistrySnapshot& after);

// The action of a recorded request.
std::string ActionOf(const RecordedRequest& request);

// Checks that a typed secret appears in none of the bytes a run left behind: the
// debugger lines, the requests (request line, header lines, body) and the names and
// values under the product key, in its UTF-8, ANSI and UTF-16 forms.
void ExpectSecretNowhere(const std::wstring& secret, DebuggedProcess& process,
                         const std::vector<RecordedRequest>& requests);
// The same for every name and value under HKLM\Software and HKCU\Software (slow:
// a few seconds for the two trees).
void ExpectSecretsNowhereInRegistry(const std::vector<std::wstring>& secrets);

// A stored text value without the terminator that may or may not be stored with it.
std::optional<std::wstring> ReadText(const std::wstring& keyPath, const std::wstring& name);

struct ExpectedBox {
    std::wstring title;
    std::wstring text;
};
void PrintTo(const ExpectedBox& box, std::ostream* out);
ExpectedBox NoConnectivityMessage();
ExpectedBox ServerAccessMessage();
ExpectedBox SignInRefusedMessage();
ExpectedBox CloseQuestion();

// Waits for the program's message box, checks its title, its text and that the
// wizard owns it, and answers it with `button`.
::testing::AssertionResult AnswerBox(DebuggedProcess& process, HWND wizard,
                                     const ExpectedBox& expected, int button = IDOK);

// Closes the wizard as the close box does, answers the closing question with Yes
// when one is expected (an error when a question comes that is not) and returns
// the exit code.
std::optional<DWORD> CloseWizard(DebuggedProcess& process, HWND wizard, bool asks);

// Whether the wizard's button with this id is checked.
bool IsChecked(HWND wizard, int id);

// Types the credentials into the sign-in page and presses "Sign in".
::testing::AssertionResult SignInWith(HWND wizard, const std::wstring& userName,
                                      const std::wstring& password);

// Waits for the closing page, presses Finish and expects the run to end with 0.
void FinishRun(DebuggedProcess& process, HWND wizard);

// Every case starts and ends on a machine without the product's values.
class FaultTest : public ::testing::Test {
  protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override { DeleteProductKey(); }
};
