#pragma once
// Announcing this device to the service ("action=install").

// True when the service accepted the registration.
bool RegisterDevice();
