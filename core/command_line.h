#pragma once
// What the program reads from its command line: the cut text and the two switches.

#include <cstddef>
#include <string>
#include <string_view>

// Only the first 1040 characters of the command line count, for the log and the switches.
inline constexpr std::size_t kCommandLineLimit = 1040;

inline constexpr std::wstring_view kSignInSwitch = L"/signin";
inline constexpr std::wstring_view kInstallerSwitch = L"/installer";

struct RunSwitches {
    bool signIn = false;
    bool installer = false;
};

// The command line cut to its first kCommandLineLimit characters.
[[nodiscard]] std::wstring CutCommandLine(std::wstring_view commandLine);

// Switches are case-sensitive substrings found anywhere in the (cut) command line.
[[nodiscard]] RunSwitches ReadSwitches(std::wstring_view cutCommandLine) noexcept;
