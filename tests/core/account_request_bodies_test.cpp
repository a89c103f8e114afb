#include <gtest/gtest.h>

#include "account/request_bodies.h"

namespace {

constexpr char kDeviceId[] = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF";
constexpr wchar_t kDigest[] = L"900150983cd24fb0d6963f7d28e17f72";
const std::string kDigestField = "&pmd5=900150983cd24fb0d6963f7d28e17f72";

}  // namespace

TEST(CreateUserBody, EmailFieldOnlyWhenGiven) {
    EXPECT_EQ(BuildCreateUserBody(L"ann", kDigest, L""),
              "action=createuser&uname=ann" + kDigestField + "&did=none");
    EXPECT_EQ(BuildCreateUserBody(L"Ren\u00e9e", kDigest, L"r+1@example.com"),
              "action=createuser&uname=Ren\xC3\xA9"
              "e" +
                  kDigestField + "&did=none&email=r+1@example.com");
}

TEST(GetProfilesBody, StoredValuesOrEmptyFields) {
    EXPECT_EQ(BuildGetProfilesBody(L"ann", kDigest),
              "action=getprofiles&did=none&uname=ann" + kDigestField);
    // Missing credentials are still sent, as empty fields.
    EXPECT_EQ(BuildGetProfilesBody(L"", L""), "action=getprofiles&did=none&uname=&pmd5=");
    // A stored name too long for its field goes out empty rather than cut.
    EXPECT_EQ(BuildGetProfilesBody(std::wstring(130, L'\u00e9'), kDigest),
              "action=getprofiles&did=none&uname=" + kDigestField);
}

TEST(SetProfileBody, ExactlyOneWayToNameTheProfile) {
    const std::string head =
        std::string("action=setprofile&uname=a&b") + kDigestField + "&did=" + kDeviceId;
    struct Case {
        ProfileChoice choice;
        std::string tail;
    };
    const Case cases[] = {
        {NewProfile{L"Beta Two"}, "&profname=Beta Two"},
        {NewProfile{L"Zo\u00eb"}, "&profname=Zo\xC3\xAB"},
        {ExistingProfile{18}, "&profid=18"},
        {ExistingProfile{-7}, "&profid=-7"},
        {ExistingProfile{0}, "&profid=0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildSetProfileBody(L"a&b", kDigest, kDeviceId, c.choice), head + c.tail);
    }
}
