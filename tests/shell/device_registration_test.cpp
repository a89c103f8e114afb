#include "device/device_registration.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "device/device_identity.h"
#include "device/install_body.h"
#include "net/utf8.h"
#include "tests/support/form_fields.h"
#include "tests/support/loopback_server.h"
#include "tests/support/registry.h"

namespace {

const std::vector<std::string> kFieldsWithoutCredentials = {"action", "did",   "product", "osv",
                                                            "dtype",  "dname", "dconfig"};

// The device name or configuration as the request should carry it.
std::string AsSent(std::wstring text) {
    if (text.empty()) return "none";
    BlankUnsafeChars(text.data());
    return ToUtf8(text);
}

// COM as the program's start-up sets it up, for the hardware description.
class DeviceRegistration : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteProductKey();
        ASSERT_TRUE(server_.Listening());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }
    void TearDown() override {
        CoUninitialize();
        DeleteProductKey();
    }

    FormFields OnlyRequest() {
        const auto requests = server_.Requests();
        EXPECT_EQ(requests.size(), 1u);
        return requests.empty() ? FormFields{} : SplitFormBody(requests.back().body);
    }

    LoopbackServer server_;
};

}  // namespace

TEST_F(DeviceRegistration, DescribesTheDeviceWithoutCredentials) {
    server_.Script({Reply("0")});
    EXPECT_TRUE(RegisterDevice());
    const FormFields fields = OnlyRequest();
    EXPECT_EQ(FieldNames(fields), kFieldsWithoutCredentials);
    EXPECT_EQ(FieldValue(fields, "action"), "install");
    EXPECT_TRUE(SameDevice(FieldValue(fields, "did"), GetDeviceId()));
    EXPECT_EQ(FieldValue(fields, "product"), "2_1.0");

    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    ASSERT_TRUE(GetVersionExW(&version));
    EXPECT_EQ(FieldValue(fields, "osv"), "Windows" + std::to_string(version.dwMajorVersion) + "." +
                                             std::to_string(version.dwMinorVersion));
    const std::string type = FieldValue(fields, "dtype");
    EXPECT_TRUE(type == "1" || type == "2") << type;
    EXPECT_EQ(FieldValue(fields, "dname"), AsSent(GetDeviceName()));
    const std::wstring config = GetDeviceConfig();
    EXPECT_FALSE(config.empty());
    EXPECT_EQ(FieldValue(fields, "dconfig"), AsSent(config));
}

TEST_F(DeviceRegistration, StoredCredentialsFollowTheIdentifier) {
    struct Case {
        const wchar_t* userName;  // null: not stored
        const wchar_t* digest;
        std::vector<std::string> credentialFields;
    };
    const Case cases[] = {
        {L"ann", L"900150983cd24fb0d6963f7d28e17f72", {"uname", "pmd5"}},
        {nullptr, L"900150983cd24fb0d6963f7d28e17f72", {"pmd5"}},
        {L"ann", nullptr, {"uname"}},
        {L"", L"", {}},
    };
    for (const auto& c : cases) {
        DeleteProductKey();
        if (c.userName != nullptr) WriteTextValue(kStateKey, L"AuthInfoUserName", c.userName);
        if (c.digest != nullptr) WriteTextValue(kStateKey, L"AuthInfoMD5", c.digest);
        server_.Script({Reply("0")});
        const std::size_t before = server_.RequestCount();
        EXPECT_TRUE(RegisterDevice());
        ASSERT_EQ(server_.RequestCount(), before + 1);
        const FormFields fields = SplitFormBody(server_.Requests().back().body);
        std::vector<std::string> expected = {"action", "did"};
        expected.insert(expected.end(), c.credentialFields.begin(), c.credentialFields.end());
        expected.insert(expected.end(), kFieldsWithoutCredentials.begin() + 2,
                        kFieldsWithoutCredentials.end());
        EXPECT_EQ(FieldNames(fields), expected);
        if (c.userName != nullptr && *c.userName != L'\0') {
            EXPECT_EQ(FieldValue(fields, "uname"), "ann");
        }
        if (c.digest != nullptr && *c.digest != L'\0') {
            EXPECT_EQ(FieldValue(fields, "pmd5"), "900150983cd24fb0d6963f7d28e17f72");
        }
    }
}

TEST_F(DeviceRegistration, TrueOnlyForASuccessReply) {
    struct Case {
        std::vector<ScriptedReply> replies;
        bool accepted;
        std::size_t requests;
    };
    const Case cases[] = {
        {{Reply("0")}, true, 1},
        {{Reply("0;anything", 404)}, true, 1},
        {{Reply("-4")}, false, 1},
        {{Reply("OK"), Reply("OK"), Reply("1")}, false, 3},
    };
    for (const auto& c : cases) {
        const std::size_t before = server_.RequestCount();
        server_.Script(c.replies);
        EXPECT_EQ(RegisterDevice(), c.accepted) << c.replies[0].body;
        EXPECT_EQ(server_.RequestCount() - before, c.requests) << c.replies[0].body;
    }
}
