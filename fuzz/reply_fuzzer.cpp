// A service reply: how it is judged, the code of an error reply and the user id
// of a success reply.

#include <regex>

#include "core/request_bodies.h"
#include "fuzz/fuzz_support.h"
#include "core/reply.h"

namespace {

// The reply grammar as patterns of its first characters: a success reply starts with
// "0", an error reply with "-" and a decimal digit, anything else is invalid.
const std::wregex kSuccess(L"^0"), kError(L"^-[0-9]");

ReplyKind Judged(const std::wstring& reply) {
    const std::wstring head = reply.substr(0, 2);  // nothing after them counts
    if (std::regex_search(head, kSuccess)) return ReplyKind::Success;
    return std::regex_search(head, kError) ? ReplyKind::Error : ReplyKind::Invalid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring reply = FuzzTexts(data, size)[0];

    const ReplyKind kind = JudgeReply(reply);
    CHECK(kind == Judged(reply));
    // An error reply's code is never above 0, so it never reads as success (1).
    if (kind == ReplyKind::Error) CHECK(ReadLeadingInt(reply) <= 0);
    const auto userId = ParseUserId(reply);
    if (userId) CHECK(kind == ReplyKind::Success && reply.size() >= 3 && *userId > 0);

    // Plain ASCII reads as the C library reads it, an overflow clamped to the
    // range; the user id is that number after "0" and one separator, when above 0.
    const std::wstring_view ascii = AsciiPrefix(reply);
    CHECK(ReadLeadingInt(ascii) == LeadingIntOfAscii(ascii));
    const std::int32_t id = ascii.size() >= 3 ? LeadingIntOfAscii(ascii.substr(2)) : 0;
    const auto asciiUserId = ParseUserId(ascii);
    CHECK(asciiUserId.has_value() == (ascii.starts_with(L'0') && id > 0));
    if (asciiUserId) CHECK(*asciiUserId == id);
    return 0;
}
