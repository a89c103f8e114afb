#include "device/install_body.h"

#include <gtest/gtest.h>

namespace {

constexpr char kDeviceId[] = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF";
constexpr char kDigest[] = "0cc175b9c0f1b6a831c399e269772661";

InstallRequest Request() {
    return {.deviceId = kDeviceId,
            .userName = std::nullopt,
            .digest = std::nullopt,
            .osMajor = 6,
            .osMinor = 1,
            .deviceType = "2",
            .deviceName = L"HOME-PC",
            .deviceConfig = L""};
}

std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

// The value of one field: from after "&<name>=" up to the next "&" or the end
// (blanking leaves no "&" in the device name or configuration).
std::string Field(const std::string& body, const std::string& name) {
    const std::string key = "&" + name + "=";
    const auto start = body.find(key);
    if (start == std::string::npos) return "<absent>";
    const auto from = start + key.size();
    return body.substr(from, body.find('&', from) - from);
}

}  // namespace

TEST(BlankUnsafeChars, BlanksTheNineAndKeepsTheRest) {
    struct Case {
        std::wstring text;
        std::wstring blanked;
    };
    const Case cases[] = {
        {L"Jo's PC. 2/3", L"Jo s PC  2 3"},
        {L"\"&',./?@\\", L"         "},
        {L"%+=;#()-_:!~*<>|", L"%+=;#()-_:!~*<>|"},
        {L"me@home.example", L"me home example"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        std::wstring text = c.text;
        BlankUnsafeChars(text.data());
        EXPECT_EQ(text, c.blanked);
    }
}

TEST(BlankUnsafeChars, StopsAtTheTerminatorAndAcceptsNull) {
    std::wstring text(L"a.b\0c.d", 7);
    BlankUnsafeChars(text.data());
    EXPECT_EQ(text, std::wstring(L"a b\0c.d", 7));
    BlankUnsafeChars(nullptr);
}

TEST(InstallBody, TheDescribedExampleWithoutCredentials) {
    EXPECT_EQ(BuildInstallBody(Request()),
              "action=install&did=CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF"
              "&product=2_1.0&osv=Windows6.1&dtype=2&dname=HOME-PC&dconfig=");
}

TEST(InstallBody, StoredCredentialsFollowTheIdentifier) {
    struct Case {
        std::optional<std::wstring> userName;
        std::optional<std::wstring> digest;
        std::string credentials;
    };
    const std::wstring digest(kDigest, kDigest + 32);
    const Case cases[] = {
        {L"ann@example.com", digest, std::string("&uname=ann@example.com&pmd5=") + kDigest},
        {std::nullopt, digest, std::string("&pmd5=") + kDigest},
        {L"ann", std::nullopt, "&uname=ann"},
        // The user name travels as stored: not blanked, not escaped, UTF-8.
        {L"a&b=c Zo\u00eb", std::nullopt, "&uname=a&b=c Zo\xC3\xAB"},
        {L"", L"", ""},
        // Too long for the 259-byte field as UTF-8: left out as if not stored.
        {std::wstring(130, L'\u00e9'), digest, std::string("&pmd5=") + kDigest},
        {std::wstring(259, L'n'), std::nullopt, "&uname=" + std::string(259, 'n')},
    };
    for (const auto& c : cases) {
        InstallRequest request = Request();
        request.userName = c.userName;
        request.digest = c.digest;
        EXPECT_EQ(BuildInstallBody(request), std::string("action=install&did=") + kDeviceId +
                                                 c.credentials +
                                                 "&product=2_1.0&osv=Windows6.1&dtype=2"
                                                 "&dname=HOME-PC&dconfig=");
    }
}

TEST(InstallBody, DeviceNameAndConfigAsSent) {
    struct Case {
        std::wstring name;
        std::wstring config;
        std::string sentName;
        std::string sentConfig;
    };
    const Case cases[] = {
        {L"", L"", "none", ""},
        {L"Jo's PC. 2/3", L"", "Jo s PC  2 3", ""},
        {L"HOME-PC", L"Tirna Inc. Desk 5 Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz ", "HOME-PC",
         "Tirna Inc  Desk 5 Intel(R) Core(TM) i5-2400 CPU   3 10GHz "},
        {L"Zo\u00eb PC", L"\u00c9tude ", "Zo\xC3\xAB PC", "\xC3\x89tude "},
        // 259 bytes of UTF-8 fit the field; 260 do not.
        {std::wstring(259, L'n'), std::wstring(259, L'c'), std::string(259, 'n'),
         std::string(259, 'c')},
        {std::wstring(130, L'\u00e9'), std::wstring(300, L'c'), "none", "none"},
        {std::wstring(129, L'\u00e9') + L"x", L"", Repeat("\xC3\xA9", 129) + "x", ""},
    };
    for (const auto& c : cases) {
        InstallRequest request = Request();
        request.deviceName = c.name;
        request.deviceConfig = c.config;
        const std::string body = BuildInstallBody(request);
        EXPECT_EQ(Field(body, "dname"), c.sentName);
        EXPECT_EQ(Field(body, "dconfig"), c.sentConfig);
        // The configuration is the last field.
        EXPECT_TRUE(body.ends_with("&dconfig=" + c.sentConfig));
    }
}

TEST(InstallBody, FieldsInOrderWithTheVersionAndType) {
    const InstallRequest request = {.deviceId = kDeviceId,
                                    .userName = L"ann",
                                    .digest = std::wstring(kDigest, kDigest + 32),
                                    .osMajor = 10,
                                    .osMinor = 0,
                                    .deviceType = "1",
                                    .deviceName = L"HOME-PC",
                                    .deviceConfig = L"Vendor Model CPU "};
    EXPECT_EQ(BuildInstallBody(request), std::string("action=install&did=") + kDeviceId +
                                             "&uname=ann&pmd5=" + kDigest +
                                             "&product=2_1.0&osv=Windows10.0&dtype=1"
                                             "&dname=HOME-PC&dconfig=Vendor Model CPU ");
}
