// The body of the createuser request.

#include "account/request_bodies.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring userName = input.TakeText();
    const std::wstring digest = input.TakeText();
    const std::wstring email = input.TakeRestAsText();

    const std::string body = BuildCreateUserBody(userName, digest, email);
    CHECK(body.find('\0') == std::string::npos);
    BodyReader reader(body);
    CHECK(reader.Field("action=createuser") == "");
    CHECK(ReadsTextOrEmpty(reader, "&uname=", userName));
    CHECK(ReadsTextOrEmpty(reader, "&pmd5=", digest));
    // The account is concerned, not this device.
    CHECK(reader.Field("&did=") == "none");
    // The address only when one was given.
    if (!email.empty()) CHECK(ReadsTextOrEmpty(reader, "&email=", email));
    CHECK(reader.AtEnd());
    return 0;
}
