#include "core/device_identity_format.h"

#include <gtest/gtest.h>

// What the device says of itself from any values the system gives: the identifier
// (bytes least significant first, uppercase, two digits each, the processor's APIC
// id in the highest byte of EBX written as 00 and no other bit masked), the
// type ("2" when the AC line status is known) and the configuration (each value
// read followed by a blank).
TEST(DeviceIdentity, DescribedFromTheSystemsValues) {
    constexpr std::array<std::uint32_t, 4> kCpuid = {0x000306A9, 0x07100800, 0x7FBAE3FF, 0xBFEBFBFF};
    // clang-format off
    const struct { std::optional<std::uint32_t> serial; std::array<std::uint32_t, 4> registers; const char* id; } ids[] = {
        {0x1234ABCD, kCpuid, "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF"},
        {0x1234ABCD, {0x000306A9, 0x00100800, 0x7FBAE3FF, 0xBFEBFBFF}, "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF"},
        {0, kCpuid, "00-00-00-00-A9060300-00081000-FFE3BA7F-FFFBEBBF"},  // read, not the unreadable mark
        {std::nullopt, {~0u, 0, 0, 0}, "AA-AA-AA-AA-FFFFFFFF-00000000-00000000-00000000"},
        {std::nullopt, {0, ~0u, ~0u, ~0u}, "AA-AA-AA-AA-00000000-FFFFFF00-FFFFFFFF-FFFFFFFF"},
    };
    const struct { DeviceConfigValues values; const wchar_t* text; } configs[] = {
        {{L"Tirna Inc.", L"Desk 5", L"CPU"}, L"Tirna Inc. Desk 5 CPU "}, {{std::nullopt, L"Desk 5", L"CPU"}, L"Desk 5 CPU "},
        {{L"Tirna", std::nullopt, L"CPU"}, L"Tirna CPU "}, {{L"Tirna", L"Desk 5", std::nullopt}, L"Tirna Desk 5 "},
        {{L"", L"Desk 5", L"CPU"}, L" Desk 5 CPU "}, {{}, L""},
    };
    // clang-format on
    for (const auto& c : ids) EXPECT_EQ(FormatDeviceId(c.serial, c.registers), c.id);
    for (const auto& c : configs) EXPECT_EQ(JoinDeviceConfig(c.values), c.text);
    for (const std::uint8_t status : {0, 1}) EXPECT_EQ(DeviceTypeFromAcLineStatus(status), "2");
    for (const std::uint8_t status : {2, 128, 255}) EXPECT_EQ(DeviceTypeFromAcLineStatus(status), "1");
}
