#include "device/device_identity_format.h"

#include <gtest/gtest.h>

// Bytes least significant first, uppercase, two digits each; no bit masked.
TEST(DeviceIdentity, IdentifierOfFixedWidth) {
    constexpr std::array<std::uint32_t, 4> kCpuid = {0x000306A9, 0x00100800, 0x7FBAE3FF,
                                                     0xBFEBFBFF};
    const struct {
        std::optional<std::uint32_t> serial;
        std::array<std::uint32_t, 4> registers;
        const char* id;
    } cases[] = {
        {0x1234ABCD, kCpuid, "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF"},
        // A serial of 0 was read: it is not the unreadable marker.
        {0, kCpuid, "00-00-00-00-A9060300-00081000-FFE3BA7F-FFFBEBBF"},
        {std::nullopt, kCpuid, "AA-AA-AA-AA-A9060300-00081000-FFE3BA7F-FFFBEBBF"},
        {0xFFFFFFFF, {0, 0, 0, 0}, "FF-FF-FF-FF-00000000-00000000-00000000-00000000"},
        // The high byte of EBX (the processor that ran CPUID) comes last.
        {std::nullopt,
         {0x01020304, 0x07100800, 0x090A0B0C, 0x0D0E0F10},
         "AA-AA-AA-AA-04030201-00081007-0C0B0A09-100F0E0D"},
        {std::nullopt, {~0u, ~0u, ~0u, ~0u}, "AA-AA-AA-AA-FFFFFFFF-FFFFFFFF-FFFFFFFF-FFFFFFFF"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDeviceId(c.serial, c.registers), c.id);
}

// The type is "2" when the AC line status is known (0 or 1), "1" otherwise.
TEST(DeviceIdentity, TypeFromTheLineStatus) {
    const struct {
        std::uint8_t acLineStatus;
        const char* type;
    } cases[] = {{0, "2"}, {1, "2"}, {2, "1"}, {128, "1"}, {255, "1"}};
    for (const auto& c : cases) EXPECT_EQ(DeviceTypeFromAcLineStatus(c.acLineStatus), c.type);
}

// Vendor, model and processor, each that was read followed by a space.
TEST(DeviceIdentity, ConfigurationOfWhatWasRead) {
    const struct {
        DeviceConfigValues values;
        const wchar_t* text;
    } cases[] = {
        {{L"Tirna Inc.", L"Desk 5", L"Intel(R) Core(TM) i5"},
         L"Tirna Inc. Desk 5 Intel(R) Core(TM) i5 "},
        {{std::nullopt, L"Desk 5", L"CPU"}, L"Desk 5 CPU "},
        {{L"Tirna Inc.", std::nullopt, L"CPU"}, L"Tirna Inc. CPU "},
        {{L"Tirna Inc.", L"Desk 5", std::nullopt}, L"Tirna Inc. Desk 5 "},
        {{L"", L"Desk 5", L"CPU"}, L" Desk 5 CPU "},  // an empty value still brings its space
        {{}, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinDeviceConfig(c.values), c.text);
}
