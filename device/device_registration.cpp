#include "device/device_registration.h"

#include <windows.h>

#include <optional>
#include <string>

#include "core/install_body.h"
#include "core/service_endpoint.h"
#include "device/device_identity.h"
#include "net/post_form.h"
#include "win/retry.h"
#include "win/settings_store.h"

namespace {

constexpr int kAttempts = 2;
constexpr DWORD kRepeatPauseMs = 2000;

// The plain version record (not the extended one), 276 bytes.
static_assert(sizeof(OSVERSIONINFOW) == 276);

// A failed query leaves the zero-filled record: the version reads 0.0.
OSVERSIONINFOW ReadOsVersion() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    return version;
}

std::optional<std::wstring> StoredText(bool (*read)(std::wstring&)) {
    std::wstring text;
    if (!read(text)) return std::nullopt;
    return text;
}

}  // namespace

bool RegisterDevice() {
    InstallRequest request;
    const OSVERSIONINFOW version = ReadOsVersion();
    request.osMajor = version.dwMajorVersion;
    request.osMinor = version.dwMinorVersion;
    request.deviceId = GetDeviceId();
    request.deviceType = GetDeviceType();
    request.deviceName = GetDeviceName();
    request.deviceConfig = GetDeviceConfig();
    request.userName = StoredText(ReadAuthUserName);
    request.digest = StoredText(ReadAuthDigest);
    return PostForm(ServiceEndpoint(), BuildInstallBody(request), nullptr) == kRequestSucceeded;
}

bool RegisterDeviceWithRepeat() {
    return RepeatUntil(kAttempts, kRepeatPauseMs, RegisterDevice,
                       [](bool registered) { return registered; });
}
