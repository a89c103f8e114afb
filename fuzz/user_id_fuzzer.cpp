// The user id in an authuser success reply.

#include "account/request_bodies.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "net/reply.h"

namespace {

// A success reply with room for a separator and at least one character of data.
bool CarriesData(std::wstring_view reply) {
    return reply.size() >= 3 && reply[0] == L'0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring reply = input.TakeRestAsText();

    const auto userId = ParseUserId(reply);
    if (userId) {
        CHECK(*userId > 0);
        CHECK(CarriesData(reply));
        CHECK(*userId == ReadLeadingInt(std::wstring_view(reply).substr(2)));
    } else {
        CHECK(!CarriesData(reply) || ReadLeadingInt(std::wstring_view(reply).substr(2)) <= 0);
    }

    // Against the C library's reading where the reply is plain ASCII.
    const std::wstring_view ascii = AsciiPrefix(reply);
    const auto asciiUserId = ParseUserId(ascii);
    const bool idExpected = CarriesData(ascii) && LeadingIntOfAscii(ascii.substr(2)) > 0;
    CHECK(asciiUserId.has_value() == idExpected);
    if (asciiUserId) CHECK(*asciiUserId == LeadingIntOfAscii(ascii.substr(2)));
    return 0;
}
