// One copy of the program per machine: a second start while the wizard is open
// ends at once and does nothing.

#include "tests/service_e2e/service_test.h"

namespace {

class SingleInstance : public ServiceTest {};

}  // namespace

TEST_F(SingleInstance, SecondCopyEndsAtOnceWithoutTouchingTheService) {
    DebuggedProcess first(ProgramPath(), L"/installer");
    ASSERT_TRUE(first.Started());
    const HWND wizard = OpenedWizard(first);
    ASSERT_NE(wizard, nullptr);
    ASSERT_EQ(Actions(ServiceJournal()), std::vector<std::string>{"install"});
    WriteDwordValue(kStateKey, L"RegSucceeded", 1);

    for (const wchar_t* arguments : {L"/installer", L"/signin", L""}) {
        SCOPED_TRACE(::testing::Message() << "second copy with \"" << arguments << "\"");
        const ProgramRun second = RunProgram(arguments, kRunTimeoutMs);
        EXPECT_EQ(second.exitCode, 0u);
        EXPECT_TRUE(second.lines.empty());
    }
    // None of them registered, reset RegSucceeded, wrote TempA or asked the service.
    EXPECT_EQ(Actions(ServiceJournal()), std::vector<std::string>{"install"});
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    EXPECT_FALSE(ReadRawValue(kProductKey, L"TempA").has_value());

    PostMessageW(wizard, WM_CLOSE, 0, 0);
    const auto question = WaitForMessageBox(first.ProcessId(), kRunTimeoutMs);
    ASSERT_TRUE(question.has_value()) << DescribeWizard(wizard);
    ASSERT_TRUE(Answer(*question, IDYES));
    EXPECT_EQ(first.WaitForExit(kRunTimeoutMs), 0u);
}
