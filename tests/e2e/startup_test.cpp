// The real program started as a black box: its run modes, its start-up line and
// the values it writes.

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;

class Startup : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override { DeleteProductKey(); }
};

// Closes the wizard as the close box would and returns the exit code.
std::optional<DWORD> CloseWizard(DebuggedProcess& process, HWND wizard) {
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    return process.WaitForExit(kTimeoutMs);
}

}  // namespace

TEST_F(Startup, InstallerLineAndRegSucceededReset) {
    WriteDwordValue(kStateKey, L"RegSucceeded", 1);
    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(WaitForWizardWindow(process.ProcessId(), kTimeoutMs), nullptr);
    const auto lines = process.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "[TirnaParental] Started UI Auth with param: /installer");
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 0u);
    EXPECT_FALSE(ReadRawValue(kProductKey, L"TempA").has_value());
}

TEST_F(Startup, SignInModeWritesTempAZeroAtStartAndEnd) {
    WriteDwordValue(kProductKey, L"TempA", 7);
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_TRUE(process.Started());
    HWND wizard = WaitForWizardWindow(process.ProcessId(), kTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 0u);
    WriteDwordValue(kProductKey, L"TempA", 7);
    // In sign-in mode the close box never asks.
    EXPECT_EQ(CloseWizard(process, wizard), 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 0u);
    EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());
}

TEST_F(Startup, SecondCopyEndsAtOnceWithoutALine) {
    DebuggedProcess first(ProgramPath(), L"/signin");
    ASSERT_TRUE(first.Started());
    HWND wizard = WaitForWizardWindow(first.ProcessId(), kTimeoutMs);
    ASSERT_NE(wizard, nullptr);

    const ProgramRun second = RunProgram(L"/installer", kTimeoutMs);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(second.lines.empty());
    // The second copy did nothing of an installer run.
    EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());

    EXPECT_EQ(CloseWizard(first, wizard), 0u);
}

TEST_F(Startup, LongCommandLineIsCutBeforeSwitchesAreRead) {
    const std::wstring arguments = std::wstring(1990, L'a') + L" /installer";
    DebuggedProcess process(ProgramPath(), arguments);
    ASSERT_TRUE(process.Started());
    ASSERT_NE(WaitForWizardWindow(process.ProcessId(), kTimeoutMs), nullptr);
    const auto lines = process.Lines();
    ASSERT_FALSE(lines.empty());
    // The line is the cut command line, itself cut at 1023 characters.
    const std::string expected =
        ("[TirnaParental] Started UI Auth with param: " + std::string(1040, 'a')).substr(0, 1023);
    EXPECT_EQ(lines.front(), expected);
    // Not installer mode: RegSucceeded is not reset.
    EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());
}

TEST_F(Startup, OrdinaryStartWithoutCredentialsOpensTheWizard) {
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(WaitForWizardWindow(process.ProcessId(), kTimeoutMs), nullptr);
    const auto lines = process.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "[TirnaParental] Started UI Auth with param: ");
    EXPECT_FALSE(ReadRawValue(kProductKey, L"DevAuthState").has_value());
    EXPECT_FALSE(ReadRawValue(kProductKey, L"TempA").has_value());
}
