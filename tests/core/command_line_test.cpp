#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, CutKeepsAtMost1040Characters) {
    EXPECT_EQ(CutCommandLine(L"/installer"), L"/installer");
    EXPECT_EQ(CutCommandLine(std::wstring(1040, L'x')).size(), 1040u);
    const std::wstring longLine = std::wstring(1039, L'a') + L"bc";
    EXPECT_EQ(CutCommandLine(longLine), std::wstring(1039, L'a') + L"b");
    EXPECT_EQ(CutCommandLine(L""), L"");
}

TEST(CommandLine, SwitchesAreCaseSensitiveSubstrings) {
    struct Case {
        const wchar_t* commandLine;
        bool signIn;
        bool installer;
    };
    const Case cases[] = {
        {L"", false, false},
        {L"/installer", false, true},
        {L"/signin", true, false},
        {L"/signin /installer", true, true},
        {L"/installer /signin", true, true},
        {L"x/signinx", true, false},     // a word that merely contains the switch counts
        {L"/SIGNIN /Installer", false, false},
        {L"/sign in /install", false, false},
        {L"--/installer=1", false, true},
    };
    for (const auto& c : cases) {
        const RunSwitches switches = ReadSwitches(c.commandLine);
        EXPECT_EQ(switches.signIn, c.signIn) << c.commandLine;
        EXPECT_EQ(switches.installer, c.installer) << c.commandLine;
    }
}

TEST(CommandLine, SwitchBeyondTheCutIsNotSeen) {
    const std::wstring line = std::wstring(1990, L'a') + L"/installer";
    EXPECT_FALSE(ReadSwitches(CutCommandLine(line)).installer);
    // A switch straddling the cut is lost as well.
    const std::wstring straddling = std::wstring(1035, L'a') + L"/installer";
    EXPECT_FALSE(ReadSwitches(CutCommandLine(straddling)).installer);
    const std::wstring inside = std::wstring(1030, L'a') + L"/installer";
    EXPECT_TRUE(ReadSwitches(CutCommandLine(inside)).installer);
}
