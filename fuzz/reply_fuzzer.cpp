// Judging a reply by its first characters, and its leading integer.

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "net/reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring reply = input.TakeRestAsText();

    const ReplyKind kind = JudgeReply(reply);
    const bool leadingZero = !reply.empty() && reply[0] == L'0';
    const bool minusDigit =
        reply.size() >= 2 && reply[0] == L'-' && reply[1] >= L'0' && reply[1] <= L'9';
    CHECK((kind == ReplyKind::Success) == leadingZero);
    CHECK((kind == ReplyKind::Error) == minusDigit);

    // The sender reports an error reply's code as it reads: never above 0.
    if (kind == ReplyKind::Error) CHECK(ReadLeadingInt(reply) <= 0);

    // Plain ASCII reads as the C library reads it, overflow clamped to the range.
    const std::wstring_view ascii = AsciiPrefix(reply);
    CHECK(ReadLeadingInt(ascii) == LeadingIntOfAscii(ascii));
    return 0;
}
