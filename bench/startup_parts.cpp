// Times, in one fresh process, the start-up work an installer run does before
// its window, part by part: COM as the program initialises it, the WMI queries
// of GetDeviceConfig (first call, then a second one), the rest of the device
// description, and the whole device registration with its POST.
//
// Prints one tab-separated line:
//   com_ms  device_config_first_ms  device_config_again_ms  identity_rest_ms  register_device_ms

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <optional>

#include "device/device_identity.h"
#include "device/device_registration.h"
#include "win/com.h"

namespace {

double NowMs() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The time a call takes; the result is kept alive so that the work is not dropped.
template <typename F>
double Time(F&& work) {
    const double start = NowMs();
    const auto result = work();
    const double end = NowMs();
    (void)result;
    return end - start;
}

}  // namespace

int wmain() {
    std::optional<ComApartment> com;
    const double comMs = Time([&] { return &com.emplace(); });
    const double configFirstMs = Time([] { return GetDeviceConfig(); });
    const double configAgainMs = Time([] { return GetDeviceConfig(); });
    const double restMs =
        Time([] { return GetDeviceId() + GetDeviceType(); }) + Time([] { return GetDeviceName(); });
    const double registerMs = Time([] { return RegisterDevice(); });
    std::wprintf(L"%.3f\t%.3f\t%.3f\t%.3f\t%.3f\n", comMs, configFirstMs, configAgainMs, restMs,
                 registerMs);
    return 0;
}
