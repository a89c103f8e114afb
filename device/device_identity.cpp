#include "device/device_identity.h"

#include <windows.h>
#include <intrin.h>
#include <wbemidl.h>

#include <array>
#include <cstdint>
#include <optional>

#include "core/device_identity_format.h"
#include "core/text_buffer.h"
#include "win/com.h"

namespace {

constexpr DWORD kNameBufferSize = kTextBufferSize;

constexpr LONG kQueryFlags = WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY;
static_assert(kQueryFlags == 0x30);

std::optional<std::uint32_t> ReadSystemVolumeSerial() {
    DWORD serial = 0;
    if (!GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return std::nullopt;
    }
    return serial;
}

// On whichever processor the thread runs: the formatting masks the byte that
// names it.
std::array<std::uint32_t, 4> ReadCpuidLeaf1() {
    std::array<int, 4> registers{};
    __cpuidex(registers.data(), 1, 0);
    return {static_cast<std::uint32_t>(registers[0]), static_cast<std::uint32_t>(registers[1]),
            static_cast<std::uint32_t>(registers[2]), static_cast<std::uint32_t>(registers[3])};
}

// The first object of a WQL query; none when the query or the fetch fails. The
// fetch waits without a time limit.
ComPtr<IWbemClassObject> FirstQueryResult(IWbemServices& services, const wchar_t* query) {
    const UniqueBstr language(SysAllocString(L"WQL"));
    const UniqueBstr text(SysAllocString(query));
    ComPtr<IEnumWbemClassObject> results;
    if (FAILED(
            services.ExecQuery(language.get(), text.get(), kQueryFlags, nullptr, results.Put()))) {
        return {};
    }
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    if (FAILED(results->Next(static_cast<LONG>(WBEM_INFINITE), 1, object.Put(), &returned)) ||
        returned != 1) {
        return {};
    }
    return object;
}

// A property's text. A value that is not text (a null value, for instance) adds
// nothing to the description, not even its separating space.
std::optional<std::wstring> ReadTextProperty(IWbemClassObject& object, const wchar_t* name) {
    ScopedVariant value;
    if (FAILED(object.Get(name, 0, value.Put(), nullptr, nullptr))) return std::nullopt;
    if (value.Get().vt != VT_BSTR) return std::nullopt;
    return std::wstring(value.Get().bstrVal != nullptr ? value.Get().bstrVal : L"");
}

// Reads the properties in order and stops at the first step that fails, keeping
// what was read before it.
DeviceConfigValues ReadDeviceConfigValues() {
    DeviceConfigValues values;
    ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                locator.PutVoid()))) {
        return values;
    }
    const UniqueBstr nameSpace(SysAllocString(L"ROOT\\CIMV2"));
    ComPtr<IWbemServices> services;
    if (FAILED(locator->ConnectServer(nameSpace.get(), nullptr, nullptr, nullptr, 0, nullptr,
                                      nullptr, services.Put()))) {
        return values;
    }
    {
        const auto product =
            FirstQueryResult(*services.Get(), L"SELECT * FROM Win32_ComputerSystemProduct");
        if (!product) return values;
        values.vendor = ReadTextProperty(*product.Get(), L"Vendor");
        values.model = ReadTextProperty(*product.Get(), L"Name");
    }
    const auto processor = FirstQueryResult(*services.Get(), L"SELECT * FROM Win32_Processor");
    if (!processor) return values;
    values.processor = ReadTextProperty(*processor.Get(), L"Name");
    return values;
}

}  // namespace

std::string GetDeviceId() {
    return FormatDeviceId(ReadSystemVolumeSerial(), ReadCpuidLeaf1());
}

std::string GetDeviceType() {
    SYSTEM_POWER_STATUS status{};
    GetSystemPowerStatus(&status);
    return DeviceTypeFromAcLineStatus(status.ACLineStatus);
}

std::wstring GetDeviceName() {
    std::array<wchar_t, kNameBufferSize> buffer{};
    DWORD size = kNameBufferSize;
    if (!GetComputerNameExW(ComputerNamePhysicalDnsHostname, buffer.data(), &size) ||
        buffer[0] == L'\0') {
        size = kNameBufferSize;
        if (!GetComputerNameW(buffer.data(), &size)) buffer[0] = L'\0';
    }
    return buffer.data();
}

std::wstring GetDeviceConfig() {
    return JoinDeviceConfig(ReadDeviceConfigValues());
}
