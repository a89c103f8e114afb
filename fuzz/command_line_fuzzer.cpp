// Cutting the command line. The switches are not checked here: "a case-sensitive
// substring anywhere in the cut text" has no model apart from that search itself, so
// the StartUp rows check them in the real program instead (inside a word, in capitals,
// past the cut).

#include <algorithm>

#include "core/command_line.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring commandLine = FuzzTexts(data, size)[0];

    const std::wstring cut = CutCommandLine(commandLine);
    CHECK(cut.size() == std::min<std::size_t>(commandLine.size(), 1040));
    CHECK(commandLine.starts_with(cut));
    return 0;
}
