#include "device/device_registration.h"

#include <windows.h>

#include <optional>
#include <string>

#include "win/settings_store.h"
#include "device/device_identity.h"
#include "core/install_body.h"
#include "net/post_form.h"
#include "core/service_endpoint.h"

namespace {

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
