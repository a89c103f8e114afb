// The program's silent credential check and its installer-mode registration,
// against the loopback service in this process.

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "tests/support/form_fields.h"
#include "tests/support/loopback_server.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;
const std::wstring kDigest = L"900150983cd24fb0d6963f7d28e17f72";

class DeviceAuthorization : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteProductKey();
        ASSERT_TRUE(server_.Listening());
    }
    void TearDown() override { DeleteProductKey(); }

    LoopbackServer server_;
};

}  // namespace

TEST_F(DeviceAuthorization, AcceptedCredentialsEndTheProgramWithoutAWindow) {
    StoreCredentials(L"ann", kDigest);
    server_.Script({Reply("0;42")});
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    // Nobody closes a window here: the program ends on its own only when it opened none.
    EXPECT_EQ(process.WaitForExit(kTimeoutMs), 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 1u);
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), 42u);

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const FormFields fields = SplitFormBody(requests[0].body);
    EXPECT_EQ(FieldNames(fields), (std::vector<std::string>{"action", "did", "uname", "pmd5"}));
    EXPECT_EQ(FieldValue(fields, "action"), "authuser");
    EXPECT_EQ(FieldValue(fields, "did").size(), 47u);
    EXPECT_EQ(FieldValue(fields, "uname"), "ann");
    EXPECT_EQ(FieldValue(fields, "pmd5"), "900150983cd24fb0d6963f7d28e17f72");
}

TEST_F(DeviceAuthorization, RefusedCredentialsOpenTheWizard) {
    StoreCredentials(L"ann", kDigest);
    server_.Script({Reply("-2")});
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(WaitForWizardWindow(process.ProcessId(), kTimeoutMs), nullptr);
    EXPECT_EQ(server_.RequestCount(), 1u);
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 0u);
    EXPECT_FALSE(ReadRawValue(kProductKey, L"UID").has_value());
}

TEST_F(DeviceAuthorization, WithoutAStoredDigestNothingIsAsked) {
    WriteTextValue(kStateKey, L"AuthInfoUserName", L"ann");
    WriteDwordValue(kProductKey, L"DevAuthState", 1);
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(WaitForWizardWindow(process.ProcessId(), kTimeoutMs), nullptr);
    EXPECT_EQ(server_.RequestCount(), 0u);
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 1u);
}

TEST_F(DeviceAuthorization, InstallerRegistersTheDeviceBeforeTheWizardOpens) {
    server_.Script({Reply("0")});
    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    ASSERT_NE(WaitForWizardWindow(process.ProcessId(), kTimeoutMs), nullptr);

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const FormFields fields = SplitFormBody(requests[0].body);
    EXPECT_EQ(FieldNames(fields), (std::vector<std::string>{"action", "did", "product", "osv",
                                                            "dtype", "dname", "dconfig"}));
    EXPECT_EQ(FieldValue(fields, "action"), "install");
    EXPECT_EQ(FieldValue(fields, "did").size(), 47u);
    EXPECT_EQ(FieldValue(fields, "product"), "2_1.0");
    EXPECT_EQ(FieldValue(fields, "osv").rfind("Windows", 0), 0u);
    // The credential check does not run in installer mode.
    EXPECT_FALSE(ReadRawValue(kProductKey, L"DevAuthState").has_value());
}
