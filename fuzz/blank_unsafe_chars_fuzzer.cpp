// Blanking the characters that would break the install request's form.

#include <algorithm>
#include <string_view>
#include <vector>

#include "device/install_body.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr std::wstring_view kBlanked = L"\"&',./?@\\";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring original = input.TakeRestAsText();

    // Exactly the text and one terminator, so that a write past it is caught.
    std::vector<wchar_t> text(original.begin(), original.end());
    text.push_back(L'\0');
    BlankUnsafeChars(text.data());

    // Up to the first NUL the nine become spaces and all else stays; from the
    // first NUL on nothing is touched, so the text keeps its length.
    const std::size_t end = std::min(original.find(L'\0'), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        if (i < end && kBlanked.find(original[i]) != std::wstring_view::npos) {
            CHECK(text[i] == L' ');
        } else {
            CHECK(text[i] == original[i]);
        }
    }
    CHECK(text.back() == L'\0');
    return 0;
}
