// The text of a diagnostic line in its three forms.

#include <cstdio>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "net/debug_line.h"

namespace {

constexpr std::wstring_view kPrefix = L"[TirnaParental] ";

// A "%s" argument: the text up to its first NUL.
std::wstring_view AsCString(std::wstring_view text) {
    return text.substr(0, text.find(L'\0'));
}

std::wstring Decimal(std::int32_t number) {
    char digits[16];
    const int length = std::snprintf(digits, sizeof digits, "%d", static_cast<int>(number));
    return std::wstring(digits, digits + length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t form = input.TakeByte() % 3;
    const std::wstring message = input.TakeText();

    // The line as it would read without a length limit.
    std::wstring whole(kPrefix);
    whole += AsCString(message);
    std::wstring line;
    if (form == 0) {
        line = FormatDebugLine(message);
    } else if (form == 1) {
        const std::wstring text = input.TakeRestAsText();
        line = FormatDebugLine(message, text);
        whole += L' ';
        whole += AsCString(text);
    } else {
        const auto number = static_cast<std::int32_t>(input.TakeU32());
        line = FormatDebugLine(message, number);
        whole += L' ';
        whole += Decimal(number);
    }

    CHECK(line.size() <= 1023);
    CHECK(line.starts_with(kPrefix));
    // Cut at the capacity and nowhere else.
    CHECK(line == std::wstring_view(whole).substr(0, 1023));
    return 0;
}
