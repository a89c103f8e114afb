// The real program started as a black box: its run modes, its start-up line and
// the values it writes before the wizard opens.

#include "tests/service_e2e/service_test.h"

namespace {

class Startup : public ServiceTest {};

// Closes a wizard that asks nothing on closing and returns the exit code.
std::optional<DWORD> CloseWizard(DebuggedProcess& process, HWND wizard) {
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    return process.WaitForExit(kRunTimeoutMs);
}

}  // namespace

TEST_F(Startup, InstallerLineAndRegSucceededReset) {
    WriteDwordValue(kStateKey, L"RegSucceeded", 1);
    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(OpenedWizard(process), nullptr);
    const auto lines = process.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "[TirnaParental] Started UI Auth with param: /installer");
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 0u);
    EXPECT_FALSE(ReadRawValue(kProductKey, L"TempA").has_value());
    // The device is announced before the wizard opens.
    EXPECT_EQ(Actions(ServiceJournal()), std::vector<std::string>{"install"});
}

TEST_F(Startup, SignInModeWritesTempAZeroAtStartAndEnd) {
    WriteDwordValue(kProductKey, L"TempA", 7);
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_TRUE(process.Started());
    const HWND wizard = OpenedWizard(process);
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 0u);
    WriteDwordValue(kProductKey, L"TempA", 7);
    // In sign-in mode the close box never asks.
    EXPECT_EQ(CloseWizard(process, wizard), 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 0u);
    EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());
}

TEST_F(Startup, LongCommandLineIsCutBeforeSwitchesAreRead) {
    const std::wstring arguments = std::wstring(1990, L'a') + L" /installer";
    DebuggedProcess process(ProgramPath(), arguments);
    ASSERT_TRUE(process.Started());
    ASSERT_NE(OpenedWizard(process), nullptr);
    const auto lines = process.Lines();
    ASSERT_FALSE(lines.empty());
    // The line is the cut command line, itself cut at 1023 characters.
    const std::string expected =
        ("[TirnaParental] Started UI Auth with param: " + std::string(1040, 'a')).substr(0, 1023);
    EXPECT_EQ(lines.front(), expected);
    // Not installer mode: RegSucceeded is not reset and nothing is registered.
    EXPECT_FALSE(ReadRawValue(kStateKey, L"RegSucceeded").has_value());
    EXPECT_TRUE(ServiceJournal().empty());
}

TEST_F(Startup, OrdinaryStartWithoutCredentialsOpensTheWizard) {
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(OpenedWizard(process), nullptr);
    const auto lines = process.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "[TirnaParental] Started UI Auth with param: ");
    EXPECT_FALSE(ReadRawValue(kProductKey, L"DevAuthState").has_value());
    EXPECT_FALSE(ReadRawValue(kProductKey, L"TempA").has_value());
    EXPECT_TRUE(ServiceJournal().empty());
}

TEST_F(Startup, StoredUserNameWithoutADigestAsksNothing) {
    WriteTextValue(kStateKey, L"AuthInfoUserName", L"ann");
    WriteDwordValue(kProductKey, L"DevAuthState", 1);
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(OpenedWizard(process), nullptr);
    EXPECT_TRUE(ServiceJournal().empty());
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 1u);
}
