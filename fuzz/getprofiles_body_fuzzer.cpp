// The body of the getprofiles request.

#include "account/request_bodies.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring userName = input.TakeText();
    const std::wstring digest = input.TakeRestAsText();

    const std::string body = BuildGetProfilesBody(userName, digest);
    CHECK(body.find('\0') == std::string::npos);
    BodyReader reader(body);
    CHECK(reader.Field("action=getprofiles") == "");
    // The account's profiles are asked for, not this device's.
    CHECK(reader.Field("&did=") == "none");
    CHECK(ReadsTextOrEmpty(reader, "&uname=", userName));
    CHECK(ReadsTextOrEmpty(reader, "&pmd5=", digest));
    CHECK(reader.AtEnd());
    return 0;
}
