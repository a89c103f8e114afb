#include "core/device_identity_format.h"

namespace {

// Appends the four bytes of `value`, least significant first, as uppercase hex.
void AppendBytesLittleEndian(std::string& text, std::uint32_t value, bool dashBetween) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int index = 0; index < 4; ++index) {
        if (dashBetween && index > 0) text.push_back('-');
        const auto byte = static_cast<std::uint8_t>(value >> (8 * index));
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
}

// The highest byte of EBX: the APIC id of the logical processor that ran CPUID.
constexpr std::uint32_t kProcessorIdBits = 0xFF000000;

void AppendConfigValue(std::wstring& text, const std::optional<std::wstring>& value) {
    if (!value) return;
    text += *value;
    text += L' ';
}

}  // namespace

std::string FormatDeviceId(std::optional<std::uint32_t> volumeSerial,
                           const std::array<std::uint32_t, 4>& cpuidRegisters) {
    std::string id;
    id.reserve(kDeviceIdLength);
    if (volumeSerial) {
        AppendBytesLittleEndian(id, *volumeSerial, true);
    } else {
        id = kUnreadableVolumeSection;
    }
    auto registers = cpuidRegisters;
    registers[1] &= ~kProcessorIdBits;
    for (const std::uint32_t reg : registers) {
        id.push_back('-');
        AppendBytesLittleEndian(id, reg, false);
    }
    return id;
}

std::string DeviceTypeFromAcLineStatus(std::uint8_t acLineStatus) {
    return acLineStatus == 0 || acLineStatus == 1 ? "2" : "1";
}

std::wstring JoinDeviceConfig(const DeviceConfigValues& values) {
    std::wstring text;
    AppendConfigValue(text, values.vendor);
    AppendConfigValue(text, values.model);
    AppendConfigValue(text, values.processor);
    return text;
}
