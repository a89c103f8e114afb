// The body of the setprofile request, for a new and for a listed profile.

#include <cstdio>

#include "account/request_bodies.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr char kDeviceId[] = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF";

std::string Decimal(std::int32_t number) {
    char digits[16];
    const int length = std::snprintf(digits, sizeof digits, "%d", static_cast<int>(number));
    return std::string(digits, static_cast<std::size_t>(length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // Bit 0 of the first byte: a listed profile, whose id follows.
    const bool listed = input.TakeByte() & 1;
    const auto id = static_cast<std::int32_t>(input.TakeU32());
    const std::wstring userName = input.TakeText();
    const std::wstring digest = input.TakeText();
    const std::wstring name = input.TakeRestAsText();
    const ProfileChoice choice = listed ? ProfileChoice(ExistingProfile{id}) : NewProfile{name};

    const std::string body = BuildSetProfileBody(userName, digest, kDeviceId, choice);
    CHECK(body.find('\0') == std::string::npos);
    BodyReader reader(body);
    CHECK(reader.Field("action=setprofile") == "");
    CHECK(ReadsTextOrEmpty(reader, "&uname=", userName));
    CHECK(ReadsTextOrEmpty(reader, "&pmd5=", digest));
    CHECK(reader.Field("&did=") == kDeviceId);
    // Exactly one of the two: the new name or the listed id.
    if (listed) {
        CHECK(reader.Field("&profid=") == Decimal(id));
    } else {
        CHECK(ReadsTextOrEmpty(reader, "&profname=", name));
    }
    CHECK(reader.AtEnd());
    return 0;
}
