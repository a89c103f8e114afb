#include "account/credential_check.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "device/device_identity.h"
#include "tests/support/form_fields.h"
#include "tests/support/loopback_server.h"
#include "tests/support/registry.h"

namespace {

const std::wstring kDigest = L"900150983cd24fb0d6963f7d28e17f72";

class CredentialCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteProductKey();
        ASSERT_TRUE(server_.Listening());
    }
    void TearDown() override { DeleteProductKey(); }

    // The one authuser request that reached the service, checked field by field.
    void ExpectOneAuthUserRequest(const std::string& userName, const std::string& digest) {
        const auto requests = server_.Requests();
        ASSERT_EQ(requests.size(), 1u);
        const FormFields fields = SplitFormBody(requests[0].body);
        EXPECT_EQ(FieldNames(fields), (std::vector<std::string>{"action", "did", "uname", "pmd5"}));
        EXPECT_EQ(FieldValue(fields, "action"), "authuser");
        EXPECT_TRUE(SameDevice(FieldValue(fields, "did"), GetDeviceId()));
        EXPECT_EQ(FieldValue(fields, "uname"), userName);
        EXPECT_EQ(FieldValue(fields, "pmd5"), digest);
    }

    LoopbackServer server_;
};

}  // namespace

TEST_F(CredentialCheck, ResultAndUserIdFromTheReply) {
    struct Case {
        std::vector<ScriptedReply> replies;
        RequestResult result;
        std::optional<DWORD> userId;
    };
    const Case cases[] = {
        {{Reply("0;42")}, 1, 42},
        {{Reply("0")}, 1, std::nullopt},
        {{Reply("0;0")}, 1, std::nullopt},
        // An HTTP error status does not matter; the text does.
        {{Reply("0;9", 500)}, 1, 9},
        {{Reply("-3;42")}, -3, std::nullopt},
        {{Reply("-0")}, 0, std::nullopt},
        {{Reply("-x"), Reply("OK"), Reply("")}, -10, std::nullopt},
    };
    for (const auto& c : cases) {
        DeleteProductKey();
        server_.Script(c.replies);
        EXPECT_EQ(AuthenticateUser(L"ann", &kDigest), c.result) << c.replies[0].body;
        EXPECT_EQ(ReadDword(kProductKey, L"UID"), c.userId) << c.replies[0].body;
    }
}

TEST_F(CredentialCheck, BodyCarriesTheNameUnchangedAsUtf8) {
    server_.Script({Reply("0;5")});
    EXPECT_EQ(AuthenticateUser(L"Zo\u00eb+1%", &kDigest), 1);
    ExpectOneAuthUserRequest("Zo\xC3\xAB+1%", "900150983cd24fb0d6963f7d28e17f72");

    // "&" and "=" go out as they are, inside the uname value.
    server_.Script({Reply("0")});
    EXPECT_EQ(AuthenticateUser(L"a&b=c", &kDigest), 1);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1].body.find("&uname=a&b=c&pmd5=900150983cd24fb0d6963f7d28e17f72"),
              std::string::npos)
        << requests[1].body;
}

TEST_F(CredentialCheck, NothingSentWithoutDigestOrWhenTheNameDoesNotFit) {
    EXPECT_EQ(AuthenticateUser(L"ann", nullptr), -1);
    // 130 characters of two UTF-8 bytes each: 260 bytes, one more than the field holds.
    EXPECT_EQ(AuthenticateUser(std::wstring(130, L'\u00e9'), &kDigest), -1);
    EXPECT_EQ(server_.RequestCount(), 0u);
}

TEST_F(CredentialCheck, UserIdKeptWhenTheReplyHasNone) {
    WriteDwordValue(kProductKey, L"UID", 5);
    server_.Script({Reply("0;abc")});
    EXPECT_EQ(AuthenticateUser(L"ann", &kDigest), 1);
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), 5u);
}

TEST_F(CredentialCheck, DeviceAuthorizationRecordsTheOutcome) {
    struct Case {
        std::vector<ScriptedReply> replies;
        bool accepted;
        DWORD state;
        std::optional<DWORD> userId;
    };
    const Case cases[] = {
        {{Reply("0;42")}, true, 1, 42},
        {{Reply("0")}, true, 1, std::nullopt},
        {{Reply("-2")}, false, 0, std::nullopt},
        {{Reply("-0")}, false, 0, std::nullopt},
        {{DroppedReply(), Reply("-"), Reply("1")}, false, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        DeleteProductKey();
        StoreCredentials(L"ann", kDigest);
        server_.Script(c.replies);
        const std::size_t before = server_.RequestCount();
        EXPECT_EQ(CheckDeviceAuthorization(), c.accepted);
        EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), c.state);
        EXPECT_EQ(ReadDword(kProductKey, L"UID"), c.userId);
        EXPECT_GT(server_.RequestCount(), before);
    }
}

TEST_F(CredentialCheck, DeviceAuthorizationSendsTheStoredCredentials) {
    StoreCredentials(L"ann@example.com", kDigest);
    server_.Script({Reply("0;42")});
    EXPECT_TRUE(CheckDeviceAuthorization());
    ExpectOneAuthUserRequest("ann@example.com", "900150983cd24fb0d6963f7d28e17f72");
}

TEST_F(CredentialCheck, DeviceAuthorizationWithoutCredentialsSendsAndWritesNothing) {
    struct Case {
        const wchar_t* userName;  // null: not stored
        const wchar_t* digest;
    };
    const Case cases[] = {
        {nullptr, nullptr}, {L"ann", nullptr},      {nullptr, L"900150983cd24fb0d6963f7d28e17f72"},
        {L"ann", L""},      {L"", kDigest.c_str()},
    };
    for (const auto& c : cases) {
        DeleteProductKey();
        WriteDwordValue(kProductKey, L"DevAuthState", 7);
        if (c.userName != nullptr) WriteTextValue(kStateKey, L"AuthInfoUserName", c.userName);
        if (c.digest != nullptr) WriteTextValue(kStateKey, L"AuthInfoMD5", c.digest);
        server_.Script({Reply("0;42")});
        EXPECT_FALSE(CheckDeviceAuthorization());
        EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 7u);
        EXPECT_FALSE(ReadRawValue(kProductKey, L"UID").has_value());
    }
    EXPECT_EQ(server_.RequestCount(), 0u);
}
