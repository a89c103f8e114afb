// Wide text to UTF-8, whole and for a 260-byte field.

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "net/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring text = input.TakeRestAsText();

    const std::string utf8 = ToUtf8(text);
    const auto decoded = DecodeUtf8(utf8);
    CHECK(decoded.has_value());
    // Valid text comes back unchanged up to its first NUL; what is not a scalar
    // value comes back as U+FFFD, one for each.
    CHECK(*decoded == ExpectedCodePoints(text));

    const auto field = ToUtf8Field(text);
    CHECK(field.has_value() == (utf8.size() <= 259));
    if (field) CHECK(*field == utf8);
    return 0;
}
