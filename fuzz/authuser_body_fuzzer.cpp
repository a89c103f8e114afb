// The body of the authuser request.

#include "account/request_bodies.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr char kDeviceId[] = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring userName = input.TakeText();
    const std::wstring digest = input.TakeRestAsText();

    const auto body = BuildAuthUserBody(kDeviceId, userName, digest);
    // A cut user name would ask about another account: no body rather than a cut field.
    CHECK(body.has_value() == (FitsField(userName) && FitsField(digest)));
    if (!body) return 0;

    CHECK(body->find('\0') == std::string::npos);
    BodyReader reader(*body);
    CHECK(reader.Field("action=authuser") == "");
    CHECK(reader.Field("&did=") == kDeviceId);
    CHECK(ReadsText(reader, "&uname=", userName));
    CHECK(ReadsText(reader, "&pmd5=", digest));
    CHECK(reader.AtEnd());
    return 0;
}
