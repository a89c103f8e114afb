#include "device/device_identity.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "tests/support/form_fields.h"

namespace {

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// COM as the program's start-up sets it up, for the management queries.
class WithCom : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }
    void TearDown() override { CoUninitialize(); }
};

}  // namespace

TEST(DeviceIdentity, IdentifierHasItsShapeAndTheVolumeSerial) {
    const std::string id = GetDeviceId();
    ASSERT_EQ(id.size(), 47u);
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 2 || i == 5 || i == 8 || i == 11 || i == 20 || i == 29 || i == 38;
        EXPECT_TRUE(dash ? id[i] == '-' : IsUpperHex(id[i])) << id << " at " << i;
    }
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
    std::array<char, 12> volume{};
    std::snprintf(volume.data(), volume.size(), "%02X-%02X-%02X-%02X",
                  static_cast<unsigned>(serial & 0xFF), static_cast<unsigned>((serial >> 8) & 0xFF),
                  static_cast<unsigned>((serial >> 16) & 0xFF),
                  static_cast<unsigned>(serial >> 24));
    EXPECT_EQ(id.substr(0, 11), volume.data());
    // Computed afresh each time, from the same hardware.
    EXPECT_TRUE(SameDevice(GetDeviceId(), id));
}

TEST(DeviceIdentity, NameIsThePhysicalDnsHostName) {
    std::array<wchar_t, 260> expected{};
    DWORD size = static_cast<DWORD>(expected.size());
    ASSERT_TRUE(GetComputerNameExW(ComputerNamePhysicalDnsHostname, expected.data(), &size));
    ASSERT_NE(expected[0], L'\0');
    EXPECT_EQ(GetDeviceName(), expected.data());
}

TEST(DeviceIdentity, TypeFollowsThePowerStatus) {
    SYSTEM_POWER_STATUS status{};
    ASSERT_TRUE(GetSystemPowerStatus(&status));
    const bool lineStatusKnown = status.ACLineStatus == 0 || status.ACLineStatus == 1;
    EXPECT_EQ(GetDeviceType(), lineStatusKnown ? "2" : "1") << int{status.ACLineStatus};
}

TEST(DeviceIdentity, ConfigWithoutComIsEmpty) {
    EXPECT_EQ(GetDeviceConfig(), L"");
}

TEST_F(WithCom, ConfigComesFromTheManagementQueries) {
    const std::wstring config = GetDeviceConfig();
    ASSERT_FALSE(config.empty());
    EXPECT_EQ(config.back(), L' ');
    EXPECT_EQ(GetDeviceConfig(), config);
}
