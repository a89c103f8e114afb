#pragma once
// Announcing this device to the service ("action=install").

// True when the service accepted the registration.
bool RegisterDevice();

// The registration, once more after 2000 ms when it failed; true when the service
// accepted it.
[[nodiscard]] bool RegisterDeviceWithRepeat();
