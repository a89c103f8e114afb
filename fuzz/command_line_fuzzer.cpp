// Cutting the command line and finding the run-mode switches in it.

#include <algorithm>

#include "core/command_line.h"
#include "fuzz/fuzz_support.h"

namespace {

bool Occurs(std::wstring_view text, std::wstring_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end()) != text.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring commandLine = FuzzTexts(data, size)[0];

    const std::wstring cut = CutCommandLine(commandLine);
    CHECK(cut.size() == std::min<std::size_t>(commandLine.size(), 1040));
    CHECK(commandLine.starts_with(cut));

    // Case-sensitive substrings anywhere in the cut text, nowhere else.
    const RunSwitches switches = ReadSwitches(cut);
    CHECK(switches.signIn == Occurs(cut, L"/signin"));
    CHECK(switches.installer == Occurs(cut, L"/installer"));
    return 0;
}
