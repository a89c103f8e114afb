#include "account/request_bodies.h"

#include <gtest/gtest.h>

namespace {

constexpr char kDeviceId[] = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF";
constexpr wchar_t kDigest[] = L"900150983cd24fb0d6963f7d28e17f72";

}  // namespace

TEST(AuthUserBody, FieldsInOrderAndUnescaped) {
    struct Case {
        std::wstring userName;
        std::string sentUserName;
    };
    const Case cases[] = {
        {L"ann", "ann"},
        // Nothing is escaped: the service reads the name as it comes.
        {L"a&b=c+d%20 e", "a&b=c+d%20 e"},
        {L"Zo\u00eb", "Zo\xC3\xAB"},
        {L"", ""},
        {std::wstring(259, L'n'), std::string(259, 'n')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildAuthUserBody(kDeviceId, c.userName, kDigest),
                  std::string("action=authuser&did=") + kDeviceId + "&uname=" + c.sentUserName +
                      "&pmd5=900150983cd24fb0d6963f7d28e17f72");
    }
}

TEST(AuthUserBody, RefusedWhenAFieldDoesNotFit) {
    // 260 bytes of UTF-8: one more than the field holds.
    EXPECT_EQ(BuildAuthUserBody(kDeviceId, std::wstring(260, L'n'), kDigest), std::nullopt);
    EXPECT_EQ(BuildAuthUserBody(kDeviceId, std::wstring(130, L'\u00e9'), kDigest), std::nullopt);
    EXPECT_EQ(BuildAuthUserBody(kDeviceId, L"ann", std::wstring(260, L'0')), std::nullopt);
    // An empty digest (no digest could be made) is sent like any other.
    EXPECT_EQ(BuildAuthUserBody(kDeviceId, L"ann", L""),
              std::string("action=authuser&did=") + kDeviceId + "&uname=ann&pmd5=");
}

TEST(UserId, FromTheThirdCharacterOfASuccessReply) {
    struct Case {
        const wchar_t* reply;
        std::optional<std::int32_t> userId;
    };
    const Case cases[] = {
        {L"0;42", 42},
        {L"0", std::nullopt},
        {L"0;", std::nullopt},
        {L"0;abc", std::nullopt},
        {L"0;0", std::nullopt},
        {L"0;-7", std::nullopt},
        {L"0;123abc", 123},
        {L"0 77", 77},
        // The separator is skipped whatever it is.
        {L"0x9", 9},
        {L"0;  +15;x", 15},
        {L"0;2147483647", 2147483647},
        // Not a success reply.
        {L"1;42", std::nullopt},
        {L"-3;42", std::nullopt},
        {L"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseUserId(c.reply), c.userId) << testing::PrintToString(std::wstring(c.reply));
    }
}
