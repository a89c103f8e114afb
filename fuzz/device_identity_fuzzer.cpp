// The device identifier and the hardware description.

#include <array>
#include <optional>

#include "device/device_identity_format.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace {

// The characters of an identifier that separate its groups.
bool IsDashPosition(std::size_t at) {
    return at == 2 || at == 5 || at == 8 || at == 11 || at == 20 || at == 29 || at == 38;
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

unsigned HexValue(char c) {
    return c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - 'A' + 10);
}

// The byte written as two hex digits at `at`.
std::uint32_t ByteAt(const std::string& id, std::size_t at) {
    return HexValue(id[at]) << 4 | HexValue(id[at + 1]);
}

// Four bytes, least significant first, each `stride` characters after the last.
std::uint32_t ValueAt(const std::string& id, std::size_t at, std::size_t stride) {
    std::uint32_t value = 0;
    for (std::size_t index = 0; index < 4; ++index) {
        value |= ByteAt(id, at + index * stride) << (8 * index);
    }
    return value;
}

void CheckDeviceId(const std::optional<std::uint32_t>& serial,
                   const std::array<std::uint32_t, 4>& registers) {
    const std::string id = FormatDeviceId(serial, registers);
    CHECK(id.size() == 47);
    for (std::size_t at = 0; at < id.size(); ++at) {
        CHECK(IsDashPosition(at) ? id[at] == '-' : IsUpperHex(id[at]));
    }
    // The values read back from the text: no bit lost, bytes least significant first.
    if (serial) {
        CHECK(ValueAt(id, 0, 3) == *serial);
    } else {
        CHECK(id.compare(0, 11, "AA-AA-AA-AA") == 0);
    }
    for (std::size_t index = 0; index < registers.size(); ++index) {
        CHECK(ValueAt(id, 12 + 9 * index, 2) == registers[index]);
    }
}

void CheckDeviceConfig(const DeviceConfigValues& values) {
    const std::wstring config = JoinDeviceConfig(values);
    std::size_t at = 0;
    for (const auto* value : {&values.vendor, &values.model, &values.processor}) {
        if (!*value) continue;
        CHECK(config.compare(at, (*value)->size(), **value) == 0);
        at += (*value)->size();
        CHECK(at < config.size() && config[at] == L' ');
        ++at;
    }
    CHECK(at == config.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // Bit 0 of the first byte: the volume serial could be read.
    const std::uint8_t present = input.TakeByte();
    const std::uint32_t serial = input.TakeU32();
    std::array<std::uint32_t, 4> registers{};
    for (auto& reg : registers) reg = input.TakeU32();
    CheckDeviceId(present & 1 ? std::optional(serial) : std::nullopt, registers);

    // Bits 1 to 3 of the first byte say which of the three strings were read.
    DeviceConfigValues values;
    std::optional<std::wstring>* const slots[] = {&values.vendor, &values.model, &values.processor};
    for (int index = 0; index < 3; ++index) {
        std::wstring text = input.TakeText();
        if (present & (2 << index)) *slots[index] = std::move(text);
    }
    CheckDeviceConfig(values);
    return 0;
}
