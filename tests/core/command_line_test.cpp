#include "app/command_line.h"

#include <gtest/gtest.h>

// Only the first 1040 characters count; a switch is a case-sensitive substring of them.
TEST(CommandLine, SwitchesWithinTheFirst1040Characters) {
    const struct {
        std::wstring commandLine;
        std::size_t cutSize;
        bool signIn;
        bool installer;
    } cases[] = {
        {L"", 0, false, false},
        {L"/installer", 10, false, true},
        {L"/signin /installer", 18, true, true},
        {L"x/signinx", 9, true, false},
        {L"--/installer=1", 14, false, true},
        {L"/SIGNIN /Installer", 18, false, false},
        {std::wstring(1040, L'x'), 1040, false, false},
        {std::wstring(1041, L'x'), 1040, false, false},
        {std::wstring(1030, L'a') + L"/installer", 1040, false, true},
        // Straddling the cut, or beyond it: not seen.
        {std::wstring(1031, L'a') + L"/installer", 1040, false, false},
        {std::wstring(1990, L'a') + L"/signin", 1040, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine.size());
        const std::wstring cut = CutCommandLine(c.commandLine);
        EXPECT_EQ(cut, c.commandLine.substr(0, c.cutSize));
        EXPECT_EQ(ReadSwitches(cut).signIn, c.signIn);
        EXPECT_EQ(ReadSwitches(cut).installer, c.installer);
    }
}
