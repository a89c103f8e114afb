#include "core/command_line.h"

std::wstring CutCommandLine(std::wstring_view commandLine) {
    return std::wstring(commandLine.substr(0, kCommandLineLimit));
}

RunSwitches ReadSwitches(std::wstring_view cutCommandLine) noexcept {
    RunSwitches switches;
    switches.signIn = cutCommandLine.find(kSignInSwitch) != std::wstring_view::npos;
    switches.installer = cutCommandLine.find(kInstallerSwitch) != std::wstring_view::npos;
    return switches;
}
