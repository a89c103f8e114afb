#include "device/device_identity_format.h"

#include <gtest/gtest.h>

namespace {

// CPUID leaf 1 of the example machine: EAX, EBX, ECX, EDX.
constexpr std::array<std::uint32_t, 4> kExampleCpuid = {0x000306A9, 0x00100800, 0x7FBAE3FF,
                                                        0xBFEBFBFF};
constexpr char kExampleCpuSection[] = "-A9060300-00081000-FFE3BA7F-FFFBEBBF";

}  // namespace

TEST(DeviceId, VolumeSectionFromTheSerial) {
    struct Case {
        std::optional<std::uint32_t> serial;
        const char* volumeSection;
    };
    const Case cases[] = {
        {0x1234ABCD, "CD-AB-34-12"},
        // A serial of 0 was read: it is not the unreadable marker.
        {0x00000000, "00-00-00-00"},
        {0xFFFFFFFF, "FF-FF-FF-FF"},
        {0x0A0B0C0D, "0D-0C-0B-0A"},
        {std::nullopt, "AA-AA-AA-AA"},
    };
    for (const auto& c : cases) {
        const std::string id = FormatDeviceId(c.serial, kExampleCpuid);
        EXPECT_EQ(id, std::string(c.volumeSection) + kExampleCpuSection) << c.volumeSection;
        EXPECT_EQ(id.size(), kDeviceIdLength);
    }
}

TEST(DeviceId, RegistersLittleEndianAndUnmasked) {
    struct Case {
        std::array<std::uint32_t, 4> registers;
        const char* cpuSection;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, "-00000000-00000000-00000000-00000000"},
        // The high byte of EBX (the logical processor that ran CPUID) comes last.
        {{0, 0x07100800, 0, 0}, "-00000000-00081007-00000000-00000000"},
        {{0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10}, "-04030201-08070605-0C0B0A09-100F0E0D"},
        {{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, "-FFFFFFFF-FFFFFFFF-FFFFFFFF-FFFFFFFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDeviceId(0x1234ABCD, c.registers),
                  std::string("CD-AB-34-12") + c.cpuSection);
    }
}

TEST(DeviceId, TheDescribedExample) {
    EXPECT_EQ(FormatDeviceId(0x1234ABCD, kExampleCpuid),
              "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF");
}

TEST(DeviceType, KnownLineStatusMeansType2) {
    struct Case {
        std::uint8_t acLineStatus;
        const char* type;
    };
    const Case cases[] = {{0, "2"}, {1, "2"}, {2, "1"}, {128, "1"}, {255, "1"}};
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceTypeFromAcLineStatus(c.acLineStatus), c.type) << int{c.acLineStatus};
    }
}

TEST(DeviceConfig, JoinsWhatWasReadEachWithItsSpace) {
    struct Case {
        DeviceConfigValues values;
        const wchar_t* text;
    };
    const Case cases[] = {
        {{L"Tirna Inc.", L"Desk 5", L"Intel(R) Core(TM) i5"},
         L"Tirna Inc. Desk 5 Intel(R) Core(TM) i5 "},
        // The vendor read failed, the model read did not.
        {{std::nullopt, L"Desk 5", L"CPU"}, L"Desk 5 CPU "},
        // The processor query failed after the product query.
        {{L"Tirna Inc.", L"Desk 5", std::nullopt}, L"Tirna Inc. Desk 5 "},
        // An empty value still brings its space.
        {{L"", L"Desk 5", L"CPU"}, L" Desk 5 CPU "},
        {{}, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JoinDeviceConfig(c.values), c.text);
    }
}
