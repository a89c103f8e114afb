#pragma once
// How the device describes itself to the service, from the raw values the system
// gives: the identifier, the type code and the hardware description.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The identifier is always this long: an 11-character volume section and four
// 9-character processor groups.
inline constexpr std::size_t kDeviceIdLength = 47;

// The volume section when the serial of "C:\" cannot be read.
inline constexpr char kUnreadableVolumeSection[] = "AA-AA-AA-AA";

// The volume serial's bytes, least significant first, as "%.2X" joined by "-"
// (or "AA-AA-AA-AA" when it could not be read), then for each of EAX, EBX, ECX and
// EDX of CPUID leaf 1 a "-" and its four bytes, least significant first. The highest
// byte of EBX, the APIC id of whichever processor ran CPUID, is written as 00
// (characters 28 and 29): one computer gives one identifier, on any processor.
[[nodiscard]] std::string FormatDeviceId(std::optional<std::uint32_t> volumeSerial,
                                         const std::array<std::uint32_t, 4>& cpuidRegisters);

// "2" when the AC line status is known (0 offline, 1 online); "1" otherwise.
[[nodiscard]] std::string DeviceTypeFromAcLineStatus(std::uint8_t acLineStatus);

// The hardware strings that could be read; a property that was not read (its
// query failed, its read failed or its value was not text) is absent.
struct DeviceConfigValues {
    std::optional<std::wstring> vendor;
    std::optional<std::wstring> model;
    std::optional<std::wstring> processor;
};

// Vendor, model and processor name in that order, each present one followed by a
// space; empty when none could be read.
[[nodiscard]] std::wstring JoinDeviceConfig(const DeviceConfigValues& values);
