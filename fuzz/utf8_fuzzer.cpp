// Wide text to UTF-8, whole and for a 260-byte field.

#include "core/utf8.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = FuzzTexts(data, size)[0];

    // Valid text comes out as the C library encodes it, up to its first NUL; what
    // is not a scalar value comes out as U+FFFD, one for each.
    const std::string utf8 = ToUtf8(text);
    CHECK(utf8 == Utf8Of(ExpectedCodePoints(text)));
    const auto field = ToUtf8Field(text);
    CHECK(field.has_value() == (utf8.size() <= 259));
    if (field) CHECK(*field == utf8);
    return 0;
}
